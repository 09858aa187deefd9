#include "ui/main_window.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QTimer>
#include <algorithm>
#include <cctype>
#include <chrono>
#include <random>
#include <vector>

#include "core/program.h"
#include "engine/calibration.h"
#include "engine/engine.h"
#include "engine/setting_readers.h"
#include "engine/settings_rules.h"
#include "ui/canvas_picture.h"
#include "ui/canvas_window.h"
#include "ui/charts/charts_window.h"
#include "ui/panel_window.h"
#include "ui/panels/about_box.h"
#include "ui/panels/auto_panel.h"
#include "ui/panels/bindings.h"
#include "ui/panels/calibration_panel.h"
#include "ui/panels/forces_panel.h"
#include "ui/panels/frames_panel.h"
#include "ui/panels/manual_panel.h"
#include "ui/panels/parameters_panel.h"
#include "ui/panels/performance_panel.h"
#include "ui/panels/picture_dialog.h"
#include "ui/panels/replay_panel.h"
#include "ui/panels/reporting_panel.h"
#include "ui/panels/seed_panel.h"
#include "ui/panels/show_options_panel.h"
#include "ui/panels/speed_panel.h"
#include "ui/panels/trajectories_panel.h"
#include "ui/trap_canvas.h"

namespace strida::ui {

const char* const kWindowTitle = "Micro-Strida version 1.3";

MainWindow::MainWindow(const std::filesystem::path& reportFolder, QWidget* parent)
    : QMainWindow(parent) {
    setObjectName("Strida");
    setWindowTitle(kWindowTitle);
    // Most of the screen, whatever its size; nothing is remembered from one program run to the
    // next.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    resize(screen.width() * 9 / 10, screen.height() * 9 / 10);

    mdi_ = new QMdiArea(this);
    mdi_->setObjectName("mdiArea");
    // A window beyond the area's edges can always be scrolled into view.
    mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(mdi_);
    engine_ = std::make_unique<Engine>(host_, reportFolder);
    door_ = std::make_unique<SettingsDoor>(*engine_);
    door_->changed = [this](std::string_view name, const std::vector<std::string_view>& changed) {
        showSettings(name, changed);
    };
    timer_ = new QTimer(this);
    timer_->setObjectName("Timer1");
    timer_->setInterval(settings().SimSpeed);
    connect(timer_, &QTimer::timeout, this, [this] { engine_->SimulationTick(); });

    createCanvas();
    createPanels();
    // Saved pictures, frames and charts name the run they show. The time is that of the last
    // step recorded: a run that has ended counts its steps from 0 again.
    setRunMark(this, [this] {
        return RunMark{engine_->runSeed(), series_.empty() ? 0 : series_.back().time};
    });
    buildStatusBar();
    buildMenus();
    // The menu's shortcuts win over the editing keys of the panels' text boxes.
    qApp->installEventFilter(this);
    engine_->setStepListener([this](const StepFigures& step) {
        series_.push_back(step);
        emit stepTaken();
    });
    view_ = {this,
             canvas_,
             canvasWindow_,
             calibration_,
             performance_,
             timer_,
             action("mnuStartSimulation"),
             action("mnuPauseSimulation"),
             {status_[0], status_[1], status_[2]},
             &engine_->settings()};
    load();
}

void MainWindow::createCanvas() {
    canvas_ = new TrapCanvas;
    canvasWindow_ = new CanvasWindow(canvas_, mdi_);
    canvasWindow_->scale = [this] { return host_.m2Twips(); };
    canvasWindow_->onPointerText = [this](const QString& text) { status_[2]->setText(text); };
    canvasWindow_->onUserResize = [this](double width, double height) {
        canvas_->setArea(width, height);
        calibrate();
    };
    canvasWindow_->onPicked = [this](QPointF from, QPointF to) { picked(from, to); };
}

void MainWindow::createPanels() {
    calibration_ = new CalibrationPanel(*door_);
    calibration_->onCalibrate = [this] { calibrate(); };
    addPanel(calibration_, "Calibration");
    addPanel(new ShowOptionsPanel(*door_), "Show Options");
    addPanel(new ForcesPanel(*door_), "Use Forces");
    addPanel(new SpeedPanel(*door_), "Simulation Speed");
    performance_ = new PerformancePanel;
    addPanel(performance_, "Simulation Performance");
    manual_ = new ManualPanel(*engine_, *door_);
    addPanel(manual_, "Manual Pedestrian Generator");
    auto_ = new AutoPanel(*door_);
    addPanel(auto_, "Automatic Pedestrians Generator");
    parameters_ = new ParametersPanel(*door_);
    // A step shares its pedestrians out over the threads it starts with, so a new number waits for
    // the step's next point where events are let in (at once between steps).
    parameters_->onThreads = [this](int n) {
        engine_->request([this, n] { engine_->setThreads(n); });
    };
    addPanel(parameters_, "Input Pedestrians Parameters");
    addPanel(new ReportingPanel(*door_), "Reporting");
    trajectories_ = new TrajectoriesPanel(engine_->reports().folder());
    trajectories_->onFilesChanged = [this] { engine_->setTrajectoryFiles(trajectories_->files()); };
    addPanel(trajectories_, "Trajectories");
    seed_ = new SeedPanel;
    addPanel(seed_, "Random Seed");
    replay_ = new ReplayPanel(host_, settings());
    replay_->onOpen = [this] { openTrajectoryCommand(); };
    addPanel(replay_, "Replay");
    chooseTrajectory = [this] {
        const QString file = QFileDialog::getOpenFileName(
            this, "Open Trajectory", QString::fromStdString(engine_->reports().folder().string()),
            "Trajectory text files (*.txt);;All files (*)");
        return std::filesystem::path(file.toStdString());
    };
    confirm = [this](const QString& question) {
        return QMessageBox::question(this, QString::fromStdString(std::string(kProgramName)),
                                     question) == QMessageBox::Yes;
    };
    chooseReportFolder = [this] {
        const QString folder = QFileDialog::getExistingDirectory(
            this, "Report Folder", QString::fromStdString(engine_->reports().folder().string()));
        return std::filesystem::path(folder.toStdString());
    };
    chooseTableFile = [this] {
        const QString file = QFileDialog::getSaveFileName(
            this, "Per-Pedestrian Table",
            QString::fromStdString((engine_->reports().folder() / "pedestrians.csv").string()),
            "Comma-separated values (*.csv);;All files (*)");
        return std::filesystem::path(file.toStdString());
    };
    for (auto* tell : {&trajectories_->showMessage, &seed_->showMessage})
        *tell = [this](const QString& text) {
            host_.showMessage(text.toStdString(), kProgramName, MessageIcon::Information);
        };
    frames_ =
        new FramesPanel(*canvas_, QString::fromStdString(engine_->reports().folder().string()));
    frames_->confirmReplace = [this](const QString& question) { return confirm(question); };
    frames_->showMessage = [this](const QString& text) {
        host_.showMessage(text.toStdString(), kProgramName, MessageIcon::Stop);
    };
    frames_->stepSeconds = [this] { return engine_->dt(); };
    // Each frame is painted afresh after its step, whatever the screen has shown of it.
    connect(this, &MainWindow::runStarted, frames_, &FramesPanel::runStarted);
    connect(this, &MainWindow::stepTaken, frames_,
            [this] { frames_->stepTaken(series_.back().step); });
    addPanel(frames_, "Video Frames");
    createCharts();
}

void MainWindow::createCharts() {
    // Unlike the panels, the charts window can be resized.
    charts_ =
        new ChartsWindow(series_, QString::fromStdString(engine_->reports().folder().string()));
    charts_->showMessage = [this](const QString& text) {
        host_.showMessage(text.toStdString(), kProgramName, MessageIcon::Stop);
    };
    // Wide enough for every tab, when the font allows.
    const int width = std::max(640, charts_->tabs()->tabBar()->sizeHint().width() + 24);
    addPanel(charts_, "Charts", false)->resize(width, 420);
    connect(this, &MainWindow::runStarted, charts_, &ChartsWindow::clear);
}

void MainWindow::buildStatusBar() {
    for (int i = 0; i < 3; ++i) {
        status_[i] = new QLabel(this);
        status_[i]->setObjectName(QString("StatusBar1Panel%1").arg(i + 1));
        status_[i]->setFrameShape(QFrame::StyledPanel);
        status_[i]->setFrameShadow(QFrame::Sunken);
        status_[i]->setMinimumWidth(i == 2 ? 420 : 150);
        statusBar()->addWidget(status_[i], i == 2 ? 1 : 0);
    }
    statusBar()->setObjectName("StatusBar1");
    // Where the reports go, since every start replaces those of the run before.
    reportFolder_ = new QLabel(this);
    reportFolder_->setObjectName("lblReportFolder");
    statusBar()->addPermanentWidget(reportFolder_);
    showReportFolder();
}

void MainWindow::showReportFolder() {
    const QString folder = QDir::toNativeSeparators(QString::fromStdString(
        std::filesystem::absolute(engine_->reports().folder()).lexically_normal().string()));
    reportFolder_->setText("Reports: " + folder);
    reportFolder_->setToolTip("The report files are written into " + folder +
                              "; each start replaces those of the run before. Output > Report "
                              "Folder... chooses another folder.");
}

bool MainWindow::setReportFolder(const std::filesystem::path& folder) {
    std::error_code ec;
    std::string problem;
    if (engine_->runExists())
        problem = "The report folder cannot change during a run: stop the run first.";
    else if (!std::filesystem::is_directory(folder, ec))
        problem = folder.string() + " is not a folder the reports can go to.";
    if (!problem.empty()) {
        host_.showMessage(problem, kProgramName, MessageIcon::Stop);
        return false;
    }
    engine_->setReportFolder(folder);
    showReportFolder();
    return true;
}

MainWindow::~MainWindow() {
    timer_->stop();
    host_.setBusy(false);
}

PanelWindow* MainWindow::addPanel(QWidget* panel, const QString& caption, bool fixedSize) {
    auto* window = new PanelWindow(panel, caption, mdi_, fixedSize);
    panels_[panel->objectName().toStdString()] = window;
    return window;
}

PanelWindow* MainWindow::panelWindow(const std::string& name) const {
    if (name == "frmCanvas") return canvasWindow_;
    auto it = panels_.find(name);
    return it == panels_.end() ? nullptr : it->second;
}

void MainWindow::showPanel(const std::string& name) {
    PanelWindow* window = panelWindow(name);
    if (!window) return;
    if (window != canvasWindow_) placeClearOfCanvas(window);
    window->showPanel();
}

namespace {
// The trap canvas and the charts can take any size; a panel has the size of its controls.
bool resizable(const QWidget* window) {
    return window->minimumSize() != window->maximumSize();
}

// Where a window fits best at one of the corners `xs` x `ys`: inside `area`, clear of `canvas`,
// overlapping the `others` least, then (a resizable window, no smaller than `least`, shrunk to
// fit) the largest, the highest, the leftmost. Nothing when no corner has room.
std::optional<QRect> clearPlace(const std::vector<int>& xs, const std::vector<int>& ys,
                                const std::vector<QRect>& others, QRect area, QRect canvas,
                                QSize size, std::optional<QSize> least) {
    std::optional<QRect> best;
    long bestOverlap = 0;
    for (int y : ys)
        for (int x : xs) {
            QSize fits = size;
            if (least) fits = size.boundedTo(QSize(area.right() + 1 - x, area.bottom() + 1 - y));
            const QRect place(QPoint(x, y), fits);
            if (!area.contains(place) || place.intersects(canvas)) continue;
            if (least && (fits.width() < least->width() || fits.height() < least->height()))
                continue;
            long overlap = 0;
            for (const QRect& other : others) {
                const QRect common = place.intersected(other);
                overlap += static_cast<long>(common.width()) * common.height();
            }
            const auto key = [](const QRect& r, long o) {
                return std::tuple(o, -static_cast<long>(r.width()) * r.height(), r.y(), r.x());
            };
            if (!best || key(place, overlap) < key(*best, bestOverlap)) {
                best = place;
                bestOverlap = overlap;
            }
        }
    return best;
}
}  // namespace

void MainWindow::placeClearOfCanvas(PanelWindow* panel) {
    if (!canvasWindow_->isVisible()) return;
    const QRect canvas = canvasWindow_->geometry();
    if (panel->isVisible() && !panel->geometry().intersects(canvas)) return;
    // Candidate corners: beside and below the canvas and every open window. The panel goes to the
    // one inside the area, clear of the canvas, that overlaps the other windows least; the charts
    // are made smaller for it when they must. Without such a place a panel goes beside or below
    // the canvas, where less of it lies beyond the area's edge: never over the canvas.
    const QRect area = mdi_->viewport()->rect();
    const int gap = 4;
    std::vector<QRect> others;
    std::vector<int> xs = {0}, ys = {0};
    for (QMdiSubWindow* sub : mdi_->subWindowList()) {
        if (sub == panel || !sub->isVisible()) continue;
        others.push_back(sub->geometry());
        xs.push_back(sub->geometry().right() + 1 + gap);
        ys.push_back(sub->geometry().bottom() + 1 + gap);
    }
    std::optional<QRect> place = clearPlace(xs, ys, others, area, canvas, panel->size(), {});
    if (!place && resizable(panel))
        place = clearPlace(xs, ys, others, area, canvas, panel->size(),
                           panel->minimumSizeHint().expandedTo(panel->minimumSize()));
    if (!place) {
        const QRect beside(QPoint(canvas.right() + 1 + gap, 0), panel->size());
        const QRect below(QPoint(0, canvas.bottom() + 1 + gap), panel->size());
        auto shown = [&area](const QRect& r) {
            const QRect common = r.intersected(area);
            return static_cast<long>(common.width()) * common.height();
        };
        place = shown(below) > shown(beside) ? below : beside;
    }
    panel->setGeometry(*place);
}

namespace {

// A widget the user types text into.
bool editsText(QObject* widget) {
    if (auto* line = qobject_cast<QLineEdit*>(widget)) return !line->isReadOnly();
    if (auto* spin = qobject_cast<QAbstractSpinBox*>(widget)) return !spin->isReadOnly();
    if (auto* text = qobject_cast<QPlainTextEdit*>(widget)) return !text->isReadOnly();
    if (auto* text = qobject_cast<QTextEdit*>(widget)) return !text->isReadOnly();
    return false;
}

bool isEditingKey(const QKeyEvent* key) {
    for (QKeySequence::StandardKey edit :
         {QKeySequence::SelectAll, QKeySequence::Copy, QKeySequence::Paste, QKeySequence::Cut,
          QKeySequence::Undo, QKeySequence::Redo})
        if (key->matches(edit)) return true;
    return false;
}

}  // namespace

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    // The menu's shortcuts come first, as menu accelerators do, except that a text box with the
    // focus keeps its editing keys (select all, copy, paste, cut, undo, redo): typed there they
    // edit the text and neither switch a generator mode nor end the program. The menu items stay
    // on the mouse and the Alt keys.
    if (event->type() == QEvent::ShortcutOverride && watched->isWidgetType() &&
        isAncestorOf(static_cast<QWidget*>(watched))) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (editsText(watched) && isEditingKey(key))
            return QMainWindow::eventFilter(watched, event);
        const QKeySequence pressed(key->keyCombination());
        for (QAction* a : findChildren<QAction*>())
            if (!a->shortcut().isEmpty() && a->shortcut() == pressed && a->isEnabled())
                return true;  // not taken by the widget: the shortcut fires
    }
    return QMainWindow::eventFilter(watched, event);
}

