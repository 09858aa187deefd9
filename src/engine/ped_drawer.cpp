#include "engine/ped_drawer.h"

#include <array>
#include <cmath>
#include <string>

namespace strida {
namespace {

constexpr std::array<std::array<Colour, 4>, 4> kColours{{
    {0x8080FF, 0x0000FF, 0x0000C0, 0x000080},  // red
    {0xFF8080, 0xFF0000, 0xC00000, 0x800000},  // blue
    {0x80FF80, 0x00FF00, 0x00C000, 0x008000},  // green
    {0x80C0FF, 0x0080FF, 0x0040C0, 0x004080},  // orange
}};

bool hasScale(double m2t) {
    return m2t > 0 && std::isfinite(m2t);
}

EngineError unknownFamily(std::uint8_t color) {
    return EngineError{"colour family " + std::to_string(color) + " is not one of 1 to 4"};
}

}  // namespace

std::optional<Colour> ColorCode(std::uint8_t c, std::uint8_t s) {
    if (c < 1 || c > 4 || s < 1 || s > 4) return std::nullopt;
    return kColours[c - 1][s - 1];
}

MaybeError PedDrawer::Create(const PedClass& ped) {
    const double m2t = host_.m2Twips();
    host_.hideArrow();
    const std::optional<Colour> colour = ColorCode(ped.color(), 4);
    if (!colour) return unknownFamily(ped.color());
    if (!hasScale(m2t))
        return EngineError{"the trap canvas has no scale yet; calibrate the trap first"};
    const double px = ped.Px(), py = ped.Py(), r = ped.Radius();
    host_.placeCircle(ped.ID(), static_cast<float>((px - r) / m2t),
                      static_cast<float>((py + r) / m2t), static_cast<float>(2 * r / m2t));
    host_.paintCircle(ped.ID(), *colour, isOn(settings_.DrawFill));
    host_.setCircleVisible(ped.ID(), true);
    return std::nullopt;
}

MaybeError PedDrawer::draw(const PedClass& ped) {
    const double m2t = host_.m2Twips();
    if (!hasScale(m2t)) return std::nullopt;
    const double vx = ped.Vx(), vy = ped.Vy();
    const double s = std::sqrt(vy * vy + vx * vx);
    double ux = 0, uy = 1;
    if (s != 0) ux = vx / s, uy = vy / s;
    // A pedestrian that may not move at all shows as standing still rather than failing.
    const double r = ped.MaxSpeed() > 0 ? s / ped.MaxSpeed() : (s > 0 ? 1.0 : 0.0);
    const std::uint8_t shade = r > 0.9 ? 4 : r > 0.8 ? 3 : r > 0.75 ? 2 : 1;
    const std::optional<Colour> colour = ColorCode(ped.color(), shade);
    if (!colour) return unknownFamily(ped.color());

    auto tw = [m2t](double metres) { return static_cast<float>(metres / m2t); };
    const double px = ped.Px(), py = ped.Py(), R = ped.Radius();
    host_.paintCircle(ped.ID(), *colour, isOn(settings_.DrawFill));
    if (isOn(settings_.PedCircle)) host_.placeCircle(ped.ID(), tw(px - R), tw(py + R), tw(2 * R));
    // The label stands just above and to the right of the pedestrian's own circle.
    if (isOn(settings_.PrintID))
        host_.drawText(tw(px + R), tw(py + R), " " + std::to_string(ped.ID()));
    if (isOn(settings_.VelocityLine))
        host_.drawLine(tw(px), tw(py), tw(px + 0.25 * vx), tw(py + 0.25 * vy), *colour);
    if (isOn(settings_.AcclLine))
        host_.drawLine(tw(px), tw(py), tw(px + 0.25 * ped.accelX()), tw(py + 0.25 * ped.accelY()),
                       colours::Red);
    if (isOn(settings_.ShowInfCircle))
        host_.drawCircle(tw(px), tw(py), tw(ped.influenceRadius()), colours::LightGrey);
    if (isOn(settings_.SightBox)) drawSightBox(ped, ux, uy, m2t);
    return std::nullopt;
}

void PedDrawer::drawSightBox(const PedClass& ped, double ux, double uy, double m2t) {
    auto tw = [m2t](double metres) { return static_cast<float>(metres / m2t); };
    const double px = ped.Px(), py = ped.Py(), R = ped.Radius(), D = ped.sightDistance();
    const double ax = px + uy * R, ay = py - ux * R;
    const double bx = ax + D * ux, by = ay + D * uy;
    const double cx = px - uy * R + ux * D, cy = py + ux * R + uy * D;
    const double ex = px - uy * R, ey = py + ux * R;
    host_.drawLine(tw(ax), tw(ay), tw(bx), tw(by), colours::LightGrey);
    host_.drawLine(tw(bx), tw(by), tw(cx), tw(cy), colours::LightGrey);
    host_.drawLine(tw(cx), tw(cy), tw(ex), tw(ey), colours::LightGrey);
}

}  // namespace strida
