// The charts window: its series against the performance panel and the report files, drawing in
// batches on its timer, and saving charts and their data.
#include <QDir>
#include <QSvgRenderer>
#include <QTabWidget>
#include <QXYSeries>
#include <cmath>
#include <map>

#include "core/numbers.h"
#include "ui/canvas_picture.h"
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
        charts()->drawPending();
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

    // The panel's delays are in seconds times the time slice, the chart's in seconds. Its run mean
    // is the panel's until the trap empties (there, the last step), and then keeps its value.
    const double dt = window.engine().dt();
    for (const TimeChart& c : kTimeCharts) {
        const QList<QPointF> figure = points(c.tab, "perStep"), mean = points(c.tab, "runMean");
        ASSERT_EQ(figure.size(), qsizetype(n)) << c.figure;
        ASSERT_EQ(mean.size(), qsizetype(n)) << c.mean;
        const double unit = c.tab == Delay ? dt : 1;
        bool occupied = false, emptied = false;
        for (std::size_t k = 0; k < n; ++k) {
            EXPECT_EQ(figure[k].x(), steps[k].time);
            if (c.tab == Delay) EXPECT_NEAR(figure[k].y(), steps[k].delay * 15, 1e-9);
            EXPECT_EQ(num::fixed(figure[k].y() * unit, c.figureDecimals), shown[c.figure][k])
                << c.figure << " after step " << k + 1;
            emptied = emptied || (occupied && steps[k].TotalPed == 0);
            occupied = occupied || steps[k].TotalPed > 0;
            if (!emptied)
                EXPECT_EQ(num::fixed(mean[k].y() * unit, c.meanDecimals), shown[c.mean][k])
                    << c.mean << " after step " << k + 1;
            else if (steps[k].TotalPed == 0)
                EXPECT_EQ(mean[k].y(), mean[k - 1].y()) << c.mean << " after step " << k + 1;
        }
        EXPECT_TRUE(emptied);
        EXPECT_GT(mean.back().y(), 0) << c.mean;
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

    // A new run empties every chart.
    action("mnuStartSimulation")->trigger();
    for (int tab = 0; tab < charts()->tabs()->count(); ++tab)
        for (QXYSeries* series : charts()->page(tab)->shown()) EXPECT_EQ(series->count(), 0) << tab;
}

// People come one at a time, far enough apart that the trap empties between them: the run means
// hold over the empty steps and stay on the charts once the run has been stopped.
TEST_F(ChartsTest, TheRunMeansHoldWhileTheTrapIsEmptyAndStayAfterTheRun) {
    ASSERT_TRUE(window.changeSetting("RandomInput", "1"));
    ASSERT_TRUE(window.changeSetting("NumWays", "0"));
    ASSERT_TRUE(window.changeSetting("HeadwayMeanInput", "15"));
    in<QLineEdit>("frmRandomSeed", "txtSeed")->setText("2024");
    in<QPushButton>("frmRandomSeed", "cmdOK")->click();
    action("mnuCharts")->trigger();
    action("mnuStartSimulation")->trigger();
    window.timer()->stop();
    for (int i = 0; i < 900; ++i) window.engine().SimulationTick();
    action("mnuStartSimulation")->trigger();
    ASSERT_FALSE(window.engine().runExists());
    const std::vector<StepFigures>& steps = window.stepSeries();
    for (Tab tab : {Pedestrians, Speed, Delay}) {
        const QList<QPointF> mean = points(tab, "runMean");
        ASSERT_EQ(mean.size(), qsizetype(steps.size())) << tab;
        int held = 0, refilled = 0;  // empty steps after someone was in the trap, and refills
        for (std::size_t k = 1; k < steps.size(); ++k) {
            if (steps[k].TotalPed > 0) {
                refilled += held > 0 && steps[k - 1].TotalPed == 0;
                continue;
            }
            if (mean[k - 1].y() == 0) continue;
            EXPECT_EQ(mean[k].y(), mean[k - 1].y()) << tab << " after step " << k + 1;
            ++held;
        }
        EXPECT_GT(held, 20) << tab;
        EXPECT_GT(refilled, 0) << tab;
        EXPECT_GT(mean.back().y(), 0) << tab;
    }
}

