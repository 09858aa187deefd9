// The Python module `strida`: the engine as a simulation a script sets up, steps, changes and reads.
// A run set up here goes through the same set-up as strida-batch's (engine/run_setup.h), so the
// same settings and seed give the same files.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/numbers.h"
#include "core/program.h"
#include "core/random.h"
#include "core/threads_option.h"
#include "engine/engine.h"
#include "engine/headless_host.h"
#include "engine/manual_generator.h"
#include "engine/run_setup.h"
#include "engine/setting_readers.h"
#include "engine/settings.h"
#include "measure/run_results.h"
#include "measure/step_series.h"
#include "python/trajectory_table.h"

namespace py = pybind11;
namespace fs = std::filesystem;

namespace strida::python {
namespace {

// Nothing is drawn; the messages are kept, for the exceptions that carry them.
class ScriptHost : public UnseenHost {
  public:
    std::string lastMessage(const char* otherwise) const {
        const auto& messages = shown().messages;
        return messages.empty() ? otherwise : messages.back().text;
    }
};

// A setting's value as the text --set would take: a check box or an option button takes 0 or 1.
// Only numbers and texts stand for a setting; anything else would be read as 0 without a word.
std::string settingText(const std::string& name, const py::handle& value) {
    const py::module_ numpy = py::module_::import("numpy");
    if (py::isinstance<py::bool_>(value) || py::isinstance(value, numpy.attr("bool_")))
        return py::bool_(py::reinterpret_borrow<py::object>(value)) ? "1" : "0";
    if (py::isinstance<py::str>(value)) return value.cast<std::string>();
    if (py::isinstance(value, numpy.attr("integer")) || py::isinstance<py::int_>(value))
        return py::str(py::int_(py::reinterpret_borrow<py::object>(value)));
    if (py::isinstance<py::float_>(value) || py::isinstance(value, numpy.attr("floating")))
        return num::shortest(py::float_(py::reinterpret_borrow<py::object>(value)).cast<double>());
    throw py::type_error("the setting " + name + " takes a number or a text, not " +
                         py::str(py::type::of(value).attr("__name__")).cast<std::string>());
}

bool isReportChoice(std::string_view name) {
    return name.rfind("Report", 0) == 0;
}

// A whole number the engine holds in `T`, or nothing when the Python value is not one in range.
template <typename T>
std::optional<T> wholeNumber(const py::handle& value) {
    if (!py::isinstance<py::int_>(value) || py::isinstance<py::bool_>(value)) return std::nullopt;
    try {
        return value.cast<T>();
    } catch (const py::cast_error&) {
        return std::nullopt;
    }
}

struct Options {
    std::optional<fs::path> scenario;
    std::optional<py::dict> settings;
    py::object seed;
    std::optional<fs::path> out;
    bool recordTrajectory = false;
    std::vector<fs::path> trajectories;
    std::optional<fs::path> chartData, perPedestrian, peds;
    std::vector<std::vector<double>> pedestrians;
    int threads = 0;
};

// Stands for the step under way while the interpreter's lock is let go, so that another thread
// cannot read or change the run in the middle of it.
class Busy {
  public:
    explicit Busy(bool& flag) : flag_(flag) {
        if (flag_) throw std::runtime_error("the Simulation is taking a step in another thread");
        flag_ = true;
    }
    ~Busy() { flag_ = false; }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;

  private:
    bool& flag_;
};

class Simulation {
  public:
    explicit Simulation(const Options& o)
        : folder_(o.out ? *o.out : privateFolder()), owned_(!o.out), engine_(host_, folder_),
          run_(engine_) {
        try {
            setUp(o);
        } catch (...) {
            removeOwnFolder();
            throw;
        }
    }
    ~Simulation() {
        run_.end("stopped");
        removeOwnFolder();
    }
    Simulation(const Simulation&) = delete;
    Simulation& operator=(const Simulation&) = delete;

