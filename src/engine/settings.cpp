#include "engine/settings.h"

#include <array>

namespace strida {
namespace {

using K = SettingInfo::Kind;

constexpr SettingInfo text(std::string_view name, std::string Settings::*field,
                           std::string_view unit, std::string_view meaning) {
    return {name, K::Text, {}, field, nullptr, nullptr, nullptr, unit, meaning, {}};
}
constexpr SettingInfo check(std::string_view name, Check Settings::*field,
                            std::string_view meaning) {
    return {name, K::Check, {}, nullptr, field, nullptr, nullptr, "-", meaning, {}};
}
constexpr SettingInfo option(std::string_view name, std::string_view group, bool Settings::*field,
                             std::string_view meaning) {
    return {name, K::Option, group, nullptr, nullptr, field, nullptr, "-", meaning, {}};
}
constexpr SettingInfo menu(std::string_view name, bool Settings::*field, std::string_view meaning) {
    return {name, K::MenuCheck, {}, nullptr, nullptr, field, nullptr, "-", meaning, {}};
}
// NumWays and SimSpeed, which the rules set by name.
constexpr SettingInfo byName(std::string_view name, K kind, std::string_view unit,
                             std::string_view meaning) {
    return {name, kind, {}, nullptr, nullptr, nullptr, nullptr, unit, meaning, {}};
}
constexpr SettingInfo choice(std::string_view name, std::string Settings::*field,
                             std::string_view choices, std::string_view meaning) {
    return {name, K::Choice, {}, field, nullptr, nullptr, nullptr, "-", meaning, choices};
}
constexpr SettingInfo position(std::string_view name, float Settings::*field,
                               std::string_view meaning) {
    return {name, K::Position, {}, nullptr, nullptr, nullptr, field, "m", meaning, {}};
}

// Units and meanings are plain ASCII on one line each, without "|" or tabs: they are printed as
// tab-separated fields and as cells of a Markdown table.
const std::array kTable{
    text("TrapLength", &Settings::TrapLength, "m",
         "Length of the trap along x, 1 to 150; the longer side at most 10 times the shorter. "
         "Also sets DistGenerator2Trap to half of it"),
    text("TrapWidth", &Settings::TrapWidth, "m", "Width of the trap along y, 1 to 150"),
    text("DT", &Settings::DT, "slices/s",
         "Time slices per second: every step simulates dt = 1/DT seconds (15 gives 1/15 s)"),
    check("CorridorWalls", &Settings::CorridorWalls,
          "Model option: walls along the trap's long sides, y = 0 and y = TrapWidth, for the "
          "whole length of the plane. Pedestrians are pushed off them as off a neighbour (Beta) "
          "and never cross them; 0 leaves the trap an open strip"),
    text("PedDiameter", &Settings::PedDiameter, "m",
         "Body diameter of new pedestrians, and the lane width of all-at-once generation. Also "
         "sets InfluenceDiameter to it + 0.1"),
    text("InfluenceDiameter", &Settings::InfluenceDiameter, "m",
         "Personal space of new pedestrians: anyone whose centre is closer than this pushes them "
         "away (Beta) and counts as their neighbour for NHI and NUVI"),
    text("SightDist", &Settings::SightDist, "m",
         "How far new pedestrians look for the nearest pedestrian to sidestep (Chi)"),
    text("MaxAccl", &Settings::MaxAccl, "m/s^2",
         "Maximum acceleration of generated pedestrians (hand-made ones take maxAcceleration)"),
    text("Mass", &Settings::Mass, "slices",
         "Inertia of new pedestrians: acceleration = (desired - current velocity) / (Mass x dt), "
         "so they close the gap in Mass time slices unless the maximum acceleration caps it"),
    text("Alpha", &Settings::Alpha, "m",
         "Forward desire of new pedestrians: full speed towards the target until within Alpha of "
         "it, then slower in proportion to the distance left"),
    text("Beta", &Settings::Beta, "m",
         "Collision avoidance of new pedestrians: everyone closer than InfluenceDiameter pushes "
         "them straight away at MaxSpeed x (InfluenceDiameter - distance) / Beta; smaller pushes "
         "harder"),
    text("Chi", &Settings::Chi, "-",
         "Sidestep of new pedestrians, always to their left, around the nearest pedestrian in "
         "sight when it is ahead: MaxSpeed x (InfluenceDiameter - its offset to the left) / (its "
         "distance from the point SightDist ahead) / Chi; smaller pushes harder"),
    choice("UpdateOrder", &Settings::UpdateOrder, "Sequential|Simultaneous",
           "Model option: Sequential moves pedestrians one after another in order of creation, "
           "each seeing the new places of those before it; Simultaneous steers everyone from "
           "the places and velocities at the start of the step, so the order of creation no "
           "longer matters"),
    check("SpeedFromSpacing", &Settings::SpeedFromSpacing,
          "Model option: the speed a pedestrian wants along its heading is at most (s - "
          "PedDiameter) / TimeGap and never below 0, s the distance to the nearest pedestrian "
          "ahead within PedDiameter of its line of travel; the pushes and limits stay as they are"),
    text("TimeGap", &Settings::TimeGap, "s",
         "Speed from spacing: the time new pedestrians keep to the one ahead, so the speed they "
         "want is the free space ahead divided by it"),
    check("FaceTargetAtRest", &Settings::FaceTargetAtRest,
          "Model option: a pedestrian standing still faces its target, for its sidestep and its "
          "speed from spacing; 0 leaves it facing north (along +y)"),
    check("SteerAway", &Settings::SteerAway,
          "Model option: the forward desire turns away from everyone ahead, each adding "
          "SteerStrength x exp((PedDiameter - distance) / SteerRange) times the direction from "
          "them to the pedestrian to the direction to the target; its speed stays"),
    text("SteerStrength", &Settings::SteerStrength, "-",
         "Steering away: how strongly new pedestrians turn from one just a body's length ahead"),
    text("SteerRange", &Settings::SteerRange, "m",
         "Steering away: how fast the turn from someone ahead fades with the distance beyond a "
         "body's length, for new pedestrians"),
    option("GeneratedAtOnce", "timing", &Settings::GeneratedAtOnce,
           "Timing: the whole population is generated when the run starts; the run ends by "
           "itself once the trap has emptied"),
    option("RandomInput", "timing", &Settings::RandomInput,
           "Timing: pedestrians are generated one at a time during the run, a random headway "
           "apart, at most TotalNumberOfPedestrians + 1 present; the run goes on until stopped"),
    option("UniformHeadwayDistInput", "headway", &Settings::UniformHeadwayDistInput,
           "Headways: every one is HeadwayMeanInput (a constant headway, whatever the name says)"),
    option("ExponentialHeadwayDistInput", "headway", &Settings::ExponentialHeadwayDistInput,
           "Headways: drawn from an exponential distribution of mean HeadwayMeanInput"),
    option("NormalHeadwayDistInput", "headway", &Settings::NormalHeadwayDistInput,
           "Headways: drawn from a normal distribution (HeadwayMeanInput, HeadwayStdInput); a "
           "draw of 0 or less gives the mean"),
    text("HeadwayMeanInput", &Settings::HeadwayMeanInput, "slices",
         "Mean headway, counted in time slices although the panel says second: the next "
         "pedestrian comes once the slices counted exceed the drawn headway (2 gives one every "
         "third slice)"),
    text("HeadwayStdInput", &Settings::HeadwayStdInput, "slices",
         "Standard deviation of the normal headway, in time slices"),
    option("UniformSpaceGenerator", "space", &Settings::UniformSpaceGenerator,
           "All at once: each pedestrian's lane is drawn uniformly across the trap's width"),
    option("NormalSpaceGenerator", "space", &Settings::NormalSpaceGenerator,
           "All at once: lanes are drawn from a normal distribution around SpatialMeanInput, "
           "more pedestrians in the middle"),
    text("SpatialMeanInput", &Settings::SpatialMeanInput, "%",
         "Normal spatial distribution: mean lateral position in percent of the trap width, 0 at "
         "y = 0"),
    text("SpatialRangeInput", &Settings::SpatialRangeInput, "%",
         "Normal spatial distribution: spread, labelled percent of the trap width; the lateral "
         "standard deviation is SpatialRangeInput/150 of the width (10 gives 0.4 m across 6 m)"),
    text("DistGenerator2Trap", &Settings::DistGenerator2Trap, "m",
         "All at once: distance from the trap's centre to each side's generator; pedestrians "
         "queue outward from it (half the trap length: just outside the trap's ends)"),
    text("PercentNumOf1stCategory", &Settings::PercentNumOf1stCategory, "%",
         "Share of generated pedestrians in the first speed category; sets "
         "PercentNumOf2ndCategory to the rest of 100"),
    text("PercentNumOf2ndCategory", &Settings::PercentNumOf2ndCategory, "%",
         "Share in the second speed category; sets PercentNumOf1stCategory to the rest of 100"),
    option("1stMaxSpeedTheOnly", "speed1", &Settings::_1stMaxSpeedTheOnly,
           "First category: everyone gets the maximum speed 1stMaxSpeed"),
    option("1stMaxSpeedNormalDist", "speed1", &Settings::_1stMaxSpeedNormalDist,
           "First category: maximum speeds are drawn from a normal distribution "
           "(1stMaxSpeedMeanInput, 1stMaxSpeedStdInput)"),
    text("1stMaxSpeed", &Settings::_1stMaxSpeed, "m/s", "First category: the one maximum speed"),
    text("1stMaxSpeedMeanInput", &Settings::_1stMaxSpeedMeanInput, "m/s",
         "First category: mean of the maximum speed"),
    text("1stMaxSpeedStdInput", &Settings::_1stMaxSpeedStdInput, "m/s",
         "First category: standard deviation of the maximum speed"),
    option("2ndMaxSpeedTheOnly", "speed2", &Settings::_2ndMaxSpeedTheOnly,
           "Second category: everyone gets the maximum speed 2ndMaxSpeed"),
    option("2ndMaxSpeedNormalDist", "speed2", &Settings::_2ndMaxSpeedNormalDist,
           "Second category: maximum speeds are drawn from a normal distribution "
           "(2ndMaxSpeedMeanInput, 2ndMaxSpeedStdInput)"),
    text("2ndMaxSpeed", &Settings::_2ndMaxSpeed, "m/s", "Second category: the one maximum speed"),
    text("2ndMaxSpeedMeanInput", &Settings::_2ndMaxSpeedMeanInput, "m/s",
         "Second category: mean of the maximum speed"),
    text("2ndMaxSpeedStdInput", &Settings::_2ndMaxSpeedStdInput, "m/s",
         "Second category: standard deviation of the maximum speed"),
    byName("NumWays", K::Ways, "-",
           "0: one way, everyone from the west end walking east; 1: two ways, from both ends "
           "(choosing 1 splits TotalNumberOfPedestrians evenly)"),
    text("TotalNumberOfPedestrians", &Settings::TotalNumberOfPedestrians, "persons",
         "One way, all at once: how many are generated; by headway: at most this + 1 present at "
         "once. Two ways: the sum of both sides, split evenly when set. Copied into System.txt"),
    text("NumPedLeft", &Settings::NumPedLeft, "persons",
         "Two ways: pedestrians from the west end, walking east (by headway, NumPedLeft / "
         "TotalNumberOfPedestrians is the share from the west). Sets the total to the sum"),
    text("NumPedRight", &Settings::NumPedRight, "persons",
         "Two ways: pedestrians from the east end, walking west. Sets the total to the sum"),
    position("InitialPx", &Settings::InitialPx,
             "Manual generator: start x of the next hand-made pedestrian (picked on the trap)"),
    position("InitialPy", &Settings::InitialPy,
             "Manual generator: start y of the next hand-made pedestrian"),
    position("TargetEx", &Settings::TargetEx,
             "Manual generator: target x of the next hand-made pedestrian"),
    position("TargetEy", &Settings::TargetEy,
             "Manual generator: target y of the next hand-made pedestrian"),
    text("InitialVx", &Settings::InitialVx, "m/s",
         "Manual generator: initial velocity along x of the next hand-made pedestrian"),
    text("InitialVy", &Settings::InitialVy, "m/s",
         "Manual generator: initial velocity along y of the next hand-made pedestrian"),
    text("MaxSpeed", &Settings::MaxSpeed, "m/s",
         "Manual generator: maximum speed of the next hand-made pedestrian"),
    text("maxAcceleration", &Settings::maxAcceleration, "m/s^2",
         "Manual generator: maximum acceleration of the next hand-made pedestrian (generated "
         "ones take MaxAccl)"),
    check("ShowInfCircle", &Settings::ShowInfCircle,
          "Draw each pedestrian's influence circle (InfluenceDiameter)"),
    check("SightBox", &Settings::SightBox, "Draw each pedestrian's sight box"),
    check("AcclLine", &Settings::AcclLine, "Draw each pedestrian's acceleration as a red line"),
    check("VelocityLine", &Settings::VelocityLine,
          "Draw each pedestrian's velocity as a blue line"),
    check("PrintID", &Settings::PrintID, "Write each pedestrian's ID on it"),
    check("DrawFill", &Settings::DrawFill, "Fill the pedestrians' circles"),
    check("PedCircle", &Settings::PedCircle,
          "Draw the pedestrians' circles; 0 also clears DrawFill and PrintID"),
    check("TracePath", &Settings::TracePath,
          "Keep the drawing of earlier steps, so the velocity lines trace the paths; sets "
          "VelocityLine to the same"),
    check("DontShowAnimation", &Settings::DontShowAnimation,
          "Draw no pedestrian at all; motion and figures are unchanged"),
    check("ForceForward", &Settings::ForceForward, "Forward desire (Alpha) on"),
    check("ForceFlee", &Settings::ForceFlee, "Sidestep desire, Repulse Away (Chi), on"),
    check("ForceSeparate", &Settings::ForceSeparate,
          "Collision avoidance, Avoid Collision (Beta), on"),
    check("ReportInstantPerformance", &Settings::ReportInstantPerformance,
          "Write Instant.txt: one row per measured pedestrian per step"),
    check("ReportAvgInstantPerformance", &Settings::ReportAvgInstantPerformance,
          "Write avgInstant.txt: the trap's averages, one row per step"),
    check("ReportNTXY", &Settings::ReportNTXY,
          "Write NTXY.txt: the position of each measured pedestrian, one row per step"),
    check("ReportSystemPerformance", &Settings::ReportSystemPerformance,
          "Write System.txt: one row of run-wide figures when the trap empties and so ends the "
          "run (GeneratedAtOnce); a stopped run adds none"),
    check("ReportTrafficPerformance", &Settings::ReportTrafficPerformance,
          "Write Traffic.txt, which only ever holds its header (greyed out on the panel)"),
    check("ReportIndividualPerformance", &Settings::ReportIndividualPerformance,
          "Write Individu.txt, which only ever holds its header (greyed out on the panel)"),
    byName("SimSpeed", K::Number, "ms",
           "Real time between two steps of the desktop program, 1 to 1000; changes no figure, "
           "and nothing in strida-batch"),
    menu("ManualGenerator", &Settings::ManualGenerator,
         "Generator mode: no automatic generation, only hand-made and loaded pedestrians; the "
         "run also ends once nobody is left after step 100. Sets PedGenerator to the opposite"),
    menu("PedGenerator", &Settings::PedGenerator,
         "The Auto Generator menu check: automatic generation runs whenever ManualGenerator is "
         "0. Sets ManualGenerator to the opposite"),
};

}  // namespace

std::span<const SettingInfo> settingTable() {
    return kTable;
}

bool isChoice(const SettingInfo& info, std::string_view word) {
    std::string_view rest = info.choices;
    while (!rest.empty()) {
        const std::size_t bar = rest.find('|');
        if (rest.substr(0, bar) == word) return true;
        if (bar == std::string_view::npos) break;
        rest.remove_prefix(bar + 1);
    }
    return false;
}

std::string choiceWords(const SettingInfo& info) {
    std::string words(info.choices);
    for (std::size_t i = 0; (i = words.find('|', i)) != std::string::npos;)
        words.replace(i, 1, " or ");
    return words;
}

const SettingInfo* findSetting(std::string_view name) {
    for (const SettingInfo& info : kTable)
        if (info.name == name) return &info;
    return nullptr;
}

}  // namespace strida
