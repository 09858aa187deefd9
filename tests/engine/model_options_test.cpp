// The two model options beside the default model: walls along the trap's long sides
// (CorridorWalls) and a step that moves everyone from the same instant (UpdateOrder
// Simultaneous), whose files do not depend on how many threads share it out.
#include <map>
#include <numeric>
#include <random>
#include <set>

#include "support/batch_runner.h"
#include "support/engine_fixture.h"
#include "support/trajectory_lines.h"

namespace strida::test {
namespace {

// A corridor 4 m wide: the trap is 10 m long, and the walls run along its long sides.
class CorridorTest : public EngineTest {
  protected:
    static constexpr float kWidth = 4;

    CorridorTest() {
        host.setArea(5000, kWidth / kM2Twips);
        settings.CorridorWalls = Check::Checked;
        settings.TrapWidth = "4";
        engine.calibrated();
    }

    // A block at 2 persons/m² in five lanes 0.8 m apart, columns 0.625 m apart from x0 to x1,
    // all walking east at `speed` towards targets far beyond the trap. `order` gives the columns
    // in the order they are created; a small offset fixed by each place, not by the order, keeps
    // any two distances from tying exactly.
    void block(float x0, float x1, double speed, const std::vector<int>& order = {}) {
        const int columns = static_cast<int>((x1 - x0) / 0.625f);
        std::vector<int> sequence = order;
        if (sequence.empty())
            for (int c = 0; c < columns; ++c) sequence.push_back(c);
        for (int c : sequence)
            for (int lane = 0; lane < 5; ++lane) {
                const float jitter = static_cast<float>((c * 7 + lane * 13) % 11) * 0.004f;
                const float y = 0.4f + 0.8f * static_cast<float>(lane) + jitter;
                add(x0 + 0.625f * static_cast<float>(c) + jitter, y, 1000, y, speed, 1, speed, 0,
                    1.44);
            }
    }

