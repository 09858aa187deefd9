#include "ui/panels/forces_panel.h"

#include <QFrame>
#include <QGridLayout>

#include "ui/panels/bindings.h"

namespace strida::ui {

ForcesPanel::ForcesPanel(SettingsDoor& door, QWidget* parent) : QWidget(parent) {
    setObjectName("frmForceControl");
    QFrame* frame = panelFrame(this, "frmForceControl");
    auto* grid = new QGridLayout(frame);
    auto* forward = checkBox("chkForceForward", "Forward", door, &Settings::ForceForward, frame);
    auto* flee = checkBox("chkForceFlee", "Repulse Away", door, &Settings::ForceFlee, frame);
    auto* separate =
        checkBox("chkForceSeparate", "Avoid Collision", door, &Settings::ForceSeparate, frame);
    grid->addWidget(forward, 0, 0);
    grid->addWidget(flee, 1, 0);
    grid->addWidget(separate, 2, 0);
    auto* close = button("cmdClose", "&Close", frame, [this] { hidePanel(this); });
    grid->addWidget(close, 1, 1);
    setTabOrder(forward, separate);
    setTabOrder(separate, flee);
    setTabOrder(flee, close);
}

}  // namespace strida::ui
