#include "ui/canvas_window.h"

#include <QEvent>
#include <QMdiArea>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <algorithm>
#include <cmath>

#include "core/numbers.h"
#include "ui/trap_canvas.h"

namespace strida::ui {

// Draws the canvas at the zoom from its top-left corner, whatever of the window lies beyond it
// grey, and hands on the pointer's moves and clicks in the canvas's twips. The canvas itself is
// never shown: it keeps its calibrated size for the pictures and the calibration.
class CanvasView : public QWidget {
  public:
    explicit CanvasView(TrapCanvas* canvas) : canvas_(canvas) {
        setObjectName("frmCanvas");
        setMinimumSize(24, 24);
        setMouseTracking(true);
        setAttribute(Qt::WA_OpaquePaintEvent);
        canvas->setParent(this);
        canvas->hide();
        connect(canvas, &TrapCanvas::sceneChanged, this, [this] { update(); });
    }
    QSize sizeHint() const override {
        return {std::max(1, static_cast<int>(std::lround(canvas_->width() * zoom))),
                std::max(1, static_cast<int>(std::lround(canvas_->height() * zoom)))};
    }

    double zoom = 1;
    std::function<void(QPointF)> moved;
    std::function<void(Qt::MouseButton, QPointF)> pressed;

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), palette().color(QPalette::Mid));
        // At another size than its own the scene is drawn as shapes, sharp at any zoom.
        canvas_->paintScene(p, zoom, zoom != 1);
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        if (onCanvas(event->position())) moved(twips(event->position()));
    }
    void mousePressEvent(QMouseEvent* event) override {
        // A right click clears wherever it falls; a pick must fall on the trap's drawing area.
        if (event->button() == Qt::RightButton || onCanvas(event->position()))
            pressed(event->button(), twips(event->position()));
    }

  private:
    QPointF twips(QPointF at) const { return canvas_->toTwips(at / zoom); }
    bool onCanvas(QPointF at) const {
        return QRectF(QPointF(), QSizeF(canvas_->size()) * zoom).contains(at);
    }
    TrapCanvas* canvas_;
};

CanvasWindow::CanvasWindow(TrapCanvas* canvas, QMdiArea* area)
    : PanelWindow(new CanvasView(canvas), "Pedestrian Trap", area, false), canvas_(canvas) {
    view_ = static_cast<CanvasView*>(widget());
    view_->installEventFilter(this);
    area->viewport()->installEventFilter(this);
    view_->moved = [this](QPointF twips) { pointerMoved(twips); };
    view_->pressed = [this](Qt::MouseButton button, QPointF twips) { pressed(button, twips); };
    connect(canvas_, &TrapCanvas::pointerMoved, this, &CanvasWindow::pointerMoved);
    connect(canvas_, &TrapCanvas::pressed, this, &CanvasWindow::pressed);
    fitToCanvas();
}

QWidget* CanvasWindow::view() const {
    return view_;
}

double CanvasWindow::zoom() const {
    return view_->zoom;
}

void CanvasWindow::fitToCanvas() {
    const double room = roomZoom();
    // A canvas the main area cannot hold is fitted into it rather than left to run off its edge.
    if (view_->zoom > room) {
        view_->zoom = room;
        fitted_ = true;
    }
    fitting_ = true;
    view_->updateGeometry();
    resize(sizeHint());
    if (mdiArea()->isVisible()) {
        const QSize area = mdiArea()->viewport()->size();
        move(std::max(0, std::min(x(), area.width() - width())),
             std::max(0, std::min(y(), area.height() - height())));
    }
    fitting_ = false;
    showZoom();
}

double CanvasWindow::roomZoom() const {
    if (!mdiArea()->isVisible()) return kLargestZoom;
    const QSize frame = sizeHint() - view_->sizeHint();
    const QSize room = mdiArea()->viewport()->size() - frame;
    const double fits = std::min(static_cast<double>(room.width()) / canvas_->width(),
                                 static_cast<double>(room.height()) / canvas_->height());
    return std::clamp(fits, kSmallestZoom, kLargestZoom);
}

double CanvasWindow::fillingZoom() const {
    const double fills = std::min(static_cast<double>(view_->width()) / canvas_->width(),
                                  static_cast<double>(view_->height()) / canvas_->height());
    return std::clamp(fills, kSmallestZoom, kLargestZoom);
}

