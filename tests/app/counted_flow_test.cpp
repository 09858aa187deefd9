// The chart data's progress figures against the trajectory file of the same seeded run: the
// crossings of the trap's middle cross-section counted from the positions, the flow they make
// over the last second, and the speed along the walking direction from each move.
#include <map>

#include "support/batch_runner.h"
#include "support/engine_fixture.h"
#include "support/trajectory_lines.h"

namespace strida::test {
namespace {

class CountedFlow : public ::testing::TestWithParam<const char*> {};

TEST_P(CountedFlow, TheChartDataCountsTheCrossingsTheTrajectoryFileShows) {
    TempFolder dir;
    const BatchResult r = batch(
        "--seed 5 --set NumPedLeft=40 --set NumPedRight=40 "
        "--set UpdateOrder=" +
        std::string(GetParam()) + " --chart-data chart.csv --trajectories t.txt --out '" +
        dir.path().string() + "'");
    ASSERT_EQ(r.status, 0);
    // From the positions: each pedestrian's way (generated ones start beyond an end of the 10 m
    // trap), its crossings of x = 5 within the 6 m width per frame, and its move along the way.
    std::map<std::int64_t, const TextRow*> last;
    std::map<std::int64_t, bool> east;
    std::map<std::int64_t, std::array<int, 2>> crossings;  // frame -> net crossings per way
    std::map<std::int64_t, std::array<std::pair<double, int>, 2>> along;  // frame -> sum, count
    const TrajectoryLines lines = readTrajectoryLines(readFile(dir.path() / "t.txt"));
    for (const TextRow& row : lines.rows) {
        const auto before = last.find(row.id);
        if (before == last.end()) {
            east[row.id] = row.x < 5;
            last[row.id] = &row;
            continue;
        }
        const TextRow& from = *before->second;
        const int way = east[row.id] ? 0 : 1;
        if (row.y >= 0 && row.y <= 6) {
            const int forward = from.x < 5 && row.x >= 5 ? 1 : (from.x >= 5 && row.x < 5 ? -1 : 0);
            crossings[row.frame][way] += east[row.id] ? forward : -forward;
        }
        if (0 <= row.x && row.x <= 10 && 0 <= row.y && row.y <= 6) {
            auto& [sum, n] = along[row.frame][way];
            sum += (east[row.id] ? 1.0 : -1.0) * (double{row.x} - from.x) * 15;
            ++n;
        }
        last[row.id] = &row;
    }

    const std::vector<std::string> chart = split(readFile(dir.path() / "chart.csv"), '\n');
    const std::vector<std::string> header = split(chart[0], ',');
    auto column = [&](const std::string& name) {
        return static_cast<std::size_t>(std::find(header.begin(), header.end(), name) -
                                        header.begin());
    };
    int crossed[2] = {0, 0}, seenCrossings = 0;
    std::vector<std::array<int, 2>> perStep;
    for (std::size_t k = 1; k < chart.size(); ++k) {
        const std::vector<std::string> row = split(chart[k], ',');
        const auto frame = static_cast<std::int64_t>(k);
        perStep.push_back(crossings[frame]);
        for (int way = 0; way < 2; ++way) {
            const char* suffix = way == 0 ? "_WE" : "_EW";
            crossed[way] += crossings[frame][way];
            seenCrossings += crossings[frame][way] != 0;
            ASSERT_EQ(row[column(std::string("crossed") + suffix)], std::to_string(crossed[way]))
                << "step " << k;
            // The last second: the 15 steps up to this one, over 6 m of width.
            int recent = 0;
            const std::size_t first = perStep.size() > 15 ? perStep.size() - 15 : 0;
            for (std::size_t i = first; i < perStep.size(); ++i) recent += perStep[i][way];
            const double span = static_cast<double>(perStep.size() - first) / 15;
            EXPECT_NEAR(std::stod(row[column(std::string("counted_flow") + suffix)]),
                        recent / span / 6, 1e-6)
                << "step " << k;
            const auto [sum, n] = along[frame][way];
            const std::string speed = row[column(std::string("speed_along") + suffix)];
            if (n == 0) {
                EXPECT_EQ(speed, "") << "step " << k;
            } else {
                EXPECT_NEAR(std::stod(speed), sum / n, 1e-4) << "step " << k;
            }
        }
    }
    // Head-on, today's model lets only some through; both ways must be counted.
    EXPECT_GT(seenCrossings, 10);
    EXPECT_GT(crossed[0], 0);
    EXPECT_GT(crossed[1], 0);
}

INSTANTIATE_TEST_SUITE_P(EitherOrder, CountedFlow, ::testing::Values("Sequential", "Simultaneous"));

}  // namespace
}  // namespace strida::test
