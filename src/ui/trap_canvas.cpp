#include "ui/trap_canvas.h"

#include <QFontInfo>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <cmath>

namespace strida::ui {

TrapCanvas::TrapCanvas(QWidget* parent) : QWidget(parent) {
    setObjectName("picCanvas");
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    const double dpi = logicalDpiX();
    twipsPerPixel_ = 1440.0 / (dpi > 0 ? dpi : 96.0);
    setFixedSize(pixelSize());
    textFont_ = font();
    textFont_.setPixelSize(QFontInfo(font()).pixelSize());
}

QSize TrapCanvas::pixelSize() const {
    return {std::max(1, static_cast<int>(std::lround(areaWidth_ / twipsPerPixel_))),
            std::max(1, static_cast<int>(std::lround(areaHeight_ / twipsPerPixel_)))};
}

bool TrapCanvas::setArea(double width, double height) {
    if (width == areaWidth_ && height == areaHeight_) return false;
    areaWidth_ = width;
    areaHeight_ = height;
    setFixedSize(pixelSize());
    // Overlays belong to the old size; the next step draws them afresh.
    overlay_ = QImage();
    clearMarks();
    changed();
    return true;
}

void TrapCanvas::setTrap(double lengthMetres, double widthMetres, double m2Twips) {
    trapLength_ = lengthMetres;
    trapWidth_ = widthMetres;
    m2Twips_ = m2Twips;
    changed();
}

void TrapCanvas::setWalls(bool on) {
    if (walls_ == on) return;
    walls_ = on;
    changed();
}

QPointF TrapCanvas::toTwips(QPointF pixel) const {
    return {pixel.x() * twipsPerPixel_, (height() - pixel.y()) * twipsPerPixel_};
}

QPointF TrapCanvas::toPixels(double x, double y) const {
    return {x / twipsPerPixel_, height() - y / twipsPerPixel_};
}

void TrapCanvas::ensureOverlay() {
    if (overlay_.size() == size()) return;
    overlay_ = QImage(size(), QImage::Format_ARGB32_Premultiplied);
    overlay_.fill(Qt::transparent);
}

void TrapCanvas::clearOverlays() {
    if (!overlay_.isNull() && overlayCount_ > 0) overlay_.fill(Qt::transparent);
    overlayCount_ = 0;
    clearMarks();
    changed();
}

void TrapCanvas::addMark(const Mark& mark) {
    if (!marksComplete_) return;
    if (marks_.size() >= kMostMarks) {
        // From here on a vector picture shows the overlay image.
        marksComplete_ = false;
        std::vector<Mark>().swap(marks_);
        texts_.clear();
        return;
    }
    marks_.push_back(mark);
}

void TrapCanvas::clearMarks() {
    marks_.clear();
    texts_.clear();
    marksComplete_ = true;
}

void TrapCanvas::changed() {
    if (updatePending_) return;
    updatePending_ = true;
    update();
    emit sceneChanged();
}

const QImage& TrapCanvas::sprite(QColor colour, bool filled, double diameter) {
    const int quarters = std::max(1, static_cast<int>(std::lround(diameter * 4)));
    const quint64 key = (quint64(colour.rgb()) << 32) | (quint64(filled) << 31) | quint64(quarters);
    auto it = sprites_.find(key);
    if (it != sprites_.end()) return *it;
    if (sprites_.size() > 4096) sprites_.clear();  // a scale that keeps changing
    const double d = quarters / 4.0;
    const int side = static_cast<int>(std::ceil(d)) + 2;
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(colour, 1));
    p.setBrush(filled ? QBrush(colour) : QBrush(Qt::NoBrush));
    p.drawEllipse(QRectF(1, 1, d, d));
    return *sprites_.insert(key, image);
}

void TrapCanvas::drawLargeCircle(QPainter& p, QPointF topLeft, double d, QColor colour,
                                 bool filled) {
    // Where each pixel row and column of the canvas crosses the circle; all in doubles, so a
    // circle many kilometres across costs no more than the canvas has rows and columns.
    const double r = d / 2, cx = topLeft.x() + r, cy = topLeft.y() + r;
    const QRect area = rect();
    auto halfChord = [r](double offset) {
        const double h = r * r - offset * offset;
        return h > 0 ? std::sqrt(h) : -1.0;
    };
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const double half = halfChord(y + 0.5 - cy);
        if (half < 0) continue;
        const double x0 = std::max<double>(area.left(), cx - half);
        const double x1 = std::min<double>(area.right() + 1, cx + half);
        if (x1 <= x0) continue;
        if (filled) {
            p.fillRect(QRectF(x0, y, x1 - x0, 1), colour);
        } else {
            p.setPen(colour);
            if (cx - half >= area.left()) p.drawPoint(QPointF(cx - half, y + 0.5));
            if (cx + half <= area.right() + 1) p.drawPoint(QPointF(cx + half, y + 0.5));
        }
    }
    if (!filled) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const double half = halfChord(x + 0.5 - cx);
            if (half < 0) continue;
            for (double y : {cy - half, cy + half})
                if (y >= area.top() && y <= area.bottom() + 1) p.drawPoint(QPointF(x + 0.5, y));
        }
    }
    p.restore();
}

