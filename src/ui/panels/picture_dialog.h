// "Save Picture": the file a picture of the trap canvas goes to, its format chosen by the file's
// extension (.png or .svg), and its size: the canvas's own, or a chosen width in pixels with the
// height in proportion.
#pragma once

#include <QDialog>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace strida::ui {

class TrapCanvas;

class PictureDialog : public QDialog {
    Q_OBJECT
  public:
    PictureDialog(const TrapCanvas& canvas, const QString& path, QWidget* parent = nullptr);

    QString path() const;
    // The chosen width in pixels, or 0 for the canvas's own size.
    int widthPixels() const;

    // Saves the picture as chosen; true when it was saved, and the dialog closes. Otherwise it
    // stays open, for another choice.
    std::function<bool(const QString& path, int widthPixels)> save;
    // Asked before a file that exists is written over; none writes over without asking.
    std::function<bool(const QString& question)> confirmOverwrite;
    // The Browse... dialog: a file chosen from this one, or an empty text when cancelled.
    std::function<QString(const QString& path)> chooseFile;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void browse();
    void saveClicked();
    void showSizes();

    const TrapCanvas& canvas_;
    QLineEdit* path_ = nullptr;
    QRadioButton* canvasSize_ = nullptr;
    QRadioButton* width_ = nullptr;
    QSpinBox* pixels_ = nullptr;
    QLabel* height_ = nullptr;
    QPushButton* saveButton_ = nullptr;
    QString confirmed_;  // chosen through Browse..., whose dialog asked about writing over it
};

// A save dialog for a PNG image or an SVG drawing; a name typed without an extension gets that
// of the chosen type.
QString choosePictureFile(QWidget* parent, const QString& path);

}  // namespace strida::ui
