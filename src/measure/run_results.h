// What a run leaves for a paper besides its report files: its closing figures unrounded, how many
// pedestrians it generated, measured and saw arrive, each of them per walking direction too, and a
// table of every pedestrian's own figures. docs/reports.md defines each one.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "measure/direction.h"

namespace strida {

// The run-wide figures over a run's sampled steps (steps after which at least one pedestrian, or
// one of a walking direction, stood inside the trap). A figure without a sampled step has no value.
struct ClosingFigures {
    std::int32_t DissipationTime = 0;  ///< sampled steps
    std::optional<double> AvgTotalPed;
    std::optional<double> MeanAvgSpeed, MeanAlongSpeed;  ///< m/s
    std::optional<double> MeanUncomfort;                 ///< fraction (System.txt shows x 100)
    std::optional<double> AvgDelay;                      ///< s x dt, as System.txt
    std::optional<double> AvgNHI, AvgNUVI;
};

// How many pedestrians of the run did what, at its end.
struct PedestrianCounts {
    int generated = 0;  ///< there as it started or created during it
    int entered = 0;    ///< stood inside the trap after at least one of their moves
    int measured = 0;   ///< measured in at least one step (see PedestrianRow)
    int arrived = 0;    ///< reached their target and left the run
    int removed = 0;    ///< taken out of the run by hand
    int inRun = 0;      ///< still walking when the run ended
};

struct RunResults {
    double dt = 0;  ///< s: the time slice the figures were taken at
    ClosingFigures all;
    ClosingFigures of[2];  ///< per walking direction
    PedestrianCounts counts;
    PedestrianCounts countsOf[2];
};

// One pedestrian's own figures over a run. It is measured in a step when it stands inside the
// trap after its move and has stood there after the move before (the move that brings it in only
// starts its measuring), until it leaves after two or more measured steps.
struct PedestrianRow {
    int id = 0;
    Direction way = WestToEast;
    int color = 1;
    double maxSpeed = 0;  ///< m/s
    double created = 0;   ///< s
    bool entered = false;
    int measuredSteps = 0;
    std::int32_t firstMeasured = 0, lastMeasured = 0;  ///< steps
    bool outsideSince = false;  ///< stood outside the trap after its last measured step
    // m: walked over its measured steps, from where each began to where it ended, and the part
    // of it along its walking direction (less what it was pushed back).
    double distance = 0, along = 0;
    double delay = 0;               ///< s x dt: its own delay, as of its last measured step
    double uncomfort = 0;           ///< its own uncomfortability, as of its last measured step
    std::optional<double> arrived;  ///< s
    bool inRun = false;             ///< still walking when the run ended
};

// The results as the run manifest's "results" object holds them (JSON text, no indentation).
std::string resultsJson(const RunResults& results);

// Writes the per-pedestrian table as comma-separated values, in the order given, the times and
// the delay in seconds (dt the time slice). On a failure an error text, and no file.
std::optional<std::string> writePedestrianTable(const std::filesystem::path& file,
                                                const std::vector<PedestrianRow>& rows, double dt);

}  // namespace strida
