#include "ui/charts/charts_window.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <QSvgGenerator>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <filesystem>
#include <string>

#include "ui/canvas_picture.h"
#include "ui/charts/chart_page.h"
#include "ui/panels/bindings.h"

namespace strida::ui {

namespace {

const QColor kFigure(0x1F, 0x5F, 0xB0);  // the step's figure
const QColor kMean(0xE0, 0x6C, 0x00);    // the run's mean
const QColor kWhole(0x50, 0x50, 0x50);   // all the trap, when everyone walks one way
// The canvas draws pedestrians walking east in reds and those walking west in blues.
const QColor kWestToEast(0xD0, 0x00, 0x00);
const QColor kEastToWest(0x00, 0x00, 0xD0);
const QString kTime = "Simulated time (s)";
const QString kDensity = "Density (persons/m²)";

// Two lines against time; the page's data file has time and both figures.
PageLayout twoLines(const char* name, const QString& tab, const QString& title, const QString& axis,
                    TraceLayout first, TraceLayout second) {
    std::vector<const char*> columns{"time", first.y, second.y};
    return {name, tab, title, kTime, axis, false, {first, second}, {}, std::move(columns)};
}

// A figure against time, with its run-wide mean.
PageLayout timePage(const char* name, const QString& tab, const QString& title, const QString& axis,
                    const char* figure, const char* mean) {
    return twoLines(name, tab, title, axis, {"perStep", "After each step", kFigure, "time", figure},
                    {"runMean", "Run mean so far", kMean, "time", mean});
}

bool occupied(const StepFigures& s) {
    return s.TotalPed > 0;
}
bool walkingEast(const StepFigures& s) {
    return s.count[WestToEast] > 0;
}
bool walkingWest(const StepFigures& s) {
    return s.count[EastToWest] > 0;
}

// The fundamental diagram with `y` against density: a point per step for the whole trap, or per
// direction (from that direction's pedestrians in the trap) once both directions walk.
PageLayout fundamentalPage(const char* name, const QString& tab, const QString& title,
                           const QString& axis, const char* y, const char* yWE, const char* yEW) {
    return {name,
            tab,
            title,
            kDensity,
            axis,
            true,
            {{"wholeTrap", "Pedestrians in the trap", kWhole, "density", y, occupied}},
            {{"westToEast", "Walking west → east", kWestToEast, "density_WE", yWE, walkingEast},
             {"eastToWest", "Walking east → west", kEastToWest, "density_EW", yEW, walkingWest}},
            {"time", "density", "AvgSpeed", "flow", "density_WE", "speed_WE", "flow_WE",
             "density_EW", "speed_EW", "flow_EW"}};
}

// Progress against time: the speed along the walking direction of the whole trap, or of each
// direction once both walk.
PageLayout progressPage() {
    return {
        "speed-along",
        "Progress",
        "Speed along the walking direction in the trap",
        kTime,
        "Speed along the way (m/s)",
        false,
        {{"wholeTrap", "Pedestrians in the trap", kWhole, "time", "speed_along", occupied}},
        {{"westToEast", "Walking west → east", kWestToEast, "time", "speed_along_WE", walkingEast},
         {"eastToWest", "Walking east → west", kEastToWest, "time", "speed_along_EW", walkingWest}},
        {"time", "speed_along", "speed_along_WE", "speed_along_EW", "AvgSpeed"}};
}

// A figure of each walking direction against time, counted at the trap's middle cross-section.
PageLayout crossingPage(const char* name, const QString& tab, const QString& title,
                        const QString& axis, const char* yWE, const char* yEW) {
    return twoLines(name, tab, title, axis,
                    {"westToEast", "Walking west → east", kWestToEast, "time", yWE},
                    {"eastToWest", "Walking east → west", kEastToWest, "time", yEW});
}

std::vector<PageLayout> pageLayouts() {
    return {
        timePage("pedestrians", "Pedestrians", "Pedestrians in the trap", "Pedestrians (persons)",
                 "TotalPed", "AvgTotalPed"),
        timePage("speed", "Speed", "Average speed in the trap", "Speed (m/s)", "AvgSpeed",
                 "MeanAvgSpeed"),
        timePage("delay", "Delay", "Average delay in the trap", "Delay (s)", "InstantDelay_s",
                 "AvgDelay_s"),
        timePage("uncomfortability", "Uncomfortability", "Average uncomfortability in the trap",
                 "Uncomfortability (%)", "Uncomfort", "MeanUncomfort"),
        timePage("NHI", "NHI", "Neighbourhood homogeneity index (NHI)", "NHI", "NHI", "AvgNHI"),
        timePage("NUVI", "NUVI", "Neighbourhood uniformity of velocity index (NUVI)", "NUVI",
                 "NUVI", "AvgNUVI"),
        fundamentalPage("speed-density", "Speed–density", "Fundamental diagram: speed and density",
                        "Average speed (m/s)", "AvgSpeed", "speed_WE", "speed_EW"),
        fundamentalPage("flow-density", "Flow–density", "Fundamental diagram: flow and density",
                        "Specific flow (1/(m·s))", "flow", "flow_WE", "flow_EW"),
        progressPage(),
        crossingPage("crossings", "Crossings", "Crossings of the trap's middle cross-section",
                     "Crossings so far (persons)", "crossed_WE", "crossed_EW"),
        crossingPage("counted-flow", "Counted flow",
                     "Flow counted at the trap's middle over the last second",
                     "Specific flow (1/(m·s))", "counted_flow_WE", "counted_flow_EW"),
    };
}

}  // namespace

ChartsWindow::ChartsWindow(const std::vector<StepFigures>& steps, QString folder, QWidget* parent)
    : QWidget(parent), steps_(steps), folder_(std::move(folder)) {
    setObjectName("frmCharts");
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(4, 4, 4, 4);
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName("tabCharts");
    tabs_->setDocumentMode(true);
    column->addWidget(tabs_, 1);
    addPages();
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(button("cmdSavePng", "Save as &PNG...", this,
                              [this] { askAndSave("PNG image", "png", &ChartsWindow::savePng); }));
    buttons->addWidget(button("cmdSaveSvg", "Save as &SVG...", this,
                              [this] { askAndSave("SVG image", "svg", &ChartsWindow::saveSvg); }));
    buttons->addWidget(button("cmdSaveCsv", "Save data as C&SV...", this,
                              [this] { askAndSave("chart data", "csv", &ChartsWindow::saveCsv); }));
    buttons->addStretch(1);
    buttons->addWidget(button("cmdClose", "&Close", this, [this] { hidePanel(this); }));
    column->addLayout(buttons);

    timer_ = new QTimer(this);
    timer_->setObjectName("tmrCharts");
    timer_->setInterval(kInterval);
    connect(timer_, &QTimer::timeout, this, [this] { drawPending(); });
    // A tab catches up as it comes on show.
    connect(tabs_, &QTabWidget::currentChanged, this, [this] {
        if (isVisible()) drawPending();
    });
}

void ChartsWindow::addPages() {
    for (PageLayout& layout : pageLayouts()) {
        const QString tab = layout.tab;
        tabs_->addTab(new ChartPage(std::move(layout)), tab);
    }
}

ChartPage* ChartsWindow::page(int index) const {
    return qobject_cast<ChartPage*>(tabs_->widget(index));
}

ChartPage* ChartsWindow::currentPage() const {
    return qobject_cast<ChartPage*>(tabs_->currentWidget());
}

void ChartsWindow::clear() {
    watched_ = 0;
    seen_[WestToEast] = seen_[EastToWest] = false;
    twoWay_ = false;
    for (int i = 0; i < tabs_->count(); ++i) {
        page(i)->setTwoWay(false);
        page(i)->reset();
    }
}

void ChartsWindow::watchDirections() {
    if (steps_.size() < watched_) clear();  // a new run that was not announced
    for (; watched_ < steps_.size(); ++watched_) {
        const StepFigures& s = steps_[watched_];
        seen_[WestToEast] = seen_[WestToEast] || s.count[WestToEast] > 0;
        seen_[EastToWest] = seen_[EastToWest] || s.count[EastToWest] > 0;
    }
    if (twoWay_ || !seen_[WestToEast] || !seen_[EastToWest]) return;
    twoWay_ = true;
    for (int i = 0; i < tabs_->count(); ++i) page(i)->setTwoWay(true);
}

void ChartsWindow::drawPending() {
    watchDirections();
    if (currentPage()->catchUp(steps_)) ++redraws_;
}

void ChartsWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    drawPending();
    timer_->start();
}

void ChartsWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    timer_->stop();
}

// ---- Saving ----

void ChartsWindow::askAndSave(const QString& what, const QString& extension,
                              bool (ChartsWindow::*save)(const QString&)) {
    const QString suggested = folder_ + "/" + currentPage()->objectName() + "." + extension;
    QString file = QFileDialog::getSaveFileName(this, "Save the chart's " + what, suggested,
                                                what + " (*." + extension + ")");
    if (file.isEmpty()) return;
    if (QFileInfo(file).suffix().isEmpty()) file += "." + extension;
    folder_ = QFileInfo(file).absolutePath();
    (this->*save)(file);
}

bool ChartsWindow::failed(const QString& what, const QString& file, const QString& reason) {
    if (showMessage)
        showMessage(QString("The %1 could not be saved to %2: %3.").arg(what, file, reason));
    return false;
}

bool ChartsWindow::savePng(const QString& file) {
    drawPending();
    ChartPage* page = currentPage();
    QImage image(page->size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        page->render(&painter);
        drawStamp(painter, image.size(), pictureStamp());
    }
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly)) return failed("chart", file, out.errorString());
    if (!image.save(&out, "PNG")) {
        const QString reason =
            out.error() != QFileDevice::NoError ? out.errorString() : "the image was not written";
        out.cancelWriting();
        return failed("chart", file, reason);
    }
    if (!out.commit()) return failed("chart", file, out.errorString());
    return true;
}

