#include "ui/panels/show_options_panel.h"

#include <QFrame>
#include <QVBoxLayout>

#include "ui/panels/bindings.h"

namespace strida::ui {

ShowOptionsPanel::ShowOptionsPanel(SettingsDoor& door, QWidget* parent) : QWidget(parent) {
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
    // What a drawing needs ticks with it is the settings' business; the boxes show it.
    for (const auto& o : options)
        column->addWidget(checkBox(o.name, o.caption, door, o.option, frame));
    column->addWidget(button("cmdClose", "&Close", frame, [this] { hidePanel(this); }), 0,
                      Qt::AlignHCenter);
    // Tab order as on the panel: six boxes, Close, then the last three.
    const char* order[] = {
        "chkShowInfCircle", "chkAcclLine", "chkVelocityLine",      "chkSightBox",  "chkPrintID",
        "chkDrawFill",      "cmdClose",    "chkDontShowAnimation", "chkPedCircle", "chkTracePath"};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(findChild<QWidget*>(order[i]), findChild<QWidget*>(order[i + 1]));
}

}  // namespace strida::ui
