// The engine: one instance for the whole program. It runs the step, the run lifecycle and the
// pedestrian factory, and owns the parts of the run's state, each changed only by the code that
// owns it:
//   - the run clock and flags (here);
//   - the run's pedestrians (PedestrianCollection);
//   - generation counters and placement grids (PedestrianGenerator);
//   - the trap sampling and the performance texts (TrapSampler);
//   - the report files (ReportWriter) and the random source.
// Everything else reads them through the accessors below. The engine also holds the settings
// record: read at every use, changed only through changeSetting and restoreSettings. The host
// connects the engine to the screen.
#pragma once

#include <array>
#include <csignal>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/error.h"
#include "core/random.h"
#include "engine/host.h"
#include "engine/parallel.h"
#include "engine/ped_drawer.h"
#include "engine/pedestrian_collection.h"
#include "engine/pedestrian_generator.h"
#include "engine/run_tally.h"
#include "engine/settings.h"
#include "engine/settings_rules.h"
#include "engine/trap_sampler.h"
#include "measure/report_writer.h"
#include "measure/run_manifest.h"
#include "measure/step_series.h"
#include "measure/trajectory_writer.h"

namespace strida {

// Where a new pedestrian's maximum acceleration comes from.
enum class MaxAcceleration { Parameters, Definition };

class Engine {
  public:
    // An engine holding the settings record itself, starting from the defaults: every change
    // comes through changeSetting or restoreSettings.
    explicit Engine(Host& host, std::filesystem::path reportFolder,
                    std::optional<std::uint64_t> seed = std::nullopt);
    // An engine reading a record that the caller keeps and may set field by field: for tests and
    // benchmarks that build a case directly.
    Engine(Settings& settings, Host& host, std::filesystem::path reportFolder,
           std::optional<std::uint64_t> seed = std::nullopt);
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    const Settings& settings() const { return settings_; }
    Host& host() const { return host_; }

    // The one door for changing a setting (see applySetting): a panel's control, a menu item, a
    // pick on the canvas, the manual generator and strida-batch --set all come through here, so
    // the rules that tie settings together run once, the same way for all of them.
    MaybeError changeSetting(std::string_view name, std::string_view value);
    // Puts back a saved state exactly, without those rules (a scenario, a run's record); all or
    // nothing, as restoreSettings in settings_rules.h.
    MaybeError restoreSettings(const SavedSettings& saved, std::string* failed = nullptr);
    // Takes every pedestrian waiting for a run off the canvas, numbers the next one 1 again and
    // forgets their data file: a clean slate before a scenario is opened. Nothing while a run
    // exists.
    void clearPedestrians();

    /// The timer is on: steps are taken. False while paused.
    bool IsRunning() const { return run_.IsRunning; }
    /// Steps taken in this run.
    std::int32_t StepCount() const { return run_.StepCount; }
    /// Pedestrians created in this run: the ID of the newest.
    std::int32_t LastPedID() const { return run_.LastPedID; }
    /// True from a start to the next stop, paused or not.
    bool runExists() const { return run_.exists; }
    /// True while a step is being taken: commands requested now wait for the step's next point
    /// where events are let in.
    bool stepping() const { return run_.stepping; }
    /// True when the last tick's step was abandoned, which ended its run.
    bool stepAbandoned() const { return run_.abandoned; }

    const PedestrianCollection& pedestrians() const { return Pedestrians_; }
    const ReportWriter& reports() const { return reports_; }
    const TrapSampler& sampling() const { return sampling_; }
    const PedestrianGenerator& generator() const { return generator_; }
    // The thirteen texts of the performance panel, as written after the last step.
    const PerformanceTexts& performance() const { return sampling_.texts(); }
    // The texts as they stood when the last run ended, before anything was cleared: a finished
    // run's "System.txt" row copies the run-wide ones.
    const PerformanceTexts& closingFigures() const { return closing_; }

