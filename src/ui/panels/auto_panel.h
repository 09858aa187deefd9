// "Automatic Pedestrians Generator": when, where and how fast pedestrians are generated, from one
// or both ends of the trap.
#pragma once

#include <QWidget>
#include <functional>

#include "engine/settings.h"

class QLineEdit;
class QScrollBar;
class QTabWidget;

namespace strida::ui {

class AutoPanel : public QWidget {
    Q_OBJECT
  public:
    explicit AutoPanel(Settings& settings, QWidget* parent = nullptr);

    // Shows again a value that another panel wrote (the generators' distance follows the trap
    // length).
    void refresh();

  private:
    QWidget* timeTab();
    QWidget* spaceTab();
    QWidget* speedTab();
    QWidget* waysTab();
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