    bool step(long n) {
        free();
        for (long i = 0; i < n && run_.goesOn(); ++i) tick();
        return run_.goesOn();
    }
    std::string run(std::optional<long> maxSteps) {
        free();
        if (maxSteps && *maxSteps < 0)
            throw py::value_error("max_steps takes a number of steps from 0 up");
        const long start = run_.taken();
        while (run_.goesOn()) {
            if (maxSteps && run_.taken() - start >= *maxSteps) {
                end("step limit");
                break;
            }
            tick();
        }
        return run_.ending();
    }
    void stop() {
        free();
        end("stopped");
    }

    bool running() const { return run_.goesOn(); }
    std::optional<std::string> ending() const {
        if (run_.ending().empty()) return std::nullopt;
        return run_.ending();
    }
    long stepCount() const { return run_.taken(); }
    double time() const { return static_cast<double>(run_.taken()) * engine_.dt(); }
    double frameRate() const { return 1 / engine_.dt(); }
    std::uint64_t seed() const { return seed_; }
    std::optional<fs::path> out() const {
        if (owned_) return std::nullopt;
        return folder_;
    }

    int addPedestrian(double px, double py, double ex, double ey, double vx, double vy,
                      std::optional<double> maxSpeed, std::optional<double> maxAcceleration) {
        free();
        if (!run_.goesOn()) throw std::runtime_error("the run has ended; no pedestrian can join it");
        ManualGenerator manual(engine_);
        const PedRecord record = recordOf({px, py, ex, ey, vx, vy}, maxSpeed, maxAcceleration);
        if (MaybeError error = manual.createFromRecord(record))
            throw py::value_error("the pedestrian was not created: " + error->description);
        notRecorded("joins");
        return engine_.LastPedID();
    }
    void removePedestrian(const py::handle& id) {
        free();
        if (!run_.goesOn()) throw std::runtime_error("the run has ended; nobody can leave it");
        const std::optional<std::int16_t> number = wholeNumber<std::int16_t>(id);
        if (!number || *number < 1 || !engine_.pedestrians().find(*number))
            throw py::key_error("there is no pedestrian " + py::repr(id).cast<std::string>() +
                                " in the run");
        engine_.RemovePedestrian(*number);
        notRecorded("leaves");
    }

    py::array_t<double> positions() const {
        free();
        return pairs([](const PedClass& p, double* row) { row[0] = p.Px(), row[1] = p.Py(); });
    }
    py::array_t<double> velocities() const {
        free();
        return pairs([](const PedClass& p, double* row) { row[0] = p.Vx(), row[1] = p.Vy(); });
    }
    py::array_t<std::int32_t> ids() const {
        free();
        py::array_t<std::int32_t> out(static_cast<py::ssize_t>(engine_.pedestrians().size()));
        std::int32_t* a = out.mutable_data();
        engine_.pedestrians().forEach([&a](const PedClass& p) { *a++ = p.ID(); });
        return out;
    }

    py::dict figures() const {
        free();
        py::dict out;
        for (const SeriesColumn& column : seriesColumns().subspan(2, 12))
            out[column.name] = column.value(lastFigures_).value_or(0);
        // The panel's texts are cleared as a run ends; its closing ones are kept.
        const PerformanceTexts& texts =
            run_.goesOn() ? engine_.performance() : engine_.closingFigures();
        out["DissipationTime"] = num::lenient(texts.DissipationTime);
        return out;
    }
    py::object results() const {
        free();
        // During the run, the figures as if it ended now.
        RunTally tally = engine_.tally();
        if (run_.goesOn()) tally.ended(engine_.pedestrians());
        return py::module_::import("json").attr("loads")(resultsJson(tally.results()));
    }
    py::object trajectory() const {
        free();
        if (!trajectory_)
            throw std::runtime_error(
                "the trajectory is not recorded: create the Simulation with "
                "record_trajectory=True");
        py::dict columns;
        columns["id"] = copyOf(trajectory_->ids());
        columns["frame"] = copyOf(trajectory_->frames());
        columns["x"] = readBack(trajectory_->xs());
        columns["y"] = readBack(trajectory_->ys());
        return py::module_::import("pandas").attr("DataFrame")(columns);
    }

