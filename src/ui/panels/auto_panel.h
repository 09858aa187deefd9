// "Automatic Pedestrians Generator": when, where and how fast pedestrians are generated, from one
// or both ends of the trap.
#pragma once

#include <QWidget>
#include <functional>

#include "engine/settings.h"

class QAbstractButton;
class QLayout;
class QLineEdit;
class QScrollBar;
class QTabWidget;

namespace strida::ui {

// The controls and settings of one of the two speed categories.
struct SpeedCategory;

class AutoPanel : public QWidget {
    Q_OBJECT
  public:
    explicit AutoPanel(Settings& settings, QWidget* parent = nullptr);

    // Shows again a value that another panel wrote (the generators' distance follows the trap
    // length).
    void refresh();
    // Shows the number of ways the settings hold, with the side counts only for two ways.
    void showWays();

  private:
    QWidget* timeTab();
    QWidget* spaceTab();
    QWidget* speedTab();
    // One speed category: its share of the pedestrians and its maximum speed.
    QLayout* speedCategory(QWidget* frame, const SpeedCategory& category);
    // The mean and deviation of a category's normally distributed maximum speed, shown while its
    // option is chosen.
    QWidget* speedInput(QWidget* speed, QAbstractButton* normal, const SpeedCategory& category);
    QWidget* waysTab();
    QWidget* pedestrianNumbers(QWidget* frame);
    // Runs one rule of the panel unless a rule is already running: a rule's own writes start no
    // further rules, so every chain of updates ends.
    void rule(const std::function<void()>& apply);
    void evenSplit();
    void setBar(const char* name, int value);

    Settings& s_;
    QTabWidget* tabs_ = nullptr;
    bool inRule_ = false;
};

}  // namespace strida::ui
