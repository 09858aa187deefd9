#include "ui/canvas_picture.h"

#include <QBuffer>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QFontMetrics>
#include <QImageWriter>
#include <QPainter>
#include <QPointer>
#include <QSaveFile>
#include <QSvgGenerator>
#include <algorithm>
#include <cmath>
#include <thread>

#include "ui/trap_canvas.h"

namespace strida::ui {

namespace {

// Pictures of more pixels than this are encoded while the window goes on.
constexpr qint64 kLargePicture = 1'000'000;

QString shown(const QString& path) {
    return QDir::toNativeSeparators(path);
}

// The run mark's source and the object it belongs to.
struct MarkSource {
    QPointer<const QObject> owner;
    std::function<RunMark()> mark;
};
MarkSource& markSource() {
    static MarkSource source;
    return source;
}

// The stamp's font: a small sans-serif, in pixels of the picture, larger on a large picture.
QFont stampFont(QSize picture) {
    QFont font("Sans Serif");
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(std::clamp(picture.height() / 40, 10, 200));
    return font;
}

// Paints the canvas at the picture's size: as on the screen at the canvas's own scale, in shapes
// otherwise or when asked; with the run's stamp in the corner.
void paint(TrapCanvas& canvas, QPaintDevice& device, QSize size, bool vector) {
    const double scale = static_cast<double>(size.width()) / canvas.width();
    QPainter p(&device);
    canvas.paintScene(p, scale, vector || size != canvas.size());
    drawStamp(p, size, pictureStamp());
}

// Opens the file for the picture (what: "picture" or "frame"); false with a message when it
// cannot.
bool open(QFileDevice& file, const QString& path, const char* what, QString& error) {
    const QFileInfo info(path);
    const QDir folder = info.absoluteDir();
    QString problem;
    if (!folder.exists())
        problem = QString("the folder %1 does not exist").arg(shown(folder.path()));
    else if (info.isDir())
        problem = "that is a folder";
    else if (file.open(QIODevice::WriteOnly))
        return true;
    else
        problem = file.errorString();
    error = QString("The %1 cannot be saved as %2: %3.").arg(what, shown(path), problem);
    return false;
}

void writeSvg(TrapCanvas& canvas, QSaveFile& file, int widthPixels) {
    const QSize size = pictureSize(canvas, widthPixels);
    QSvgGenerator svg;
    svg.setOutputDevice(&file);
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    // At the resolution of a web page's pixels, a viewer shows it at its size in pixels.
    svg.setResolution(96);
    svg.setTitle("Pedestrian Trap");
    svg.setDescription("The trap canvas of Strida");
    paint(canvas, svg, size, true);
}

// The PNG file of an image. A large one (whose encoding takes from a fraction of a second to many
// seconds) is encoded in a thread of its own while the window goes on with its events, though
// not with the user's input: it keeps painting, and a run keeps running, meanwhile.
QByteArray encodePng(QImage image, QString& problem) {
    auto encode = [](const QImage& picture, QString& why) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "png");
        if (writer.write(picture)) return bytes;
        why = writer.errorString();
        return QByteArray();
    };
    if (qint64(image.width()) * image.height() < kLargePicture) return encode(image, problem);
    QByteArray bytes;
    QEventLoop waiting;
    std::thread encoder([&] {
        bytes = encode(image, problem);
        QMetaObject::invokeMethod(&waiting, &QEventLoop::quit, Qt::QueuedConnection);
    });
    waiting.exec(QEventLoop::ExcludeUserInputEvents);
    encoder.join();
    return bytes;
}

}  // namespace

QString runStamp(const RunMark& mark) {
    const QString seed = mark.seed ? QString("seed %1").arg(*mark.seed) : QString("seed unknown");
    return QString("%1 · t = %2 s").arg(seed, QString::number(mark.seconds, 'f', 2));
}

void setRunMark(const QObject* owner, std::function<RunMark()> mark) {
    markSource() = {owner, std::move(mark)};
}

QString pictureStamp() {
    const MarkSource& source = markSource();
    if (!source.owner || !source.mark) return {};
    return runStamp(source.mark());
}