    // Trajectory files every run writes, named relative to the report folder (or absolute): the
    // format follows the extension, ".txt" or ".sqlite". None by default.
    void setTrajectoryFiles(std::vector<std::filesystem::path> files) {
        trajectoryFiles_ = std::move(files);
    }
    const std::vector<std::filesystem::path>& trajectoryFiles() const { return trajectoryFiles_; }
    // A writer the host keeps, given every frame of the runs started afterwards as the trajectory
    // files are (a script's trajectory in memory); none by default. It writes no file.
    void setTrajectoryRecorder(std::shared_ptr<TrajectoryWriter> recorder) {
        recorder_ = std::move(recorder);
    }
    // A comma-separated file of every step's figures every run writes (relative to the report
    // folder, or absolute); none by default.
    void setChartDataFile(std::optional<std::filesystem::path> file) {
        chartDataFile_ = std::move(file);
    }
    // A table of every pedestrian's own figures every run writes as it ends (relative to the
    // report folder, or absolute); none by default.
    void setPedestrianTableFile(std::optional<std::filesystem::path> file) {
        pedestrianTableFile_ = std::move(file);
    }
    // The tally of the run under way or of the last one: every pedestrian's own figures, and, once
    // the run has ended, its closing figures and counts (results()).
    const RunTally& tally() const { return tally_; }
    // The data file the pedestrians there are now were loaded from: a run's manifest names it
    // with its SHA-256 instead of listing them. Empty for none.
    void setDataFile(std::filesystem::path file, std::string sha256) {
        dataFile_ = std::move(file);
        dataFileSha256_ = std::move(sha256);
        dataFilePedestrians_ = Pedestrians_.size();
    }
    // The folder the reports (and the files named relative to it) of the next runs go to. Not
    // while a run exists.
    void setReportFolder(std::filesystem::path folder) {
        if (!run_.exists && !run_.stepping && !recordPending_)
            reports_.setFolder(std::move(folder));
    }
    // The seed of the runs started afterwards; none reseeds from the time of day, as at start-up.
    void setSeed(std::optional<std::uint64_t> seed);
    const std::optional<std::uint64_t>& seed() const { return seed_; }
    // The seed the last run started from: the one set, or, for a run that writes any file and so
    // is recorded in manifest.json, one drawn for it. None for an unrecorded run seeded from the
    // time of day.
    const std::optional<std::uint64_t>& runSeed() const { return runSeed_; }
    // Whether a run started now writes any file: a report, a trajectory or chart data. Such a run
    // leaves manifest.json in the report folder, which repeats it.
    bool writesFiles() const;
    // What could not be written whole in the last run besides the report files: a trajectory
    // file, the chart data, the manifest. Each has been told through the host as well.
    const std::vector<std::string>& outputFailures() const { return outputFailures_; }
    // Told the figures of every step as soon as the step is sampled, for charts and chart data.
    void setStepListener(std::function<void(const StepFigures&)> listener) {
        stepListener_ = std::move(listener);
    }
    // Whether pedestrians are drawn at all; a headless run turns it off.
    void setAnimate(bool on) { animate_ = on; }
    void setNeighbourSearch(NeighbourSearch search) { Pedestrians_.setSearch(search); }
    // How many threads a simultaneous step (UpdateOrder Simultaneous) shares its pedestrians out
    // over; 0, the default, for every core. Every file comes out the same for any number. Not a
    // setting: a run's record does not hold it.
    void setThreads(int threads) { threads_ = threads; }
    int threads() const { return threads_; }
    // Looked at before each pedestrian of a step moves (a signal handler may set it): once it is
    // not 0, the step under way is abandoned and the run stopped as it stood after its last whole
    // step. Nothing of the abandoned step reaches the report files, the trajectory files or the
    // step listener, and the performance figures stay those of the last whole step. None (null)
    // by default.
    void setAbandonFlag(const volatile std::sig_atomic_t* flag);

    // Seconds per time slice, from the current DT text (0 when that text gives none). The text
    // is read at every use; the number is only worked out again when the text has changed.
    double dt() const;
    // Metres per twip of the trap canvas, as last calibrated.
    double M2Twips() const { return trap_.m2Twips; }
    // The part of the plane shown on the canvas, in metres, as last calibrated.
    TrapExtent trap() const { return trap_.extent; }
    // Runs the calibrate command on the host's canvas and, when it succeeds, takes the trap from
    // it. Returns whether the canvas was calibrated.
    bool calibrate();
    // The canvas has been calibrated (or its area and scale set) by other means: the trap is
    // worked out from it again. A run also takes it as it starts.
    void calibrated();

    // A user's command (start, stop, pause, a pedestrian made by hand, a calibration...): taken at
    // once between steps. During a step it waits until the host has let events in, at the same
    // points a step always let them in (before the step's pass and before each pedestrian), so
    // that nothing the step is using changes under it.
    void request(std::function<void()> command);

