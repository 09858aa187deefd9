// Whole runs through the engine: the headway rule's timing, the two ways a run ends by itself, the
// report files a run writes, and what a stop or pause chosen in the middle of a step leaves behind.
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

    // Ticks until the run ends by itself; returns the number of ticks.
    int runToEnd(int limit = 5000) {
        int ticks = 0;
        while (engine.runExists() && ticks < limit) {
            engine.SimulationTick();
            ++ticks;
        }
        return ticks;
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

    // How many of the messages shown name the text.
    std::size_t messagesAbout(const std::string& text) const {
        std::size_t n = 0;
        for (const auto& m : host.shown().messages) n += m.text.find(text) != std::string::npos;
        return n;
    }
};

TEST_F(RunTest, HeadwayOfThreeGeneratesAtEveryFourthSlice) {
    headwayTiming("3");
    ASSERT_TRUE(engine.StartSimulation());
    std::vector<std::size_t> counts;
    for (int i = 0; i < 8; ++i) {
        engine.SimulationTick();
        counts.push_back(engine.pedestrians().size());
    }
    EXPECT_EQ(counts, (std::vector<std::size_t>{0, 0, 0, 1, 1, 1, 1, 2}));
}

TEST_F(RunTest, HeadwayBelowHalfASliceGeneratesEverySliceUntilTheLimitPlusOne) {
    headwayTiming("0.4");
    settings.TotalNumberOfPedestrians = "2";
    ASSERT_TRUE(engine.StartSimulation());
    std::vector<std::size_t> counts;
    for (int i = 0; i < 6; ++i) {
        engine.SimulationTick();
        counts.push_back(engine.pedestrians().size());
        if (i >= 3) {
            EXPECT_EQ(engine.generator().HeadwayCounter(), 0)
                << "held while the run holds more than the total";
        }
    }
    EXPECT_EQ(counts, (std::vector<std::size_t>{1, 2, 3, 3, 3, 3}));
}

TEST_F(RunTest, HeadwayPedestriansStartWestOfTheTrapInMetres) {
    headwayTiming("1");
    for (int i = 0; i < 5; ++i) ASSERT_FALSE(engine.GeneratePedestrian());
    engine.pedestrians().forEach([](const PedClass& p) {
        // 1.2 lengths of the 10 m trap west of it, spread by a twip or so per earlier pedestrian.
        EXPECT_GE(p.Px(), -12.0f);
        EXPECT_LT(p.Px(), -11.99f);
        EXPECT_GE(p.Py(), 0.0f);
        EXPECT_LE(p.Py(), 6.0f);
        EXPECT_GE(p.Ex(), 10.0f) << "targets lie beyond the east end";
    });
}

TEST_F(RunTest, ManualRunWithoutPedestriansStopsAtStep101) {
    settings.ManualGenerator = true;
    settings.PercentNumOf1stCategory = "x";  // the automatic generator's, unread by hand
    ASSERT_TRUE(engine.StartSimulation());
    EXPECT_EQ(runToEnd(), 101);
    EXPECT_FALSE(host.shown().stepping) << "a stopped run takes no more steps";
    EXPECT_FALSE(host.shown().runExists);
    EXPECT_EQ(host.shown().ending, "finished");
    EXPECT_EQ(host.shown().seconds, 0) << "an ended run shows no time";
    // An empty trap shows zeros; no step was sampled, so the run means of NHI and NUVI are 0.
    const PerformanceTexts& p = engine.performance();
    EXPECT_EQ((std::vector<std::string>{p.TotalPed, p.AvgSpeed, p.InstantDelay, p.Uncomfort, p.NHI,
                                        p.NUVI, p.AvgNHI, p.AvgNUVI}),
              (std::vector<std::string>{"0", "0.000", "0.00", "0.00", "0.000", "0.000", "0.000",
                                        "0.000"}));
}

