#include "ui/panels/manual_panel.h"

#include <QApplication>
#include <QFileDialog>
#include <QFrame>
#include <QGridLayout>

#include "core/numbers.h"
#include "engine/engine.h"
#include "measure/ped_data_file.h"
#include "ui/panels/bindings.h"

namespace strida::ui {

namespace {
// A position box only shows its value; what the user types into it is not used.
QLineEdit* positionBox(const char* name, QWidget* parent) {
    auto* box = new QLineEdit("0", parent);
    box->setObjectName(name);
    box->setMaximumWidth(90);  // as wide as the velocity boxes below it
    return box;
}
}  // namespace

ManualPanel::ManualPanel(Engine& engine, SettingsDoor& door, QWidget* parent)
    : QWidget(parent), engine_(engine), door_(door), generator_(engine) {
    setObjectName("frmManualPedGenerator");
    QFrame* frame = panelFrame(this, "FrameManualGenerator");
    auto* grid = new QGridLayout(frame);
    addPositionRows(frame, grid);
    addVelocityRow(frame, grid);
    addNumberRow(frame, grid, 4, "Maximum Speed:", "txtMaxSpeed", &Settings::MaxSpeed,
                 "ScrlMaxSpeed", 1333, "m/sec");
    addNumberRow(frame, grid, 5, "Maximum Acceleration:", "txtMaxAccl", &Settings::maxAcceleration,
                 "ScrlMaxAccl", 1440, "m/sec^2");
    addCommands(frame, grid);
    useFileDialog();
}

// One grid for the whole panel: captions, then the X (or speed) column, the comma, the Y column,
// the units, and the buttons on the right, so that the position and velocity boxes line up.
void ManualPanel::addPositionRows(QFrame* frame, QGridLayout* grid) {
    const std::pair<const char*, std::pair<const char*, const char*>> rows[] = {
        {"Initial Position (X,Y) :", {"txtManInitialPosX", "txtManInitialPosY"}},
        {"Target Position (X,Y):", {"txtManTargetPosX", "txtManTargetPosY"}},
    };
    int row = 0;
    for (const auto& [caption, boxes] : rows) {
        grid->addWidget(label(caption, frame), row, 0);
        grid->addWidget(positionBox(boxes.first, frame), row, 1);
        grid->addWidget(label(",", frame), row, 2, Qt::AlignCenter);
        grid->addWidget(positionBox(boxes.second, frame), row, 3);
        grid->addWidget(label("meter", frame), row, 4);
        ++row;
    }
}

void ManualPanel::addVelocityRow(QFrame* frame, QGridLayout* grid) {
    auto* vx = textBox("txtManInitialVelocityX", door_, &Settings::InitialVx, frame);
    auto* vy = textBox("txtManInitialVelocityY", door_, &Settings::InitialVy, frame);
    auto* vxBar = scrollBar("HScrollVx", 0, 4000, 0, 10, 100, frame);
    auto* vyBar = scrollBar("HScrollVy", 0, 4000, 0, 10, 100, frame);
    writesInto(vxBar, vx, &Settings::InitialVx);
    writesInto(vyBar, vy, &Settings::InitialVy);
    grid->addWidget(label("Initial Velocity (Vx,Vy):", frame), 2, 0);
    grid->addWidget(vx, 2, 1);
    grid->addWidget(label(",", frame), 2, 2, Qt::AlignCenter);
    grid->addWidget(vy, 2, 3);
    grid->addWidget(label("m/sec", frame), 2, 4);
    grid->addWidget(vxBar, 3, 1);
    grid->addWidget(vyBar, 3, 3);
}

void ManualPanel::addNumberRow(QFrame* frame, QGridLayout* grid, int row, const char* caption,
                               const char* box, std::string Settings::*setting, const char* bar,
                               int position, const char* unit) {
    auto* text = textBox(box, door_, setting, frame);
    auto* scroll = scrollBar(bar, 1, 4000, position, 10, 100, frame);
    writesInto(scroll, text, setting);
    grid->addWidget(label(caption, frame), row, 0);
    grid->addWidget(text, row, 1);
    grid->addWidget(scroll, row, 2, 1, 2);
    grid->addWidget(label(unit, frame), row, 4);
}

void ManualPanel::addCommands(QFrame* frame, QGridLayout* grid) {
    pedNumber_ = label("Pedestrian Number:", frame, "lblPedNumber");
    grid->addWidget(pedNumber_, 6, 0, 1, 5);
    QPushButton* buttons[] = {
        button("cmdCreatePed", "Create &This Pedestrian", frame, [this] { cmdCreatePed_Click(); }),
        button("cmdSavePedestrians", "&Save Pedestrians", frame,
               [this] { cmdSavePedestrians_Click(); }),
        button("cmdLoadPedestrians", "&Load Pedestrians", frame,
               [this] { cmdLoadPedestrians_Click(); }),
        button("cmdClose", "&Close", frame, [this] { hidePanel(this); })};
    const int rows[] = {0, 1, 2, 6};
    for (int i = 0; i < 4; ++i) {
        // Room around the longest caption, as the other panels' buttons have.
        const int padding = 2 * buttons[i]->fontMetrics().averageCharWidth();
        buttons[i]->setMinimumWidth(buttons[0]->sizeHint().width() + padding);
        grid->addWidget(buttons[i], rows[i], 5);
    }
    grid->setColumnMinimumWidth(5, buttons[0]->minimumWidth());
}

void ManualPanel::useFileDialog() {
    dialogFolder = QString::fromStdString(engine_.reports().folder().string());
    chooseFile = [this](const QString& folder) {
        QFileDialog dialog(this, "Load Pedestrians", folder, "Strida File (*.sdx)");
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setOption(QFileDialog::ReadOnly, false);
        dialog.selectFile("*.sdx");
        return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()
                   ? dialog.selectedFiles().first()
                   : QString();
    };
}

void ManualPanel::showPositions() {
    const std::pair<float Settings::*, const char*> positions[] = {
        {&Settings::InitialPx, "txtManInitialPosX"},
        {&Settings::InitialPy, "txtManInitialPosY"},
        {&Settings::TargetEx, "txtManTargetPosX"},
        {&Settings::TargetEy, "txtManTargetPosY"},
    };
    for (auto [field, box] : positions)
        setTextIfChanged(findChild<QLineEdit*>(box), num::shortest(door_.record().*field));
}

void ManualPanel::setPosition(const char* setting, float value) {
    door_.change(setting, num::shortest(value));
    showPositions();
}

void ManualPanel::setInitialPx(float v) {
    setPosition("InitialPx", v);
}
void ManualPanel::setInitialPy(float v) {
    setPosition("InitialPy", v);
}
void ManualPanel::setTargetEx(float v) {
    setPosition("TargetEx", v);
}
void ManualPanel::setTargetEy(float v) {
    setPosition("TargetEy", v);
}

// Pedestrians join the run's crowd through the engine's requests: made during a step, they wait
// for the step's next point where events are let in.
void ManualPanel::cmdCreatePed_Click() {
    engine_.request([this] {
        if (generator_.createPedestrian()) showPedNumber();
    });
}

void ManualPanel::cmdSavePedestrians_Click() {
    generator_.savePedestrians();
}

void ManualPanel::cmdLoadPedestrians_Click() {
    std::filesystem::path file = generator_.defaultFile();
    if (!std::filesystem::exists(file)) {
        const QString chosen = chooseFile ? chooseFile(dialogFolder) : QString();
        if (chosen.isEmpty()) return;  // cancelled: nothing to say
        engine_.host().setBusy(true);
        QApplication::processEvents();
        const std::filesystem::path path = chosen.toStdString();
        dialogFolder = QString::fromStdString(path.parent_path().string());
        file = dataFileFromDialog(path);
    }
    engine_.request([this, file] {
        generator_.loadPedestrians(file);
        showPedNumber();
        showPositions();  // the last pedestrian's start and target
    });
}

void ManualPanel::showPedNumber() {
    const int n = generator_.lastCreated();
    pedNumber_->setText(n == 0 ? QString("Pedestrian Number:")
                               : QString("Pedestrian Number: %1 is created.").arg(n));
}

}  // namespace strida::ui
