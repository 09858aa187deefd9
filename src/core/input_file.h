// Opening a file the program reads (a pedestrian data file, a scenario, a run manifest, a
// trajectory to replay) so that no file can hang it or fill its memory: only a regular file is
// read, never a folder, a named pipe, a socket or a device (a pipe nobody writes to would block
// the reader for ever, /dev/zero would never end), and only up to a size its reader gives. The
// size is taken before anything is read, and a file that grows while it is read is stopped at the
// same limit.
//
// The checks look at the file a path names, then open it without waiting (a pipe that turned up
// in between cannot block the opening) and look again at what was opened, so that a file swapped
// for another between the two is caught as well.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "core/error.h"

namespace strida {

class InputFile {
  public:
    enum class Problem { None, CannotOpen, NotRegular, TooLarge, CannotRead };

    // Opens `file` when it is a regular file of at most `maxBytes` bytes.
    InputFile(const std::filesystem::path& file, std::uintmax_t maxBytes);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    explicit operator bool() const { return fd_ >= 0; }
    Problem problem() const { return problem_; }
    // Why the file cannot be read, in words that follow its name: "is a folder, not a regular
    // file", "is larger than 16 MB", "could not be opened: No such file or directory". Empty
    // while nothing is wrong.
    const std::string& why() const { return why_; }
    // The file's size when it was opened.
    std::uintmax_t size() const { return size_; }

    // The whole file, at most the limit. False with problem() and why() set when it cannot be
    // read or grew past the limit.
    bool readAll(std::string& text);
    // Hands the open file over to a stdio stream that the caller closes; null (with why() set)
    // when there is none.
    std::FILE* releaseAsStream();

  private:
    bool fail(Problem problem, std::string why);

    int fd_ = -1;
    std::uintmax_t size_ = 0, maxBytes_;
    Problem problem_ = Problem::None;
    std::string why_;
};

// A size as the messages give it: "16 MB", "8 KB", or a number of bytes.
std::string sizeText(std::uintmax_t bytes);

// Whether the file could be read at all, without reading it (for instance before it is hashed):
// nothing, or an error that names the file and says what it is ("peds.sdx is a named pipe
// (FIFO), not a regular file").
MaybeError checkInputFile(const std::filesystem::path& file, std::uintmax_t maxBytes);

// The whole of a regular file of at most `maxBytes`, or an error that names the file.
MaybeError readInputFile(const std::filesystem::path& file, std::uintmax_t maxBytes,
                         std::string& text);

}  // namespace strida
