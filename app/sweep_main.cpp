// strida-sweep: a study of many runs of strida-batch, a scenario's settings varied over a full
// factorial design with replications, run through GNU parallel (on this machine's cores or on
// machines reached by ssh) or as a Slurm job array, and summarised with confidence intervals.
#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/error.h"
#include "core/numbers.h"
#include "core/random.h"
#include "engine/scenario.h"
#include "engine/settings_rules.h"
#include "measure/run_manifest.h"
#include "sweep/check.h"
#include "sweep/collect.h"
#include "sweep/design.h"
#include "sweep/processes.h"
#include "sweep/slurm.h"
#include "sweep/study.h"

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
                    list. A range is counted in exact decimals (0.1:0.3:0.1 gives 0.1, 0.2 and
                    0.3) and must end on b. The values apply as strida-batch --set applies them.
  --set NAME=VALUE  A setting for every run, on top of the scenario and after the varied values
                    (repeatable). A setting cannot be both varied and set.
  --replications N  Runs per design point, each with its own seed (default 1).
  --seed N          The base seed: run k's seed is derived from it and k, so any run can be
                    repeated alone (default: drawn and told).
  --steps N         Passed to every run: stop it after N steps.
  --out DIR         The study folder: runs.tsv (id, seed, the varied settings, the command),
                    scenario.json, run-one.sh, runs/<id>/ (each run's reports, manifest.json,
                    batch.log and status) and summary.csv. Running again with the same --out
                    resumes: finished runs are not run again. While a strida-sweep works in it,
                    the folder is locked (its file "lock" names the pid): a second strida-sweep
                    into it, --collect included, is refused.
  --jobs N          Runs at a time on this machine (default: one per core).
  --sshloginfile FILE
                    Run on the machines GNU parallel's sshlogin file names; each needs
                    strida-batch at the same path (see --batch). One ssh connection a machine
                    carries its runs; the study's files go once to each machine, into
                    ~/.strida-sweep/<host>-<pid> there, removed when the study ends. Every
                    run's folder comes back to runs/<id>/.
  --retry-failed    Run again the runs that failed before.
  --slurm           Write sweep.sbatch, a Slurm job array over runs.tsv, instead of running.
  --partition P, --time T, --array N
                    With --slurm: the partition, the time limit of a run, and at most N runs
                    at a time.
  --submit          With --slurm: submit the job array with sbatch, wait for it and collect.
                    On a study partly done only the runs still to do are submitted (with
                    --retry-failed the failed ones too); with none, nothing is.
  --trajectories NAME, --chart-data NAME, --per-pedestrian NAME
                    Passed to every run: each writes the file NAME into its own folder
                    runs/<id>/ (--trajectories is repeatable; NAME.txt or NAME.sqlite). NAME is a
                    file name, without a folder. They are part of the study's design: resuming
                    takes the same ones.
  --batch PATH      The strida-batch to run (default: the one beside strida-sweep). A path
                    with a / is taken from the current folder; a bare name is looked up on PATH.
  --collect DIR     Only (re)write DIR/summary.csv from the runs there.
  --help            Show this text.

Before anything runs, the runs of every design point are checked as strida-batch checks a run
before its first step (the settings read, the trap calibrated, the engine's start check): a value
those runs would refuse is refused here. A study holds at most 100000 runs.

summary.csv has one row per design point: the varied settings, then for each System.txt figure
(AvgTotalPed, MeanAvgSpeed, MeanUncomfort, AvgDelay, DissipationTime, NHI, NUVI) its _mean, _sd,
_ci95_low, _ci95_high (Student's t) and _n, then the runs that failed and those that ended without
a System.txt row (they are counted, not averaged); then the same five columns for every number the
runs' manifests record under "results" (the exact closing figures and counts, by path in sorted
order: results.AvgDelay, results.eastToWest.AvgDelay...; a null does not count), and last
with_results, the runs that recorded them. Fields are quoted as RFC 4180 says.

SIGINT, SIGTERM and SIGHUP are passed on to GNU parallel and the runs under way (with --submit,
the job array is cancelled); strida-sweep waits for them to end. The runs that finished are kept,
those stopped half-way count as not run, and the same command resumes the study.

Exit status: 0 when every run succeeded (with --slurm alone: the script is written; with
--collect: the summary is written); 1 when some run of the study has failed (in this call or an
earlier one), GNU parallel or sbatch could not be run, or the summary could not be written (with --collect: there is no study in DIR); 2 when
nothing was run: a usage error, a setting or design value the runs would refuse, a design of more
than 100000 runs, a value a Slurm script cannot hold, a folder holding another study, or a folder
in use by another strida-sweep; 129, 130 or 143 when stopped by SIGHUP, SIGINT or SIGTERM.
)";

