// The charts window: its series against the performance panel and the report files, drawing in
// batches on its timer, and saving charts and their data.
#include <QDir>
#include <QSvgRenderer>
#include <QTabWidget>
#include <QXYSeries>
#include <QXmlStreamReader>
#include <cmath>
#include <fstream>
#include <map>
#include <sstream>

#include "core/numbers.h"
#include "ui/charts/chart_page.h"
#include "ui/charts/charts_window.h"
#include "ui/panels/performance_panel.h"
#include "ui_fixture.h"

namespace strida::ui::test {
namespace {

enum Tab { Pedestrians, Speed, Delay, Uncomfortability, NHI, NUVI, SpeedDensity, FlowDensity };

class ChartsTest : public UiTest {
  protected:
    ChartsWindow* charts() { return window.chartsWindow(); }
    // The points of a trace of the chart on a tab, which is brought on show (and so catches up).
    QList<QPointF> points(int tab, const char* trace) {
        charts()->tabs()->setCurrentIndex(tab);
        for (QXYSeries* s : charts()->page(tab)->shown())
            if (s->objectName() == trace) return s->points();
        ADD_FAILURE() << "tab " << tab << " shows no trace " << trace;
        return {};
    }
    double trapArea() {
        return std::stod(window.settings().TrapLength) * std::stod(window.settings().TrapWidth);
    }
    std::vector<std::string> lines(const QString& file) {
        return strida::test::split(strida::test::readFile(file.toStdString()), '\n');
    }
};

// Each time chart: the panel boxes of its figure and of the run's mean, and their decimals.
struct TimeChart {
    Tab tab;
    const char* figure;
    int figureDecimals;
    const char* mean;
    int meanDecimals;
};
constexpr TimeChart kTimeCharts[] = {
    {Pedestrians, "txtTotalPed", 0, "txtAvgTotalPed", 2},
    {Speed, "txtAvgSpeed", 3, "txtMeanAvgSpeed", 3},
    {Delay, "txtInstantDelay", 2, "txtAvgDelay", 2},
    {Uncomfortability, "txtUncomfort", 2, "txtMeanUncomfort", 2},
    {NHI, "txtNHI", 3, "txtAvgNHI", 3},
    {NUVI, "txtNUVI", 3, "txtAvgNUVI", 3},
};

TEST_F(ChartsTest, ASeededRunFillsEveryChartWithThePanelsFiguresDrawnByTheTimer) {
    ASSERT_TRUE(window.changeSetting("NumWays", "0"));
    ASSERT_TRUE(window.changeSetting("TotalNumberOfPedestrians", "12"));
    in<QLineEdit>("frmRandomSeed", "txtSeed")->setText("2024");
    in<QPushButton>("frmRandomSeed", "cmdOK")->click();
    action("mnuCharts")->trigger();
    ASSERT_TRUE(charts()->isVisible());
    EXPECT_TRUE(charts()->timer()->isActive());
    action("mnuStartSimulation")->trigger();
    // The test takes the steps, and no event gets through while it does.
    window.timer()->stop();
    window.host().eventInterval = 1 << 30;
    const int before = charts()->redraws();
    // What the panel shows after each step, box by box.
    std::map<std::string, std::vector<std::string>> shown;
    while (window.engine().runExists() && shown["txtTotalPed"].size() < 3000) {
        window.engine().SimulationTick();
        for (const TimeChart& c : kTimeCharts)
            for (const char* box : {c.figure, c.mean})
                shown[box].push_back(window.performancePanel()->text(box).toStdString());
    }
    ASSERT_FALSE(window.engine().runExists()) << "the run finishes when the trap has emptied";
    const std::vector<StepFigures>& steps = window.stepSeries();
    const std::size_t n = shown["txtTotalPed"].size();
    ASSERT_EQ(steps.size(), n);
    // The charts are drawn in one go by their timer, not step by step.
    EXPECT_LE(charts()->redraws() - before, 1);
    EXPECT_EQ(charts()->currentPage()->drawn(), 0u);
    QTest::qWait(3 * ChartsWindow::kInterval);
    EXPECT_EQ(charts()->currentPage()->drawn(), n);
    EXPECT_LE(charts()->redraws() - before, 2);

    for (const TimeChart& c : kTimeCharts) {
        const QList<QPointF> figure = points(c.tab, "perStep"), mean = points(c.tab, "runMean");
        ASSERT_EQ(figure.size(), qsizetype(n)) << c.figure;
        ASSERT_EQ(mean.size(), qsizetype(n)) << c.mean;
        for (std::size_t k = 0; k < n; ++k) {
            EXPECT_EQ(figure[k].x(), steps[k].time);
            EXPECT_EQ(num::fixed(figure[k].y(), c.figureDecimals), shown[c.figure][k])
                << c.figure << " after step " << k + 1;
            EXPECT_EQ(num::fixed(mean[k].y(), c.meanDecimals), shown[c.mean][k])
                << c.mean << " after step " << k + 1;
        }
    }
    // Everyone walks one way: one colour for the whole trap, a point per step it was occupied.
    EXPECT_FALSE(charts()->twoWay());
    const QList<QPointF> diagram = points(SpeedDensity, "wholeTrap");
    ASSERT_EQ(charts()->page(SpeedDensity)->shown().size(), 1u);
    std::size_t k = 0;
    for (std::size_t step = 0; step < n; ++step) {
        if (shown["txtTotalPed"][step] == "0") continue;
        ASSERT_LT(k, std::size_t(diagram.size()));
        EXPECT_EQ(num::fixed(diagram[k].x() * trapArea(), 0), shown["txtTotalPed"][step]);
        EXPECT_EQ(num::fixed(diagram[k].y(), 3), shown["txtAvgSpeed"][step]);
        ++k;
    }
    EXPECT_EQ(k, std::size_t(diagram.size()));
    EXPECT_GT(k, 20u);

    // Closed, the window stops its timer; a new run empties every chart.
    window.panelWindow("frmCharts")->close();
    EXPECT_FALSE(charts()->timer()->isActive());
    action("mnuStartSimulation")->trigger();
    for (int tab = 0; tab < charts()->tabs()->count(); ++tab)
        for (QXYSeries* series : charts()->page(tab)->shown()) EXPECT_EQ(series->count(), 0) << tab;
}

TEST_F(ChartsTest, TheDiagramsOfEachWayMatchInstantTxt) {
    // Ten pedestrians in the trap from the start, in two lanes 3 m apart walking opposite ways at
    // a steady pace, 1.8 m apart within a lane, towards targets far beyond the trap: nobody leaves
    // it but by its ends, and the run lasts after the trap has emptied. (Whoever enters the trap
    // again, or for the first time, counts in it at once but has rows in "Instant.txt" only from
    // a later step.)
    ASSERT_TRUE(window.changeSetting("ManualGenerator", "1"));
    ASSERT_TRUE(window.changeSetting("RandomInput", "1"));  // no end when the trap empties
    for (int i = 0; i < 10; ++i) {
        const bool east = i % 2 == 0;
        PedDef def;
        def.Px = 1.0f + 1.8f * static_cast<float>(i / 2);
        def.Py = def.Ey = east ? 1.5f : 4.5f;
        def.Ex = east ? 900.0f : -900.0f;
        def.MaxSpeed = east ? 1.3 : 1.1;
        def.Vx = east ? 1.3 : -1.1;
        def.color = east ? 1 : 2;
        def.maxAcceleration = 1.44;
        ASSERT_FALSE(window.engine().CreatePedestrian(def, MaxAcceleration::Definition));
    }
    action("mnuCharts")->trigger();
    action("mnuStartSimulation")->trigger();
    window.timer()->stop();
    for (int i = 0; i < 1000; ++i) window.engine().SimulationTick();

    // The pedestrians of each direction in the trap, step by step, as "Instant.txt" has them:
    // rows per step and the sum of their speeds (IDs 1, 3, 5 ... walk east).
    std::map<std::pair<long, int>, std::pair<int, double>> instant;
    const std::vector<std::string> rows =
        lines(QString::fromStdString((folder.path() / "Instant.txt").string()));
    ASSERT_GT(rows.size(), 3u);
    for (std::size_t r = 3; r < rows.size(); ++r) {
        std::vector<double> field;
        std::stringstream line(rows[r]);
        for (std::string f; std::getline(line, f, ',');) field.push_back(std::stod(f));
        ASSERT_GE(field.size(), 7u) << rows[r];
        const int way = static_cast<int>(field[0]) % 2 == 1 ? WestToEast : EastToWest;
        auto& [count, speeds] = instant[{std::lround(field[1] * 15), way}];
        ++count, speeds += field[6];
    }
    ASSERT_TRUE(charts()->twoWay());
    const std::pair<const char*, int> traces[] = {{"westToEast", WestToEast},
                                                  {"eastToWest", EastToWest}};
    for (auto [trace, way] : traces) {
        const QList<QPointF> speed = points(SpeedDensity, trace), flow = points(FlowDensity, trace);
        ASSERT_EQ(speed.size(), flow.size());
        qsizetype k = 0, compared = 0;
        for (const StepFigures& step : window.stepSeries()) {
            if (step.count[way] == 0) continue;
            ASSERT_LT(k, speed.size());
            EXPECT_NEAR(flow[k].x(), speed[k].x(), 1e-12);
            EXPECT_NEAR(flow[k].y(), speed[k].x() * speed[k].y(), 1e-12);
            // A pedestrian's first step inside the trap only marks its entry: no row for it.
            if (step.step > 1) {
                const auto [count, speeds] = instant[{step.step, way}];
                ASSERT_GT(count, 0) << trace << " step " << step.step;
                EXPECT_NEAR(speed[k].x(), count / trapArea(), 1e-9) << trace << step.step;
                EXPECT_NEAR(speed[k].y(), speeds / count, 1e-9) << trace << step.step;
                ++compared;
            }
            ++k;
        }
        EXPECT_EQ(k, speed.size()) << trace;
        EXPECT_GT(compared, 50) << trace;
    }
}

TEST_F(ChartsTest, SavedChartsAndDataAreCompleteFilesAndAFailedSaveSaysWhy) {
    action("mnuCharts")->trigger();
    charts()->tabs()->setCurrentIndex(Speed);
    action("mnuStartSimulation")->trigger();
    window.timer()->stop();
    for (int i = 0; i < 40; ++i) window.engine().SimulationTick();
    const QString dir = QString::fromStdString(folder.path().string());
    const QSize size = charts()->currentPage()->size();

    ASSERT_TRUE(charts()->savePng(dir + "/speed.png"));
    const QImage png(dir + "/speed.png");
    ASSERT_FALSE(png.isNull());
    EXPECT_EQ(png.size(), size);
    ASSERT_TRUE(charts()->saveSvg(dir + "/speed.svg"));
    EXPECT_TRUE(QSvgRenderer(dir + "/speed.svg").isValid());
    QFile svgFile(dir + "/speed.svg");
    ASSERT_TRUE(svgFile.open(QIODevice::ReadOnly));
    QXmlStreamReader svg(&svgFile);
    bool titled = false;
    while (!svg.atEnd()) {
        svg.readNext();
        titled = titled || svg.text().contains(QString("Average speed in the trap"));
    }
    EXPECT_FALSE(svg.hasError()) << svg.errorString().toStdString();
    EXPECT_TRUE(titled) << "the chart is drawn in the SVG";

    ASSERT_TRUE(charts()->saveCsv(dir + "/speed.csv"));
    std::vector<std::string> csv = lines(dir + "/speed.csv");
    ASSERT_EQ(csv.size(), 41u);
    EXPECT_EQ(csv[0], "time,AvgSpeed,MeanAvgSpeed");
    charts()->tabs()->setCurrentIndex(FlowDensity);
    ASSERT_TRUE(charts()->saveCsv(dir + "/flow.csv"));
    csv = lines(dir + "/flow.csv");
    ASSERT_EQ(csv.size(), 41u);
    EXPECT_EQ(csv[0],
              "time,density,AvgSpeed,flow,density_WE,speed_WE,flow_WE,density_EW,speed_EW,flow_EW");
    EXPECT_TRUE(messages.empty());

    // Into a folder that does not exist, or over a folder: refused, said, and nothing left.
    const QStringList before = QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    QDir(dir).mkdir("taken.png");
    QDir(dir).mkdir("taken.csv");
    for (const QString name : {"missing/chart", "taken"}) {
        messages.clear();
        EXPECT_FALSE(charts()->savePng(dir + "/" + name + ".png"));
        EXPECT_FALSE(charts()->saveSvg(dir + "/missing/chart.svg"));
        EXPECT_FALSE(charts()->saveCsv(dir + "/" + name + ".csv"));
        ASSERT_EQ(messages.size(), 3u) << name.toStdString();
        EXPECT_NE(messages[0].find((dir + "/" + name + ".png").toStdString()), std::string::npos)
            << messages[0];
        EXPECT_NE(messages[2].find("could not be saved"), std::string::npos) << messages[2];
    }
    QStringList after = QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    after.removeOne("taken.png");
    after.removeOne("taken.csv");
    EXPECT_EQ(after, before);
    EXPECT_TRUE(QDir(dir + "/taken.png").isEmpty());
}

}  // namespace
}  // namespace strida::ui::test