    void expectAllBetweenWalls(const std::filesystem::path& trajectories, const char* what) {
        const TrajectoryLines lines = readTrajectoryLines(readFile(trajectories));
        ASSERT_GT(lines.rows.size(), 1000u) << what;
        for (const TextRow& row : lines.rows)
            ASSERT_TRUE(row.y >= -0.001f && row.y <= kWidth + 0.001f)
                << what << ": pedestrian " << row.id << " at y = " << row.y << " in frame "
                << row.frame;
    }
};

TEST_F(CorridorTest, AClosedCorridorKeepsItsDensityAndEveryoneBetweenTheWalls) {
    // A block 100 m long: its front stays beyond the trap's east end, and its rear, which thins
    // out from the start as those at the back are pushed back by those ahead, starts 75 m west of
    // it, so for 20 s at 1.333 m/s the density inside can only change by the crowd spreading
    // across.
    for (const char* order : {"Sequential", "Simultaneous"}) {
        SCOPED_TRACE(order);
        settings.UpdateOrder = order;
        const auto trajectories = folder.path() / (std::string(order) + ".txt");
        engine.setTrajectoryFiles({trajectories});
        std::vector<double> densities;
        engine.setStepListener([&](const StepFigures& f) { densities.push_back(f.density()); });
        block(-75, 25, 1.333);
        steps(300);
        engine.StopSimulation();
        for (std::size_t i = 0; i < densities.size(); ++i)
            EXPECT_NEAR(densities[i], 2.0, 0.4) << "after " << (i + 1) / 15.0 << " s";
        expectAllBetweenWalls(trajectories, order);
    }
}

TEST_F(CorridorTest, HeadOnGroupsAndAHeadwayStreamStayBetweenTheWallsAndAreAllMeasured) {
    // Two groups meeting head-on, created one after the other.
    engine.setTrajectoryFiles({folder.path() / "head-on.txt"});
    for (int i = 0; i < 40; ++i) {
        const float y = 0.5f + 0.75f * static_cast<float>(i % 5);
        const float x = 0.7f * static_cast<float>(i / 5);
        add(-x, y, 30, y, 1.3, 1, 1.3, 0, 1.44);
        add(10 + x, y + 0.1f, -20, y + 0.1f, 1.3, 2, -1.3, 0, 1.44);
    }
    steps(450);
    engine.StopSimulation();
    expectAllBetweenWalls(folder.path() / "head-on.txt", "head-on");

    // A stream of 200 by headway from both ends, whose fast walkers overtake the slow: every one
    // of them is measured inside the trap.
    engine.setTrajectoryFiles({});
    settings.ManualGenerator = false;
    settings.GeneratedAtOnce = false;
    settings.RandomInput = true;
    std::set<int> measured, everyone;
    for (int id = 1; id <= 200; ++id) everyone.insert(id);
    engine.setStepListener([&](const StepFigures&) {
        engine.pedestrians().forEach([&](const PedClass& p) {
            if (p.stepsInTrap() > 0 || p.hasLeft()) measured.insert(p.ID());
        });
    });
    ASSERT_TRUE(engine.StartSimulation());
    for (int i = 0; i < 20000 && !std::includes(measured.begin(), measured.end(), everyone.begin(),
                                                everyone.end());
         ++i)
        engine.SimulationTick();
    for (int id : everyone) EXPECT_TRUE(measured.contains(id)) << "pedestrian " << id;
}

TEST_F(CorridorTest, AWallPushesAsANeighbourAtItsNearestPointFromWhereTheInfluenceReachesIt) {
    // Influence radius 0.835 m, MaxSpeed 1.5, Beta 0.001: 0.5 m from the lower wall the push is
    // (0.835 - 0.5) x 1.5 / 0.001 up, 0.3 m from the upper one (0.835 - 0.3) x 1.5 / 0.001 down,
    // and from 0.835 m on nothing.
    const double top = kWidth;
    const std::vector<Neighbour> nobody;
    for (auto [y, push] : {std::pair{0.5f, 502.5}, {3.7f, -802.5}, {2.0f, 0.0}, {0.835f, 0.0}}) {
        PedClass& p = add(5, y, 20, y);
        p.clearDesires();
        p.DesireAvoidCollision(nobody, &top);
        EXPECT_NEAR(p.desireAvoidY(), push, 0.01) << "at y = " << y;
        EXPECT_EQ(p.desireAvoidX(), 0) << "at y = " << y;
    }
}

TEST_F(CorridorTest, NobodyIsMadeOrStartsOutsideTheWallsAndGeneratedCrowdsStandBetweenThem) {
    const MaybeError outside = tryAdd(2, 4.5f, 20, 2);
    ASSERT_TRUE(outside);
    EXPECT_NE(outside->description.find("outside the corridor walls"), std::string::npos)
        << outside->description;
    EXPECT_TRUE(engine.pedestrians().empty());
    EXPECT_FALSE(tryAdd(2, 4, 20, 2)) << "on the wall itself is inside";

    // One made before the walls were put up keeps the run from starting, with a message.
    settings.CorridorWalls = Check::Unchecked;
    add(3, -0.5f, 20, 2);
    settings.CorridorWalls = Check::Checked;
    settings.ManualGenerator = true;
    host.clearMessages();
    EXPECT_FALSE(engine.StartSimulation());
    ASSERT_EQ(host.shown().messages.size(), 1u);
    EXPECT_NE(host.shown().messages[0].text.find("pedestrian 2 stands at y = -0.5"),
              std::string::npos)
        << host.shown().messages[0].text;
    engine.clearPedestrians();

    // A normal spread centred on the far side draws lanes beyond the width, which the walls
    // hold back.
    settings.ManualGenerator = false;
    settings.SpatialMeanInput = "100";
    settings.SpatialRangeInput = "60";
    settings.NumPedLeft = settings.NumPedRight = "40";
    const MaybeError generated = engine.GenerateAllAtOnce();
    ASSERT_FALSE(generated) << generated->description;
    ASSERT_EQ(engine.pedestrians().size(), 80u);
    engine.pedestrians().forEach([](const PedClass& p) {
        EXPECT_TRUE(p.Py() >= 0 && p.Py() <= kWidth) << p.ID() << " at y = " << p.Py();
    });
    // One lane of 3 m bodies fits between the walls; none of 5 m, which stand in the middle.
    for (auto [diameter, y] : {std::pair{"3", 1.5f}, {"5", 2.0f}}) {
        engine.clearPedestrians();
        settings.PedDiameter = diameter;
        ASSERT_FALSE(engine.GenerateAllAtOnce());
        engine.pedestrians().forEach([&](const PedClass& p) { EXPECT_EQ(p.Py(), y) << diameter; });
    }
}

TEST_F(CorridorTest, ASimultaneousStepDoesNotDependOnTheOrderOfCreation) {
    // Two walking head-on along the x axis from mirrored places stay mirrored, exactly.
    settings.CorridorWalls = Check::Unchecked;
    settings.UpdateOrder = "Simultaneous";
    PedClass& west = add(-3, 0, 100, 0, 1.3, 1, 1.3, 0, 1.44);
    PedClass& east = add(3, 0, -100, 0, 1.3, 2, -1.3, 0, 1.44);
    for (int i = 0; i < 60; ++i) {
        step();
        ASSERT_TRUE(west.Px() == -east.Px() && west.Py() == -east.Py()) << "step " << i + 1;
    }
    engine.StopSimulation();

    // A strip at 2 persons/m² starting at rest, created west first, east first and shuffled:
    // its mean velocity along the corridor after 3 s.
    settings.CorridorWalls = Check::Checked;
    std::vector<int> westFirst(32);
    std::iota(westFirst.begin(), westFirst.end(), 0);
    std::vector<int> eastFirst(westFirst.rbegin(), westFirst.rend()), shuffled = westFirst;
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(7));
    auto meanAfter3s = [&](const char* update, const std::vector<int>& columns) {
        settings.UpdateOrder = update;
        block(0, 20, 1.333, columns);
        steps(45);
        double sum = 0;
        engine.pedestrians().forEach([&](const PedClass& p) { sum += p.Vx(); });
        sum /= static_cast<double>(engine.pedestrians().size());
        engine.StopSimulation();
        return sum;
    };
    std::vector<double> together, oneByOne;
    for (const auto* columns : {&westFirst, &eastFirst, &shuffled}) {
        together.push_back(meanAfter3s("Simultaneous", *columns));
        oneByOne.push_back(meanAfter3s("Sequential", *columns));
    }
    const auto spread = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v.back() - v.front();
    };
    EXPECT_LE(spread(together), 0.05) << together[0] << " " << together[1] << " " << together[2];
    // The sequential step is steered by the order, which is why the option exists.
    EXPECT_GT(spread(oneByOne), 0.05) << oneByOne[0] << " " << oneByOne[1] << " " << oneByOne[2];
}

