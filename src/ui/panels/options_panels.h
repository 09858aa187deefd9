// "Show Options" (what is drawn for each pedestrian) and "Use Forces" (which desires act), and the
// simulation-speed panel. The engine reads their boxes at every use.
#pragma once

#include <QWidget>
#include <functional>

#include "engine/settings.h"

class QCheckBox;

namespace strida::ui {

class ShowOptionsPanel : public QWidget {
    Q_OBJECT
  public:
    explicit ShowOptionsPanel(Settings& settings, QWidget* parent = nullptr);
};

class ForcesPanel : public QWidget {
    Q_OBJECT
  public:
    explicit ForcesPanel(Settings& settings, QWidget* parent = nullptr);
};

class SpeedPanel : public QWidget {
    Q_OBJECT
  public:
    explicit SpeedPanel(Settings& settings, QWidget* parent = nullptr);
    // Called with the new interval of the timer, in milliseconds.
    std::function<void(int)> onSpeedChanged;
};

}  // namespace strida::ui
