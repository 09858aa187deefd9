#include "engine/ped_parameters.h"

#include <cmath>

#include "engine/setting_readers.h"

namespace strida {

MaybeError readBehaviour(const Settings& s, PedDef& def, bool withMaxAccl) {
    MaybeError error;
    auto read = [&](std::string Settings::*text) {
        return readerOf(text).read(s, error).value_or(0);
    };
    const double accl = withMaxAccl ? read(&Settings::MaxAccl) : 0;
    const double diameter = read(&Settings::PedDiameter);
    const double influence = read(&Settings::InfluenceDiameter);
    def.sightDistance = read(&Settings::SightDist);
    def.Mass = read(&Settings::Mass);
    def.Alpha = read(&Settings::Alpha);
    def.Beta = read(&Settings::Beta);
    def.Chi = read(&Settings::Chi);
    def.TimeGap = read(&Settings::TimeGap);
    def.SteerStrength = read(&Settings::SteerStrength);
    def.SteerRange = read(&Settings::SteerRange);
    if (error) return error;
    if (withMaxAccl) def.maxAcceleration = accl;
    def.Radius = diameter / 2;
    def.influenceRadius = influence / 2;
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
