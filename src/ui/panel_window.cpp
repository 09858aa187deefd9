#include "ui/panel_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QLayout>
#include <QMdiArea>
#include <QMenu>

namespace strida::ui {

PanelWindow::PanelWindow(QWidget* container, const QString& caption, QMdiArea* area, bool fixedSize)
    : QMdiSubWindow(nullptr), area_(area), fixed_(fixedSize) {
    setWidget(container);
    setWindowTitle(caption);
    setObjectName(container->objectName() + "Window");
    Qt::WindowFlags flags = Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (!fixedSize) flags |= Qt::WindowMinMaxButtonsHint;
    setWindowFlags(flags);
    setAttribute(Qt::WA_DeleteOnClose, false);
    area->addSubWindow(this);
    // The frame's own menu would take Ctrl+W (close) and other keys the program's menu uses.
    for (QAction* a : systemMenu()->actions()) a->setShortcut({});
    fitToContainer();
    hide();
}

void PanelWindow::fitToContainer() {
    if (!fixed_) return;
    widget()->adjustSize();
    widget()->setFixedSize(widget()->sizeHint().expandedTo(widget()->minimumSizeHint()));
    // The window adds its frame (border and caption) around the container, and no more.
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    adjustSize();
    setFixedSize(sizeHint());
}

void PanelWindow::showPanel() {
    show();
    widget()->show();
    area_->setActiveSubWindow(this);
    raise();
}

void PanelWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    hide();
}

}  // namespace strida::ui
