// How a pedestrian looks on the trap canvas: its circle in the shade of its speed, and the overlays
// the show options ask for (ID, velocity and acceleration lines, influence circle, sight box).
// It reads a pedestrian's state and draws on the canvas; the pedestrian knows nothing of it.
#pragma once

#include <cstdint>
#include <optional>

#include "core/error.h"
#include "engine/host.h"
#include "engine/ped_class.h"
#include "engine/settings.h"

namespace strida {

// The colour of family c (1 red, 2 blue, 3 green, 4 orange) in shade s (1 lightest to 4 darkest).
// Nothing for a family or shade outside 1 to 4.
std::optional<Colour> ColorCode(std::uint8_t c, std::uint8_t s);

class PedDrawer : public PedPainter {
  public:
    PedDrawer(const Settings& settings, Canvas& canvas) : settings_(settings), host_(canvas) {}

    // Places a new pedestrian's circle on the canvas, in the darkest shade of its family. Fails
    // when the canvas has no scale yet or the colour family is not one of the four.
    MaybeError Create(const PedClass& ped);
    // Shows the pedestrian where its last move left it. Before the canvas has a scale there is
    // nowhere to draw, and nothing is drawn.
    MaybeError draw(const PedClass& ped) override;

  private:
    void drawSightBox(const PedClass& ped, double ux, double uy, double m2t);

    const Settings& settings_;
    Canvas& host_;
};

}  // namespace strida
