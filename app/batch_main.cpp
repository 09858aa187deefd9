// strida-batch: one run of the simulation without a window, for scripted runs.
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/numbers.h"
#include "core/program.h"
#include "core/threads_option.h"
#include "engine/calibration.h"
#include "engine/engine.h"
#include "engine/headless_host.h"
#include "engine/run_setup.h"
#include "engine/settings_rules.h"
#include "measure/run_manifest.h"
#include "settings_list.h"

using namespace strida;

namespace {

constexpr long kSafetyLimit = 1'000'000;

constexpr std::string_view kHelp = R"(Usage: strida-batch [options]

Runs one simulation of Strida without a window and writes the chosen report files.

Options, applied in this order:
  --scenario FILE   Start from a scenario file (JSON, "format": "strida-scenario"): every setting's
                    text exactly as saved, its seed unless --seed is given, and its hand-made
                    pedestrians if it has them. --set then changes settings on top of it.
  --set NAME=VALUE  Set one setting before the run (repeatable, applied in order). NAME is the
                    setting's name (TrapLength, DT, Alpha, ReportNTXY, ManualGenerator,
                    GeneratedAtOnce, RandomInput, NumWays, 1stMaxSpeed, ...). A text setting takes
                    VALUE as its text; a check box or menu check takes 0 or 1; an option button
                    takes 1, which selects it and clears the others of its group; NumWays takes 0
                    (one way) or 1 (two ways). The rules that tie settings together apply as on
                    the panels: TrapLength sets DistGenerator2Trap, PedDiameter sets
                    InfluenceDiameter, the two-way split, the category shares, the show options
                    (PedCircle=0 clears DrawFill and PrintID, TracePath sets VelocityLine), and
                    turning one generator mode off turns the other on. A value the setting
                    already holds changes nothing, as on the panels.
  --peds FILE       Load a pedestrian data file (*.sdx) before the run, as the manual generator's
                    load does.
  --save-scenario FILE
                    Write the run's effective settings (after --scenario and --set), its seed
                    and its hand-made pedestrians as a scenario file, then run.
  --out DIR         Folder for the report files (created if missing; default: current folder).
                    The run's manifest.json goes there too: program, version and source
                    revision, start and end (UTC), the seed (as a string of digits), every
                    setting's text, the data file (absolute) and its SHA-256, the pedestrians
                    given otherwise, the steps, how the run ended and every file it wrote, named
                    relative to the folder (a file written outside it by its name alone).
  --trajectories FILE
                    Write the position of every pedestrian at every step into FILE, in the
                    report folder (repeatable): FILE.txt as text ("id frame x y", metres, with
                    "# framerate: F fps" first), FILE.sqlite in the SQLite layout of JuPedSim's
                    trajectories (version 2). Both load in PedPy.
  --chart-data FILE
                    Write the figures of every step into FILE, in the report folder, as comma-
                    separated values: a header line naming the columns, then one line per step
                    in step order. The columns: step, time (s), the performance panel's figures
                    unrounded (TotalPed, AvgSpeed, InstantDelay, Uncomfort in %, NHI, NUVI and
                    the run-wide AvgTotalPed, MeanAvgSpeed, AvgDelay, MeanUncomfort, AvgNHI,
                    AvgNUVI), then the fundamental diagram: density (persons/m2), speed (m/s)
                    and flow (persons/(m s)) of the whole trap and of each direction (_WE west
                    to east, _EW east to west; a direction's speed is empty while none of its
                    pedestrians is in the trap).
  --per-pedestrian FILE
                    Write a table of every pedestrian of the run into FILE, in the report
                    folder, as the run ends: comma-separated values, one line per pedestrian in
                    ID order, with its walking direction, colour, maximum speed, when it was
                    created, entered and left the trap and arrived (s), its time and distance in
                    the trap, its mean speed and mean speed along its walking direction there,
                    its delay (s) and its uncomfortability (docs/reports.md gives each column).
  --replay FILE     Run again the run a manifest.json records: its settings exactly, its seed,
                    its pedestrians, its data file (which must be there and unchanged) and,
                    unless it finished by itself, its number of steps; every file it wrote
                    (trajectories, chart data, the per-pedestrian table) is written again into the report folder, never
                    outside it. Options given as well come first.
  --steps N         Stop the run after N steps, as the Stop command would. Without it the run goes
                    on until it ends by itself, up to a safety limit of 1000000 steps.
  --seed N          A reproducible run: the same seed and settings give identical report files.
                    Without it a seed is drawn and told on standard error, so that any run can
                    be repeated.
  --neighbours scan|index
                    How each pedestrian's neighbours are found: through a grid of the plane
                    (index, the default) or by visiting every other pedestrian (scan). Both give
                    identical results; the scan is the slow reference.
  --threads N       How many threads a run with UpdateOrder=Simultaneous shares each step out
                    over, 1 to 1024; all cores by default. Every file comes out the same for any
                    number; a sequential run uses one thread whatever is given. Not part of a
                    run's record or a scenario.
  --list-settings   List every setting, one per line: name, default, unit and meaning, separated
                    by tabs ("-" where there is no unit). Nothing is run.
  --markdown        With --list-settings: the same as a Markdown page (docs/settings.md).
  --help            Show this text.