QAction* MainWindow::action(const char* name) const {
    return findChild<QAction*>(name);
}

QLabel* MainWindow::statusPanel(int panel) const {
    return panel >= 1 && panel <= 3 ? status_[panel - 1] : nullptr;
}

QAction* MainWindow::addAction(QMenu* menu, const char* name, const QString& caption,
                               const QKeySequence& key, std::function<void()> command) {
    QAction* a = menu->addAction(caption);
    a->setObjectName(name);
    if (!key.isEmpty()) a->setShortcut(key);
    if (command) connect(a, &QAction::triggered, this, [command] { command(); });
    return a;
}

void MainWindow::buildMenus() {
    QMenu* input = menuBar()->addMenu("&Input");
    input->setObjectName("mnuInput");
    addAction(input, "mnuManualGenerator", "&Manual Generator", QKeySequence("Ctrl+M"), [this] {
        toggleGenerator(&Settings::ManualGenerator);
    })->setCheckable(true);
    addAction(input, "mnuPedGenerator", "&Auto Generator", QKeySequence("Ctrl+A"), [this] {
        toggleGenerator(&Settings::PedGenerator);
    })->setCheckable(true);
    addAction(input, "mnuInputParameters", "&Parameters", QKeySequence("Ctrl+P"),
              [this] { showPanel("frmInputParameters"); });
    addAction(input, "mnuCalibration", "&Calibration", QKeySequence("Ctrl+C"),
              [this] { showPanel("frmCalibration"); });
    input->addSeparator()->setObjectName("mnuInputBar1");
    addAction(input, "mnuOpenScenario", "&Open Scenario...", {}, [this] { chooseScenarioToOpen(); })
        ->setStatusTip(
            "Put back every setting, the seed and the hand-made pedestrians of a scenario");
    addAction(input, "mnuSaveScenario", "Sa&ve Scenario...", {}, [this] {
        chooseScenarioToSave();
    })->setStatusTip("Save every setting, the seed and the hand-made pedestrians as a scenario");
    addAction(input, "mnuOpenTrajectory", "Open &Trajectory...", QKeySequence("Ctrl+O"), [this] {
        openTrajectoryCommand();
    })->setStatusTip("Play a trajectory file written by a run on the trap, without running it");

    QMenu* run = menuBar()->addMenu("&Run");
    run->setObjectName("mnuRun");
    // A run command chosen during a step is taken where the step lets events in.
    addAction(run, "mnuStartSimulation", "&Start", QKeySequence(Qt::Key_F5),
              [this] { engine_->request([this] { startStopCommand(); }); });
    addAction(run, "mnuPauseSimulation", "&Pause", QKeySequence(Qt::Key_F6),
              [this] { engine_->request([this] { engine_->PauseSimulation(); }); });
    addAction(run, "mnuSimulationSpeed", "Si&mulation Speed", QKeySequence("Ctrl+W"), [this] {
        showPanel("frmSimSpeed");
    })->setStatusTip("Slide towards \"slow\" to watch a run step by step");
    // At the fastest speed the default run is over in a moment; the hint says where to slow it.
    action("mnuStartSimulation")
        ->setStatusTip("Start or stop a run. Run > Simulation Speed (Ctrl+W) slows it down.");
    addAction(run, "mnuRandomSeed", "&Random Seed...", {}, [this] {
        showPanel("frmRandomSeed");
    })->setStatusTip("Fix the seed of the next runs, so that they repeat");
    run->addSeparator()->setObjectName("mnuRunBar1");
    QMenu* options = run->addMenu("&Options");
    options->setObjectName("mnuOptions");
    options->menuAction()->setObjectName("mnuOptionsItem");
    addAction(options, "mnuShowDrawing", "&Show", QKeySequence("Ctrl+V"),
              [this] { showPanel("frmDrawingControl"); });
    addAction(options, "mnuForces", "&Forces", QKeySequence("Ctrl+F"),
              [this] { showPanel("frmForceControl"); });
    addAction(options, "mnuExperiments", "&Experiments", {}, {})->setEnabled(false);
    run->addSeparator()->setObjectName("mnuRunBar2");
    addAction(run, "mnuExit", "&Exit", QKeySequence("Ctrl+X"), [this] { close(); });

    QMenu* output = menuBar()->addMenu("&Output");
    output->setObjectName("mnuOutput");
    addAction(output, "mnuShowPerformance", "&Performance", QKeySequence(Qt::Key_F7),
              [this] { showPanel("frmPerformance"); });
    addAction(output, "mnuCharts", "&Charts", {}, [this] {
        showPanel("frmCharts");
    })->setStatusTip("Chart the run's figures against time, and its fundamental diagram");
    addAction(output, "mnuReporting", "&Reporting", QKeySequence("Ctrl+R"),
              [this] { showPanel("frmReporting"); });
    addAction(output, "mnuShowTrap", "&Show Trap", QKeySequence(Qt::Key_F3),
              [this] { showPanel("frmCanvas"); });
    addAction(output, "mnuTrajectories", "&Trajectories...", {}, [this] {
        showPanel("frmTrajectories");
    })->setStatusTip("Write every pedestrian's position at every step, for other tools");
    addAction(output, "mnuPedestrianTable", "Per-Pedestrian T&able...", {}, [this] {
        if (engine_->tally().rows().empty()) {
            savePedestrianTable({});  // says why not
        } else if (const std::filesystem::path file = chooseTableFile(); !file.empty()) {
            savePedestrianTable(file);
        }
    })->setStatusTip("Save every pedestrian's own figures of the last run, for other tools");
    output->addSeparator()->setObjectName("mnuOutputBar1");
    addAction(output, "mnuSavePicture", "Save P&icture...", {}, [this] {
        savePicture();
    })->setStatusTip("Save the trap canvas as a PNG image or an SVG drawing");
    addAction(output, "mnuVideoFrames", "&Video Frames...", {}, [this] {
        showPanel("frmVideoFrames");
    })->setStatusTip("Save the trap canvas after every few steps, as the frames of a video");
    output->addSeparator()->setObjectName("mnuOutputBar2");
    addAction(output, "mnuReportFolder", "Report &Folder...", {}, [this] {
        if (engine_->runExists()) {
            setReportFolder({});  // says why not
        } else if (const std::filesystem::path folder = chooseReportFolder(); !folder.empty()) {
            setReportFolder(folder);
        }
    })->setStatusTip("Choose the folder the report files go to");

    QMenu* window = menuBar()->addMenu("&Window");
    window->setObjectName("mnuWindow");
    addAction(window, "mnuWindowTileVert", "Tile &Vertical", {}, [this] { tileVertical(); });
    addAction(window, "mnuWindowTileHor", "Tile &Horizontal", {}, [this] { tileHorizontal(); });
    addAction(window, "mnuWindowcascade", "&Cascade", {}, [this] { mdi_->cascadeSubWindows(); });
    addAction(window, "mnuWindowFitCanvas", "&Fit Canvas to Window", {}, [this] {
        canvasWindow_->setFitted(!canvasWindow_->fitted());
    })->setCheckable(true);
    addAction(window, "mnuWindowZoomIn", "Zoom &In", QKeySequence("Ctrl++"),
              [this] { canvasWindow_->zoomIn(); });
    addAction(window, "mnuWindowZoomOut", "Zoom &Out", QKeySequence("Ctrl+-"),
              [this] { canvasWindow_->zoomOut(); });
    addAction(window, "mnuWindowActualSize", "&Actual Size", QKeySequence("Ctrl+0"),
              [this] { canvasWindow_->actualSize(); });
    connect(window, &QMenu::aboutToShow, this, [this, window] { buildWindowMenu(window); });

    QMenu* help = menuBar()->addMenu("&Help");
    help->setObjectName("mnuHelp");
    addAction(help, "mnuHelpContents", "Contents", QKeySequence(Qt::Key_F1), [this] {
        host_.showMessage("Sorry, no Help file for this version.", kProgramName, MessageIcon::None);
    });
    addAction(help, "mnuAboutMe", "About Strida", {}, [this] { showAbout(); });
}

