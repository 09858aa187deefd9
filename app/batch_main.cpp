// strida-batch: one run of the simulation without a window, for scripted runs.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <charconv>
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
#include "engine/calibration.h"
#include "engine/engine.h"
#include "engine/headless_host.h"
#include "engine/manual_generator.h"
#include "engine/settings_rules.h"

using namespace strida;

namespace {

constexpr long kSafetyLimit = 1'000'000;

constexpr std::string_view kHelp = R"(Usage: strida-batch [options]

Runs one simulation of Strida without a window and writes the chosen report files.

Options, applied in this order:
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
  --out DIR         Folder for the report files (created if missing; default: current folder).
  --steps N         Stop the run after N steps, as the Stop command would. Without it the run goes
                    on until it ends by itself, up to a safety limit of 1000000 steps.
  --seed N          A reproducible run: the same seed and settings give identical report files.
                    Without it a seed is drawn and told on standard error, so that any run can
                    be repeated.
  --neighbours scan|index
                    How each pedestrian's neighbours are found: through a grid of the plane
                    (index, the default) or by visiting every other pedestrian (scan). Both give
                    identical results; the scan is the slow reference.
  --list-settings   List every setting, one per line: name, default, unit and meaning, separated
                    by tabs ("-" where there is no unit). Nothing is run.
  --markdown        With --list-settings: the same as a Markdown page (docs/settings.md).
  --help            Show this text.

The trap canvas is calibrated to the trap as the desktop program does at start-up. When the run
ends, the performance panel's figures are printed, one per line ("txtTotalPed: 0" ...), followed by
"steps: N"; then the simulated time and the run's closing figures (those a "System.txt" row
records) under readable names with their units. docs/reports.md explains every figure.

Exit status: 0 when the run completed, 1 when it failed (the reason is printed on standard error),
2 for a usage or input error (nothing is run), 3 when the run completed but a report file could
not be deleted, created or written (standard error says which and why). On SIGINT or SIGTERM the
run finishes the step under way, closes the report files, each ending with that step's records,
and exits with 130 or 143.
)";

// The signal that asked the run to end, 0 while none has.
volatile std::sig_atomic_t interrupted = 0;

extern "C" void onInterrupt(int signal) {
    interrupted = signal;
}

// Messages go to standard error as they come; nothing is drawn, not even the pedestrians' circles.
class BatchHost : public HeadlessHost {
  public:
    void placeCircle(int, float, float, float) override {}
    void paintCircle(int, Colour, bool) override {}
    void setCircleVisible(int, bool) override {}
    void unloadCircle(int) override {}
    void showMessage(std::string_view text, std::string_view title, MessageIcon icon) override {
        HeadlessHost::showMessage(text, title, icon);
        std::fprintf(stderr, "strida-batch: %.*s\n", static_cast<int>(text.size()), text.data());
    }
};

int usage(const std::string& message) {
    std::fprintf(stderr, "strida-batch: %s\nTry 'strida-batch --help'.\n", message.c_str());
    return 2;
}

template <typename T>
std::optional<T> parseWhole(std::string_view text) {
    T value{};
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || ptr != text.data() + text.size()) return std::nullopt;
    return value;
}

// What the command line asks for.
struct Options {
    std::vector<std::pair<std::string, std::string>> sets;
    std::optional<std::filesystem::path> pedFile;
    std::filesystem::path out = ".";
    std::optional<long> steps;
    std::optional<std::uint64_t> seed;
    NeighbourSearch search = NeighbourSearch::Index;
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
        o.sets.emplace_back(value.substr(0, eq), value.substr(eq + 1));
    } else if (arg == "--peds") {
        o.pedFile = std::string(value);
    } else if (arg == "--out") {
        o.out = std::string(value);
    } else if (arg == "--steps") {
        o.steps = parseWhole<long>(value);
        if (!o.steps || *o.steps < 0) return "--steps takes a whole number of steps, not " + quoted;
    } else if (arg == "--neighbours") {
        if (value != "scan" && value != "index")
            return "--neighbours takes scan or index, not " + quoted;
        o.search = value == "scan" ? NeighbourSearch::Scan : NeighbourSearch::Index;
    } else {
        o.seed = parseWhole<std::uint64_t>(value);
        if (!o.seed) return "--seed takes a whole number, not " + quoted;
    }
    return std::nullopt;
}

