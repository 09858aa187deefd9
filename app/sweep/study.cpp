#include "sweep/study.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "core/numbers.h"
#include "sweep/design.h"

namespace strida::sweep {
namespace {

// Why the folder is refused, from what the lock file says of its holder.
std::string heldBy(const std::filesystem::path& study, const std::string& note) {
    const std::vector<std::string> lines = splitAt(note, '\n');
    std::optional<long> pid, group;
    if (!lines.empty()) pid = num::whole<long>(lines[0]);
    if (lines.size() > 1) group = num::whole<long>(lines[1]);
    const std::string folder = "the study folder " + study.string() + " is in use by ";
    if (!pid) return folder + "another strida-sweep (see " + (study / "lock").string() + ")";
    if (::kill(static_cast<pid_t>(*pid), 0) == 0 || errno == EPERM)
        return folder + "strida-sweep pid " + std::to_string(*pid) +
               "; wait for it to end, or stop it with: kill " + std::to_string(*pid);
    if (group)
        return folder + "the runs of strida-sweep pid " + std::to_string(*pid) +
               ", which ended without them; stop them with: kill -- -" + std::to_string(*group);
    return folder + "a process started by strida-sweep pid " + std::to_string(*pid) +
           ", which has ended";
}

bool writeNote(int fd, const std::string& note) {
    if (::ftruncate(fd, 0) != 0) return false;
    return ::pwrite(fd, note.data(), note.size(), 0) == static_cast<ssize_t>(note.size());
}

}  // namespace

StudyLock::~StudyLock() {
    if (fd_ >= 0) ::close(fd_);
}

StudyLock& StudyLock::operator=(StudyLock&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

std::optional<StudyLock> StudyLock::take(const std::filesystem::path& study, std::string& error) {
    const std::filesystem::path file = study / "lock";
    // Not closed on exec: the programs started for the study hold the lock with it.
    const int fd = ::open(file.c_str(), O_RDWR | O_CREAT, 0644);
    if (fd < 0) {
        error = "cannot open " + file.string() + ": " + std::strerror(errno);
        return std::nullopt;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int cause = errno;
        ::close(fd);
        error = cause == EWOULDBLOCK ? heldBy(study, readText(file))
                                     : "cannot lock " + file.string() + ": " + std::strerror(cause);
        return std::nullopt;
    }
    if (!writeNote(fd, std::to_string(::getpid()) + "\n")) {
        ::close(fd);
        error = "cannot write " + file.string();
        return std::nullopt;
    }
    return StudyLock(fd);
}

void StudyLock::noteRuns(pid_t group) const {
    if (fd_ >= 0) writeNote(fd_, std::to_string(::getpid()) + "\n" + std::to_string(group) + "\n");
}

bool runFinished(const std::filesystem::path& run) {
    const std::string status = readText(run / "status");
    const std::optional<int> code = num::whole<int>(status.substr(0, status.find('\n')));
    return code && *code <= 128;
}

std::vector<int> runsToDo(const std::filesystem::path& study, int count, bool retryFailed) {
    std::vector<int> ids;
    for (int id = 1; id <= count; ++id) {
        const std::filesystem::path run = study / "runs" / std::to_string(id);
        if (!runFinished(run) || (retryFailed && readText(run / "status") != "0\n"))
            ids.push_back(id);
    }
    return ids;
}

std::optional<std::string> forgetUnfinished(const std::filesystem::path& study, int& forgotten) {
    forgotten = 0;
    const std::filesystem::path file = study / "joblog";
    const std::vector<std::string> lines = splitAt(readText(file), '\n');
    if (lines.empty()) return std::nullopt;
    std::string kept = lines[0] + "\n";
    for (std::size_t k = 1; k < lines.size(); ++k) {
        // Seq Host Starttime JobRuntime Send Receive Exitval Signal Command; Seq is the run's id.
        const std::vector<std::string> f = splitAt(lines[k], '\t');
        const bool finished = f.size() >= 8 && num::whole<int>(f[0]) && f[7] == "0" &&
                              runFinished(study / "runs" / f[0]);
        if (finished)
            kept += lines[k] + "\n";
        else
            ++forgotten;
    }
    if (forgotten == 0) return std::nullopt;
    return writeWhole(file, kept);
}

}  // namespace strida::sweep
