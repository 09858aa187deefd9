// What the engine tells its host about a run, as a headless host records it: the order of the
// events, each way a run ends, and commands requested during a step, which wait for the step's
// next point where events are let in.
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
        for (const RunEvent& e : host.shown().events) switch (e.kind) {
                case Kind::Started:
                    out.push_back("started");
                    break;
                case Kind::Paused:
                    out.push_back("paused");
                    break;
                case Kind::Resumed:
                    out.push_back("resumed");
                    break;
                case Kind::Step:
                    out.push_back("step " + std::to_string(e.step) + " " +
                                  num::fixed(e.seconds, 2));
                    break;
                case Kind::Ended:
                    out.push_back("ended " + e.ending);
                    break;
                case Kind::PedestrianCreated:
                    out.push_back("created " + std::to_string(e.pedestrian));
                    break;
                case Kind::PedestrianRemoved:
                    out.push_back("removed " + std::to_string(e.pedestrian));
                    break;
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
    EXPECT_TRUE(host.shown().runExists && !host.shown().stepping) << "paused";
    engine.SimulationTick();  // a paused run takes no step
    engine.PauseSimulation();
    engine.SimulationTick();
    EXPECT_TRUE(host.shown().runExists && host.shown().stepping) << "continued";
    EXPECT_EQ(host.shown().step, 2);
    engine.StopSimulation();
    EXPECT_EQ(told(), (std::vector<std::string>{"created 1", "created 2", "started", "step 1 0.07",
                                                "removed 1", "paused", "resumed", "step 2 0.13",
                                                "ended stopped"}));
    EXPECT_FALSE(host.shown().runExists || host.shown().stepping);
    EXPECT_EQ(host.shown().step, 0);
}

TEST_F(RunEvents, EachWayARunEndsIsToldByItsWord) {
    struct Case {
        const char* ending;
        std::function<void()> end;
        bool started;  // the run began stepping before it ended
    };
    volatile std::sig_atomic_t abandon = 0;
    const Case cases[] = {
        {"finished",
         [this] {
             // A run by hand with nobody to move finishes at its 101st step.
             ASSERT_TRUE(engine.StartSimulation());
             for (int i = 0; i < 200 && engine.runExists(); ++i) engine.SimulationTick();
         },
         true},
        {"stopped",
         [this] {
             ASSERT_TRUE(engine.StartSimulation());
             engine.StartStopCommand();
         },
         true},
        {"interrupted",
         [this, &abandon] {
             add(2, 3, 10, 3);
             engine.setAbandonFlag(&abandon);
             ASSERT_TRUE(engine.StartSimulation());
             abandon = 1;
             engine.SimulationTick();
             abandon = 0;
         },
         true},
        {"refused",
         [this] {
             // Generation fails once the run's files are open: no pedestrian can be placed.
             settings.ManualGenerator = false;
             host.setM2Twips(0);
             EXPECT_FALSE(engine.StartSimulation());
         },
         false},
    };
    for (const Case& c : cases) {
        host.clearEvents();
        c.end();
        std::vector<std::string> ends;
        for (const std::string& e : told())
            if (e.rfind("ended", 0) == 0 || e == "started") ends.push_back(e);
        std::vector<std::string> expected;
        if (c.started) expected.push_back("started");
        expected.push_back(std::string("ended ") + c.ending);
        EXPECT_EQ(ends, expected) << c.ending;
        EXPECT_EQ(host.shown().ending, c.ending);
        EXPECT_FALSE(engine.runExists()) << c.ending;
        host.setM2Twips(kM2Twips);
        settings.ManualGenerator = true;
    }
}

TEST_F(RunEvents, ACommandRequestedDuringAStepWaitsForTheHostToReturn) {
    for (int i = 0; i < 3; ++i) add(2, 1.0f + i, 10, 1.0f + i);
    ASSERT_TRUE(engine.StartSimulation());
    bool requested = false;
    std::vector<bool> runningInside;
    host.setOnProcessEvents([&] {
        if (host.shown().processEventsCount == 2 && !requested) {
            requested = true;
            engine.request([&] { engine.StopSimulation(); });
        }
        // Nothing the step uses changes while the host has control.
        runningInside.push_back(engine.runExists());
    });
    host.resetEventCount();
    engine.SimulationTick();
    host.setOnProcessEvents(nullptr);
    EXPECT_EQ(runningInside, (std::vector<bool>{true, true}))
        << "the tick's call, then the first pedestrian's, after which the stop ends the pass";
    EXPECT_FALSE(engine.runExists());
    EXPECT_EQ(told().back(), "ended stopped");

    // Between steps a request is taken at once.
    bool taken = false;
    engine.request([&] { taken = true; });
    EXPECT_TRUE(taken);
}

}  // namespace
}  // namespace strida::test
