#include "ui/canvas_window.h"

#include <QEvent>
#include <QResizeEvent>
#include <cmath>

#include "core/numbers.h"
#include "ui/trap_canvas.h"

namespace strida::ui {

namespace {
// Holds the drawing area at its top-left corner and asks for exactly its size.
class Container : public QWidget {
  public:
    explicit Container(TrapCanvas* canvas) : canvas_(canvas) {
        setObjectName("frmCanvas");
        setMinimumSize(24, 24);
        canvas->setParent(this);
        canvas->move(0, 0);
    }
    QSize sizeHint() const override { return canvas_->size(); }

  private:
    TrapCanvas* canvas_;
};
}  // namespace

CanvasWindow::CanvasWindow(TrapCanvas* canvas, QMdiArea* area)
    : PanelWindow(new Container(canvas), "Pedestrian Trap", area, false), canvas_(canvas) {
    container_ = widget();
    container_->installEventFilter(this);
    connect(canvas_, &TrapCanvas::pointerMoved, this, &CanvasWindow::pointerMoved);
    connect(canvas_, &TrapCanvas::pressed, this, &CanvasWindow::pressed);
    fitToCanvas();
}

void CanvasWindow::fitToCanvas() {
    fitting_ = true;
    container_->updateGeometry();
    resize(sizeHint());
    fitting_ = false;
}

bool CanvasWindow::setArea(double width, double height) {
    if (!canvas_->setArea(width, height)) return false;
    fitToCanvas();
    return true;
}

bool CanvasWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == container_ && event->type() == QEvent::Resize && !fitting_ && !isMinimized()) {
        const QSize px = static_cast<QResizeEvent*>(event)->size();
        // A window made smaller than anything it can show keeps its drawing area and scale.
        if (px.width() > 0 && px.height() > 0 && px != canvas_->size() && onUserResize) {
            const double tpp = canvas_->twipsPerPixel();
            onUserResize(px.width() * tpp, px.height() * tpp);
        }
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
