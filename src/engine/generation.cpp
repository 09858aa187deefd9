// Automatic pedestrian generation: the whole population before the run, or one pedestrian at a
// time by headway during it.
#include <algorithm>
#include <cmath>

#include "engine/engine.h"
#include "core/numbers.h"

namespace strida {

MaybeError Engine::GenerateAllAtOnce() {
    if (!settings.GeneratedAtOnce || settings.ManualGenerator) return std::nullopt;
    MaybeError error;
    const double r = readStrict("PedDiameter", settings.PedDiameter, error).value_or(0) / 2;
    const double W = readStrict("TrapWidth", settings.TrapWidth, error).value_or(0);
    if (error) return error;
    if (!(r > 0))
        return EngineError{"PedDiameter is " + quoteText(settings.PedDiameter) +
                           "; the generator divides " +
                           "the trap width into lanes by it, so it must be above 0"};
    const int lanes = static_cast<int>(std::clamp(num::Int(W / r), 1.0, 32767.0));

    auto generate = [this](std::string_view side, const std::string& countText) -> MaybeError {
        const int count = num::roundInt16(num::lenient(countText)).value_or(0);
        for (int i = 0; i < count; ++i)
            if (MaybeError error = GeneratePedestrian(side)) return error;
        return std::nullopt;
    };
    if (settings.NumWays == Ways::One) {
        West2EastList.reset(lanes);
        return generate("", settings.TotalNumberOfPedestrians);
    }
    West2EastList.reset(lanes);
    if (MaybeError error = generate("West2East", settings.NumPedLeft)) return error;
    East2WestList.reset(lanes);
    return generate("East2West", settings.NumPedRight);
}

MaybeError Engine::GeneratePedestrian(std::string_view direction) {
    std::string_view side = "West2East";
    if (settings.NumWays == Ways::Two) {
        if (settings.GeneratedAtOnce) {
            side = direction;
        } else if (settings.RandomInput) {
            const double total = num::lenient(settings.TotalNumberOfPedestrians);
            if (total == 0)
                return EngineError{
                    "TotalNumberOfPedestrians is " + quoteText(settings.TotalNumberOfPedestrians) +
                    "; generating from both sides by headway shares the pedestrians " +
                    "out by it, so it must not be 0"};
            const double p = num::lenient(settings.NumPedLeft) / total;
            random.Randomize();
            const float u = random.Rnd();
            side = static_cast<float>(p) > u ? "West2East" : "East2West";
        }
    }
    Attributes a;
    if (MaybeError error = GenerateAttributes(side, a)) return error;
    return CreatePedestrian(a.Px, a.Py, a.Ex, a.Ey, a.MaxSpeed, a.color, a.Vx, a.Vy);
}

MaybeError Engine::GenerateAttributes(std::string_view side, Attributes& out) {
    const Settings& s = settings;
    const bool west = side != "East2West";
    const double m2t = M2Twips();
    random.Randomize();
    MaybeError error;
    const double L = readStrict("TrapLength", s.TrapLength, error).value_or(0);
    const double W = readStrict("TrapWidth", s.TrapWidth, error).value_or(0);
    if (error) return error;

    if (s.GeneratedAtOnce) {
        const double dGen =
            readStrict("DistGenerator2Trap", s.DistGenerator2Trap, error).value_or(0);
        const double r = readStrict("PedDiameter", s.PedDiameter, error).value_or(0) / 2;
        double mean = 0, range = 0;
        if (!s.UniformSpaceGenerator && s.NormalSpaceGenerator) {
            mean = readStrict("SpatialMeanInput", s.SpatialMeanInput, error).value_or(0);
            range = readStrict("SpatialRangeInput", s.SpatialRangeInput, error).value_or(0);
        }
        if (error) return error;
        if (!(r > 0))
            return EngineError{"PedDiameter is " + quoteText(s.PedDiameter) +
                               "; the generator divides the " +
                               "trap width into lanes by it, so it must be above 0"};
        const double n = num::Int(W / r);
        double k;
        if (s.UniformSpaceGenerator) {
            // The grid has twice as many lanes as fit across the trap (lane k lies at (2k - 1) r),
            // so a uniform lane is drawn from the half that lies inside the trap's width.
            k = num::Int(num::Int(n / 2) * random.Rnd()) + 1;
        } else {
            const double u = random.RandomVariate("Normal", mean * 1.5 / 100, range / 100) / 3;
            k = num::Int(n * u) + 1;
        }
        PlacementGrid& grid = west ? West2EastList : East2WestList;
        if (grid.lanes() == 0) grid.reset(static_cast<int>(std::clamp(n, 1.0, 32767.0)));
        // A draw beyond the grid (a wide normal spread) stands in its outermost lane.
        const int lane = static_cast<int>(std::clamp(k, 1.0, static_cast<double>(grid.lanes())));
        out.Py = static_cast<float>((2 * lane - 1) * r);
        const int c = grid.take(lane);
        const float q = static_cast<float>((2 * c - 1) * r);
        out.Px = static_cast<float>(west ? L / 2 - dGen - q : L / 2 + dGen + q);
    } else if (s.RandomInput) {
        random.Randomize();
        const double width = host.areaWidth(), height = host.areaHeight();
        if (west) {
            // About 1.2 trap lengths west of the trap, spread by a few twips per pedestrian.
            const float u = random.Rnd();
            out.Px = static_cast<float>((num::Int(u * LastPedID) - 1.2 * width) * m2t);
        } else {
            out.Px = static_cast<float>(width * m2t);
        }
        out.Py = static_cast<float>(num::Int(height * random.Rnd()) * m2t);
    }

    if (west) {
        out.Ex = static_cast<float>(4 * L * random.Rnd() + L);
        out.Ey = static_cast<float>(random.Rnd() * W);
        out.color = 1;
    } else {
        out.Ex = static_cast<float>(-4 * L * random.Rnd());
        out.Ey = static_cast<float>(random.Rnd() * W);
        out.color = 2;
    }

    const double share =
        readStrict("PercentNumOf1stCategory", s.PercentNumOf1stCategory, error).value_or(0);
    if (error) return error;
    const float p1 = static_cast<float>(share / 100);
    const bool first = p1 >= random.Rnd();
    const bool theOnly = first ? s._1stMaxSpeedTheOnly : s._2ndMaxSpeedTheOnly;
    if (theOnly) {
        out.MaxSpeed = first ? readStrict("1stMaxSpeed", s._1stMaxSpeed, error).value_or(0)
                             : readStrict("2ndMaxSpeed", s._2ndMaxSpeed, error).value_or(0);
    } else {
        const double mean =
            first ? readStrict("1stMaxSpeedMeanInput", s._1stMaxSpeedMeanInput, error).value_or(0)
                  : readStrict("2ndMaxSpeedMeanInput", s._2ndMaxSpeedMeanInput, error).value_or(0);
        const double sd =
            first ? readStrict("1stMaxSpeedStdInput", s._1stMaxSpeedStdInput, error).value_or(0)
                  : readStrict("2ndMaxSpeedStdInput", s._2ndMaxSpeedStdInput, error).value_or(0);
        if (error) return error;
        out.MaxSpeed = random.RandomVariate("Normal", mean, sd);
    }
    if (error) return error;
    out.Vx = num::Int((2.0 * random.Rnd() - 1) * out.MaxSpeed);
    out.Vy = num::Int((2.0 * random.Rnd() - 1) * out.MaxSpeed);
    return std::nullopt;
}

}  // namespace strida
