// Files a reader must refuse before it reads a byte: a folder, a named pipe nobody writes to, a
// device that never ends, a file larger than the reader takes (sparse: it uses no disk), and one
// that does not exist. Each reader's test runs them through its own table.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "support/engine_fixture.h"

namespace strida::test {

struct OddFile {
    std::filesystem::path path;
    std::string is;  // what the message says the file is, after its name
    bool oversize = false;
};

class OddFiles {
  public:
    // `oversize`: a size the reader refuses, and the words for its limit ("larger than 8 MB").
    OddFiles(std::uintmax_t oversize, const std::string& tooLarge) {
        const std::filesystem::path fifo = dir_.path() / "pipe";
        EXPECT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
        const std::filesystem::path big = dir_.path() / "sparse";
        { std::ofstream(big, std::ios::binary) << "1"; }
        std::filesystem::resize_file(big, oversize);
        files_ = {{dir_.path(), "is a folder, not a regular file"},
                  {fifo, "is a named pipe (FIFO), not a regular file"},
                  {"/dev/zero", "is a character device, not a regular file"},
                  {big, "is " + tooLarge, true},
                  {dir_.path() / "missing", "could not be opened: No such file or directory"}};
    }
    const std::vector<OddFile>& files() const { return files_; }

  private:
    TempFolder dir_;
    std::vector<OddFile> files_;
};

// Ends the test process if a read blocks (on a pipe, say) instead of failing at once: a hang
// becomes a failed test.
class Watchdog {
  public:
    explicit Watchdog(unsigned seconds) { ::alarm(seconds); }
    ~Watchdog() { ::alarm(0); }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;
};

}  // namespace strida::test
