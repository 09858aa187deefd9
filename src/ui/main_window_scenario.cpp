// Scenario files from the Input menu. Opening puts every setting back exactly as saved (the saved
// state is consistent, so no rule that ties one setting to another runs on it) and shows it on
// every panel; saving writes the settings as they stand, the seed of the next runs, the hand-made
// pedestrians and a description.
#include <QFileDialog>
#include <QInputDialog>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTimer>

#include "core/program.h"
#include "engine/engine.h"
#include "engine/scenario.h"
#include "ui/canvas_window.h"
#include "ui/main_window.h"
#include "ui/panels/auto_panel.h"
#include "ui/panels/bindings.h"
#include "ui/panels/manual_panel.h"
#include "ui/panels/seed_panel.h"

namespace strida::ui {
namespace {

std::string sentence(std::string text) {
    if (!text.empty())
        text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    return text + ".";
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
    if (MaybeError error = applyScenario(settings_, scenario))
        return refuse(sentence(file.string() + ": " + error->description));
    if (scenario.hasPedestrians) manual_->generator().createPedestrians(scenario.pedestrians);
    showSettings();
    seed_->setSeed(scenario.seed);
    scenarioDescription_ = scenario.description;
    return true;
}

bool MainWindow::saveScenario(const std::filesystem::path& file) {
    Scenario scenario = scenarioOf(settings_);
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

void MainWindow::showSettings() {
    showBoundSettings(this);
    auto_->showWays();
    manual_->showPositions();
    syncGeneratorMarks();
    canvasWindow_->setMode(settings_.ManualGenerator ? 1 : 0);
    if (auto* bar = findChild<QScrollBar*>("ScrlSimSpeed")) {
        const QSignalBlocker quiet(bar);
        bar->setValue(settings_.SimSpeed);
    }
    timer_->setInterval(settings_.SimSpeed);
    // The trap may have another size now: the canvas takes its proportions.
    calibrate();
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