struct Options {
    std::optional<fs::path> scenario, out, collect, sshLoginFile;
    std::vector<Vary> varies;
    std::vector<std::string> sets;     ///< NAME=VALUE
    std::vector<std::string> outputs;  ///< --trajectories NAME ...: the files every run writes
    int replications = 1;
    std::optional<std::uint64_t> seed;
    std::optional<long> steps;
    std::optional<int> jobs;
    SlurmOptions slurmOptions;
    std::string batch;
    bool retryFailed = false, slurm = false, submit = false, help = false;
};

int usage(const std::string& message) {
    std::fprintf(stderr, "strida-sweep: %s\nTry 'strida-sweep --help'.\n", message.c_str());
    return 2;
}

// Nothing was run: the study is refused as it stands.
int refuse(const std::string& message) {
    std::fprintf(stderr, "strida-sweep: %s\n", message.c_str());
    return 2;
}

std::optional<std::string> takeNumber(std::string_view arg, std::string_view value, Options& o) {
    const std::string bad = std::string(arg) + " takes a whole number, not " + quoteText(value);
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
    if (arg == "--array") o.slurmOptions.array = n;
    return std::nullopt;
}

// A study folder named on the command line: "-" alone reads as standard output, not a folder.
std::optional<std::string> takeFolder(std::string_view arg, const std::string& text,
                                      std::optional<fs::path>& folder) {
    if (text.empty()) return std::string(arg) + " needs a folder";
    if (text == "-") return std::string(arg) + " - is ambiguous; write ./- for a folder named -";
    folder = text;
    return std::nullopt;
}

std::optional<std::string> takeSet(const std::string& text, Options& o) {
    // Checked here as each run would apply it, so that a bad value names itself.
    const std::size_t eq = text.find('=');
    if (eq == std::string::npos || eq == 0) return "--set takes NAME=VALUE, not " + quoteText(text);
    if (text.find_first_of("\t\r\n") != std::string::npos)
        return "--set " + quoteText(text) +
               " holds a tab or a line break, which runs.tsv cannot hold";
    Settings check;
    if (MaybeError error = applySetting(check, text.substr(0, eq), text.substr(eq + 1)))
        return "--set " + error->description;
    o.sets.push_back(text);
    return std::nullopt;
}

// A file every run writes into its own folder, by its name alone.
std::optional<std::string> takeOutput(std::string_view arg, const std::string& name, Options& o) {
    const std::string option(arg);
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos)
        return option + " takes a file name, which each run writes into its own folder " +
               "runs/<id>/, not " + quoteText(name);
    if (name.find_first_of("\t\r\n") != std::string::npos)
        return option + " " + quoteText(name) + " holds a tab or a line break";
    std::string extension = fs::path(name).extension().string();
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (arg == "--trajectories" && extension != ".txt" && extension != ".sqlite")
        return "--trajectories " + quoteText(name) +
               " must end in .txt (for text) or .sqlite (for SQLite)";
    if (arg != "--trajectories" &&
        std::find(o.outputs.begin(), o.outputs.end(), option) != o.outputs.end())
        return option + " is given twice";
    o.outputs.insert(o.outputs.end(), {option, name});
    return std::nullopt;
}

