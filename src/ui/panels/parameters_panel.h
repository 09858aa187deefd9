// "Input Pedestrians Parameters": the behaviour parameters every new pedestrian receives, the
// order pedestrians are updated in within a step, and the number of threads a simultaneous step
// uses.
#pragma once

#include <QWidget>
#include <functional>

#include "engine/settings.h"

class QGroupBox;
class QHBoxLayout;
class QSpinBox;

namespace strida::ui {

class SettingsDoor;

class ParametersPanel : public QWidget {
    Q_OBJECT
  public:
    explicit ParametersPanel(SettingsDoor& door, QWidget* parent = nullptr);

    // Told every new number of threads the control is set to (0: every core).
    std::function<void(int)> onThreads;
    // Sets the thread control (and so tells onThreads): 0 to kMostThreads, as --threads takes.
    void setThreads(int threads);

  private:
    QGroupBox* updateOrder(SettingsDoor& door, QWidget* parent);
    QHBoxLayout* threadCount(QWidget* parent);
    QGroupBox* crowdOptions(SettingsDoor& door, QWidget* parent);

    QSpinBox* threads_ = nullptr;
};

}  // namespace strida::ui
