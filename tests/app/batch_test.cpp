// The batch runner end to end: a run from a data file in manual mode, a seeded automatic run, and
// refused input.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "support/engine_fixture.h"

namespace strida::test {
namespace {

struct Result {
    int status;
    std::string out;
};

Result batch(const std::string& args) {
    const std::string command = std::string(STRIDA_BATCH) + " " + args + " 2>/dev/null";
    std::FILE* pipe = popen(command.c_str(), "r");
    Result r{-1, {}};
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) r.out.append(buf, n);
    const int raw = pclose(pipe);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return r;
}

TEST(Batch, ManualRunFromADataFileEndsByItself) {
    TempFolder dir;
    std::ofstream(dir.path() / "peds.sdx", std::ios::binary)
        << "1,1,3,9,3,0,0,1.3,1.44\r\n2,9,2,1,2,0,0,1.3,1.44\r\n3,2,1,8,5,0,0,1.1,1.44\r\n";
    const Result r = batch("--set ManualGenerator=1 --set ReportNTXY=1 --peds " +
                           (dir.path() / "peds.sdx").string() + " --out " + dir.path().string());
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out.rfind("txtTotalPed: 0\ntxtAvgSpeed: 0.000\n", 0), 0u) << r.out;
    // Manual mode ends once the trap is empty after step 100; these three arrive after it.
    const std::size_t at = r.out.find("\nsteps: ");
    ASSERT_NE(at, std::string::npos) << r.out;
    const int steps = std::stoi(r.out.substr(at + 8));
    EXPECT_GT(steps, 100);
    EXPECT_LT(steps, 400);
    const std::string ntxy = readFile(dir.path() / "NTXY.txt");
    EXPECT_NE(ntxy.find("\r\n\"1\",\"2\",\""), std::string::npos)
        << "pedestrian 1 measured at step 2";
    EXPECT_NE(ntxy.find("\r\n\"3\","), std::string::npos);
}

TEST(Batch, TheSameSeedGivesTheSameReports) {
    TempFolder a, b;
    const Result first = batch("--seed 7 --out " + a.path().string());
    const Result second = batch("--seed 7 --out " + b.path().string());
    ASSERT_EQ(first.status, 0);
    EXPECT_EQ(first.out, second.out);
    EXPECT_NE(first.out.find("txtAvgNHI: "), std::string::npos);
    for (const char* name : {"Instant.txt", "avgInstant.txt"}) {
        const std::string text = readFile(a.path() / name);
        EXPECT_GT(text.size(), 200u) << name;
        EXPECT_EQ(text, readFile(b.path() / name)) << name;
    }
    EXPECT_FALSE(std::filesystem::exists(a.path() / "System.txt"));
}

TEST(Batch, RefusedInputRunsNothing) {
    TempFolder dir;
    EXPECT_EQ(batch("--set Nonsense=1 --out " + dir.path().string()).status, 2);
    EXPECT_EQ(batch("--set ReportNTXY=yes --out " + dir.path().string()).status, 2);
    EXPECT_EQ(batch("--set TrapLength=400 --out " + dir.path().string()).status, 2);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
    EXPECT_EQ(batch("--set DT=0 --out " + dir.path().string()).status, 1);
}

}  // namespace
}  // namespace strida::test
