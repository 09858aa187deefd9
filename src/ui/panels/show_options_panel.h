// "Show Options": what is drawn for each pedestrian, whether the canvas keeps the drawing of
// earlier steps, and whether anything is drawn at all. The engine reads the boxes at every use.
#pragma once

#include <QWidget>
#include <utility>
#include <vector>

#include "engine/settings.h"

class QCheckBox;

namespace strida::ui {

class ShowOptionsPanel : public QWidget {
    Q_OBJECT
  public:
    explicit ShowOptionsPanel(Settings& settings, QWidget* parent = nullptr);

  private:
    // Ticks and unticks every box as the settings hold it, after a rule changed some of them.
    void refresh();

    Settings& s_;
    std::vector<std::pair<QCheckBox*, Check Settings::*>> boxes_;
    bool refreshing_ = false;
};

}  // namespace strida::ui
