// strida-sweep: a study of many runs of strida-batch, a scenario's settings varied over a full
// factorial design with replications, run through GNU parallel (on this machine's cores or on
// machines reached by ssh) or as a Slurm job array, and summarised with confidence intervals.
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "core/numbers.h"
#include "core/random.h"
#include "engine/scenario.h"
#include "engine/settings_rules.h"
#include "sweep/collect.h"
#include "sweep/design.h"

using namespace strida;
using namespace strida::sweep;
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kHelp = R"(Usage: strida-sweep --out DIR [options]
       strida-sweep --collect DIR

Runs a study: many runs of strida-batch from one scenario, with settings varied over a full
factorial design, each design point repeated with its own seeds, and summarises the runs'
System.txt figures with means and 95 % confidence intervals.

Options:
  --scenario FILE   The scenario every run starts from (default: the program's defaults). It is
                    copied into the study as scenario.json.
  --vary NAME=a:b:step | NAME=v1,v2,...
                    Vary a setting (repeatable): a range from a to b inclusive in steps, or a
                    list. The values apply as strida-batch --set applies them.
  --set NAME=VALUE  A setting for every run, on top of the scenario (repeatable).
  --replications N  Runs per design point, each with its own seed (default 1).
  --seed N          The base seed: run k's seed is derived from it and k, so any run can be
                    repeated alone (default: drawn and told).
  --steps N         Passed to every run: stop it after N steps.
  --out DIR         The study folder: runs.tsv (id, seed, the varied settings, the command),
                    scenario.json, run-one.sh, runs/<id>/ (each run's reports, manifest.json,
                    batch.log and status) and summary.csv. Running again with the same --out
                    resumes: finished runs are not run again.
  --jobs N          Runs at a time on this machine (default: one per core).
  --sshloginfile FILE
                    Run on the machines GNU parallel's sshlogin file names; each needs
                    strida-batch at the same path (see --batch). Every run's folder comes back
                    to runs/<id>/.
  --retry-failed    Run again the runs that failed before.
  --slurm           Write sweep.sbatch, a Slurm job array over runs.tsv, instead of running.
  --partition P, --time T, --array N
                    With --slurm: the partition, the time limit of a run, and at most N runs
                    at a time.
  --submit          With --slurm: submit the job array with sbatch, wait for it and collect.
  --batch PATH      The strida-batch to run (default: the one beside strida-sweep).
  --collect DIR     Only (re)write DIR/summary.csv from the runs there.
  --help            Show this text.

summary.csv has one row per design point: the varied settings, then for each System.txt figure
(AvgTotalPed, MeanAvgSpeed, MeanUncomfort, AvgDelay, DissipationTime, NHI, NUVI) its _mean, _sd,
_ci95_low, _ci95_high (Student's t) and _n, then the runs that failed and those that ended without
a System.txt row (they are counted, not averaged).

Exit status: 0 when every run succeeded, 1 when some failed, 2 for a usage error.
)";

struct Options {
    std::optional<fs::path> scenario, out, collect, sshLoginFile;
    std::vector<Vary> varies;
    std::vector<std::string> sets;
    int replications = 1;
    std::optional<std::uint64_t> seed;
    std::optional<long> steps;
    std::optional<int> jobs, array;
    std::string partition, time, batch;
    bool retryFailed = false, slurm = false, submit = false, help = false;
};

int usage(const std::string& message) {
    std::fprintf(stderr, "strida-sweep: %s\nTry 'strida-sweep --help'.\n", message.c_str());
    return 2;
}

std::optional<std::string> takeNumber(std::string_view arg, std::string_view value, Options& o) {
    const std::string bad =
        std::string(arg) + " takes a whole number, not '" + std::string(value) + "'";
    if (arg == "--seed") {
        o.seed = num::whole<std::uint64_t>(value);
        return o.seed ? std::nullopt : std::optional(bad);
    }
    if (arg == "--steps") {
        o.steps = num::whole<long>(value);
        return o.steps && *o.steps >= 0 ? std::nullopt : std::optional(bad);
    }
    const std::optional<int> n = num::whole<int>(value);
    if (!n || *n < 1) return bad + " of 1 or more";
    if (arg == "--replications") o.replications = *n;
    if (arg == "--jobs") o.jobs = n;
    if (arg == "--array") o.array = n;
    return std::nullopt;
}

std::optional<std::string> takeOption(std::string_view arg, std::string_view value, Options& o) {
    const std::string text(value);
    if (arg == "--vary") {
        std::string error;
        std::optional<Vary> vary = parseVary(value, error);
        if (!vary) return error;
        o.varies.push_back(std::move(*vary));
    } else if (arg == "--set") {
        // Checked here as each run would apply it, so that a bad value fails no run.
        const std::size_t eq = text.find('=');
        if (eq == std::string::npos) return "--set takes NAME=VALUE, not '" + text + "'";
        Settings check;
        if (MaybeError error = applySetting(check, text.substr(0, eq), text.substr(eq + 1)))
            return "--set " + error->description;
        o.sets.push_back(text);
    } else if (arg == "--scenario") {
        o.scenario = text;
    } else if (arg == "--out") {
        o.out = text;
    } else if (arg == "--collect") {
        o.collect = text;
    } else if (arg == "--sshloginfile") {
        o.sshLoginFile = fs::absolute(text);
    } else if (arg == "--partition") {
        o.partition = text;
    } else if (arg == "--time") {
        o.time = text;
    } else if (arg == "--batch") {
        o.batch = text;
    } else {
        return takeNumber(arg, value, o);
    }
    return std::nullopt;
}

std::optional<std::string> parseOptions(int argc, char** argv, Options& o) {
    constexpr std::string_view kTakeValues[] = {
        "--vary",         "--set",          "--scenario", "--out",   "--collect",
        "--sshloginfile", "--partition",    "--time",     "--batch", "--seed",
        "--steps",        "--replications", "--jobs",     "--array"};
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            o.help = true;
        } else if (arg == "--retry-failed" || arg == "--slurm" || arg == "--submit") {
            (arg == "--slurm" ? o.slurm : arg == "--submit" ? o.submit : o.retryFailed) = true;
        } else if (std::find(std::begin(kTakeValues), std::end(kTakeValues), arg) ==
                   std::end(kTakeValues)) {
            return "unknown option '" + std::string(arg) + "'";
        } else if (i + 1 == argc) {
            return std::string(arg) + " needs a value";
        } else if (auto error = takeOption(arg, argv[++i], o)) {
            return error;
        }
    }
    if (o.help || o.collect) return std::nullopt;
    if (!o.out) return "--out DIR names the study folder";
    if (o.submit && !o.slurm) return "--submit goes with --slurm";
    return std::nullopt;
}

