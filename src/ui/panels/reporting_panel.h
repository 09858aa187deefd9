// "Reporting": which report files a run writes.
#pragma once

#include <QWidget>

#include "engine/settings.h"

namespace strida::ui {

class ReportingPanel : public QWidget {
    Q_OBJECT
  public:
    explicit ReportingPanel(Settings& settings, QWidget* parent = nullptr);
};

}  // namespace strida::ui
