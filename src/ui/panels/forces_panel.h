// "Use Forces": which of the three desires act. The engine reads the boxes at every use.
#pragma once

#include <QWidget>

#include "engine/settings.h"

namespace strida::ui {

class SettingsDoor;

class ForcesPanel : public QWidget {
    Q_OBJECT
  public:
    explicit ForcesPanel(SettingsDoor& door, QWidget* parent = nullptr);
};

}  // namespace strida::ui
