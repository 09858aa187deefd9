// Small runs at the edges of the measures, worked out by hand from the model's rules. With DT 2
// (half-second slices), Mass 1, a maximum speed of 2 m/s and a maximum acceleration of 1 m/s2, a
// walker starting from rest wants 2 m/s at once and is held to 1 m/s2: its speed goes 0.5, 1, 1.5,
// 2, 2, ... and it moves 0.25, 0.5, 0.75, 1, 1, ... metres per slice.
#include <cmath>

#include "support/engine_fixture.h"

namespace strida::test {
namespace {

class WorkedExamples : public EngineTest {
  protected:
    WorkedExamples() {
        settings.DT = "2";
        settings.Mass = "1";
        // Only the forward force: the neighbours are still counted by the measures.
        settings.ForceFlee = Check::Unchecked;
        settings.ForceSeparate = Check::Unchecked;
    }
};

// Every record of a finished step is visible to another program at once, not only at the run's
// end.
TEST_F(WorkedExamples, EachFinishedStepIsInTheFilesWhileTheRunGoesOn) {
    settings.ReportInstantPerformance = Check::Checked;
    settings.ReportAvgInstantPerformance = Check::Checked;
    add(6, 3, 100, 3, 2.0, 1, 0, 0, 1.0);
    steps(2);
    const std::string instant = report(ReportFile::Instant);
    EXPECT_TRUE(instant.ends_with("\"NUVI\"\r\n1,1,6.75,3,2,1,1,1,0.125,0,1,1\r\n")) << instant;
    EXPECT_TRUE(
        report(ReportFile::AvgInstant)
            .ends_with("\"1.00\",\"1\",\"1.000\",\"0.13\",\"0.00\",\"1.000\",\"1.000\"\r\n"));
}

// The trap's four edges belong to it. With half-second slices a walker at 1 m/s moves exactly
// 0.5 m: from x = -1 it is outside after the first slice, on the west edge after the second
// (its entry, not measured) and measured from the third.
TEST_F(WorkedExamples, PedestriansOnTheEdgesAreInsideAndAnEntryIsNotMeasured) {
    settings.ForceForward = Check::Unchecked;
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
// from 1 m/s, held to 0.01 m/s2, the measured speeds are 1.01, 1.015 and 1.02 m/s, whose
// uncomfortability is 6e-6 and then 1.6e-5.
TEST_F(WorkedExamples, AnUncomfortabilityBelowTheFloorIsNone) {
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
