#include "engine/settings_rules.h"

#include <cmath>
#include <string>

#include "core/numbers.h"

namespace strida {

void trapLengthChanged(Settings& s) {
    s.DistGenerator2Trap = num::general(num::lenient(s.TrapLength) / 2);
}

void pedDiameterChanged(Settings& s) {
    s.InfluenceDiameter = num::general(num::lenient(s.PedDiameter) + 0.1);
}

void sideCountChanged(Settings& s) {
    s.TotalNumberOfPedestrians =
        num::general(num::lenient(s.NumPedLeft) + num::lenient(s.NumPedRight));
}

std::optional<std::int16_t> evenSplit(Settings& s) {
    const std::optional<double> total = num::strict(s.TotalNumberOfPedestrians);
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
std::optional<std::int16_t> complement(const std::string& from, std::string& to) {
    const double other = 100 - num::lenient(from);
    to = num::general(other);
    return num::roundInt16(other);
}

MaybeError badValue(std::string_view name, std::string_view value, std::string_view takes) {
    return EngineError{std::string(name) + " takes " + std::string(takes) + ", not " +
                       quoteText(std::string(value))};
}
}  // namespace

std::optional<std::int16_t> firstShareChanged(Settings& s) {
    return complement(s.PercentNumOf1stCategory, s.PercentNumOf2ndCategory);
}

std::optional<std::int16_t> secondShareChanged(Settings& s) {
    return complement(s.PercentNumOf2ndCategory, s.PercentNumOf1stCategory);
}

bool isPrintableText(std::string_view text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
    return true;
}

MaybeError applySetting(Settings& s, std::string_view name, std::string_view value) {
    const SettingInfo* info = findSetting(name);
    if (!info) return EngineError{"there is no setting named " + quoteText(std::string(name))};
    using K = SettingInfo::Kind;
    const bool zeroOrOne = value == "0" || value == "1";
    switch (info->kind) {
        case K::Text:
            // A line break or other control character would split the records it is copied into.
            if (!isPrintableText(value))
                return EngineError{std::string(name) + " takes printable text only, not " +
                                   quoteText(value)};
            s.*(info->text) = value;
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
            return std::nullopt;
        case K::Check:
            if (!zeroOrOne) return badValue(name, value, "0 or 1");
            s.*(info->check) = value == "1" ? Check::Checked : Check::Unchecked;
            return std::nullopt;
        case K::MenuCheck:
            if (!zeroOrOne) return badValue(name, value, "0 or 1");
            s.*(info->flag) = value == "1";
            // At most one of the two generator modes is checked.
            if (value == "1") {
                if (name == "ManualGenerator")
                    s.PedGenerator = false;
                else
                    s.ManualGenerator = false;
            }
            return std::nullopt;
        case K::Option:
            if (value != "1") return badValue(name, value, "1 (which selects it)");
            for (const SettingInfo& other : settingTable())
                if (other.kind == K::Option && other.group == info->group) s.*(other.flag) = false;
            s.*(info->flag) = true;
            return std::nullopt;
        case K::Ways:
            if (!zeroOrOne) return badValue(name, value, "0 (one way) or 1 (two ways)");
            s.NumWays = value == "1" ? Ways::Two : Ways::One;
            if (s.NumWays == Ways::Two) evenSplit(s);
            return std::nullopt;
        case K::Number: {
            const std::optional<double> ms = num::strict(value);
            if (!ms || *ms != num::Int(*ms) || *ms < 1 || *ms > 1000)
                return badValue(name, value, "a whole number of milliseconds from 1 to 1000");
            s.SimSpeed = static_cast<int>(*ms);
            return std::nullopt;
        }
        case K::Position: {
            const std::optional<double> metres = num::strict(value);
            if (!metres || !std::isfinite(static_cast<float>(*metres)))
                return badValue(name, value, "a number of metres");
            s.*(info->position) = static_cast<float>(*metres);
            return std::nullopt;
        }
    }
    return std::nullopt;
}

}  // namespace strida
