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
class ScriptHost : public HeadlessHost {
  public:
    void placeCircle(int, float, float, float) override {}
    void paintCircle(int, Colour, bool) override {}
    void setCircleVisible(int, bool) override {}
    void unloadCircle(int) override {}
    std::string lastMessage(const char* otherwise) const {
        const auto& messages = shown().messages;
        return messages.empty() ? otherwise : messages.back().text;
    }
};

// A setting's value as the text --set would take: a check box or an option button takes 0 or 1.
std::string settingText(const py::handle& value) {
    if (py::isinstance<py::bool_>(value)) return value.cast<bool>() ? "1" : "0";
    return py::str(value);
}

bool isReportChoice(const std::string& name) {
    return name.rfind("Report", 0) == 0;
}

struct Options {
    std::optional<fs::path> scenario;
    std::optional<py::dict> settings;
    std::optional<std::uint64_t> seed;
    std::optional<fs::path> out;
    bool recordTrajectory = false;
    std::vector<fs::path> trajectories;
    std::optional<fs::path> chartData, perPedestrian, peds;
    int threads = 0;
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
        for (long i = 0; i < n && run_.goesOn(); ++i) tick();
        return run_.goesOn();
    }
    std::string run(std::optional<long> maxSteps) {
        const long limit = run_.taken() + maxSteps.value_or(0);
        while (run_.goesOn()) {
            if (maxSteps && run_.taken() >= limit) {
                run_.end("step limit");
                break;
            }
            tick();
        }
        return run_.ending();
    }
    void stop() { run_.end("stopped"); }

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
        if (!run_.goesOn()) throw std::runtime_error("the run has ended; no pedestrian can join it");
        PedRecord record;
        record.fields = {0, px, py, ex, ey, vx, vy,
                         maxSpeed ? *maxSpeed : setting(&Settings::MaxSpeed),
                         maxAcceleration ? *maxAcceleration : setting(&Settings::maxAcceleration)};
        ManualGenerator manual(engine_);
        if (MaybeError error = manual.createFromRecord(record))
            throw py::value_error("the pedestrian was not created: " + error->description);
        return engine_.LastPedID();
    }
    void removePedestrian(int id) {
        if (!run_.goesOn()) throw std::runtime_error("the run has ended; nobody can leave it");
        if (id < 1 || id > engine_.LastPedID() ||
            !engine_.pedestrians().find(static_cast<std::int16_t>(id)))
            throw py::key_error("there is no pedestrian " + std::to_string(id) + " in the run");
        engine_.RemovePedestrian(static_cast<std::int16_t>(id));
    }

    py::array_t<double> positions() const {
        return pairs([](const PedClass& p, double* row) { row[0] = p.Px(), row[1] = p.Py(); });
    }
    py::array_t<double> velocities() const {
        return pairs([](const PedClass& p, double* row) { row[0] = p.Vx(), row[1] = p.Vy(); });
    }
    py::array_t<std::int32_t> ids() const {
        py::array_t<std::int32_t> out(static_cast<py::ssize_t>(engine_.pedestrians().size()));
        std::int32_t* a = out.mutable_data();
        engine_.pedestrians().forEach([&a](const PedClass& p) { *a++ = p.ID(); });
        return out;
    }

    py::dict figures() const {
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
        // During the run, the figures as if it ended now.
        RunTally tally = engine_.tally();
        if (run_.goesOn()) tally.ended(engine_.pedestrians());
        return py::module_::import("json").attr("loads")(resultsJson(tally.results()));
    }
    py::object trajectory() const {
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
    static fs::path privateFolder() {
        return fs::temp_directory_path() / ("strida-python-" + std::to_string(drawSeed()));
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
    void removeOwnFolder() {
        std::error_code ignored;
        if (owned_) fs::remove_all(folder_, ignored);
    }
    void check(const SetupError& error) const {
        if (error) throw py::value_error(error->empty() ? host_.lastMessage("refused") : *error);
    }

    void setUp(const Options& o);
    void tick();

    fs::path folder_;
    bool owned_;
    ScriptHost host_;
    Engine engine_;
    ScriptedRun run_;
    std::uint64_t seed_ = 0;
    std::shared_ptr<TrajectoryTable> trajectory_;
    StepFigures lastFigures_;
};

void Simulation::setUp(const Options& o) {
    RunSetup setup;
    setup.scenario = o.scenario;
    setup.seed = o.seed;
    setup.out = folder_;
    setup.trajectories = o.trajectories;
    setup.chartData = o.chartData;
    setup.pedestrianTable = o.perPedestrian;
    setup.pedFile = o.peds;
    setup.threads = o.threads;
    if (o.settings)
        for (const auto& [name, value] : *o.settings)
            setup.sets.emplace_back(py::str(name), settingText(value));
    if (owned_) {
        // Without a folder of the user's, the run writes no file at all.
        for (const auto& [name, value] : setup.sets)
            if (isReportChoice(name) && value != "0")
                throw py::value_error("the report files need a folder: give out=...");
        if (!o.trajectories.empty() || o.chartData || o.perPedestrian)
            throw py::value_error("trajectory, chart-data and table files need a folder: give out=...");
    }
    fs::create_directories(folder_);
    check(prepareSettings(setup, engine_));
    if (owned_)
        for (const SettingInfo& info : settingTable())
            if (isReportChoice(std::string(info.name))) engine_.changeSetting(info.name, "0");
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
    if (!engine_.StartSimulation())
        throw std::runtime_error(host_.lastMessage("the run cannot start"));
}

// One step. Ctrl+C in the interpreter ends the run as interrupted, the files ending with the step.
void Simulation::tick() {
    const std::size_t told = host_.shown().messages.size();
    run_.step();
    if (PyErr_CheckSignals() != 0) {
        run_.end("interrupted");
        throw py::error_already_set();
    }
    if (run_.ending().empty() && !engine_.IsRunning()) {
        run_.end("stopped");
        throw std::runtime_error(host_.lastMessage("the run failed"));
    }
    // A file that could not be written whole is told, and the run goes on without it.
    const auto& messages = host_.shown().messages;
    for (std::size_t i = told; i < messages.size(); ++i)
        PyErr_WarnEx(PyExc_RuntimeWarning, messages[i].text.c_str(), 1);
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
                         std::optional<std::uint64_t> seed, std::optional<fs::path> out,
                         bool recordTrajectory, std::vector<fs::path> trajectories,
                         std::optional<fs::path> chartData, std::optional<fs::path> perPedestrian,
                         std::optional<fs::path> peds, int threads) {
                 Options o{scenario,       settings,  seed,           out,
                           recordTrajectory, std::move(trajectories), chartData, perPedestrian,
                           peds,           threads};
                 return std::make_unique<Simulation>(o);
             }),
             py::arg("scenario") = py::none(), py::arg("settings") = py::none(),
             py::arg("seed") = py::none(), py::arg("out") = py::none(),
             py::arg("record_trajectory") = false, py::kw_only(),
             py::arg("trajectories") = std::vector<fs::path>{},
             py::arg("chart_data") = py::none(), py::arg("per_pedestrian") = py::none(),
             py::arg("peds") = py::none(), py::arg("threads") = 0,
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
threads: how many threads a step with UpdateOrder=Simultaneous uses; 0 for every core.

