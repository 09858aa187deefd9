// The engine's host in the desktop program: the trap canvas, and the run's events turned into the
// run commands' captions, the status bar, the timer and the pointer; the performance panel and
// message boxes.
#pragma once

#include <QElapsedTimer>
#include <functional>

#include "engine/host.h"

class QAction;
class QLabel;
class QTimer;
class QWidget;

namespace strida {
struct Settings;
}

namespace strida::ui {

class CalibrationPanel;
class CanvasWindow;
class PerformancePanel;
class TrapCanvas;

/// The parts of the main window the engine's signs go to; the window fills it once it has built
/// them.
struct HostView {
    QWidget* window = nullptr;  ///< parent of the message boxes
    TrapCanvas* canvas = nullptr;
    CanvasWindow* canvasWindow = nullptr;
    CalibrationPanel* calibration = nullptr;
    PerformancePanel* performance = nullptr;
    QTimer* timer = nullptr;
    QAction* start = nullptr;  ///< "&Start" / "&Stop"
    QAction* pause = nullptr;  ///< "&Pause" / "&Continue"
    QLabel* status[3] = {nullptr, nullptr, nullptr};
    const Settings* settings = nullptr;
};

class QtHost : public Host {
  public:
    explicit QtHost(const HostView& view) : view_(view) { sinceEvents_.start(); }

    // Tests collect messages here instead of showing modal boxes.
    std::function<void(const std::string& text, const std::string& title, MessageIcon icon)>
        messageSink;
    // Pending events are let through at most this often inside a step, in milliseconds.
    int eventInterval = 15;
    // Called when a run has ended: its trajectory files are complete, and its step count is not
    // yet cleared.
    std::function<void()> onRunEnded;

    double areaWidth() const override;
    double areaHeight() const override;
    double m2Twips() const override { return m2Twips_; }
    void clearArea() override;
    bool resizeArea(double width, double height) override;
    void setM2Twips(double m2Twips) override;
    void setCanvasMode(int mode) override;
    void placeCircle(int id, float left, float top, float diameter) override;
    void paintCircle(int id, Colour colour, bool filled) override;
    void setCircleVisible(int id, bool visible) override;
    void unloadCircle(int id) override;
    void hideArrow() override;
    void drawLine(float x1, float y1, float x2, float y2, Colour colour) override;
    void drawCircle(float cx, float cy, float radius, Colour colour) override;
    void drawText(float x, float y, std::string_view text) override;
    void runEvent(const RunEvent& event) override;
    void showPerformance(const PerformanceTexts& texts) override;
    void setBusy(bool busy) override;
    void showMessage(std::string_view text, std::string_view title, MessageIcon icon) override;
    void processEvents() override;

  private:
    void setTimerEnabled(bool enabled);
    void setStartCaption(const char* caption);
    void setPauseCaption(const char* caption);
    void setStatus(int panel, const QString& text);
    // The signs of a run that has ended.
    void showEnded();

    const HostView& view_;
    double m2Twips_ = 0;
    bool busy_ = false;
    QElapsedTimer sinceEvents_;
};

}  // namespace strida::ui
