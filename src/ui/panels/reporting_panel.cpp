#include "ui/panels/reporting_panel.h"

#include <QFrame>
#include <QVBoxLayout>

#include "ui/panels/bindings.h"

namespace strida::ui {

ReportingPanel::ReportingPanel(SettingsDoor& door, QWidget* parent) : QWidget(parent) {
    setObjectName("frmReporting");
    QFrame* frame = panelFrame(this, "frmReport");
    auto* column = new QVBoxLayout(frame);
    column->setSpacing(8);
    column->addWidget(checkBox("chkReportNTXY", "(start) NTXY Database (NTXY.txt)", door,
                               &Settings::ReportNTXY, frame));
    column->addWidget(checkBox("chkReportSystemPerformance", "System Performance (System.txt)",
                               door, &Settings::ReportSystemPerformance, frame));
    column->addWidget(checkBox("chkReportAvgInstantPerformance",
                               "(start)  Average Instantaneous Performance (AvgInstant.txt)", door,
                               &Settings::ReportAvgInstantPerformance, frame));
    column->addWidget(checkBox("chkReportInstantPerformance",
                               "(start)  Instantaneous Performance (Instant.txt)", door,
                               &Settings::ReportInstantPerformance, frame));
    // These two reports have nothing to record yet, so they cannot be chosen.
    auto* individual =
        checkBox("chkReportIndividualPerformance", "Individual Performance (Individu.txt)", door,
                 &Settings::ReportIndividualPerformance, frame);
    auto* traffic = checkBox("chkReportTrafficPerformance", "Traffic Performance (Traffic.txt)",
                             door, &Settings::ReportTrafficPerformance, frame);
    individual->setEnabled(false);
    traffic->setEnabled(false);
    column->addWidget(individual);
    column->addWidget(traffic);
    column->addWidget(button("Command1", "&Close", frame, [this] { hidePanel(this); }), 0,
                      Qt::AlignRight);
}

}  // namespace strida::ui