void MainWindow::buildWindowMenu(QMenu* menu) {
    // The arrangement and zoom commands stay; the list of open child windows follows them.
    action("mnuWindowFitCanvas")->setChecked(canvasWindow_->fitted());
    const QList<QAction*> actions = menu->actions();
    for (int i = 7; i < actions.size(); ++i) {
        menu->removeAction(actions[i]);
        if (actions[i]->parent() == menu) delete actions[i];
    }
    menu->addSeparator();
    int n = 0;
    for (QMdiSubWindow* sub : mdi_->subWindowList()) {
        if (!sub->isVisible()) continue;
        QAction* a = menu->addAction(QString("&%1 %2").arg(++n).arg(sub->windowTitle()));
        a->setCheckable(true);
        a->setChecked(sub == mdi_->activeSubWindow());
        connect(a, &QAction::triggered, this, [this, sub] {
            sub->show();
            mdi_->setActiveSubWindow(sub);
        });
    }
}

namespace {
// Panels laid end to end in lines no longer than `length` (in `flip`'s terms: width along a line,
// height across the lines); a panel longer than that has a line of its own.
struct Line {
    std::vector<QMdiSubWindow*> windows;
    int depth = 0;
};
template <typename Flip>
std::vector<Line> packLines(const std::vector<QMdiSubWindow*>& panels, int length, Flip flip) {
    std::vector<Line> lines;
    int along = 0;
    for (QMdiSubWindow* panel : panels) {
        const QSize size = flip(panel->size());
        if (lines.empty() || along + size.width() > length) {
            lines.emplace_back();
            along = 0;
        }
        lines.back().windows.push_back(panel);
        lines.back().depth = std::max(lines.back().depth, size.height());
        along += size.width();
    }
    return lines;
}
}  // namespace

