// "Calibration": the trap's length and width in metres, the number of time slices per second,
// whether walls run along the trap's long sides, the calibrate command, and the labels showing the
// trap's area and the scale.
#pragma once

#include <QWidget>
#include <functional>

#include "engine/settings.h"

class QFrame;
class QGridLayout;
class QLabel;

namespace strida::ui {

class SettingsDoor;

class CalibrationPanel : public QWidget {
    Q_OBJECT
  public:
    explicit CalibrationPanel(SettingsDoor& door, QWidget* parent = nullptr);

    // The calibrate command, also run when the main window loads and after every resize of the
    // trap canvas.
    std::function<void()> onCalibrate;
    // Rewrites the scale label for a new scale.
    void showScale(double m2Twips);
    // Rewrites the area label for the trap the settings hold now.
    void showArea();

  private:
    // The rows of the panel, top to bottom; the order they are built in is the tab order.
    void addTrapSize(QFrame* frame, QGridLayout* grid);
    void addTimeSlice(QFrame* frame, QGridLayout* grid);
    void addCommands(QFrame* frame, QGridLayout* grid);

    SettingsDoor& door_;
    QLabel* area_;
    QLabel* scale_;
};

}  // namespace strida::ui
