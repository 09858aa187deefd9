#include "ui/panels/speed_panel.h"

#include <QFrame>
#include <QGridLayout>

#include "ui/panels/bindings.h"

namespace strida::ui {

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
