// Studies with strida-sweep on this machine's cores through GNU parallel: the design, each run's
// own seed, the summary against the runs' own System.txt records, resuming, counting runs that
// failed or ended without a record, the inputs refused before anything runs, and the study
// folder's lock. Below them, the parts on their own: exact ranges, the design's size, quoting for
// the shell, Slurm and CSV. The ssh and Slurm engines, and a study stopped by a signal and
// resumed, have system tests of their own (tests/system).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "support/engine_fixture.h"
#include "support/spawn.h"
#include "sweep/collect.h"
#include "sweep/decimal.h"
#include "sweep/design.h"
#include "sweep/slurm.h"
#include "sweep/study.h"

namespace strida::test {
namespace {

namespace fs = std::filesystem;

int run(const std::string& command) {
    return exitStatus(command + " >/dev/null 2>&1");
}

// The exit status of a process started here, -1 when a signal ended it.
int waitFor(pid_t pid) {
    int raw = 0;
    if (waitpid(pid, &raw, 0) != pid) return -1;
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

struct Outcome {
    int status = -1;
    std::string output;  // standard output and error
};

Outcome sweep(const std::vector<std::string>& args, const fs::path& log) {
    const pid_t pid = startProgram(STRIDA_SWEEP, args, log);
    if (pid < 0) return {};
    const int status = waitFor(pid);
    return {status, readFile(log)};
}

// The counts "failed,without_system_row" of a line of summary.csv.
std::string countsOf(const std::vector<std::string>& summary, std::size_t line) {
    const std::vector<std::string> names = split(summary.at(0), ','),
                                   fields = split(summary.at(line), ',');
    const auto at = std::find(names.begin(), names.end(), "failed") - names.begin();
    return fields.at(static_cast<std::size_t>(at)) + "," +
           fields.at(static_cast<std::size_t>(at) + 1);
}

// Stops a strida-sweep this test started, whatever the test's outcome: SIGTERM, which it passes
// on to the runs it started, then waits for it.
struct Stopper {
    pid_t pid;
    ~Stopper() {
        if (pid > 0 && kill(pid, SIGTERM) == 0) waitFor(pid);
    }
};

// One study through its life. While the first sweep works, a second one into its folder, and
// --collect, are refused at once with its pid; its runs wait, through a strida-batch stand-in,
// until the test lets them go. The stand-in refuses NumPedLeft=3, as a run that fails half-way
// would: failed runs are counted, runs stopped by the step limit counted as without a record, and
// neither is averaged. A run stopped half-way, its status lost or saying a signal stopped it, is
// taken out of the joblog, so that resuming runs it again; a run that finished, failed or not, is
// not run again; --retry-failed runs the failed ones again. The study is in a folder whose name
// starts with "-", a folder like any other: the study goes into it, and nowhere else; a study of
// another design is refused there.
TEST(Sweep, AStudyIsLockedCountsItsFailuresAndResumesWhatWasStoppedHalfWay) {
    TempFolder dir;
    const fs::path study = dir.path() / "-x", elsewhere = dir.path() / "elsewhere",
                   batch = dir.path() / "fails-on-3.sh", release = dir.path() / "release";
    fs::create_directories(elsewhere);
    std::ofstream(batch) << "#!/bin/sh\nwhile [ ! -e " << release
                         << " ]; do sleep 0.05; done\ncase \"$*\" in *NumPedLeft=3*) exit 1 ;; "
                            "esac\nexec "
                         << STRIDA_BATCH << " \"$@\"\n";
    fs::permissions(batch, fs::perms::owner_all);
    const std::string command = "cd " + elsewhere.string() + " && cd " + dir.path().string() +
                                " && exec " + STRIDA_SWEEP +
                                " --vary NumPedLeft=3,4 --replications 2 --seed 3 --steps 30 "
                                "--jobs 2 --chart-data steps.csv --batch " +
                                batch.string() + " --out -x";
    Stopper first{startProgram("/bin/sh", {"-c", command}, dir.path() / "first.log")};
    ASSERT_GT(first.pid, 0);
    for (int i = 0; i < 600 && !fs::exists(study / "runs" / "1"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_TRUE(fs::exists(study / "runs" / "1")) << readFile(dir.path() / "first.log");
    const std::string holder = "in use by strida-sweep pid " + std::to_string(first.pid);
    for (const auto& args : {std::vector<std::string>{"--seed", "3", "--out", study.string()},
                             std::vector<std::string>{"--collect", study.string()}}) {
        const Outcome second = sweep(args, dir.path() / "log");
        EXPECT_EQ(second.status, 2);
        EXPECT_NE(second.output.find(holder), std::string::npos) << second.output;
    }
    std::ofstream(release) << "go\n";
    ASSERT_EQ(waitFor(first.pid), 1) << readFile(dir.path() / "first.log");
    first.pid = -1;
    EXPECT_TRUE(fs::is_empty(elsewhere));
    // runs.tsv: a line a run, each with a seed of its own that its command passes on.
    const std::vector<std::string> runs = split(readFile(study / "runs.tsv"), '\n');
    ASSERT_EQ(runs.size(), 5u);
    EXPECT_EQ(runs[0], "id\tseed\tNumPedLeft\tcommand");
    std::set<std::string> seeds;
    for (std::size_t k = 1; k < runs.size(); ++k) {
        const std::vector<std::string> f = split(runs[k], '\t');
        ASSERT_EQ(f.size(), 4u);
        seeds.insert(f[1]);
        EXPECT_NE(f[3].find("--seed " + f[1] + " "), std::string::npos) << f[3];
    }
    EXPECT_EQ(seeds.size(), 4u);
    const std::vector<std::string> summary = split(readFile(study / "summary.csv"), '\n');
    ASSERT_EQ(summary.size(), 3u);
    EXPECT_TRUE(summary[1].starts_with("3,,,,,0,")) << summary[1];
    EXPECT_EQ(countsOf(summary, 1), "2,0") << summary[1];
    EXPECT_EQ(countsOf(summary, 2), "0,2") << summary[2];

    // Runs 1 and 2 failed; run 3 stopped by SIGTERM, run 4 killed before it wrote its status.
    const std::string report = readFile(study / "runs" / "3" / "Instant.txt");
    std::ofstream(study / "runs" / "3" / "status") << "143\n";
    std::ofstream(study / "runs" / "3" / "Instant.txt", std::ios::app) << "half a record";
    fs::remove(study / "runs" / "4" / "status");
    const std::vector<std::string> before = split(readFile(study / "joblog"), '\n');
    ASSERT_EQ(before.size(), 5u);
    EXPECT_EQ(run(command), 1) << "runs 1 and 2 are still counted as failed";
    const std::vector<std::string> after = split(readFile(study / "joblog"), '\n');
    ASSERT_EQ(after.size(), before.size());
    for (const char* id : {"1", "2"}) EXPECT_EQ(readFile(study / "runs" / id / "status"), "1\n");
    for (const char* id : {"3", "4"}) {
        EXPECT_EQ(readFile(study / "runs" / id / "status"), "0\n");
        EXPECT_EQ(split(readFile(study / "runs" / id / "steps.csv"), '\n').size(), 31u)
            << "a run resumed writes the study's output files into its own folder";
    }
    EXPECT_TRUE(readFile(study / "runs" / "3" / "Instant.txt") == report)
        << "the run ran again in a folder of its own, nothing of the stopped one left";
    EXPECT_EQ(run(command + " --retry-failed"), 1);
    EXPECT_EQ(split(readFile(study / "joblog"), '\n').size(), after.size() + 2)
        << "the two failed runs ran again";

    // A run that left nothing at all (a task that never ran) counts as failed, and so does one
    // whose status says it failed although it finished (a report file it could not write).
    fs::remove_all(study / "runs" / "4");
    std::ofstream(study / "runs" / "3" / "status") << "3\n";
    ASSERT_EQ(run(std::string(STRIDA_SWEEP) + " --collect " + study.string()), 0);
    EXPECT_EQ(countsOf(split(readFile(study / "summary.csv"), '\n'), 2), "2,0");
    const std::string table = readFile(study / "runs.tsv");
    EXPECT_EQ(run(command + " --vary DT=10,20"), 2) << "another design in the same folder";
    EXPECT_EQ(run(command + " --trajectories t.txt"), 2) << "other output files, the same";
    EXPECT_EQ(readFile(study / "runs.tsv"), table);
}

// Every input refused before anything runs: one clear line, status 2, and no study folder made.
TEST(Sweep, BadInputsAreRefusedBeforeAnythingRuns) {
    TempFolder dir;
    const struct {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        // Settings every run would refuse: with no setting varied, from the trap's calibration,
        // when read, and for a point of the design.
        {{"--set", "Alpha=abc"}, "no run of the study could start: Alpha"},
        {{"--set", "TrapLength=abc"},
         "no run of the study could start: Wrong input: The range of trap"},
        {{"--set", "ReportNTXY=yes"}, "--set ReportNTXY"},
        {{"--vary", "Beta=1,2", "--vary", "Alpha=0.5,x"}, "the runs with Beta=1, Alpha=x"},
        {{"--vary", "Nonsense=1,2"}, "there is no setting named \"Nonsense\""},
        {{"--set", "Alpha=1\t2"}, "holds a tab or a line break"},
        {{"--vary", "Alpha=1,2", "--set", "Alpha=3"}, "Alpha is both varied and set"},
        {{"--vary", "Alpha=1,2", "--vary", "Alpha=3,4"}, "--vary Alpha is given twice"},
        // Ranges and the design's size (their limits are the parts' own tests, below).
        {{"--vary", "Beta"}, "--vary takes NAME=a:b:step"},
        {{"--vary", "Beta=0:1:0.3"}, "do not end on 1 (the last would be 0.9)"},
        {{"--vary", "Alpha=1:10000:1", "--vary", "Beta=1:10000:1"},
         "the design (10000 x 10000 x 1 replications) has more than the 100000 runs"},
        {{"--replications", "0"}, "--replications takes a whole number, not \"0\" of 1 or more"},
        // What the shell or Slurm cannot take, and folders that are not what they seem.
        {{"--slurm", "--partition", "short\ntouch pwned"}, "--partition \"short?touch pwned\""},
        {{"--slurm", "--time", "10\r"}, "holds a line break or another control character"},
        {{"--batch", "/nonexistent/strida-batch"}, "cannot run /nonexistent/strida-batch"},
        {{"--submit"}, "--submit goes with --slurm"},
        {{"--vary", "Beta=1,2", "--out", "-"}, "--out - is ambiguous"},
        {{"--frobnicate"}, "unknown option \"--frobnicate\""},
        // Output files of the runs: a name of its own in each run's folder, nothing outside it.
        {{"--trajectories", "../t.txt"}, "--trajectories takes a file name, which each run"},
        {{"--per-pedestrian", ".."}, "--per-pedestrian takes a file name"},
        {{"--trajectories", "t.csv"}, "must end in .txt (for text) or .sqlite"},
        {{"--chart-data", "a.csv", "--chart-data", "b.csv"}, "--chart-data is given twice"},
        {{"--chart-data", "Batch.log"},
         "--chart-data Batch.log would take the place of the run's batch.log"},
        {{"--per-pedestrian", "p.csv", "--chart-data", "P.csv"}, "two output files are named"},
        {{"--chart-data", "manifest.json"}, "like the run's own manifest"},
    };
    int k = 0;
    for (const auto& c : cases) {
        const fs::path study = dir.path() / ("study-" + std::to_string(k++));
        std::vector<std::string> args = {"--seed", "1", "--out", study.string()};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const Outcome outcome = sweep(args, dir.path() / "log");
        EXPECT_EQ(outcome.status, 2) << c.message << "\n" << outcome.output;
        EXPECT_NE(outcome.output.find(c.message), std::string::npos)
            << "expected: " << c.message << "\nprinted: " << outcome.output;
        const bool usage = outcome.output.find("Try 'strida-sweep --help'") != std::string::npos;
        EXPECT_EQ(std::count(outcome.output.begin(), outcome.output.end(), '\n'), usage ? 2 : 1)
            << outcome.output;
        EXPECT_FALSE(fs::exists(study)) << c.message;
    }
    EXPECT_FALSE(fs::exists(dir.path() / "-"));
    EXPECT_FALSE(fs::exists("pwned"));
    const Outcome none = sweep({"--collect", (dir.path() / "none").string()}, dir.path() / "log");
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.output.find("no runs.tsv"), std::string::npos) << none.output;
}

// A study of a one-way stream whose runs end by the step limit: no run writes a System.txt row,
// and the summary comes whole from the results the manifests record.
TEST(Sweep, AStudyOfRunsEndedByTheStepLimitIsSummarisedFromTheirResults) {
    TempFolder dir;
    const fs::path study = dir.path() / "study";
    const Outcome outcome =
        sweep({"--scenario", std::string(STRIDA_TEST_DATA) + "/../../examples/headway-stream.json",
               "--vary", "HeadwayMeanInput=6,8,10", "--steps", "300", "--replications", "5",
               "--seed", "4", "--jobs", "2", "--out", study.string()},
              dir.path() / "log");
    ASSERT_EQ(outcome.status, 0) << outcome.output;
    const std::vector<std::string> lines = split(readFile(study / "summary.csv"), '\n');
    ASSERT_EQ(lines.size(), 4u);
    const std::vector<std::string> names = split(lines[0], ',');
    for (std::size_t point = 1; point <= 3; ++point) {
        const std::vector<std::string> row = split(lines[point], ',');
        ASSERT_EQ(row.size(), names.size()) << lines[point];
        EXPECT_EQ(countsOf(lines, point), "0,5");
        EXPECT_EQ(row.back(), "5") << "with_results";
        int figures = 0;
        for (std::size_t k = 0; k < names.size(); ++k) {
            if (names[k].ends_with("_n") && !names[k].starts_with("results."))
                EXPECT_EQ(row[k], "0") << names[k] << ": no run wrote a System.txt row";
            if (!names[k].starts_with("results.")) continue;
            ++figures;
            EXPECT_NE(row[k], "") << names[k];
        }
        // Nobody walks east to west: that way has its counts, head count and dissipation time.
        EXPECT_EQ(figures, 5 * (17 + 16 + 9)) << lines[0];
    }
    EXPECT_NE(lines[0].find("results.westToEast.MeanAlongSpeed_mean"), std::string::npos);
}

// ---- The parts on their own ----

TEST(SweepRanges, RangesAreCountedInExactDecimalsOrRefused) {
    const struct {
        const char *a, *b, *step;
        std::vector<std::string> values;  // none: refused, saying this
        std::string refusal = "";
        std::uint64_t limit = 100;
    } cases[] = {
        {"0.1", "0.3", "0.1", {"0.1", "0.2", "0.3"}},
        {"-0.3", "0.3", "0.3", {"-0.3", "0", "0.3"}},
        {"1.50", "2.5", "0.50", {"1.5", "2", "2.5"}},
        {"1e-7", "3e-7", "1e-7", {"1e-07", "2e-07", "3e-07"}},
        {"1e20", "1e21", "4.5e20", {"100000000000000000000", "550000000000000000000", "1e+21"}},
        {"0.1",
         "0.10000000000000000000000000000000003",
         "0.00000000000000000000000000000000001",
         {"0.1", "0.10000000000000000000000000000000001", "0.10000000000000000000000000000000002",
          "0.10000000000000000000000000000000003"}},
        // A range that does not end on b is among the inputs strida-sweep refuses, above.
        {"0", "1", "0", {}, "a step above 0 and b not below a"},
        {"a", "1", "1", {}, "three numbers"},
        {"0", "1e40", "1", {}, "too far apart in scale"},
        {"0", "1234567890123456789012345678901234567", "1", {}, "at most 36 digits"},
        {"1", "11", "1", {}, "a range of more than 10 values", 10},
    };
    for (const auto& c : cases) {
        std::string error;
        const auto values = sweep::decimalRange(c.a, c.b, c.step, c.limit, error);
        const std::string range = std::string(c.a) + ":" + c.b + ":" + c.step;
        if (c.values.empty()) {
            EXPECT_FALSE(values) << range;
            EXPECT_NE(error.find(c.refusal), std::string::npos) << range << ": " << error;
        } else {
            ASSERT_TRUE(values) << range << ": " << error;
            EXPECT_EQ(*values, c.values) << range;
        }
    }
}

TEST(SweepDesign, TheSizeIsCheckedBeforeTheDesignIsBuilt) {
    const auto of = [](std::vector<std::size_t> sizes) {
        std::vector<sweep::Vary> varies;
        for (std::size_t n : sizes) varies.push_back({"X", std::vector<std::string>(n)});
        return varies;
    };
    EXPECT_FALSE(sweep::designRuns(of({100001}), 1));
    // 2^32 x 2^32 wraps to 0 in 64 bits.
    EXPECT_FALSE(sweep::designRuns(of({65536, 65536, 65536, 65536}), 1));
    EXPECT_EQ(sweep::designRuns(of({100000, 0}), 2147483647), 0u);
}

// The Slurm script: every #SBATCH value on its line and quoted for sbatch, the study folder
// reached by the shell whatever its name (none of it run as a command), a value that cannot be
// written refused.
TEST(SweepQuoting, TheSlurmScriptHoldsEveryValueWhole) {
    TempFolder dir;
    const fs::path study = dir.path() / "-my study's $HOME `touch pwned`";
    fs::create_directories(study);
    std::ofstream(study / "run-one.sh") << "pwd > \"$0.pwd\"; echo \"$1\" > task\n";
    const sweep::SlurmOptions options{"short 'a'", "1-00:00:00", 4};
    ASSERT_FALSE(sweep::slurmRefusal(options, study));
    const std::string script = sweep::sbatchScript(study, 12, options);
    const std::vector<std::string> lines = split(script, '\n');
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(lines[2], "#SBATCH --array=1-12%4");
    EXPECT_EQ(lines[4], R"(#SBATCH --partition='short '\''a'\''')");
    EXPECT_EQ(lines[5], "#SBATCH --time=1-00:00:00");
    EXPECT_EQ(sweep::sbatchQuoted("a\\b"), R"('a\\b')");
    EXPECT_NE(script.find(dir.path().string() +
                          R"(/-my study'\''s $HOME `touch pwned`/logs/slurm-%A_%a.out)"),
              std::string::npos)
        << script;
    std::ofstream(dir.path() / "sweep.sbatch") << script;
    ASSERT_EQ(exitStatus("cd " + dir.path().string() + " && SLURM_ARRAY_TASK_ID=7 sh sweep.sbatch"),
              0);
    EXPECT_EQ(readFile(study / "run-one.sh.pwd"), study.string() + "\n");
    EXPECT_EQ(readFile(study / "task"), "7\n");
    EXPECT_FALSE(fs::exists(dir.path() / "pwned"));
    // A % of the folder's path must not read as one of Slurm's patterns.
    EXPECT_NE(sweep::sbatchScript("/data/100%a", 1, {}).find("/data/100%%a/logs/slurm-%A_%a.out"),
              std::string::npos);
    EXPECT_TRUE(sweep::slurmRefusal({}, "/data/line\nbreak"));
    EXPECT_TRUE(sweep::slurmRefusal({}, "/data/back\\slash"));
}

// A study submitted again to Slurm: the runs still to do are those without a status, or stopped
// by a signal, and with --retry-failed those that failed too; sbatch takes them as a list with
// ranges.
TEST(SweepSlurm, OnlyTheRunsStillToDoGoToSlurmAsACompactList) {
    TempFolder dir;
    const std::vector<std::pair<int, const char*>> statuses = {
        {1, "0\n"}, {2, "1\n"}, {3, "143\n"}, {4, "0\n"}, {5, "0\n"}, {6, "0\n"}, {8, "0\n"}};
    for (const auto& [id, status] : statuses) {
        const fs::path run = dir.path() / "runs" / std::to_string(id);
        fs::create_directories(run);
        std::ofstream(run / "status") << status;
    }
    fs::create_directories(dir.path() / "runs" / "9");  // begun, never ended
    EXPECT_EQ(sweep::arrayIds(sweep::runsToDo(dir.path(), 12, false)), "3,7,9-12");
    EXPECT_EQ(sweep::arrayIds(sweep::runsToDo(dir.path(), 12, true)), "2-3,7,9-12");
    EXPECT_EQ(sweep::arrayIds(sweep::runsToDo(dir.path(), 6, false)), "3");
    EXPECT_EQ(sweep::arrayIds({}), "");
}

// summary.csv from hand-made records: per point, of the last record of each run's System.txt, the
// mean, sample deviation and mean -+ t(0.975, n - 1) sd / sqrt(n); one run gives a mean alone. A
// value holding a comma, a quote or a line break is one quoted field, as RFC 4180 writes it.
TEST(SweepSummary, MeanDeviationIntervalAndQuotedFieldsOfHandMadeRecords) {
    EXPECT_EQ(sweep::csvField("a\nb\r"), "\"a\nb\r\"");

    TempFolder dir;
    const auto record = [](const char* avgTotalPed) {
        return std::string(R"("0","0","0","0","9",")") + avgTotalPed +
               R"(","1.133","0","0","154.00","0.994","0.969")";
    };
    std::ofstream tsv(dir.path() / "runs.tsv");
    tsv << "id\tseed\tNote\tcommand\n";
    const char* avgTotalPed[] = {"7", "9", "10", "11", "13", "4"};
    for (int id = 1; id <= 6; ++id) {
        tsv << id << "\t" << id << "\t" << (id < 6 ? "a,b" : "say \"hi\"") << "\tx\n";
        const fs::path run = dir.path() / "runs" / std::to_string(id);
        fs::create_directories(run);
        std::ofstream(run / "status") << "0\n";
        std::ofstream(run / "System.txt") << "title\n\nheader\n"
                                          << record("99") << "\n"
                                          << record(avgTotalPed[id - 1]) << "\r\n";
    }
    tsv.close();
    ASSERT_FALSE(sweep::collect(dir.path()));
    const std::vector<std::string> lines = split(readFile(dir.path() / "summary.csv"), '\n');
    ASSERT_EQ(lines.size(), 3u);
    // 7, 9, 10, 11, 13: mean 10, squares 20, sd sqrt(20 / 4) = 2.2360679775, and the half
    // interval t(0.975, 4) sd / sqrt(5) = t(0.975, 4) = 2.7764451052.
    ASSERT_TRUE(lines[1].starts_with("\"a,b\",10,")) << lines[1];
    const std::vector<std::string> a = split(lines[1].substr(6), ',');
    ASSERT_EQ(a.size(), 7u * 5 + 3) << lines[1];
    const double expected[] = {10, 2.2360679774997898, 7.2235548948022013, 12.776445105197799};
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(std::stod(a[i]), expected[i], 1e-12) << lines[1];
    EXPECT_EQ(a[4] + "," + a[5] + "," + a[6] + "," + a[7] + "," + a[8], "5,1.133,0,1.133,1.133");
    EXPECT_TRUE(lines[2].starts_with("\"say \"\"hi\"\"\",4,,,,1,1.133,")) << lines[2];
    EXPECT_TRUE(lines[2].ends_with(",0,0,0")) << "no run recorded results: " << lines[2];
}

// The closing figures of the runs' manifests, after every System.txt column: one group of columns
// per number found under "results" in any run, by path in sorted order, the directions' objects
// one level down. A null, a missing figure and a run that failed do not count; a run that ended
// otherwise does, with or without a System.txt row; a manifest without "results" (an earlier
// version's) counts in no column, and with_results says how many runs had them.
TEST(SweepSummary, TheRunsResultsAreSummarisedByPathWhereTheyHaveAValue) {
    TempFolder dir;
    std::ofstream tsv(dir.path() / "runs.tsv");
    tsv << "id\tseed\tPoint\tcommand\n";
    const struct {
        const char *point, *status, *manifest;
    } runs[] = {
        {"a", "0\n",
         R"({"ending": "finished", "results": {"dt": 0.0666667, "AvgDelay": 1,
             "DissipationTime": null, "westToEast": {"AvgDelay": 2}}})"},
        {"a", "0\n",
         R"({"ending": "step limit", "results": {"AvgDelay": 3, "DissipationTime": 412,
             "westToEast": {"AvgDelay": null}, "eastToWest": {"generated": 400}}})"},
        {"a", "1\n", R"({"ending": "refused", "results": {"AvgDelay": 100, "inRun": 7}})"},
        {"b", "0\n", R"({"ending": "stopped", "results": {"AvgDelay": 5}})"},
        {"b", "0\n", R"({"ending": "finished"})"},
        {"b", "", "not a manifest"},
    };
    for (int id = 1; id <= 6; ++id) {
        const auto& r = runs[id - 1];
        tsv << id << "\t" << id << "\t" << r.point << "\tx\n";
        const fs::path run = dir.path() / "runs" / std::to_string(id);
        fs::create_directories(run);
        if (*r.status) std::ofstream(run / "status") << r.status;
        std::ofstream(run / "manifest.json") << r.manifest;
    }
    tsv.close();
    ASSERT_FALSE(sweep::collect(dir.path()));
    const std::vector<std::string> lines = split(readFile(dir.path() / "summary.csv"), '\n');
    ASSERT_EQ(lines.size(), 3u);
    const std::vector<std::string> names = split(lines[0], ',');
    const auto column = [&](const std::string& name) {
        return std::find(names.begin(), names.end(), name) - names.begin();
    };
    const std::size_t first = static_cast<std::size_t>(column("without_system_row")) + 1;
    ASSERT_EQ(first, 1u + 7 * 5 + 2);
    const std::vector<std::string> paths = {"results.AvgDelay", "results.DissipationTime",
                                            "results.dt", "results.eastToWest.generated",
                                            "results.westToEast.AvgDelay"};
    ASSERT_EQ(names.size(), first + paths.size() * 5 + 1) << lines[0];
    for (std::size_t k = 0; k < paths.size(); ++k)
        EXPECT_EQ(names[first + 5 * k], paths[k] + "_mean") << lines[0];
    EXPECT_EQ(names.back(), "with_results");
    const std::vector<std::string> a = split(lines[1], ','), b = split(lines[2], ',');
    ASSERT_EQ(a.size(), names.size()) << lines[1];
    ASSERT_EQ(b.size(), names.size()) << lines[2];
    const auto field = [&](const std::vector<std::string>& row, const std::string& name) {
        return row.at(static_cast<std::size_t>(column(name)));
    };
    // 1 and 3: mean 2, sd sqrt(2), half interval t(0.975, 1) sqrt(2) / sqrt(2) = 12.7062047362.
    EXPECT_EQ(field(a, "results.AvgDelay_mean"), "2");
    EXPECT_NEAR(std::stod(field(a, "results.AvgDelay_sd")), 1.4142135623730951, 1e-12);
    EXPECT_NEAR(std::stod(field(a, "results.AvgDelay_ci95_high")), 2 + 12.706204736174707, 1e-9);
    for (const char* alone : {"results.DissipationTime", "results.westToEast.AvgDelay",
                              "results.eastToWest.generated", "results.dt"})
        EXPECT_EQ(field(a, alone + std::string("_n")), "1") << alone;
    EXPECT_EQ(field(a, "results.DissipationTime_mean"), "412");
    EXPECT_EQ(field(a, "results.DissipationTime_sd"), "");
    EXPECT_EQ(field(a, "failed") + field(a, "without_system_row") + field(a, "with_results"),
              "122");
    EXPECT_EQ(field(b, "results.AvgDelay_mean"), "5");
    EXPECT_EQ(field(b, "results.dt_mean") + "/" + field(b, "results.dt_n"), "/0");
    EXPECT_EQ(field(b, "failed") + field(b, "without_system_row") + field(b, "with_results"),
              "121");
}

}  // namespace
}  // namespace strida::test
