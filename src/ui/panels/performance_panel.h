// "Simulation Performance": the figures of the pedestrians in the trap after the last step, and the
// run-wide system figures.
#pragma once

#include <QWidget>

#include "engine/host.h"

class QLineEdit;

namespace strida::ui {

class PerformancePanel : public QWidget {
    Q_OBJECT
  public:
    explicit PerformancePanel(QWidget* parent = nullptr);
    void show(const PerformanceTexts& texts);
    QString text(const char* box) const;

  private:
    QLineEdit* box(const char* name) const;
};

}  // namespace strida::ui
