// Strida, the desktop program.
#include <QApplication>
#include <QCommandLineParser>
#include <filesystem>

#include "core/program.h"
#include "ui/app_icon.h"
#include "ui/main_window.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(
        QString::fromUtf8(strida::kProgramName.data(), strida::kProgramName.size()));
    QApplication::setApplicationVersion("1.3");
    QApplication::setWindowIcon(strida::ui::appIcon());

    QCommandLineParser parser;
    parser.setApplicationDescription("Microscopic pedestrian simulation.");
    parser.addHelpOption();
    parser.addVersionOption();
    QCommandLineOption out(
        "out", "Folder for the report files (default: the program's own folder).", "folder");
    parser.addOption(out);
    parser.process(app);

    std::filesystem::path folder = QApplication::applicationDirPath().toStdString();
    if (parser.isSet(out)) {
        folder = parser.value(out).toStdString();
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
    }
    strida::ui::MainWindow window(folder);
    window.show();
    return app.exec();
}