// Writes a file of the study. One that is there already must say the same: a study folder holds
// one design, and a second call with the same --out resumes it.
std::optional<std::string> placeFile(const fs::path& file, const std::string& text) {
    if (fs::exists(file)) {
        if (readText(file) == text) return std::nullopt;
        return file.string() + " holds another study; choose another --out";
    }
    std::ofstream out(file, std::ios::binary);
    out << text;
    out.close();
    if (!out) return "cannot write " + file.string();
    return std::nullopt;
}

// One run of the study, by its id, from the study folder: for GNU parallel and Slurm alike.
constexpr std::string_view kRunOne = R"(#!/bin/sh
# Runs one run of this study from this folder: the command on its line of runs.tsv. The run's
# output goes to runs/<id>/batch.log and its exit status to runs/<id>/status.
id=$1
command=$(awk -F '\t' -v id="$id" 'NR > 1 && $1 == id { print $NF }' runs.tsv)
if [ -z "$command" ]; then echo "run $id is not in runs.tsv" >&2; exit 2; fi
mkdir -p "runs/$id"
eval "$command" > "runs/$id/batch.log" 2>&1
status=$?
echo "$status" > "runs/$id/status"
echo "run $id finished with exit status $status"
exit "$status"
)";

// The base seed: given, or the one the study was begun with, or drawn now and told.
std::uint64_t baseSeed(const Options& o) {
    if (o.seed) return *o.seed;
    const std::string kept = readText(*o.out / "seed");
    if (auto seed = num::whole<std::uint64_t>(kept.substr(0, kept.find('\n')))) return *seed;
    const std::uint64_t seed = drawSeed();
    std::fprintf(stderr, "strida-sweep: seed %llu (--seed %llu repeats this study)\n",
                 static_cast<unsigned long long>(seed), static_cast<unsigned long long>(seed));
    return seed;
}

std::optional<std::string> scenarioOfStudy(const Options& o, std::string& text) {
    if (!o.scenario) {
        text = scenarioText(scenarioOf(Settings{}));
        return std::nullopt;
    }
    Scenario scenario;
    if (MaybeError error = readScenario(*o.scenario, scenario)) return error->description;
    text = readText(*o.scenario);
    return std::nullopt;
}

