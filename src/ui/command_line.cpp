#include "ui/command_line.h"

#include <QCommandLineParser>

#include "core/threads_option.h"
#include "ui/main_window.h"

namespace strida::ui {

std::optional<std::string> readCommandLine(const QStringList& arguments, CommandLine& line) {
    QCommandLineParser parser;
    parser.setApplicationDescription("Microscopic pedestrian simulation.");
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption out(
        "out", "Folder for the report files (default: the program's own folder).", "folder");
    const QCommandLineOption threads(
        "threads",
        "How many threads a run with UpdateOrder=Simultaneous shares each step out over, 1 to "
        "1024; all cores by default. Sets the thread control of the Parameters panel. Every file "
        "comes out the same for any number; not part of a run's record or a scenario.",
        "N");
    parser.addOption(out);
    parser.addOption(threads);
    // Help, version and an option Qt's parser does not know are its own to answer, as before
    // --threads existed.
    parser.process(arguments);
    CommandLine read;
    if (parser.isSet(out)) read.folder = parser.value(out).toStdString();
    if (parser.isSet(threads))
        if (auto refused = readThreads(parser.value(threads).toStdString(), read.threads))
            return refused;
    line = read;
    return std::nullopt;
}

void applyCommandLine(MainWindow& window, const CommandLine& line) {
    window.setThreads(line.threads);
}

}  // namespace strida::ui