TEST_F(RunTest, AStopClearsTheDrawingUnlessPathsAreTracedAndAStartAlwaysDoes) {
    settings.ManualGenerator = true;
    ASSERT_TRUE(engine.StartSimulation());
    long before = host.shown().clearCount;
    engine.StopSimulation();
    EXPECT_EQ(host.shown().clearCount, before + 1);

    // Every step starts on a clear canvas, unless paths are traced.
    ASSERT_TRUE(engine.StartSimulation());
    before = host.shown().clearCount;
    engine.SimulationTick();
    EXPECT_EQ(host.shown().clearCount, before + 1);
    engine.StopSimulation();

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

TEST_F(RunTest, NothingStaysOpenWhenARunEnds) {
    settings.ManualGenerator = true;
    settings.ReportInstantPerformance = Check::Checked;
    settings.ReportAvgInstantPerformance = Check::Checked;
    add(2, 3, 9, 3);
    ASSERT_TRUE(engine.StartSimulation());
    for (int i = 0; i < 5; ++i) engine.SimulationTick();
    EXPECT_EQ(openFilesIn(folder.path()), 2u);
    engine.StopSimulation();
    EXPECT_EQ(openFilesIn(folder.path()), 0u);
}

TEST_F(RunTest, StartDeletesEveryOldReportAndWritesOnlyTheChosenHeaders) {
    for (int f = 0; f < kReportFileCount; ++f) {
        std::ofstream(engine.reports().pathOf(static_cast<ReportFile>(f))) << "old";
    }
    settings.ReportNTXY = Check::Checked;
    settings.ReportInstantPerformance = Check::Grayed;  // only the checked state counts
    ASSERT_TRUE(engine.StartSimulation());
    for (int f = 0; f < kReportFileCount; ++f) {
        const auto file = static_cast<ReportFile>(f);
        EXPECT_EQ(std::filesystem::exists(engine.reports().pathOf(file)), file == ReportFile::NTXY)
            << reportFileName(file);
    }
    EXPECT_NE(report(ReportFile::NTXY), "old");
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
        if (++calls == 4) engine.request([&] { engine.StopSimulation(); });
    });
    engine.SimulationTick();
    host.setOnProcessEvents(nullptr);
    EXPECT_FALSE(engine.runExists());
    EXPECT_TRUE(engine.pedestrians().empty());
    EXPECT_EQ(engine.StepCount(), 0);
    EXPECT_FALSE(engine.sampling().TrapWasOccupied())
        << "figures of the stopped step must not carry over";
    EXPECT_EQ(engine.sampling().NumSamples(), 0);

    // The next run starts afresh and does not finish at its first step.
    settings.DistGenerator2Trap = "5.0";
    ASSERT_TRUE(engine.StartSimulation());
    engine.SimulationTick();
    EXPECT_TRUE(engine.runExists());
    EXPECT_EQ(engine.StepCount(), 1);
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

TEST_F(RunTest, APopulationTooLargeWithTheHandMadeOnesIsRefusedBeforeTheReportsGo) {
    std::ofstream(engine.reports().pathOf(ReportFile::Instant)) << "kept";
    for (int i = 0; i < 5; ++i) add(1, 1 + i, 9, 1);
    settings.NumWays = Ways::Two;
    settings.NumPedLeft = "16382";
    settings.NumPedRight = "16382";
    expectRefusal("32767");
    EXPECT_EQ(readFile(engine.reports().pathOf(ReportFile::Instant)), "kept");
    EXPECT_EQ(engine.pedestrians().size(), 5u);
}

TEST_F(RunTest, PauseChosenInTheMiddleOfAStepStopsDrawingForTheRest) {
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
    EXPECT_EQ(engine.StepCount(), 1);
}

TEST_F(RunTest, SettingsTheRunCannotUseAreRefusedBeforeAnythingChanges) {
    std::ofstream(engine.reports().pathOf(ReportFile::Instant)) << "kept";
    // A representative of each way a value is unusable; every text setting's refusal is
    // checked by the hostile settings table.
    const std::tuple<std::string Settings::*, const char*, const char*> cases[] = {
        {&Settings::DT, "DT", "fast"},
        {&Settings::Mass, "Mass", "0"},
        {&Settings::TotalNumberOfPedestrians, "TotalNumberOfPedestrians", "40000"},
        {&Settings::MaxAccl, "MaxAccl", "-1"},
        {&Settings::Beta, "Beta", "0"},  // the avoid-collision force is on
        {&Settings::Chi, "Chi", "0"},    // the repulse-away force is on
        {&Settings::_1stMaxSpeedStdInput, "1stMaxSpeedStdInput", "wide"},
    };
    for (const auto& [field, name, text] : cases) {
        const std::string kept = settings.*field;
        settings.*field = text;
        expectRefusal(std::string(name) + " is \"" + text + "\"");
        EXPECT_TRUE(engine.pedestrians().empty());
        settings.*field = kept;
    }
    EXPECT_EQ(readFile(engine.reports().pathOf(ReportFile::Instant)), "kept");

    // With no one in the first category, a uniform draw of exactly 0 still puts a pedestrian
    // there, so its speed must be readable too.
    settings.PercentNumOf1stCategory = "0";
    settings._1stMaxSpeedMeanInput = "quick";
    expectRefusal("1stMaxSpeedMeanInput is \"quick\"");
    settings = Settings{};

    // With the force that divides by it switched off, a Beta or Chi of 0 runs.
    settings.Beta = "0";
    settings.Chi = "0";
    settings.ForceSeparate = Check::Unchecked;
    settings.ForceFlee = Check::Unchecked;
    ASSERT_TRUE(engine.StartSimulation());
    for (int i = 0; i < 30; ++i) engine.SimulationTick();
    EXPECT_TRUE(engine.IsRunning());
    engine.StopSimulation();
    settings = Settings{};

    // Nothing divides by the body diameter of a hand-made pedestrian.
    settings.PedDiameter = "0";
    EXPECT_EQ(tryAdd(1, 1, 9, 1, 1.5, 1, 0, 0, 1.44), std::nullopt);
    engine.StopSimulation();
    settings = Settings{};
    settings.ReportInstantPerformance = Check::Unchecked;
    settings.ReportAvgInstantPerformance = Check::Unchecked;

    settings.NumWays = Ways::Two;
    headwayTiming("1");
    settings.TotalNumberOfPedestrians = "0";
    expectRefusal("TotalNumberOfPedestrians is \"0\"");
}

