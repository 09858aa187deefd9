#include "ui/panels/options_panels.h"

#include <QFrame>
#include <QGridLayout>
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

ForcesPanel::ForcesPanel(Settings& s, QWidget* parent) : QWidget(parent) {
    setObjectName("frmForceControl");
    QFrame* frame = panelFrame(this, "frmForceControl");
    auto* grid = new QGridLayout(frame);
    auto* forward = checkBox("chkForceForward", "Forward", s.ForceForward, frame);
    auto* flee = checkBox("chkForceFlee", "Repulse Away", s.ForceFlee, frame);
    auto* separate = checkBox("chkForceSeparate", "Avoid Collision", s.ForceSeparate, frame);
    grid->addWidget(forward, 0, 0);
    grid->addWidget(flee, 1, 0);
    grid->addWidget(separate, 2, 0);
    auto* close = button("cmdClose", "&Close", frame, [this] { hidePanel(this); });
    grid->addWidget(close, 1, 1);
    setTabOrder(forward, separate);
    setTabOrder(separate, flee);
    setTabOrder(flee, close);
}

SpeedPanel::SpeedPanel(Settings& s, QWidget* parent) : QWidget(parent) {
    setObjectName("frmSimSpeed");
    QFrame* frame = panelFrame(this, "frameSimControl");
    auto* grid = new QGridLayout(frame);
    auto* bar = scrollBar("ScrlSimSpeed", 1, 1000, s.SimSpeed, 25, 100, frame);
    bar->setMinimumWidth(220);
    QObject::connect(bar, &QScrollBar::valueChanged, this, [this, &s](int value) {
        s.SimSpeed = value;
        if (onSpeedChanged) onSpeedChanged(value);
    });
    grid->addWidget(label("fast", frame), 0, 1, Qt::AlignLeft);
    grid->addWidget(label("slow", frame), 0, 1, Qt::AlignRight);
    grid->addWidget(label("Speed", frame), 1, 0);
    grid->addWidget(bar, 1, 1);
    grid->addWidget(button("Command1", "&Close", frame, [this] { hidePanel(this); }), 2, 1,
                    Qt::AlignRight);
}

}  // namespace strida::ui
