// Measures of a crowd at one instant, as the field compares simulators with experiments: the
// density in a window and the mean speed along each pedestrian's walking direction, the lane
// order of a counter-flow, and Weidmann's speed-density relation they are held against.
#pragma once

#include <optional>
#include <span>

#include "measure/direction.h"

namespace strida {

/// A pedestrian as the crowd measures see it.
struct Walker {
    double x = 0, y = 0;    ///< m
    double vx = 0, vy = 0;  ///< m/s
    Direction way = WestToEast;
};

/// A rectangle of the plane, edges included.
struct Window {
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;  ///< m
    double area() const { return (x1 - x0) * (y1 - y0); }
    bool contains(double x, double y) const { return x0 <= x && x <= x1 && y0 <= y && y <= y1; }
};

/// m/s: the velocity's part along the walker's way, +x walking east, -x walking west; negative
/// when it is pushed back.
inline double speedAlong(const Walker& w) {
    return w.way == WestToEast ? w.vx : -w.vx;
}

struct DensitySpeed {
    int count = 0;                ///< walkers inside the window
    double density = 0;           ///< persons/m²; 0 for a window without area
    std::optional<double> speed;  ///< m/s: mean speedAlong of those inside; none when empty
};

// The walkers inside the window: how many per square metre, and how fast they progress.
DensitySpeed densityAndSpeed(std::span<const Walker> walkers, const Window& window);

// How well a counter-flow has formed lanes, from 0 (none) to 1: the mean, over the walkers inside
// the window while both ways are there, of ((s - o) / (s + o))^2, where s counts the walkers of
// its own way (itself included) and o those of the other way no more than `across` metres across
// and `along` metres along the corridor from it. None while the window holds only one way.
std::optional<double> laneOrder(std::span<const Walker> walkers, const Window& window,
                                double across = 0.4, double along = 3.0);

// m/s: Weidmann's (1993) speed of a crowd at `density` persons/m²:
// 1.34 (1 - exp(-1.913 (1/density - 1/5.4))), 1.34 for an empty one, 0 from 5.4 on.
double weidmannSpeed(double density);

}  // namespace strida
