// "Simulation Speed": the time between two steps, which sets the main window's timer.
#pragma once

#include <QWidget>
#include <functional>

#include "engine/settings.h"

namespace strida::ui {

class SpeedPanel : public QWidget {
    Q_OBJECT
  public:
    explicit SpeedPanel(Settings& settings, QWidget* parent = nullptr);
    // Called with the new interval of the timer, in milliseconds.
    std::function<void(int)> onSpeedChanged;
};

}  // namespace strida::ui
