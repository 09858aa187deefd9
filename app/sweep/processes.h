// The programs a study runs (GNU parallel, sbatch) as a process group of their own, so that a
// signal to strida-sweep reaches all of them and strida-sweep ends only after every one of them,
// and every process they started, has ended.
#pragma once

#include <sys/types.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace strida::sweep {

class ProcessGroup {
  public:
    // From here on SIGINT, SIGTERM, SIGHUP and SIGCHLD wait to be taken by wait(), and processes
    // left behind by the group's come to this process to be waited for. A signal this process
    // was started ignoring (nohup, a background job of a script) stays ignored.
    ProcessGroup();
    // Puts back the signal mask found.
    ~ProcessGroup();
    ProcessGroup(const ProcessGroup&) = delete;
    ProcessGroup& operator=(const ProcessGroup&) = delete;

    // Starts the programs (each an argument list, the first searched on PATH) in the group, in
    // `folder`, each one's standard output feeding the next one's standard input; the last
    // one's standard output is `output` when given. Nothing is started when a signal to stop has
    // come already (see interrupted()). An error text when a program cannot be started.
    std::optional<std::string> start(const std::vector<std::vector<std::string>>& pipeline,
                                     const std::filesystem::path& folder,
                                     const std::optional<std::filesystem::path>& output = {});

    // Waits until every process of the group, and every process left behind by one, has ended.
    // Each SIGINT, SIGTERM or SIGHUP that comes meanwhile goes to `onSignal`, which by default
    // passes it on to the group. Returns the exit status of the last program started (128 plus
    // the signal that ended it).
    int wait(const std::function<void(int)>& onSignal = {});

    // Sends a signal to every process of the group.
    void signal(int number) const;
    // The process group's id; 0 before anything started.
    pid_t id() const { return group_; }
    // The first SIGINT, SIGTERM or SIGHUP that came, 0 while none has.
    int interrupted() const { return interrupted_; }

  private:
    bool takePendingStop();

    sigset_t saved_{};
    pid_t group_ = 0;
    pid_t last_ = 0;
    int lastStatus_ = 0;
    int interrupted_ = 0;
};

// Runs a program (searched on PATH) and waits for it; its exit status, or -1 when it could not
// be started or was ended by a signal. Standard output and error go where this process's go.
int runProgram(const std::vector<std::string>& argv);

}  // namespace strida::sweep