// The files of a simultaneous run with walls, every report and a trajectory and chart-data file,
// for a number of threads and a way of finding neighbours.
std::map<std::string, std::string> filesWithThreads(int threads, const TempFolder& folder,
                                                    const std::string& neighbours = "index") {
    const auto out = folder.path() / (std::to_string(threads) + neighbours);
    const BatchResult r =
        batch("--seed 4 --steps 150 --neighbours " + neighbours + " --threads " +
              std::to_string(threads) +
              " --set UpdateOrder=Simultaneous --set CorridorWalls=1 --set NumPedLeft=200"
              " --set NumPedRight=200 --set ReportNTXY=1 --set ReportSystemPerformance=1"
              " --trajectories t.txt --chart-data c.csv --out '" +
              out.string() + "'");
    EXPECT_EQ(r.status, 0) << threads;
    std::map<std::string, std::string> files{{"stdout", r.out}};
    for (const auto& entry : std::filesystem::directory_iterator(out))
        if (entry.path().filename() != "manifest.json")
            files[entry.path().filename().string()] = readFile(entry.path());
    return files;
}

TEST(SimultaneousThreads, EveryFileIsTheSameForAnyNumberOfThreadsAndEitherSearch) {
    TempFolder folder;
    const auto one = filesWithThreads(1, folder);
    ASSERT_EQ(one.size(), 7u);  // the printed figures, four reports, trajectories, chart data
    for (auto [threads, neighbours] :
         {std::pair{2, "index"}, {3, "index"}, {8, "index"}, {1, "scan"}, {3, "scan"}}) {
        const auto many = filesWithThreads(threads, folder, neighbours);
        ASSERT_EQ(many.size(), one.size()) << threads;
        for (const auto& [name, content] : one)
            EXPECT_TRUE(many.at(name) == content)
                << name << " differs with " << threads << " threads, " << neighbours;
    }
}

}  // namespace
}  // namespace strida::test
