// "Reporting": which report files a run writes.
#pragma once

#include <QWidget>

#include "engine/settings.h"

namespace strida::ui {

class SettingsDoor;

class ReportingPanel : public QWidget {
    Q_OBJECT
  public:
    explicit ReportingPanel(SettingsDoor& door, QWidget* parent = nullptr);
};

}  // namespace strida::ui
