#include "engine/pedestrian_generator.h"

#include <algorithm>

#include "core/numbers.h"
#include "engine/setting_readers.h"

namespace strida {

void PlacementGrid::reset(int lanes) {
    taken_.assign(static_cast<std::size_t>(lanes), 0);
    columns_ = 1;
}

int PlacementGrid::take(int k) {
    int& taken = taken_[static_cast<std::size_t>(k - 1)];
    ++taken;
    if (taken > columns_) columns_ = taken;
    return taken;
}

int lanesOf(double W, double r) {
    return static_cast<int>(std::clamp(num::Int(W / r), 1.0, 32767.0));
}

namespace {

void readCategory(const Settings& s, bool first, SpeedCategory& c, MaybeError& error) {
    auto read = [&](std::string Settings::*text) {
        return readerOf(text).read(s, error).value_or(0);
    };
    c.theOnly = first ? s._1stMaxSpeedTheOnly : s._2ndMaxSpeedTheOnly;
    if (c.theOnly) {
        c.speed = read(first ? &Settings::_1stMaxSpeed : &Settings::_2ndMaxSpeed);
        return;
    }
    c.mean = read(first ? &Settings::_1stMaxSpeedMeanInput : &Settings::_2ndMaxSpeedMeanInput);
    c.sd = read(first ? &Settings::_1stMaxSpeedStdInput : &Settings::_2ndMaxSpeedStdInput);
}

// The share of the first category as the draw compares it.
float firstShare(const GeneratorInputs& in) {
    return static_cast<float>(in.share / 100);
}

}  // namespace

MaybeError readGeneratorInputs(const Settings& s, const Trap& trap, GeneratorInputs& in) {
    MaybeError error;
    auto read = [&](std::string Settings::*text) {
        return readerOf(text).read(s, error).value_or(0);
    };
    in.L = trap.length;
    in.W = trap.width;
    if (corridorWalls(s)) in.wallTop = trap.extent.height;
    if (s.GeneratedAtOnce) {
        in.dGen = read(&Settings::DistGenerator2Trap);
        in.r = read(&Settings::PedDiameter) / 2;
        if (!s.UniformSpaceGenerator && s.NormalSpaceGenerator) {
            in.spatialMean = read(&Settings::SpatialMeanInput);
            in.spatialRange = read(&Settings::SpatialRangeInput);
        }
        if (!error && !(in.r > 0))
            error = refusedValue(readerOf(&Settings::PedDiameter), s,
                                 "the generator divides the trap width into lanes by it, so it "
                                 "must be above 0");
    }
    in.share = read(&Settings::PercentNumOf1stCategory);
    // A category is read when the draw can choose it.
    if (firstShare(in) >= 0) readCategory(s, true, in.first, error);
    if (firstShare(in) < 1) readCategory(s, false, in.second, error);
    return error;
}

MaybeError checkHeadwayShare(const Settings& s) {
    const SettingReader& total = readerOf(&Settings::TotalNumberOfPedestrians);
    if (total.leading(s) != 0) return std::nullopt;
    return refusedValue(total, s,
                        "generating from both sides by headway shares the pedestrians out by it, "
                        "so it must not be 0");
}

void PedestrianGenerator::clear() {
    HeadwayCounter_ = 0;
    West2EastList_.clear();
    East2WestList_.clear();
}

MaybeError PedestrianGenerator::countHeadway(std::size_t present, bool& due) {
    due = false;
    ++HeadwayCounter_;
    MaybeError error;
    const std::optional<double> limit =
        readerOf(&Settings::TotalNumberOfPedestrians).read(s_, error);
    if (!limit) return error;
    if (static_cast<long>(present) > *limit) HeadwayCounter_ = 0;
    if (!HeadwayDrawn_) {
        std::string_view name;
        if (s_.UniformHeadwayDistInput) name = "Uniform";
        if (s_.ExponentialHeadwayDistInput) name = "Exponential";
        if (s_.NormalHeadwayDistInput) name = "Normal";
        const std::optional<double> mean = readerOf(&Settings::HeadwayMeanInput).read(s_, error);
        const std::optional<double> sd = readerOf(&Settings::HeadwayStdInput).read(s_, error);
        if (error) return error;
        const std::optional<std::int16_t> headway =
            num::roundInt16(random_.RandomVariate(name, *mean, *sd));
        if (!headway)
            return EngineError{"HeadwayMeanInput is " + quoteText(s_.HeadwayMeanInput) +
                               " and HeadwayStdInput is " + quoteText(s_.HeadwayStdInput) +
                               "; the headway drawn from them is more than 32767 time slices"};
        NextHeadway_ = *headway;
        HeadwayDrawn_ = true;
    }
    due = HeadwayCounter_ > NextHeadway_;
    return std::nullopt;
}

MaybeError PedestrianGenerator::chooseSide(std::optional<Direction> given, Direction& side) {
    side = WestToEast;
    if (s_.NumWays != Ways::Two) return std::nullopt;
    if (s_.GeneratedAtOnce) {
        side = given.value_or(WestToEast);
    } else if (s_.RandomInput) {
        if (MaybeError error = checkHeadwayShare(s_)) return error;
        // The share from the west, from the counts as typed (2.5 of 5 is a half).
        const double p = readerOf(&Settings::NumPedLeft).leading(s_) /
                         readerOf(&Settings::TotalNumberOfPedestrians).leading(s_);
        random_.Randomize();
        const float u = random_.Rnd();
        side = static_cast<float>(p) > u ? WestToEast : EastToWest;
    }
    return std::nullopt;
}

MaybeError PedestrianGenerator::GenerateAttributes(Direction side, const Trap& trap,
                                                   std::int32_t LastPedID, PedDef& out) {
    const bool west = side == WestToEast;
    random_.Randomize();
    GeneratorInputs in;
    if (MaybeError error = readGeneratorInputs(s_, trap, in)) return error;
    if (s_.GeneratedAtOnce)
        placeAllAtOnce(in, west, out);
    else if (s_.RandomInput)
        placeByHeadway(west, trap, LastPedID, out);
    // The target lies beyond the far end of the trap, anywhere across it.
    out.Ex = static_cast<float>(west ? 4 * in.L * random_.Rnd() + in.L : -4 * in.L * random_.Rnd());
    out.Ey = static_cast<float>(random_.Rnd() * in.W);
    out.color = colourFamilyOf(side);
    out.MaxSpeed = drawMaxSpeed(in);
    out.Vx = num::Int((2.0 * random_.Rnd() - 1) * out.MaxSpeed);
    out.Vy = num::Int((2.0 * random_.Rnd() - 1) * out.MaxSpeed);
    return std::nullopt;
}

void PedestrianGenerator::placeAllAtOnce(const GeneratorInputs& in, bool west, PedDef& out) {
    const double n = num::Int(in.W / in.r);
    double k;
    if (s_.UniformSpaceGenerator) {
        // The grid has twice as many lanes as fit across the trap (lane k lies at (2k - 1) r), so
        // a uniform lane is drawn from the half that lies inside the trap's width.
        k = num::Int(num::Int(n / 2) * random_.Rnd()) + 1;
    } else {
        const double u =
            random_.RandomVariate("Normal", in.spatialMean * 1.5 / 100, in.spatialRange / 100) / 3;
        k = num::Int(n * u) + 1;
    }
    PlacementGrid& grid = west ? West2EastList_ : East2WestList_;
    if (grid.lanes() == 0) grid.reset(lanesOf(in.W, in.r));
    // A draw beyond the grid (a wide normal spread) stands in its outermost lane.
    int lane = static_cast<int>(std::clamp(k, 1.0, static_cast<double>(grid.lanes())));
    out.Py = static_cast<float>((2 * lane - 1) * in.r);
    if (in.wallTop > 0) {
        // Between walls only the lanes that fit between them are used: a draw beyond stands in
        // the last of them, and a corridor narrower than one lane holds everyone in its middle.
        const int inside = static_cast<int>(num::Int(in.wallTop / (2 * in.r)));
        lane = std::min(lane, std::max(inside, 1));
        out.Py = static_cast<float>(inside >= 1 ? (2 * lane - 1) * in.r : in.wallTop / 2);
    }
    const int c = grid.take(lane);
    const float q = static_cast<float>((2 * c - 1) * in.r);
    out.Px = static_cast<float>(west ? in.L / 2 - in.dGen - q : in.L / 2 + in.dGen + q);
}

void PedestrianGenerator::placeByHeadway(bool west, const Trap& trap, std::int32_t LastPedID,
                                         PedDef& out) {
    random_.Randomize();
    const double m2t = trap.m2Twips;
    if (west) {
        // About 1.2 trap lengths west of the trap, spread by a few twips per pedestrian.
        const float u = random_.Rnd();
        out.Px = static_cast<float>((num::Int(u * LastPedID) - 1.2 * trap.areaWidth) * m2t);
    } else {
        out.Px = static_cast<float>(trap.areaWidth * m2t);
    }
    out.Py = static_cast<float>(num::Int(trap.areaHeight * random_.Rnd()) * m2t);
}

double PedestrianGenerator::drawMaxSpeed(const GeneratorInputs& in) {
    const bool first = firstShare(in) >= random_.Rnd();
    const SpeedCategory& c = first ? in.first : in.second;
    if (c.theOnly) return c.speed;
    return random_.RandomVariate("Normal", c.mean, c.sd);
}

}  // namespace strida
