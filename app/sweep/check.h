// Every run of a study checked before the study starts, the way strida-batch checks a run before
// its first step: the scenario's settings, then the run's --set values in order, the trap
// calibrated on a canvas without a window, the scenario's hand-made pedestrians made, and the
// engine's start-time check of the settings. A value that would stop every run it reaches is
// refused here, before any run is started, instead of failing each run.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/scenario.h"
#include "sweep/design.h"

namespace strida::sweep {

// Checks the runs of every point of the design (replications start alike). `common` holds the
// NAME=VALUE settings every run is given after the point's values. Returns the reason the first
// point that cannot start would be refused, naming the point; nothing when every run can start.
std::optional<std::string> checkRuns(const Scenario& scenario, const std::vector<Vary>& varies,
                                     const std::vector<std::string>& common);

}  // namespace strida::sweep
