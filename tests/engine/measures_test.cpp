// A pedestrian's own measures, taken while it is inside the trap, at their edges: worked out by
// hand from the model's rules.
#include <cmath>

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
}

// The trap's four edges belong to it. With half-second slices a walker at 1 m/s moves exactly
// 0.5 m: from x = -1 it is outside after the first slice, on the west edge after the second
// (its entry, not measured) and measured from the third.
TEST_F(Measures, PedestriansOnTheEdgesAreInsideAndAnEntryIsNotMeasured) {
    settings.DT = "2";
    PedClass& walker = addCruising(-1, 3, 1, 0, 2.0);
    PedClass& corner = add(10, 6, 50, 6, 2.0, 1, 0, 0, 0.0);         // east and north edges
    add(0, 0, 50, 0, 2.0, 1, 0, 0, 0.0);                             // west and south edges
    add(std::nextafter(10.0f, 11.0f), 3, 50, 3, 2.0, 1, 0, 0, 0.0);  // just beyond the east edge
    add(5, std::nextafter(6.0f, 7.0f), 50, 6, 2.0, 1, 0, 0, 0.0);    // just beyond the north edge

    steps(1);
    EXPECT_EQ(engine.performance().TotalPed, "2");
    EXPECT_FALSE(walker.hasEntered());
    EXPECT_TRUE(corner.hasEntered());
    steps(1);
    EXPECT_EQ(walker.Px(), 0.0f);
    EXPECT_EQ(engine.performance().TotalPed, "3");
    EXPECT_TRUE(walker.hasEntered());
    EXPECT_EQ(walker.stepsInTrap(), 0);
    EXPECT_EQ(corner.stepsInTrap(), 1);
    // The walker moves at 1 m/s among standing pedestrians, which count as speed 0.
    EXPECT_EQ(engine.performance().AvgSpeed, "0.333");
    steps(1);
    EXPECT_EQ(walker.stepsInTrap(), 1);
}

// A speed that changes very little gives an uncomfortability below 0.0001, which counts as none:
// walking forward in half-second slices from 1 m/s, held to 0.01 m/s2 at Mass 1, the measured
// speeds are 1.01, 1.015 and 1.02 m/s, whose uncomfortability is 6e-6 and then 1.6e-5.
TEST_F(Measures, AnUncomfortabilityBelowTheFloorIsNone) {
    settings.DT = "2";
    settings.Mass = "1";
    settings.ForceForward = Check::Checked;
    PedClass& p = add(2, 3, 100, 3, 2.0, 1, 1.0, 0, 0.01);
    steps(4);
    EXPECT_EQ(p.stepsInTrap(), 3);
    EXPECT_EQ(p.Uncomfort(), 0.0);
    // Once the speeds have spread from 1.01 to 1.1 m/s it is 0.00067 and kept.
    steps(16);
    EXPECT_GT(p.Uncomfort(), 0.0001);
}

}  // namespace
}  // namespace strida::test
