// A pedestrian's own measures, taken while it is inside the trap.
#include "support/engine_fixture.h"

namespace strida::test {
namespace {

class Measures : public EngineTest {
  protected:
    Measures() { forcesOff(); }
};

TEST_F(Measures, NeighbourhoodIndicesOfAPedestrianWithoutNeighboursOrSpeed) {
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
