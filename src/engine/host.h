// The engine's one window onto the outside world, in two parts: the Canvas it draws the trap on,
// and the Host that also hears what happens to a run (RunEvent), shows the figures and messages
// and lets user events in. The desktop program turns the events into its captions, status bar,
// timer and pointer; HeadlessHost records them for the batch runner and the tests. The engine
// includes no window-system header and reaches the screen only through here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/performance_texts.h"

namespace strida {

// A 24-bit colour laid out as 0xBBGGRR.
using Colour = std::uint32_t;

namespace colours {
inline constexpr Colour Black = 0x000000;
inline constexpr Colour Red = 0x0000FF;
inline constexpr Colour Blue = 0xFF0000;
inline constexpr Colour White = 0xFFFFFF;
inline constexpr Colour LightGrey = 0xC0C0C0;
}  // namespace colours

enum class MessageIcon { None, Stop, Information };

// What happened to the run, as the engine tells its host.
struct RunEvent {
    enum class Kind {
        Started,            ///< a run began stepping
        Paused,             ///< steps stop coming until the run is continued
        Resumed,            ///< steps come again
        Step,               ///< a step is under way: `step` and `seconds`
        Ended,              ///< the run is over: `ending`
        PedestrianCreated,  ///< `pedestrian` joined the run's crowd
        PedestrianRemoved,  ///< `pedestrian` left it on arriving
    };
    explicit RunEvent(Kind k) : kind(k) {}

    Kind kind;
    std::int32_t step = 0;  ///< Step: the steps taken so far, this one included
    double seconds = 0;     ///< Step: the simulated time at its end
    // Ended: "finished", "step limit", "stopped", "interrupted" or "refused", as the run's record
    // says.
    std::string ending;
    int pedestrian = 0;  ///< PedestrianCreated and PedestrianRemoved: the ID
};

// The trap canvas: what the engine draws on and the figures it is calibrated by.
class Canvas {
  public:
    virtual ~Canvas() = default;

    // The drawing area of the trap canvas, in twips with the origin at its bottom-left corner and
    // y upward. Both extents are positive.
    virtual double areaWidth() const = 0;
    virtual double areaHeight() const = 0;
    // Metres per twip; 0 until the first calibration.
    virtual double m2Twips() const = 0;
    // Erase every overlay (lines, circles, texts); the pedestrians' circles stay.
    virtual void clearArea() = 0;
    // Resize the drawing area; false when it already had this size (then nothing happens).
    virtual bool resizeArea(double width, double height) = 0;
    virtual void setM2Twips(double m2Twips) = 0;
    // Mouse mode of the trap canvas: 0 clicks pick nothing, 1 clicks pick a start and a target.
    virtual void setCanvasMode(int mode) = 0;

    // The retained circle of pedestrian `id`. Placing a circle that does not exist yet creates it.
    // Coordinates are twips: left edge, top edge (y upward) and diameter.
    virtual void placeCircle(int id, float left, float top, float diameter) = 0;
    virtual void paintCircle(int id, Colour colour, bool filled) = 0;
    virtual void setCircleVisible(int id, bool visible) = 0;
    virtual void unloadCircle(int id) = 0;
    // The marker that shows the two points picked for the manual generator.
    virtual void hideArrow() = 0;

    // Overlays, in twips; they stay until the area is cleared.
    virtual void drawLine(float x1, float y1, float x2, float y2, Colour colour) = 0;
    virtual void drawCircle(float cx, float cy, float radius, Colour colour) = 0;
    virtual void drawText(float x, float y, std::string_view text) = 0;
};

// The canvas and the run's other signs.
class Host : public Canvas {
  public:
    // What happened to the run. The host decides how it shows: the desktop's captions, status
    // bar, timer and pointer, or a record.
    virtual void runEvent(const RunEvent& event) = 0;
    virtual void showPerformance(const PerformanceTexts& texts) = 0;
    // The arrow-with-hourglass pointer during long work outside the steps (loading pedestrians).
    virtual void setBusy(bool busy) = 0;
    virtual void showMessage(std::string_view text, std::string_view title, MessageIcon icon) = 0;

    // Let pending user events run (repaints, menu commands, panel edits). A command meant for the
    // engine that comes in here during a step reaches it through Engine::request, which takes it
    // once this returns.
    virtual void processEvents() = 0;
};

}  // namespace strida
