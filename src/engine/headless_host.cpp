#include "engine/headless_host.h"

namespace strida {

HeadlessHost::Circle& HeadlessHost::slot(int id) {
    if (id < 0) return ignored_ = Circle{};
    const auto index = static_cast<std::size_t>(id);
    if (index >= circles_.size()) circles_.resize(index + 1);
    return circles_[index];
}

const HeadlessHost::Circle* HeadlessHost::circle(int id) const {
    const auto index = static_cast<std::size_t>(id);
    if (id < 0 || index >= circles_.size() || !circles_[index].loaded) return nullptr;
    return &circles_[index];
}

void HeadlessHost::clearArea() {
    shown_.overlays.clear();
    shown_.overlayCount = 0;
    ++shown_.clearCount;
}

bool HeadlessHost::resizeArea(double width, double height) {
    if (width == width_ && height == height_) return false;
    width_ = width;
    height_ = height;
    return true;
}

void HeadlessHost::placeCircle(int id, float left, float top, float diameter) {
    Circle& c = slot(id);
    c.loaded = true;
    c.left = left;
    c.top = top;
    c.diameter = diameter;
}

void HeadlessHost::paintCircle(int id, Colour colour, bool filled) {
    Circle& c = slot(id);
    c.colour = colour;
    c.filled = filled;
}

void HeadlessHost::setCircleVisible(int id, bool visible) {
    slot(id).visible = visible;
}

void HeadlessHost::unloadCircle(int id) {
    slot(id) = Circle{};
}

void HeadlessHost::drawLine(float x1, float y1, float x2, float y2, Colour colour) {
    ++shown_.overlayCount;
    if (recordOverlays_)
        shown_.overlays.push_back({Overlay::Kind::Line, x1, y1, x2, y2, colour, {}});
}

void HeadlessHost::drawCircle(float cx, float cy, float radius, Colour colour) {
    ++shown_.overlayCount;
    if (recordOverlays_)
        shown_.overlays.push_back({Overlay::Kind::Circle, cx, cy, radius, 0, colour, {}});
}

void HeadlessHost::drawText(float x, float y, std::string_view text) {
    ++shown_.overlayCount;
    if (recordOverlays_)
        shown_.overlays.push_back(
            {Overlay::Kind::Text, x, y, 0, 0, colours::Black, std::string(text)});
}

void HeadlessHost::runEvent(const RunEvent& event) {
    if (recordEvents_) shown_.events.push_back(event);
    using Kind = RunEvent::Kind;
    switch (event.kind) {
        case Kind::Started:
            shown_.runExists = shown_.stepping = true;
            break;
        case Kind::Paused:
        case Kind::Resumed:
            shown_.stepping = event.kind == Kind::Resumed;
            break;
        case Kind::Step:
            shown_.step = event.step;
            shown_.seconds = event.seconds;
            break;
        case Kind::Ended:
            shown_.runExists = shown_.stepping = false;
            shown_.step = 0;
            shown_.seconds = 0;
            shown_.ending = event.ending;
            break;
        case Kind::PedestrianCreated:
        case Kind::PedestrianRemoved:
            break;
    }
}

void HeadlessHost::showMessage(std::string_view text, std::string_view title, MessageIcon icon) {
    shown_.messages.push_back({std::string(text), std::string(title), icon});
}

void HeadlessHost::processEvents() {
    ++shown_.processEventsCount;
    if (onProcessEvents_) onProcessEvents_();
}

}  // namespace strida
