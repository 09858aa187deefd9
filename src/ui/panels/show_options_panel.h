// "Show Options": what is drawn for each pedestrian, whether the canvas keeps the drawing of
// earlier steps, and whether anything is drawn at all. The engine reads the boxes at every use.
#pragma once

#include <QWidget>

#include "engine/settings.h"

namespace strida::ui {

class SettingsDoor;

class ShowOptionsPanel : public QWidget {
    Q_OBJECT
  public:
    explicit ShowOptionsPanel(SettingsDoor& door, QWidget* parent = nullptr);
};

}  // namespace strida::ui
