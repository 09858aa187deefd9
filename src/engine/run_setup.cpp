#include "engine/run_setup.h"

#include "engine/manual_generator.h"
#include "engine/scenario.h"
#include "engine/scenario_opening.h"
#include "measure/run_manifest.h"

namespace strida {

namespace {

// The run a manifest records: its exact settings, seed, pedestrians and, for a run that did not
// end by itself, its number of steps, and the files it wrote, each into the report folder. What
// the set-up gives as well comes first.
SetupError loadReplay(const std::filesystem::path& file, RunSetup& o, Engine& engine) {
    RunManifest m;
    if (MaybeError error = readManifest(file, m)) return error->description;
    if (MaybeError error = engine.restoreSettings(m.settings)) return error->description;
    if (!o.seed) o.seed = m.seed;
    if (!o.pedFile && !m.pedFile.empty()) {
        std::error_code ec;
        if (!std::filesystem::exists(m.pedFile, ec))
            return "the pedestrian data file " + m.pedFile + " that the run read is missing";
        o.pedFile = m.pedFile;
        o.pedFileSha256 = m.pedFileSha256;
    }
    o.pedestrians = m.pedestrians;
    if (!o.steps && m.ending != "finished") o.steps = m.steps;
    const bool trajectoriesGiven = !o.trajectories.empty();
    std::vector<std::string> outputs = m.trajectories;
    if (!m.chartData.empty()) outputs.push_back(m.chartData);
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        const std::optional<std::filesystem::path> name = replayName(outputs[i]);
        if (!name) return "the manifest names an output file '" + outputs[i] + "'";
        if (i == m.trajectories.size()) {
            if (!o.chartData) o.chartData = *name;
        } else if (!trajectoriesGiven) {
            o.trajectories.push_back(*name);
        }
    }
    if (!m.pedestrianTable.empty() && !o.pedestrianTable) {
        o.pedestrianTable = replayName(m.pedestrianTable);
        if (!o.pedestrianTable)
            return "the manifest names an output file '" + m.pedestrianTable + "'";
    }
    return std::nullopt;
}

// A scenario opened as the window opens it, with every set on top: its settings exactly as saved,
// the trap calibrated, its pedestrians made, and its seed unless one was given.
SetupError loadScenario(const std::filesystem::path& file, RunSetup& o, Engine& engine) {
    Scenario scenario;
    if (MaybeError error = readScenario(file, scenario)) return error->description;
    if (scenario.hasPedestrians && o.pedFile)
        return "the scenario has hand-made pedestrians; " + o.pedFileOption +
               " would add a second set";
    ManualGenerator manual(engine);
    const ScenarioOpening how{file, o.sets, [&engine] { return engine.calibrate(); }};
    if (MaybeError error = openScenario(engine, manual, scenario, how)) return error->description;
    if (!o.seed) o.seed = scenario.seed;
    o.pedestrians = scenario.pedestrians;
    o.pedestriansMade = true;
    o.description = scenario.description;
    return std::nullopt;
}

}  // namespace

SetupError prepareSettings(RunSetup& setup, Engine& engine) {
    if (setup.replay)
        if (SetupError error = loadReplay(*setup.replay, setup, engine)) return error;
    if (setup.scenario) return loadScenario(*setup.scenario, setup, engine);
    for (const auto& [name, value] : setup.sets)
        if (MaybeError error = engine.changeSetting(name, value)) return error->description;
    return std::nullopt;
}

SetupError prepareOutputs(const RunSetup& setup) {
    std::vector<std::filesystem::path> outputs = setup.trajectories;
    if (setup.chartData) outputs.push_back(*setup.chartData);
    if (setup.pedestrianTable) outputs.push_back(*setup.pedestrianTable);
    if (MaybeError error = checkOutputNames(outputs, setup.out)) return error->description;
    std::error_code ec;
    std::filesystem::create_directories(setup.out, ec);
    if (ec) return "cannot create the report folder " + setup.out.string() + ": " + ec.message();
    return std::nullopt;
}

SetupError prepareRun(const RunSetup& setup, Engine& engine, std::uint64_t seed) {
    // An opened scenario has calibrated the trap already, before its pedestrians were made.
    if (!setup.scenario && !engine.calibrate()) return std::string();
    engine.setSeed(seed);
    engine.setAnimate(false);
    engine.setNeighbourSearch(setup.search);
    engine.setThreads(setup.threads);
    engine.setTrajectoryFiles(setup.trajectories);
    engine.setChartDataFile(setup.chartData);
    engine.setPedestrianTableFile(setup.pedestrianTable);
    return std::nullopt;
}

SetupError createPedestrians(Engine& engine, const RunSetup& setup) {
    ManualGenerator manual(engine);
    if (setup.pedFile) {
        if (!manual.loadPedestrians(*setup.pedFile)) return std::string();
        const std::string sha256 = sha256Of(*setup.pedFile);
        if (setup.pedFileSha256 && sha256 != *setup.pedFileSha256)
            return "the pedestrian data file " + setup.pedFile->string() +
                   " is not the one the run read";
        engine.setDataFile(std::filesystem::absolute(*setup.pedFile), sha256);
    }
    if (setup.pedestriansMade || setup.pedestrians.empty()) return std::nullopt;
    if (!manual.createPedestrians(setup.pedestrians)) return std::string();
    return std::nullopt;
}

SetupError saveScenario(const RunSetup& setup, const std::filesystem::path& file,
                        const Settings& settings, std::uint64_t seed) {
    Scenario scenario = scenarioOf(settings);
    scenario.description = setup.description;
    scenario.seed = seed;
    scenario.pedestrians = setup.pedestrians;
    if (setup.pedFile) {
        const PedFileRead read = readPedFile(*setup.pedFile, scenario.pedestrians);
        if (read.error) return read.error->description;
    }
    scenario.hasPedestrians = !scenario.pedestrians.empty();
    if (MaybeError error = writeScenario(file, scenario)) return error->description;
    return std::nullopt;
}

bool ScriptedRun::step() {
    engine_.SimulationTick();
    if (!engine_.stepAbandoned()) ++taken_;
    // An interrupt abandons the step under way by ending the run.
    if (!engine_.runExists()) ending_ = engine_.stepAbandoned() ? "interrupted" : "finished";
    return goesOn();
}

void ScriptedRun::end(const std::string& ending) {
    if (!ending_.empty()) return;
    failed_ = engine_.runExists() && !engine_.IsRunning();
    if (engine_.runExists()) engine_.StopSimulation(ending);
    ending_ = ending;
}

}  // namespace strida
