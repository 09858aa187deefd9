#include "ui/panels/calibration_panel.h"

#include <QFrame>
#include <QGridLayout>

#include "engine/calibration.h"
#include "ui/panels/bindings.h"

namespace strida::ui {

CalibrationPanel::CalibrationPanel(SettingsDoor& door, QWidget* parent)
    : QWidget(parent), door_(door) {
    setObjectName("frmCalibration");
    QFrame* frame = panelFrame(this, "FrameCalibration");
    auto* grid = new QGridLayout(frame);
    grid->addWidget(label("Pedestrian Trap Size:", frame, "lblExplanationTrap"), 0, 0, 1, 4);
    addTrapSize(frame, grid);
    addTimeSlice(frame, grid);
    grid->addWidget(
        checkBox("chkCorridorWalls", "Corri&dor Walls", door_, &Settings::CorridorWalls, frame), 4,
        0, 1, 3);
    addCommands(frame, grid);
    showArea();
}

void CalibrationPanel::addTrapSize(QFrame* frame, QGridLayout* grid) {
    auto* length = textBox("txtTrapLength", door_, &Settings::TrapLength, frame);
    auto* lengthBar = scrollBar("HScrollTrapLength", 10, 1500, 100, 1, 10, frame);
    writesInto(lengthBar, length, &Settings::TrapLength);
    auto* lengthRow = new QHBoxLayout;
    lengthRow->addWidget(lengthBar);
    lengthRow->addWidget(length);
    lengthRow->addWidget(label("meter", frame));
    grid->addLayout(lengthRow, 1, 1, 1, 2);

    auto* width = textBox("txtTrapWidth", door_, &Settings::TrapWidth, frame);
    auto* widthBar = scrollBar("HScrollTrapWidth", 10, 1500, 60, 1, 10, frame);
    writesInto(widthBar, width, &Settings::TrapWidth);
    auto* widthColumn = new QVBoxLayout;
    widthColumn->addWidget(widthBar);
    auto* widthRow = new QHBoxLayout;
    widthRow->addWidget(width);
    widthRow->addWidget(label("meter", frame));
    widthColumn->addLayout(widthRow);
    grid->addLayout(widthColumn, 2, 0);

    // The rectangle that pictures the trap, with the area inside it.
    auto* picture = new QFrame(frame);
    picture->setObjectName("shpTrap");
    picture->setFrameShape(QFrame::Box);
    picture->setMinimumSize(180, 90);
    auto* pictureLayout = new QVBoxLayout(picture);
    area_ = label("Area = 600.00 m2", picture, "lblArea");
    area_->setAlignment(Qt::AlignCenter);
    pictureLayout->addWidget(area_);
    grid->addWidget(picture, 2, 1, 1, 2);
}

void CalibrationPanel::addTimeSlice(QFrame* frame, QGridLayout* grid) {
    auto* dt = textBox("txtDT", door_, &Settings::DT, frame);
    auto* dtBar = scrollBar("HScrollDT", 1, 100, 15, 1, 10, frame);
    writesInto(dtBar, dt, &Settings::DT);
    auto* dtRow = new QHBoxLayout;
    dtRow->addWidget(label("Time slice (dt):          1/", frame, "lblDeltaTExplanation"));
    dtRow->addWidget(dt);
    dtRow->addWidget(label("second", frame, "lblSecond"));
    dtRow->addWidget(dtBar);
    grid->addLayout(dtRow, 3, 0, 1, 3);
}

void CalibrationPanel::addCommands(QFrame* frame, QGridLayout* grid) {
    scale_ = label("m/twips:", frame, "lblM2Twips");
    grid->addWidget(scale_, 5, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(button("cmdCalibrate", "&Calibrate", frame, [this] {
        if (onCalibrate) onCalibrate();
    }));
    buttons->addWidget(button("cmdClose", "&Close", frame, [this] { hidePanel(this); }));
    grid->addLayout(buttons, 6, 0, 1, 3);
}

void CalibrationPanel::showArea() {
    area_->setText(QString::fromStdString(areaLabel(door_.record())));
}

void CalibrationPanel::showScale(double m2Twips) {
    scale_->setText(QString::fromStdString(scaleLabel(m2Twips)));
}

}  // namespace strida::ui