std::optional<std::string> takeOption(std::string_view arg, std::string_view value, Options& o) {
    const std::string text(value);
    if (arg == "--trajectories" || arg == "--chart-data" || arg == "--per-pedestrian") {
        return takeOutput(arg, text, o);
    } else if (arg == "--vary") {
        std::string error;
        std::optional<Vary> vary = parseVary(value, error);
        if (!vary) return error;
        o.varies.push_back(std::move(*vary));
    } else if (arg == "--set") {
        return takeSet(text, o);
    } else if (arg == "--scenario") {
        o.scenario = text;
    } else if (arg == "--out" || arg == "--collect") {
        return takeFolder(arg, text, arg == "--out" ? o.out : o.collect);
    } else if (arg == "--sshloginfile") {
        if (text.empty()) return "--sshloginfile needs a file";
        o.sshLoginFile = fs::absolute(text);
    } else if (arg == "--partition") {
        o.slurmOptions.partition = text;
    } else if (arg == "--time") {
        o.slurmOptions.time = text;
    } else if (arg == "--batch") {
        o.batch = text;
    } else {
        return takeNumber(arg, value, o);
    }
    return std::nullopt;
}

// The output files of every run, each with a name of its own that none of the run's reports, its
// manifest, or the files the study keeps beside them (batch.log, status) has.
std::optional<std::string> checkOutputs(const Options& o) {
    std::vector<fs::path> names;
    for (std::size_t k = 1; k < o.outputs.size(); k += 2) {
        std::string lowered = o.outputs[k];
        for (char& c : lowered) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (lowered == "batch.log" || lowered == "status")
            return o.outputs[k - 1] + " " + o.outputs[k] + " would take the place of the run's " +
                   lowered + " in its folder";
        names.emplace_back(o.outputs[k]);
    }
    if (MaybeError error = checkOutputNames(names, ".")) return error->description;
    return std::nullopt;
}

// The design as a whole: each setting varied once and not also set, and at most kMaxRuns runs.
std::optional<std::string> checkDesign(const Options& o) {
    if (auto error = checkOutputs(o)) return error;
    for (std::size_t i = 0; i < o.varies.size(); ++i) {
        const std::string& name = o.varies[i].name;
        for (std::size_t j = 0; j < i; ++j)
            if (o.varies[j].name == name) return "--vary " + name + " is given twice";
        for (const std::string& set : o.sets)
            if (set.substr(0, set.find('=')) == name)
                return name + " is both varied and set; --set would override every value";
    }
    if (designRuns(o.varies, static_cast<std::uint64_t>(o.replications))) return std::nullopt;
    std::string sizes;
    for (const Vary& vary : o.varies) sizes += std::to_string(vary.values.size()) + " x ";
    return "the design (" + sizes + std::to_string(o.replications) +
           " replications) has more than the " + std::to_string(kMaxRuns) +
           " runs a study can hold";
}

std::optional<std::string> parseOptions(int argc, char** argv, Options& o) {
    constexpr std::string_view kTakeValues[] = {
        "--vary",         "--set",           "--scenario", "--out",   "--collect",
        "--sshloginfile", "--partition",     "--time",     "--batch", "--seed",
        "--steps",        "--replications",  "--jobs",     "--array", "--trajectories",
        "--chart-data",   "--per-pedestrian"};
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            o.help = true;
        } else if (arg == "--retry-failed" || arg == "--slurm" || arg == "--submit") {
            (arg == "--slurm" ? o.slurm : arg == "--submit" ? o.submit : o.retryFailed) = true;
        } else if (std::find(std::begin(kTakeValues), std::end(kTakeValues), arg) ==
                   std::end(kTakeValues)) {
            return "unknown option " + quoteText(arg);
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
        return file.string() + " holds another study (another design, --steps or output files " +
               "of the runs); choose another --out";
    }
    return writeWhole(file, text);
}

// One run of the study, by its id, from the study folder: for GNU parallel and Slurm alike.
constexpr std::string_view kRunOne = R"(#!/bin/sh
# Runs one run of this study from this folder: the command on its line of runs.tsv. The run's
# folder is made afresh, so that nothing of an attempt stopped half-way stays in it; the run's
# output goes to runs/<id>/batch.log, and its exit status to runs/<id>/status once it has ended.
id=$1
case $id in ''|*[!0-9]*) echo "not a run id: $id" >&2; exit 2 ;; esac
command=$(awk -F '\t' -v id="$id" 'NR > 1 && $1 == id { print $NF }' runs.tsv)
if [ -z "$command" ]; then echo "run $id is not in runs.tsv" >&2; exit 2; fi
rm -rf "runs/$id" && mkdir -p "runs/$id" || exit 2
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

