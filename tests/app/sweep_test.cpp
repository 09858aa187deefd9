// Studies with strida-sweep on this machine's cores through GNU parallel: the design, each run's
// own seed, the summary against the runs' own System.txt records, resuming, and counting runs
// that failed or ended without a record. The ssh and Slurm engines have system tests of their own
// (tests/system).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/engine_fixture.h"

namespace strida::test {
namespace {

namespace fs = std::filesystem;

int run(const std::string& command) {
    return exitStatus(command + " >/dev/null 2>&1");
}

// The figures of a run's System.txt record, read here on their own: the last seven quoted fields.
std::vector<double> systemRecord(const fs::path& file) {
    const std::vector<std::string> lines = split(readFile(file), '\n');
    std::vector<double> figures;
    if (lines.size() < 4) return figures;
    const std::vector<std::string> fields = split(lines[3], ',');
    for (std::size_t i = 5; i < fields.size(); ++i)
        figures.push_back(std::stod(fields[i].substr(1)));
    return figures;
}

// Every file below the folder with its bytes.
std::map<std::string, std::string> contents(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file()) files[entry.path().string()] = readFile(entry.path());
    return files;
}

TEST(Sweep, TwoSettingsByThreeValuesByFiveRunsAreSummarisedWithStudentsT) {
    TempFolder dir;
    const fs::path study = dir.path() / "study";
    const std::string sweep = std::string(STRIDA_SWEEP) +
                              " --vary NumPedLeft=2:6:2 --vary Beta=0.5,2 --replications 5 "
                              "--seed 9 --jobs 2 --out " +
                              study.string();
    ASSERT_EQ(run(sweep), 0);
    const std::vector<std::string> lines = split(readFile(study / "runs.tsv"), '\n');
    ASSERT_EQ(lines.size(), 31u);
    EXPECT_EQ(lines[0], "id\tseed\tNumPedLeft\tBeta\tcommand");
    std::set<std::string> seeds;
    std::map<std::pair<std::string, std::string>, std::vector<std::vector<double>>> points;
    for (std::size_t k = 1; k < lines.size(); ++k) {
        const std::vector<std::string> f = split(lines[k], '\t');
        ASSERT_EQ(f.size(), 5u);
        EXPECT_EQ(f[0], std::to_string(k));
        seeds.insert(f[1]);
        EXPECT_NE(f[4].find("--seed " + f[1] + " "), std::string::npos) << f[4];
        points[{f[2], f[3]}].push_back(systemRecord(study / "runs" / f[0] / "System.txt"));
    }
    EXPECT_EQ(seeds.size(), 30u);
    ASSERT_EQ(points.size(), 6u);

    // The summary against the records: mean, sample deviation, mean -+ t(0.975, 4) sd / sqrt(5).
    const double t4 = 2.7764451051977987;
    const std::vector<std::string> summary = split(readFile(study / "summary.csv"), '\n');
    ASSERT_EQ(summary.size(), 7u);
    EXPECT_TRUE(
        summary[0].starts_with("NumPedLeft,Beta,AvgTotalPed_mean,AvgTotalPed_sd,"
                               "AvgTotalPed_ci95_low,AvgTotalPed_ci95_high,AvgTotalPed_n,"
                               "MeanAvgSpeed_mean"));
    EXPECT_TRUE(summary[0].ends_with(",NUVI_n,failed,without_system_row"));
    for (std::size_t k = 1; k < summary.size(); ++k) {
        const std::vector<std::string> f = split(summary[k], ',');
        ASSERT_EQ(f.size(), 2u + 7 * 5 + 2);
        const auto& records = points.at({f[0], f[1]});
        for (std::size_t figure = 0; figure < 7; ++figure) {
            double sum = 0, squares = 0;
            for (const auto& r : records) sum += r.at(figure);
            const double mean = sum / 5;
            for (const auto& r : records) squares += (r[figure] - mean) * (r[figure] - mean);
            const double sd = std::sqrt(squares / 4), half = t4 * sd / std::sqrt(5.0);
            const std::size_t at = 2 + 5 * figure;
            const double expected[] = {mean, sd, mean - half, mean + half};
            for (int i = 0; i < 4; ++i)
                EXPECT_NEAR(std::stod(f[at + i]), expected[i], 1e-9 * (1 + std::abs(mean)))
                    << summary[k] << " figure " << figure;
            EXPECT_EQ(f[at + 4], "5");
        }
        EXPECT_EQ(f[f.size() - 2], "0");
        EXPECT_EQ(f.back(), "0");
    }

    // A second call with the same --out runs nothing and touches no run's file.
    const auto before = contents(study / "runs");
    const std::string joblog = readFile(study / "joblog");
    ASSERT_EQ(run(sweep), 0);
    EXPECT_EQ(readFile(study / "joblog"), joblog);
    EXPECT_TRUE(contents(study / "runs") == before);
    // Another design in the same folder is refused.
    EXPECT_EQ(run(sweep + " --vary DT=10,20"), 2);

    // Any run repeated alone gives the same reports.
    const fs::path again = dir.path() / "again";
    ASSERT_EQ(run(std::string(STRIDA_BATCH) + " --replay " +
                  (study / "runs" / "17" / "manifest.json").string() + " --out " + again.string()),
              0);
    for (const char* file : {"Instant.txt", "avgInstant.txt", "System.txt"})
        EXPECT_TRUE(readFile(study / "runs" / "17" / file) == readFile(again / file)) << file;
}

// Runs that cannot start count as failed, runs stopped by the step limit as without a record;
// neither is averaged. --retry-failed runs the failed ones again.
TEST(Sweep, FailedRunsAndRunsWithoutARecordAreCountedNotAveraged) {
    TempFolder dir;
    const fs::path study = dir.path() / "study";
    const std::string sweep = std::string(STRIDA_SWEEP) +
                              " --vary DT=0,15 --replications 2 --seed 3 --steps 30 --out " +
                              study.string();
    EXPECT_EQ(run(sweep), 1);
    const std::vector<std::string> summary = split(readFile(study / "summary.csv"), '\n');
    ASSERT_EQ(summary.size(), 3u);
    EXPECT_TRUE(summary[1].starts_with("0,,,,,0,")) << summary[1];
    EXPECT_TRUE(summary[1].ends_with(",2,0")) << summary[1];
    EXPECT_TRUE(summary[2].ends_with(",0,2")) << summary[2];
    const std::string joblog = readFile(study / "joblog");
    EXPECT_EQ(run(sweep + " --retry-failed"), 1);
    EXPECT_EQ(split(readFile(study / "joblog"), '\n').size(), split(joblog, '\n').size() + 2)
        << "the two failed runs ran again";
    // A run that left nothing at all (a task that never ran) counts as failed, and so does one
    // whose status says it failed although it finished (a report file it could not write).
    fs::remove_all(study / "runs" / "4");
    std::ofstream(study / "runs" / "3" / "status") << "3\n";
    ASSERT_EQ(run(std::string(STRIDA_SWEEP) + " --collect " + study.string()), 0);
    EXPECT_TRUE(split(readFile(study / "summary.csv"), '\n')[2].ends_with(",2,0"));

    EXPECT_EQ(run(std::string(STRIDA_SWEEP) + " --vary Nonsense=1,2 --out " + study.string()), 2);
    EXPECT_EQ(run(std::string(STRIDA_SWEEP) + " --vary Beta=2:1:0.5 --out " + study.string()), 2);
    EXPECT_EQ(run(std::string(STRIDA_SWEEP) + " --vary Beta --out " + study.string()), 2);
    EXPECT_EQ(run(std::string(STRIDA_SWEEP) + " --set ReportNTXY=yes --out " + study.string()), 2);
    EXPECT_EQ(run(std::string(STRIDA_SWEEP) + " --vary Beta=0:1:0.0001 --out " + study.string()),
              2);
    EXPECT_EQ(run(std::string(STRIDA_SWEEP) + " --collect " + (dir.path() / "none").string()), 1);
    EXPECT_EQ(run(std::string(STRIDA_SWEEP) + " --vary Beta=1,2"), 2);
}

}  // namespace
}  // namespace strida::test