  private:
    // A folder of its own that did not exist before, so that removing it removes nothing else.
    static fs::path privateFolder() {
        for (;;) {
            const fs::path folder =
                fs::temp_directory_path() / ("strida-python-" + std::to_string(drawSeed()));
            if (fs::create_directory(folder)) return folder;
        }
    }
    template <typename T>
    static py::array_t<T> copyOf(const std::vector<T>& values) {
        return py::array_t<T>(static_cast<py::ssize_t>(values.size()), values.data());
    }
    static py::array_t<double> readBack(const std::vector<float>& metres) {
        py::array_t<double> out(static_cast<py::ssize_t>(metres.size()));
        double* a = out.mutable_data();
        for (const float m : metres) *a++ = TrajectoryTable::readBack(m);
        return out;
    }
    template <typename F>
    py::array_t<double> pairs(F fill) const {
        py::array_t<double> out({static_cast<py::ssize_t>(engine_.pedestrians().size()),
                                 py::ssize_t{2}});
        double* row = out.mutable_data();
        engine_.pedestrians().forEach([&](const PedClass& p) {
            fill(p, row);
            row += 2;
        });
        return out;
    }
    double setting(std::string Settings::*text) const {
        MaybeError error;
        const std::optional<double> value = readerOf(text).read(engine_.settings(), error);
        if (error) throw py::value_error(error->description);
        return value.value_or(0);
    }
    // A data-file record: start, target and velocity, then the maximum speed and acceleration,
    // by default the manual generator's.
    PedRecord recordOf(const std::vector<double>& f, std::optional<double> maxSpeed,
                       std::optional<double> maxAcceleration) const {
        PedRecord record;
        record.fields = {0, f[0], f[1], f[2], f[3], f[4], f[5],
                         maxSpeed ? *maxSpeed : setting(&Settings::MaxSpeed),
                         maxAcceleration ? *maxAcceleration : setting(&Settings::maxAcceleration)};
        return record;
    }
    void removeOwnFolder() {
        std::error_code ignored;
        if (owned_) fs::remove_all(folder_, ignored);
    }
    void check(const SetupError& error) const {
        if (error) throw py::value_error(error->empty() ? host_.lastMessage("refused") : *error);
    }
    void free() const {
        if (busy_) throw std::runtime_error("the Simulation is taking a step in another thread");
    }
    // What the run told since it started (a file it can no longer write, a measure it could not
    // take) comes as a warning; the run goes on.
    void warnOfNews() {
        const auto& messages = host_.shown().messages;
        for (; told_ < messages.size(); ++told_)
            if (PyErr_WarnEx(PyExc_RuntimeWarning, messages[told_].text.c_str(), 1) < 0) {
                ++told_;
                throw py::error_already_set();
            }
    }
    void end(const std::string& ending) {
        run_.end(ending);
        warnOfNews();
    }
    void notRecorded(const char* what) {
        if (owned_ || recordWarned_) return;
        recordWarned_ = true;
        const std::string text = std::string("a pedestrian ") + what +
                                 " the run after its start: the run's record (manifest.json) "
                                 "does not hold such changes, so a replay will not repeat it";
        if (PyErr_WarnEx(PyExc_RuntimeWarning, text.c_str(), 1) < 0) throw py::error_already_set();
    }

    void setUp(const Options& o);
    RunSetup setupOf(const Options& o) const;
    void tick();

