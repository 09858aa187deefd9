// Which way a pedestrian walks along the trap: towards larger x (from the west end) or back. The
// generator places and colours pedestrians by it, the step counts them by it, and the charts and
// the chart data give each direction its own density, speed and flow. It also indexes the
// per-direction arrays, so its values are 0 and 1.
#pragma once

#include <cstdint>

namespace strida {

enum Direction : std::uint8_t { WestToEast = 0, EastToWest = 1 };

// The way a pedestrian walks from its start to its target: a target level with the start counts as
// walking east, as one straight above it does.
inline Direction walkingDirection(double startX, double targetX) {
    return targetX >= startX ? WestToEast : EastToWest;
}

// The colour family of a generated pedestrian walking that way: 1 from the west, 2 from the east.
// Pedestrians of one family count as one group for the homogeneity index.
inline std::uint8_t colourFamilyOf(Direction d) {
    return d == WestToEast ? 1 : 2;
}

}  // namespace strida
