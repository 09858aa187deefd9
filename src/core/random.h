// The one uniform random source of the program and the named distributions drawn from it.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace strida {

// A seed from the operating system's entropy, or the clock when it has none.
std::uint64_t drawSeed();

class RandomSource {
  public:
    // Without a seed the source starts from the time of day and every Randomize() mixes the time
    // in again. With a seed Randomize() mixes in nothing, so a whole run repeats draw for draw.
    explicit RandomSource(std::optional<std::uint64_t> seed = std::nullopt);

    void seed(std::optional<std::uint64_t> seed);
    bool isSeeded() const { return seeded_; }

    // Next uniform value, single precision, in [0, 1).
    float Rnd();

    // Reseed from the time of day. The time is folded into the current state rather than replacing
    // it, so the sequence never restarts: reseeding many times within one clock tick still gives
    // different draws after each reseed.
    void Randomize();

    // A draw of the named distribution. "Exponential" and "Normal" draw; every other name
    // ("Uniform", "", "exponential" ...) returns the mean without drawing. A draw at or below zero
    // is replaced by the mean.
    double RandomVariate(std::string_view distName, double mean, double sd);

  private:
    std::uint64_t next();
    // A uniform strictly above 0, for the logarithms; a draw of exactly 0 is drawn again.
    float positiveRnd();

    std::uint64_t state_ = 0;
    bool seeded_ = false;
};

}  // namespace strida
