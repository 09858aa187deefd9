// Scenario files from the Input menu. Opening puts every setting back exactly as saved (the saved
// state is consistent, so no rule that ties one setting to another runs on it), on a clean slate
// as the batch runner opens it, and shows it on every panel; saving writes the settings as they
// stand, the seed of the next runs, the hand-made pedestrians and a description.
// Refreshing the panels after any change of a setting lives here too.
#include <QFileDialog>
#include <QInputDialog>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTimer>

#include "core/program.h"
#include "engine/engine.h"
#include "engine/scenario.h"
#include "engine/scenario_opening.h"
#include "ui/canvas_window.h"
#include "ui/main_window.h"
#include "ui/panels/auto_panel.h"
#include "ui/panels/bindings.h"
#include "ui/panels/calibration_panel.h"
#include "ui/panels/manual_panel.h"
#include "ui/panels/seed_panel.h"
#include "ui/trap_canvas.h"

namespace strida::ui {
namespace {

std::string sentence(std::string text) {
    if (!text.empty())
        text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    return text.ends_with('.') ? text : text + ".";
}

}  // namespace

bool MainWindow::openScenario(const std::filesystem::path& file) {
    auto refuse = [this](const std::string& why) {
        host_.showMessage(why, kProgramName, MessageIcon::Stop);
        return false;
    };
    if (engine_->runExists()) return refuse("Stop the run before opening a scenario.");
    Scenario scenario;
    if (MaybeError error = readScenario(file, scenario))
        return refuse(sentence(error->description));
    const Settings before = settings();
    const ScenarioOpening how{file, {}, [this] { return calibrateNow(); }};
    if (MaybeError error = strida::openScenario(*engine_, manual_->generator(), scenario, how))
        return refuse(sentence(error->description));
    seed_->setSeed(scenario.seed);
    scenarioDescription_ = scenario.description;
    showSettings({}, differences(before, settings()));
    manual_->showPedNumber();
    canvasWindow_->setMode(settings().ManualGenerator ? 1 : 0);
    setWindowTitle(
        QString("%1 - %2").arg(kWindowTitle, QString::fromStdString(file.stem().string())));
    return true;
}

bool MainWindow::saveScenario(const std::filesystem::path& file) {
    Scenario scenario = scenarioOf(settings());
    scenario.description = scenarioDescription_;
    scenario.seed = seed_->seed();
    scenario.pedestrians = manual_->generator().ManualPedList();
    scenario.hasPedestrians = !scenario.pedestrians.empty();
    if (MaybeError error = writeScenario(file, scenario)) {
        host_.showMessage(sentence(error->description), kProgramName, MessageIcon::Stop);
        return false;
    }
    return true;
}

void MainWindow::showSettings(std::string_view name, const std::vector<std::string_view>& changed) {
    const Settings& s = settings();
    showBoundSettings(this, s, name, changed);
    auto_->showState();
    manual_->showPositions();
    syncGeneratorMarks();
    if (auto* bar = findChild<QScrollBar*>("ScrlSimSpeed"); bar && bar->value() != s.SimSpeed) {
        const QSignalBlocker quiet(bar);
        bar->setValue(s.SimSpeed);
    }
    timer_->setInterval(s.SimSpeed);
    calibration_->showArea();
    canvas_->setWalls(corridorWalls(s));
}

void MainWindow::chooseScenarioToOpen() {
    const QString file = QFileDialog::getOpenFileName(
        this, "Open Scenario", QString::fromStdString(engine_->reports().folder().string()),
        "Strida scenario (*.json);;All files (*)");
    if (!file.isEmpty()) openScenario(file.toStdString());
}

void MainWindow::chooseScenarioToSave() {
    QString file = QFileDialog::getSaveFileName(
        this, "Save Scenario", QString::fromStdString(engine_->reports().folder().string()),
        "Strida scenario (*.json)");
    if (file.isEmpty()) return;
    if (!file.endsWith(".json", Qt::CaseInsensitive)) file += ".json";
    bool ok = false;
    const QString description = QInputDialog::getMultiLineText(
        this, "Save Scenario",
        "Description of the scenario:", QString::fromStdString(scenarioDescription_), &ok);
    if (!ok) return;
    scenarioDescription_ = description.toStdString();
    saveScenario(file.toStdString());
}

}  // namespace strida::ui
