#include "ui/panels/picture_dialog.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QRadioButton>
#include <QSpinBox>

#include "ui/canvas_picture.h"
#include "ui/panels/bindings.h"
#include "ui/trap_canvas.h"

namespace strida::ui {

namespace {
const char* const kPng = "PNG image (*.png)";
const char* const kSvg = "SVG drawing (*.svg)";
}  // namespace

QString choosePictureFile(QWidget* parent, const QString& path) {
    QString filter = QFileInfo(path).suffix().toLower() == "svg" ? kSvg : kPng;
    QString chosen = QFileDialog::getSaveFileName(parent, "Save Picture", path,
                                                  QString(kPng) + ";;" + kSvg, &filter);
    if (!chosen.isEmpty() && QFileInfo(chosen).suffix().isEmpty())
        chosen += filter == kSvg ? ".svg" : ".png";
    return chosen;
}

PictureDialog::PictureDialog(const TrapCanvas& canvas, const QString& path, QWidget* parent)
    : QDialog(parent), canvas_(canvas) {
    setObjectName("dlgSavePicture");
    setWindowTitle("Save Picture");
    auto* grid = new QGridLayout(this);
    grid->addWidget(label("File:", this), 0, 0);
    path_ = new QLineEdit(path, this);
    path_->setObjectName("txtPictureFile");
    path_->setMinimumWidth(path_->fontMetrics().horizontalAdvance('x') * 48);
    grid->addWidget(path_, 0, 1);
    grid->addWidget(button("cmdBrowse", "&Browse...", this, [this] { browse(); }), 0, 2);
    QLabel* format = label(
        "The extension chooses the format: .png for an image, .svg for a "
        "drawing whose circles stay sharp at any size.",
        this, "lblPictureFormat");
    format->setWordWrap(true);
    grid->addWidget(format, 1, 0, 1, 3);

    auto* size = new QGroupBox("Size", this);
    size->setObjectName("frmPictureSize");
    auto* rows = new QGridLayout(size);
    canvasSize_ = new QRadioButton(size);
    canvasSize_->setObjectName("optCanvasSize");
    canvasSize_->setChecked(true);
    rows->addWidget(canvasSize_, 0, 0, 1, 3);
    width_ = new QRadioButton("Width in pixels:", size);
    width_->setObjectName("optWidth");
    rows->addWidget(width_, 1, 0);
    pixels_ = new QSpinBox(size);
    pixels_->setObjectName("txtPictureWidth");
    pixels_->setRange(kNarrowestPicture, kWidestPicture);
    pixels_->setValue(1920);
    pixels_->setEnabled(false);
    rows->addWidget(pixels_, 1, 1);
    height_ = label("", size, "lblPictureHeight");
    rows->addWidget(height_, 1, 2);
    rows->setColumnStretch(2, 1);
    grid->addWidget(size, 2, 0, 1, 3);
    connect(width_, &QRadioButton::toggled, pixels_, &QSpinBox::setEnabled);
    connect(pixels_, &QSpinBox::valueChanged, this, [this] { showSizes(); });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel, this);
    saveButton_ = buttons->button(QDialogButtonBox::Save);
    saveButton_->setObjectName("cmdSave");
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("cmdCancel");
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { saveClicked(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(path_, &QLineEdit::textChanged, this,
            [this](const QString& text) { saveButton_->setEnabled(!text.trimmed().isEmpty()); });
    grid->addWidget(buttons, 3, 0, 1, 3);
    chooseFile = [this](const QString& from) { return choosePictureFile(this, from); };
    showSizes();
}

QString PictureDialog::path() const {
    return path_->text().trimmed();
}

int PictureDialog::widthPixels() const {
    return width_->isChecked() ? pixels_->value() : 0;
}

void PictureDialog::showSizes() {
    const QSize own = canvas_.size();
    canvasSize_->setText(QString("Canvas size: %1 × %2 pixels").arg(own.width()).arg(own.height()));
    height_->setText(
        QString("× %1 pixels high").arg(pictureSize(canvas_, pixels_->value()).height()));
}

void PictureDialog::showEvent(QShowEvent* event) {
    // The canvas may have changed size since the dialog was last open.
    showSizes();
    QDialog::showEvent(event);
}

void PictureDialog::browse() {
    const QString chosen = chooseFile ? chooseFile(path()) : QString();
    if (!chosen.isEmpty()) path_->setText(chosen);
    confirmed_ = chosen;
}

void PictureDialog::saveClicked() {
    // The dialog opens with the last name filled in: saving again must not silently replace the
    // picture saved before.
    if (QFileInfo::exists(path()) && path() != confirmed_ &&
        !(confirmOverwrite &&
          confirmOverwrite(QDir::toNativeSeparators(path()) + " already exists. Replace it?")))
        return;
    if (save && save(path(), widthPixels())) accept();
}

}  // namespace strida::ui