bool ChartsWindow::saveSvg(const QString& file) {
    drawPending();
    ChartPage* page = currentPage();
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly)) return failed("chart", file, out.errorString());
    QSvgGenerator svg;
    svg.setOutputDevice(&out);
    svg.setSize(page->size());
    svg.setViewBox(QRect(QPoint(0, 0), page->size()));
    svg.setTitle(page->layout().title);
    svg.setDescription("A chart of a Strida run");
    QPainter painter;
    if (!painter.begin(&svg)) {
        out.cancelWriting();
        return failed("chart", file, "the drawing could not start");
    }
    page->render(&painter);
    drawStamp(painter, page->size(), pictureStamp());
    painter.end();
    if (!out.commit()) return failed("chart", file, out.errorString());
    return true;
}

bool ChartsWindow::writeChartCsv(const std::filesystem::path& file,
                                 std::vector<const SeriesColumn*> columns, std::string& error) {
    std::unique_ptr<SeriesCsvWriter> writer =
        SeriesCsvWriter::create(file, std::move(columns), error);
    if (!writer) return false;
    // The figures as the chart shows them.
    ChartFigures figures;
    for (const StepFigures& s : steps_) writer->row(figures.next(s));
    return writer->finish(error);
}

bool ChartsWindow::saveCsv(const QString& file) {
    drawPending();
    // Written beside the file under another name first, and put in its place once complete.
    const std::filesystem::path target(QFile::encodeName(file).toStdString());
    std::filesystem::path part = target;
    part += ".part";
    std::string error;
    std::error_code ec;
    if (!writeChartCsv(part, currentPage()->csvColumns(), error)) {
        std::filesystem::remove(part, ec);
        // The error names the file written first; the user is told the reason alone.
        const std::size_t colon = error.rfind(": ");
        const std::string reason = colon == std::string::npos ? error : error.substr(colon + 2);
        return failed("chart data", file, QString::fromStdString(reason));
    }
    std::filesystem::rename(part, target, ec);
    if (ec) {
        std::error_code ignored;
        std::filesystem::remove(part, ignored);
        return failed("chart data", file, QString::fromStdString(ec.message()));
    }
    return true;
}

}  // namespace strida::ui
