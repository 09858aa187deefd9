// The batch runner end to end: refused input, a seed told, the chart data, the settings list and
// the page made from it. Manifests and replays are in run_record_test.cpp, whole runs in the
// frozen regression runs. Also: the example data files are what the manual generator saves.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "core/numbers.h"
#include "engine/manual_generator.h"
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

TEST(Batch, RefusedInputRunsNothing) {
    TempFolder dir;
    for (const std::string args :
         {"--set Nonsense=1", "--set ReportNTXY=yes", "--set TrapLength=400", "--seed seven",
          "--steps -3", "--markdown"})
        EXPECT_EQ(batch(args + " --out " + dir.path().string()).status, 2) << args;
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

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
        EXPECT_NEAR(value("flow"), value("density") * value("AvgSpeed"), 1e-12);
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
    // A chart data file that cannot be made refuses the run; one that cannot be written whole
    // fails it.
    EXPECT_EQ(batch("--chart-data no/such/folder/chart.csv --out " + dir.path().string()).status,
              2);
    EXPECT_EQ(batch("--chart-data /dev/full --steps 3 --out " + dir.path().string()).status, 3);
}

// One line per setting, in the table's order: name, default, unit, meaning. The default is what a
// fresh program holds, written as --set takes it.
TEST(Batch, ListsEverySettingWithItsDefaultUnitAndMeaning) {
    TempFolder dir;
    const Result r = batch("--list-settings --seed 1 --out " + (dir.path() / "run").string());
    ASSERT_EQ(r.status, 0);
    EXPECT_TRUE(fs::is_empty(dir.path())) << "nothing is run";
    const std::vector<std::string> lines = split(r.out, '\n');
    ASSERT_EQ(lines.size(), settingTable().size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::vector<std::string> f = split(lines[i], '\t');
        ASSERT_EQ(f.size(), 4u) << lines[i];
        EXPECT_EQ(f[0], settingTable()[i].name);
        EXPECT_FALSE(f[2].empty() || f[3].empty()) << lines[i];
        EXPECT_EQ(lines[i].find('|'), std::string::npos) << "breaks the Markdown table";
        // A listed default is a value --set accepts (an option takes only 1, which selects it).
        Settings s;
        if (f[1] != "0" || settingTable()[i].kind != SettingInfo::Kind::Option) {
            EXPECT_FALSE(applySetting(s, f[0], f[1])) << lines[i];
        }
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

// The example data files under examples/ are what the manual generator saves for these starts and
// targets (rounded to centimetres, as a pick on the trap is) and these texts on its panel. With
// STRIDA_WRITE_EXAMPLES set in the environment the test writes them anew instead.
class Examples : public EngineTest {
  protected:
    struct HandMade {
        double startX, startY, targetX, targetY;
        const char *vx, *vy, *maxSpeed;
    };
    // Saves the pedestrians as the panel's save does and compares with (or writes) the example.
    void expectExample(const char* name, const std::vector<HandMade>& peds) {
        ManualGenerator manual(engine);
        for (const HandMade& p : peds) {
            const std::pair<const char*, std::string> picked[] = {
                {"InitialPx", pickedPositionText(p.startX)},
                {"InitialPy", pickedPositionText(p.startY)},
                {"TargetEx", pickedPositionText(p.targetX)},
                {"TargetEy", pickedPositionText(p.targetY)},
                {"InitialVx", p.vx},
                {"InitialVy", p.vy},
                {"MaxSpeed", p.maxSpeed}};
            for (const auto& [name, value] : picked)
                ASSERT_FALSE(engine.changeSetting(name, value));
            ASSERT_TRUE(manual.createPedestrian());
        }
        ASSERT_TRUE(manual.savePedestrians());
        const std::string saved = readFile(folder.path() / "PedData.sdx");
        const fs::path example = kSource / "examples" / name;
        if (std::getenv("STRIDA_WRITE_EXAMPLES")) std::ofstream(example, std::ios::binary) << saved;
        EXPECT_TRUE(readFile(example) == saved) << name << " differs from what a save gives:\n"
                                                << saved;
    }
};

TEST_F(Examples, AreWhatTheManualGeneratorSaves) {
    // Two pedestrians walking at each other along the middle of the 10 m x 6 m trap.
    expectExample("head-on.sdx",
                  {{0.5, 3, 12, 3, "0", "0", "1.333"}, {9.5, 3, -2, 3, "0", "0", "1.333"}});
    // Two walking east, 2 m apart, already at 1 m/s; two walking north into the trap across them.
    expectExample("crossing.sdx", {{0.5, 2, 12, 2, "1", "0", "1.333"},
                                   {0.5, 4, 12, 4, "1", "0", "1.333"},
                                   {4, -1.5, 4, 8, "0", "1", "1.333"},
                                   {6, -1.5, 6, 8, "0", "1", "1.333"}});
}

}  // namespace
}  // namespace strida::test
