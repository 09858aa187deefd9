#include "ui/qt_host.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>

#include "core/numbers.h"
#include "engine/setting_readers.h"
#include "engine/settings.h"
#include "ui/canvas_window.h"
#include "ui/panels/calibration_panel.h"
#include "ui/panels/performance_panel.h"
#include "ui/trap_canvas.h"

namespace strida::ui {

namespace {
QColor toQColor(Colour c) {
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}
}  // namespace

double QtHost::areaWidth() const {
    return view_.canvas->areaWidth();
}
double QtHost::areaHeight() const {
    return view_.canvas->areaHeight();
}
void QtHost::clearArea() {
    view_.canvas->clearOverlays();
}
bool QtHost::resizeArea(double width, double height) {
    return view_.canvasWindow->setArea(width, height);
}

void QtHost::setM2Twips(double m2Twips) {
    m2Twips_ = m2Twips;
    view_.calibration->showScale(m2Twips);
    const Settings& s = *view_.settings;
    view_.canvas->setTrap(trapLengthOf(s), trapWidthOf(s), m2Twips);
}

void QtHost::setCanvasMode(int mode) {
    view_.canvasWindow->setMode(mode);
}
void QtHost::placeCircle(int id, float left, float top, float d) {
    view_.canvas->placeCircle(id, left, top, d);
}
void QtHost::paintCircle(int id, Colour c, bool filled) {
    view_.canvas->paintCircle(id, toQColor(c), filled);
}
void QtHost::setCircleVisible(int id, bool visible) {
    view_.canvas->setCircleVisible(id, visible);
}
void QtHost::unloadCircle(int id) {
    view_.canvas->unloadCircle(id);
}
void QtHost::hideArrow() {
    view_.canvas->hideArrow();
}

void QtHost::drawLine(float x1, float y1, float x2, float y2, Colour c) {
    view_.canvas->drawLine(x1, y1, x2, y2, toQColor(c));
}
void QtHost::drawCircle(float cx, float cy, float r, Colour c) {
    view_.canvas->drawCircle(cx, cy, r, toQColor(c));
}
void QtHost::drawText(float x, float y, std::string_view text) {
    view_.canvas->drawText(x, y, QString::fromUtf8(text.data(), static_cast<int>(text.size())));
}

void QtHost::setTimerEnabled(bool enabled) {
    QTimer* timer = view_.timer;
    if (enabled && !timer->isActive()) timer->start();
    if (!enabled) timer->stop();
}

void QtHost::setStartCaption(const char* caption) {
    view_.start->setText(caption);
}
void QtHost::setPauseCaption(const char* caption) {
    view_.pause->setText(caption);
}
void QtHost::setStatus(int panel, const QString& text) {
    view_.status[panel - 1]->setText(text);
}

void QtHost::runEvent(const RunEvent& event) {
    switch (event.kind) {
        case RunEvent::Kind::Started:
            setTimerEnabled(true);
            setStartCaption("&Stop");
            setStatus(1, "Running Simulation");
            view_.pause->setEnabled(true);
            break;
        case RunEvent::Kind::Paused:
        case RunEvent::Kind::Resumed: {
            const bool running = event.kind == RunEvent::Kind::Resumed;
            setTimerEnabled(running);
            setStatus(1, running ? "Running Simulation" : "Pause Simulation");
            setPauseCaption(running ? "&Pause" : "&Continue");
            break;
        }
        case RunEvent::Kind::Step:
            setBusy(true);
            setStatus(2, QString::fromStdString(num::fixed(event.seconds, 2)) + " seconds");
            break;
        case RunEvent::Kind::Ended:
            showEnded();
            break;
        case RunEvent::Kind::PedestrianCreated:
        case RunEvent::Kind::PedestrianRemoved:
            break;  // the canvas shows them
    }
}

void QtHost::showEnded() {
    setTimerEnabled(false);
    setStartCaption("&Start");
    if (onRunEnded) onRunEnded();
    setStatus(1, "Stop Simulation");
    setStatus(2, "");
    setPauseCaption("&Pause");
    view_.pause->setEnabled(false);
    setBusy(false);
}

void QtHost::showPerformance(const PerformanceTexts& texts) {
    view_.performance->show(texts);
}

void QtHost::setBusy(bool busy) {
    if (busy == busy_) return;
    busy_ = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::BusyCursor);
    else
        QApplication::restoreOverrideCursor();
}

void QtHost::showMessage(std::string_view text, std::string_view title, MessageIcon icon) {
    if (messageSink) {
        messageSink(std::string(text), std::string(title), icon);
        return;
    }
    QMessageBox box(icon == MessageIcon::Stop          ? QMessageBox::Critical
                    : icon == MessageIcon::Information ? QMessageBox::Information
                                                       : QMessageBox::NoIcon,
                    QString::fromUtf8(title.data(), static_cast<int>(title.size())),
                    QString::fromUtf8(text.data(), static_cast<int>(text.size())), QMessageBox::Ok,
                    view_.window);
    // The pointer of a run in progress would otherwise stay busy over the box.
    const bool wasBusy = busy_;
    setBusy(false);
    box.exec();
    setBusy(wasBusy);
}

void QtHost::processEvents() {
    if (sinceEvents_.elapsed() < eventInterval) return;
    QApplication::processEvents();
    sinceEvents_.restart();
}

}  // namespace strida::ui
