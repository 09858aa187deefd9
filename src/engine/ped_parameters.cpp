#include "engine/ped_parameters.h"

#include <cmath>
#include <string>
#include <tuple>

#include "engine/setting_text.h"

namespace strida {

MaybeError readBehaviour(const Settings& s, PedDef& def, bool withMaxAccl) {
    MaybeError error;
    const double accl = withMaxAccl ? readStrict("MaxAccl", s.MaxAccl, error).value_or(0) : 0;
    const double diameter = readStrict("PedDiameter", s.PedDiameter, error).value_or(0);
    const double influence =
        readStrict("InfluenceDiameter", s.InfluenceDiameter, error).value_or(0);
    def.sightDistance = readStrict("SightDist", s.SightDist, error).value_or(0);
    def.Mass = readStrict("Mass", s.Mass, error).value_or(0);
    def.Alpha = readStrict("Alpha", s.Alpha, error).value_or(0);
    def.Beta = readStrict("Beta", s.Beta, error).value_or(0);
    def.Chi = readStrict("Chi", s.Chi, error).value_or(0);
    if (error) return error;
    if (!(def.Mass > 0))
        return EngineError{"Mass is " + quoteText(s.Mass) + "; the motion divides by it, so it " +
                           "must be above 0"};
    for (auto [name, text, value] : {std::tuple{"MaxAccl", &s.MaxAccl, accl},
                                     {"PedDiameter", &s.PedDiameter, diameter},
                                     {"InfluenceDiameter", &s.InfluenceDiameter, influence},
                                     {"SightDist", &s.SightDist, def.sightDistance},
                                     {"Alpha", &s.Alpha, def.Alpha}})
        if (value < 0)
            return EngineError{std::string(name) + " is " + quoteText(*text) +
                               "; it must not be negative"};
    if (withMaxAccl) def.maxAcceleration = accl;
    def.Radius = diameter / 2;
    def.influenceRadius = influence / 2;
    return std::nullopt;
}

MaybeError checkForceDivisors(const Settings& s, const PedDef& def) {
    if (isOn(s.ForceSeparate) && !(def.Beta > 0))
        return EngineError{"Beta is " + quoteText(s.Beta) + "; the avoid-collision force " +
                           "divides by it, so it must be above 0 while that force is on"};
    if (isOn(s.ForceFlee) && def.Chi == 0)
        return EngineError{"Chi is " + quoteText(s.Chi) + "; the repulse-away force divides " +
                           "by it, so it must not be 0 while that force is on"};
    return std::nullopt;
}

MaybeError checkFinite(const PedDef& d) {
    for (double v : {double{d.Px}, double{d.Py}, double{d.Ex}, double{d.Ey}, d.MaxSpeed, d.Vx, d.Vy,
                     d.maxAcceleration})
        if (!std::isfinite(v))
            return EngineError{
                "a pedestrian's position, target, speed or acceleration is not a "
                "finite number"};
    return std::nullopt;
}

}  // namespace strida
