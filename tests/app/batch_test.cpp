// The batch runner end to end: refused input. Whole runs are in the frozen regression runs.
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