The trap canvas is calibrated to the trap as the desktop program does at start-up. When the run
ends, the performance panel's figures are printed, one per line ("txtTotalPed: 0" ...), followed by
"steps: N"; then the simulated time and the run's closing figures (those a "System.txt" row
records) under readable names with their units. docs/reports.md explains every figure.

Exit status: 0 when the run completed, 1 when it failed (the reason is printed on standard error),
2 for a usage or input error or a run refused for its settings or its files (nothing is run:
among them two output files of the same name, an output named like a report file or
manifest.json, or an output that cannot be created), 3 when the run completed but a report,
trajectory or chart-data file or the manifest could not be written whole (standard error says
which and why). On SIGINT or SIGTERM the run abandons the step under way at once and ends as
it stood after the last whole step: every report, trajectory and chart-data file ends with that
step's records, the figures printed and the steps counted are those of that step, and the exit
status is 130 or 143.
)";

// The signal that asked the run to end, 0 while none has.
volatile std::sig_atomic_t interrupted = 0;

extern "C" void onInterrupt(int signal) {
    interrupted = signal;
}

// Messages go to standard error as they come; nothing is drawn, not even the pedestrians' circles.
class BatchHost : public UnseenHost {
  public:
    void showMessage(std::string_view text, std::string_view title, MessageIcon icon) override {
        HeadlessHost::showMessage(text, title, icon);
        std::fprintf(stderr, "strida-batch: %.*s\n", static_cast<int>(text.size()), text.data());
    }
};

int usage(const std::string& message) {
    std::fprintf(stderr, "strida-batch: %s\nTry 'strida-batch --help'.\n", message.c_str());
    return 2;
}

// What the command line asks for: the run's set-up and what else to do.
struct Options {
    RunSetup run;
    std::optional<std::filesystem::path> saveScenario;
    bool help = false;
    bool listSettings = false;
    bool markdown = false;
};

// Takes the value of one option; an error text when it will not do.
std::optional<std::string> takeOption(std::string_view arg, std::string_view value, Options& o) {
    const std::string quoted = "'" + std::string(value) + "'";
    if (arg == "--set") {
        const std::size_t eq = value.find('=');
        if (eq == std::string_view::npos || eq == 0) return "--set takes NAME=VALUE, not " + quoted;
        o.run.sets.emplace_back(value.substr(0, eq), value.substr(eq + 1));
    } else if (arg == "--peds") {
        o.run.pedFile = std::string(value);
    } else if (arg == "--trajectories") {
        o.run.trajectories.emplace_back(std::string(value));
    } else if (arg == "--scenario") {
        o.run.scenario = std::string(value);
    } else if (arg == "--save-scenario") {
        o.saveScenario = std::string(value);
    } else if (arg == "--chart-data") {
        o.run.chartData = std::string(value);
    } else if (arg == "--per-pedestrian") {
        o.run.pedestrianTable = std::string(value);
    } else if (arg == "--replay") {
        o.run.replay = std::string(value);
    } else if (arg == "--out") {
        o.run.out = std::string(value);
    } else if (arg == "--steps") {
        o.run.steps = num::whole<long>(value);
        if (!o.run.steps || *o.run.steps < 0) return "--steps takes a whole number of steps, not " + quoted;
    } else if (arg == "--neighbours") {
        if (value != "scan" && value != "index")
            return "--neighbours takes scan or index, not " + quoted;
        o.run.search = value == "scan" ? NeighbourSearch::Scan : NeighbourSearch::Index;
    } else if (arg == "--threads") {
        if (auto refused = readThreads(value, o.run.threads)) return refused;
    } else {
        o.run.seed = num::whole<std::uint64_t>(value);
        if (!o.run.seed) return "--seed takes a whole number, not " + quoted;
    }
    return std::nullopt;
}

std::optional<std::string> parseOptions(int argc, char** argv, Options& o) {
    constexpr std::string_view kTakeValues[] = {
        "--set",           "--peds",    "--out",           "--steps",      "--seed",
        "--neighbours",    "--replay",  "--trajectories",  "--chart-data", "--scenario",
        "--save-scenario", "--threads", "--per-pedestrian"};
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            o.help = true;
            return std::nullopt;
        }
        if (arg == "--list-settings" || arg == "--markdown") {
            (arg == "--markdown" ? o.markdown : o.listSettings) = true;
            continue;
        }
        if (std::find(std::begin(kTakeValues), std::end(kTakeValues), arg) == std::end(kTakeValues))
            return "unknown option '" + std::string(arg) + "'";
        if (i + 1 >= argc) return "option '" + std::string(arg) + "' needs a value";
        if (auto error = takeOption(arg, argv[++i], o)) return error;
    }
    if (o.markdown && !o.listSettings) return "--markdown goes with --list-settings";
    if (o.run.scenario && o.run.replay) return "--scenario and --replay each give every setting; use one";
    return std::nullopt;
}

