// Finding neighbours through the grid gives exactly what visiting everyone gives: the same report
// files byte for byte and the same figures, for crowds no generated run makes: mixed bodies, far
// outside the trap, spread over the whole single-precision range, stacked on one spot.
#include <functional>
#include <map>

#include "support/engine_fixture.h"

namespace strida::test {
namespace {

struct Outcome {
    std::map<std::string, std::string> files;
    std::vector<std::string> figures;
    int ticks = 0;
    std::size_t left = 0;
};

struct Scenario {
    std::function<void(Settings&)> settings;
    // Pedestrians made by hand before the run, given the engine.
    std::function<void(Engine&, Settings&)> before;
    int maxTicks = 3000;
    long stopAtEvent = 0;  // stop the run at this call of "let events run", 0 for never
};

Outcome run(NeighbourSearch search, const Scenario& scenario) {
    TempFolder folder;
    Settings settings;
    settings.ReportNTXY = Check::Checked;
    settings.ReportSystemPerformance = Check::Checked;
    if (scenario.settings) scenario.settings(settings);
    HeadlessHost host;
    host.setArea(5000, 3000);
    host.setM2Twips(0.002);
    Engine engine(settings, host, folder.path(), 99);
    engine.setNeighbourSearch(search);
    if (scenario.before) scenario.before(engine, settings);
    if (scenario.stopAtEvent)
        host.setOnProcessEvents([&] {
            if (host.shown().processEventsCount == scenario.stopAtEvent)
                engine.request([&] { engine.StopSimulation(); });
        });
    Outcome out;
    EXPECT_TRUE(engine.StartSimulation());
    while (engine.runExists() && out.ticks < scenario.maxTicks) {
        engine.SimulationTick();
        ++out.ticks;
    }
    out.left = engine.pedestrians().size();
    engine.StopSimulation();
    for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
        if (entry.path().filename() != "manifest.json")  // it names the times of the run
            out.files[entry.path().filename().string()] = readFile(entry.path());
    for (const PerformanceField& field : kPerformanceFields)
        out.figures.push_back(engine.performance().*field.text);
    EXPECT_TRUE(host.shown().messages.empty()) << host.shown().messages.front().text;
    return out;
}

void expectSame(const Scenario& scenario, const char* what) {
    const Outcome scan = run(NeighbourSearch::Scan, scenario);
    const Outcome index = run(NeighbourSearch::Index, scenario);
    EXPECT_EQ(scan.ticks, index.ticks) << what;
    EXPECT_EQ(scan.figures, index.figures) << what;
    ASSERT_EQ(scan.files.size(), index.files.size()) << what;
    for (const auto& [name, bytes] : scan.files) {
        EXPECT_GT(bytes.size(), 100u) << what << ": " << name << " holds records";
        EXPECT_TRUE(bytes == index.files.at(name)) << what << ": " << name << " differs";
    }
}

// Hand-made pedestrians with the parameters' diameters and a maximum acceleration of 1.44.
void make(Engine& engine, float px, float py, float ex, float ey, double speed, int colour) {
    ASSERT_FALSE(createPed(engine, px, py, ex, ey, speed, colour, 0, 0, 1.44));
}

// Pedestrians made with different diameters and sight distances criss-cross the trap and arrive
// while others are still to move in the same step.
void mixedBodies(Engine& engine, Settings& s) {
    const char* diameters[] = {"0.60", "0.45", "1.10"};
    const char* sights[] = {"4.00", "1.50", "12.00"};
    for (int i = 0; i < 36; ++i) {
        s.PedDiameter = diameters[i % 3];
        s.InfluenceDiameter = i % 2 ? "1.67" : "0.9";
        s.SightDist = sights[(i / 3) % 3];
        const bool east = i % 2 == 0;
        make(engine, east ? 0.5f : 9.5f, 0.4f + 0.15f * i, east ? 9.0f : 1.0f, 5.6f - 0.14f * i,
             1.1 + 0.02 * i, east ? 1 : 2);
    }
}

// The grid follows pedestrians far outside the trap.
void farOutside(Engine& engine, Settings&) {
    for (int i = 0; i < 12; ++i)
        make(engine, -400.0f + 60 * i, 3.0f + 0.1f * i, 900.0f - 70 * i, 3.0f, 1.5, 1 + i % 2);
    for (int i = 0; i < 12; ++i) make(engine, 4.0f + 0.1f * i, 3.0f, 5.0f, 2000.0f, 1.5, 1);
}

// A long thin spread (one pedestrian a billion kilometres off, others at the ends of the
// single-precision range) is held in coarser cells, not in billions of them.
void extremeSpread(Engine& engine, Settings&) {
    for (float x : {1e12f, -1e14f, 1e20f, -3e38f, 3e38f}) make(engine, x, 3, x, 9, 1.5, 2);
    for (int i = 0; i < 6; ++i) make(engine, 1.0f + i, 1.0f + 0.7f * i, 9.0f - i, 5.0f, 1.3, 1);
}

// 300 on one spot, half the crowd and more, and four stacks of 60 around it, each pedestrian a
// neighbour of its whole stack: long lists to put in order of creation, and a stack the grid leaves
// to a scan. They walk apart as their speeds differ.
void stacks(Engine& engine, Settings&) {
    const float spots[][2] = {{5, 3}, {1.5f, 1}, {8.5f, 1}, {1.5f, 5}, {8.5f, 5}};
    for (int i = 0; i < 540; ++i) {
        const auto& at = spots[i < 300 ? 0 : 1 + (i - 300) / 60];
        const bool east = i % 2 == 0;
        make(engine, at[0], at[1], east ? 30.0f : -20.0f, at[1] + 0.5f, 0.8 + 0.002 * (i % 97),
             east ? 1 : 2);
    }
}

TEST(NeighbourSearch, TheGridFindsWhatAScanFinds) {
    const auto byHand = [](Settings& s) { s.ManualGenerator = true; };
    const std::pair<Scenario, const char*> cases[] = {
        {{byHand, mixedBodies, 3000, 0}, "mixed bodies"},
        {{byHand, mixedBodies, 3000, 36 * 40 + 17}, "mixed bodies stopped mid-step"},
        {{byHand, farOutside, 600, 0}, "far outside the trap"},
        {{byHand, extremeSpread, 300, 0}, "extreme spread"},
        {{byHand, stacks, 60, 0}, "stacked"},
    };
    for (const auto& [scenario, what] : cases) expectSame(scenario, what);
}

using NeighbourGrid = EngineTest;

TEST_F(NeighbourGrid, CellsOfOneMetreCoverTheCrowdWithRoomAroundAndStayBoundedWhenItSpreads) {
    add(1, 1, 9, 1);
    // 20 m of room on every side of the first pedestrian.
    const auto& grid = engine.pedestrians().grid();
    EXPECT_EQ(grid.cellSize(), 1.0);
    EXPECT_EQ(grid.columns(), 41);
    EXPECT_EQ(grid.rows(), 41);
    // One beyond it: the grid grows to hold both (29 m apart) with 20 m and half their spread
    // again on each side.
    add(30, 1, 9, 1);
    EXPECT_EQ(grid.columns(), 29 + 2 * 34.5 + 1);
    EXPECT_EQ(grid.rows(), 41);
    // One pedestrian a billion kilometres off: far coarser cells, no more of them along a side
    // than 4096 (and a margin's worth), and no more than 2^18 in all.
    add(1e12f, 3, 0, 3);
    EXPECT_GT(grid.cellSize(), 1e8);
    EXPECT_LE(grid.columns(), 4097);
    EXPECT_LE(static_cast<double>(grid.columns()) * grid.rows(), (1 << 18) + 4098.0);
}

}  // namespace
}  // namespace strida::test
