#include "core/random.h"

#include <chrono>
#include <cmath>
#include <exception>
#include <random>

namespace strida {
namespace {

std::uint64_t mix(std::uint64_t z) {
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

std::uint64_t timeOfDay() {
    return static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
}

}  // namespace

RandomSource::RandomSource(std::optional<std::uint64_t> seed) {
    this->seed(seed);
}

void RandomSource::seed(std::optional<std::uint64_t> seed) {
    seeded_ = seed.has_value();
    if (seeded_) {
        state_ = mix(*seed);
    } else {
        std::random_device device;
        state_ = mix(timeOfDay() ^ (static_cast<std::uint64_t>(device()) << 32 | device()));
    }
}

std::uint64_t RandomSource::next() {
    state_ += 0x9E3779B97F4A7C15ULL;
    return mix(state_);
}

float RandomSource::Rnd() {
    // 24 bits fill a single's significand exactly, so the value is always below 1.
    return static_cast<float>(next() >> 40) * (1.0f / 16777216.0f);
}

float RandomSource::positiveRnd() {
    float u = Rnd();
    while (u == 0.0f) u = Rnd();
    return u;
}

void RandomSource::Randomize() {
    if (seeded_) return;
    state_ = mix(state_ ^ mix(timeOfDay()));
}

double RandomSource::RandomVariate(std::string_view distName, double mean, double sd) {
    Randomize();
    double v = 0.0;
    if (distName == "Exponential") {
        const double u = positiveRnd();
        v = -mean * std::log(u);
    } else if (distName == "Normal") {
        // Box-Muller, cosine branch only; nothing is kept for the next call.
        const double u1 = positiveRnd();
        const double l = std::log(u1);
        const double a = sd * sd * (-2.0) * l;
        const double r = std::sqrt(a);
        const float u2 = Rnd();
        const double theta = u2 * 6.28318530717958;
        v = std::cos(theta) * r + mean;
    }
    // "Not above zero" also catches an undefined draw, which then falls back to the mean as well.
    if (!(v > 0)) return mean;
    return v;
}

std::uint64_t drawSeed() {
    try {
        std::random_device device;
        return (std::uint64_t{device()} << 32) ^ device();
    } catch (const std::exception&) {
        return static_cast<std::uint64_t>(
            std::chrono::system_clock::now().time_since_epoch().count());
    }
}

}  // namespace strida
