// Settings that make the arithmetic impossible must not corrupt a pedestrian or stop the run.
#include <cmath>
#include <limits>

#include "support/engine_fixture.h"

namespace strida::test {
namespace {

struct Motion {
    float px, py;
    double vx, vy, speed, accl;
    bool operator==(const Motion&) const = default;
};

Motion motionOf(const PedClass& p) {
    return {p.Px(), p.Py(), p.Vx(), p.Vy(), p.InstantSpeed(), p.InstantAccl()};
}

bool desiresAreZero(const PedClass& p) {
    return p.desireForwardX() == 0 && p.desireForwardY() == 0 && p.desireAvoidX() == 0 &&
           p.desireAvoidY() == 0 && p.desireRepulseX() == 0 && p.desireRepulseY() == 0;
}

using BadInput = EngineTest;

TEST_F(BadInput, AZeroTimeSliceIsRefused) {
    PedClass& p = add(2, 3, 9, 3, 1.5, 1, 0.5, 0.2);
    steps(1);  // a normal step first, so that there is a finite speed to keep
    settings.DT = "0";
    const Motion before = motionOf(p);
    EXPECT_NE(engine.movePedestrian(p), std::nullopt);
    EXPECT_EQ(motionOf(p), before);
    EXPECT_TRUE(desiresAreZero(p));
    settings.DT = "15";
    EXPECT_EQ(engine.movePedestrian(p), std::nullopt) << "a valid time slice makes it walk again";
    EXPECT_GT(p.Px(), 2.0f);
}

TEST_F(BadInput, AZeroBetaStopsTheRunOnlyWhenItsForceDividesByIt) {
    // Taken for a pedestrian: whether it divides depends on the force being on when they meet.
    // A pedestrian is refused a Beta of 0 while the force is on, so it is made with the force off.
    settings.Beta = "0";
    settings.Chi = "0";
    EXPECT_TRUE(tryAdd(2, 3, 9, 3, 1.5, 1, 0.4, 0));
    settings.ForceSeparate = Check::Unchecked;
    settings.ForceFlee = Check::Unchecked;
    PedClass& a = add(2, 3, 9, 3, 1.5, 1, 0.4, 0);
    PedClass& b = add(2.5f, 3, 0, 3, 1.5, 2, -0.4, 0);
    EXPECT_EQ(step(), std::vector<std::string>{});
    EXPECT_GT(a.Px(), 2.0f) << "with both neighbour forces off they walk on";

    // Overlapping with the avoid-collision force on, the first cannot move: the step is abandoned
    // and the run paused, nobody moved.
    settings.ForceSeparate = Check::Checked;
    const Motion beforeA = motionOf(a), beforeB = motionOf(b);
    const std::vector<std::string> shown = step();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].rfind("The run is paused: pedestrian 1 cannot move: ", 0), 0u) << shown[0];
    EXPECT_FALSE(engine.IsRunning());
    EXPECT_EQ(motionOf(a), beforeA);
    EXPECT_EQ(motionOf(b), beforeB);
    EXPECT_TRUE(desiresAreZero(a));
}

TEST_F(BadInput, APositionBeyondSinglePrecisionIsAnOverflow) {
    // At the largest single-precision position, walking on in both directions overflows both.
    forcesOff();
    const float edge = std::numeric_limits<float>::max();
    PedClass& p = add(edge, edge, 0, 0, 1e33, 1, 1e33, 1e33, 0.0);
    const Motion before = motionOf(p);
    const std::vector<std::string> shown = step();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(shown[0].ends_with("cannot move: Overflow in the position.")) << shown[0];
    EXPECT_EQ(motionOf(p), before);
}

TEST_F(BadInput, ASimultaneousStepNamesTheFirstThatCannotMoveAndMovesTheRest) {
    forcesOff();
    settings.UpdateOrder = "Simultaneous";
    const float edge = std::numeric_limits<float>::max();
    PedClass& walker = add(5, 3, 9, 3, 1.5, 1, 1, 0, 1.44);
    for (int i = 0; i < 2; ++i) add(edge, edge, 0, 0, 1e33, 1, 1e33, 1e33, 0.0);
    const Motion stuck = motionOf(*engine.pedestrians().find(std::int16_t{2}));
    const std::vector<std::string> shown = step();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].rfind("The run is paused: pedestrian 2 cannot move: Overflow", 0), 0u)
        << shown[0];
    EXPECT_EQ(motionOf(*engine.pedestrians().find(std::int16_t{2})), stuck);
    EXPECT_GT(walker.Px(), 5.0f);
    // Without them the run goes on, nothing left over from the failed step.
    engine.RemovePedestrian(2);
    engine.RemovePedestrian(3);
    EXPECT_EQ(step(), std::vector<std::string>{});
}

TEST_F(BadInput, TheMeasuredStepCountDoesNotOverflow) {
    forcesOff();
    PedClass& p = add(5, 3, 9, 3, 1.5);
    for (int i = 0; i < 33000; ++i) ASSERT_EQ(engine.movePedestrian(p), std::nullopt);
    EXPECT_EQ(p.stepsInTrap(), 32999);  // every step but the first
    for (double m : {p.InstantDelay(), p.Uncomfort(), p.InstantNHI(), p.InstantNUVI(), p.walkDist(),
                     p.MeanSpeed()})
        EXPECT_TRUE(std::isfinite(m));
}

}  // namespace
}  // namespace strida::test