    // Run lifecycle, called between steps (through `request` when the call may come during one).
    // The Start/Stop command starts a run when none exists and stops it otherwise.
    void StartStopCommand();
    // Starts a run; refuses (with a message naming the setting) when a setting the run needs
    // cannot be read. Returns whether a run is going afterwards.
    bool StartSimulation();
    void PauseSimulation();
    // Ends the run; `ending` is what its manifest says of how it ended ("stopped", "finished",
    // "step limit", "interrupted", "refused").
    void StopSimulation(std::string_view ending = "stopped");
    void FinishSimulation();
    void OpenReportFiles();
    // The program is closing: no step starts any more, a step under way ends with its run, and
    // every report file is closed.
    void shutDown();

    // One tick of the timer: counts the step, lets pending user events run, takes the step.
    // A tick that arrives while a step is under way is dropped.
    void SimulationTick();
    // One pedestrian's part of a step: moves, draws and measures it, and takes it out of the run
    // when it has arrived.
    MaybeError movePedestrian(PedClass& p);

    // Pedestrian generation.
    MaybeError GenerateAllAtOnce();
    // One pedestrian walking that way; with none given, the generator chooses.
    MaybeError GeneratePedestrian(std::optional<Direction> direction = std::nullopt);

    // The one pedestrian factory: fills the definition's behaviour parameters from the parameters
    // settings (read strictly), numbers the pedestrian, places its circle and adds it to the run.
    // On an unreadable or unusable setting, a number that is not finite, a run that already holds
    // the most pedestrians an ID can number, or a canvas without a scale, nothing is created and
    // the error says why.
    MaybeError CreatePedestrian(PedDef def, MaxAcceleration from = MaxAcceleration::Parameters);
    // Takes the pedestrian with this ID out of the run and off the canvas.
    void RemovePedestrian(std::int16_t id);

    // The settings a run will read, checked before it starts: nothing that would stop it later.
    MaybeError checkRunSettings() const;

  private:
    /// The run clock and flags.
    struct RunClock {
        bool IsRunning = false;
        std::int32_t StepCount = 0;
        std::int32_t LastPedID = 0;
        bool exists = false;
        bool stepping = false;
        bool endedInStep = false;  ///< the step under way has ended its run
        bool abandoned = false;    ///< the last tick's step was abandoned
    };

    void SimulationStep();
    // The run the step under way belongs to goes on.
    bool runGoesOn() const { return run_.exists && !run_.endedInStep; }
    // Lets the host run pending user events, then takes the commands they requested.
    void letEventsIn();
    void takeRequests();
    bool movePedestrians(TrapSums& sums);
    // The pass of a simultaneous step: everyone's move is worked out from where all stood as the
    // step began, then all are made, measured, and written in order of creation.
    bool moveTogether(TrapSums& sums);
    bool planFailed();
    void placeTogether(int threads);
    bool finishTogether(MoveContext& ctx, TrapSums& sums);
    // What a pedestrian that moved from (fromX, fromY) gives the step's frame, sums and tally.
    Moved moved(const PedClass& p, float fromX, float fromY) const;
    void gather(const Moved& m, TrapSums& sums);
    // The walls the moves keep to, or null without CorridorWalls.
    const double* walls();
    // Why a run cannot start with walls: a pedestrian made by hand stands outside them.
    MaybeError checkWalls() const;
    void abandonStep();
    void headwayRule();
    void samplePerformance(const TrapSums& sums);
    StepFigures stepFigures(std::int32_t step, double time, const TrapSums& sums) const;
    // Adds a sampled step's crossings of the middle cross-section to the run's counts.
    void countCrossings(const TrapSums& sums);
    void showRunning(bool running);
    // Pedestrians are drawn as they move: a run going, animation on, "Don't Show Animation" off.
    bool drawsPedestrians() const {
        return run_.IsRunning && animate_ && !isOn(settings_.DontShowAnimation);
    }
    void tell(RunEvent::Kind kind) { host_.runEvent(RunEvent{kind}); }
    // Checks the names of the files the run writes besides its reports and opens them; on an
    // error nothing stays open.
    MaybeError openOutputs();
    void seedRun();
    // Writes manifest.json as the run starts; one that cannot be written is told, like a report
    // file, and the run goes on.
    void beginRecord();
    // Closes the chart data and completes the manifest with how the run ended and its files.
    void endRecord();
    // A file besides the reports could not be written; told with the others by tellFailures.
    void outputFailed(const std::string& description);
    // Tells, in one message, every file that failed since the last time: after a start, after a
    // step, as a run ends. Whether the run goes on without them follows from whether it exists.
    void tellFailures();
    // Writes the frame of the step just taken: the pedestrians as the pass left them, those that
    // arrived in it at the place they arrived; or, with `afterPass` false, everyone as they stand.
    void writeTrajectoryFrame(bool afterPass);
    void finishTrajectories();
    MaybeError checkPopulation() const;
    MaybeError checkHeadwayInputs() const;
    // Reports an error that keeps the run from going on, and pauses it.
    void pauseWithError(const std::string& what);