TrapCanvas::Circle* TrapCanvas::circle(int id) {
    if (id < 0 || id > kLastCircle) return nullptr;
    if (static_cast<std::size_t>(id) >= circles_.size())
        circles_.resize(static_cast<std::size_t>(id) + 1);
    return &circles_[static_cast<std::size_t>(id)];
}

void TrapCanvas::placeCircle(int id, float left, float top, float diameter) {
    if (Circle* c = circle(id)) {
        c->loaded = true;
        c->left = left;
        c->top = top;
        c->diameter = diameter;
        changed();
    }
}

void TrapCanvas::paintCircle(int id, QColor colour, bool filled) {
    if (Circle* c = circle(id)) {
        c->colour = colour;
        c->filled = filled;
        changed();
    }
}

void TrapCanvas::setCircleVisible(int id, bool visible) {
    if (Circle* c = circle(id)) {
        c->visible = visible;
        changed();
    }
}

void TrapCanvas::unloadCircle(int id) {
    if (Circle* c = circle(id)) {
        *c = Circle{};
        changed();
    }
}

qsizetype TrapCanvas::stampBytes() const {
    qsizetype bytes = 0;
    for (const QImage& image : sprites_) bytes += image.sizeInBytes();
    return bytes;
}

const TrapCanvas::Circle* TrapCanvas::loadedCircle(int id) const {
    if (id < 0 || static_cast<std::size_t>(id) >= circles_.size()) return nullptr;
    const Circle& c = circles_[static_cast<std::size_t>(id)];
    return c.loaded ? &c : nullptr;
}

int TrapCanvas::loadedCircles() const {
    int n = 0;
    for (const Circle& c : circles_) n += c.loaded;
    return n;
}

void TrapCanvas::drawLine(float x1, float y1, float x2, float y2, QColor colour) {
    ensureOverlay();
    QPainter p(&overlay_);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(colour, 1));
    const QPointF a = toPixels(x1, y1), b = toPixels(x2, y2);
    p.drawLine(a, b);
    addMark({Mark::Line, colour.rgba(), float(a.x()), float(a.y()), float(b.x()), float(b.y()), 0});
    ++overlayCount_;
    changed();
}

void TrapCanvas::drawCircle(float cx, float cy, float radius, QColor colour) {
    ensureOverlay();
    QPainter p(&overlay_);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(colour, 1));
    p.setBrush(Qt::NoBrush);
    const double r = radius / twipsPerPixel_;
    const QPointF centre = toPixels(cx, cy);
    p.drawEllipse(centre, r, r);
    addMark({Mark::Circle, colour.rgba(), float(centre.x()), float(centre.y()), float(r), 0, 0});
    ++overlayCount_;
    changed();
}

void TrapCanvas::drawText(float x, float y, const QString& text) {
    ensureOverlay();
    QPainter p(&overlay_);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setPen(Qt::black);
    p.setFont(textFont_);
    const QPointF at = toPixels(x, y);
    p.drawText(QRectF(at, QSizeF(200, 40)), Qt::AlignLeft | Qt::AlignTop, text);
    if (marksComplete_ && marks_.size() < kMostMarks) texts_.append(text);
    addMark(
        {Mark::Text, qRgb(0, 0, 0), float(at.x()), float(at.y()), 0, 0, int(texts_.size()) - 1});
    ++overlayCount_;
    changed();
}

void TrapCanvas::showArrow(QPointF from, QPointF to, QColor colour) {
    arrow_ = QLineF(from, to);
    arrowColour_ = colour;
    arrowVisible_ = true;
    changed();
}

void TrapCanvas::hideArrow() {
    arrowVisible_ = false;
    changed();
}

void TrapCanvas::showRubberBand(QPointF from, QPointF to) {
    rubber_ = QLineF(from, to);
    rubberVisible_ = true;
    changed();
}

void TrapCanvas::hideRubberBand() {
    rubberVisible_ = false;
    changed();
}

void TrapCanvas::paintEvent(QPaintEvent*) {
    QPainter p(this);
    paintScene(p);
}

void TrapCanvas::paintScene(QPainter& p, double scale, bool vector) {
    // Whatever changes from here on asks for another painting.
    updatePending_ = false;
    p.save();
    if (scale != 1) p.scale(scale, scale);
    p.fillRect(rect(), Qt::white);
    p.setRenderHint(QPainter::Antialiasing);
    paintTrap(p);
    paintOverlays(p, scale, vector);
    paintCircles(p, vector);
    paintMarker(p);
    p.restore();
}

