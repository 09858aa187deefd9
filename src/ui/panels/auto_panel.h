// "Automatic Pedestrians Generator": when, where and how fast pedestrians are generated, from one
// or both ends of the trap.
#pragma once

#include <QWidget>

#include "engine/settings.h"

class QLayout;
class QLineEdit;
class QScrollBar;
class QTabWidget;

namespace strida::ui {

class SettingsDoor;

// The controls and settings of one of the two speed categories.
struct SpeedCategory;

class AutoPanel : public QWidget {
    Q_OBJECT
  public:
    explicit AutoPanel(SettingsDoor& door, QWidget* parent = nullptr);

    // Shows the parts of the panel that the settings choose: the "Space" tab only for generation
    // all at once, a category's mean and deviation only for normally distributed speeds, the side
    // counts only for two ways.
    void showState();

  private:
    QWidget* timeTab();
    QWidget* spaceTab();
    QWidget* speedTab();
    // One speed category: its share of the pedestrians and its maximum speed.
    QLayout* speedCategory(QWidget* frame, const SpeedCategory& category);
    // The mean and deviation of a category's normally distributed maximum speed, shown while its
    // option is chosen.
    QWidget* speedInput(QWidget* speed, const SpeedCategory& category);
    QWidget* waysTab();
    QWidget* pedestrianNumbers(QWidget* frame);

    SettingsDoor& door_;
    QTabWidget* tabs_ = nullptr;
};

}  // namespace strida::ui
