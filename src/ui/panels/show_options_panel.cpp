#include "ui/panels/show_options_panel.h"

#include <QFrame>
#include <QVBoxLayout>

#include "engine/settings_rules.h"
#include "ui/panels/bindings.h"

namespace strida::ui {

ShowOptionsPanel::ShowOptionsPanel(Settings& s, QWidget* parent) : QWidget(parent), s_(s) {
    setObjectName("frmDrawingControl");
    QFrame* frame = panelFrame(this, "frmShowOption");
    auto* column = new QVBoxLayout(frame);
    const struct {
        const char* name;
        const char* caption;
        Check Settings::*option;
    } options[] = {
        {"chkShowInfCircle", "Influence Circle", &Settings::ShowInfCircle},
        {"chkSightBox", "Sight Box", &Settings::SightBox},
        {"chkAcclLine", "Acceleration line (red)", &Settings::AcclLine},
        {"chkVelocityLine", "Velocity line (blue)", &Settings::VelocityLine},
        {"chkPrintID", "ID number", &Settings::PrintID},
        {"chkDrawFill", "Filled", &Settings::DrawFill},
        {"chkPedCircle", "Pedestrian (circle)", &Settings::PedCircle},
        {"chkTracePath", "Trace Path", &Settings::TracePath},
        {"chkDontShowAnimation", "Don't Show Animation", &Settings::DontShowAnimation},
    };
    for (const auto& o : options) {
        // A box writes its own setting; the settings decide what else follows, and the other
        // boxes then show it. Their own writes while they catch up start no further rules.
        auto* box =
            checkBox(o.name, o.caption, s.*o.option, frame, [this, option = o.option](bool) {
                if (refreshing_) return;
                showOptionChanged(s_, option);
                refresh();
            });
        boxes_.emplace_back(box, o.option);
        column->addWidget(box);
    }
    column->addWidget(button("cmdClose", "&Close", frame, [this] { hidePanel(this); }), 0,
                      Qt::AlignHCenter);
    // Tab order as on the panel: six boxes, Close, then the last three.
    const char* order[] = {
        "chkShowInfCircle", "chkAcclLine", "chkVelocityLine",      "chkSightBox",  "chkPrintID",
        "chkDrawFill",      "cmdClose",    "chkDontShowAnimation", "chkPedCircle", "chkTracePath"};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(findChild<QWidget*>(order[i]), findChild<QWidget*>(order[i + 1]));
}

void ShowOptionsPanel::refresh() {
    refreshing_ = true;
    for (auto [box, option] : boxes_) showCheck(box, s_.*option);
    refreshing_ = false;
}

}  // namespace strida::ui
