// Automatic pedestrian generation: where each new pedestrian starts, where it heads, how fast it
// may walk, and when the next one is due. The generator only describes pedestrians; the run's
// factory makes them.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "core/error.h"
#include "core/random.h"
#include "engine/ped_class.h"
#include "engine/settings.h"
#include "measure/direction.h"

namespace strida {

// The queue places beside one generator when a population is generated all at once: lanes across
// the trap, places counted outward from the generator. A lane's places are taken first to last, so
// a lane is described by how many of its places are taken.
class PlacementGrid {
  public:
    void reset(int lanes);  // at least 1
    void clear() { taken_.clear(), columns_ = 0; }
    int lanes() const { return static_cast<int>(taken_.size()); }
    int columns() const { return columns_; }
    // Takes the first free place of lane k (1-based) and returns its column (1-based), adding a
    // column to the grid when the lane is full.
    int take(int k);

  private:
    std::vector<int> taken_;
    int columns_ = 0;
};

/// One category of maximum speed: a single speed, or a normal distribution of them (m/s).
struct SpeedCategory {
    bool theOnly = false;
    double speed = 0, mean = 0, sd = 0;
};

/// Every number the generator reads from the settings, for the timing, spread and speed
/// categories chosen now. The start check reads them the same way, so a run that starts never
/// meets an unreadable text the generator needs.
struct GeneratorInputs {
    double L = 0, W = 0;          ///< m: trap length and width
    double dGen = 0;              ///< m: generator to trap, all at once
    double r = 0;                 ///< m: body radius, all at once; the lanes are 2r apart
    double spatialMean = 0;       ///< % of the trap width, normal spread
    double spatialRange = 0;      ///< % of the trap width, normal spread
    double share = 0;             ///< % of pedestrians in the first speed category
    SpeedCategory first, second;  ///< read only when the share lets them be drawn
    double wallTop = 0;           ///< m: with CorridorWalls, the upper wall (the trap as measured)
};
// The inputs read from the settings, with the trap's length and width as calibrated.
MaybeError readGeneratorInputs(const Settings& s, const Trap& trap, GeneratorInputs& in);

// The lanes across a trap of width W for pedestrians of radius r.
int lanesOf(double W, double r);

class PedestrianGenerator {
  public:
    PedestrianGenerator(const Settings& settings, RandomSource& random)
        : s_(settings), random_(random) {}

    // A stop: the headway count and the placement grids are cleared; the drawn headway stays.
    void clear();

    // One time slice of generation by headway, with `present` pedestrians in the run: counts the
    // slice and sets `due` when the next pedestrian is to be generated now.
    MaybeError countHeadway(std::size_t present, bool& due);
    // The due pedestrian was made: a new headway is drawn at the next count.
    void generated() { HeadwayDrawn_ = false, HeadwayCounter_ = 0; }

    // The way the next pedestrian walks: given by the caller all at once, drawn from the side
    // counts by headway, always west to east on one way.
    MaybeError chooseSide(std::optional<Direction> given, Direction& side);
    // Start, target, colour, maximum speed and velocity of the next pedestrian from `side`, the
    // run having made `LastPedID` pedestrians so far.
    MaybeError GenerateAttributes(Direction side, const Trap& trap, std::int32_t LastPedID,
                                  PedDef& out);

    std::int32_t HeadwayCounter() const { return HeadwayCounter_; }
    std::int16_t NextHeadway() const { return NextHeadway_; }
    bool HeadwayDrawn() const { return HeadwayDrawn_; }
    const PlacementGrid& West2EastList() const { return West2EastList_; }
    const PlacementGrid& East2WestList() const { return East2WestList_; }

  private:
    void placeAllAtOnce(const GeneratorInputs& in, bool west, PedDef& out);
    void placeByHeadway(bool west, const Trap& trap, std::int32_t LastPedID, PedDef& out);
    double drawMaxSpeed(const GeneratorInputs& in);

    const Settings& s_;
    RandomSource& random_;
    // Held in 32 bits so that it can always pass the largest headway a 16-bit draw can give.
    std::int32_t HeadwayCounter_ = 0;
    std::int16_t NextHeadway_ = 0;
    bool HeadwayDrawn_ = false;
    PlacementGrid West2EastList_;
    PlacementGrid East2WestList_;
};

// Generating from both sides by headway shares the pedestrians out by TotalNumberOfPedestrians,
// which must then not be 0.
MaybeError checkHeadwayShare(const Settings& s);

}  // namespace strida
