// The trap canvas window, "Pedestrian Trap": the drawing area at its top-left corner, the window
// sized around it. A user's resize gives the drawing area the new size and calibrates it, which
// fits the area to the trap's proportions again; every chain of resizes ends as soon as a size
// stays as it is. Mouse moves report the pointer position; clicks pick positions in picking mode.
#pragma once

#include <QPointF>
#include <functional>

#include "ui/panel_window.h"

namespace strida::ui {

class TrapCanvas;

class CanvasWindow : public PanelWindow {
    Q_OBJECT
  public:
    CanvasWindow(TrapCanvas* canvas, QMdiArea* area);

    TrapCanvas* canvas() const { return canvas_; }
    // Gives the drawing area a size in twips and the window the size around it.
    bool setArea(double width, double height);

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
    void fitToCanvas();
    void pointerMoved(QPointF twips);
    void pressed(Qt::MouseButton button, QPointF twips);

    TrapCanvas* canvas_;
    QWidget* container_;
    bool fitting_ = false;
    int mode_ = 0;
    long clickCount_ = 0;
    bool initialPicked_ = false;
    QPointF initial_;
};

}  // namespace strida::ui