void MainWindow::tile(bool sideBySide) {
    // The panels keep their sizes and are laid end to end, wrapping onto a new row (side by side)
    // or column (one above the other) at the area's edge. The trap canvas, fitted to its window,
    // and the charts share the first line and all the room the panels leave. Panels that need more
    // than the area overlap, line over line, so that every window stays within the visible area.
    if (!mdi_->isVisible()) return;  // the start-up arrangement places them once shown
    const auto flip = [sideBySide](QSize s) { return sideBySide ? s : s.transposed(); };
    const auto at = [sideBySide](int along, int across) {
        return sideBySide ? QPoint(along, across) : QPoint(across, along);
    };
    mdi_->horizontalScrollBar()->setValue(0);
    mdi_->verticalScrollBar()->setValue(0);
    const QSize area = flip(mdi_->viewport()->size());
    std::vector<QMdiSubWindow*> panels, flexible;
    for (QMdiSubWindow* sub : mdi_->subWindowList())
        if (sub->isVisible()) (resizable(sub) ? flexible : panels).push_back(sub);
    const std::vector<Line> lines = packLines(panels, area.width(), flip);
    int depth = 0, deepest = 0;
    for (const Line& line : lines) depth += line.depth, deepest = std::max(deepest, line.depth);
    const int room = flexible.empty() ? 0
                                      : std::min(std::max(area.height() - depth, area.height() / 3),
                                                 std::max(0, area.height() - deepest));
    for (std::size_t i = 0; i < flexible.size(); ++i) {
        const int length = area.width() / static_cast<int>(flexible.size());
        if (flexible[i] == canvasWindow_) canvasWindow_->setFitted(true);
        flexible[i]->resize(flip(QSize(length, room)).expandedTo(flexible[i]->minimumSizeHint()));
        flexible[i]->move(at(static_cast<int>(i) * length, 0));
    }
    const int last = lines.empty() ? 0 : lines.back().depth;
    const int spare = area.height() - room - last;
    const double squeeze = depth - last > spare ? std::max(0.0, double(spare) / (depth - last)) : 1;
    int across = 0;
    for (const Line& line : lines) {
        int along = 0;
        for (QMdiSubWindow* sub : line.windows) {
            const int length = flip(sub->size()).width();
            const int lineAt = room + static_cast<int>(across * squeeze);
            sub->move(at(std::max(0, std::min(along, area.width() - length)),
                         std::max(0, std::min(lineAt, area.height() - line.depth))));
            along += length;
        }
        across += line.depth;
    }
}

