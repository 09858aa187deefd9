#include "measure/crowd_measures.h"

#include <cmath>

namespace strida {

DensitySpeed densityAndSpeed(std::span<const Walker> walkers, const Window& window) {
    DensitySpeed out;
    double sum = 0;
    for (const Walker& w : walkers)
        if (window.contains(w.x, w.y)) {
            ++out.count;
            sum += speedAlong(w);
        }
    if (window.area() > 0) out.density = out.count / window.area();
    if (out.count > 0) out.speed = sum / out.count;
    return out;
}

std::optional<double> laneOrder(std::span<const Walker> walkers, const Window& window,
                                double across, double along) {
    bool ways[2] = {false, false};
    for (const Walker& w : walkers)
        if (window.contains(w.x, w.y)) ways[w.way] = true;
    if (!ways[0] || !ways[1]) return std::nullopt;
    // Neighbours are counted wherever they are, so a walker at the window's edge is judged by
    // everyone around it.
    double sum = 0;
    int n = 0;
    for (const Walker& w : walkers) {
        if (!window.contains(w.x, w.y)) continue;
        int same = 0, other = 0;
        for (const Walker& q : walkers)
            if (std::fabs(q.y - w.y) <= across && std::fabs(q.x - w.x) <= along)
                ++(q.way == w.way ? same : other);
        const double order = static_cast<double>(same - other) / (same + other);
        sum += order * order;
        ++n;
    }
    return sum / n;
}

double weidmannSpeed(double density) {
    if (density <= 0) return 1.34;
    if (density >= 5.4) return 0;
    return 1.34 * (1 - std::exp(-1.913 * (1 / density - 1 / 5.4)));
}

}  // namespace strida
