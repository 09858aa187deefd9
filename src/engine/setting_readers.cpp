#include "engine/setting_readers.h"

#include <array>
#include <cmath>
#include <limits>

#include "core/numbers.h"

namespace strida {
namespace {

constexpr double kAny = std::numeric_limits<double>::max();
constexpr Reading S = Reading::Strict;
constexpr Reading L = Reading::Lenient;
constexpr Form N = Form::Number;

// The ranges are wide: they keep out only what no run can go on with (a division by next to
// nothing, a number whose square or sum overflows in the motion), so that a value that passes here
// never stops a run later by itself.
constexpr double kLongest = 1000;  // m: personal space, sight
constexpr double kFastest = 1000;  // m/s
constexpr double kSmallDivisor = 1e-6;

constexpr SettingReader count(std::string_view name, std::string Settings::*text) {
    return {name,  text,    Form::Whole,
            L,     -32768,  32767,
            false, nullptr, "a run can hold at most 32767 pedestrians"};
}
constexpr SettingReader speed(std::string_view name, std::string Settings::*text) {
    return {name, text, N, S, 0, kFastest};
}
constexpr SettingReader anyNumber(std::string_view name, std::string Settings::*text) {
    return {name, text, N, S, -kAny, kAny};
}

const std::array kReaders{
    SettingReader{"TrapLength", &Settings::TrapLength, N, S, 1, 150},
    SettingReader{"TrapWidth", &Settings::TrapWidth, N, S, 1, 150},
    SettingReader{"DT", &Settings::DT, N, L, 0.001, 100000, false, nullptr,
                  "the number of time slices per second sets the time of a step, 1/DT seconds"},
    SettingReader{"PedDiameter", &Settings::PedDiameter, N, S, 0, 100},
    SettingReader{"InfluenceDiameter", &Settings::InfluenceDiameter, N, S, 0, kLongest},
    SettingReader{"SightDist", &Settings::SightDist, N, S, 0, kLongest},
    SettingReader{"MaxAccl", &Settings::MaxAccl, N, S, 0, kAny},
    SettingReader{"Mass", &Settings::Mass, N, S, 0.001, kAny, false, nullptr,
                  "the motion divides by it"},
    SettingReader{"Alpha", &Settings::Alpha, N, S, 0, kAny},
    SettingReader{"Beta", &Settings::Beta, N, S, kSmallDivisor, kAny, false,
                  &Settings::ForceSeparate, "the avoid-collision force divides by it"},
    SettingReader{"Chi", &Settings::Chi, N, S, kSmallDivisor, kAny, true, &Settings::ForceFlee,
                  "the repulse-away force divides by it"},
    SettingReader{"TimeGap", &Settings::TimeGap, N, S, 0.001, kAny, false,
                  &Settings::SpeedFromSpacing, "the speed from spacing divides by it"},
    SettingReader{"SteerStrength", &Settings::SteerStrength, N, S, 0, kAny},
    SettingReader{"SteerRange", &Settings::SteerRange, N, S, 0.001, kLongest, false,
                  &Settings::SteerAway, "the steering divides by it"},
    SettingReader{"HeadwayMeanInput", &Settings::HeadwayMeanInput, N, L, -32768, 32767, false,
                  nullptr, "a headway is counted in time slices, at most 32767"},
    SettingReader{"HeadwayStdInput", &Settings::HeadwayStdInput, N, L, -32767, 32767, false,
                  nullptr, "a headway is counted in time slices, at most 32767"},
    anyNumber("SpatialMeanInput", &Settings::SpatialMeanInput),
    anyNumber("SpatialRangeInput", &Settings::SpatialRangeInput),
    anyNumber("DistGenerator2Trap", &Settings::DistGenerator2Trap),
    anyNumber("PercentNumOf1stCategory", &Settings::PercentNumOf1stCategory),
    anyNumber("PercentNumOf2ndCategory", &Settings::PercentNumOf2ndCategory),
    speed("1stMaxSpeed", &Settings::_1stMaxSpeed),
    speed("1stMaxSpeedMeanInput", &Settings::_1stMaxSpeedMeanInput),
    speed("1stMaxSpeedStdInput", &Settings::_1stMaxSpeedStdInput),
    speed("2ndMaxSpeed", &Settings::_2ndMaxSpeed),
    speed("2ndMaxSpeedMeanInput", &Settings::_2ndMaxSpeedMeanInput),
    speed("2ndMaxSpeedStdInput", &Settings::_2ndMaxSpeedStdInput),
    count("TotalNumberOfPedestrians", &Settings::TotalNumberOfPedestrians),
    count("NumPedLeft", &Settings::NumPedLeft),
    count("NumPedRight", &Settings::NumPedRight),
    SettingReader{"InitialVx", &Settings::InitialVx, N, S, 0, kFastest, true},
    SettingReader{"InitialVy", &Settings::InitialVy, N, S, 0, kFastest, true},
    speed("MaxSpeed", &Settings::MaxSpeed),
    SettingReader{"maxAcceleration", &Settings::maxAcceleration, N, S, 0, kAny},
};

// "from 1 to 150", "0 or more", "at most 32767"; the magnitude when either sign is allowed.
std::string rangeWords(const SettingReader& r) {
    const std::string kind = r.form == Form::Whole ? "a whole number" : "a number";
    const std::string what = r.eitherSign ? kind + " whose size is " : kind + " of ";
    if (r.highest == kAny) return what + num::shortest(r.lowest) + " or more";
    if (r.lowest == -kAny) return what + "at most " + num::shortest(r.highest);
    if (!r.eitherSign)
        return kind + " from " + num::shortest(r.lowest) + " to " + num::shortest(r.highest);
    return what + "from " + num::shortest(r.lowest) + " to " + num::shortest(r.highest);
}

// The check box a range depends on, as a message names it: "that force" for a force.
std::string switchName(Check Settings::*check) {
    for (const SettingInfo& info : settingTable())
        if (info.check == check)
            return info.name.starts_with("Force") ? "that force" : std::string(info.name);
    return "its switch";
}

}  // namespace

std::string describeReading(const SettingReader& r) {
    std::string words = r.reading == Reading::Strict ? "the whole text: " : "its leading number: ";
    if (r.lowest == -kAny && r.highest == kAny) return words + "any number";
    words += rangeWords(r);
    if (r.onlyWhile)
        for (const SettingInfo& info : settingTable())
            if (info.check == r.onlyWhile) words += " while " + std::string(info.name) + " is 1";
    return words;
}

std::span<const SettingReader> settingReaders() {
    return kReaders;
}

const SettingReader& readerOf(std::string Settings::*text) {
    for (const SettingReader& r : kReaders)
        if (r.text == text) return r;
    // Every text field has a reader; the `settings` tests check the table against the fields.
    std::abort();
}

EngineError refusedValue(const SettingReader& r, const Settings& s, const std::string& why) {
    const char* joint = why.starts_with("which") ? ", " : "; ";
    return EngineError{std::string(r.name) + " is " + quoteText(s.*r.text) + joint + why};
}

double SettingReader::leading(const Settings& s) const {
    return num::lenient(s.*text);
}

std::optional<double> SettingReader::whole(const Settings& s) const {
    return num::strict(s.*text);
}

bool SettingReader::rangeHolds(const Settings& s) const {
    return !onlyWhile || isOn(s.*onlyWhile);
}

std::optional<double> SettingReader::read(const Settings& s, MaybeError& error) const {
    std::optional<double> value = reading == Reading::Strict ? whole(s) : leading(s);
    if (!value) {
        if (!error) error = refusedValue(*this, s, "which is not a number");
        return std::nullopt;
    }
    if (form == Form::Whole) {
        const std::optional<std::int16_t> rounded = num::roundInt16(*value);
        value = rounded ? std::optional<double>(*rounded) : std::nullopt;
    }
    const double size = value && eitherSign ? std::fabs(*value) : value.value_or(0);
    if (value && std::isfinite(*value) && (!rangeHolds(s) || (size >= lowest && size <= highest)))
        return value;
    if (!error) {
        std::string must = "it must be " + rangeWords(*this);
        if (onlyWhile) must += " while " + switchName(onlyWhile) + " is on";
        const std::string why = because.empty() ? must : std::string(because) + ", so " + must;
        error = refusedValue(*this, s, why);
    }
    return std::nullopt;
}

double trapLengthOf(const Settings& s) {
    return readerOf(&Settings::TrapLength).leading(s);
}
double trapWidthOf(const Settings& s) {
    return readerOf(&Settings::TrapWidth).leading(s);
}
double trapAreaOf(const Settings& s) {
    return trapLengthOf(s) * trapWidthOf(s);
}

double dtOf(const Settings& s) {
    const double slices = readerOf(&Settings::DT).leading(s);
    if (slices == 0) return 0.0;
    const double dt = 1.0 / slices;
    return std::isfinite(dt) ? dt : 0.0;
}

}  // namespace strida
