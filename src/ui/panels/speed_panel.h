// "Simulation Speed": the time between two steps, which sets the main window's timer.
#pragma once

#include <QWidget>

#include "engine/settings.h"

namespace strida::ui {

class SettingsDoor;

class SpeedPanel : public QWidget {
    Q_OBJECT
  public:
    explicit SpeedPanel(SettingsDoor& door, QWidget* parent = nullptr);
};

}  // namespace strida::ui
