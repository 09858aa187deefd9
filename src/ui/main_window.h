// The main window "Strida": the multi-document frame with the menus that drive the program, the
// status bar, the timer that steps the simulation, the trap canvas and the panels.
#pragma once

#include <QMainWindow>
#include <QPointF>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/settings.h"
#include "measure/step_series.h"
#include "ui/qt_host.h"

class QLabel;
class QMdiArea;
class QMenu;
class QTimer;

namespace strida {
class Engine;
}

namespace strida::ui {

class CanvasWindow;
class ChartsWindow;
class AboutBox;
class AutoPanel;
class CalibrationPanel;
class FramesPanel;
class ManualPanel;
class PanelWindow;
class ParametersPanel;
class PerformancePanel;
class PictureDialog;
class SettingsDoor;
class ReplayPanel;
class SeedPanel;
class TrajectoriesPanel;
class TrapCanvas;

// The window's own title; an opened scenario's name follows it ("... - two-way-corridor").
extern const char* const kWindowTitle;

class MainWindow : public QMainWindow {
    Q_OBJECT
  public:
    explicit MainWindow(const std::filesystem::path& reportFolder, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The settings as the engine holds them; every change goes through changeSetting.
    const Settings& settings() const;
    // Hands one setting's new value to the engine's door, as a control does, and shows the result
    // on every panel. Returns whether the value was taken.
    bool changeSetting(std::string_view name, std::string_view value);
    Engine& engine() { return *engine_; }
    QtHost& host() { return host_; }
    QMdiArea* mdiArea() const { return mdi_; }
    TrapCanvas* canvas() const { return canvas_; }
    CanvasWindow* canvasWindow() const { return canvasWindow_; }
    CalibrationPanel* calibrationPanel() const { return calibration_; }
    PerformancePanel* performancePanel() const { return performance_; }
    ManualPanel* manualPanel() const { return manual_; }
    AutoPanel* autoPanel() const { return auto_; }
    ParametersPanel* parametersPanel() const { return parameters_; }
    AboutBox* aboutBox() const { return about_; }
    ChartsWindow* chartsWindow() const { return charts_; }
    ReplayPanel* replayPanel() const { return replay_; }
    // The child window of a panel by the panel's name ("frmCalibration", ...).
    PanelWindow* panelWindow(const std::string& name) const;
    QAction* action(const char* name) const;
    QLabel* statusPanel(int panel) const;
    QTimer* timer() const { return timer_; }
    // The figures of every step of the current run (or of the last, once it has ended).
    const std::vector<StepFigures>& stepSeries() const { return series_; }

    // Scenario files: opening gives a clean slate (see openScenario in engine/scenario_opening.h):
    // every setting back as saved, the trap calibrated, the scenario's hand-made pedestrians in
    // place of any made before, its seed; then every panel shows it and the title names it.
    // Refused with a message (nothing changed) during a run or for a file with anything wrong.
    // Saving writes the settings as they stand.
    bool openScenario(const std::filesystem::path& file);
    bool saveScenario(const std::filesystem::path& file);
    // Asks which trajectory file to replay ("Open Trajectory..."); an empty path when none was
    // chosen. A file dialog unless replaced (by the tests).
    std::function<std::filesystem::path()> chooseTrajectory;
    // Replays the file in the replay panel, or says why not: no trajectory is replayed while a run
    // exists, and a file that cannot be read changes nothing.
    bool openTrajectory(const std::filesystem::path& file);

    // "Per-Pedestrian Table...": every pedestrian's own figures in the run under way or the last
    // one, written as comma-separated values into a file the user chooses (chooseTableFile).
    // Says why not when no run has been made yet or the file cannot be written.
    bool savePedestrianTable(const std::filesystem::path& file);
    std::function<std::filesystem::path()> chooseTableFile;

    // Asks a yes-or-no question; a message box unless replaced (by the tests).
    std::function<bool(const QString&)> confirm;
    // "Report Folder...": asks for the folder the reports go to (chooseReportFolder, a folder
    // dialog unless replaced), then makes the next runs write there. Refused with a message while
    // a run exists or for a path that is not a folder.
    bool setReportFolder(const std::filesystem::path& folder);
    std::function<std::filesystem::path()> chooseReportFolder;
    // The status bar's note of where the reports go, which each start replaces.
    QLabel* reportFolderLabel() const { return reportFolder_; }

    // How many threads a simultaneous step uses (0: every core), set on the parameters panel's
    // thread control, which hands it to the engine. Not a setting: nothing saves it.
    void setThreads(int threads);

    // The calibration panel's calibrate command; returns whether the trap was calibrated.
    // Calibrates at the step's next point where events are let in (at once between steps).
    void calibrate();
    // Calibrates now; false when the trap's size is refused. Only between steps.
    bool calibrateNow();
    void tileHorizontal();
    void tileVertical();

  signals:
    // A run has started: the step series is empty again.
    void runStarted();
    // A step has been taken and its figures added to the step series.
    void stepTaken();

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    // Parts of the window, built in this order by the constructor.
    void createCanvas();
    void createPanels();
    void buildStatusBar();
    void showReportFolder();
    void buildMenus();
    void buildWindowMenu(QMenu* menu);
    PanelWindow* addPanel(QWidget* panel, const QString& caption, bool fixedSize = true);
    void createCharts();
    QAction* addAction(QMenu* menu, const char* name, const QString& caption,
                       const QKeySequence& key, std::function<void()> command);
    // Shows a panel where it leaves the trap canvas uncovered, when the area has room for that.
    void showPanel(const std::string& name);
    void placeClearOfCanvas(PanelWindow* panel);
    // Lays the visible child windows end to end, side by side or one above the other.
    void tile(bool sideBySide);
    void load();
    // The menu items "&Manual Generator" and "&Auto Generator".
    void toggleGenerator(bool Settings::*mode);
    void syncGeneratorMarks();
    void picked(QPointF from, QPointF to);
    void showAbout();
    // Every panel shows what the settings hold, after a change (`name` and the settings whose
    // values `changed`, as SettingsDoor tells them) or after they were put back whole.
    void showSettings(std::string_view name, const std::vector<std::string_view>& changed);
    void chooseScenarioToOpen();
    void chooseScenarioToSave();
    // "Save Picture...": the dialog, then the picture; a failure says why and leaves the dialog
    // open.
    void savePicture();
    bool savePictureAs(const QString& path, int widthPixels);
    // "Open Trajectory...": refused while a run exists, before any file is asked for.
    void openTrajectoryCommand();
    // The Start/Stop command. A run starts from the seed fixed on the seed panel, or, when it
    // writes any file, from one the engine draws and records in manifest.json.
    void startStopCommand();

    HostView view_;
    QtHost host_{view_};
    std::unique_ptr<Engine> engine_;
    std::unique_ptr<SettingsDoor> door_;
    QMdiArea* mdi_ = nullptr;
    TrapCanvas* canvas_ = nullptr;
    CanvasWindow* canvasWindow_ = nullptr;
    CalibrationPanel* calibration_ = nullptr;
    PerformancePanel* performance_ = nullptr;
    ManualPanel* manual_ = nullptr;
    AutoPanel* auto_ = nullptr;
    ParametersPanel* parameters_ = nullptr;
    AboutBox* about_ = nullptr;
    TrajectoriesPanel* trajectories_ = nullptr;
    SeedPanel* seed_ = nullptr;
    FramesPanel* frames_ = nullptr;
    PictureDialog* pictureDialog_ = nullptr;
    ChartsWindow* charts_ = nullptr;
    ReplayPanel* replay_ = nullptr;
    std::string scenarioDescription_;  // of the scenario opened or saved last
    std::vector<StepFigures> series_;
    std::map<std::string, PanelWindow*> panels_;
    QLabel* status_[3] = {nullptr, nullptr, nullptr};
    QLabel* reportFolder_ = nullptr;
    QTimer* timer_ = nullptr;
    bool arranged_ = false;
};

}  // namespace strida::ui
