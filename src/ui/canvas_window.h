// The trap canvas window, "Pedestrian Trap": a view that draws the trap canvas at a zoom, the
// calibrated size being 100%, the window sized around it. The zoom changes only what is shown:
// the canvas, its calibration and the pictures saved of it keep their size. Fitted to the window,
// the view shows the trap as large as the window allows and a resize changes only the zoom; a
// new calibration keeps the zoom and sizes the window around the trap. Otherwise a user's resize
// gives the drawing area the new size and calibrates it, which fits the area to the trap's
// proportions again, and every chain of resizes ends as soon as a size stays as it is. A canvas
// too large for the main area is fitted into it. Mouse moves report the pointer position; clicks
// pick positions in picking mode, in the canvas's twips whatever the zoom.
#pragma once

#include <QPointF>
#include <functional>

#include "ui/panel_window.h"

namespace strida::ui {

class CanvasView;
class TrapCanvas;

class CanvasWindow : public PanelWindow {
    Q_OBJECT
  public:
    CanvasWindow(TrapCanvas* canvas, QMdiArea* area);

    TrapCanvas* canvas() const { return canvas_; }
    // The widget the trap is drawn on, at the zoom, from its top-left corner.
    QWidget* view() const;
    // Gives the drawing area a size in twips and the window the size around it.
    bool setArea(double width, double height);

    // The view's scale, 1 at the calibrated size.
    double zoom() const;
    bool fitted() const { return fitted_; }
    // Fitted, the trap fills the window as it is and follows its resizes.
    void setFitted(bool on);
    // Zoom In and Zoom Out go to the next of the usual steps; a zoom the main area cannot show is
    // not taken. Actual Size is 100% when the area has room for it.
    void zoomIn();
    void zoomOut();
    void actualSize();
    // Shows the canvas at this zoom (within the main area's room), the window sized around it.
    void setZoom(double zoom);
    static constexpr double kSmallestZoom = 0.1, kLargestZoom = 8;

    // Mouse mode: 0 clicks pick nothing, 1 clicks pick a start point and a target.
    int mode() const { return mode_; }
    void setMode(int mode) { mode_ = mode; }

    // Called with the drawing area's new size in twips after the user resized the window.
    std::function<void(double, double)> onUserResize;
    // Called with the pointer text for the status bar.
    std::function<void(const QString&)> onPointerText;
    // Called with a completed pick: start and target in twips.
    std::function<void(QPointF, QPointF)> onPicked;
    // The scale the mouse handlers convert with.
    std::function<double()> scale;

    long clickCount() const { return clickCount_; }

    static QString pointerText(double xTwips, double yTwips, double m2Twips);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Sizes the window around the canvas at the zoom, inside the main area.
    void fitToCanvas();
    // The largest zoom at which the window fits in the main area (unbounded before it is shown).
    double roomZoom() const;
    // The zoom at which the canvas fills the view as it is.
    double fillingZoom() const;
    void showZoom();
    void userResized(QSize px);
    void pointerMoved(QPointF twips);
    void pressed(Qt::MouseButton button, QPointF twips);

    TrapCanvas* canvas_;
    CanvasView* view_;
    bool fitting_ = false;
    bool fitted_ = false;
    int mode_ = 0;
    long clickCount_ = 0;
    bool initialPicked_ = false;
    QPointF initial_;
};

}  // namespace strida::ui
