#include "ui/panels/parameters_panel.h"

#include <QFrame>
#include <QGridLayout>

#include "engine/settings_rules.h"
#include "ui/panels/bindings.h"

namespace strida::ui {

ParametersPanel::ParametersPanel(Settings& s, QWidget* parent) : QWidget(parent) {
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
    QLineEdit* influence = nullptr;
    QScrollBar* influenceBar = nullptr;
    QLineEdit* diameter = nullptr;
    for (const Row& row : rows) {
        if (row.setting == &Settings::Mass) grid->setRowMinimumHeight(r++, 10);  // the gap
        auto* box = textBox(row.box, s.*row.setting, frame);
        auto* bar = scrollBar(row.bar, row.minimum, row.maximum, row.position, 1, 10, frame);
        writesInto(bar, box, row.setting);
        grid->addWidget(label(row.caption, frame), r, 0);
        grid->addWidget(box, r, 1);
        grid->addWidget(bar, r, 2);
        grid->addWidget(label(row.note, frame), r, 3);
        ++r;
        if (row.setting == &Settings::PedDiameter) diameter = box;
        if (row.setting == &Settings::InfluenceDiameter) influence = box, influenceBar = bar;
    }
    // The influence area follows the body: its diameter and the lowest place of its scroll bar.
    connect(diameter, &QLineEdit::textChanged, this, [&s, influence, influenceBar] {
        pedDiameterChanged(s);
        setTextIfChanged(influence, s.InfluenceDiameter);
        const QSignalBlocker quiet(influenceBar);  // the bar keeps its place; the text stays
        influenceBar->setMinimum(influenceBarMinimum(s));
    });
    grid->addWidget(button("cmdClose", "&Close", frame, [this] { hidePanel(this); }), r, 2, 1, 2,
                    Qt::AlignRight);
}

}  // namespace strida::ui
