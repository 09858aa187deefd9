#include "ui/charts/chart_page.h"

#include <QChart>
#include <QLegend>
#include <QLineSeries>
#include <QScatterSeries>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

namespace strida::ui {

namespace {

// The delays in seconds, in the window's own data files: named apart from the chart-data file's
// InstantDelay and AvgDelay, which are in seconds times the time slice.
using Value = std::optional<double>;
constexpr SeriesColumn kDelaysInSeconds[] = {
    {"InstantDelay_s", "s", [](const StepFigures& s) -> Value { return s.delay; }},
    {"AvgDelay_s", "s", [](const StepFigures& s) -> Value { return s.AvgDelay; }},
};

// The smallest of 1, 2, 2.5 and 5 times a power of ten that is at least `v` (> 0).
double niceAbove(double v) {
    const double power = std::pow(10.0, std::floor(std::log10(v)));
    for (double m : {1.0, 2.0, 2.5, 5.0})
        if (m * power >= v * (1 - 1e-12)) return m * power;
    return 10 * power;
}

// Sets an axis to run from 0 (or below, for negative values) to a round number at or above the
// largest value, with round ticks; unchanged ranges are left alone, so the chart keeps its layout.
void fit(QValueAxis* axis, double low, double high) {
    const double hi = high > 0 ? niceAbove(high) : 1;
    const double lo = low < 0 ? -niceAbove(-low) : 0;
    if (axis->min() == lo && axis->max() == hi) return;
    // Every change lays the ticks out anew: the wider spacing goes first, so that no step of the
    // way asks for a multitude of ticks (0 to 10,000 in steps of 0.2).
    const double step = niceAbove((hi - lo) / 6);
    axis->setTickInterval(std::max(step, axis->tickInterval()));
    axis->setRange(lo, hi);
    axis->setTickInterval(step);
}

QValueAxis* makeAxis(const QString& title, QChart* chart, Qt::Alignment side) {
    auto* axis = new QValueAxis;
    axis->setTitleText(title);
    axis->setTickType(QValueAxis::TicksDynamic);
    axis->setTickAnchor(0);
    axis->setLabelFormat("%g");
    axis->setMinorTickCount(0);
    chart->addAxis(axis, side);
    fit(axis, 0, 0);
    return axis;
}

// A trace's series: points, or a line; of a page's lines the first is the figure itself, solid,
// and the others (the run's mean) are dashed. Of a page's points the first trace's are circles and
// the second's smaller triangles, drawn over them: half see-through, so that where the two walking
// directions have the same figures (a symmetric head-on run) a triangle shows inside a circle.
QXYSeries* makeSeries(const TraceLayout& t, bool scatter, bool first) {
    QXYSeries* series;
    if (scatter) {
        auto* points = new QScatterSeries;
        points->setMarkerShape(first ? QScatterSeries::MarkerShapeCircle
                                     : QScatterSeries::MarkerShapeTriangle);
        points->setMarkerSize(first ? 9 : 8);
        QColor fill = t.colour;
        fill.setAlpha(first ? 110 : 150);
        points->setColor(fill);
        points->setBorderColor(t.colour.darker(140));
        series = points;
    } else {
        auto* line = new QLineSeries;
        QPen pen(t.colour);
        pen.setWidthF(first ? 1.5 : 2);
        if (!first) pen.setStyle(Qt::DashLine);
        line->setPen(pen);
        series = line;
    }
    series->setName(t.legend);
    series->setObjectName(t.name);
    return series;
}

}  // namespace

StepFigures ChartFigures::next(const StepFigures& step) {
    StepFigures shown = step;
    // The time slice, from the step's number and time (a run's first step is step 1).
    const double dt = step.step > 0 ? step.time / step.step : 0;
    if (dt > 0) shown.delay = step.delay / dt;
    if (step.TotalPed > 0) {
        sampled_ += 1;
        const double figures[6] = {shown.speed,     shown.delay,
                                   shown.uncomfort, static_cast<double>(shown.TotalPed),
                                   shown.NHI,       shown.NUVI};
        // As the panel's running means are taken, so that the two agree until the trap empties.
        for (int k = 0; k < 6; ++k)
            means_[k] = (sampled_ - 1) * means_[k] / sampled_ + figures[k] / sampled_;
    }
    shown.MeanAvgSpeed = means_[0], shown.AvgDelay = means_[1], shown.MeanUncomfort = means_[2];
    shown.AvgTotalPed = means_[3], shown.AvgNHI = means_[4], shown.AvgNUVI = means_[5];
    return shown;
}

const SeriesColumn* chartColumn(std::string_view name) {
    for (const SeriesColumn& c : kDelaysInSeconds)
        if (name == c.name) return &c;
    return findSeriesColumn(name);
}

ChartPage::ChartPage(PageLayout layout, QWidget* parent)
    // Given its chart from the start: a chart view made without one makes one of its own, which
    // setChart() would leave behind.
    : QChartView(new QChart, parent), layout_(std::move(layout)), chart_(chart()) {
    setObjectName(layout_.name);
    chart_->setTitle(layout_.title);
    QFont titleFont = chart_->titleFont();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.15);
    chart_->setTitleFont(titleFont);
    chart_->legend()->setAlignment(Qt::AlignBottom);
    // The legend shows each trace's own marker: circles and triangles tell the directions apart.
    if (layout_.scatter) chart_->legend()->setMarkerShape(QLegend::MarkerShapeFromSeries);
    chart_->setBackgroundRoundness(0);
    chart_->setMargins(QMargins(6, 4, 10, 4));
    xAxis_ = makeAxis(layout_.xTitle, chart_, Qt::AlignBottom);
    yAxis_ = makeAxis(layout_.yTitle, chart_, Qt::AlignLeft);
    whole_ = makeTraces(layout_.traces, wholeTraces_);
    split_ = makeTraces(layout_.twoWay, splitTraces_);
    attach(whole_);
    setRenderHint(QPainter::Antialiasing);
    setMinimumSize(320, 220);
}

