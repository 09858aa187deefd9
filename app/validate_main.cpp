// strida-validate: runs the verification cases on a scenario's model settings (or the defaults)
// and writes validation.md, validation.json and the plots into a folder.
#include <QApplication>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "core/numbers.h"
#include "engine/scenario.h"
#include "engine/settings_rules.h"
#include "validate/plots.h"
#include "validate/validation.h"

using namespace strida;
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kHelp = R"(Usage: strida-validate [--scenario FILE] --out DIR

Runs the verification cases a pedestrian model is checked with, on the model settings of a
scenario (default: the program's defaults), and writes validation.md, validation.json and PNG
plots into DIR:
  - free walking: one pedestrian at 1.33 m/s covers 40 m in 26 to 34 s (RiMEA test 1);
  - speed categories: the maximum speeds given against those walked (RiMEA test 7);
  - the fundamental diagram: speed along a closed corridor at 0.5 to 5 persons/m2 against
    Weidmann's relation (RiMEA test 4);
  - counter-flow: two groups of 120 meeting head-on, the share that gets through and the lane
    order;
  - independence of the order of creation and of the time slice (DT 10, 15, 30).
Each case prints its figures and PASS or FAIL against the criterion the report states. The cases
build their own crowds in a trap of their own; of the scenario only the settings count (its
pedestrians, trap and report choices do not).

Options:
  --scenario FILE   The scenario whose settings are checked.
  --out DIR         The folder for the report (created when missing).
  --seed N          The seed of the crowds the cases build (default 1).
  --workers N       Cases run at once (default: one per core).
  --help            This text.

Exit status: 0 when every case passes, 1 when any fails, 2 when a case could not be run (the
report says why) or nothing could.
)";

int usage(const std::string& why) {
    std::fprintf(stderr, "strida-validate: %s\nTry strida-validate --help.\n", why.c_str());
    return 2;
}

// Reads the command line into `options`, `scenario` and `out`; an empty result when it is sound,
// otherwise what is wrong. "help" asks for the help text.
std::string parseArguments(int argc, char** argv, validate::Options& options,
                           std::optional<fs::path>& scenario, std::string& out) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help") return "help";
        if (i + 1 >= argc) return std::string(arg) + " needs a value, or is not an option";
        const std::string value = argv[++i];
        if (arg == "--scenario") {
            scenario = value;
        } else if (arg == "--out") {
            out = value;
        } else if (arg == "--seed") {
            const std::optional<double> n = num::strict(value);
            if (!n || *n < 0 || *n != std::floor(*n) || *n > 9.0e15)
                return "--seed takes a whole number of 0 or more, not \"" + value + "\"";
            options.seed = static_cast<std::uint64_t>(*n);
        } else if (arg == "--workers") {
            const std::optional<double> n = num::strict(value);
            if (!n || *n < 1 || *n > 1024 || *n != std::floor(*n))
                return "--workers takes a whole number from 1 to 1024, not \"" + value + "\"";
            options.workers = static_cast<int>(*n);
        } else {
            return "unknown option " + std::string(arg);
        }
    }
    return out.empty() ? "--out DIR is needed" : "";
}

// The settings checked: the defaults, or the scenario's, put back as the window opens it.
std::string loadSettings(const std::optional<fs::path>& scenario, validate::Options& options) {
    const Settings defaults;
    for (const SettingInfo& info : settingTable())
        options.settings.emplace_back(std::string(info.name), settingText(defaults, info));
    if (!scenario) return "";
    Scenario read;
    if (MaybeError error = readScenario(*scenario, read)) return error->description;
    Settings check = defaults;
    if (MaybeError error = restoreSettings(check, read.settings))
        return scenario->string() + ": " + error->description;
    options.settings = read.settings;
    options.source = "the scenario " + scenario->string();
    return "";
}

}  // namespace

int main(int argc, char** argv) {
    validate::Options options;
    options.source = "the program's defaults";
    std::optional<fs::path> scenario;
    std::string out;
    const std::string wrong = parseArguments(argc, argv, options, scenario, out);
    if (wrong == "help") {
        std::fputs(kHelp.data(), stdout);
        return 0;
    }
    if (!wrong.empty()) return usage(wrong);
    if (const std::string error = loadSettings(scenario, options); !error.empty())
        return usage(error);
    std::error_code ec;
    fs::create_directories(out, ec);
    if (ec || !fs::is_directory(out))
        return usage("the folder " + out + " cannot be made: " + ec.message());

    // Plots are drawn without a screen.
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);

    const std::vector<validate::CaseResult> cases = validate::runValidation(options);
    std::string error;
    const auto plots = validate::writePlots(out, cases, error);
    if (error.empty()) error = validate::writeReport(out, options, cases, plots);
    if (!error.empty()) {
        std::fprintf(stderr, "strida-validate: %s\n", error.c_str());
        return 2;
    }
    bool all = true, ran = true;
    for (const validate::CaseResult& c : cases) {
        ran = ran && c.error.empty();
        std::printf("%-60s %s\n", c.title.c_str(), c.pass ? "PASS" : "FAIL");
        if (!c.error.empty()) std::printf("    could not run: %s\n", c.error.c_str());
        for (const validate::Figure& f : c.figures)
            std::printf("    %s: %.4g%s%s\n", f.name.c_str(), f.value, f.unit.empty() ? "" : " ",
                        f.unit.c_str());
        all = all && c.pass;
    }
    std::printf("Report: %s\n", (fs::path(out) / "validation.md").c_str());
    return !ran ? 2 : all ? 0 : 1;
}
