#include "engine/engine.h"

#include <cmath>
#include <limits>

#include "engine/numbers.h"

namespace strida {

Engine::Engine(Settings& settings, Host& host, std::filesystem::path reportFolder,
               std::optional<std::uint64_t> seed)
    : settings(settings), host(host), random(seed), reports(std::move(reportFolder), host) {}

TrapExtent Engine::trap() const {
    const double m2t = M2Twips();
    return {static_cast<float>(host.areaWidth() * m2t), static_cast<float>(host.areaHeight() * m2t)};
}

void Engine::RemovePedestrian(std::int16_t id) {
    if (!Pedestrians.remove(id)) return;
    host.setCircleVisible(id, false);
    // Circle 0 is the canvas's template: it is only ever hidden.
    if (id != 0) host.unloadCircle(id);
}

}  // namespace strida

namespace strida {

std::optional<double> readStrict(std::string_view name, const std::string& text, MaybeError& error) {
    std::optional<double> value = num::strict(text);
    if (!value && !error)
        error = EngineError{std::string(name) + " is \"" + text + "\", which is not a number"};
    return value;
}

MaybeError Engine::CreatePedestrian(float Px, float Py, float Ex, float Ey, double MaxSpeed,
                                    std::int16_t color, double Vx, double Vy,
                                    std::optional<double> maxAcceleration) {
    const Settings& s = settings;
    MaybeError error;
    const double accl = maxAcceleration ? *maxAcceleration : readStrict("MaxAccl", s.MaxAccl, error).value_or(0);
    const double diameter = readStrict("PedDiameter", s.PedDiameter, error).value_or(0);
    const double influence = readStrict("InfluenceDiameter", s.InfluenceDiameter, error).value_or(0);
    const double sight = readStrict("SightDist", s.SightDist, error).value_or(0);
    const double mass = readStrict("Mass", s.Mass, error).value_or(0);
    const double alpha = readStrict("Alpha", s.Alpha, error).value_or(0);
    const double beta = readStrict("Beta", s.Beta, error).value_or(0);
    const double chi = readStrict("Chi", s.Chi, error).value_or(0);
    if (error) return error;
    if (!std::isfinite(Px) || !std::isfinite(Py) || !std::isfinite(Ex) || !std::isfinite(Ey) ||
        !std::isfinite(MaxSpeed) || !std::isfinite(Vx) || !std::isfinite(Vy) || !std::isfinite(accl))
        return EngineError{"a pedestrian's position, target, speed or acceleration is not a finite number"};
    if (LastPedID >= std::numeric_limits<std::int16_t>::max())
        return EngineError{"a run holds at most 32767 pedestrians, and this run has created them all"};

    random.Randomize();
    auto ped = std::make_unique<PedClass>(*this);
    ped->ID(static_cast<std::int16_t>(LastPedID + 1));
    ped->Px(Px);
    ped->Py(Py);
    ped->Ex(Ex);
    ped->Ey(Ey);
    ped->Radius(diameter / 2);
    ped->influenceRadius(influence / 2);
    ped->MaxSpeed(MaxSpeed);
    ped->maxAcceleration(accl);
    ped->sightDistance(sight);
    ped->Alpha(alpha);
    ped->Beta(beta);
    ped->Chi(chi);
    ped->Mass(mass);
    ped->color(static_cast<std::uint8_t>(color));
    ped->Vx(Vx);
    ped->Vy(Vy);
    if (MaybeError failed = ped->Create()) {
        host.unloadCircle(ped->ID());
        return failed;
    }
    ++LastPedID;
    Pedestrians.add(std::move(ped));
    return std::nullopt;
}

}  // namespace strida