TEST_F(ChartsTest, EachWaysSpeedDensityPointsAreItsRowsInInstantTxt) {
    // Four pedestrians in the trap from the start, two in each of two lanes 3 m apart walking
    // opposite ways towards targets far beyond the trap, so that nobody enters it late: every step
    // after the first has the rows of everyone inside (IDs 1 and 2 walk east).
    ASSERT_TRUE(window.changeSetting("ManualGenerator", "1"));
    ASSERT_TRUE(window.changeSetting("RandomInput", "1"));  // no end when the trap empties
    for (const float x : {1.0f, 3.0f, 9.0f, 7.0f}) {
        const bool east = x < 5;
        PedDef def;
        def.Px = x;
        def.Py = def.Ey = east ? 1.5f : 4.5f;
        def.Ex = east ? 900.0f : -900.0f;
        def.MaxSpeed = east ? 1.3 : 1.1;
        def.Vx = east ? 1.3 : -1.1;
        def.maxAcceleration = 1.44;
        ASSERT_FALSE(window.engine().CreatePedestrian(def, MaxAcceleration::Definition));
    }
    action("mnuCharts")->trigger();
    action("mnuStartSimulation")->trigger();
    window.timer()->stop();
    for (int i = 0; i < 200; ++i) window.engine().SimulationTick();

    // Per step and direction: the rows of "Instant.txt" and the sum of their speeds.
    std::map<std::pair<long, int>, std::pair<int, double>> instant;
    const std::vector<std::string> rows =
        lines(QString::fromStdString((folder.path() / "Instant.txt").string()));
    for (std::size_t r = 3; r < rows.size(); ++r) {
        const std::vector<std::string> f = strida::test::split(rows[r], ',');
        const int way = std::stoi(f[0]) <= 2 ? WestToEast : EastToWest;
        auto& [count, speeds] = instant[{std::lround(std::stod(f[1]) * 15), way}];
        ++count, speeds += std::stod(f[6]);
    }
    for (auto [trace, way] : {std::pair{"westToEast", WestToEast}, {"eastToWest", EastToWest}}) {
        const QList<QPointF> points = this->points(SpeedDensity, trace);
        qsizetype k = 0;
        for (const StepFigures& step : window.stepSeries()) {
            if (step.count[way] == 0) continue;
            ASSERT_LT(k, points.size());
            // A pedestrian's first step inside the trap only marks its entry: no row for it.
            const auto [count, speeds] = instant[{step.step, way}];
            if (step.step > 1) {
                EXPECT_NEAR(points[k].x(), count / trapArea(), 1e-9) << trace << step.step;
                EXPECT_NEAR(points[k].y(), speeds / count, 1e-9) << trace << step.step;
            }
            ++k;
        }
        EXPECT_EQ(k, points.size()) << trace;
        EXPECT_GT(k, 50) << trace;
    }
    // Saved, each direction's points are drawn in its own colour, and the picture names its run.
    setRunMark(&window, [] { return RunMark{2024, 13.33}; });
    const QString svg = QString::fromStdString((folder.path() / "fd.svg").string());
    ASSERT_TRUE(charts()->saveSvg(svg));
    const std::string drawn = strida::test::readFile(svg.toStdString());
    for (const char* colour : {"fill=\"#d00000\"", "fill=\"#0000d0\""}) {
        std::size_t count = 0;
        for (auto at = drawn.find(colour); at != std::string::npos; at = drawn.find(colour, at + 1))
            ++count;
        EXPECT_GT(count, 50u) << colour;
    }
    EXPECT_NE(drawn.find("seed 2024 · t = 13.33 s"), std::string::npos);
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
    EXPECT_EQ(QImage(dir + "/speed.png").size(), size);
    ASSERT_TRUE(charts()->saveSvg(dir + "/speed.svg"));
    EXPECT_TRUE(QSvgRenderer(dir + "/speed.svg").isValid());

    ASSERT_TRUE(charts()->saveCsv(dir + "/speed.csv"));
    const std::vector<std::string> csv = lines(dir + "/speed.csv");
    ASSERT_EQ(csv.size(), 41u);
    EXPECT_EQ(csv[0], "time,AvgSpeed,MeanAvgSpeed");
    EXPECT_TRUE(messages.empty());

    // Into a folder that does not exist, or over a folder: refused, said, and nothing left.
    const QStringList before = QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    EXPECT_FALSE(charts()->savePng(dir + "/missing/chart.png"));
    EXPECT_FALSE(charts()->saveSvg(dir + "/missing/chart.svg"));
    EXPECT_FALSE(charts()->saveCsv(dir + "/missing/chart.csv"));
    QDir(dir).mkdir("taken.csv");
    EXPECT_FALSE(charts()->saveCsv(dir + "/taken.csv"));
    ASSERT_EQ(messages.size(), 4u);
    EXPECT_NE(messages[0].find((dir + "/missing/chart.png").toStdString()), std::string::npos)
        << messages[0];
    EXPECT_NE(messages[3].find("could not be saved"), std::string::npos) << messages[3];
    QStringList after = QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    after.removeOne("taken.csv");
    EXPECT_EQ(after, before);
}

}  // namespace
}  // namespace strida::ui::test
