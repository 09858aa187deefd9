// "Manual Pedestrian Generator": one pedestrian at a time, from a start and a target picked on the
// trap canvas, with its velocity, maximum speed and maximum acceleration; and the commands that
// save the hand-made pedestrians to a data file and load them back.
#pragma once

#include <QString>
#include <QWidget>
#include <functional>

#include "engine/manual_generator.h"
#include "engine/settings.h"

class QFrame;
class QGridLayout;
class QLabel;
class QLineEdit;

namespace strida {
class Engine;
}

namespace strida::ui {

class SettingsDoor;

class ManualPanel : public QWidget {
    Q_OBJECT
  public:
    ManualPanel(Engine& engine, SettingsDoor& door, QWidget* parent = nullptr);

    ManualGenerator& generator() { return generator_; }

    // The four picked positions, in metres: set through the door and shown in their boxes.
    void setInitialPx(float inputInitialPx);
    void setInitialPy(float inputInitialPy);
    void setTargetEx(float inputTargetEx);
    void setTargetEy(float inputTargetEy);
    // Shows the four positions that the settings hold in their boxes (after a pick set them).
    void showPositions();

    void cmdCreatePed_Click();
    void cmdSavePedestrians_Click();
    void showPedNumber();
    void cmdLoadPedestrians_Click();

    // Asks for a data file to open, starting in `folder`; empty when the user cancels. The
    // desktop asks with an open-file dialog.
    std::function<QString(const QString& folder)> chooseFile;
    // The folder the next open-file dialog starts in.
    QString dialogFolder;

  private:
    // The rows of the panel, top to bottom, then its buttons; the order they are built in is the
    // tab order.
    void addPositionRows(QFrame* frame, QGridLayout* grid);
    void addVelocityRow(QFrame* frame, QGridLayout* grid);
    // A number of the next pedestrian: its box, the scroll bar beside it, and its unit.
    void addNumberRow(QFrame* frame, QGridLayout* grid, int row, const char* caption,
                      const char* box, std::string Settings::*setting, const char* bar,
                      int position, const char* unit);
    void addCommands(QFrame* frame, QGridLayout* grid);
    void useFileDialog();
    void setPosition(const char* setting, float value);

    Engine& engine_;
    SettingsDoor& door_;
    ManualGenerator generator_;
    QLabel* pedNumber_;
};

}  // namespace strida::ui