Raises ValueError with the program's own words for a setting, scenario, data file or output
that cannot be used; nothing has run then.)")
        .def("step", &Simulation::step, py::arg("n") = 1,
             R"(Takes up to n steps; returns whether the run goes on. Does nothing once it has
ended. RuntimeError when a step fails (the run is then stopped); a file that could not be
written is a RuntimeWarning, and the run goes on without it.)")
        .def("run", &Simulation::run, py::arg("max_steps") = py::none(),
             R"(Steps until the run ends by itself or max_steps more steps are taken, and returns
how it ended: "finished", "step limit", "stopped" or "interrupted" (Ctrl+C, which then raises
KeyboardInterrupt). Without max_steps it goes on until the trap empties.)")
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
made (the reason in the program's words).)")
        .def("remove_pedestrian", &Simulation::removePedestrian, py::arg("id"),
             "Takes the pedestrian with this ID out of the run; KeyError when there is none.")
        .def("positions", &Simulation::positions,
             "An (n, 2) float64 array of x, y (m), one row per pedestrian in the run, in the "
             "step's order (that of ids()); a copy.")
        .def("velocities", &Simulation::velocities,
             "An (n, 2) float64 array of vx, vy (m/s), in the order of ids(); a copy.")
        .def("ids", &Simulation::ids, "The IDs of the pedestrians in the run (int32); a copy.")
        .def("figures", &Simulation::figures,
             R"(The thirteen figures of the performance panel after the last step that measured the
trap, unrounded, as the chart-data file gives them: TotalPed, AvgSpeed (m/s), InstantDelay
(s x dt), Uncomfort (%), NHI, NUVI, and the run-wide AvgTotalPed, MeanAvgSpeed, AvgDelay,
MeanUncomfort, AvgNHI, AvgNUVI, with DissipationTime (time slices).)")
        .def("results", &Simulation::results,
             R"(The run's closing figures and counts as manifest.json's "results" has them
(docs/reports.md); during the run, as if it ended now.)")
        .def("trajectory", &Simulation::trajectory,
             R"(The run so far as a pandas DataFrame with columns id, frame, x, y (PedPy's
layout), equal to the text trajectory file read back; needs record_trajectory=True.)");
}
