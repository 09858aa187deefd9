// The batch runner end to end: a seed told, the chart data, the settings list and the page made
// from it. Refused input, manifests and replays are in run_record_test.cpp, whole runs in the
// frozen regression runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "core/numbers.h"
#include "engine/settings.h"
#include "engine/settings_rules.h"
#include "support/batch_runner.h"
#include "support/engine_fixture.h"
#include "support/trajectory_lines.h"

namespace strida::test {
namespace {

namespace fs = std::filesystem;

const fs::path kSource = fs::path(STRIDA_TEST_DATA).parent_path().parent_path();

using Result = BatchResult;

// A run without --seed prints the seed it drew, and that seed repeats it.
TEST(Batch, ARunWithoutASeedToldCanBeRepeated) {
    TempFolder first, second;
    const std::string args = " --set NumPedLeft=3 --set NumPedRight=2 --out ";
    const Result told = batch(args + first.path().string(), true);
    const std::size_t at = told.out.find("--seed ");
    ASSERT_NE(at, std::string::npos) << told.out;
    const std::string seed = told.out.substr(at + 7, told.out.find(' ', at + 7) - at - 7);
    ASSERT_EQ(batch("--seed " + seed + args + second.path().string()).status, 0);
    for (const char* file : {"Instant.txt", "avgInstant.txt"})
        EXPECT_TRUE(readFile(first.path() / file) == readFile(second.path() / file)) << file;
    EXPECT_FALSE(readFile(first.path() / "Instant.txt").empty());
}

// The chart data has a row for every step, in order, with the panel's figures unrounded (they
// round to the texts "avgInstant.txt" copies from the panel) and each direction's density as the
// trajectory file counts the pedestrians inside the 10 m x 6 m trap.
TEST(Batch, ChartDataIsEveryStepsPanelFiguresAndDensities) {
    TempFolder dir;
    const Result r = batch(
        "--seed 3 --set NumWays=1 --chart-data chart.csv --trajectories t.txt "
        "--out " +
        dir.path().string());
    ASSERT_EQ(r.status, 0);
    const std::vector<std::string> lines = split(readFile(dir.path() / "chart.csv"), '\n');
    const std::vector<std::string> header = split(lines[0], ',');
    auto column = [&](const char* name) {
        return std::find(header.begin(), header.end(), name) - header.begin();
    };
    // The trajectory file: per frame, the pedestrians inside the trap walking east and west.
    std::map<std::int64_t, std::pair<float, float>> firstLast;  // id -> first and last x
    std::map<std::int64_t, std::vector<std::int64_t>> inside;   // frame -> ids
    for (const TextRow& r : readTrajectoryLines(readFile(dir.path() / "t.txt")).rows) {
        firstLast.try_emplace(r.id, r.x, r.x).first->second.second = r.x;
        if (0 <= r.x && r.x <= 10 && 0 <= r.y && r.y <= 6) inside[r.frame].push_back(r.id);
    }
    std::map<std::string, std::vector<std::string>> panelRows;  // time -> avgInstant fields
    for (const std::string& line : split(readFile(dir.path() / "avgInstant.txt"), '\n')) {
        std::vector<std::string> f = split(line.substr(0, line.size() - 1), ',');
        for (std::string& field : f)
            field = field.size() > 1 ? field.substr(1, field.size() - 2) : "";
        if (f.size() == 7) panelRows[f[0]] = f;
    }
    int panelRowsSeen = 0;
    for (std::size_t k = 1; k < lines.size(); ++k) {
        const std::vector<std::string> row = split(lines[k], ',');
        ASSERT_EQ(row.size(), header.size());
        ASSERT_EQ(row[column("step")], std::to_string(k));
        auto value = [&](const char* name) { return std::stod(row[column(name)]); };
        int east = 0, west = 0;
        for (const std::int64_t id : inside[static_cast<std::int64_t>(k)])
            ++(firstLast[id].second > firstLast[id].first ? east : west);
        EXPECT_EQ(value("TotalPed"), east + west) << "step " << k;
        EXPECT_NEAR(value("density_WE"), east / 60.0, 1e-6) << "step " << k;
        EXPECT_NEAR(value("density_EW"), west / 60.0, 1e-6) << "step " << k;
        const auto panel = panelRows.find(num::fixed(value("time"), 2));
        if (panel == panelRows.end()) continue;
        ++panelRowsSeen;
        const std::vector<std::string> expected = {panel->first,
                                                   num::fixed(value("TotalPed"), 0),
                                                   num::fixed(value("AvgSpeed"), 3),
                                                   num::fixed(value("InstantDelay"), 2),
                                                   num::fixed(value("Uncomfort"), 2),
                                                   num::fixed(value("NHI"), 3),
                                                   num::fixed(value("NUVI"), 3)};
        EXPECT_EQ(panel->second, expected) << "step " << k;
    }
    EXPECT_EQ(lines.size() - 1, std::stoul(split(r.out, '\n')[13].substr(7)));
    EXPECT_GT(panelRowsSeen, 100);
    // A chart data file that cannot be written whole fails the run.
    EXPECT_EQ(batch("--chart-data /dev/full --steps 3 --out " + dir.path().string()).status, 3);
}

// A default, written as the settings list and page show it, is a value --set takes back.
TEST(Batch, EveryListedDefaultIsAValueSetTakes) {
    const Settings defaults;
    for (const SettingInfo& info : settingTable()) {
        const std::string text = settingText(defaults, info);
        // An option takes only 1, which selects it.
        if (text == "0" && info.kind == SettingInfo::Kind::Option) continue;
        Settings s;
        EXPECT_FALSE(applySetting(s, info.name, text)) << info.name << " " << text;
    }
}

// docs/settings.md is the page the table gives now.
TEST(Batch, SettingsPageIsWhatTheTableGives) {
    const Result r = batch("--list-settings --markdown");
    ASSERT_EQ(r.status, 0);
    EXPECT_TRUE(r.out == readFile(kSource / "docs" / "settings.md"))
        << "docs/settings.md is out of date; write it anew with\n"
           "  build/strida-batch --list-settings --markdown > docs/settings.md";
}

}  // namespace
}  // namespace strida::test