std::optional<std::string> parseOptions(int argc, char** argv, Options& o) {
    constexpr std::string_view kTakeValues[] = {"--set",   "--peds", "--out",
                                                "--steps", "--seed", "--neighbours"};
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
    return std::nullopt;
}

// ---- The settings list ----

// What a setting holds, written as --set takes it.
std::string valueOf(const Settings& s, const SettingInfo& info) {
    using K = SettingInfo::Kind;
    switch (info.kind) {
        case K::Text:
            return s.*info.text;
        case K::Check:
            return isChecked(s.*info.check) ? "1" : "0";
        case K::Option:
        case K::MenuCheck:
            return s.*info.flag ? "1" : "0";
        case K::Ways:
            return s.NumWays == Ways::Two ? "1" : "0";
        case K::Number:
            return std::to_string(s.SimSpeed);
        case K::Position:
            break;
    }
    return num::shortest(s.*info.position);
}

// What --set takes for a setting of this kind.
std::string_view takes(SettingInfo::Kind kind) {
    using K = SettingInfo::Kind;
    switch (kind) {
        case K::Text:
            return "text";
        case K::Option:
            return "1";
        case K::Number:
            return "1 to 1000";
        case K::Position:
            return "a number";
        case K::Check:
        case K::MenuCheck:
        case K::Ways:
            break;
    }
    return "0 or 1";
}

void printLine(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
}

// One line per setting: name, default, unit, meaning, separated by tabs.
void listSettings() {
    const Settings defaults;
    for (const SettingInfo& info : settingTable())
        printLine(std::string(info.name) + '\t' + valueOf(defaults, info) + '\t' +
                  std::string(info.unit) + '\t' + std::string(info.meaning));
}

constexpr std::string_view kSettingsIntro = R"(# Settings

<!-- Written by build/strida-batch --list-settings --markdown; a test fails when it differs. -->

Every setting of Strida by the name that `strida-batch --set NAME=VALUE` takes, with the value
the program starts with, its unit and what it does. The panels edit the same settings; each
heading names the window. `build/strida-batch --list-settings` prints this table as tab-separated
lines, and `build/strida-batch --list-settings --markdown > docs/settings.md` writes this page
anew from the program's own table.

A text setting holds its text as typed and is read as a number when it is used, so a setting
changed during a run counts from its next use. A check box or menu check takes 0 or 1; an option
button takes 1, which selects it and clears the others of its group. Setting one value can set
others, as the panel does: the meanings say which. Positions are in metres, with the origin at
the trap's bottom-left corner, x along the trap and y across it. A slice is one time slice, 1/DT
seconds. Settings of the pedestrians' behaviour are read when a pedestrian is created.
)";

// The heading above the first setting of each window.
constexpr std::pair<std::string_view, std::string_view> kSettingsHeadings[] = {
    {"TrapLength", "Trap and time: Input → Calibration"},
    {"PedDiameter", "Pedestrians: Input → Parameters"},
    {"GeneratedAtOnce", "Automatic generator, tab Time: Input → Auto Generator"},
    {"UniformSpaceGenerator", "Automatic generator, tab Space"},
    {"PercentNumOf1stCategory", "Automatic generator, tab Max Speed"},
    {"NumWays", "Automatic generator, tab Ways"},
    {"InitialPx", "Manual generator: Input → Manual Generator"},
    {"ShowInfCircle", "Show options: Run → Options → Show"},
    {"ForceForward", "Forces: Run → Options → Forces"},
    {"ReportInstantPerformance", "Report files: Output → Reporting"},
    {"SimSpeed", "Simulation speed: Run → Simulation Speed"},
    {"ManualGenerator", "Generator mode: the Input menu"},
};

