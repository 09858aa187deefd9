// Whole runs through the engine: the headway rule at its limits, what a run refuses to start on or
// pauses on, the report files a run writes, and what a stop or pause chosen in the middle of a step
// leaves behind.
#include "support/engine_fixture.h"

namespace strida::test {
namespace {

class RunTest : public EngineTest {
  protected:
    RunTest() { settings.NumWays = Ways::One; }

    void headwayTiming(const char* mean) {
        settings.GeneratedAtOnce = false;
        settings.RandomInput = true;
        settings.HeadwayMeanInput = mean;
    }

    // Start refuses with one message naming the setting, and no run exists.
    void expectRefusal(const std::string& named) {
        host.clearMessages();
        EXPECT_FALSE(engine.StartSimulation()) << named;
        ASSERT_EQ(host.shown().messages.size(), 1u) << named;
        EXPECT_NE(host.shown().messages[0].text.find(named), std::string::npos)
            << host.shown().messages[0].text;
        EXPECT_FALSE(engine.runExists());
    }
};

TEST_F(RunTest, HeadwayBelowHalfASliceGeneratesEverySliceUntilTheLimitPlusOne) {
    headwayTiming("0.4");
    settings.TotalNumberOfPedestrians = "2";
    ASSERT_TRUE(engine.StartSimulation());
    std::vector<std::size_t> counts;
    for (int i = 0; i < 6; ++i) {
        engine.SimulationTick();
        counts.push_back(engine.pedestrians().size());
    }
    EXPECT_EQ(counts, (std::vector<std::size_t>{1, 2, 3, 3, 3, 3}));
}

TEST_F(RunTest, AStopClearsTheDrawingUnlessPathsAreTracedAndAStartAlwaysDoes) {
    // Every step starts on a clear canvas, and a stop leaves one, unless paths are traced.
    settings.ManualGenerator = true;
    ASSERT_TRUE(engine.StartSimulation());
    long before = host.shown().clearCount;
    engine.SimulationTick();
    EXPECT_EQ(host.shown().clearCount, before + 1) << "the step";
    engine.StopSimulation();
    EXPECT_EQ(host.shown().clearCount, before + 2) << "the stop";

    settings.TracePath = Check::Checked;
    before = host.shown().clearCount;
    ASSERT_TRUE(engine.StartSimulation());
    EXPECT_EQ(host.shown().clearCount, before + 1);
    engine.SimulationTick();
    engine.StopSimulation();
    EXPECT_EQ(host.shown().clearCount, before + 1)
        << "traced paths stay after the step and the stop";
}

// How many of this process's open files lie in the report folder.
std::size_t openFilesIn(const std::filesystem::path& folder) {
    std::size_t n = 0;
    for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code ec;
        const auto target = std::filesystem::read_symlink(fd.path(), ec);
        n += !ec && target.string().rfind(folder.string(), 0) == 0;
    }
    return n;
}

TEST_F(RunTest, StartDeletesEveryOldReportAndAStopClosesTheChosenOnes) {
    for (int f = 0; f < kReportFileCount; ++f) {
        std::ofstream(engine.reports().pathOf(static_cast<ReportFile>(f))) << "old";
    }
    settings.ReportNTXY = Check::Checked;
    ASSERT_TRUE(engine.StartSimulation());
    for (int f = 0; f < kReportFileCount; ++f) {
        const auto file = static_cast<ReportFile>(f);
        EXPECT_EQ(std::filesystem::exists(engine.reports().pathOf(file)), file == ReportFile::NTXY)
            << reportFileName(file);
    }
    EXPECT_NE(report(ReportFile::NTXY), "old");
    for (int i = 0; i < 5; ++i) engine.SimulationTick();
    EXPECT_EQ(openFilesIn(folder.path()), 1u);
    engine.StopSimulation();
    EXPECT_EQ(openFilesIn(folder.path()), 0u) << "nothing stays open when a run ends";
}

TEST_F(RunTest, StopChosenInTheMiddleOfAStepLeavesNothingBehindForTheNextRun) {
    settings.TotalNumberOfPedestrians = "6";
    settings.DistGenerator2Trap = "0";  // everyone starts inside the trap
    ASSERT_TRUE(engine.StartSimulation());
    engine.SimulationTick();
    ASSERT_TRUE(engine.sampling().TrapWasOccupied());
    long calls = 0;
    host.setOnProcessEvents([&] {
        // A tick arriving while a step runs must not start a second step.
        engine.SimulationTick();
        if (++calls == 4) {
            engine.request([&] { engine.StopSimulation(); });
            EXPECT_TRUE(engine.runExists()) << "a request waits for the host to return";
        }
    });
    engine.SimulationTick();
    host.setOnProcessEvents(nullptr);
    EXPECT_FALSE(engine.runExists());
    EXPECT_TRUE(engine.pedestrians().empty());
    EXPECT_EQ(engine.StepCount(), 0);
    EXPECT_FALSE(engine.sampling().TrapWasOccupied())
        << "figures of the stopped step must not carry over";
    EXPECT_EQ(engine.sampling().NumSamples(), 0);
}

TEST_F(RunTest, PedestriansMadeRightAfterAStopMidStepAreLeftAlone) {
    // Pressing Stop and then "Create" while a step is under way: the step must neither move the
    // new pedestrians nor let the interrupted one remove a new one that got its ID.
    settings.ManualGenerator = true;
    add(8.6f, 3, 10, 3, 1.5, 1, 1.4, 0);  // arrives at its next move
    ASSERT_TRUE(engine.StartSimulation());
    host.setOnProcessEvents([&] {
        if (host.shown().processEventsCount != 2) return;  // the first pedestrian's move
        engine.request([&] {
            engine.StopSimulation();
            add(3, 3, 9, 3);
            add(3, 4, 9, 4);
        });
    });
    engine.SimulationTick();
    host.setOnProcessEvents(nullptr);
    ASSERT_EQ(engine.pedestrians().size(), 2u);
    engine.pedestrians().forEach([](const PedClass& p) {
        EXPECT_EQ(p.Px(), 3.0f) << "pedestrian " << p.ID() << " moved without a run";
        EXPECT_FALSE(p.hasEntered());
    });
    EXPECT_NE(host.circle(1), nullptr);
    EXPECT_NE(host.circle(2), nullptr);
}

TEST_F(RunTest, PauseChosenInTheMiddleOfAStepStopsDrawingAndAStartThenEndsTheRun) {
    settings.TotalNumberOfPedestrians = "4";
    ASSERT_TRUE(engine.StartSimulation());
    std::vector<float> before;
    for (int id = 1; id <= 4; ++id) before.push_back(host.circle(id)->left);
    long calls = 0;
    host.setOnProcessEvents([&] {
        // Before the second pedestrian moves.
        if (++calls == 3) engine.request([&] { engine.PauseSimulation(); });
    });
    engine.SimulationTick();
    EXPECT_NE(host.circle(1)->left, before[0]) << "moved before the pause: drawn";
    for (int id = 2; id <= 4; ++id)
        EXPECT_EQ(host.circle(id)->left, before[id - 1])
            << "pedestrian " << id << " moved after the pause";
    EXPECT_FALSE(engine.StartSimulation()) << "the Start command of a paused run stops it";
    EXPECT_FALSE(engine.runExists());
}

TEST_F(RunTest, SettingsOrAPopulationTheRunCannotUseAreRefusedBeforeAnythingChanges) {
    std::ofstream(engine.reports().pathOf(ReportFile::Instant)) << "kept";
    // A setting of each part of the start check: the time slice, the pedestrians' behaviour, the
    // generator's inputs and the population; every text setting's values are tried by the hostile
    // settings table.
    const std::tuple<std::string Settings::*, const char*, const char*> cases[] = {
        {&Settings::DT, "DT", "fast"},
        {&Settings::Mass, "Mass", "0"},
        {&Settings::_1stMaxSpeedStdInput, "1stMaxSpeedStdInput", "wide"},
        {&Settings::TotalNumberOfPedestrians, "TotalNumberOfPedestrians", "40000"},
    };
    for (const auto& [field, name, text] : cases) {
        const std::string kept = settings.*field;
        settings.*field = text;
        expectRefusal(std::string(name) + " is \"" + text + "\"");
        EXPECT_TRUE(engine.pedestrians().empty());
        settings.*field = kept;
    }
    // A population too large once the hand-made pedestrians are counted.
    for (int i = 0; i < 5; ++i) add(1, 1 + i, 9, 1);
    settings.NumWays = Ways::Two;
    settings.NumPedLeft = "16382";
    settings.NumPedRight = "16382";
    expectRefusal("5 pedestrians are in the trap already and NumPedLeft is \"16382\"");
    EXPECT_EQ(engine.pedestrians().size(), 5u);
    EXPECT_EQ(readFile(engine.reports().pathOf(ReportFile::Instant)), "kept");
    engine.StopSimulation();  // takes the hand-made ones away

    // Generating from both sides by headway shares the total out.
    headwayTiming("1");
    settings.TotalNumberOfPedestrians = "0";
    expectRefusal("TotalNumberOfPedestrians is \"0\"");
}

TEST_F(RunTest, AnEditTheRunCannotUsePausesItWithAMessageNamingIt) {
    // A time slice no step can use, and an edit that stops a headway run's generation.
    const std::tuple<bool, std::string Settings::*, const char*> edits[] = {
        {false, &Settings::DT, "0"}, {true, &Settings::TotalNumberOfPedestrians, "99999"}};
    for (const auto& [byHeadway, field, text] : edits) {
        if (byHeadway) headwayTiming("1");
        ASSERT_TRUE(engine.StartSimulation()) << text;
        for (int i = 0; i < 3; ++i) engine.SimulationTick();
        const std::size_t made = engine.pedestrians().size();
        ASSERT_GT(made, 0u);
        const std::string kept = settings.*field;
        settings.*field = text;
        host.clearMessages();
        for (int i = 0; i < 3 && engine.IsRunning(); ++i) engine.SimulationTick();
        EXPECT_TRUE(host.shown().runExists && !host.shown().stepping) << text << ": paused";
        ASSERT_EQ(host.shown().messages.size(), 1u) << text;
        EXPECT_EQ(host.shown().messages[0].text.rfind("The run is paused: ", 0), 0u);
        EXPECT_NE(host.shown().messages[0].text.find(text), std::string::npos);
        EXPECT_EQ(engine.pedestrians().size(), made) << "nobody was made from the bad settings";
        settings.*field = kept;
        engine.PauseSimulation();  // continue
        engine.SimulationTick();
        EXPECT_TRUE(engine.IsRunning()) << text;
        EXPECT_EQ(host.shown().messages.size(), 1u) << text;
        engine.StopSimulation();
    }
}

}  // namespace
}  // namespace strida::test
