// What the engine tells its host about a run, as a headless host records it: the order of the
// events, and each way a run ends.
#include "core/numbers.h"
#include "support/engine_fixture.h"

namespace strida::test {
namespace {

using Kind = RunEvent::Kind;

class RunEvents : public EngineTest {
  protected:
    RunEvents() {
        settings.ManualGenerator = true;
        host.recordEvents(true);
    }

    // The recorded events in short: "started", "step 1 0.07", "ended stopped", "created 2"...
    std::vector<std::string> told() const {
        std::vector<std::string> out;
        for (const RunEvent& e : host.shown().events) {
            if (e.kind == Kind::Step)
                out.push_back("step " + std::to_string(e.step) + " " + num::fixed(e.seconds, 2));
            else if (e.kind == Kind::Ended)
                out.push_back("ended " + e.ending);
            else if (e.kind == Kind::PedestrianCreated || e.kind == Kind::PedestrianRemoved)
                out.push_back((e.kind == Kind::PedestrianCreated ? "created " : "removed ") +
                              std::to_string(e.pedestrian));
            else
                out.push_back(e.kind == Kind::Started  ? "started"
                              : e.kind == Kind::Paused ? "paused"
                                                       : "resumed");
        }
        return out;
    }
};

TEST_F(RunEvents, ARunIsToldFromItsStartToItsEnd) {
    add(8.6f, 3, 10, 3, 1.5, 1, 1.4, 0);  // arrives at its first move
    add(2, 3, 10, 3);
    ASSERT_TRUE(engine.StartSimulation());
    engine.SimulationTick();
    engine.PauseSimulation();
    engine.SimulationTick();  // a paused run takes no step
    engine.PauseSimulation();
    engine.SimulationTick();
    engine.StopSimulation();
    EXPECT_EQ(told(), (std::vector<std::string>{"created 1", "created 2", "started", "step 1 0.07",
                                                "removed 1", "paused", "resumed", "step 2 0.13",
                                                "ended stopped"}));
}

TEST_F(RunEvents, AFinishedAndARefusedRunAreToldByTheirWords) {
    // The events that begin and end a run, of those told since the last call.
    const auto ends = [this] {
        std::vector<std::string> out;
        for (const std::string& e : told())
            if (e.rfind("ended", 0) == 0 || e == "started") out.push_back(e);
        host.clearEvents();
        return out;
    };
    // A run by hand with nobody to move finishes at its 101st step, and reads none of the
    // automatic generator's settings.
    settings.PercentNumOf1stCategory = "x";
    ASSERT_TRUE(engine.StartSimulation());
    int ticks = 0;
    for (; ticks < 200 && engine.runExists(); ++ticks) engine.SimulationTick();
    EXPECT_EQ(ticks, 101);
    EXPECT_EQ(ends(), (std::vector<std::string>{"started", "ended finished"}));
    // An empty trap shows zeros; no step was sampled, so the run means of NHI and NUVI are 0.
    const PerformanceTexts& p = engine.performance();
    EXPECT_EQ((std::vector<std::string>{p.TotalPed, p.AvgSpeed, p.InstantDelay, p.Uncomfort, p.NHI,
                                        p.NUVI, p.AvgNHI, p.AvgNUVI}),
              (std::vector<std::string>{"0", "0.000", "0.00", "0.00", "0.000", "0.000", "0.000",
                                        "0.000"}));

    // Generation fails once the run's files are open: no pedestrian can be placed.
    settings.PercentNumOf1stCategory = Settings{}.PercentNumOf1stCategory;
    settings.ManualGenerator = false;
    host.setM2Twips(0);
    EXPECT_FALSE(engine.StartSimulation());
    EXPECT_NE(host.shown().messages.back().text.find("calibrate the trap first"),
              std::string::npos);
    EXPECT_EQ(ends(), (std::vector<std::string>{"ended refused"}));
    EXPECT_FALSE(engine.runExists());
}

}  // namespace
}  // namespace strida::test
