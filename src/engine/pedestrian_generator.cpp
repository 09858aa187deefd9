#include "engine/pedestrian_generator.h"

#include <algorithm>

#include "core/numbers.h"
#include "engine/setting_text.h"

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
    c.theOnly = first ? s._1stMaxSpeedTheOnly : s._2ndMaxSpeedTheOnly;
    if (c.theOnly) {
        c.speed = first ? readStrict("1stMaxSpeed", s._1stMaxSpeed, error).value_or(0)
                        : readStrict("2ndMaxSpeed", s._2ndMaxSpeed, error).value_or(0);
        return;
    }
    c.mean = first ? readStrict("1stMaxSpeedMeanInput", s._1stMaxSpeedMeanInput, error).value_or(0)
                   : readStrict("2ndMaxSpeedMeanInput", s._2ndMaxSpeedMeanInput, error).value_or(0);
    c.sd = first ? readStrict("1stMaxSpeedStdInput", s._1stMaxSpeedStdInput, error).value_or(0)
                 : readStrict("2ndMaxSpeedStdInput", s._2ndMaxSpeedStdInput, error).value_or(0);
}

// The share of the first category as the draw compares it.
float firstShare(const GeneratorInputs& in) {
    return static_cast<float>(in.share / 100);
}

}  // namespace

MaybeError readGeneratorInputs(const Settings& s, GeneratorInputs& in) {
    MaybeError error;
    in.L = readStrict("TrapLength", s.TrapLength, error).value_or(0);
    in.W = readStrict("TrapWidth", s.TrapWidth, error).value_or(0);
    if (s.GeneratedAtOnce) {
        in.dGen = readStrict("DistGenerator2Trap", s.DistGenerator2Trap, error).value_or(0);
        in.r = readStrict("PedDiameter", s.PedDiameter, error).value_or(0) / 2;
        if (!s.UniformSpaceGenerator && s.NormalSpaceGenerator) {
            in.spatialMean = readStrict("SpatialMeanInput", s.SpatialMeanInput, error).value_or(0);
            in.spatialRange =
                readStrict("SpatialRangeInput", s.SpatialRangeInput, error).value_or(0);
        }
        if (!error && !(in.r > 0))
            error = EngineError{"PedDiameter is " + quoteText(s.PedDiameter) + "; the generator " +
                                "divides the trap width into lanes by it, so it must be above 0"};
    }
    in.share = readStrict("PercentNumOf1stCategory", s.PercentNumOf1stCategory, error).value_or(0);
    // A category is read when the draw can choose it.
    if (firstShare(in) >= 0) readCategory(s, true, in.first, error);
    if (firstShare(in) < 1) readCategory(s, false, in.second, error);
    return error;
}

MaybeError checkHeadwayShare(const Settings& s) {
    if (num::lenient(s.TotalNumberOfPedestrians) != 0) return std::nullopt;
    return EngineError{"TotalNumberOfPedestrians is " + quoteText(s.TotalNumberOfPedestrians) +
                       "; generating from both sides by headway shares the pedestrians out by " +
                       "it, so it must not be 0"};
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
    const std::optional<std::int16_t> limit =
        readCount("TotalNumberOfPedestrians", s_.TotalNumberOfPedestrians, error);
    if (!limit) return error;
    if (static_cast<long>(present) > *limit) HeadwayCounter_ = 0;
    if (!HeadwayDrawn_) {
        std::string_view name;
        if (s_.UniformHeadwayDistInput) name = "Uniform";
        if (s_.ExponentialHeadwayDistInput) name = "Exponential";
        if (s_.NormalHeadwayDistInput) name = "Normal";
        const double mean = num::lenient(s_.HeadwayMeanInput);
        const double sd = num::lenient(s_.HeadwayStdInput);
        const std::optional<std::int16_t> headway =
            num::roundInt16(random_.RandomVariate(name, mean, sd));
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

MaybeError PedestrianGenerator::chooseSide(std::string_view direction, std::string_view& side) {
    side = "West2East";
    if (s_.NumWays != Ways::Two) return std::nullopt;
    if (s_.GeneratedAtOnce) {
        side = direction;
    } else if (s_.RandomInput) {
        if (MaybeError error = checkHeadwayShare(s_)) return error;
        const double p = num::lenient(s_.NumPedLeft) / num::lenient(s_.TotalNumberOfPedestrians);
        random_.Randomize();
        const float u = random_.Rnd();
        side = static_cast<float>(p) > u ? "West2East" : "East2West";
    }
    return std::nullopt;
}

MaybeError PedestrianGenerator::GenerateAttributes(std::string_view side,
                                                   const CanvasExtent& canvas,
                                                   std::int32_t LastPedID, PedDef& out) {
    const bool west = side != "East2West";
    random_.Randomize();
    GeneratorInputs in;
    if (MaybeError error = readGeneratorInputs(s_, in)) return error;
    if (s_.GeneratedAtOnce)
        placeAllAtOnce(in, west, out);
    else if (s_.RandomInput)
        placeByHeadway(west, canvas, LastPedID, out);
    // The target lies beyond the far end of the trap, anywhere across it.
    out.Ex = static_cast<float>(west ? 4 * in.L * random_.Rnd() + in.L : -4 * in.L * random_.Rnd());
    out.Ey = static_cast<float>(random_.Rnd() * in.W);
    out.color = west ? 1 : 2;
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
    const int lane = static_cast<int>(std::clamp(k, 1.0, static_cast<double>(grid.lanes())));
    out.Py = static_cast<float>((2 * lane - 1) * in.r);
    const int c = grid.take(lane);
    const float q = static_cast<float>((2 * c - 1) * in.r);
    out.Px = static_cast<float>(west ? in.L / 2 - in.dGen - q : in.L / 2 + in.dGen + q);
}

void PedestrianGenerator::placeByHeadway(bool west, const CanvasExtent& canvas,
                                         std::int32_t LastPedID, PedDef& out) {
    random_.Randomize();
    const double m2t = canvas.m2Twips;
    if (west) {
        // About 1.2 trap lengths west of the trap, spread by a few twips per pedestrian.
        const float u = random_.Rnd();
        out.Px = static_cast<float>((num::Int(u * LastPedID) - 1.2 * canvas.width) * m2t);
    } else {
        out.Px = static_cast<float>(canvas.width * m2t);
    }
    out.Py = static_cast<float>(num::Int(canvas.height * random_.Rnd()) * m2t);
}

double PedestrianGenerator::drawMaxSpeed(const GeneratorInputs& in) {
    const bool first = firstShare(in) >= random_.Rnd();
    const SpeedCategory& c = first ? in.first : in.second;
    if (c.theOnly) return c.speed;
    return random_.RandomVariate("Normal", c.mean, c.sd);
}

}  // namespace strida
