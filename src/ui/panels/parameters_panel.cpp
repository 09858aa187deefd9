#include "ui/panels/parameters_panel.h"

#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QSpinBox>
#include <tuple>

#include "core/threads_option.h"
#include "ui/panels/bindings.h"

namespace strida::ui {

ParametersPanel::ParametersPanel(SettingsDoor& door, QWidget* parent) : QWidget(parent) {
    setObjectName("frmInputParameters");
    QFrame* frame = panelFrame(this, "frmPedParameters");
    auto* grid = new QGridLayout(frame);

    struct Row {
        const char* caption;
        const char* box;
        std::string Settings::*setting;
        const char* bar;
        int minimum, maximum, position;
        const char* note;
    };
    const Row rows[] = {
        {"Pedestrian Diameter:", "txtPedDiameter", &Settings::PedDiameter, "HScrollPedDiameter", 40,
         110, 60, "meter"},
        {"Influence Diameter:", "txtInfluenceDiameter", &Settings::InfluenceDiameter,
         "ScrlInfluenceRadius", 100, 500, 167, "meter"},
        {"Sight Distance", "txtSightDist", &Settings::SightDist, "ScrlSightDistance", 100, 5000,
         400, "meter"},
        {"Max Acceleration", "txtMaxAccl", &Settings::MaxAccl, "ScrlMaxAccl", 1, 9999, 1950,
         "m/sec^2"},
        {"Mass", "txtMass", &Settings::Mass, "ScrlMass", 1, 10000, 750, ""},
        {"Alpha", "txtAlpha", &Settings::Alpha, "ScrlAlpha", 1, 10000, 205, "Move Forward"},
        {"Beta", "txtBeta", &Settings::Beta, "ScrlBeta", 1, 10000, 1, "Avoid Collision"},
        {"Chi", "txtChi", &Settings::Chi, "ScrlChi", 1, 10000, 250, "Repulse Away"},
    };
    int r = 0;
    for (const Row& row : rows) {
        if (row.setting == &Settings::Mass) grid->setRowMinimumHeight(r++, 10);  // the gap
        auto* box = textBox(row.box, door, row.setting, frame);
        auto* bar = scrollBar(row.bar, row.minimum, row.maximum, row.position, 1, 10, frame);
        writesInto(bar, box, row.setting);
        grid->addWidget(label(row.caption, frame), r, 0);
        grid->addWidget(box, r, 1);
        grid->addWidget(bar, r, 2);
        grid->addWidget(label(row.note, frame), r, 3);
        ++r;
        // The influence area follows the body, down to the lowest place of its scroll bar.
        if (row.setting == &Settings::InfluenceDiameter) staysAboveBody(bar);
    }
    grid->setRowMinimumHeight(r++, 10);  // the gap before the model's way of stepping
    grid->addWidget(updateOrder(door, frame), r, 0, 1, 2);
    grid->addLayout(threadCount(frame), r++, 2, 1, 2, Qt::AlignLeft | Qt::AlignVCenter);
    grid->addWidget(crowdOptions(door, frame), r++, 0, 1, 4);
    grid->addWidget(button("cmdClose", "&Close", frame, [this] { hidePanel(this); }), r, 2, 1, 2,
                    Qt::AlignRight);
}

QGroupBox* ParametersPanel::updateOrder(SettingsDoor& door, QWidget* parent) {
    auto* box = new QGroupBox("Update Order", parent);
    box->setObjectName("fraUpdateOrder");
    auto* row = new QHBoxLayout(box);
    for (auto [name, caption, value] :
         {std::tuple{"optSequential", "Se&quential", "Sequential"},
          std::tuple{"optSimultaneous", "Si&multaneous", "Simultaneous"}}) {
        auto* option = new QRadioButton(caption, box);
        option->setObjectName(name);
        bindOption(option, door, "UpdateOrder", value);
        row->addWidget(option);
    }
    return box;
}

QGroupBox* ParametersPanel::crowdOptions(SettingsDoor& door, QWidget* parent) {
    // How a pedestrian keeps its distance to the one ahead, which way it faces at rest, and how it
    // steers around those just ahead.
    auto* box = new QGroupBox("Walking in a Crowd", parent);
    box->setObjectName("fraCrowdOptions");
    auto* grid = new QGridLayout(box);
    auto number = [&](const char* name, const char* caption, const char* labelName,
                      std::string Settings::*setting, const char* unit, int row, int column) {
        auto* text = textBox(name, door, setting, box);
        text->setMaximumWidth(60);
        auto* label_ = label(caption, box, labelName);
        label_->setBuddy(text);
        grid->addWidget(label_, row, column);
        grid->addWidget(text, row, column + 1);
        if (*unit) grid->addWidget(label(unit, box), row, column + 2);
    };
    grid->addWidget(checkBox("chkSpeedFromSpacing", "Speed from S&pacing", door,
                             &Settings::SpeedFromSpacing, box),
                    0, 0);
    number("txtTimeGap", "Time &Gap:", "lblTimeGap", &Settings::TimeGap, "sec", 0, 1);
    grid->addWidget(checkBox("chkFaceTargetAtRest", "&Face Target at Rest", door,
                             &Settings::FaceTargetAtRest, box),
                    0, 4, 1, 3);
    grid->addWidget(checkBox("chkSteerAway", "S&teer Away", door, &Settings::SteerAway, box), 1, 0);
    number("txtSteerStrength", "Strengt&h:", "lblSteerStrength", &Settings::SteerStrength, "", 1,
           1);
    number("txtSteerRange", "Ra&nge:", "lblSteerRange", &Settings::SteerRange, "meter", 1, 4);
    grid->setColumnStretch(7, 1);
    return box;
}

QHBoxLayout* ParametersPanel::threadCount(QWidget* parent) {
    // How many threads a simultaneous step shares its pedestrians out over. It changes how fast a
    // run goes, never what it writes, so it is the window's and no setting: no scenario or run
    // record holds it.
    threads_ = new QSpinBox(parent);
    threads_->setObjectName("spnThreads");
    threads_->setRange(0, kMostThreads);
    threads_->setSpecialValueText("All cores");
    threads_->setToolTip("Threads a step with Simultaneous update order is shared out over");
    connect(threads_, &QSpinBox::valueChanged, this, [this](int n) {
        if (onThreads) onThreads(n);
    });
    auto* caption = label("Thr&eads:", parent, "lblThreads");
    caption->setBuddy(threads_);
    auto* row = new QHBoxLayout;
    row->addWidget(caption);
    row->addWidget(threads_);
    return row;
}

void ParametersPanel::setThreads(int threads) {
    threads_->setValue(threads);
}

}  // namespace strida::ui
