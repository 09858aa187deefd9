// "Input Pedestrians Parameters": the behaviour parameters every new pedestrian receives.
#pragma once

#include <QWidget>

#include "engine/settings.h"

namespace strida::ui {

class SettingsDoor;

class ParametersPanel : public QWidget {
    Q_OBJECT
  public:
    explicit ParametersPanel(SettingsDoor& door, QWidget* parent = nullptr);
};

}  // namespace strida::ui
