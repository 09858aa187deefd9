// The study folder while a strida-sweep works in it: its lock, and the joblog's record of the runs
// that finished.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace strida::sweep {

// The lock of a study folder: an exclusive flock on the file "lock" in it, which holds the pid of
// the strida-sweep that took it and, once it has started the runs, their process group. The
// programs that strida-sweep starts inherit the lock, so that it is held for as long as any of
// them may still write into the folder, and the system lets it go when the last of them ends,
// however it ends.
class StudyLock {
  public:
    StudyLock() = default;
    ~StudyLock();
    StudyLock(StudyLock&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    StudyLock& operator=(StudyLock&& other) noexcept;
    StudyLock(const StudyLock&) = delete;
    StudyLock& operator=(const StudyLock&) = delete;

    // Takes the lock of the folder, which must exist; nothing, with the reason in `error` (who
    // holds it and how to stop them), when another process holds it.
    static std::optional<StudyLock> take(const std::filesystem::path& study, std::string& error);

    // Notes in the lock file the process group of the runs, for the message of a sweep refused.
    void noteRuns(pid_t group) const;

  private:
    explicit StudyLock(int fd) : fd_(fd) {}
    int fd_ = -1;
};

// A run finished when its status file says how it ended and it was not stopped by a signal
// (strida-batch ends with 128 plus the signal).
bool runFinished(const std::filesystem::path& run);

// The ids of the runs 1 to `count` that the study has still to run: those that have not finished,
// and with `retryFailed` those that failed as well, in increasing order.
std::vector<int> runsToDo(const std::filesystem::path& study, int count, bool retryFailed);

// Takes out of the study's joblog the runs that did not finish (stopped half-way, or their status
// lost), so that GNU parallel's --resume runs them again. The joblog is rewritten only when a line
// goes. Returns the number of lines taken out, or an error text.
std::optional<std::string> forgetUnfinished(const std::filesystem::path& study, int& forgotten);

}  // namespace strida::sweep
