#include "sweep/processes.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace strida::sweep {
namespace {

sigset_t signalsOf(std::initializer_list<int> numbers) {
    sigset_t set;
    sigemptyset(&set);
    for (int number : numbers) sigaddset(&set, number);
    return set;
}

const sigset_t kTaken = signalsOf({SIGINT, SIGTERM, SIGHUP, SIGCHLD});

// How a program is started: in process group `group` (0: a group of its own), with no signal
// blocked, and with SIGINT and SIGQUIT, which a shell tells a background job to ignore, back at
// their defaults, so that a signal passed on reaches it. SIGHUP stays as found (nohup).
class Spawn {
  public:
    explicit Spawn(pid_t group) {
        posix_spawnattr_init(&attr_);
        posix_spawn_file_actions_init(&actions_);
        const sigset_t none = signalsOf({});
        const sigset_t defaults = signalsOf({SIGINT, SIGQUIT, SIGTERM, SIGCHLD, SIGPIPE});
        posix_spawnattr_setflags(
            &attr_, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
        posix_spawnattr_setpgroup(&attr_, group);
        posix_spawnattr_setsigmask(&attr_, &none);
        posix_spawnattr_setsigdefault(&attr_, &defaults);
    }
    ~Spawn() {
        posix_spawn_file_actions_destroy(&actions_);
        posix_spawnattr_destroy(&attr_);
    }
    Spawn(const Spawn&) = delete;
    Spawn& operator=(const Spawn&) = delete;

    void inFolder(const std::filesystem::path& folder) {
        posix_spawn_file_actions_addchdir_np(&actions_, folder.c_str());
    }
    void redirect(int from, int to) { posix_spawn_file_actions_adddup2(&actions_, from, to); }
    // The program's pid, or the error number.
    int run(const std::vector<std::string>& args, pid_t& pid) {
        std::vector<char*> argv;
        for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        return posix_spawnp(&pid, argv[0], &actions_, &attr_, argv.data(), environ);
    }

  private:
    posix_spawnattr_t attr_;
    posix_spawn_file_actions_t actions_;
};

int statusOf(int raw) {
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
}

}  // namespace

ProcessGroup::ProcessGroup() {
    sigprocmask(SIG_BLOCK, &kTaken, &saved_);
    prctl(PR_SET_CHILD_SUBREAPER, 1);
}

ProcessGroup::~ProcessGroup() {
    prctl(PR_SET_CHILD_SUBREAPER, 0);
    sigprocmask(SIG_SETMASK, &saved_, nullptr);
}

bool ProcessGroup::takePendingStop() {
    sigset_t pending;
    sigpending(&pending);
    for (int number : {SIGINT, SIGTERM, SIGHUP}) {
        if (!sigismember(&pending, number)) continue;
        const sigset_t one = signalsOf({number});
        const timespec now{};
        sigtimedwait(&one, nullptr, &now);
        interrupted_ = number;
        lastStatus_ = 128 + number;
        return true;
    }
    return false;
}

std::optional<std::string> ProcessGroup::start(
    const std::vector<std::vector<std::string>>& pipeline, const std::filesystem::path& folder,
    const std::optional<std::filesystem::path>& output) {
    if (takePendingStop()) return std::nullopt;
    int in = -1;
    for (std::size_t k = 0; k < pipeline.size(); ++k) {
        int next[2] = {-1, -1}, out = -1;
        if (k + 1 < pipeline.size()) {
            if (::pipe2(next, O_CLOEXEC) != 0)
                return std::string("cannot make a pipe: ") + std::strerror(errno);
            out = next[1];
        } else if (output) {
            out = ::open(output->c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
            if (out < 0) return "cannot write " + output->string() + ": " + std::strerror(errno);
        }
        Spawn spawn(group_);
        spawn.inFolder(folder);
        if (in >= 0) spawn.redirect(in, STDIN_FILENO);
        if (out >= 0) spawn.redirect(out, STDOUT_FILENO);
        pid_t pid = 0;
        const int error = spawn.run(pipeline[k], pid);
        for (int fd : {in, out})
            if (fd >= 0) ::close(fd);
        in = next[0];
        if (error != 0) {
            if (in >= 0) ::close(in);
            signal(SIGTERM);  // what started already has no one to read from or write to
            return "cannot start " + pipeline[k][0] + ": " + std::strerror(error);
        }
        if (group_ == 0) group_ = pid;
        last_ = pid;
    }
    return std::nullopt;
}

int ProcessGroup::wait(const std::function<void(int)>& onSignal) {
    for (;;) {
        for (;;) {
            int raw = 0;
            const pid_t pid = ::waitpid(-1, &raw, WNOHANG);
            if (pid > 0 && pid == last_) lastStatus_ = statusOf(raw);
            if (pid > 0 || (pid < 0 && errno == EINTR)) continue;
            if (pid < 0) return lastStatus_;  // no process is left
            break;
        }
        const int number = sigwaitinfo(&kTaken, nullptr);
        if (number < 0 || number == SIGCHLD) continue;
        if (interrupted_ == 0) interrupted_ = number;
        if (onSignal)
            onSignal(number);
        else
            signal(number);
    }
}

void ProcessGroup::signal(int number) const {
    if (group_ > 0) ::kill(-group_, number);
}

int runProgram(const std::vector<std::string>& argv) {
    Spawn spawn(::getpgrp());
    pid_t pid = 0;
    if (spawn.run(argv, pid) != 0) return -1;
    int raw = 0;
    while (::waitpid(pid, &raw, 0) < 0)
        if (errno != EINTR) return -1;
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

}  // namespace strida::sweep