TEST_F(RunTest, AHeadwayRunPausesOnAnEditItCannotUse) {
    headwayTiming("1");
    ASSERT_TRUE(engine.StartSimulation());
    for (int i = 0; i < 3; ++i) engine.SimulationTick();
    const std::size_t made = engine.pedestrians().size();
    ASSERT_GT(made, 0u);
    // Edits during the run: each stops the generation with a message naming it, and pauses.
    const std::pair<std::string Settings::*, const char*> edits[] = {
        {&Settings::TotalNumberOfPedestrians, "99999"}, {&Settings::Mass, "0"}};
    for (auto [field, text] : edits) {
        const std::string kept = settings.*field;
        settings.*field = text;
        host.clearMessages();
        for (int i = 0; i < 3 && engine.IsRunning(); ++i) engine.SimulationTick();
        EXPECT_FALSE(engine.IsRunning()) << text;
        ASSERT_EQ(host.shown().messages.size(), 1u) << text;
        EXPECT_EQ(host.shown().messages[0].text.rfind("The run is paused: ", 0), 0u);
        EXPECT_NE(host.shown().messages[0].text.find(text), std::string::npos);
        settings.*field = kept;
        engine.PauseSimulation();  // continue
    }
    EXPECT_EQ(engine.pedestrians().size(), made) << "nobody was made from the bad settings";
}

TEST_F(RunTest, StartWhilePausedEndsTheRunAndAFailedGenerationStartsNone) {
    ASSERT_TRUE(engine.StartSimulation());
    EXPECT_TRUE(host.shown().stepping);
    engine.PauseSimulation();
    EXPECT_FALSE(host.shown().stepping) << "a paused run takes no steps";
    EXPECT_FALSE(engine.StartSimulation()) << "the Start command of a paused run stops it";
    EXPECT_FALSE(engine.runExists());

    // Without a scale on the canvas no pedestrian can be placed: the run does not start.
    host.setM2Twips(0);
    expectRefusal("calibrate the trap first");
}

TEST_F(RunTest, ATimeSliceMadeUnusableDuringARunPausesIt) {
    ASSERT_TRUE(engine.StartSimulation());
    engine.SimulationTick();
    settings.DT = "0";
    engine.SimulationTick();
    EXPECT_TRUE(engine.runExists());
    EXPECT_FALSE(engine.IsRunning());
    EXPECT_TRUE(host.shown().runExists && !host.shown().stepping) << "paused";
    ASSERT_EQ(host.shown().messages.size(), 1u);
    EXPECT_NE(host.shown().messages[0].text.find("DT is \"0\""), std::string::npos);
    settings.DT = "15";
    engine.PauseSimulation();  // continue
    engine.SimulationTick();
    EXPECT_EQ(engine.StepCount(), 3);
}

TEST_F(RunTest, AnUnwritableReportFolderIsReportedOncePerFileAndTheRunGoesOn) {
    const std::filesystem::path blocker = folder.path() / "not-a-folder";
    std::ofstream(blocker) << "x";
    Engine elsewhere(settings, host, blocker / "reports", kSeed);
    settings.ReportInstantPerformance = Check::Checked;
    settings.ReportAvgInstantPerformance = Check::Checked;
    settings.DistGenerator2Trap = "0";
    ASSERT_TRUE(elsewhere.StartSimulation());
    for (int i = 0; i < 20; ++i) elsewhere.SimulationTick();
    EXPECT_EQ(elsewhere.StepCount(), 20);
    EXPECT_EQ(messagesAbout("\"Instant.txt\""), 1u);
    EXPECT_EQ(messagesAbout("\"avgInstant.txt\""), 1u);

    // A new run reports them afresh.
    elsewhere.StopSimulation();
    host.clearMessages();
    ASSERT_TRUE(elsewhere.StartSimulation());
    for (int i = 0; i < 3; ++i) elsewhere.SimulationTick();
    EXPECT_EQ(messagesAbout("\"Instant.txt\""), 1u);
}

}  // namespace
}  // namespace strida::test
