#include "engine/settings_rules.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "core/numbers.h"
#include "engine/setting_readers.h"

namespace strida {

// A tied setting follows the other's text as typed so far: its leading number.
void trapLengthChanged(Settings& s) {
    s.DistGenerator2Trap = num::general(readerOf(&Settings::TrapLength).leading(s) / 2);
}

void pedDiameterChanged(Settings& s) {
    s.InfluenceDiameter = num::general(readerOf(&Settings::PedDiameter).leading(s) + 0.1);
}

void sideCountChanged(Settings& s) {
    s.TotalNumberOfPedestrians = num::general(readerOf(&Settings::NumPedLeft).leading(s) +
                                              readerOf(&Settings::NumPedRight).leading(s));
}

std::optional<std::int16_t> evenSplit(Settings& s) {
    // Only a total that is wholly a number is split.
    const std::optional<double> total = readerOf(&Settings::TotalNumberOfPedestrians).whole(s);
    if (!total) return std::nullopt;
    const std::optional<std::int16_t> whole = num::roundInt16(*total);
    if (!whole) return std::nullopt;
    const std::optional<std::int16_t> half = num::roundInt16(*whole / 2.0);
    if (!half) return std::nullopt;
    s.NumPedLeft = std::to_string(*half);
    s.NumPedRight = std::to_string(*half);
    return half;
}

namespace {
std::optional<std::int16_t> complement(Settings& s, std::string Settings::*from,
                                       std::string Settings::*to) {
    const double other = 100 - readerOf(from).leading(s);
    s.*to = num::general(other);
    return num::roundInt16(other);
}

MaybeError badValue(std::string_view name, std::string_view value, std::string_view takes) {
    return EngineError{std::string(name) + " takes " + std::string(takes) + ", not " +
                       quoteText(std::string(value))};
}
}  // namespace

std::optional<std::int16_t> firstShareChanged(Settings& s) {
    return complement(s, &Settings::PercentNumOf1stCategory, &Settings::PercentNumOf2ndCategory);
}

std::optional<std::int16_t> secondShareChanged(Settings& s) {
    return complement(s, &Settings::PercentNumOf2ndCategory, &Settings::PercentNumOf1stCategory);
}

void showOptionChanged(Settings& s, Check Settings::*option) {
    const bool ticked = s.*option == Check::Checked;
    const bool unticked = s.*option == Check::Unchecked;
    const bool drawnOnTheCircle = option == &Settings::ShowInfCircle ||
                                  option == &Settings::SightBox || option == &Settings::PrintID ||
                                  option == &Settings::DrawFill;
    if (drawnOnTheCircle && ticked) {
        s.PedCircle = Check::Checked;
    } else if (option == &Settings::PedCircle && unticked) {
        s.DrawFill = Check::Unchecked;
        s.PrintID = Check::Unchecked;
    } else if (option == &Settings::TracePath) {
        s.VelocityLine = ticked ? Check::Checked : Check::Unchecked;
    }
}

void setGeneratorMode(Settings& s, bool Settings::*mode, bool on) {
    if (s.*mode == on) return;
    s.*mode = on;
    bool Settings::*other =
        mode == &Settings::ManualGenerator ? &Settings::PedGenerator : &Settings::ManualGenerator;
    s.*other = !on;
}

int influenceBarMinimum(const Settings& s) {
    const double hundredths = std::round(readerOf(&Settings::PedDiameter).leading(s) * 100);
    // A text that reads as no positive number (or NaN) gives 0; one like 1e308 stops at the top.
    return hundredths > 0 ? static_cast<int>(std::min(hundredths, 500.0)) : 0;
}

namespace {
// Settings whose scroll bars count fractions of the setting's unit; every other bar counts whole
// units.
struct BarSteps {
    std::string Settings::*setting;
    double perUnit;
    int decimals;
};
constexpr BarSteps kBarSteps[] = {
    {&Settings::TrapLength, 10, 1},
    {&Settings::TrapWidth, 10, 1},
    {&Settings::PedDiameter, 100, 2},
    {&Settings::InfluenceDiameter, 100, 2},
    {&Settings::SightDist, 100, 2},
    {&Settings::MaxAccl, 1000, 3},
    {&Settings::Mass, 1000, 3},
    {&Settings::Alpha, 1000, 3},
    {&Settings::Beta, 1000, 3},
    {&Settings::Chi, 1000, 3},
    {&Settings::HeadwayMeanInput, 100, 2},
    {&Settings::HeadwayStdInput, 100, 2},
    {&Settings::DistGenerator2Trap, 10, 1},
    {&Settings::_1stMaxSpeedMeanInput, 1000, 3},
    {&Settings::_1stMaxSpeedStdInput, 1000, 3},
    {&Settings::_2ndMaxSpeedMeanInput, 1000, 3},
    {&Settings::_2ndMaxSpeedStdInput, 1000, 3},
    {&Settings::InitialVx, 1000, 3},
    {&Settings::InitialVy, 1000, 3},
    {&Settings::MaxSpeed, 1000, 3},
    {&Settings::maxAcceleration, 1000, 3},
};
}  // namespace

std::string scrollBarText(std::string Settings::*setting, int position) {
    if (setting == &Settings::SpatialMeanInput) return num::fixed(100.0 - position, 0);
    for (const BarSteps& steps : kBarSteps)
        if (steps.setting == setting) return num::fixed(position / steps.perUnit, steps.decimals);
    return num::fixed(static_cast<double>(position), 0);
}

std::optional<int> scrollBarPosition(std::string Settings::*setting, const Settings& s) {
    const double value = num::lenient(s.*setting);
    double position = value;
    if (setting == &Settings::SpatialMeanInput) position = 100.0 - value;
    for (const BarSteps& steps : kBarSteps)
        if (steps.setting == setting) position = value * steps.perUnit;
    const std::optional<std::int16_t> whole = num::roundInt16(position);
    if (!whole) return std::nullopt;
    return *whole;
}

std::string pickedPositionText(double metres) {
    return num::fixed(metres, 2);
}

bool isPrintableText(std::string_view text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
    return true;
}

namespace {

// The rule a text setting sets off when it changes.
void textChanged(Settings& s, std::string_view name) {
    if (name == "TrapLength")
        trapLengthChanged(s);
    else if (name == "PedDiameter")
        pedDiameterChanged(s);
    else if (name == "NumPedLeft" || name == "NumPedRight")
        sideCountChanged(s);
    else if (name == "TotalNumberOfPedestrians" && s.NumWays == Ways::Two)
        evenSplit(s);
    else if (name == "PercentNumOf1stCategory")
        firstShareChanged(s);
    else if (name == "PercentNumOf2ndCategory")
        secondShareChanged(s);
}

MaybeError setText(Settings& s, const SettingInfo& info, std::string_view value) {
    // A line break or other control character would split the records it is copied into.
    if (!isPrintableText(value))
        return EngineError{std::string(info.name) + " takes printable text only, not " +
                           quoteText(value)};
    if (s.*(info.text) == value) return std::nullopt;
    s.*(info.text) = value;
    textChanged(s, info.name);
    return std::nullopt;
}

MaybeError setCheck(Settings& s, const SettingInfo& info, std::string_view value) {
    if (value != "0" && value != "1") return badValue(info.name, value, "0 or 1");
    const Check state = value == "1" ? Check::Checked : Check::Unchecked;
    if (s.*(info.check) == state) return std::nullopt;
    s.*(info.check) = state;
    showOptionChanged(s, info.check);
    return std::nullopt;
}

MaybeError selectOption(Settings& s, const SettingInfo& info, std::string_view value) {
    if (value != "1") return badValue(info.name, value, "1 (which selects it)");
    for (const SettingInfo& other : settingTable())
        if (other.kind == SettingInfo::Kind::Option && other.group == info.group)
            s.*(other.flag) = false;
    s.*(info.flag) = true;
    return std::nullopt;
}

MaybeError setNumber(Settings& s, const SettingInfo& info, std::string_view value) {
    const std::optional<double> v = num::strict(value);
    if (info.kind == SettingInfo::Kind::Number) {
        if (!v || *v != num::Int(*v) || *v < 1 || *v > 1000)
            return badValue(info.name, value, "a whole number of milliseconds from 1 to 1000");
        s.SimSpeed = static_cast<int>(*v);
        return std::nullopt;
    }
    if (!v || !std::isfinite(static_cast<float>(*v)))
        return badValue(info.name, value, "a number of metres");
    s.*(info.position) = static_cast<float>(*v);
    return std::nullopt;
}

MaybeError setChoice(Settings& s, const SettingInfo& info, std::string_view value) {
    if (!isChoice(info, value)) return badValue(info.name, value, choiceWords(info));
    s.*info.text = value;
    return std::nullopt;
}

}  // namespace

MaybeError applySetting(Settings& s, std::string_view name, std::string_view value) {
    const SettingInfo* info = findSetting(name);
    if (!info) return EngineError{"there is no setting named " + quoteText(std::string(name))};
    const bool zeroOrOne = value == "0" || value == "1";
    switch (info->kind) {
        case SettingInfo::Kind::Text:
            return setText(s, *info, value);
        case SettingInfo::Kind::Check:
            return setCheck(s, *info, value);
        case SettingInfo::Kind::MenuCheck:
            if (!zeroOrOne) return badValue(name, value, "0 or 1");
            setGeneratorMode(s, info->flag, value == "1");
            return std::nullopt;
        case SettingInfo::Kind::Option:
            return selectOption(s, *info, value);
        case SettingInfo::Kind::Ways:
            if (!zeroOrOne) return badValue(name, value, "0 (one way) or 1 (two ways)");
            s.NumWays = value == "1" ? Ways::Two : Ways::One;
            if (s.NumWays == Ways::Two) evenSplit(s);
            return std::nullopt;
        case SettingInfo::Kind::Number:
        case SettingInfo::Kind::Position:
            return setNumber(s, *info, value);
        case SettingInfo::Kind::Choice:
            return setChoice(s, *info, value);
    }
    return std::nullopt;
}

std::string settingText(const Settings& s, const SettingInfo& info) {
    using K = SettingInfo::Kind;
    switch (info.kind) {
        case K::Text:
        case K::Choice:
            return s.*info.text;
        case K::Check:
            return std::to_string(static_cast<int>(s.*info.check));
        case K::Option:
        case K::MenuCheck:
            return s.*info.flag ? "1" : "0";
        case K::Ways:
            return s.NumWays == Ways::Two ? "1" : "0";
        case K::Number:
            return std::to_string(s.SimSpeed);
        case K::Position:
            break;
    }
    return num::shortest(s.*info.position);
}

MaybeError restoreSetting(Settings& s, std::string_view name, std::string_view text) {
    const SettingInfo* info = findSetting(name);
    if (!info) return EngineError{"there is no setting named " + quoteText(std::string(name))};
    using K = SettingInfo::Kind;
    const bool zeroOrOne = text == "0" || text == "1";
    switch (info->kind) {
        case K::Text:
            if (!isPrintableText(text)) return badValue(name, text, "printable text");
            s.*info->text = text;
            return std::nullopt;
        case K::Check:
            if (!zeroOrOne && text != "2") return badValue(name, text, "0, 1 or 2");
            s.*info->check = static_cast<Check>(text[0] - '0');
            return std::nullopt;
        case K::Option:
        case K::MenuCheck:
        case K::Ways:
            if (!zeroOrOne) return badValue(name, text, "0 or 1");
            if (info->kind == K::Ways)
                s.NumWays = text == "1" ? Ways::Two : Ways::One;
            else
                s.*info->flag = text == "1";
            return std::nullopt;
        case K::Number:
        case K::Position:
            return setNumber(s, *info, text);
        case K::Choice:
            return setChoice(s, *info, text);
    }
    return std::nullopt;
}

MaybeError restoreSettings(Settings& s, const SavedSettings& saved, std::string* failed) {
    Settings restored = s;
    // A state saved before a model option existed was run without it: the option goes back to
    // its default rather than staying as the window or an earlier scenario left it.
    const Settings defaults;
    for (std::string_view option : kModelOptions) {
        auto holds = [option](const auto& entry) { return entry.first == option; };
        if (std::none_of(saved.begin(), saved.end(), holds))
            restoreSetting(restored, option, settingText(defaults, *findSetting(option)));
    }
    for (const auto& [name, text] : saved)
        if (MaybeError error = restoreSetting(restored, name, text)) {
            if (failed) *failed = name;
            return error;
        }
    s = restored;
    return std::nullopt;
}

}  // namespace strida
