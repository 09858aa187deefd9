// A pedestrian's own measures, taken while it is inside the trap.
#include <cmath>

#include "support/engine_fixture.h"

namespace strida::test {
namespace {

class Measures : public EngineTest {
  protected:
    Measures() { forcesOff(); }
};

TEST_F(Measures, NeighbourhoodIndices) {
    PedClass& lone = addCruising(1, 1, 1, 0, 1.5);
    steps(2);
    EXPECT_EQ(lone.InstantNHI(), 1.0);
    EXPECT_EQ(lone.InstantNUVI(), 1.0);

    // Within 2 x 0.835 m: one of the same colour standing, one of another walking north.
    PedClass& p = addCruising(5, 3, 1, 0, 1.5, 1);
    addCruising(5.8f, 3.5f, 0, 0, 1.5, 1);
    addCruising(4.5f, 2.5f, 0, 1, 1.5, 2);
    addCruising(8, 3, 0, 0, 1.5, 3);  // 3 m off: not a neighbour
    steps(2);
    EXPECT_EQ(p.InstantNHI(), 0.5);
    // Own velocity (1, 0) against the neighbours' mean (0, 0.5).
    EXPECT_NEAR(p.InstantNUVI(), std::sqrt(1.25), 1e-12);

    // Exactly twice the influence radius apart is not near enough.
    settings.DT = "2";
    settings.InfluenceDiameter = "1";
    addCruising(2, 5.5f, 1, 0, 2.0, 2);  // moved first, so 1 m ahead when the other measures
    PedClass& apart = addCruising(1, 5.5f, 1, 0, 2.0, 1);
    steps(2);
    EXPECT_EQ(apart.InstantNHI(), 1.0);
    settings.DT = "15";
    settings.InfluenceDiameter = "1.67";

    // Standing still, a pedestrian counts as homogeneous whatever its neighbours.
    PedClass& still = addCruising(5, 5, 0, 0, 1.5, 4);
    addCruising(5.5f, 5, 0.5, 0, 1.5, 2);
    steps(2);
    EXPECT_EQ(still.InstantNHI(), 1.0);
    EXPECT_EQ(still.InstantNUVI(), 1.0);
}

TEST_F(Measures, WalkedDistanceDelayAndComfortAtConstantSpeed) {
    settings.DT = "2";  // half-second slices
    PedClass& atMax = addCruising(1, 2, 1, 0, 1.0);
    PedClass& slow = addCruising(1, 4.5f, 1, 0, 2.0);  // walks at half its maximum speed
    steps(1);
    for (int n = 1; n <= 4; ++n) {
        steps(1);
        // 0.5 m per slice, counted as distance x dt.
        EXPECT_EQ(atMax.walkDist(), 0.25 * n);
        EXPECT_EQ(atMax.MeanSpeed(), 1.0);
        EXPECT_EQ(atMax.InstantDelay(), 0.0);
        EXPECT_EQ(atMax.Uncomfort(), 0.0);
        // Half its maximum speed: the same walk takes twice the time it could have.
        EXPECT_EQ(slow.InstantDelay(), 0.125 * n);
        EXPECT_EQ(slow.Uncomfort(), 0.0);
    }
}

TEST_F(Measures, LeavingCountsOnlyAfterTwoMeasuredSteps) {
    // 0.1 m per slice towards the east end of the 10 m trap.
    PedClass& once = addCruising(9.75f, 2, 1.5, 0, 1.5);   // in at 9.85, measured at 9.95, out
    PedClass& twice = addCruising(9.65f, 4, 1.5, 0, 1.5);  // measured at 9.85 and 9.95, out
    steps(3);
    ASSERT_GT(once.Px(), 10.0f);
    EXPECT_FALSE(once.hasLeft());
    EXPECT_EQ(once.stepsInTrap(), 1);
    EXPECT_EQ(twice.stepsInTrap(), 2);
    steps(1);
    ASSERT_GT(twice.Px(), 10.0f);
    EXPECT_TRUE(twice.hasLeft());
    EXPECT_EQ(twice.stepsInTrap(), 0);

    // The trap grows to 12 m and takes both in again. Once it has left, a pedestrian's measures
    // stay as they were; one that was not marked as left goes on counting.
    const double walked = twice.walkDist(), mean = twice.MeanSpeed();
    host.setArea(6000, 3000);
    engine.calibrated();
    steps(3);
    ASSERT_LT(twice.Px(), 12.0f);
    EXPECT_EQ(twice.walkDist(), walked);
    EXPECT_EQ(twice.MeanSpeed(), mean);
    EXPECT_EQ(twice.stepsInTrap(), 0);
    EXPECT_EQ(once.stepsInTrap(), 4);
}

}  // namespace
}  // namespace strida::test
