// Small runs whose every figure was worked out by hand from the model's rules, asserted as the
// literal numbers and report lines a user would find. With DT 2 (half-second slices), Mass 1, a
// maximum speed of 2 m/s and a maximum acceleration of 1 m/s2, a walker starting from rest wants
// 2 m/s at once and is held to 1 m/s2: its speed goes 0.5, 1, 1.5, 2, 2, ... and it moves
// 0.25, 0.5, 0.75, 1, 1, ... metres per slice.
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

// Two walkers side by side, 1 m apart (within 2 x 0.835 m of each other), start from rest at
// x = 6 in the 10 m trap and walk east; a third stands still west of the trap all the time. The
// first to move sees its neighbour's old velocity, the second the first one's new velocity, so
// only the first has a non-uniform neighbourhood while they accelerate: its NUVI is
// |v - (v - 0.5)| / v. They leave the trap at the sixth slice, which finishes the run.
TEST_F(WorkedExamples, TwoWalkersFromRestThroughTheTrapToTheFinish) {
    settings.ReportInstantPerformance = Check::Checked;
    settings.ReportAvgInstantPerformance = Check::Checked;
    settings.ReportSystemPerformance = Check::Checked;
    settings.ReportNTXY = Check::Checked;
    finishWhenTrapEmpties = true;
    add(6, 3, 100, 3, 2.0, 1, 0, 0, 1.0);
    add(6, 4, 100, 4, 2.0, 1, 0, 0, 1.0);
    add(-5, 3, -5, 50, 2.0, 1, 0, 0, 0.0);  // outside the trap, never moves

    const char* shown[][13] = {
        // TotalPed AvgSpeed Uncomfort MeanAvgSpeed InstantDelay AvgDelay AvgTotalPed
        // MeanUncomfort DissipationTime NHI AvgNHI NUVI AvgNUVI
        {"2", "0.500", "0.00", "0.500", "0.00", "0.00", "2.00", "0.00", "1.00", "0.000", "0.000",
         "0.000", "0.000"},
        {"2", "1.000", "0.00", "0.750", "0.13", "0.06", "2.00", "0.00", "2.00", "1.000", "0.500",
         "0.250", "0.125"},
        {"2", "1.500", "3.85", "1.000", "0.19", "0.10", "2.00", "1.28", "3.00", "1.000", "0.667",
         "0.167", "0.139"},
        {"2", "2.000", "6.90", "1.250", "0.19", "0.13", "2.00", "2.69", "4.00", "1.000", "0.750",
         "0.125", "0.135"},
        {"2", "2.000", "6.11", "1.400", "0.19", "0.14", "2.00", "3.37", "5.00", "1.000", "0.800",
         "0.000", "0.108"},
    };
    for (const auto& expected : shown) {
        steps(1);
        const PerformanceTexts& p = engine.performance();
        EXPECT_EQ(
            (std::vector<std::string>{p.TotalPed, p.AvgSpeed, p.Uncomfort, p.MeanAvgSpeed,
                                      p.InstantDelay, p.AvgDelay, p.AvgTotalPed, p.MeanUncomfort,
                                      p.DissipationTime, p.NHI, p.AvgNHI, p.NUVI, p.AvgNUVI}),
            std::vector<std::string>(std::begin(expected), std::end(expected)))
            << "after step " << engine.StepCount();
    }
    ASSERT_TRUE(engine.runExists());
    steps(1);  // both at x = 10.5: the trap has emptied
    EXPECT_FALSE(engine.runExists()) << "an emptied trap finishes an all-at-once run";
    EXPECT_EQ(host.shown().ending, "finished");

    EXPECT_EQ(report(ReportFile::Instant),
              "\"Instantaneous Performance of pedestrian in the trap\"\r\n\r\n"
              "\"N\",\"T\",\"X\",\"Y\",\"maxSpeed\",\"maxAccl\",\"Speed\",\"Accl\",\"Delay\","
              "\"Uncomfort\",\"NHI\",\"NUVI\"\r\n"
              "1,1,6.75,3,2,1,1,1,0.125,0,1,0.5\r\n"
              "2,1,6.75,4,2,1,1,1,0.125,0,1,0\r\n"
              "1,1.5,7.5,3,2,1,1.5,1,0.1875,0.038461538461538436,1,0.3333333333333333\r\n"
              "2,1.5,7.5,4,2,1,1.5,1,0.1875,0.038461538461538436,1,0\r\n"
              "1,2,8.5,3,2,1,2,1,0.1875,0.06896551724137923,1,0.25\r\n"
              "2,2,8.5,4,2,1,2,1,0.1875,0.06896551724137923,1,0\r\n"
              "1,2.5,9.5,3,2,1,2,0,0.1875,0.061111111111111116,1,0\r\n"
              "2,2.5,9.5,4,2,1,2,0,0.1875,0.061111111111111116,1,0\r\n");
    EXPECT_EQ(report(ReportFile::AvgInstant),
              "\"Average Instantaneous Performance of pedestrian in the trap\"\r\n\r\n"
              "\"Time\",\"Total Pedestrians\",\"Speed\",\"Delay\",\"Uncomfort\",\"NHI\","
              "\"NUVI\"\r\n"
              "\"0.50\",\"2\",\"0.500\",\"0.00\",\"0.00\",\"0.000\",\"0.000\"\r\n"
              "\"1.00\",\"2\",\"1.000\",\"0.13\",\"0.00\",\"1.000\",\"0.250\"\r\n"
              "\"1.50\",\"2\",\"1.500\",\"0.19\",\"3.85\",\"1.000\",\"0.167\"\r\n"
              "\"2.00\",\"2\",\"2.000\",\"0.19\",\"6.90\",\"1.000\",\"0.125\"\r\n"
              "\"2.50\",\"2\",\"2.000\",\"0.19\",\"6.11\",\"1.000\",\"0.000\"\r\n"
              "\r\n");
    EXPECT_EQ(report(ReportFile::System),
              "\"System time-average Performance \"\r\n\r\n"
              "\"mass\",\"alpha\",\"beta\",\"chi\",\"Total Pedestrians\",\"AvgTotalPed\","
              "\"MeanAvgSpeed\",\"MeanUncomfort\",\"AvgDelay\",\"DissipationTime\",\"NHI\","
              "\"NUVI\"\r\n"
              "\"1\",\"0.205\",\"0.001\",\"0.250\",\"10\",\"2.00\",\"1.400\",\"3.37\",\"0.14\","
              "\"5.00\",\"0.800\",\"0.108\"\r\n");
    // The run's closing figures are the ones its System row copied, not the zeros shown after.
    const PerformanceTexts& closing = engine.closingFigures();
    EXPECT_EQ(closing.AvgTotalPed + " " + closing.MeanAvgSpeed + " " + closing.MeanUncomfort + " " +
                  closing.AvgDelay + " " + closing.DissipationTime + " " + closing.AvgNHI + " " +
                  closing.AvgNUVI,
              "2.00 1.400 3.37 0.14 5.00 0.800 0.108");
    EXPECT_EQ(engine.performance().MeanAvgSpeed, "0.000");
    const std::string ntxy = report(ReportFile::NTXY);
    EXPECT_EQ(ntxy.substr(ntxy.find("\"Y\"\r\n") + 5),
              "\"1\",\"2\",\"6.75\",\"3.00\"\r\n\"2\",\"2\",\"6.75\",\"4.00\"\r\n"
              "\"1\",\"3\",\"7.50\",\"3.00\"\r\n\"2\",\"3\",\"7.50\",\"4.00\"\r\n"
              "\"1\",\"4\",\"8.50\",\"3.00\"\r\n\"2\",\"4\",\"8.50\",\"4.00\"\r\n"
              "\"1\",\"5\",\"9.50\",\"3.00\"\r\n\"2\",\"5\",\"9.50\",\"4.00\"\r\n");
}

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
    EXPECT_EQ(walker.MeanSpeed(), 1.0);
    EXPECT_EQ(walker.walkDist(), 0.25) << "0.5 m times the half-second slice";
    EXPECT_EQ(walker.InstantDelay(), 0.125);
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