QRect stampArea(QSize picture, const QString& stamp) {
    const QFontMetrics metrics(stampFont(picture));
    const int pad = std::max(2, metrics.height() / 5);
    const QSize box(metrics.horizontalAdvance(stamp) + 2 * pad, metrics.height() + 2 * pad);
    return QRect(QPoint(picture.width() - box.width(), picture.height() - box.height()), box);
}

void drawStamp(QPainter& p, QSize picture, const QString& stamp) {
    if (stamp.isEmpty()) return;
    const QRect area = stampArea(picture, stamp);
    p.save();
    p.resetTransform();
    p.setClipping(false);
    p.fillRect(area, QColor(255, 255, 255, 210));
    p.setFont(stampFont(picture));
    p.setPen(QColor(0x30, 0x30, 0x30));
    p.drawText(area, Qt::AlignCenter, stamp);
    p.restore();
}

QSize pictureSize(const TrapCanvas& canvas, int widthPixels) {
    if (widthPixels == 0) return canvas.size();
    const double height = static_cast<double>(widthPixels) * canvas.height() / canvas.width();
    return {widthPixels, std::max(1, static_cast<int>(std::lround(height)))};
}

QString pictureWidthProblem(const TrapCanvas& canvas, int widthPixels) {
    if (widthPixels == 0) return {};
    if (widthPixels < kNarrowestPicture || widthPixels > kWidestPicture)
        return QString("A picture is from %1 to %2 pixels wide, not %3.")
            .arg(kNarrowestPicture)
            .arg(kWidestPicture)
            .arg(widthPixels);
    const int height = pictureSize(canvas, widthPixels).height();
    if (height > kWidestPicture)
        return QString(
                   "A picture %1 pixels wide would be %2 pixels high, more than %3: choose a "
                   "smaller width.")
            .arg(widthPixels)
            .arg(height)
            .arg(kWidestPicture);
    return {};
}

QImage canvasImage(TrapCanvas& canvas, int widthPixels) {
    if (!pictureWidthProblem(canvas, widthPixels).isEmpty()) return {};
    QImage image(pictureSize(canvas, widthPixels), QImage::Format_RGB32);
    if (image.isNull()) return image;
    paint(canvas, image, image.size(), false);
    return image;
}

bool saveCanvasPicture(TrapCanvas& canvas, const QString& path, int widthPixels, QString& error) {
    const QString extension = QFileInfo(path).suffix().toLower();
    if (extension != "png" && extension != "svg") {
        error = QString(
                    "%1 does not end in .png or .svg: a picture is saved as a PNG image (.png) "
                    "or as an SVG drawing (.svg).")
                    .arg(shown(path));
        return false;
    }
    error = pictureWidthProblem(canvas, widthPixels);
    if (!error.isEmpty()) return false;
    QImage image;
    if (extension == "png") {
        image = canvasImage(canvas, widthPixels);
        if (image.isNull()) {
            const QSize size = pictureSize(canvas, widthPixels);
            error = QString(
                        "A picture of %1 × %2 pixels needs more memory than there is: choose "
                        "a smaller width.")
                        .arg(size.width())
                        .arg(size.height());
            return false;
        }
    }
    // Until the commit the picture is in a file of its own beside path; without one it goes.
    QSaveFile file(path);
    if (!open(file, path, "picture", error)) return false;
    QString problem;
    if (image.isNull())
        writeSvg(canvas, file, widthPixels);
    else
        file.write(encodePng(std::move(image), problem));
    if (problem.isEmpty() && file.commit()) return true;
    if (problem.isEmpty()) problem = file.errorString();
    error = QString("The picture could not be written to %1: %2.").arg(shown(path), problem);
    return false;
}

bool saveCanvasFrame(TrapCanvas& canvas, const QString& path, QString& error) {
    const QImage image = canvasImage(canvas);
    QFile file(path);
    if (!open(file, path, "frame", error)) return false;
    QImageWriter writer(&file, "png");
    if (!image.isNull() && writer.write(image) && file.flush()) return true;
    const QString problem = image.isNull() ? QString("there is not enough memory")
                            : writer.error() != QImageWriter::UnknownError ? writer.errorString()
                                                                           : file.errorString();
    error = QString("The frame could not be written to %1: %2.").arg(shown(path), problem);
    // A part of a frame is no frame; a device or the like that was written to stays.
    file.close();
    if (QFileInfo(path).isFile()) file.remove();
    return false;
}

}  // namespace strida::ui