    // Delegated to by both public constructors: `external` or, without one, a record of its own.
    Engine(Settings* external, Host& host, std::filesystem::path reportFolder,
           std::optional<std::uint64_t> seed);

    std::unique_ptr<Settings> ownSettings_;
    Settings& settings_;
    Host& host_;
    RandomSource random_;
    ReportWriter reports_;
    PedestrianCollection Pedestrians_;
    PedDrawer drawer_;
    PedestrianGenerator generator_;
    TrapSampler sampling_;
    PerformanceTexts closing_;
    RunClock run_;
    Trap trap_;
    std::deque<std::function<void()>> requests_;
    bool animate_ = true;
    const volatile std::sig_atomic_t* abandon_;
    std::optional<std::uint64_t> seed_;
    std::optional<std::uint64_t> runSeed_;
    std::vector<std::filesystem::path> trajectoryFiles_;
    std::optional<std::filesystem::path> chartDataFile_;
    std::optional<std::filesystem::path> pedestrianTableFile_;
    std::filesystem::path dataFile_;
    std::string dataFileSha256_;
    std::size_t dataFilePedestrians_ = 0;  // the first ones, in order of creation
    std::unique_ptr<SeriesCsvWriter> chartData_;
    // The run's record while it goes on, and once it has ended inside a step, how: the record is
    // completed when the step is over and every file holds its last records.
    std::optional<RunManifest> manifest_;
    bool recordPending_ = false;
    bool manifestFailed_ = false;  // and told, as the run started
    std::vector<std::string> outputFailures_;
    std::vector<ReportWriter::Failure> untoldReports_;
    std::vector<std::string> untoldOutputs_;
    std::function<void(const StepFigures&)> stepListener_;
    std::vector<std::shared_ptr<TrajectoryWriter>> trajectories_;
    std::shared_ptr<TrajectoryWriter> recorder_;
    struct TrajectoryRow {
        int id;
        float x, y;
        double vx, vy;
    };
    std::vector<TrajectoryRow> frame_;  // the pass's rows, gathered as it goes

    // Room for one pedestrian's neighbours, reused by every search.
    std::vector<Neighbour> within_;
    Nearby nearby_;       // what a move's first search found, for its measures
    double wallTop_ = 0;  // m: the upper wall, as the step under way keeps to it
    // Crossings of the trap's middle cross-section in this run, per walking direction, and of
    // each of the steps of the last second, newest last.
    int crossed_[2] = {0, 0};
    std::deque<std::array<int, 2>> lastSecond_;
    std::vector<std::array<float, 2>> from_;  // of a simultaneous step: where each move began
    RunTally tally_;

    // The simultaneous step's pass: the pedestrians moving, what the trap takes of each, any move
    // that cannot be made, and room for each thread's neighbour searches.
    int threads_ = 0;
    std::vector<PedClass*> movers_;
    std::vector<Moved> moves_;
    std::vector<NeighbourGrid::Place> places_;
    std::vector<char> stays_;  // in its grid cell
    std::mutex planErrorsMutex_;
    std::vector<std::pair<std::size_t, EngineError>> planErrors_;  // rare: by place in the pass
    // A cache line of its own for each thread: the room's size changes with every search.
    struct alignas(64) ThreadRoom {
        std::vector<Neighbour> within;
    };
    std::vector<ThreadRoom> threadWithin_;
    ThreadPool pool_;

    mutable std::string dtText_ = "\x01";  // no text a user can type
    mutable double dt_ = 0;
};

}  // namespace strida
