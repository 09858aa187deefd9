// "Video Frames": while on, every K-th step of a run saves the trap canvas as a picture,
// frame-000001.png, frame-000002.png, ..., numbered from 1 in each run, into a folder, to be made
// into a video with another program. A folder that cannot take them turns the option off with one
// message; the run goes on.
#pragma once

#include <QWidget>
#include <functional>

class QCheckBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QSpinBox;

namespace strida::ui {

class TrapCanvas;

class FramesPanel : public QWidget {
    Q_OBJECT
  public:
    FramesPanel(TrapCanvas& canvas, const QString& folder, QWidget* parent = nullptr);

    bool saving() const;
    // K: a frame is saved after every step whose number is a multiple of it.
    int every() const;
    QString folder() const;
    // The frames saved since the run started.
    int saved() const { return saved_; }
    // The file name of a frame: frame-000001.png for the first.
    static QString frameName(int number);

    // A run has started: its first frame is frame-000001.png.
    void runStarted();
    // A step of the run has been taken and drawn on the canvas (painted or not).
    void stepTaken(int step);

    // Tells the user why frames cannot be saved.
    std::function<void(const QString&)> showMessage;
    // Asked before a run replaces frames this panel did not save (of another session, or put
    // there by hand); none replaces them without asking.
    std::function<bool(const QString& question)> confirmReplace;
    // The seconds one step stands for, to tell the frame rate of a video in real time.
    std::function<double()> stepSeconds;
    // The Browse... dialog: a folder chosen from this one, or an empty text when cancelled.
    std::function<QString(const QString& folder)> chooseFolder;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void addFolderRows(QGridLayout* grid, QWidget* frame, const QString& folder);
    void browse();
    // Turns saving off with a message when the folder cannot take frames; true when it can.
    bool checkFolder();
    void turnOff(const QString& problem, bool inRun = false);
    // Removes the frames an earlier run left in the folder, so that a video holds one run only.
    void removeOldFrames();
    // Frames in the folder, as a run would replace them.
    int oldFrames() const;
    void showSaved();
    void showRate();
    QString ownFrames_;  // the folder whose frames the last run of this panel saved

    TrapCanvas& canvas_;
    QCheckBox* save_ = nullptr;
    QSpinBox* every_ = nullptr;
    QLineEdit* folder_ = nullptr;
    QLabel* rate_ = nullptr;
    QLabel* count_ = nullptr;
    int saved_ = 0;
};

// Why frames cannot be saved into this folder, or an empty text when they can.
QString frameFolderProblem(const QString& folder);

}  // namespace strida::ui
