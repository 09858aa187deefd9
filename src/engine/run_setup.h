// A scripted run's set-up, shared by the batch runner and the Python module so that the same
// settings, seed and pedestrians give the same run, file for file, whichever of them starts it:
// where the settings come from, what the run writes, and the order in which the engine is told.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/engine.h"
#include "measure/ped_data_file.h"

namespace strida {

struct RunSetup {
    // Settings by name and text, applied in order on top of the scenario or the replayed run.
    std::vector<std::pair<std::string, std::string>> sets;
    std::optional<std::filesystem::path> scenario, replay;
    std::optional<std::filesystem::path> pedFile;
    // How the data file is given, for the message that refuses it beside a scenario's pedestrians.
    std::string pedFileOption = "--peds";
    // The SHA-256 a replayed run's data file had; the file must still have it.
    std::optional<std::string> pedFileSha256;
    std::optional<std::uint64_t> seed;
    std::optional<long> steps;  // a replayed run that did not end by itself stops where it did
    std::filesystem::path out = ".";
    std::vector<std::filesystem::path> trajectories;
    std::optional<std::filesystem::path> chartData, pedestrianTable;
    // Hand-made pedestrians given with the settings, by a scenario or a replayed manifest.
    std::vector<PedRecord> pedestrians;
    bool pedestriansMade = false;  // by the scenario, as it was opened
    std::string description;       // the scenario's
    NeighbourSearch search = NeighbourSearch::Index;
    int threads = 0;  // every core
};

// Each stage returns what stops the set-up, in words for the user. An empty text means the engine
// has told it through its host already.
using SetupError = std::optional<std::string>;

// The settings the run starts from: a replayed run's or a scenario's (which calibrates the trap and
// makes its pedestrians), then every set, all through the engine.
SetupError prepareSettings(RunSetup& setup, Engine& engine);
// The files besides the reports: refused when two share a name or one takes a report's; the report
// folder is made.
SetupError prepareOutputs(const RunSetup& setup);
// Calibrates the trap where no scenario has, and tells the engine the seed, the files and the
// neighbour search; the trap is never drawn.
SetupError prepareRun(const RunSetup& setup, Engine& engine, std::uint64_t seed);
// The pedestrians the run starts with: a data file's (which a replay checks to be the one the
// recorded run read) or those given with the settings.
SetupError createPedestrians(Engine& engine, const RunSetup& setup);
// The run as a scenario: the settings as they stand, the seed and the hand-made pedestrians.
SetupError saveScenario(const RunSetup& setup, const std::filesystem::path& file,
                        const Settings& settings, std::uint64_t seed);

// Steps a started run one tick at a time and keeps how it ended, as a user pressing nothing but
// Stop would see it.
class ScriptedRun {
  public:
    explicit ScriptedRun(Engine& engine) : engine_(engine) {}
    // One tick of a run that goes on; whether it still does after it. A run that ended in it has "finished"; one that
    // a failure paused (told through the host) is still there for end() to record.
    bool step();
    bool goesOn() const { return ending_.empty() && engine_.runExists() && engine_.IsRunning(); }
    // Stops a run that still exists, recording this ending; a run that a failure had paused is
    // marked failed.
    void end(const std::string& ending);
    // The steps taken whole: a step an interrupt abandoned does not count.
    long taken() const { return taken_; }
    bool failed() const { return failed_; }
    // "finished", "step limit", "stopped" or "interrupted"; empty while the run goes on.
    const std::string& ending() const { return ending_; }

  private:
    Engine& engine_;
    long taken_ = 0;
    bool failed_ = false;
    std::string ending_;
};

}  // namespace strida
