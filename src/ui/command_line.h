// The desktop program's command line: where the report files go and how many threads a step with
// UpdateOrder=Simultaneous uses.
#pragma once

#include <QStringList>
#include <filesystem>
#include <optional>
#include <string>

namespace strida::ui {

class MainWindow;

struct CommandLine {
    std::filesystem::path folder;  // the report folder; empty for the program's own
    int threads = 0;               // 0: every core
};

// Reads strida's arguments (the program's name first) into `line`. Qt's parser answers --help,
// --help-all, --version and an unknown option, and ends the program; a value of --threads it
// cannot take is refused with the message that says why, and `line` is left as it was.
std::optional<std::string> readCommandLine(const QStringList& arguments, CommandLine& line);

// Gives the window what the command line asks of it beyond its report folder: the thread control
// and, through it, the engine.
void applyCommandLine(MainWindow& window, const CommandLine& line);

}  // namespace strida::ui
