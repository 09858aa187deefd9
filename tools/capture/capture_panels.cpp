// Saves a picture of the main window and of every panel, for the documentation, and of a replay
// of a two-way crowd (replay.png, replay-panel.png):
//   strida-capture FOLDER
// Build it with `cmake --build build --target strida-capture`; run it under xvfb-run or with
// QT_QPA_PLATFORM=offscreen.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMdiArea>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QTimer>
#include <filesystem>

#include "engine/engine.h"
#include "engine/settings_rules.h"
#include "ui/app_icon.h"
#include "ui/charts/charts_window.h"
#include "ui/main_window.h"
#include "ui/panel_window.h"
#include "ui/panels/about_box.h"
#include "ui/panels/picture_dialog.h"
#include "ui/panels/replay_panel.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setWindowIcon(strida::ui::appIcon());
    const QString out = argc > 1 ? argv[1] : "docs";
    QDir().mkpath(out);
    const std::filesystem::path reports = std::filesystem::temp_directory_path() / "strida-capture";
    std::filesystem::create_directories(reports);
    strida::ui::MainWindow window(reports);
    // The window filling a 1280 x 800 screen, the smallest the window is laid out for.
    window.resize(1280, 800);
    window.show();
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
    window.grab().save(out + "/start-up.png");

    auto save = [&](QWidget* w, const QString& name) {
        w->show();
        w->raise();
        QApplication::processEvents();
        w->grab().save(out + "/" + name + ".png");
    };
    const std::pair<const char*, const char*> panels[] = {
        {"frmCalibration", "calibration"},    {"frmDrawingControl", "show-options"},
        {"frmForceControl", "forces"},        {"frmSimSpeed", "simulation-speed"},
        {"frmPerformance", "performance"},    {"frmManualPedGenerator", "manual-generator"},
        {"frmInputParameters", "parameters"}, {"frmReporting", "reporting"},
        {"frmTrajectories", "trajectories"},  {"frmRandomSeed", "random-seed"},
        {"frmVideoFrames", "video-frames"},
    };
    // Every panel opened from the menu at once: none covers the trap canvas.
    for (const char* item :
         {"mnuManualGenerator", "mnuInputParameters", "mnuCalibration", "mnuSimulationSpeed",
          "mnuShowDrawing", "mnuForces", "mnuReporting", "mnuPedGenerator"}) {
        window.action(item)->trigger();
        QApplication::processEvents();
    }
    window.grab().save(out + "/all-panels.png");
    for (auto [name, file] : panels) save(window.panelWindow(name), file);
    strida::ui::PanelWindow* autoWindow = window.panelWindow("frmAutoPedGenerator");
    auto* tabs = autoWindow->findChild<QTabWidget*>("TabPedGenerator");
    const char* tabFiles[] = {"auto-generator-time", "auto-generator-space",
                              "auto-generator-max-speed", "auto-generator-ways"};
    for (int i = 0; i < tabs->count(); ++i) {
        tabs->setCurrentIndex(i);
        save(autoWindow, tabFiles[i]);
    }
    window.action("mnuAboutMe")->trigger();
    save(window.aboutBox(), "about");
    strida::ui::PictureDialog picture(
        *window.canvas(), QString::fromStdString((reports / "trap.png").string()), &window);
    save(&picture, "save-picture");
    picture.hide();

    // The main window during a run of the default population.
    for (auto [name, file] : panels) window.panelWindow(name)->hide();
    autoWindow->hide();
    window.aboutBox()->hide();
    window.panelWindow("frmPerformance")->show();
    window.engine().setSeed(3);  // the same picture every time
    window.engine().StartSimulation();
    for (int i = 0; i < 25; ++i) window.engine().SimulationTick();
    save(&window, "main-window-running");
    window.engine().StopSimulation();
    // The same crowd in a closed corridor, moving from one instant.
    auto* walls = window.panelWindow("frmCalibration")->findChild<QCheckBox*>("chkCorridorWalls");
    walls->click();  // through the panel, which also tells the canvas
    window.panelWindow("frmInputParameters")->findChild<QRadioButton*>("optSimultaneous")->click();
    window.engine().StartSimulation();
    for (int i = 0; i < 60; ++i) window.engine().SimulationTick();
    save(&window, "corridor-walls");
    window.engine().StopSimulation();
    walls->click();
    window.panelWindow("frmInputParameters")->findChild<QRadioButton*>("optSequential")->click();

    // The charts during a two-way run of 60 pedestrians, always the same one.
    window.panelWindow("frmRandomSeed")->findChild<QLineEdit*>("txtSeed")->setText("7");
    window.panelWindow("frmRandomSeed")->findChild<QPushButton*>("cmdOK")->click();
    window.engine().changeSetting("NumPedLeft", "30");
    window.engine().changeSetting("NumPedRight", "30");
    window.action("mnuCharts")->trigger();
    window.action("mnuStartSimulation")->trigger();
    window.timer()->stop();  // the steps are taken here
    for (int i = 0; i < 240 && window.engine().runExists(); ++i) window.engine().SimulationTick();
    QElapsedTimer drawing;  // time for the charts' timer to fire
    drawing.start();
    while (drawing.elapsed() < 150) QApplication::processEvents();
    save(&window, "main-window-charts");  // the charts open beside the canvas, not over it
    auto* charts = window.chartsWindow();
    for (auto [tab, file] : {std::pair{1, "charts-time"}, std::pair{6, "charts-fundamental"},
                             std::pair{8, "charts-progress"}, std::pair{9, "charts-crossings"},
                             std::pair{10, "charts-counted-flow"}}) {
        charts->tabs()->setCurrentIndex(tab);
        save(window.panelWindow("frmCharts"), file);
    }
    window.engine().StopSimulation();
    // A 30 m corridor: the canvas, wider than the window, opens fitted to it.
    window.panelWindow("frmCharts")->hide();
    window.engine().changeSetting("TrapLength", "30");
    window.calibrateNow();
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
    save(&window, "corridor-30m");
    window.engine().changeSetting("TrapLength", "10");
    window.calibrateNow();
    window.action("mnuWindowActualSize")->trigger();
    // A replay: a two-way crowd written to a trajectory file by a run of its own, then played back
    // and shown half-way through, with the panel beside the trap.
    window.panelWindow("frmPerformance")->hide();
    window.panelWindow("frmCharts")->hide();
    for (auto [name, value] : {std::pair{"NumPedLeft", "20"}, std::pair{"NumPedRight", "20"}})
        window.engine().changeSetting(name, value);
    window.engine().setTrajectoryFiles({"replay-capture.txt"});
    window.engine().setSeed(7);
    window.engine().StartSimulation();
    for (int i = 0; i < 1000 && window.engine().runExists(); ++i) window.engine().SimulationTick();
    window.engine().StopSimulation();
    window.engine().setTrajectoryFiles({});
    if (!window.openTrajectory(reports / "replay-capture.txt")) return 1;
    auto* replay = window.replayPanel();
    // The frame with the most of the crowd inside the trap.
    const strida::Trajectory& t = *replay->trajectory();
    std::size_t fullest = 0, most = 0;
    for (std::size_t f = 0; f < t.frameCount(); ++f) {
        std::size_t inside = 0;
        for (const strida::TrajectoryPoint& p : t.frame(f))
            inside += p.x > 0.3 && p.x < 9.7 && p.y > 0.3 && p.y < 5.7;
        if (inside > most) most = inside, fullest = f;
    }
    replay->findChild<QSlider*>("sldFrame")->setValue(static_cast<int>(fullest));
    save(&window, "replay");
    save(window.panelWindow("frmReplay"), "replay-panel");
    return 0;
}
