#include "engine/settings.h"

#include <array>
#include <cmath>

#include "core/numbers.h"

namespace strida {
namespace {

using K = SettingInfo::Kind;

constexpr SettingInfo text(std::string_view name, std::string Settings::*field) {
    return {name, K::Text, {}, field, nullptr, nullptr, nullptr};
}
constexpr SettingInfo check(std::string_view name, Check Settings::*field) {
    return {name, K::Check, {}, nullptr, field, nullptr, nullptr};
}
constexpr SettingInfo option(std::string_view name, std::string_view group, bool Settings::*field) {
    return {name, K::Option, group, nullptr, nullptr, field, nullptr};
}
constexpr SettingInfo menu(std::string_view name, bool Settings::*field) {
    return {name, K::MenuCheck, {}, nullptr, nullptr, field, nullptr};
}
constexpr SettingInfo position(std::string_view name, float Settings::*field) {
    return {name, K::Position, {}, nullptr, nullptr, nullptr, field};
}

const std::array kTable{
    text("TrapLength", &Settings::TrapLength),
    text("TrapWidth", &Settings::TrapWidth),
    text("DT", &Settings::DT),
    text("PedDiameter", &Settings::PedDiameter),
    text("InfluenceDiameter", &Settings::InfluenceDiameter),
    text("SightDist", &Settings::SightDist),
    text("MaxAccl", &Settings::MaxAccl),
    text("Mass", &Settings::Mass),
    text("Alpha", &Settings::Alpha),
    text("Beta", &Settings::Beta),
    text("Chi", &Settings::Chi),
    option("GeneratedAtOnce", "timing", &Settings::GeneratedAtOnce),
    option("RandomInput", "timing", &Settings::RandomInput),
    option("UniformHeadwayDistInput", "headway", &Settings::UniformHeadwayDistInput),
    option("ExponentialHeadwayDistInput", "headway", &Settings::ExponentialHeadwayDistInput),
    option("NormalHeadwayDistInput", "headway", &Settings::NormalHeadwayDistInput),
    text("HeadwayMeanInput", &Settings::HeadwayMeanInput),
    text("HeadwayStdInput", &Settings::HeadwayStdInput),
    option("UniformSpaceGenerator", "space", &Settings::UniformSpaceGenerator),
    option("NormalSpaceGenerator", "space", &Settings::NormalSpaceGenerator),
    text("SpatialMeanInput", &Settings::SpatialMeanInput),
    text("SpatialRangeInput", &Settings::SpatialRangeInput),
    text("DistGenerator2Trap", &Settings::DistGenerator2Trap),
    text("PercentNumOf1stCategory", &Settings::PercentNumOf1stCategory),
    text("PercentNumOf2ndCategory", &Settings::PercentNumOf2ndCategory),
    option("1stMaxSpeedTheOnly", "speed1", &Settings::_1stMaxSpeedTheOnly),
    option("1stMaxSpeedNormalDist", "speed1", &Settings::_1stMaxSpeedNormalDist),
    text("1stMaxSpeed", &Settings::_1stMaxSpeed),
    text("1stMaxSpeedMeanInput", &Settings::_1stMaxSpeedMeanInput),
    text("1stMaxSpeedStdInput", &Settings::_1stMaxSpeedStdInput),
    option("2ndMaxSpeedTheOnly", "speed2", &Settings::_2ndMaxSpeedTheOnly),
    option("2ndMaxSpeedNormalDist", "speed2", &Settings::_2ndMaxSpeedNormalDist),
    text("2ndMaxSpeed", &Settings::_2ndMaxSpeed),
    text("2ndMaxSpeedMeanInput", &Settings::_2ndMaxSpeedMeanInput),
    text("2ndMaxSpeedStdInput", &Settings::_2ndMaxSpeedStdInput),
    SettingInfo{"NumWays", K::Ways, {}, nullptr, nullptr, nullptr, nullptr},
    text("TotalNumberOfPedestrians", &Settings::TotalNumberOfPedestrians),
    text("NumPedLeft", &Settings::NumPedLeft),
    text("NumPedRight", &Settings::NumPedRight),
    position("InitialPx", &Settings::InitialPx),
    position("InitialPy", &Settings::InitialPy),
    position("TargetEx", &Settings::TargetEx),
    position("TargetEy", &Settings::TargetEy),
    text("InitialVx", &Settings::InitialVx),
    text("InitialVy", &Settings::InitialVy),
    text("MaxSpeed", &Settings::MaxSpeed),
    text("maxAcceleration", &Settings::maxAcceleration),
    check("ShowInfCircle", &Settings::ShowInfCircle),
    check("SightBox", &Settings::SightBox),
    check("AcclLine", &Settings::AcclLine),
    check("VelocityLine", &Settings::VelocityLine),
    check("PrintID", &Settings::PrintID),
    check("DrawFill", &Settings::DrawFill),
    check("PedCircle", &Settings::PedCircle),
    check("TracePath", &Settings::TracePath),
    check("DontShowAnimation", &Settings::DontShowAnimation),
    check("ForceForward", &Settings::ForceForward),
    check("ForceFlee", &Settings::ForceFlee),
    check("ForceSeparate", &Settings::ForceSeparate),
    check("ReportInstantPerformance", &Settings::ReportInstantPerformance),
    check("ReportAvgInstantPerformance", &Settings::ReportAvgInstantPerformance),
    check("ReportNTXY", &Settings::ReportNTXY),
    check("ReportSystemPerformance", &Settings::ReportSystemPerformance),
    check("ReportTrafficPerformance", &Settings::ReportTrafficPerformance),
    check("ReportIndividualPerformance", &Settings::ReportIndividualPerformance),
    SettingInfo{"SimSpeed", K::Number, {}, nullptr, nullptr, nullptr, nullptr},
    menu("ManualGenerator", &Settings::ManualGenerator),
    menu("PedGenerator", &Settings::PedGenerator),
};

}  // namespace

std::span<const SettingInfo> settingTable() {
    return kTable;
}

const SettingInfo* findSetting(std::string_view name) {
    for (const SettingInfo& info : kTable)
        if (info.name == name) return &info;
    return nullptr;
}

double trapLengthOf(const Settings& s) {
    return num::lenient(s.TrapLength);
}
double trapWidthOf(const Settings& s) {
    return num::lenient(s.TrapWidth);
}
double trapAreaOf(const Settings& s) {
    return trapLengthOf(s) * trapWidthOf(s);
}

double dtOf(const Settings& s) {
    const double slices = num::lenient(s.DT);
    if (slices == 0) return 0.0;
    const double dt = 1.0 / slices;
    return std::isfinite(dt) ? dt : 0.0;
}

}  // namespace strida
