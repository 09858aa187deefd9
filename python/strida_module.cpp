// The Python module `strida`: the engine as a scripted simulation. A first cut on its own
// branch: settings, seed and scenario in, steps, positions and results out.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <filesystem>
#include <optional>
#include <string>

#include "engine/engine.h"
#include "engine/headless_host.h"
#include "engine/manual_generator.h"
#include "engine/scenario.h"
#include "engine/scenario_opening.h"
#include "measure/run_results.h"

namespace py = pybind11;
namespace fs = std::filesystem;

namespace strida::python {
namespace {

// Nothing is drawn; messages are kept for the exceptions that carry them.
class QuietHost : public HeadlessHost {
  public:
    void placeCircle(int, float, float, float) override {}
    void paintCircle(int, Colour, bool) override {}
    void setCircleVisible(int, bool) override {}
    void unloadCircle(int) override {}
};

class Simulation {
  public:
    Simulation(std::optional<std::string> scenario, std::optional<py::dict> settings,
               std::optional<std::uint64_t> seed, std::optional<std::string> out)
        : folder_(out ? fs::path(*out) : privateFolder()), owned_(!out),
          engine_(host_, folder_) {
        fs::create_directories(folder_);
        std::vector<std::pair<std::string, std::string>> sets;
        if (settings)
            for (const auto& [name, value] : *settings)
                sets.emplace_back(py::str(name), py::str(value));
        std::optional<std::uint64_t> runSeed = seed;
        if (scenario) {
            Scenario read;
            if (MaybeError error = readScenario(*scenario, read))
                throw py::value_error(error->description);
            ManualGenerator manual(engine_);
            const ScenarioOpening how{*scenario, sets, [this] { return engine_.calibrate(); }};
            if (MaybeError error = openScenario(engine_, manual, read, how))
                throw py::value_error(error->description);
            if (!runSeed) runSeed = read.seed;
        } else {
            for (const auto& [name, value] : sets)
                if (MaybeError error = engine_.changeSetting(name, value))
                    throw py::value_error(error->description);
            if (!engine_.calibrate()) throw py::value_error("the trap cannot be calibrated");
        }
        engine_.setSeed(runSeed.value_or(drawSeed()));
        engine_.setAnimate(false);
    }
    ~Simulation() {
        if (engine_.runExists()) engine_.StopSimulation();
        std::error_code ignored;
        if (owned_) fs::remove_all(folder_, ignored);
    }

    void step(int n) {
        start();
        for (int i = 0; i < n && engine_.runExists(); ++i) engine_.SimulationTick();
    }
    std::string run(std::optional<long> maxSteps) {
        start();
        long taken = 0;
        while (engine_.runExists() && (!maxSteps || taken < *maxSteps)) {
            engine_.SimulationTick();
            ++taken;
        }
        if (engine_.runExists()) engine_.StopSimulation("step limit");
        return engine_.runExists() ? "running" : "ended";
    }
    bool running() const { return engine_.runExists(); }
    long stepCount() const { return engine_.StepCount(); }
    double time() const { return engine_.StepCount() * engine_.dt(); }

    py::array_t<double> positions() const {
        py::array_t<double> out({static_cast<py::ssize_t>(engine_.pedestrians().size()),
                                 py::ssize_t{2}});
        auto a = out.mutable_unchecked<2>();
        py::ssize_t i = 0;
        engine_.pedestrians().forEach([&](const PedClass& p) {
            a(i, 0) = p.Px();
            a(i, 1) = p.Py();
            ++i;
        });
        return out;
    }
    py::array_t<int> ids() const {
        py::array_t<int> out(static_cast<py::ssize_t>(engine_.pedestrians().size()));
        auto a = out.mutable_unchecked<1>();
        py::ssize_t i = 0;
        engine_.pedestrians().forEach([&](const PedClass& p) { a(i++) = p.ID(); });
        return out;
    }
    py::object results() const {
        return py::module_::import("json").attr("loads")(resultsJson(engine_.tally().results()));
    }

  private:
    static fs::path privateFolder() {
        return fs::temp_directory_path() / ("strida-python-" + std::to_string(drawSeed()));
    }
    void start() {
        if (started_) return;
        started_ = true;
        if (!engine_.StartSimulation()) {
            const auto& messages = host_.shown().messages;
            throw py::value_error(messages.empty() ? "the run cannot start"
                                                   : messages.back().text);
        }
    }

    fs::path folder_;
    bool owned_;
    QuietHost host_;
    Engine engine_;
    bool started_ = false;
};

}  // namespace
}  // namespace strida::python

PYBIND11_MODULE(strida, m) {
    using strida::python::Simulation;
    m.doc() = "Strida's pedestrian simulation engine, scripted from Python.";
    py::class_<Simulation>(m, "Simulation")
        .def(py::init<std::optional<std::string>, std::optional<py::dict>,
                      std::optional<std::uint64_t>, std::optional<std::string>>(),
             py::arg("scenario") = py::none(), py::arg("settings") = py::none(),
             py::arg("seed") = py::none(), py::arg("out") = py::none())
        .def("step", &Simulation::step, py::arg("n") = 1)
        .def("run", &Simulation::run, py::arg("max_steps") = py::none())
        .def_property_readonly("running", &Simulation::running)
        .def_property_readonly("step_count", &Simulation::stepCount)
        .def_property_readonly("time", &Simulation::time)
        .def("positions", &Simulation::positions)
        .def("ids", &Simulation::ids)
        .def("results", &Simulation::results);
}