    fs::path folder_;
    bool owned_;
    ScriptHost host_;
    Engine engine_;
    ScriptedRun run_;
    std::uint64_t seed_ = 0;
    std::shared_ptr<TrajectoryTable> trajectory_;
    StepFigures lastFigures_;
    std::size_t told_ = 0;  // messages of the host turned into warnings
    bool busy_ = false;
    bool recordWarned_ = false;
};

RunSetup Simulation::setupOf(const Options& o) const {
    RunSetup setup;
    setup.scenario = o.scenario;
    if (!o.seed.is_none()) {
        setup.seed = wholeNumber<std::uint64_t>(o.seed);
        if (!setup.seed) throw py::value_error("seed takes a whole number from 0 to 2**64 - 1");
    }
    setup.out = folder_;
    setup.trajectories = o.trajectories;
    setup.chartData = o.chartData;
    setup.pedestrianTable = o.perPedestrian;
    setup.pedFile = o.peds;
    setup.pedFileOption = "peds=";
    if (o.threads < 0 || o.threads > kMostThreads)
        throw py::value_error("threads takes 0 (every core) or a number of threads from 1 to " +
                              std::to_string(kMostThreads));
    setup.threads = o.threads;
    for (const std::vector<double>& row : o.pedestrians)
        if (row.size() < 4 || row.size() > 8)
            throw py::value_error(
                "a pedestrian takes 4 to 8 numbers: px, py, ex, ey, then vx, vy, max_speed and "
                "max_acceleration");
    if (o.settings)
        for (const auto& [name, value] : *o.settings) {
            const std::string text = py::str(name);
            setup.sets.emplace_back(text, settingText(text, value));
        }
    if (owned_) {
        // Without a folder of the user's, the run writes no file at all.
        for (const auto& [name, value] : setup.sets)
            if (isReportChoice(name) && value != "0")
                throw py::value_error("the report files need a folder: give out=...");
        if (!o.trajectories.empty() || o.chartData || o.perPedestrian)
            throw py::value_error(
                "trajectory, chart-data and table files need a folder: give out=...");
    }
    return setup;
}

void Simulation::setUp(const Options& o) {
    RunSetup setup = setupOf(o);
    check(prepareSettings(setup, engine_));
    if (owned_)
        for (const SettingInfo& info : settingTable())
            if (isReportChoice(info.name)) engine_.changeSetting(info.name, "0");
    // Pedestrians given here are made before the run starts, so its record holds them.
    if (!o.pedestrians.empty()) {
        if (setup.pedestriansMade && !setup.pedestrians.empty())
            throw py::value_error(
                "the scenario has hand-made pedestrians; pedestrians= would add a second set");
        setup.pedestriansMade = false;
        for (std::vector<double> row : o.pedestrians) {
            const std::size_t given = row.size();
            row.resize(6, 0.0);
            setup.pedestrians.push_back(
                recordOf(row, given > 6 ? std::optional(row[6]) : std::nullopt,
                         given > 7 ? std::optional(row[7]) : std::nullopt));
        }
    }
    check(prepareOutputs(setup));
    seed_ = setup.seed.value_or(drawSeed());
    check(prepareRun(setup, engine_, seed_));
    check(createPedestrians(engine_, setup));
    if (MaybeError error = engine_.checkRunSettings()) throw py::value_error(error->description);
    if (o.recordTrajectory) {
        trajectory_ = std::make_shared<TrajectoryTable>();
        engine_.setTrajectoryRecorder(trajectory_);
    }
    engine_.setStepListener([this](const StepFigures& figures) { lastFigures_ = figures; });
    told_ = host_.shown().messages.size();
    // Settings were checked above: what is left to refuse the start is an output file.
    if (!engine_.StartSimulation())
        throw py::value_error(host_.lastMessage("the run cannot start"));
    warnOfNews();
}

// One step, taken with the interpreter's lock let go (the engine calls no Python), so that other
// threads run meanwhile. Ctrl+C ends the run as interrupted, every file ending with the step.
void Simulation::tick() {
    {
        const Busy busy(busy_);
        const py::gil_scoped_release unlocked;
        run_.step();
    }
    if (PyErr_CheckSignals() != 0) {
        run_.end("interrupted");
        throw py::error_already_set();
    }
    if (run_.ending().empty() && !engine_.IsRunning()) {
        // The host was told why; the run cannot go on from a failed step.
        const std::string why = host_.lastMessage("the run failed");
        told_ = host_.shown().messages.size();
        run_.end("stopped");
        throw std::runtime_error(why);
    }
    warnOfNews();
}

}  // namespace
}  // namespace strida::python