void MainWindow::tileHorizontal() {
    tile(false);
}

void MainWindow::tileVertical() {
    tile(true);
}

void MainWindow::calibrate() {
    // The engine measures the trap it calibrates, so a calibration asked for during a step (the
    // canvas window resized) waits for the step's next point where events are let in.
    engine_->request([this] { calibrateNow(); });
}

bool MainWindow::calibrateNow() {
    // A rejected size leaves the canvas as it was: its trap, grid and scale.
    if (!engine_->calibrate()) return false;
    calibration_->showScale(host_.m2Twips());
    canvas_->setTrap(trapLengthOf(settings()), trapWidthOf(settings()), host_.m2Twips());
    replay_->redraw();
    // A canvas grown by its new trap moves the windows it now lies under out of its way, once it
    // has its size.
    QTimer::singleShot(0, this, [this] {
        for (const auto& [name, panel] : panels_)
            if (panel->isVisible() && panel->geometry().intersects(canvasWindow_->geometry()))
                placeClearOfCanvas(panel);
    });
    return true;
}

void MainWindow::setThreads(int threads) {
    parameters_->setThreads(threads);
}

const Settings& MainWindow::settings() const {
    return engine_->settings();
}

bool MainWindow::changeSetting(std::string_view name, std::string_view value) {
    return door_->change(name, value);
}

