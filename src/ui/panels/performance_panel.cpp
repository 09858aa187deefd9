#include "ui/panels/performance_panel.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QVBoxLayout>

#include "ui/panels/bindings.h"

namespace strida::ui {

namespace {
struct Row {
    const char* box;
    const char* caption;
    const char* unit;
};
constexpr Row kInstant[] = {{"txtTotalPed", "Total Pedestrians", "person"},
                            {"txtAvgSpeed", "Instantaneous Speed", "m/sec."},
                            {"txtInstantDelay", "Instantaneous Delay", "sec."},
                            {"txtUncomfort", "Uncomfortability", "%"},
                            {"txtNHI", "Homogenity ", ""},
                            {"txtNUVI", "Uniformity Velocity", ""}};
constexpr Row kSystem[] = {{"txtAvgTotalPed", "No of Pedestrians", "person"},
                           {"txtMeanAvgSpeed", "Average Speed (TMS)", "m/sec."},
                           {"txtAvgDelay", "Average Delay", "sec."},
                           {"txtMeanUncomfort", "Uncomfortability", "%"},
                           {"txtDissipationTime", "Dissipation time", "sec."},
                           {"txtAvgNHI", "Homogenity (NHI)", ""},
                           {"txtAvgNUVI", "Uniformity Velocity (NUVI)", ""}};

QGroupBox* group(const QString& title, const Row* rows, std::size_t count, QWidget* parent) {
    auto* g = new QGroupBox(title, parent);
    auto* grid = new QGridLayout(g);
    int r = 0;
    for (std::size_t i = 0; i < count; ++i, ++r) {
        if (std::string_view(rows[i].box) == "txtNHI")
            grid->addWidget(label("Neighborhood index:", g), r++, 0);
        grid->addWidget(label(rows[i].caption, g), r, 0);
        auto* box = new QLineEdit(std::string_view(rows[i].box) == "txtTotalPed" ? "0" : "0.00", g);
        box->setObjectName(rows[i].box);
        box->setReadOnly(true);
        box->setAlignment(Qt::AlignRight);
        box->setFixedWidth(80);
        grid->addWidget(box, r, 1);
        grid->addWidget(label(rows[i].unit, g), r, 2);
    }
    return g;
}
}  // namespace

PerformancePanel::PerformancePanel(QWidget* parent) : QWidget(parent) {
    setObjectName("frmPerformance");
    QFrame* frame = panelFrame(this);
    auto* column = new QVBoxLayout(frame);
    column->addWidget(group("Average Instantaneous", kInstant, std::size(kInstant), frame));
    column->addWidget(group("System Performances", kSystem, std::size(kSystem), frame));
    column->addWidget(button("cmdClose", "&Close", frame, [this] { hidePanel(this); }), 0,
                      Qt::AlignRight);
}

QLineEdit* PerformancePanel::box(const char* name) const {
    return findChild<QLineEdit*>(name);
}

QString PerformancePanel::text(const char* name) const {
    return box(name)->text();
}

void PerformancePanel::show(const PerformanceTexts& t) {
    for (const PerformanceField& field : kPerformanceFields)
        setTextIfChanged(box(field.box), t.*field.text);
}

}  // namespace strida::ui
