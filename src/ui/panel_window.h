// A child window of the main window's multi-document area that holds one panel. It is sized around
// its container and cannot be resized; closing it, by its own button or the frame's close control,
// only hides it, so its settings keep their values.
#pragma once

#include <QMdiSubWindow>

class QMdiArea;

namespace strida::ui {

class PanelWindow : public QMdiSubWindow {
    Q_OBJECT
  public:
    PanelWindow(QWidget* container, const QString& caption, QMdiArea* area, bool fixedSize = true);

    // Shows the panel beside the others and brings it to the front.
    void showPanel();
    // Sizes the window around its container again (after the container changed size).
    void fitToContainer();
    QMdiArea* mdiArea() const { return area_; }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    QMdiArea* area_;
    bool fixed_;
};

}  // namespace strida::ui
