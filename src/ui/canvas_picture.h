// Pictures of the trap canvas: a PNG or SVG file of what it shows, at the canvas's own size or at a
// chosen width (the height in proportion), and the image a video frame is made of.
#pragma once

#include <QImage>
#include <QSize>
#include <QString>

namespace strida::ui {

class TrapCanvas;

// The narrowest and the widest picture of a chosen width, in pixels; no picture is higher than
// kWidestPicture either.
constexpr int kNarrowestPicture = 100;
constexpr int kWidestPicture = 20000;

// The size of a picture of this width (0: the canvas's own size), its height in proportion.
QSize pictureSize(const TrapCanvas& canvas, int widthPixels);
// Why no picture of this width can be made, or an empty text.
QString pictureWidthProblem(const TrapCanvas& canvas, int widthPixels);
// What the canvas shows now, painted afresh (not its last paint on the screen), at its own size
// as the screen shows it, or at another width with every shape drawn at that scale. A null image
// when the width is refused or the memory for it cannot be had.
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
