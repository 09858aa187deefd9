// The drawing area of the trap canvas: the trap at one uniform scale, in twips with the origin at
// the bottom-left corner and y upward. It keeps each pedestrian's circle as a retained shape that
// survives clearing, the overlays (lines, circles, texts) in one image that clearing erases (and,
// for vector pictures, as a list of shapes), and the marker of the manual generator's picked
// points.
#pragma once

#include <QColor>
#include <QFont>
#include <QHash>
#include <QImage>
#include <QLineF>
#include <QPainter>
#include <QStringList>
#include <QWidget>
#include <vector>

namespace strida::ui {

class TrapCanvas : public QWidget {
    Q_OBJECT
  public:
    explicit TrapCanvas(QWidget* parent = nullptr);

    // Twips per device-independent pixel: 1440 over the screen's logical resolution.
    double twipsPerPixel() const { return twipsPerPixel_; }
    double areaWidth() const { return areaWidth_; }
    double areaHeight() const { return areaHeight_; }
    // Sets the drawing area's size in twips; false when it already had it.
    bool setArea(double width, double height);

    // The trap's own extent in metres and the scale, for its border.
    void setTrap(double lengthMetres, double widthMetres, double m2Twips);
    // Whether the walls along the trap's long sides (CorridorWalls) are drawn. Like the border
    // they are part of the trap, so clearing the overlays each step leaves them.
    void setWalls(bool on);
    bool walls() const { return walls_; }

    void clearOverlays();
    void placeCircle(int id, float left, float top, float diameter);
    void paintCircle(int id, QColor colour, bool filled);
    void setCircleVisible(int id, bool visible);
    void unloadCircle(int id);
    void drawLine(float x1, float y1, float x2, float y2, QColor colour);
    void drawCircle(float cx, float cy, float radius, QColor colour);
    void drawText(float x, float y, const QString& text);

    // The marker of the picked points: black and of zero length after a first pick, red from the
    // first to the second point after the second.
    void showArrow(QPointF from, QPointF to, QColor colour);
    void hideArrow();
    bool arrowVisible() const { return arrowVisible_; }
    // The line that follows the pointer between the two picks.
    void showRubberBand(QPointF from, QPointF to);
    void hideRubberBand();

    // Canvas frame (twips, y up) from widget pixels and back.
    QPointF toTwips(QPointF pixel) const;
    QPointF toPixels(double x, double y) const;

    int loadedCircles() const;
    long overlayCount() const { return overlayCount_; }
    // Bytes held by the cached circle stamps.
    qsizetype stampBytes() const;

    // Paints the whole picture (trap, overlays, circles, the picked points' marker) at `scale`
    // times the canvas's pixel size, the painter's origin at the canvas's top-left corner. At
    // scale 1 without `vector` it is the screen's own painting, from cached circle stamps and the
    // overlay image; with `vector` circles and overlays are drawn as shapes (for SVG, and for
    // pictures at another size), the overlays from the image only after more than kMostMarks of
    // them since the last clearing (long traced paths).
    void paintScene(QPainter& p, double scale = 1, bool vector = false);
    static constexpr std::size_t kMostMarks = 1 << 20;
    // A circle as it stands: where it is in twips (its bounding square's left and top edges, y
    // up), its colour and whether it shows.
    struct Circle {
        bool loaded = false;
        bool visible = false;
        float left = 0, top = 0, diameter = 0;
        QColor colour;
        bool filled = false;
    };
    // Circles are numbered from 0 to this; one of another number is neither kept nor drawn.
    static constexpr int kLastCircle = 1'000'000;
    // The circle of this number, or null when none is loaded.
    const Circle* loadedCircle(int id) const;

  signals:
    // Something the canvas shows has changed; told once until the scene is painted again.
    void sceneChanged();
    void pointerMoved(QPointF twips);
    void pressed(Qt::MouseButton button, QPointF twips);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    Circle* circle(int id);
    QSize pixelSize() const;
    void ensureOverlay();
    // Repaints once for any number of changes made before the next paint.
    void changed();
    // An antialiased circle of this colour, fill and diameter, drawn once and then reused. Stamps
    // are at most this many pixels across (a megabyte each); larger circles are drawn directly.
    static constexpr double kLargestStamp = 512;
    const QImage& sprite(QColor colour, bool filled, double diameter);
    void drawLargeCircle(QPainter& p, QPointF topLeft, double d, QColor colour, bool filled);
    // The parts of paintScene, in the order they are painted.
    void paintTrap(QPainter& p);
    void paintOverlays(QPainter& p, double scale, bool vector);
    void paintCircles(QPainter& p, bool vector);
    void paintMarker(QPainter& p);

    // An overlay kept as a shape, in the canvas's pixels: a line from (a, b) to (c, d), a circle
    // about (a, b) of radius c, or texts_[text] at (a, b).
    struct Mark {
        enum Kind : quint8 { Line, Circle, Text } kind;
        QRgb colour;
        float a, b, c, d;
        int text;
    };
    void addMark(const Mark& mark);
    void clearMarks();

    double twipsPerPixel_ = 15;
    double areaWidth_ = 4575;
    double areaHeight_ = 4335;
    double trapLength_ = 0, trapWidth_ = 0, m2Twips_ = 0;
    bool walls_ = false;
    std::vector<Circle> circles_;
    QImage overlay_;
    long overlayCount_ = 0;
    std::vector<Mark> marks_;
    QStringList texts_;
    bool marksComplete_ = true;  // every overlay since the last clearing is in marks_
    QFont textFont_;             // of the overlays' texts, in pixels, so vector pictures match
    bool arrowVisible_ = false;
    QLineF arrow_;
    QColor arrowColour_;
    bool rubberVisible_ = false;
    QLineF rubber_;
    bool updatePending_ = false;
    QHash<quint64, QImage> sprites_;
};

}  // namespace strida::ui
