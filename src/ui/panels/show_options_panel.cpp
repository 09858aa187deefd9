#include "ui/panels/show_options_panel.h"

#include <QFrame>
#include <QVBoxLayout>

#include "ui/panels/bindings.h"

namespace strida::ui {

ShowOptionsPanel::ShowOptionsPanel(Settings& s, QWidget* parent) : QWidget(parent) {
    setObjectName("frmDrawingControl");
    QFrame* frame = panelFrame(this, "frmShowOption");
    auto* column = new QVBoxLayout(frame);
    auto* inf = checkBox("chkShowInfCircle", "Influence Circle", s.ShowInfCircle, frame);
    auto* sight = checkBox("chkSightBox", "Sight Box", s.SightBox, frame);
    auto* accl = checkBox("chkAcclLine", "Acceleration line (red)", s.AcclLine, frame);
    auto* velocity = checkBox("chkVelocityLine", "Velocity line (blue)", s.VelocityLine, frame);
    auto* printId = checkBox("chkPrintID", "ID number", s.PrintID, frame);
    auto* fill = checkBox("chkDrawFill", "Filled", s.DrawFill, frame);
    auto* pedCircle = checkBox("chkPedCircle", "Pedestrian (circle)", s.PedCircle, frame);
    auto* trace = checkBox("chkTracePath", "Trace Path", s.TracePath, frame);
    auto* dontShow =
        checkBox("chkDontShowAnimation", "Don't Show Animation", s.DontShowAnimation, frame);

    // Drawing any of these needs the circle. A box set to the state it already has starts no
    // handler, so every chain of ticks ends.
    for (QCheckBox* box : {inf, sight, printId, fill})
        connect(box, &QCheckBox::toggled, pedCircle, [pedCircle](bool on) {
            if (on) pedCircle->setChecked(true);
        });
    connect(pedCircle, &QCheckBox::toggled, this, [fill, printId](bool on) {
        if (on) return;
        fill->setChecked(false);
        printId->setChecked(false);
    });
    // Tracing paths draws them with the velocity lines.
    connect(trace, &QCheckBox::toggled, velocity, &QCheckBox::setChecked);

    for (QCheckBox* box : {inf, sight, accl, velocity, printId, fill, pedCircle, trace, dontShow})
        column->addWidget(box);
    auto* close = button("cmdClose", "&Close", frame, [this] { hidePanel(this); });
    column->addWidget(close, 0, Qt::AlignHCenter);
    // Tab order as on the panel: six boxes, Close, then the last three.
    QWidget* order[] = {inf,  accl,  velocity, sight,     printId,
                        fill, close, dontShow, pedCircle, trace};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
}

}  // namespace strida::ui