ChartPage::~ChartPage() {
    // The chart deletes the traces it shows; the others are deleted here.
    for (QXYSeries* s : twoWay_ ? whole_ : split_) delete s;
}

std::vector<QXYSeries*> ChartPage::makeTraces(const std::vector<TraceLayout>& layouts,
                                              std::vector<Trace>& into) {
    std::vector<QXYSeries*> made;
    for (std::size_t i = 0; i < layouts.size(); ++i) {
        const TraceLayout& t = layouts[i];
        QXYSeries* series = makeSeries(t, layout_.scatter, i == 0);
        into.push_back({series, chartColumn(t.x), chartColumn(t.y), t.shows});
        made.push_back(series);
    }
    return made;
}

void ChartPage::attach(const std::vector<QXYSeries*>& series) {
    for (QXYSeries* s : series) {
        chart_->addSeries(s);
        s->attachAxis(xAxis_);
        s->attachAxis(yAxis_);
    }
}

void ChartPage::detach(const std::vector<QXYSeries*>& series) {
    for (QXYSeries* s : series) chart_->removeSeries(s);
}

void ChartPage::setTwoWay(bool twoWay) {
    if (layout_.twoWay.empty() || twoWay == twoWay_) return;
    detach(shown());
    twoWay_ = twoWay;
    attach(shown());
    reset();
}

void ChartPage::reset() {
    for (QXYSeries* s : whole_) s->clear();
    for (QXYSeries* s : split_) s->clear();
    drawn_ = 0;
    figures_ = {};
    minX_ = maxX_ = minY_ = maxY_ = 0;
    fitAxes();
}

bool ChartPage::catchUp(std::span<const StepFigures> steps) {
    if (steps.size() < drawn_) reset();
    if (steps.size() == drawn_) return false;
    std::vector<StepFigures> fresh;
    fresh.reserve(steps.size() - drawn_);
    for (const StepFigures& s : steps.subspan(drawn_)) fresh.push_back(figures_.next(s));
    for (const Trace& t : twoWay_ ? splitTraces_ : wholeTraces_) {
        QList<QPointF> points;
        points.reserve(static_cast<qsizetype>(fresh.size()));
        for (const StepFigures& s : fresh) {
            if (t.shows && !t.shows(s)) continue;
            const std::optional<double> x = t.x->value(s), y = t.y->value(s);
            if (!x || !y || !std::isfinite(*x) || !std::isfinite(*y)) continue;
            points.append(QPointF(*x, *y));
            minX_ = std::min(minX_, *x), maxX_ = std::max(maxX_, *x);
            minY_ = std::min(minY_, *y), maxY_ = std::max(maxY_, *y);
        }
        if (!points.isEmpty()) t.series->append(points);
    }
    drawn_ = steps.size();
    fitAxes();
    return true;
}

void ChartPage::fitAxes() {
    fit(xAxis_, minX_, maxX_);
    fit(yAxis_, minY_, maxY_);
}

std::vector<const SeriesColumn*> ChartPage::csvColumns() const {
    std::vector<const SeriesColumn*> columns;
    for (const char* name : layout_.csvColumns) columns.push_back(chartColumn(name));
    return columns;
}

}  // namespace strida::ui
