// A host without a window: a drawing area of a settable size and scale, and a record of what the
// engine asked to show. Used by the batch runner and the tests.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engine/host.h"

namespace strida {

/// What the engine showed through a headless host: where the run stands by its events (every
/// event, when asked for), the overlays drawn since the last clearing (kept only when asked for),
/// the messages.
struct HeadlessScreen {
    struct Overlay {
        enum class Kind { Line, Circle, Text } kind;
        float x1, y1, x2, y2;  // a circle keeps its radius in x2
        Colour colour;
        std::string text;
    };
    struct Message {
        std::string text, title;
        MessageIcon icon;
    };
    std::vector<Overlay> overlays;
    long overlayCount = 0;  // drawn since the last clearing, recorded or not
    long clearCount = 0;
    bool arrowVisible = false;
    int canvasMode = 0;
    bool runExists = false;  ///< from Started to Ended
    bool stepping = false;   ///< steps come: Started or Resumed, and not Paused or Ended since
    std::int32_t step = 0;   ///< of the last Step, 0 again once the run has ended
    double seconds = 0;      ///< of the last Step, 0 again once the run has ended
    std::string ending;      ///< of the last Ended
    std::vector<RunEvent> events;
    PerformanceTexts performance;
    bool busy = false;
    std::vector<Message> messages;
    long processEventsCount = 0;
};

class HeadlessHost : public Host {
  public:
    // The trap canvas's design size, in twips.
    static constexpr double kDesignWidth = 4575;
    static constexpr double kDesignHeight = 4335;

    struct Circle {
        bool loaded = false;
        bool visible = false;
        float left = 0, top = 0, diameter = 0;
        Colour colour = 0;
        bool filled = false;
    };
    using Overlay = HeadlessScreen::Overlay;
    using Message = HeadlessScreen::Message;

    void setArea(double width, double height) { width_ = width, height_ = height; }
    void setM2Twips(double m2Twips) override { m2Twips_ = m2Twips; }
    // Keep every overlay drawn (tests); off by default so that long runs stay small.
    void recordOverlays(bool on) { recordOverlays_ = on; }
    // Keep every run event (tests); off by default for the same reason.
    void recordEvents(bool on) { recordEvents_ = on; }
    // Called on every processEvents(), standing in for what a user might do at that moment.
    void setOnProcessEvents(std::function<void()> f) { onProcessEvents_ = std::move(f); }

    double areaWidth() const override { return width_; }
    double areaHeight() const override { return height_; }
    double m2Twips() const override { return m2Twips_; }
    void clearArea() override;
    bool resizeArea(double width, double height) override;
    void setCanvasMode(int mode) override { shown_.canvasMode = mode; }
    void runEvent(const RunEvent& event) override;
    void placeCircle(int id, float left, float top, float diameter) override;
    void paintCircle(int id, Colour colour, bool filled) override;
    void setCircleVisible(int id, bool visible) override;
    void unloadCircle(int id) override;
    void hideArrow() override { shown_.arrowVisible = false; }
    void drawLine(float x1, float y1, float x2, float y2, Colour colour) override;
    void drawCircle(float cx, float cy, float radius, Colour colour) override;
    void drawText(float x, float y, std::string_view text) override;
    void showPerformance(const PerformanceTexts& texts) override { shown_.performance = texts; }
    void setBusy(bool busy) override { shown_.busy = busy; }
    void showMessage(std::string_view text, std::string_view title, MessageIcon icon) override;
    void processEvents() override;

    const Circle* circle(int id) const;

    /// Everything the engine has shown so far.
    const HeadlessScreen& shown() const { return shown_; }
    void clearMessages() { shown_.messages.clear(); }
    // Counts the calls to processEvents() afresh from 0.
    void resetEventCount() { shown_.processEventsCount = 0; }
    void clearEvents() { shown_.events.clear(); }
    // The marker of the manual generator's two picks, as the canvas shows it after a pick.
    void showArrow() { shown_.arrowVisible = true; }

  private:
    Circle& slot(int id);

    double width_ = kDesignWidth;
    double height_ = kDesignHeight;
    double m2Twips_ = 0;
    bool recordOverlays_ = false;
    bool recordEvents_ = false;
    std::function<void()> onProcessEvents_;
    HeadlessScreen shown_;
    std::vector<Circle> circles_;  // by ID
    Circle ignored_;               // where a call for an ID below 0 goes
};

// A headless host that keeps no circles, for runs nobody watches (the batch runner, scripts):
// a long run's pedestrians cost it nothing.
class UnseenHost : public HeadlessHost {
  public:
    void placeCircle(int, float, float, float) override {}
    void paintCircle(int, Colour, bool) override {}
    void setCircleVisible(int, bool) override {}
    void unloadCircle(int) override {}
};

}  // namespace strida
