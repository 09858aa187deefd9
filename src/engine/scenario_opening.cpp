#include "engine/scenario_opening.h"

#include "engine/calibration.h"
#include "engine/engine.h"
#include "engine/manual_generator.h"
#include "engine/settings_rules.h"

namespace strida {
namespace {

// The settings the scenario and the changes give, tried on a copy: why they cannot be used, or
// nothing.
MaybeError trySettings(const Settings& current, const Scenario& scenario,
                       const ScenarioOpening& how) {
    Settings trial = current;
    if (MaybeError error = applyScenario(trial, scenario))
        return EngineError{how.file.string() + ": " + error->description};
    for (const auto& [name, value] : how.changes)
        if (MaybeError error = applySetting(trial, name, value)) return error;
    return trapSizeError(trial);
}

}  // namespace

MaybeError openScenario(Engine& engine, ManualGenerator& manual, const Scenario& scenario,
                        const ScenarioOpening& how) {
    if (engine.runExists()) return EngineError{"stop the run before opening a scenario"};
    if (MaybeError error = trySettings(engine.settings(), scenario, how)) return error;
    engine.clearPedestrians();
    manual.clear();
    engine.restoreSettings(scenario.settings);
    for (const auto& [name, value] : how.changes) engine.changeSetting(name, value);
    if (how.calibrate && !how.calibrate()) return EngineError{"the trap cannot be calibrated"};
    if (scenario.hasPedestrians && !scenario.pedestrians.empty() &&
        !manual.createPedestrians(scenario.pedestrians))
        return EngineError{"the scenario's hand-made pedestrians cannot be made"};
    engine.setSeed(scenario.seed);
    return std::nullopt;
}

}  // namespace strida