// Lays out the study folder: scenario.json, seed, runs.tsv and run-one.sh. Returns the number of
// runs, or an error text.
std::optional<std::string> prepareStudy(const Options& o, const std::string& batch, int& count) {
    std::string scenario;
    if (auto error = scenarioOfStudy(o, scenario)) return error;
    std::error_code ec;
    fs::create_directories(*o.out / "runs", ec);
    if (ec) return "cannot make the study folder " + o.out->string() + ": " + ec.message();
    const std::uint64_t seed = baseSeed(o);
    std::vector<std::string> extra = {"--set", "ReportSystemPerformance=1"};
    for (const std::string& set : o.sets) extra.insert(extra.end(), {"--set", set});
    if (o.steps) extra.insert(extra.end(), {"--steps", std::to_string(*o.steps)});
    const std::vector<Run> runs = expandDesign(o.varies, o.replications, seed);
    std::vector<std::string> commands;
    for (const Run& run : runs) commands.push_back(runCommand(batch, o.varies, run, extra));
    count = static_cast<int>(runs.size());
    for (const auto& [name, text] : {std::pair<const char*, std::string>{"scenario.json", scenario},
                                     {"seed", std::to_string(seed) + "\n"},
                                     {"runs.tsv", runsTable(o.varies, runs, commands)}})
        if (auto error = placeFile(*o.out / name, text)) return error;
    std::ofstream(*o.out / "run-one.sh", std::ios::binary) << kRunOne;
    return std::nullopt;
}

int shell(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

// GNU parallel runs the study: on this machine's cores, or on the machines of an sshlogin file,
// to which each run's files go and from which its folder comes back. The joblog lets a second
// call skip the runs that finished.
int runWithParallel(const Options& o, int count) {
    std::string command = "cd " + shellQuoted(o.out->string()) + " && seq 1 " +
                          std::to_string(count) + " | parallel --joblog joblog " +
                          (o.retryFailed ? "--resume-failed" : "--resume");
    // The bar with the time left, where a person watches; a line per finished run in any case.
    if (isatty(STDERR_FILENO)) command += " --bar";
    if (o.jobs) command += " --jobs " + std::to_string(*o.jobs);
    if (o.sshLoginFile)
        command += " --sshloginfile " + shellQuoted(o.sshLoginFile->string()) +
                   " --workdir ... --transferfile run-one.sh --transferfile runs.tsv"
                   " --transferfile scenario.json --return runs/{} --cleanup";
    return shell(command + " sh run-one.sh {}");
}

// A Slurm job array over runs.tsv. A run whose status says it finished is not run again.
std::string sbatchScript(const Options& o, int count) {
    const std::string study = fs::absolute(*o.out).lexically_normal().string();
    std::string s = "#!/bin/sh\n#SBATCH --job-name=strida-sweep\n#SBATCH --array=1-" +
                    std::to_string(count) + (o.array ? "%" + std::to_string(*o.array) : "") +
                    "\n#SBATCH --chdir=" + study + "\n#SBATCH --output=" + study +
                    "/logs/slurm-%A_%a.out\n";
    if (!o.partition.empty()) s += "#SBATCH --partition=" + o.partition + "\n";
    if (!o.time.empty()) s += "#SBATCH --time=" + o.time + "\n";
    return s +
           "if [ \"$(cat \"runs/$SLURM_ARRAY_TASK_ID/status\" 2>/dev/null)\" = 0 ]; then exit 0; "
           "fi\nexec sh run-one.sh \"$SLURM_ARRAY_TASK_ID\"\n";
}

int runWithSlurm(const Options& o, int count) {
    fs::create_directories(*o.out / "logs");
    std::ofstream(*o.out / "sweep.sbatch", std::ios::binary) << sbatchScript(o, count);
    if (!o.submit) {
        std::printf("wrote %s; submit it with: cd %s && sbatch sweep.sbatch\n",
                    (*o.out / "sweep.sbatch").c_str(), shellQuoted(o.out->string()).c_str());
        return -1;
    }
    return shell("cd " + shellQuoted(o.out->string()) + " && sbatch --wait sweep.sbatch");
}

int summarise(const fs::path& study) {
    if (auto error = collect(study)) {
        std::fprintf(stderr, "strida-sweep: %s\n", error->c_str());
        return 1;
    }
    std::printf("summary: %s\n", (study / "summary.csv").c_str());
    return 0;
}

std::string besideThisProgram(const char* name) {
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string(name) : (self.parent_path() / name).string();
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (auto error = parseOptions(argc, argv, o)) return usage(*error);
    if (o.help) {
        std::fwrite(kHelp.data(), 1, kHelp.size(), stdout);
        return 0;
    }
    if (o.collect) return summarise(*o.collect);
    const std::string batch = o.batch.empty() ? besideThisProgram("strida-batch") : o.batch;
    int count = 0;
    if (auto error = prepareStudy(o, batch, count)) return usage(*error);
    const int status = o.slurm ? runWithSlurm(o, count) : runWithParallel(o, count);
    if (status < 0) return 0;  // the job array is written, not submitted
    const int summary = summarise(*o.out);
    return status == 0 && summary == 0 ? 0 : 1;
}
