// A run's results in its manifest and its per-pedestrian table, against what its other files show:
// the trajectory file (every place of every pedestrian), Instant.txt (a row for every step a
// pedestrian was measured in) and System.txt (the closing figures, rounded).
#include <cmath>
#include <map>
#include <nlohmann/json.hpp>
#include <set>

#include "support/batch_runner.h"
#include "support/engine_fixture.h"
#include "support/trajectory_lines.h"

namespace strida::test {
namespace {

using nlohmann::json;
namespace fs = std::filesystem;

// The cells of a line of comma-separated values, the empty last one too.
std::vector<std::string> cellsOf(const std::string& line) {
    std::vector<std::string> cells = split(line, ',');
    if (!line.empty() && line.back() == ',') cells.emplace_back();
    return cells;
}

// The per-pedestrian table by ID, each row's cells by column name.
std::map<int, std::map<std::string, std::string>> pedestrianTable(const fs::path& file) {
    const std::vector<std::string> lines = split(readFile(file), '\n');
    const std::vector<std::string> header = split(lines.at(0), ',');
    std::map<int, std::map<std::string, std::string>> table;
    for (std::size_t k = 1; k < lines.size(); ++k) {
        if (lines[k].empty()) continue;
        const std::vector<std::string> cells = cellsOf(lines[k]);
        EXPECT_EQ(cells.size(), header.size()) << lines[k];
        auto& row = table[std::stoi(cells.at(0))];
        for (std::size_t c = 0; c < header.size() && c < cells.size(); ++c)
            row[header[c]] = cells[c];
    }
    return table;
}

double number(const std::string& text) {
    return text.empty() ? NAN : std::stod(text);
}

// A cell holds this number, to within `tolerance`, or is empty for none.
void expectCell(const std::string& cell, std::optional<double> want, double tolerance,
                const char* name) {
    if (!want)
        EXPECT_EQ(cell, "") << name;
    else
        EXPECT_NEAR(number(cell), *want, tolerance) << name;
}

// What one pedestrian's places and measured steps show.
struct Seen {
    bool east = false, entered = false;
    std::map<std::int64_t, std::pair<float, float>> at;  // frame -> place
    std::vector<std::int64_t> measured;                  // steps, from Instant.txt
    std::string delay, uncomfort;                        // of its last Instant.txt row
};

class RunResults : public ::testing::TestWithParam<const char*> {};

TEST_P(RunResults, CountsFiguresAndTableAgreeWithTheRunsOtherFiles) {
    TempFolder dir;
    ASSERT_EQ(batch("--seed 7 --set NumPedLeft=200 --set NumPedRight=200 --set UpdateOrder=" +
                    std::string(GetParam()) +
                    " --set ReportSystemPerformance=1 --set ReportInstantPerformance=1"
                    " --trajectories t.txt --per-pedestrian peds.csv --out '" +
                    dir.path().string() + "'")
                  .status,
              0);
    std::map<std::int64_t, Seen> seen;
    std::int64_t lastFrame = 0;
    for (const TextRow& row : readTrajectoryLines(readFile(dir.path() / "t.txt")).rows) {
        Seen& s = seen[row.id];
        if (s.at.empty()) s.east = row.x < 5;  // generated ones start beyond an end of the trap
        s.at[row.frame] = {row.x, row.y};
        s.entered |= row.frame > 0 && 0 <= row.x && row.x <= 10 && 0 <= row.y && row.y <= 6;
        lastFrame = std::max(lastFrame, row.frame);
    }
    const std::vector<std::string> instant = split(readFile(dir.path() / "Instant.txt"), '\n');
    for (std::size_t k = 3; k < instant.size(); ++k) {
        const std::vector<std::string> f = split(instant[k], ',');
        if (f.size() < 12) continue;
        Seen& s = seen[std::stoi(f[0])];
        s.measured.push_back(std::lround(std::stod(f[1]) * 15));
        s.delay = f[8], s.uncomfort = f[9];
    }

    // The counts, in total and per walking direction. A pedestrian gone before the last frame has
    // arrived; one that arrived in the last step stands in its frame where it arrived, and the
    // table tells it (its row is checked below).
    const json results = json::parse(readFile(dir.path() / "manifest.json")).at("results");
    const auto table = pedestrianTable(dir.path() / "peds.csv");
    ASSERT_EQ(table.size(), seen.size());
    const auto arrivedIn = [&](std::int64_t id, const Seen& s) {
        return s.at.rbegin()->first < lastFrame ||
               table.at(static_cast<int>(id)).at("arrived") != "";
    };
    std::map<std::string, int> counts[3];  // all, west to east, east to west
    for (const auto& [id, s] : seen) {
        const bool arrived = arrivedIn(id, s);
        for (auto* c : {&counts[0], &counts[s.east ? 1 : 2]}) {
            ++(*c)["generated"];
            (*c)["entered"] += s.entered;
            (*c)["measured"] += !s.measured.empty();
            (*c)["arrived"] += arrived;
            (*c)["inRun"] += !arrived;
            (*c)["removed"] += 0;
        }
    }
    EXPECT_EQ(counts[0]["generated"], 400);
    EXPECT_GT(counts[0]["measured"], 50);
    EXPECT_GT(counts[0]["arrived"], 50);
    EXPECT_GT(counts[0]["inRun"], 50);
    const json* part[3] = {&results, &results.at("westToEast"), &results.at("eastToWest")};
    for (int p = 0; p < 3; ++p)
        for (const auto& [name, count] : counts[p]) EXPECT_EQ(part[p]->at(name), count) << name;

    // The figures round to the System.txt texts; the delay and dissipation time in seconds too.
    const std::vector<std::string> system = split(readFile(dir.path() / "System.txt"), '\n');
    const std::vector<std::string> row = split(system.at(3), ',');
    const auto text = [&](std::size_t i) {
        return row.at(i).substr(1, row.at(i).find('"', 1) - 1);
    };
    const auto fixed = [](double v, int decimals) {
        char out[64];
        std::snprintf(out, sizeof out, "%.*f", decimals, v);
        return std::string(out);
    };
    EXPECT_EQ(fixed(results.at("AvgTotalPed"), 2), text(5));
    EXPECT_EQ(fixed(results.at("MeanAvgSpeed"), 3), text(6));
    EXPECT_EQ(fixed(results.at("MeanUncomfort").get<double>() * 100, 2), text(7));
    EXPECT_EQ(fixed(results.at("AvgDelay"), 2), text(8));
    EXPECT_EQ(fixed(results.at("DissipationTime"), 2), text(9));
    EXPECT_EQ(fixed(results.at("AvgNHI"), 3), text(10));
    EXPECT_EQ(fixed(results.at("AvgNUVI"), 3), text(11));
    EXPECT_DOUBLE_EQ(results.at("AvgDelaySeconds"), results.at("AvgDelay").get<double>() * 15);
    EXPECT_DOUBLE_EQ(results.at("DissipationSeconds"),
                     results.at("DissipationTime").get<double>() / 15);
    // Per direction, the head counts add up to the trap's.
    EXPECT_NEAR(part[1]->at("AvgTotalPed").get<double>() + part[2]->at("AvgTotalPed").get<double>(),
                results.at("AvgTotalPed").get<double>(), 1e-9);

    // Every pedestrian's row against its places and measured steps.
    for (const auto& [id, s] : seen) {
        SCOPED_TRACE("pedestrian " + std::to_string(id));
        const auto& cells = table.at(static_cast<int>(id));
        EXPECT_EQ(cells.at("direction"), s.east ? "WE" : "EW");
        EXPECT_EQ(cells.at("created"), "0");
        expectCell(cells.at("arrived"),
                   arrivedIn(id, s) ? std::optional(s.at.rbegin()->first / 15.0) : std::nullopt,
                   1e-9, "arrived");
        if (s.measured.empty()) {
            for (const char* empty : {"entered", "left", "mean_speed", "delay"})
                EXPECT_EQ(cells.at(empty), "") << empty;
            EXPECT_EQ(cells.at("time_in_trap"), "0");
            continue;
        }
        double distance = 0, along = 0;
        for (std::int64_t step : s.measured) {
            const auto [x0, y0] = s.at.at(step - 1);
            const auto [x1, y1] = s.at.at(step);
            const double dx = double{x1} - x0, dy = double{y1} - y0;
            distance += std::sqrt(dx * dx + dy * dy);
            along += s.east ? dx : -dx;
        }
        // It left when a place after its last measured step lies outside the trap.
        bool left = false;
        for (auto it = s.at.upper_bound(s.measured.back()); it != s.at.end(); ++it)
            left |= !(0 <= it->second.first && it->second.first <= 10 && 0 <= it->second.second &&
                      it->second.second <= 6);
        const double time = s.measured.size() / 15.0;
        EXPECT_NEAR(number(cells.at("entered")), s.measured.front() / 15.0, 1e-9);
        expectCell(cells.at("left"), left ? std::optional(s.measured.back() / 15.0) : std::nullopt,
                   1e-9, "left");
        EXPECT_NEAR(number(cells.at("time_in_trap")), time, 1e-9);
        EXPECT_NEAR(number(cells.at("distance_in_trap")), distance, 1e-6 * distance);
        EXPECT_NEAR(number(cells.at("mean_speed")), distance / time, 1e-6 * distance / time);
        EXPECT_NEAR(number(cells.at("mean_speed_along")), along / time,
                    1e-6 * std::fabs(along / time) + 1e-12);
        // Its own delay and uncomfortability, as its last Instant.txt row gives them.
        EXPECT_NEAR(number(cells.at("delay")), number(s.delay) * 15,
                    1e-9 + 1e-12 * number(s.delay));
        EXPECT_NEAR(number(cells.at("uncomfort")), number(s.uncomfort), 1e-12);
    }
}

INSTANTIATE_TEST_SUITE_P(BothUpdateOrders, RunResults,
                         ::testing::Values("Sequential", "Simultaneous"));

// A headway stream walking one way and stopped by the step limit: its direction's figures are the
// trap's own, to the last bit, and the other way, where nobody walks, has none.
TEST(RunResults, AOneWayStreamsDirectionHasTheTrapsFigures) {
    TempFolder dir;
    ASSERT_EQ(batch("--scenario '" + std::string(STRIDA_TEST_DATA) +
                    "/../../examples/headway-stream.json' --steps 300 --seed 4 --out '" +
                    dir.path().string() + "'")
                  .status,
              0);
    const json r = json::parse(readFile(dir.path() / "manifest.json")).at("results");
    const json &way = r.at("westToEast"), &none = r.at("eastToWest");
    EXPECT_GT(r.at("generated"), 10);
    for (const auto& [key, value] : way.items()) EXPECT_EQ(value, r.at(key)) << key;
    for (const char* figure : {"MeanAvgSpeed", "MeanAlongSpeed", "MeanUncomfort", "AvgDelay",
                               "AvgDelaySeconds", "AvgNHI", "AvgNUVI"})
        EXPECT_TRUE(none.at(figure).is_null()) << figure;
    for (const char* count : {"AvgTotalPed", "DissipationTime", "generated", "inRun"})
        EXPECT_EQ(none.at(count), 0) << count;
}

// Two pedestrians walking straight at their maximum speed, each in its own lane with nothing to
// steer round: every cell worked out from where they start. Each move takes 1/15 s.
TEST(PedestrianTable, TwoWalkersByHand) {
    TempFolder dir;
    // 1 walks east at 1.5 m/s (0.1 m a move) from x = -0.95 towards x = 30, along y = 0.5.
    // 2 walks west at 1.2 m/s (0.08 m a move) from x = 10.93 towards (3, 5.5), where it arrives
    //   within five radii (PedDiameter 0.6: 1.5 m), at x = 4.45 after move 81.
    std::ofstream(dir.path() / "two.sdx") << "1,-0.95,0.5,30,0.5,1.5,0,1.5,1.44\r\n"
                                             "2,10.93,5.5,3,5.5,-1.2,0,1.2,1.44\r\n";
    // No report is chosen: the table alone makes the run write its record.
    const std::string run =
        "--set ManualGenerator=1 --set ForceFlee=0 --set ForceSeparate=0 --seed 1"
        " --set ReportSystemPerformance=0 --set ReportAvgInstantPerformance=0"
        " --set ReportInstantPerformance=0 --per-pedestrian p.csv --peds '" +
        (dir.path() / "two.sdx").string() + "' --out '" + dir.path().string() + "'";
    ASSERT_EQ(batch(run + " --steps 150").status, 0);
    ASSERT_FALSE(fs::exists(dir.path() / "Instant.txt"));
    // 1 is inside from move 10 (x = 0.05), measured from move 11 to 109 (x = 9.95): 99 moves,
    // 9.9 m, and outside at move 110. 2 is inside from move 12 (x = 9.97), measured from 13 to 81:
    // 69 moves, 5.52 m. Neither is ever slower than its maximum speed: no delay, no variation.
    const std::vector<std::string> lines = split(readFile(dir.path() / "p.csv"), '\n');
    EXPECT_EQ(lines.at(0),
              "id,direction,color,max_speed,created,entered,left,time_in_trap,distance_in_trap,"
              "mean_speed,mean_speed_along,delay,uncomfort,arrived");
    const std::vector<std::vector<double>> expected = {
        {1, 1, 1.5, 0, 11 / 15.0, 109 / 15.0, 99 / 15.0, 9.9, 1.5, 1.5, 0, 0, NAN},
        {2, 1, 1.2, 0, 13 / 15.0, NAN, 69 / 15.0, 5.52, 1.2, 1.2, 0, 0, 81 / 15.0}};
    for (std::size_t p = 0; p < 2; ++p) {
        std::vector<std::string> cells = cellsOf(lines.at(p + 1));
        ASSERT_EQ(cells.size(), 14u) << lines.at(p + 1);
        EXPECT_EQ(cells[1], p == 0 ? "WE" : "EW");
        cells.erase(cells.begin() + 1);
        for (std::size_t c = 0; c < cells.size(); ++c) {
            const double want = expected[p][c];
            // The places are held in single precision: a few micrometres over a hundred moves.
            if (std::isnan(want))
                EXPECT_EQ(cells[c], "") << "pedestrian " << p + 1 << " column " << c;
            else
                EXPECT_NEAR(std::stod(cells[c]), want, 1e-5)
                    << "pedestrian " << p + 1 << " column " << c;
        }
    }
    // The run-wide results by hand: someone is inside after moves 10 to 109 (100 steps), both
    // after 12 to 81 (70 steps); the entry move is not measured, so its NHI counts as 0.
    const json r = json::parse(readFile(dir.path() / "manifest.json")).at("results");
    EXPECT_EQ(r.at("DissipationTime"), 100);
    EXPECT_NEAR(r.at("AvgTotalPed"), 1.7, 1e-12);
    EXPECT_NEAR(r.at("MeanAvgSpeed"), (70 * 1.35 + 30 * 1.5) / 100, 1e-12);
    EXPECT_NEAR(r.at("AvgNHI"), (0 + 0.5 + 98) / 100, 1e-12);
    EXPECT_EQ(r.at("eastToWest").at("DissipationTime"), 70);
    EXPECT_NEAR(r.at("eastToWest").at("AvgTotalPed"), 0.7, 1e-12);
    EXPECT_NEAR(r.at("eastToWest").at("AvgNHI"), 69 / 70.0, 1e-12);
    EXPECT_NEAR(r.at("westToEast").at("MeanAlongSpeed"), 1.5, 1e-12);
    EXPECT_EQ(r.at("AvgDelaySeconds"), 0);
    const std::map<std::string, std::array<int, 3>> counts = {
        {"generated", {2, 1, 1}}, {"entered", {2, 1, 1}}, {"measured", {2, 1, 1}},
        {"arrived", {1, 0, 1}},   {"removed", {0, 0, 0}}, {"inRun", {1, 1, 0}}};
    for (const auto& [name, c] : counts) {
        EXPECT_EQ(r.at(name), c[0]) << name;
        EXPECT_EQ(r.at("westToEast").at(name), c[1]) << name;
        EXPECT_EQ(r.at("eastToWest").at(name), c[2]) << name;
    }

    // Stopped after move 11, 1 is measured once and has not left; 2 has not entered.
    ASSERT_EQ(batch(run + " --steps 11").status, 0);
    const std::vector<std::string> once = split(readFile(dir.path() / "p.csv"), '\n');
    EXPECT_TRUE(once.at(1).starts_with("1,WE,1,1.5,0,0.7333333333333333,,0.06666666666666667,"))
        << once.at(1);
    EXPECT_EQ(once.at(2), "2,EW,1,1.2,0,,,0,0,,,,,");
}

}  // namespace
}  // namespace strida::test