// What a study is made of before anything is written: the scenario, as a file and as read, and
// the settings every run is given after its design point's.
struct Plan {
    std::string scenarioText;
    Scenario scenario;
    std::vector<std::string> common;
    std::string batch;
};

std::string besideThisProgram(const char* name) {
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string(name) : (self.parent_path() / name).string();
}

// The strida-batch the runs start, as runs.tsv names it: the runs start in the study folder, so
// a path of the current folder is made absolute.
std::optional<std::string> batchOf(const Options& o, std::string& batch) {
    batch = o.batch.empty() ? besideThisProgram("strida-batch") : o.batch;
    if (batch.find_first_of("\t\r\n") != std::string::npos)
        return "--batch " + quoteText(batch) + " holds a tab or a line break";
    if (batch.find('/') == std::string::npos) return std::nullopt;
    batch = fs::absolute(batch).lexically_normal().string();
    if (!o.sshLoginFile && ::access(batch.c_str(), X_OK) != 0)
        return "cannot run " + batch + ": " + std::strerror(errno) + "; name it with --batch";
    return std::nullopt;
}

// Reads the scenario and checks the design's every run as it would start; nothing is written.
std::optional<std::string> planStudy(const Options& o, Plan& plan) {
    if (auto error = checkDesign(o)) return error;
    if (o.slurm)
        if (auto error = slurmRefusal(o.slurmOptions, fs::absolute(*o.out).lexically_normal()))
            return error;
    if (auto error = batchOf(o, plan.batch)) return error;
    if (o.scenario) {
        if (MaybeError error = readScenario(*o.scenario, plan.scenario)) return error->description;
        plan.scenarioText = readText(*o.scenario);
    } else {
        plan.scenario = scenarioOf(Settings{});
        plan.scenarioText = scenarioText(plan.scenario);
    }
    plan.common = {"ReportSystemPerformance=1"};
    plan.common.insert(plan.common.end(), o.sets.begin(), o.sets.end());
    return checkRuns(plan.scenario, o.varies, plan.common);
}

// Lays out the locked study folder: scenario.json, seed, runs.tsv and run-one.sh. Returns the
// number of runs, or an error text.
std::optional<std::string> writeStudy(const Options& o, const Plan& plan, int& count) {
    const std::uint64_t seed = baseSeed(o);
    const std::vector<Run> runs = expandDesign(o.varies, o.replications, seed);
    std::vector<std::string> commands;
    for (const Run& run : runs)
        commands.push_back(runCommand(plan.batch, runSettings(o.varies, run.values, plan.common),
                                      run, o.steps, o.outputs));
    count = static_cast<int>(runs.size());
    for (const auto& [name, text] :
         {std::pair<const char*, std::string>{"scenario.json", plan.scenarioText},
          {"seed", std::to_string(seed) + "\n"},
          {"runs.tsv", runsTable(o.varies, runs, commands)}})
        if (auto error = placeFile(*o.out / name, text)) return error;
    return writeWhole(*o.out / "run-one.sh", std::string(kRunOne));
}

// The folder of this call's runs on the machines of an sshlogin file, under the remote home: one
// per strida-sweep, so that studies sharing a machine keep apart.
std::string remoteFolder() {
    char host[64] = "";
    ::gethostname(host, sizeof host - 1);
    std::string name = ".strida-sweep/";
    for (const char* c = host; *c; ++c)
        name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '-';
    return name + "-" + std::to_string(::getpid());
}

// GNU parallel runs the study: on this machine's cores, or on the machines of an sshlogin file.
// There, one ssh connection a machine carries every run (--controlmaster), the study's files go
// once a machine into a folder of the study's own (--basefile, --workdir), and each run's folder
// comes back. The joblog lets a second call skip the runs that finished.
std::vector<std::string> parallelCommand(const Options& o, const std::string& remote) {
    std::vector<std::string> command = {"parallel", "--joblog", "joblog",
                                        o.retryFailed ? "--resume-failed" : "--resume"};
    // The bar with the time left, where a person watches; a line per finished run in any case.
    if (isatty(STDERR_FILENO)) command.push_back("--bar");
    if (o.jobs) command.insert(command.end(), {"--jobs", std::to_string(*o.jobs)});
    if (o.sshLoginFile)
        command.insert(command.end(),
                       {"--sshloginfile", o.sshLoginFile->string(), "--controlmaster", "--workdir",
                        remote, "--basefile", "run-one.sh", "--basefile", "runs.tsv", "--basefile",
                        "scenario.json", "--return", "runs/{}"});
    command.insert(command.end(), {"sh", "run-one.sh", "{}"});
    return command;
}