void MainWindow::syncGeneratorMarks() {
    action("mnuManualGenerator")->setChecked(settings().ManualGenerator);
    action("mnuPedGenerator")->setChecked(settings().PedGenerator);
}

void MainWindow::toggleGenerator(bool Settings::*mode) {
    const bool on = !(settings().*mode);
    changeSetting(mode == &Settings::ManualGenerator ? "ManualGenerator" : "PedGenerator",
                  on ? "1" : "0");
    // In manual mode clicks on the canvas pick a start and a target; the other mode's panel goes.
    const bool manual = settings().ManualGenerator;
    panelWindow(manual ? "frmAutoPedGenerator" : "frmManualPedGenerator")->hide();
    canvasWindow_->setMode(manual ? 1 : 0);
    // A mode switched on by its own item shows its panel; one switched on because the other was
    // switched off does not.
    if (on && mode == &Settings::ManualGenerator) {
        showPanel("frmManualPedGenerator");
    } else if (on) {
        showPanel("frmAutoPedGenerator");
        // The generator's settings are about the trap, so the trap comes with them.
        canvasWindow_->showPanel();
        panelWindow("frmAutoPedGenerator")->showPanel();
    }
}

void MainWindow::picked(QPointF from, QPointF to) {
    const double m2t = host_.m2Twips();
    const std::pair<const char*, double> positions[] = {{"InitialPx", from.x() * m2t},
                                                        {"InitialPy", from.y() * m2t},
                                                        {"TargetEx", to.x() * m2t},
                                                        {"TargetEy", to.y() * m2t}};
    for (auto [name, metres] : positions) changeSetting(name, pickedPositionText(metres));
    showPanel("frmManualPedGenerator");
}