// An interrupt abandons the step under way (the engine looks at the flag before each pedestrian
// moves), so that the run ends within moments even of a step that takes minutes, every file ending
// with the last whole step.
void catchInterrupts(Engine& engine) {
    engine.setAbandonFlag(&interrupted);
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

// Steps the run until it ends by itself, a failure pauses it, the step limit is reached or an
// interrupt comes.
void runToEnd(ScriptedRun& run, std::optional<long> steps, const Engine& engine) {
    const bool progress = isatty(fileno(stderr));
    const long limit = steps.value_or(kSafetyLimit);
    while (run.ending().empty()) {
        if (run.taken() >= limit) {
            if (!steps)
                std::fprintf(stderr,
                             "strida-batch: stopped at the safety limit of %ld steps; "
                             "use --steps to run longer\n",
                             kSafetyLimit);
            run.end(steps ? "step limit" : "stopped");
            break;
        }
        run.step();
        if (interrupted) {
            run.end("interrupted");
            break;
        }
        if (!run.ending().empty()) break;
        if (!engine.IsRunning()) {
            run.end("stopped");
            break;
        }
        if (progress && run.taken() % 500 == 0)
            std::fprintf(stderr, "\rstep %ld, %zu pedestrians", run.taken(),
                         engine.pedestrians().size());
    }
    if (progress) std::fprintf(stderr, "\r%60s\r", "");
}

// The simulated time and the figures the run ended with, under readable names with their units.
// The delay, like the panel's, is the delay in seconds multiplied by dt; the dissipation time
// counts the time slices with someone in the trap.
void printClosingFigures(const Engine& engine, long steps) {
    const PerformanceTexts& f = engine.closingFigures();
    const double dt = engine.dt();
    const double slices = num::lenient(f.DissipationTime);
    std::printf("simulated time: %s s\n", num::fixed(static_cast<double>(steps) * dt, 2).c_str());
    std::printf("mean number of pedestrians in the trap: %s\n", f.AvgTotalPed.c_str());
    std::printf("mean speed: %s m/s\n", f.MeanAvgSpeed.c_str());
    std::printf("mean uncomfortability: %s %%\n", f.MeanUncomfort.c_str());
    std::printf("mean delay: %s (seconds x dt)\n", f.AvgDelay.c_str());
    std::printf("dissipation time: %s time slices (%s s)\n", num::fixed(slices, 0).c_str(),
                num::fixed(slices * dt, 2).c_str());
    std::printf("mean NHI: %s\n", f.AvgNHI.c_str());
    std::printf("mean NUVI: %s\n", f.AvgNUVI.c_str());
}

// Prints the figures and tells the exit status.
int report(const Engine& engine, const ScriptedRun& run) {
    for (const PerformanceField& field : kPerformanceFields)
        std::printf("%s: %s\n", field.box, (engine.performance().*field.text).c_str());
    std::printf("steps: %ld\n", run.taken());
    printClosingFigures(engine, run.taken());
    std::fflush(stdout);
    if (interrupted) {
        std::fprintf(stderr,
                     "strida-batch: interrupted after step %ld; the report files end with it\n",
                     run.taken());
        return 128 + interrupted;
    }
    if (run.failed()) return 1;
    for (const ReportWriter::Failure& failure : engine.reports().failures())
        std::fprintf(stderr, "strida-batch: %s\n", failure.description.c_str());
    // The other files' failures were told as they happened.
    const bool whole = engine.reports().failures().empty() && engine.outputFailures().empty();
    return whole ? 0 : 3;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (auto error = parseOptions(argc, argv, options)) return usage(*error);
    if (options.help) {
        std::fwrite(kHelp.data(), 1, kHelp.size(), stdout);
        return 0;
    }
    if (options.listSettings) {
        options.markdown ? batch::listSettingsAsMarkdown() : batch::listSettings();
        return 0;
    }
    BatchHost host;
    RunSetup& run = options.run;
    Engine engine(host, run.out);
    auto refused = [](const SetupError& error) { return error->empty() ? 2 : usage(*error); };
    if (SetupError error = prepareSettings(run, engine)) return refused(error);
    if (SetupError error = prepareOutputs(run)) return refused(error);
    // Every batch run can be repeated: without --seed, one is drawn and told.
    const std::uint64_t seed = run.seed.value_or(drawSeed());
    if (SetupError error = prepareRun(run, engine, seed)) return refused(error);
    if (!run.seed)
        std::fprintf(stderr, "strida-batch: seed %llu (--seed %llu repeats this run)\n",
                     static_cast<unsigned long long>(seed), static_cast<unsigned long long>(seed));
    if (options.saveScenario)
        if (SetupError error = saveScenario(run, *options.saveScenario, engine.settings(), seed))
            return refused(error);
    if (SetupError error = createPedestrians(engine, run)) return refused(error);
    catchInterrupts(engine);
    // A run refused for its settings or its files says why, and nothing has run.
    if (!engine.StartSimulation()) return 2;
    ScriptedRun scripted(engine);
    runToEnd(scripted, run.steps, engine);
    return report(engine, scripted);
}
