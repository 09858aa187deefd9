// Fuzz target: the reader of text trajectory files (the replay's) on any bytes, within small
// limits.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "measure/trajectory_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    strida::TrajectoryLimits limits;
    limits.maxBytes = std::size_t{1} << 20;
    limits.maxRows = 2000;
    limits.maxPedestrians = 64;
    std::string error;
    const auto t = strida::parseTrajectoryText(
        std::string_view(reinterpret_cast<const char*>(data), size), error, limits);
    if (!t) {
        // Refused with a reason that says where: a line, or the file as a whole.
        if (!(error.starts_with("line ") || error.starts_with("it "))) std::abort();
        return 0;
    }
    if (!error.empty() || t->points.empty() || !(t->fps > 0) || !std::isfinite(t->fps))
        std::abort();
    if (t->pedestrians.size() > limits.maxPedestrians || t->points.size() > limits.maxRows)
        std::abort();
    if (t->frameStarts.size() != t->frameCount() + 1 || t->frameStarts.front() != 0 ||
        t->frameStarts.back() != t->points.size())
        std::abort();
    for (std::size_t f = 0; f < t->frameCount(); ++f) {
        if (f > 0 && t->frameNumbers[f - 1] >= t->frameNumbers[f]) std::abort();
        if (t->frame(f).empty()) std::abort();
        for (const strida::TrajectoryPoint& p : t->frame(f))
            if (p.pedestrian >= t->pedestrians.size() || !std::isfinite(p.x) || !std::isfinite(p.y))
                std::abort();
    }
    return 0;
}
