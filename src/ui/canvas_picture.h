// Pictures of the trap canvas: a PNG or SVG file of what it shows, at the canvas's own size or at a
// chosen width (the height in proportion), and the image a video frame is made of.
#pragma once

#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

class QObject;
class QPainter;

namespace strida::ui {

class TrapCanvas;

// What ties a saved picture to its run: the run's seed (none when it is not known, as for a run
// that records nothing) and the simulated time of the step it shows.
struct RunMark {
    std::optional<std::uint64_t> seed;
    double seconds = 0;
};
// The text a saved picture carries in its corner: "seed 1234 · t = 12.40 s", or "seed unknown ·
// t = 12.40 s".
QString runStamp(const RunMark& mark);
// Where saved pictures (the canvas's, the video frames, the charts') learn the run they show:
// asked each time one is saved, for as long as `owner` lives. Without it they carry no stamp.
// The canvas on the screen never shows it.
void setRunMark(const QObject* owner, std::function<RunMark()> mark);
// The stamp for a picture saved now; an empty text when no run mark is set.
QString pictureStamp();
// The corner of a picture of this size that its stamp covers, and the stamp drawn there: small
// dark text on a pale ground, legible over anything the picture shows.
QRect stampArea(QSize picture, const QString& stamp);
void drawStamp(QPainter& p, QSize picture, const QString& stamp);

// The narrowest and the widest picture of a chosen width, in pixels; no picture is higher than
// kWidestPicture either.
constexpr int kNarrowestPicture = 100;
constexpr int kWidestPicture = 20000;

// The size of a picture of this width (0: the canvas's own size), its height in proportion.
QSize pictureSize(const TrapCanvas& canvas, int widthPixels);
// Why no picture of this width can be made, or an empty text.
QString pictureWidthProblem(const TrapCanvas& canvas, int widthPixels);
// What the canvas shows now, painted afresh (not its last paint on the screen), at its own size
// as the screen shows it, or at another width with every shape drawn at that scale, and the
// run's stamp in the bottom-right corner. A null image when the width is refused or the memory
// for it cannot be had.
QImage canvasImage(TrapCanvas& canvas, int widthPixels = 0);
// Writes what the canvas shows to path, by its extension: a PNG image (.png) or an SVG drawing
// (.svg, the circles as ellipses). On failure it returns false with the whole message in error,
// and leaves nothing new at path (a file that was there stays as it was).
bool saveCanvasPicture(TrapCanvas& canvas, const QString& path, int widthPixels, QString& error);
// A video frame: what the canvas shows at its own size, written to path as a PNG image without
// waiting for the disk to have it (as a picture's file does), so that a run saving frames keeps
// its pace. A frame that cannot be written whole is removed; false with the message in error.
bool saveCanvasFrame(TrapCanvas& canvas, const QString& path, QString& error);

}  // namespace strida::ui