// Removes the study's folder from every machine of the sshlogin file, once its runs have come
// back or the study was stopped: one connection a machine. A signal stops it like the study.
void cleanRemote(const Options& o, const std::string& remote) {
    ProcessGroup group;
    const auto error = group.start(
        {{"parallel", "--nonall", "--sshloginfile", o.sshLoginFile->string(),
          "rm -rf -- " + shellQuoted(remote) + "; rmdir .strida-sweep 2>/dev/null; true"}},
        *o.out);
    if (error || group.wait() != 0)
        std::fprintf(stderr, "strida-sweep: the study's folder %s may be left on some machine\n",
                     remote.c_str());
}

// The socket of each ssh connection GNU parallel keeps open is made under TMPDIR, and a Unix
// socket's path holds at most 107 bytes: with a long TMPDIR, /tmp is taken instead.
void shortTemporaryFolder() {
    const char* tmp = std::getenv("TMPDIR");
    if (tmp && std::strlen(tmp) > 24) ::setenv("TMPDIR", "/tmp", 1);
}

// How the programs that ran the study ended: their exit status, and the signal that stopped the
// study, 0 when none did.
struct Ending {
    int status = 0;
    int signal = 0;
};

Ending runWithParallel(const Options& o, int count, const StudyLock& lock) {
    int forgotten = 0;
    if (auto error = forgetUnfinished(*o.out, forgotten)) {
        std::fprintf(stderr, "strida-sweep: %s\n", error->c_str());
        return {1};
    }
    const std::string remote = remoteFolder();
    if (o.sshLoginFile) shortTemporaryFolder();
    ProcessGroup group;
    const auto error =
        group.start({{"seq", "1", std::to_string(count)}, parallelCommand(o, remote)}, *o.out);
    lock.noteRuns(group.id());
    const int status = group.wait();
    if (error) std::fprintf(stderr, "strida-sweep: %s\n", error->c_str());
    if (o.sshLoginFile && !error) cleanRemote(o, remote);
    return {error ? 1 : status, group.interrupted()};
}

std::string userName() {
    const passwd* user = ::getpwuid(::getuid());
    return user ? user->pw_name : std::to_string(::getuid());
}

// Submits the job array under a name of this call's own and waits for it: the tasks of `array`
// when given (sbatch's --array on the command line takes the place of the script's), else the
// script's. A signal cancels the array, and strida-sweep waits until sbatch has seen it end; a
// second signal, or one that cannot cancel, ends sbatch itself.
Ending submitToSlurm(const Options& o, const StudyLock& lock, const std::string& array) {
    char host[64] = "";
    ::gethostname(host, sizeof host - 1);
    const std::string name = "strida-sweep-" + std::string(host) + "-" + std::to_string(::getpid());
    std::vector<std::string> sbatch = {"sbatch", "--wait", "--job-name=" + name};
    if (!array.empty()) sbatch.push_back("--array=" + array);
    sbatch.push_back("sweep.sbatch");
    ProcessGroup group;
    const auto error = group.start({sbatch}, *o.out);
    lock.noteRuns(group.id());
    bool cancelled = false;
    const int status = group.wait([&](int number) {
        if (!cancelled && runProgram({"scancel", "--name=" + name, "--user=" + userName()}) == 0) {
            cancelled = true;
            return;
        }
        group.signal(number);
    });
    if (error) std::fprintf(stderr, "strida-sweep: %s\n", error->c_str());
    return {error ? 1 : status, group.interrupted()};
}

