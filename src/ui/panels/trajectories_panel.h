// "Trajectories": whether the runs write the position of every pedestrian at every step, in which
// format and under which name. The file goes to the report folder.
#pragma once

#include <QWidget>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <vector>

class QCheckBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace strida::ui {

class TrajectoriesPanel : public QWidget {
    Q_OBJECT
  public:
    explicit TrajectoriesPanel(const std::filesystem::path& reportFolder,
                               QWidget* parent = nullptr);
    // The trajectory files of the runs, named relative to the report folder: none while "Write
    // trajectories" is off.
    std::vector<std::filesystem::path> files() const;
    // Says which seed the last run with trajectories started from.
    void showSeed(std::uint64_t seed);

    // Called whenever files() has changed.
    std::function<void()> onFilesChanged;
    // Tells the user why a file name was not taken.
    std::function<void(const QString&)> showMessage;

  private:
    void addName(QGridLayout* grid, QWidget* frame);
    void nameEdited(const QString& text);
    void nameFinished();
    void changed();

    QCheckBox* write_ = nullptr;
    QRadioButton* sqlite_ = nullptr;
    QLineEdit* name_ = nullptr;
    QLabel* extension_ = nullptr;
    QLabel* seed_ = nullptr;
    QString taken_ = "trajectories";  // the last name that was good
};

// Why a trajectory file name cannot be taken, or an empty text when it can. The name is a plain
// file name in the report folder, without its extension.
QString trajectoryNameProblem(const QString& name);

}  // namespace strida::ui
