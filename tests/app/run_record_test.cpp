// What a batch run leaves for the record (manifest.json) and what a replay makes of it: every file
// written again into the replay's own folder and nowhere else, outputs that would mix refused
// before anything runs, and an exit status that tells a file that could not be written whole.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "engine/settings_rules.h"
#include "measure/step_series.h"
#include "support/batch_runner.h"
#include "support/engine_fixture.h"
#include "support/odd_files.h"

namespace strida::test {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

json manifestIn(const fs::path& folder) {
    return json::parse(readFile(folder / "manifest.json"));
}

// Each of these is refused with status 2 and a message saying why, before anything is written:
// outputs whose bytes would mix, outputs that cannot be made, settings no run can go on with.
TEST(RunRecord, RefusesOutputsThatWouldMixOrCannotBeMade) {
    TempFolder out;
    fs::create_directory(out.path() / "taken.csv");  // a folder where the chart data should go
    const struct {
        std::string args;
        std::string message;
    } cases[] = {
        {"--trajectories ntxy.TXT", "named \"ntxy.TXT\" like the run's own report file"},
        {"--chart-data manifest.json", "like the run's own manifest"},
        {"--trajectories a.txt --chart-data ./A.TXT", "two output files are named \"A.TXT\""},
        {"--chart-data taken.csv", "could not be created"},
        {"--chart-data a.csv --per-pedestrian a.csv", "two output files are named \"a.csv\""},
        {"--set DT=0", "DT is \"0\""},
        {"--set NumWays=1 --set TotalNumberOfPedestrians=1",
         "NumPedLeft is \"0\" and NumPedRight is \"0\" (of TotalNumberOfPedestrians \"1\"), so "
         "no pedestrian would be generated"},
    };
    for (const auto& c : cases) {
        const BatchResult r = batch(c.args + " --seed 1 --out " + out.path().string(), true);
        EXPECT_EQ(r.status, 2) << c.args;
        EXPECT_NE(r.out.find(c.message), std::string::npos) << c.args << "\n" << r.out;
        std::vector<std::string> left;
        for (const auto& entry : fs::directory_iterator(out.path()))
            left.push_back(entry.path().filename().string());
        EXPECT_EQ(left, std::vector<std::string>{"taken.csv"}) << c.args;
    }
}

// A manifest records the run's seed, settings and files; its replay gives every file again byte for
// byte. A trajectory file named by an absolute path outside the report folder is recorded by its
// name alone, so the replay writes it into its own folder and leaves the original alone; so does a
// manifest of an earlier version that recorded the path itself (with its seed as a number).
TEST(RunRecord, AReplayWritesEveryFileIntoItsOwnFolderOnly) {
    TempFolder run, outside, again, olderAgain;
    const fs::path crowd = outside.path() / "crowd.txt";
    ASSERT_EQ(batch("--seed 18446744073709551557 --steps 30 --set ReportNTXY=1 --set DT=12 "
                    "--trajectories " +
                    crowd.string() +
                    " --trajectories run.sqlite --chart-data figures.csv --per-pedestrian p.csv"
                    " --out " +
                    run.path().string())
                  .status,
              0);
    const json m = manifestIn(run.path());
    EXPECT_EQ(m.at("seed"), "18446744073709551557")
        << "a double would make it 18446744073709551616";
    EXPECT_EQ(m.at("settings").size(), settingTable().size());
    EXPECT_EQ(m.at("ending"), "step limit");
    EXPECT_EQ(m.at("files").at("crowd.txt"), fs::file_size(crowd));
    const char* files[] = {"figures.csv", "Instant.txt", "avgInstant.txt",
                           "NTXY.txt",    "run.sqlite",  "p.csv"};
    for (const char* file : files)
        EXPECT_EQ(m.at("files").at(file), fs::file_size(run.path() / file)) << file;
    const std::string original = readFile(crowd);
    const auto written = fs::last_write_time(crowd);

    ASSERT_EQ(batch("--replay " + (run.path() / "manifest.json").string() + " --out " +
                    again.path().string())
                  .status,
              0);
    EXPECT_TRUE(readFile(again.path() / "crowd.txt") == original);
    for (const char* file : files)
        EXPECT_TRUE(readFile(again.path() / file) == readFile(run.path() / file)) << file;
    EXPECT_EQ(fs::last_write_time(crowd), written) << "the original file was written over";

    json older = m;
    older["seed"] = 18446744073709551557ull;
    older["trajectories"] = json::array({crowd.string(), "../../up.txt"});
    older.erase("chartData");
    std::ofstream(run.path() / "older.json") << older.dump(2);
    ASSERT_EQ(batch("--replay " + (run.path() / "older.json").string() + " --out " +
                    olderAgain.path().string())
                  .status,
              0);
    EXPECT_TRUE(readFile(olderAgain.path() / "crowd.txt") == original);
    EXPECT_TRUE(fs::exists(olderAgain.path() / "up.txt"));
    EXPECT_FALSE(fs::exists(olderAgain.path() / "figures.csv")) << "that manifest names none";
    EXPECT_EQ(fs::last_write_time(crowd), written);
}

// The record never claims more than happened: a run refused for a file it cannot write leaves the
// last run's record as it was, a manifest that cannot be written fails the run without leaving a
// part behind, and a replay whose data file has changed or is gone is refused.
TEST(RunRecord, ARecordThatCannotBeTrueIsNotLeft) {
    TempFolder out, blocked, data, again;
    ASSERT_EQ(batch("--seed 2 --steps 5 --out " + out.path().string()).status, 0);
    const std::string before = readFile(out.path() / "manifest.json");
    EXPECT_EQ(batch("--seed 2 --trajectories none/t.txt --out " + out.path().string()).status, 2);
    EXPECT_TRUE(readFile(out.path() / "manifest.json") == before);

    // Like a report file, a manifest that cannot be written is told once; the run goes on and
    // fails at the end.
    fs::create_directory(blocked.path() / "manifest.json");
    const BatchResult r = batch("--seed 2 --out " + blocked.path().string(), true);
    EXPECT_EQ(r.status, 3);
    const std::string told = "manifest.json could not be written";
    EXPECT_NE(r.out.find(told), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find(told), r.out.rfind(told)) << r.out;
    EXPECT_FALSE(fs::exists(blocked.path() / "manifest.json.part"));
    EXPECT_TRUE(fs::exists(blocked.path() / "Instant.txt"));

    const fs::path peds = data.path() / "peds.sdx";
    fs::copy_file(fs::path(STRIDA_TEST_DATA) / ".." / ".." / "examples" / "head-on.sdx", peds);
    ASSERT_EQ(batch("--set ManualGenerator=1 --set ReportSystemPerformance=1 --peds " +
                    peds.string() + " --out " + data.path().string())
                  .status,
              0);
    const json m = manifestIn(data.path());
    EXPECT_EQ(m.at("pedestrianFile").at("path"), fs::absolute(peds).string());
    EXPECT_EQ(m.at("pedestrianFile").at("sha256"),  // as sha256sum tells it
              "51b48d6142d373cbd3d179e5cfedc717ae848f69eb6be16306cceeccc106e7ec");
    const std::string replay =
        "--replay " + (data.path() / "manifest.json").string() + " --out " + again.path().string();
    ASSERT_EQ(batch(replay).status, 0);
    for (const char* file : {"Instant.txt", "avgInstant.txt", "System.txt"})
        EXPECT_TRUE(readFile(data.path() / file) == readFile(again.path() / file)) << file;
    std::ofstream(peds, std::ios::app) << "\r\n";
    EXPECT_EQ(batch(replay).status, 2) << "the data file has changed";
    fs::remove(peds);
    const BatchResult gone = batch(replay, true);
    EXPECT_EQ(gone.status, 2);
    EXPECT_NE(gone.out.find(peds.string() + " that the run read is missing"), std::string::npos)
        << gone.out;
}

// A file to read that is no regular file, or too large, is refused at once with status 2 before it
// is read or hashed, by whichever option names it, also when a manifest names it.
TEST(RunRecord, RefusesOddInputFilesAtOnce) {
    const Watchdog watchdog(120);
    const OddFiles odd(1ull << 30, "larger than");
    TempFolder out;
    for (const OddFile& f : odd.files()) {
        json manifest = {{"program", "Strida"},
                         {"version", "1"},
                         {"seed", "1"},
                         {"settings", json::object()},
                         {"steps", 5},
                         {"ending", "step limit"},
                         {"pedestrianFile", {{"path", f.path.string()}, {"sha256", "00"}}}};
        std::ofstream(out.path() / "naming.json") << manifest.dump();
        for (const std::string option : {"--peds", "--scenario", "--replay", "--replay-naming"}) {
            const std::string file = option == "--replay-naming"
                                         ? "--replay " + (out.path() / "naming.json").string()
                                         : option + " " + f.path.string();
            const BatchResult r = batch(
                "--set ManualGenerator=1 " + file + " --out " + (out.path() / "r").string(), true);
            EXPECT_EQ(r.status, 2) << file;
            if (option != "--replay-naming" || f.path.filename() != "missing") {
                EXPECT_NE(r.out.find(f.is.substr(0, 12)), std::string::npos) << file << "\n"
                                                                             << r.out;
            }
            EXPECT_FALSE(fs::exists(out.path() / "r" / "manifest.json")) << file;
        }
    }
}

// A line of chart data is in the file as soon as it is given, so a reader (or a kill) finds the
// file ending at a whole line after every step.
TEST(RunRecord, ChartDataLinesAreInTheFileAsTheyCome) {
    TempFolder dir;
    std::string error;
    auto writer = SeriesCsvWriter::create(dir.path() / "c.csv", {findSeriesColumn("step")}, error);
    ASSERT_TRUE(writer) << error;
    for (int k = 1; k <= 3; ++k) {
        StepFigures f;
        f.step = k;
        writer->row(f);
    }
    EXPECT_EQ(readFile(dir.path() / "c.csv"), "step\n1\n2\n3\n");
    EXPECT_TRUE(writer->finish(error)) << error;
}

}  // namespace
}  // namespace strida::test
