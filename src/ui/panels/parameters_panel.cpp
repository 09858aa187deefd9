#include "ui/panels/parameters_panel.h"

#include <QFrame>
#include <QGridLayout>
#include <algorithm>
#include <cmath>

#include "core/numbers.h"
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
        std::string* setting;
        const char* bar;
        int minimum, maximum, position;
        double factor;
        int decimals;
        const char* note;
    };
    const Row rows[] = {
        {"Pedestrian Diameter:", "txtPedDiameter", &s.PedDiameter, "HScrollPedDiameter", 40, 110,
         60, 100, 2, "meter"},
        {"Influence Diameter:", "txtInfluenceDiameter", &s.InfluenceDiameter, "ScrlInfluenceRadius",
         100, 500, 167, 100, 2, "meter"},
        {"Sight Distance", "txtSightDist", &s.SightDist, "ScrlSightDistance", 100, 5000, 400, 100,
         2, "meter"},
        {"Max Acceleration", "txtMaxAccl", &s.MaxAccl, "ScrlMaxAccl", 1, 9999, 1950, 1000, 3,
         "m/sec^2"},
        {"Mass", "txtMass", &s.Mass, "ScrlMass", 1, 10000, 750, 1000, 3, ""},
        {"Alpha", "txtAlpha", &s.Alpha, "ScrlAlpha", 1, 10000, 205, 1000, 3, "Move Forward"},
        {"Beta", "txtBeta", &s.Beta, "ScrlBeta", 1, 10000, 1, 1000, 3, "Avoid Collision"},
        {"Chi", "txtChi", &s.Chi, "ScrlChi", 1, 10000, 250, 1000, 3, "Repulse Away"},
    };
    int r = 0;
    QLineEdit* influence = nullptr;
    QScrollBar* influenceBar = nullptr;
    QLineEdit* diameter = nullptr;
    for (const Row& row : rows) {
        if (row.setting == &s.Mass) grid->setRowMinimumHeight(r++, 10);  // the gap before Mass
        auto* box = textBox(row.box, *row.setting, frame);
        auto* bar = scrollBar(row.bar, row.minimum, row.maximum, row.position, 1, 10, frame);
        writesInto(bar, box, row.factor, row.decimals);
        grid->addWidget(label(row.caption, frame), r, 0);
        grid->addWidget(box, r, 1);
        grid->addWidget(bar, r, 2);
        grid->addWidget(label(row.note, frame), r, 3);
        ++r;
        if (row.setting == &s.PedDiameter) diameter = box;
        if (row.setting == &s.InfluenceDiameter) influence = box, influenceBar = bar;
    }
    // The influence area follows the body: its diameter becomes the body's plus 0.1 m, and its
    // scroll bar cannot go below the body's diameter (in hundredths of a metre).
    connect(diameter, &QLineEdit::textChanged, this, [&s, influence, influenceBar] {
        pedDiameterChanged(s);
        setTextIfChanged(influence, s.InfluenceDiameter);
        const double d = std::round(num::lenient(s.PedDiameter) * 100);
        const int minimum = static_cast<int>(std::clamp(d, 0.0, 500.0));
        const QSignalBlocker quiet(influenceBar);  // the bar keeps its place; the text stays
        influenceBar->setMinimum(minimum);
    });
    grid->addWidget(button("cmdClose", "&Close", frame, [this] { hidePanel(this); }), r, 2, 1, 2,
                    Qt::AlignRight);
}

}  // namespace strida::ui