void TrapCanvas::paintTrap(QPainter& p) {
    // The trap itself, to scale, with a metre grid and a visible border.
    if (m2Twips_ <= 0 || trapLength_ <= 0 || trapWidth_ <= 0) return;
    const QPointF bottomLeft = toPixels(0, 0);
    const QPointF topRight = toPixels(trapLength_ / m2Twips_, trapWidth_ / m2Twips_);
    const QRectF trap = QRectF(bottomLeft, topRight).normalized();
    p.setPen(QPen(QColor(235, 235, 235), 1));
    const double metre = 1 / m2Twips_ / twipsPerPixel_;
    if (metre >= 6) {
        for (double x = trap.left() + metre; x < trap.right() - 0.5; x += metre)
            p.drawLine(QPointF(x, trap.top()), QPointF(x, trap.bottom()));
        for (double y = trap.bottom() - metre; y > trap.top() + 0.5; y -= metre)
            p.drawLine(QPointF(trap.left(), y), QPointF(trap.right(), y));
    }
    p.setPen(QPen(QColor(64, 64, 64), 2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(trap.adjusted(1, 1, -1, -1));
    if (walls_) {
        // The walls run the whole length of the plane, so across the whole drawing area; each
        // lies just inside the trap, where the pedestrians meet it, and is wider than the border
        // so that it reads as more than the trap's edge.
        constexpr double kWall = 6;
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(80, 80, 80));
        p.drawRect(QRectF(0, trap.bottom() - kWall, width(), kWall));
        p.drawRect(QRectF(0, trap.top(), width(), kWall));
        p.setBrush(Qt::NoBrush);
    }
}

void TrapCanvas::paintOverlays(QPainter& p, double scale, bool vector) {
    if (!vector || !marksComplete_) {
        if (overlay_.isNull()) return;
        p.save();
        p.setRenderHint(QPainter::SmoothPixmapTransform, scale != 1);
        p.drawImage(0, 0, overlay_);
        p.restore();
        return;
    }
    p.setBrush(Qt::NoBrush);
    p.setFont(textFont_);
    for (const Mark& m : marks_) {
        p.setPen(QPen(QColor::fromRgba(m.colour), 1));
        if (m.kind == Mark::Line)
            p.drawLine(QPointF(m.a, m.b), QPointF(m.c, m.d));
        else if (m.kind == Mark::Circle)
            p.drawEllipse(QPointF(m.a, m.b), m.c, m.c);
        else
            p.drawText(QRectF(QPointF(m.a, m.b), QSizeF(200, 40)), Qt::AlignLeft | Qt::AlignTop,
                       texts_[m.text]);
    }
}

void TrapCanvas::paintCircles(QPainter& p, bool vector) {
    // On screen each pedestrian's circle is a stamp of a circle drawn once per colour, fill and
    // size; in a vector picture it is an ellipse of its own. A circle too large for either is
    // drawn, only where it can be seen, row by row.
    const QRectF visible = rect();
    const double largestShape = vector ? 4.0 * std::max(width(), height()) : kLargestStamp;
    for (const Circle& c : circles_) {
        if (!c.loaded || !c.visible) continue;
        const double d = c.diameter / twipsPerPixel_;
        const QPointF topLeft = toPixels(c.left, c.top);
        if (!std::isfinite(d) || !std::isfinite(topLeft.x()) || !std::isfinite(topLeft.y()))
            continue;
        if (!visible.intersects(QRectF(topLeft.x() - 1, topLeft.y() - 1, d + 2, d + 2))) continue;
        if (d > largestShape) {
            drawLargeCircle(p, topLeft, d, c.colour, c.filled);
        } else if (vector) {
            p.setPen(QPen(c.colour, 1));
            p.setBrush(c.filled ? QBrush(c.colour) : QBrush(Qt::NoBrush));
            p.drawEllipse(QRectF(topLeft, QSizeF(d, d)));
        } else {
            const QPoint at(static_cast<int>(std::lround(topLeft.x())) - 1,
                            static_cast<int>(std::lround(topLeft.y())) - 1);
            p.drawImage(at, sprite(c.colour, c.filled, d));
        }
    }
}

void TrapCanvas::paintMarker(QPainter& p) {
    if (rubberVisible_) {
        p.setPen(QPen(QColor(0, 0, 255), 1));
        p.drawLine(toPixels(rubber_.x1(), rubber_.y1()), toPixels(rubber_.x2(), rubber_.y2()));
    }
    if (arrowVisible_) {
        p.setPen(QPen(arrowColour_, 2));
        const QPointF a = toPixels(arrow_.x1(), arrow_.y1()),
                      b = toPixels(arrow_.x2(), arrow_.y2());
        if (a == b)
            p.drawPoint(a);
        else
            p.drawLine(a, b);
    }
}

void TrapCanvas::mouseMoveEvent(QMouseEvent* event) {
    emit pointerMoved(toTwips(event->position()));
}

void TrapCanvas::mousePressEvent(QMouseEvent* event) {
    emit pressed(event->button(), toTwips(event->position()));
}

}  // namespace strida::ui