void MainWindow::showAbout() {
    if (!about_) {
        about_ = new AboutBox(this);
        about_->showMessage = [this](const QString& text) {
            host_.showMessage(text.toStdString(), kProgramName, MessageIcon::None);
        };
    }
    about_->show();
    about_->raise();
}

void MainWindow::savePicture() {
    if (!pictureDialog_) {
        const auto folder = QString::fromStdString(engine_->reports().folder().string());
        pictureDialog_ = new PictureDialog(*canvas_, QDir(folder).filePath("trap.png"), this);
        pictureDialog_->save = [this](const QString& path, int width) {
            return savePictureAs(path, width);
        };
        pictureDialog_->confirmOverwrite = [this](const QString& question) {
            return confirm(question);
        };
    }
    pictureDialog_->exec();
}

bool MainWindow::savePictureAs(const QString& path, int widthPixels) {
    QString error;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool saved = saveCanvasPicture(*canvas_, path, widthPixels, error);
    QApplication::restoreOverrideCursor();
    if (!saved) {
        host_.showMessage(error.toStdString(), kProgramName, MessageIcon::Stop);
        return false;
    }
    status_[2]->setText("The picture is saved as " + QDir::toNativeSeparators(path) + ".");
    return true;
}

bool MainWindow::savePedestrianTable(const std::filesystem::path& file) {
    const RunTally& tally = engine_->tally();
    std::optional<std::string> error;
    if (tally.rows().empty())
        error =
            "There is no run to tabulate yet: the table holds the pedestrians of the run under "
            "way or of the last one";
    else if ((error = writePedestrianTable(file, tally.rows(), tally.dt())))
        (*error)[0] = static_cast<char>(std::toupper(static_cast<unsigned char>((*error)[0])));
    if (error) {
        host_.showMessage(*error + ".", kProgramName, MessageIcon::Stop);
        return false;
    }
    status_[2]->setText("The per-pedestrian table is saved as " +
                        QDir::toNativeSeparators(QString::fromStdString(file.string())) + ".");
    return true;
}

