#include "engine/engine.h"

#include <cmath>
#include <limits>
#include <tuple>

#include "core/numbers.h"
#include "core/program.h"

namespace strida {

void PlacementGrid::reset(int lanes) {
    taken_.assign(static_cast<std::size_t>(lanes < 1 ? 1 : lanes), 0);
    columns_ = 1;
}

int PlacementGrid::take(int k) {
    int& taken = taken_[static_cast<std::size_t>(k - 1)];
    ++taken;
    if (taken > columns_) columns_ = taken;
    return taken;
}

Engine::Engine(Settings& settings, Host& host, std::filesystem::path reportFolder,
               std::optional<std::uint64_t> seed)
    : settings(settings), host(host), random(seed), reports(std::move(reportFolder), [&host](const std::string& text) {
          host.showMessage(text, kProgramName, MessageIcon::Stop);
      }) {}

Engine::~Engine() = default;

TrapExtent Engine::trap() const {
    const double m2t = M2Twips();
    return {static_cast<float>(host.areaWidth() * m2t),
            static_cast<float>(host.areaHeight() * m2t)};
}

void Engine::RemovePedestrian(std::int16_t id) {
    if (!Pedestrians.remove(id)) return;
    host.setCircleVisible(id, false);
    // Circle 0 is the canvas's template: it is only ever hidden.
    if (id != 0) host.unloadCircle(id);
}

std::optional<double> readStrict(std::string_view name, const std::string& text,
                                 MaybeError& error) {
    std::optional<double> value = num::strict(text);
    if (!value && !error)
        error =
            EngineError{std::string(name) + " is " + quoteText(text) + ", which is not a number"};
    return value;
}

namespace {

// The behaviour parameters every new pedestrian receives, read strictly from their settings. None
// of them may be negative: a negative size, reach or limit means nothing, and a negative Alpha
// would turn the forward force away from the target. Mass must be above 0, for the motion divides
// by it and a negative mass would turn every force around. Beta and Chi divide the two neighbour
// forces only while those are on, so whether 0 can stand is decided when a run starts.
struct Parameters {
    double accl = 0, diameter = 0, influence = 0, sight = 0, mass = 0, alpha = 0, beta = 0, chi = 0;
};

MaybeError readParameters(const Settings& s, Parameters& p, bool withMaxAccl) {
    MaybeError error;
    if (withMaxAccl) p.accl = readStrict("MaxAccl", s.MaxAccl, error).value_or(0);
    p.diameter = readStrict("PedDiameter", s.PedDiameter, error).value_or(0);
    p.influence = readStrict("InfluenceDiameter", s.InfluenceDiameter, error).value_or(0);
    p.sight = readStrict("SightDist", s.SightDist, error).value_or(0);
    p.mass = readStrict("Mass", s.Mass, error).value_or(0);
    p.alpha = readStrict("Alpha", s.Alpha, error).value_or(0);
    p.beta = readStrict("Beta", s.Beta, error).value_or(0);
    p.chi = readStrict("Chi", s.Chi, error).value_or(0);
    if (error) return error;
    if (!(p.mass > 0))
        return EngineError{"Mass is " + quoteText(s.Mass) + "; the motion divides by it, so it " +
                           "must be above 0"};
    for (auto [name, text, value] : {std::tuple{"MaxAccl", &s.MaxAccl, withMaxAccl ? p.accl : 0.0},
                                     {"PedDiameter", &s.PedDiameter, p.diameter},
                                     {"InfluenceDiameter", &s.InfluenceDiameter, p.influence},
                                     {"SightDist", &s.SightDist, p.sight},
                                     {"Alpha", &s.Alpha, p.alpha}})
        if (value < 0)
            return EngineError{std::string(name) + " is " + quoteText(*text) +
                               "; it must not be negative"};
    return std::nullopt;
}

}  // namespace

MaybeError Engine::CreatePedestrian(float Px, float Py, float Ex, float Ey, double MaxSpeed,
                                    std::int16_t color, double Vx, double Vy,
                                    std::optional<double> maxAcceleration) {
    Parameters p;
    if (MaybeError error = readParameters(settings, p, !maxAcceleration)) return error;
    const double accl = maxAcceleration ? *maxAcceleration : p.accl;
    if (!std::isfinite(Px) || !std::isfinite(Py) || !std::isfinite(Ex) || !std::isfinite(Ey) ||
        !std::isfinite(MaxSpeed) || !std::isfinite(Vx) || !std::isfinite(Vy) ||
        !std::isfinite(accl))
        return EngineError{
            "a pedestrian's position, target, speed or acceleration is not a finite number"};
    if (LastPedID >= std::numeric_limits<std::int16_t>::max())
        return EngineError{
            "a run can number at most 32767 pedestrians, and this run has created them all"};

    random.Randomize();
    auto ped = std::make_unique<PedClass>(*this);
    ped->ID(static_cast<std::int16_t>(LastPedID + 1));
    ped->Px(Px);
    ped->Py(Py);
    ped->Ex(Ex);
    ped->Ey(Ey);
    ped->Radius(p.diameter / 2);
    ped->influenceRadius(p.influence / 2);
    ped->MaxSpeed(MaxSpeed);
    ped->maxAcceleration(accl);
    ped->sightDistance(p.sight);
    ped->Alpha(p.alpha);
    ped->Beta(p.beta);
    ped->Chi(p.chi);
    ped->Mass(p.mass);
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

MaybeError Engine::checkRunSettings() const {
    const Settings& s = settings;
    const double slices = num::lenient(s.DT);
    if (!(slices > 0) || !(dt() > 0))
        return EngineError{"DT is " + quoteText(s.DT) +
                           "; the number of time slices per second must be " + "a number above 0"};
    if (s.ManualGenerator || !(s.GeneratedAtOnce || s.RandomInput)) return std::nullopt;

    // Automatic generation reads these at every pedestrian it makes.
    Parameters parameters;
    MaybeError error = readParameters(s, parameters, true);
    if (!error && isOn(s.ForceSeparate) && !(parameters.beta > 0))
        error = EngineError{"Beta is " + quoteText(s.Beta) + "; the avoid-collision force " +
                            "divides by it, so it must be above 0 while that force is on"};
    if (!error && isOn(s.ForceFlee) && parameters.chi == 0)
        error = EngineError{"Chi is " + quoteText(s.Chi) + "; the repulse-away force divides " +
                            "by it, so it must not be 0 while that force is on"};
    if (!error && s.GeneratedAtOnce && !(parameters.diameter > 0))
        error = EngineError{"PedDiameter is " + quoteText(s.PedDiameter) + "; the generator " +
                            "divides the trap width into lanes by it, so it must be above 0"};
    readStrict("TrapLength", s.TrapLength, error);
    readStrict("TrapWidth", s.TrapWidth, error);
    if (s.GeneratedAtOnce) {
        readStrict("DistGenerator2Trap", s.DistGenerator2Trap, error);
        if (s.NormalSpaceGenerator) {
            readStrict("SpatialMeanInput", s.SpatialMeanInput, error);
            readStrict("SpatialRangeInput", s.SpatialRangeInput, error);
        }
    }
    const double share =
        readStrict("PercentNumOf1stCategory", s.PercentNumOf1stCategory, error).value_or(0);
    const float p1 = static_cast<float>(share / 100);
    if (p1 >= 0) {  // the first category can be drawn
        if (s._1stMaxSpeedTheOnly)
            readStrict("1stMaxSpeed", s._1stMaxSpeed, error);
        else {
            readStrict("1stMaxSpeedMeanInput", s._1stMaxSpeedMeanInput, error);
            readStrict("1stMaxSpeedStdInput", s._1stMaxSpeedStdInput, error);
        }
    }
    if (p1 < 1) {  // the second category can be drawn
        if (s._2ndMaxSpeedTheOnly)
            readStrict("2ndMaxSpeed", s._2ndMaxSpeed, error);
        else {
            readStrict("2ndMaxSpeedMeanInput", s._2ndMaxSpeedMeanInput, error);
            readStrict("2ndMaxSpeedStdInput", s._2ndMaxSpeedStdInput, error);
        }
    }
    if (error) return error;

    auto count = [&](std::string_view name,
                     const std::string& text) -> std::optional<std::int16_t> {
        std::optional<std::int16_t> n = num::roundInt16(num::lenient(text));
        if (!n && !error)
            error = EngineError{std::string(name) + " is " + quoteText(text) +
                                "; a run can hold at most " + "32767 pedestrians"};
        return n;
    };
    const bool twoWays = s.NumWays == Ways::Two;
    if (s.GeneratedAtOnce) {
        long total = 0;
        if (twoWays)
            total = long{count("NumPedLeft", s.NumPedLeft).value_or(0)} +
                    count("NumPedRight", s.NumPedRight).value_or(0);
        else
            total = count("TotalNumberOfPedestrians", s.TotalNumberOfPedestrians).value_or(0);
        // Pedestrians already made by hand count towards the run's numbering as well.
        total += LastPedID;
        if (!error && total > std::numeric_limits<std::int16_t>::max()) {
            std::string asked =
                twoWays ? "NumPedLeft is " + quoteText(s.NumPedLeft) + " and NumPedRight is " +
                              quoteText(s.NumPedRight)
                        : "TotalNumberOfPedestrians is " + quoteText(s.TotalNumberOfPedestrians);
            if (LastPedID > 0)
                asked =
                    std::to_string(LastPedID) + " pedestrians are in the trap already and " + asked;
            error = EngineError{asked + ", " + std::to_string(total) +
                                " in all; a run can number at most 32767 pedestrians"};
        }
    } else {
        count("TotalNumberOfPedestrians", s.TotalNumberOfPedestrians);
        if (!error && twoWays && num::lenient(s.TotalNumberOfPedestrians) == 0)
            error =
                EngineError{"TotalNumberOfPedestrians is " + quoteText(s.TotalNumberOfPedestrians) +
                            "; generating from both sides by headway shares the pedestrians " +
                            "out by it, so it must not be 0"};
        if (!error && !num::roundInt16(num::lenient(s.HeadwayMeanInput)))
            error = EngineError{"HeadwayMeanInput is " + quoteText(s.HeadwayMeanInput) +
                                "; a headway is counted in time slices and can be at most 32767"};
    }
    return error;
}

}  // namespace strida