void CanvasWindow::showZoom() {
    const double zoom = view_->zoom;
    setWindowTitle(zoom == 1 ? QString("Pedestrian Trap")
                             : QString("Pedestrian Trap (%1%)").arg(std::lround(zoom * 100)));
    view_->update();
}

bool CanvasWindow::setArea(double width, double height) {
    if (!canvas_->setArea(width, height)) return false;
    // A new size keeps the zoom, fitted or not, unless the main area cannot hold it.
    fitToCanvas();
    return true;
}

void CanvasWindow::setFitted(bool on) {
    fitted_ = on;
    if (!on) return;
    view_->zoom = fillingZoom();
    showZoom();
}

void CanvasWindow::setZoom(double zoom) {
    fitted_ = false;
    view_->zoom = std::clamp(zoom, kSmallestZoom, std::min(kLargestZoom, roomZoom()));
    fitToCanvas();
}

namespace {
constexpr double kSteps[] = {0.1, 0.25, 1 / 3.0, 0.5, 2 / 3.0, 0.75, 1, 1.25, 1.5, 2, 3, 4, 6, 8};
constexpr double kSame = 1e-6;
}  // namespace

void CanvasWindow::zoomIn() {
    const double* next = std::upper_bound(std::begin(kSteps), std::end(kSteps), zoom() + kSame);
    if (next == std::end(kSteps)) return;
    const double zoom = std::min(*next, roomZoom());
    if (zoom > this->zoom() + kSame) setZoom(zoom);
}

void CanvasWindow::zoomOut() {
    const double* next = std::lower_bound(std::begin(kSteps), std::end(kSteps), zoom() - kSame);
    if (next != std::begin(kSteps)) setZoom(*(next - 1));
}

void CanvasWindow::actualSize() {
    setZoom(1);
}

void CanvasWindow::userResized(QSize px) {
    // A window made smaller than anything it can show keeps its drawing area and scale.
    if (px.width() <= 0 || px.height() <= 0) return;
    if (fitted_) {
        view_->zoom = fillingZoom();
        showZoom();
    } else if (px != view_->sizeHint() && onUserResize) {
        const double tpp = canvas_->twipsPerPixel() / view_->zoom;
        onUserResize(px.width() * tpp, px.height() * tpp);
    }
}

bool CanvasWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize) {
        if (watched == view_ && !fitting_ && !isMinimized())
            userResized(static_cast<QResizeEvent*>(event)->size());
        // A main area made too small for the canvas fits the canvas into it.
        if (watched == mdiArea()->viewport() && isVisible() && !fitting_ && zoom() > roomZoom())
            fitToCanvas();
    }
    return PanelWindow::eventFilter(watched, event);
}
QString CanvasWindow::pointerText(double x, double y, double m2Twips) {
    std::string text = "(x,y) = " + num::fixed(x * m2Twips, 2) + " m , " +
                       num::fixed(y * m2Twips, 2) + " m = " + num::shortest(static_cast<float>(x)) +
                       " twips , " + num::shortest(static_cast<float>(y)) + " twips";
    return QString::fromStdString(text);
}

void CanvasWindow::pointerMoved(QPointF twips) {
    const double m2t = scale ? scale() : 0;
    if (onPointerText) onPointerText(pointerText(twips.x(), twips.y(), m2t));
    if (mode_ == 1 && initialPicked_) canvas_->showRubberBand(initial_, twips);
}

void CanvasWindow::pressed(Qt::MouseButton button, QPointF twips) {
    if (button == Qt::RightButton) {
        canvas_->hideArrow();
        canvas_->hideRubberBand();
        canvas_->clearOverlays();
        return;
    }
    if (mode_ != 1) return;
    ++clickCount_;
    if (clickCount_ % 2 == 1) {
        initial_ = twips;
        canvas_->showArrow(twips, twips, Qt::black);
        initialPicked_ = true;
    } else {
        canvas_->hideRubberBand();
        canvas_->showArrow(initial_, twips, QColor(255, 0, 0));
        initialPicked_ = false;
        if (onPicked) onPicked(initial_, twips);
    }
}

}  // namespace strida::ui