// The same list as a Markdown page, one table per window.
void listSettingsAsMarkdown() {
    std::fwrite(kSettingsIntro.data(), 1, kSettingsIntro.size(), stdout);
    const Settings defaults;
    for (const SettingInfo& info : settingTable()) {
        for (const auto& [first, heading] : kSettingsHeadings)
            if (info.name == first) {
                printLine("\n## " + std::string(heading) + "\n");
                printLine("| Setting | Default | Unit | --set takes | Meaning |");
                printLine("|---|---|---|---|---|");
            }
        printLine("| `" + std::string(info.name) + "` | `" + valueOf(defaults, info) + "` | " +
                  std::string(info.unit) + " | " + std::string(takes(info.kind)) + " | " +
                  std::string(info.meaning) + " |");
    }
}

// An interrupt ends the run between two steps, so no report file is cut in a record.
void catchInterrupts() {
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

// A seed from the operating system's entropy, or the clock when it has none.
std::uint64_t drawSeed() {
    try {
        std::random_device device;
        return (std::uint64_t{device()} << 32) ^ device();
    } catch (const std::exception&) {
        return static_cast<std::uint64_t>(
            std::chrono::system_clock::now().time_since_epoch().count());
    }
}

// How a run that started ended.
struct Outcome {
    long taken = 0;
    bool failed = false;  // paused by an error it reported
};

Outcome runToEnd(Engine& engine, std::optional<long> steps) {
    const bool progress = isatty(fileno(stderr));
    const long limit = steps.value_or(kSafetyLimit);
    Outcome o;
    while (engine.runExists()) {
        if (o.taken >= limit) {
            if (!steps)
                std::fprintf(stderr,
                             "strida-batch: stopped at the safety limit of %ld steps; "
                             "use --steps to run longer\n",
                             kSafetyLimit);
            break;
        }
        engine.SimulationTick();
        ++o.taken;
        if (interrupted) break;
        if (engine.runExists() && !engine.IsRunning()) {
            o.failed = true;
            break;
        }
        if (progress && o.taken % 500 == 0)
            std::fprintf(stderr, "\rstep %ld, %zu pedestrians", o.taken,
                         engine.pedestrians().size());
    }
    if (engine.runExists()) engine.StopSimulation();
    if (progress) std::fprintf(stderr, "\r%60s\r", "");
    return o;
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
int report(const Engine& engine, const Outcome& o) {
    for (const PerformanceField& field : kPerformanceFields)
        std::printf("%s: %s\n", field.box, (engine.performance().*field.text).c_str());
    std::printf("steps: %ld\n", o.taken);
    printClosingFigures(engine, o.taken);
    std::fflush(stdout);
    if (interrupted) {
        std::fprintf(stderr,
                     "strida-batch: interrupted after step %ld; the report files end with it\n",
                     o.taken);
        return 128 + interrupted;
    }
    if (o.failed) return 1;
    for (const ReportWriter::Failure& failure : engine.reports().failures())
        std::fprintf(stderr, "strida-batch: %s\n", failure.description.c_str());
    return engine.reports().failures().empty() ? 0 : 3;
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
        options.markdown ? listSettingsAsMarkdown() : listSettings();
        return 0;
    }
    Settings settings;
    for (const auto& [name, value] : options.sets)
        if (MaybeError error = applySetting(settings, name, value))
            return usage(error->description);
    std::error_code ec;
    std::filesystem::create_directories(options.out, ec);
    if (ec)
        return usage("cannot create the report folder " + options.out.string() + ": " +
                     ec.message());

    BatchHost host;
    if (!calibrate(settings, host)) return 2;
    // Every batch run can be repeated: without --seed, one is drawn and told.
    const std::uint64_t seed = options.seed.value_or(drawSeed());
    if (!options.seed)
        std::fprintf(stderr, "strida-batch: seed %llu (--seed %llu repeats this run)\n",
                     static_cast<unsigned long long>(seed), static_cast<unsigned long long>(seed));
    Engine engine(settings, host, options.out, seed);
    engine.setAnimate(false);
    engine.setNeighbourSearch(options.search);
    ManualGenerator manual(engine);
    if (options.pedFile && !manual.loadPedestrians(*options.pedFile)) return 2;
    catchInterrupts();
    if (!engine.StartSimulation()) return 1;
    return report(engine, runToEnd(engine, options.steps));
}