PYBIND11_MODULE(strida, m) {
    using strida::python::Options;
    using strida::python::Simulation;
    m.doc() = R"(Strida's pedestrian simulation, scripted from Python.

A Simulation is one run, set up as strida-batch sets one up: the same settings and seed give the
same report, trajectory and chart-data files. Positions are in metres with the origin at the
trap's bottom-left corner, velocities in metres per second.)";
    m.attr("__version__") = std::string(strida::kProgramVersion);
    py::class_<Simulation>(m, "Simulation", R"(One run of the simulation.

The run starts as the Simulation is made: the pedestrians generated at once are there, and frame 0
of the trajectory is the run as it starts. It then goes on one step at a time, through step() and
run(), until it ends by itself (the trap has emptied), reaches run()'s step limit, or stop() ends
it. Usable in a with block, which stops the run at its end.)")
        .def(py::init([](std::optional<fs::path> scenario, std::optional<py::dict> settings,
                         py::object seed, std::optional<fs::path> out, bool recordTrajectory,
                         std::vector<fs::path> trajectories, std::optional<fs::path> chartData,
                         std::optional<fs::path> perPedestrian, std::optional<fs::path> peds,
                         std::vector<std::vector<double>> pedestrians, int threads) {
                 Options o;
                 o.scenario = std::move(scenario);
                 o.settings = std::move(settings);
                 o.seed = std::move(seed);
                 o.out = std::move(out);
                 o.recordTrajectory = recordTrajectory;
                 o.trajectories = std::move(trajectories);
                 o.chartData = std::move(chartData);
                 o.perPedestrian = std::move(perPedestrian);
                 o.peds = std::move(peds);
                 o.pedestrians = std::move(pedestrians);
                 o.threads = threads;
                 return std::make_unique<Simulation>(o);
             }),
             py::arg("scenario") = py::none(), py::arg("settings") = py::none(),
             py::arg("seed") = py::none(), py::arg("out") = py::none(),
             py::arg("record_trajectory") = false, py::kw_only(),
             py::arg("trajectories") = std::vector<fs::path>{},
             py::arg("chart_data") = py::none(), py::arg("per_pedestrian") = py::none(),
             py::arg("peds") = py::none(),
             py::arg("pedestrians") = std::vector<std::vector<double>>{},
             py::arg("threads") = 0,
             R"(Sets up a run and starts it.

scenario: a scenario file (JSON) whose settings, seed and hand-made pedestrians the run takes.
settings: a dict of settings by the names strida-batch --set takes ({"NumPedLeft": 20,
    "DT": "0.1"}), applied in order on top of the scenario; True and False stand for 1 and 0.
seed: the seed of the random source; without one the scenario's, or one drawn (see .seed).
out: the folder of the report files (made if missing). None writes no file at all; the report
    settings are then off.
record_trajectory: keep every frame in memory, for trajectory().
trajectories, chart_data, per_pedestrian: files the run writes into out, as strida-batch's
    --trajectories (.txt or .sqlite), --chart-data and --per-pedestrian do.
peds: a pedestrian data file (*.sdx) whose pedestrians the run starts with.
pedestrians: pedestrians the run starts with, each as add_pedestrian takes them: (px, py, ex,
    ey[, vx, vy, max_speed, max_acceleration]). Unlike those added later, the run's record
    (manifest.json) holds them, so strida-batch --replay repeats the run.
threads: how many threads a step with UpdateOrder=Simultaneous uses; 0 for every core.

Raises ValueError with the program's own words for a setting, scenario, data file or output
that cannot be used (TypeError for a setting that is neither a number nor a text); nothing has
run then.)")
        .def("step", &Simulation::step, py::arg("n") = 1,
             R"(Takes up to n steps; returns whether the run goes on. Does nothing once it has
ended. A step that fails stops the run and raises RuntimeError with the program's message. What
the run tells meanwhile (a file it can no longer write) is a RuntimeWarning, and it goes on. Ctrl+C
ends the run ("interrupted", every file ending with the last whole step) and raises
KeyboardInterrupt. Other threads run while a step is taken.)")
        .def("run", &Simulation::run, py::arg("max_steps") = py::none(),
             R"(Steps until the run ends by itself or max_steps more steps are taken, and returns
how it ended: "finished", or "step limit" (which ends the run: use step(n) to go on later).
Without max_steps it goes on until the trap empties, or Ctrl+C (see step()).)")
        .def("stop", &Simulation::stop,
             "Ends the run as the Stop command does: its files are closed and results() are final.")
        .def("__enter__", [](Simulation& s) -> Simulation& { return s; },
             py::return_value_policy::reference)
        .def("__exit__", [](Simulation& s, py::args) { s.stop(); })
        .def_property_readonly("running", &Simulation::running, "Whether the run goes on.")
        .def_property_readonly("ending", &Simulation::ending,
                               "How the run ended (as run() returns it); None while it goes on.")
        .def_property_readonly("step_count", &Simulation::stepCount, "Steps taken.")
        .def_property_readonly("time", &Simulation::time, "Simulated time (s): steps times DT.")
        .def_property_readonly("frame_rate", &Simulation::frameRate,
                               "Frames (steps) per second of simulated time: 1/DT.")
        .def_property_readonly("seed", &Simulation::seed, "The seed the run uses.")
        .def_property_readonly("out", &Simulation::out,
                               "The folder of the files, or None when nothing is written.")
        .def("add_pedestrian", &Simulation::addPedestrian, py::arg("px"), py::arg("py"),
             py::arg("ex"), py::arg("ey"), py::arg("vx") = 0.0, py::arg("vy") = 0.0,
             py::arg("max_speed") = py::none(), py::arg("max_acceleration") = py::none(),
             R"(Adds a pedestrian to the run, as a data-file record gives one: start (px, py) and
target (ex, ey) in metres, velocity (vx, vy) in m/s, maximum speed (m/s) and acceleration
(m/s2), by default the manual generator's MaxSpeed and maxAcceleration. Its behaviour comes from
the parameters. Returns its ID; it walks from the next step on. ValueError when it cannot be
made (the reason in the program's words). It is not in the run's record (a RuntimeWarning says so
once when the run writes files); give pedestrians= to the Simulation for a run to repeat.)")
        .def("remove_pedestrian", &Simulation::removePedestrian, py::arg("id"),
             "Takes the pedestrian with this ID out of the run; KeyError when there is none.\n"
             "Changes after the start are not in the run's record (a RuntimeWarning says so\n"
             "once when the run writes files).")
        .def("positions", &Simulation::positions,
             "An (n, 2) float64 array of x, y (m), one row per pedestrian in the run, in the "
             "step's order (that of ids()); a copy.")
        .def("velocities", &Simulation::velocities,
             "An (n, 2) float64 array of vx, vy (m/s), in the order of ids(); a copy.")
        .def("ids", &Simulation::ids, "The IDs of the pedestrians in the run (int32); a copy.")
        .def("figures", &Simulation::figures,
             R"(The thirteen figures of the performance panel after the last step that measured the
trap (all 0 before the first), unrounded, as the chart-data file gives them: TotalPed, AvgSpeed (m/s), InstantDelay
(s x dt), Uncomfort (%), NHI, NUVI, and the run-wide AvgTotalPed, MeanAvgSpeed, AvgDelay,
MeanUncomfort, AvgNHI, AvgNUVI, with DissipationTime (time slices).)")
        .def("results", &Simulation::results,
             R"(The run's closing figures and counts as manifest.json's "results" has them
(docs/reports.md); during the run, as if it ended now.)")
        .def("trajectory", &Simulation::trajectory,
             R"(The run so far as a pandas DataFrame with columns id, frame, x, y (PedPy's
layout), equal to the text trajectory file read back; needs record_trajectory=True.)");
}
