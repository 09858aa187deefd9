// Runs the batch runner as a script would, and collects what it prints and its exit status.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace strida::test {

struct BatchResult {
    int status;
    std::string out;
};

// What a shell command prints on its standard output, and its exit status.
inline BatchResult runCommand(const std::string& command) {
    std::FILE* pipe = popen(command.c_str(), "r");
    BatchResult r{-1, {}};
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) r.out.append(buf, n);
    const int raw = pclose(pipe);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return r;
}

// The runner's standard output, or with `errors` its standard error instead.
inline BatchResult batch(const std::string& args, bool errors = false) {
    return runCommand(std::string(STRIDA_BATCH) + " " + args +
                      (errors ? " 2>&1 >/dev/null" : " 2>/dev/null"));
}

}  // namespace strida::test