void MainWindow::openTrajectoryCommand() {
    if (engine_->runExists()) {
        openTrajectory({});  // says why not
        return;
    }
    const std::filesystem::path file = chooseTrajectory ? chooseTrajectory() : "";
    if (!file.empty()) openTrajectory(file);
}

bool MainWindow::openTrajectory(const std::filesystem::path& file) {
    if (engine_->runExists()) {
        host_.showMessage("Stop the run before replaying a trajectory.", kProgramName,
                          MessageIcon::Information);
        return false;
    }
    host_.setBusy(true);
    const MaybeError error = replay_->open(file);
    host_.setBusy(false);
    if (error) {
        host_.showMessage(error->description, kProgramName, MessageIcon::Stop);
        return false;
    }
    status_[0]->setText("Replay");
    canvasWindow_->showPanel();
    showPanel("frmReplay");
    return true;
}

void MainWindow::load() {
    showPanel("frmPerformance");
    mdi_->cascadeSubWindows();
    canvasWindow_->showPanel();
    tileHorizontal();
    calibrate();
    action("mnuPauseSimulation")->setEnabled(false);
}

void MainWindow::startStopCommand() {
    if (engine_->runExists()) {
        engine_->StartStopCommand();
        return;
    }
    // A run takes the trap canvas over from a replay.
    replay_->end();
    // The seed fixed on the seed panel, or none: then a run that writes any file draws one,
    // which its manifest.json records and the trajectories panel shows.
    engine_->setSeed(seed_->seed());
    engine_->StartStopCommand();
    if (!engine_->runExists()) return;
    series_.clear();
    emit runStarted();
    if (engine_->runSeed()) trajectories_->showSeed(*engine_->runSeed());
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (arranged_) return;
    arranged_ = true;
    // Once the frame has its size: the trap canvas at the top left, the performance panel beside
    // it.
    QTimer::singleShot(0, this, [this] {
        canvasWindow_->move(0, 0);
        panelWindow("frmPerformance")->move(canvasWindow_->width() + 4, 0);
        canvasWindow_->showPanel();
    });
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // With a run under way the user is asked first: a slip of the hand must not end it. Otherwise
    // closing ends the program at once, without a further step.
    if (engine_->runExists() &&
        !confirm("A run is under way. Exit Strida and stop it? Its files keep every step taken "
                 "so far.")) {
        event->ignore();
        return;
    }
    timer_->stop();
    // A run is stopped as the Stop command would, so that its files and its manifest are
    // complete; during a step, where the step lets events in.
    engine_->request([this] { engine_->shutDown(); });
    event->accept();
    QApplication::quit();
}

}  // namespace strida::ui
