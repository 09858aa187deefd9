// Every reader in bounded memory: each runs in a child process whose address space is limited to
// 512 MB, on the files that used to take gigabytes (60 MB of "[" as a scenario, 64 MB of lines
// ending in a lone carriage return as trajectories) and on the largest files each takes, and must
// return its error instead of dying. The data file, scenario and manifest readers share the size
// cap, and the scenario and manifest readers the JSON limits, so each limit is tried once.
// AddressSanitizer reserves terabytes of address space, so under it the test is skipped.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>

#include "engine/scenario.h"
#include "measure/ped_data_file.h"
#include "measure/trajectory_reader.h"
#include "support/engine_fixture.h"

#if defined(__SANITIZE_ADDRESS__)
#define STRIDA_TEST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define STRIDA_TEST_ASAN 1
#endif
#endif

namespace strida::test {
namespace {

namespace fs = std::filesystem;

constexpr rlim_t kMemoryLimit = rlim_t{512} << 20;

// The reader's message, from a child limited to kMemoryLimit; a child that died says how.
std::string underMemoryLimit(const std::function<std::string()>& read) {
    int out[2];
    if (::pipe(out) != 0) return "no pipe";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(out[0]);
        const rlimit limit{kMemoryLimit, kMemoryLimit};
        ::setrlimit(RLIMIT_AS, &limit);
        const std::string said = read();
        const bool written =
            ::write(out[1], said.data(), said.size()) == static_cast<ssize_t>(said.size());
        ::_exit(written ? 0 : 1);
    }
    ::close(out[1]);
    std::string said;
    char buffer[4096];
    for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;) said.append(buffer, n);
    ::close(out[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (WIFSIGNALED(status)) return "died of signal " + std::to_string(WTERMSIG(status));
    return said;
}

// A file of `bytes` bytes: the start, then the text repeated.
fs::path fill(const fs::path& file, const std::string& start, const std::string& text,
              std::size_t bytes) {
    std::string block;
    while (block.size() < (std::size_t{1} << 20)) block += text;
    std::ofstream out(file, std::ios::binary);
    out << start;
    for (std::size_t left = bytes - start.size(); left > 0;) {
        const std::size_t n = std::min(left, block.size());
        out.write(block.data(), static_cast<std::streamsize>(n));
        left -= n;
    }
    return file;
}

std::string dataFile(const fs::path& file) {
    std::vector<PedRecord> list;
    const PedFileRead read = readPedFile(file, list);
    return read.error ? read.error->description : "read " + std::to_string(read.count);
}

std::string scenario(const fs::path& file) {
    Scenario s;
    const MaybeError error = readScenario(file, s);
    return error ? error->description : "read";
}

std::string trajectory(const fs::path& file) {
    std::string error;
    return readTrajectoryText(file, error) ? "read" : error;
}

TEST(BoundedReading, HostileFilesAreRefusedWithinHalfAGigabyte) {
#ifdef STRIDA_TEST_ASAN
    GTEST_SKIP() << "a limit on the address space does not work under AddressSanitizer";
#endif
    constexpr std::size_t kMB = std::size_t{1} << 20;
    struct Case {
        std::string start, text;
        std::size_t bytes;
        std::function<std::string(const fs::path&)> read;
        std::string message;  // a part of it
    };
    const Case cases[] = {
        {"", "1\n", kMaxPedFileBytes, dataFile, "the file holds more than 32767 pedestrians"},
        {"", "[", 60 * kMB, scenario, "is larger than 16 MB"},
        {"", "[", kMaxScenarioBytes, scenario, "values nest more than 64 levels deep (line 1)"},
        {"[", "{},\n", kMaxScenarioBytes, scenario, "more than 1048576 values (line 1048576)"},
        {"", "1 0 0 0\r", 64 * kMB, trajectory, "line 1 ends in a carriage return alone"},
    };
    TempFolder dir;
    for (const Case& c : cases) {
        const fs::path file = fill(dir.path() / "hostile", c.start, c.text, c.bytes);
        const std::string said = underMemoryLimit([&] { return c.read(file); });
        EXPECT_NE(said.find(c.message), std::string::npos) << said;
        fs::remove(file);
    }
}

}  // namespace
}  // namespace strida::test
