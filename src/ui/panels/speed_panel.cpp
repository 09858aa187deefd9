#include "ui/panels/speed_panel.h"

#include <QFrame>
#include <QGridLayout>

#include "ui/panels/bindings.h"

namespace strida::ui {

SpeedPanel::SpeedPanel(SettingsDoor& door, QWidget* parent) : QWidget(parent) {
    setObjectName("frmSimSpeed");
    QFrame* frame = panelFrame(this, "frameSimControl");
    auto* grid = new QGridLayout(frame);
    auto* bar = scrollBar("ScrlSimSpeed", 1, 1000, door.record().SimSpeed, 25, 100, frame);
    bar->setMinimumWidth(220);
    // The bar's value is the wait between two steps.
    auto* wait = label("", frame);
    wait->setObjectName("lblSimSpeedValue");
    const auto showWait = [wait](int value) {
        wait->setText(QString("%1 ms between steps").arg(value));
    };
    showWait(bar->value());
    QObject::connect(bar, &QScrollBar::valueChanged, this, [&door, showWait](int value) {
        showWait(value);
        door.change("SimSpeed", std::to_string(value));
    });
    // "fast" over the bar's left end, "slow" over its right end.
    auto* ends = new QHBoxLayout;
    ends->setContentsMargins(0, 0, 0, 0);
    ends->addWidget(label("fast", frame));
    ends->addStretch();
    ends->addWidget(label("slow", frame));
    grid->addLayout(ends, 0, 1);
    grid->addWidget(label("Speed", frame), 1, 0);
    grid->addWidget(bar, 1, 1);
    grid->addWidget(wait, 2, 1);
    grid->addWidget(button("Command1", "&Close", frame, [this] { hidePanel(this); }), 3, 1,
                    Qt::AlignRight);
}

}  // namespace strida::ui
