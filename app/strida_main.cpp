// Strida, the desktop program.
#include <QApplication>
#include <cstdio>
#include <filesystem>

#include "core/program.h"
#include "ui/app_icon.h"
#include "ui/command_line.h"
#include "ui/main_window.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(
        QString::fromUtf8(strida::kProgramName.data(), strida::kProgramName.size()));
    QApplication::setApplicationVersion("1.3");
    QApplication::setWindowIcon(strida::ui::appIcon());

    strida::ui::CommandLine line;
    if (auto refused = strida::ui::readCommandLine(QApplication::arguments(), line)) {
        std::fprintf(stderr, "strida: %s\nTry 'strida --help'.\n", refused->c_str());
        return 2;
    }
    std::filesystem::path folder = QApplication::applicationDirPath().toStdString();
    if (!line.folder.empty()) {
        folder = line.folder;
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
    }
    strida::ui::MainWindow window(folder);
    strida::ui::applyCommandLine(window, line);
    window.show();
    return app.exec();
}
