#include "ui/panels/frames_panel.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTemporaryFile>
#include <cmath>

#include "ui/canvas_picture.h"
#include "ui/panels/bindings.h"

namespace strida::ui {

namespace {
const char* const kLongestCount = "Frames saved in the latest run: 9999999";
const char* const kLongestRate = "Played at 1000.000 frames a second, the video runs in real time.";

QString shown(const QString& path) {
    return QDir::toNativeSeparators(path);
}
}  // namespace

QString frameFolderProblem(const QString& folder) {
    if (folder.isEmpty()) return "No folder is chosen for the video frames.";
    const QFileInfo info(folder);
    if (!info.exists()) return QString("The folder %1 does not exist.").arg(shown(folder));
    if (!info.isDir()) return QString("%1 is not a folder.").arg(shown(folder));
    // Whether a file can be made there is found by making one.
    QTemporaryFile probe(QDir(folder).filePath("frame-XXXXXX.tmp"));
    if (!probe.open())
        return QString("No file can be written into the folder %1: %2.")
            .arg(shown(folder), probe.errorString());
    return {};
}

FramesPanel::FramesPanel(TrapCanvas& canvas, const QString& folder, QWidget* parent)
    : QWidget(parent), canvas_(canvas) {
    setObjectName("frmVideoFrames");
    QFrame* frame = panelFrame(this, "frmFrames");
    auto* grid = new QGridLayout(frame);
    save_ = new QCheckBox("Save a frame every", frame);
    save_->setObjectName("chkSaveFrames");
    connect(save_, &QCheckBox::toggled, this, [this](bool on) {
        if (on) checkFolder();
    });
    every_ = new QSpinBox(frame);
    every_->setObjectName("txtFrameEvery");
    every_->setRange(1, 1'000'000);
    every_->setValue(1);
    connect(every_, &QSpinBox::valueChanged, this, [this] { showRate(); });
    auto* every = new QHBoxLayout;
    every->addWidget(save_);
    every->addWidget(every_);
    every->addWidget(label("steps", frame, "lblFrameSteps"));
    every->addStretch(1);
    grid->addLayout(every, 0, 0, 1, 2);
    addFolderRows(grid, frame, folder);
    grid->addWidget(label("Each run starts again at frame-000001.png, replacing the frames of "
                          "the run before.",
                          frame, "lblFrameNames"),
                    3, 0, 1, 2);
    rate_ = label(kLongestRate, frame, "lblFrameRate");
    rate_->setMinimumWidth(rate_->sizeHint().width());
    grid->addWidget(rate_, 4, 0, 1, 2);
    count_ = label(kLongestCount, frame, "lblFramesSaved");
    count_->setMinimumWidth(count_->sizeHint().width());
    grid->addWidget(count_, 5, 0, 1, 2);
    grid->addWidget(button("cmdClose", "&Close", frame, [this] { hidePanel(this); }), 6, 1,
                    Qt::AlignRight);
    chooseFolder = [this](const QString& from) {
        return QFileDialog::getExistingDirectory(this, "Folder for Video Frames", from);
    };
    showRate();
    showSaved();
}

void FramesPanel::addFolderRows(QGridLayout* grid, QWidget* frame, const QString& folder) {
    grid->addWidget(label("Into the folder:", frame), 1, 0, 1, 2);
    folder_ = new QLineEdit(folder, frame);
    folder_->setObjectName("txtFramesFolder");
    folder_->setCursorPosition(0);
    connect(folder_, &QLineEdit::editingFinished, this, [this] {
        if (saving()) checkFolder();
    });
    grid->addWidget(folder_, 2, 0);
    grid->addWidget(button("cmdBrowse", "&Browse...", frame, [this] { browse(); }), 2, 1);
}

bool FramesPanel::saving() const {
    return save_->isChecked();
}

int FramesPanel::every() const {
    return every_->value();
}

QString FramesPanel::folder() const {
    return folder_->text().trimmed();
}

QString FramesPanel::frameName(int number) {
    return QString("frame-%1.png").arg(number, 6, 10, QChar('0'));
}

void FramesPanel::browse() {
    const QString chosen = chooseFolder ? chooseFolder(folder()) : QString();
    if (chosen.isEmpty()) return;  // cancelled
    folder_->setText(chosen);
    folder_->setCursorPosition(0);
    if (saving()) checkFolder();
}

bool FramesPanel::checkFolder() {
    const QString problem = frameFolderProblem(folder());
    if (problem.isEmpty()) return true;
    turnOff(problem);
    return false;
}

void FramesPanel::turnOff(const QString& problem, bool inRun) {
    // Off before the message, so that no step taken while it is shown tries again.
    save_->setChecked(false);
    if (showMessage)
        showMessage(problem + " Saving video frames is turned off" +
                    (inRun ? "; the run goes on." : "."));
}

void FramesPanel::runStarted() {
    saved_ = 0;
    showSaved();
    showRate();
    if (!saving() || !checkFolder()) return;
    // The frames of this panel's last run go as the panel says; others only when the user agrees.
    const int old = folder() == ownFrames_ ? 0 : oldFrames();
    if (old > 0 && !(confirmReplace && confirmReplace(QString("%1 holds %2 video frame%3 saved "
                                                              "before. Replace them with this "
                                                              "run's frames?")
                                                          .arg(shown(folder()))
                                                          .arg(old)
                                                          .arg(old == 1 ? "" : "s"))))
        turnOff("The frames already in " + shown(folder()) + " are kept.");
}

void FramesPanel::stepTaken(int step) {
    if (!saving() || step % every() != 0) return;
    if (saved_ == 0) removeOldFrames();
    QString error;
    if (!saveCanvasFrame(canvas_, QDir(folder()).filePath(frameName(saved_ + 1)), error)) {
        turnOff(error, true);
        return;
    }
    ++saved_;
    ownFrames_ = folder();
    showSaved();
}

namespace {

QStringList framesIn(const QString& folder) {
    static const QRegularExpression frameFile("^frame-[0-9]{6,}\\.png$");
    QStringList frames;
    for (const QString& name : QDir(folder).entryList({"frame-*.png"}, QDir::Files))
        if (frameFile.match(name).hasMatch()) frames.push_back(name);
    return frames;
}

}  // namespace

int FramesPanel::oldFrames() const {
    return static_cast<int>(framesIn(folder()).size());
}

void FramesPanel::removeOldFrames() {
    QDir dir(folder());
    for (const QString& name : framesIn(folder())) dir.remove(name);
}

void FramesPanel::showSaved() {
    count_->setText(QString("Frames saved in the latest run: %1").arg(saved_));
}

void FramesPanel::showRate() {
    const double dt = stepSeconds ? stepSeconds() : 0;
    const double rate = 1 / (dt * every());
    if (!(dt > 0) || !std::isfinite(rate)) {
        rate_->clear();
        return;
    }
    QString number = QString::number(rate, 'f', 3);
    while (number.endsWith('0')) number.chop(1);
    if (number.endsWith('.')) number.chop(1);
    rate_->setText(
        QString("Played at %1 frames a second, the video runs in real time.").arg(number));
}

void FramesPanel::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    showRate();
}

}  // namespace strida::ui
