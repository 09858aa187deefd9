#include "validate/plots.h"

#include <QChart>
#include <QChartView>
#include <QLineSeries>
#include <QPixmap>
#include <QScatterSeries>
#include <QValueAxis>
#include <filesystem>

namespace strida::validate {
namespace {

struct Axes {
    QString x, y;
    double xMin, xMax, yMin, yMax;
    int xTicks, yTicks;
};

// What each case's plot shows: its axes, and which series are drawn as points.
struct PlotStyle {
    const char* id;
    const char* file;
    const char* title;
    Axes axes;
    const char* pointsSeries;  // the series drawn as points; the rest as lines
};

const PlotStyle kStyles[] = {
    {"fundamental-diagram",
     "fundamental-diagram.png",
     "Speed along the corridor against density",
     {"density (persons/m\u00b2)", "speed (m/s)", 0, 6, 0, 2, 7, 5},
     "model"},
    {"counter-flow",
     "lane-order.png",
     "Lane order after the groups meet",
     {"time since contact (s)", "lane order \u03c6", 0, 60, 0, 1, 7, 6},
     ""},
    {"speed-categories",
     "speed-categories.png",
     "Walked speeds, sorted",
     {"share of pedestrians", "speed (m/s)", 0, 1, 0, 3, 6, 7},
     ""},
};

bool drawPlot(const PlotStyle& style, const CaseResult& c, const std::filesystem::path& file) {
    auto* chart = new QChart;
    chart->setTitle(style.title);
    auto* x = new QValueAxis;
    auto* y = new QValueAxis;
    x->setTitleText(style.axes.x);
    y->setTitleText(style.axes.y);
    x->setRange(style.axes.xMin, style.axes.xMax);
    y->setRange(style.axes.yMin, style.axes.yMax);
    x->setTickCount(style.axes.xTicks);
    y->setTickCount(style.axes.yTicks);
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    for (const Series& s : c.series) {
        QXYSeries* series = nullptr;
        if (s.name == style.pointsSeries) {
            auto* points = new QScatterSeries;
            points->setMarkerSize(10);
            series = points;
        } else {
            series = new QLineSeries;
        }
        series->setName(QString::fromStdString(s.name));
        for (const auto& [px, py] : s.points) series->append(px, py);
        chart->addSeries(series);
        series->attachAxis(x);
        series->attachAxis(y);
    }
    QChartView view(chart);
    view.setRenderHint(QPainter::Antialiasing);
    view.resize(900, 560);
    return view.grab().save(QString::fromStdString(file.string()), "PNG");
}

}  // namespace

std::vector<std::pair<std::string, std::string>> writePlots(const std::string& folder,
                                                            const std::vector<CaseResult>& cases,
                                                            std::string& error) {
    std::vector<std::pair<std::string, std::string>> written;
    for (const CaseResult& c : cases)
        for (const PlotStyle& style : kStyles)
            if (c.id == style.id && !c.series.empty()) {
                if (drawPlot(style, c, std::filesystem::path(folder) / style.file))
                    written.emplace_back(c.id, style.file);
                else
                    error = std::string("could not write ") + style.file;
            }
    return written;
}

}  // namespace strida::validate
