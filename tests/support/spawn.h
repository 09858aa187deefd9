// Starting one of the programs as a process of its own, with no shell between, so that a test can
// signal it by its pid and wait for it.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace strida::test {

// Starts `program` with the arguments, its standard output going to `out` and its standard error
// to `errors` (into `out` as well when none is given). Returns its pid, or -1 when it could not
// be started.
inline pid_t startProgram(const std::string& program, const std::vector<std::string>& args,
                          const std::filesystem::path& out,
                          const std::filesystem::path& errors = {}) {
    std::vector<std::string> all = {program};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : all) argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (errors.empty())
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
    else
        posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_CREAT, 0644);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

}  // namespace strida::test
