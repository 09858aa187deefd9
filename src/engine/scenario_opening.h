// Opening a scenario: the one way the window and the batch runner take a scenario in, so that the
// same file gives the same run in both.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/error.h"
#include "engine/scenario.h"

namespace strida {

class Engine;
class ManualGenerator;

struct ScenarioOpening {
    // The file the scenario was read from, named in the error of a setting it cannot put back.
    std::filesystem::path file;
    // Changes made on top of the scenario before its pedestrians are made (strida-batch --set),
    // each through the engine's door: name and value.
    std::vector<std::pair<std::string, std::string>> changes;
    // The caller's calibrate command (the window's also fits its canvas to the trap).
    std::function<bool()> calibrate;
};

// Opens a read scenario on a clean slate, in this order: the pedestrians waiting for a run and the
// manual generator's list go (an earlier scenario's among them); every setting is put back exactly
// as saved, then the changes are made; the trap is calibrated to the result; the scenario's
// pedestrians are made at that scale; its seed becomes the engine's. Refused while a run exists.
// A setting that cannot be put back, a change the door refuses or a trap the calibration would
// refuse is found before anything changes, and the error says why.
MaybeError openScenario(Engine& engine, ManualGenerator& manual, const Scenario& scenario,
                        const ScenarioOpening& how);

}  // namespace strida
