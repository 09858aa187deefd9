// Frozen regression runs: seeded runs of both generators, one and two ways, and a run of hand-made
// pedestrians, whose complete report files, printed figures and (for two of them) trajectory files
// are kept under tests/data/runs.
// Each is run again through the batch runner, finding neighbours both ways, and must give the same
// files byte for byte. tools/freeze-runs.sh writes them anew when a change is meant to move them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

#include "support/engine_fixture.h"

namespace strida::test {
namespace {

namespace fs = std::filesystem;

std::set<std::string> reportsIn(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().extension() == ".txt") names.insert(entry.path().filename().string());
    return names;
}

class FrozenRuns : public ::testing::TestWithParam<std::string> {};

TEST_P(FrozenRuns, GiveTheSameFilesByteForByte) {
    const fs::path frozen = fs::path(STRIDA_TEST_DATA) / "runs" / GetParam();
    const std::string args = readFile(frozen / "args");
    ASSERT_FALSE(args.empty()) << frozen;
    const std::set<std::string> expected = reportsIn(frozen);
    ASSERT_TRUE(expected.contains("stdout.txt"));
    for (const char* neighbours : {"index", "scan"}) {
        TempFolder out;
        const std::string command = "cd '" + frozen.string() + "' && '" + STRIDA_BATCH + "' " +
                                    args.substr(0, args.find('\n')) + " --neighbours " +
                                    neighbours + " --out '" + out.path().string() + "' > '" +
                                    (out.path() / "stdout.txt").string() + "' 2>/dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        EXPECT_EQ(reportsIn(out.path()), expected) << neighbours;
        for (const std::string& name : expected)
            EXPECT_TRUE(readFile(out.path() / name) == readFile(frozen / name))
                << GetParam() << "/" << name << " differs (neighbours " << neighbours << ")";
    }
}

INSTANTIATE_TEST_SUITE_P(, FrozenRuns,
                         ::testing::Values("two-ways-at-once", "one-way-at-once-uniform",
                                           "two-ways-headway", "one-way-headway",
                                           "manual-crossing"),
                         [](const auto& info) {
                             std::string name = info.param;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

}  // namespace
}  // namespace strida::test