Ending runWithSlurm(const Options& o, int count, const StudyLock& lock) {
    std::error_code ec;
    fs::create_directories(*o.out / "logs", ec);
    const fs::path study = fs::absolute(*o.out).lexically_normal();
    if (auto error =
            writeWhole(*o.out / "sweep.sbatch", sbatchScript(study, count, o.slurmOptions))) {
        std::fprintf(stderr, "strida-sweep: %s\n", error->c_str());
        return {1};
    }
    // Only the runs still to do are submitted: a study half done costs no task for the rest.
    const std::vector<int> todo = runsToDo(*o.out, count, o.retryFailed);
    std::string array = arrayIds(todo);
    if (o.slurmOptions.array) array += "%" + std::to_string(*o.slurmOptions.array);
    // A list past what a command line holds well: the whole array, whose finished tasks do nothing.
    constexpr std::size_t kLongestList = 10000;
    const bool some = !todo.empty() && static_cast<int>(todo.size()) < count;
    if (!o.submit) {
        std::printf("wrote %s; submit it with: cd -- %s && sbatch sweep.sbatch\n",
                    (study / "sweep.sbatch").c_str(), shellQuoted(study.string()).c_str());
        if (some)
            std::printf(
                "%zu of its %d runs are still to do; submit only those with: sbatch "
                "--array=%s sweep.sbatch\n",
                todo.size(), count, array.c_str());
        return {-1};
    }
    if (todo.empty()) {
        std::printf("every run of the study has run; nothing to submit\n");
        return {0};
    }
    return submitToSlurm(o, lock, some && array.size() <= kLongestList ? array : "");
}

int summarise(const fs::path& study) {
    if (auto error = collect(study)) {
        std::fprintf(stderr, "strida-sweep: %s\n", error->c_str());
        return 1;
    }
    std::printf("summary: %s\n", (study / "summary.csv").c_str());
    return 0;
}

// The study stopped by a signal: what finished is kept, and the same command resumes it.
int stopped(const Options& o, int count, int signal) {
    int finished = 0;
    for (int id = 1; id <= count; ++id)
        finished += runFinished(*o.out / "runs" / std::to_string(id)) ? 1 : 0;
    std::fprintf(stderr,
                 "strida-sweep: stopped by %s; %d of %d runs have finished and are kept, the "
                 "same command resumes the study\n",
                 ("SIG" + std::string(sigabbrev_np(signal))).c_str(), finished, count);
    return 128 + signal;
}

// Whether every run of the study finished with exit status 0, this time or before.
bool everyRunSucceeded(const Options& o, int count) {
    for (int id = 1; id <= count; ++id)
        if (readText(*o.out / "runs" / std::to_string(id) / "status") != "0\n") return false;
    return true;
}

// --collect: the summary anew, unless a strida-sweep is working in the folder.
int collectStudy(const fs::path& study) {
    if (!fs::exists(study / "runs.tsv")) return summarise(study);
    std::string error;
    const std::optional<StudyLock> lock = StudyLock::take(study, error);
    if (!lock) return refuse(error);
    return summarise(study);
}

int runStudy(const Options& o) {
    Plan plan;
    if (auto error = planStudy(o, plan)) return refuse(*error);
    std::error_code ec;
    fs::create_directories(*o.out / "runs", ec);
    if (ec) return refuse("cannot make the study folder " + o.out->string() + ": " + ec.message());
    std::string error;
    const std::optional<StudyLock> lock = StudyLock::take(*o.out, error);
    if (!lock) return refuse(error);
    int count = 0;
    if (auto failure = writeStudy(o, plan, count)) return refuse(*failure);
    const Ending ending =
        o.slurm ? runWithSlurm(o, count, *lock) : runWithParallel(o, count, *lock);
    if (ending.status < 0) return 0;  // the job array is written, not submitted
    if (ending.signal) return stopped(o, count, ending.signal);
    const int summary = summarise(*o.out);
    return ending.status == 0 && summary == 0 && everyRunSucceeded(o, count) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (auto error = parseOptions(argc, argv, o)) return usage(*error);
    if (o.help) {
        std::fwrite(kHelp.data(), 1, kHelp.size(), stdout);
        return 0;
    }
    if (o.collect) return collectStudy(*o.collect);
    return runStudy(o);
}
