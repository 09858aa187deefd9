// Every user-editable setting of the program, held the way its control holds it: the text of a text
// box exactly as typed, the state of a check box, whether an option button is selected, the check
// mark of a menu item. Panels write into this record on every change; readers parse the current
// text at the moment of use, so an edit made during a run takes effect at the next read.
//
// Fields are named after the control that edits them without the control's type prefix
// (txtAlpha edits Alpha). Names that begin with a digit (1stMaxSpeed ...) carry a leading
// underscore. The manual generator's values carry the names of that panel's properties
// (InitialVx ... maxAcceleration), which keeps its maximum acceleration apart from the parameters
// panel's MaxAccl.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace strida {

// A check box: only the checked state counts as on for the reports; the forces and show options
// count any non-zero value.
enum class Check : std::uint8_t { Unchecked = 0, Checked = 1, Grayed = 2 };

inline bool isChecked(Check c) {
    return c == Check::Checked;
}
inline bool isOn(Check c) {
    return c != Check::Unchecked;
}

// Index of the "Number of Way" option array.
enum class Ways : std::uint8_t { One = 0, Two = 1 };

struct Settings {
    // Trap and time (calibration panel).
    std::string TrapLength = "10";
    std::string TrapWidth = "6";
    std::string DT = "15";

    // Pedestrian parameters (parameters panel).
    std::string PedDiameter = "0.60";
    std::string InfluenceDiameter = "1.67";
    std::string SightDist = "4.00";
    std::string MaxAccl = "1.950";
    std::string Mass = "0.750";
    std::string Alpha = "0.205";
    std::string Beta = "0.001";
    std::string Chi = "0.250";

    // Model options, off by default: walls along the trap's long sides (calibration panel) and
    // the order pedestrians are updated in within a step (parameters panel).
    Check CorridorWalls = Check::Unchecked;
    std::string UpdateOrder = "Sequential";
    // Further model options on the parameters panel: the speed a pedestrian wants held to what
    // the space ahead allows, with the time gap of new pedestrians, and the heading of one
    // standing still.
    Check SpeedFromSpacing = Check::Unchecked;
    std::string TimeGap = "1.0";
    Check FaceTargetAtRest = Check::Unchecked;
    // A heading that turns away from those just ahead, with its strength and range.
    Check SteerAway = Check::Unchecked;
    std::string SteerStrength = "5";
    std::string SteerRange = "0.1";

    // Automatic generator, tab "Time".
    bool GeneratedAtOnce = true;
    bool RandomInput = false;
    bool UniformHeadwayDistInput = true;
    bool ExponentialHeadwayDistInput = false;
    bool NormalHeadwayDistInput = false;
    std::string HeadwayMeanInput = "1.00";
    std::string HeadwayStdInput = "1.00";

    // Automatic generator, tab "Space".
    bool UniformSpaceGenerator = false;
    bool NormalSpaceGenerator = true;
    std::string SpatialMeanInput = "50";
    std::string SpatialRangeInput = "10";
    std::string DistGenerator2Trap = "5.0";

    // Automatic generator, tab "Max Speed".
    std::string PercentNumOf1stCategory = "100";
    std::string PercentNumOf2ndCategory = "0";
    bool _1stMaxSpeedTheOnly = false;
    bool _1stMaxSpeedNormalDist = true;
    std::string _1stMaxSpeed = "1.775";
    std::string _1stMaxSpeedMeanInput = "1.775";
    std::string _1stMaxSpeedStdInput = "0.250";
    bool _2ndMaxSpeedTheOnly = false;
    bool _2ndMaxSpeedNormalDist = true;
    std::string _2ndMaxSpeed = "1.200";
    std::string _2ndMaxSpeedMeanInput = "0.834";
    std::string _2ndMaxSpeedStdInput = "0.167";

    // Automatic generator, tab "Ways".
    Ways NumWays = Ways::Two;
    std::string TotalNumberOfPedestrians = "10";
    std::string NumPedLeft = "5";
    std::string NumPedRight = "5";

    // Manual generator: the picked (or loaded) positions, and the texts of the next hand-made
    // pedestrian's velocity, maximum speed and maximum acceleration.
    float InitialPx = 0;
    float InitialPy = 0;
    float TargetEx = 0;
    float TargetEy = 0;
    std::string InitialVx = "0.000";
    std::string InitialVy = "0.000";
    std::string MaxSpeed = "1.333";
    std::string maxAcceleration = "1.440";

    // Show options.
    Check ShowInfCircle = Check::Unchecked;
    Check SightBox = Check::Unchecked;
    Check AcclLine = Check::Unchecked;
    Check VelocityLine = Check::Unchecked;
    Check PrintID = Check::Unchecked;
    Check DrawFill = Check::Checked;
    Check PedCircle = Check::Checked;
    Check TracePath = Check::Unchecked;
    Check DontShowAnimation = Check::Unchecked;

    // Forces.
    Check ForceForward = Check::Checked;
    Check ForceFlee = Check::Checked;
    Check ForceSeparate = Check::Checked;

    // Reporting.
    Check ReportInstantPerformance = Check::Checked;
    Check ReportAvgInstantPerformance = Check::Checked;
    Check ReportNTXY = Check::Unchecked;
    Check ReportSystemPerformance = Check::Unchecked;
    Check ReportTrafficPerformance = Check::Unchecked;
    Check ReportIndividualPerformance = Check::Unchecked;

    // Simulation speed: milliseconds between two steps, 1 to 1000.
    int SimSpeed = 1;

    // Generator mode: the check marks of "&Manual Generator" and "&Auto Generator".
    bool ManualGenerator = false;
    bool PedGenerator = false;
};

// Describes one field of Settings by the name users and scripts know it by.
struct SettingInfo {
    enum class Kind { Text, Check, Option, MenuCheck, Ways, Number, Position, Choice };
    std::string_view name;
    Kind kind;
    // Option buttons of one group share a group name; selecting one clears the others.
    std::string_view group;
    std::string Settings::*text = nullptr;
    Check Settings::*check = nullptr;
    bool Settings::*flag = nullptr;
    float Settings::*position = nullptr;
    // The unit of the value ("-" when it has none) and, in one line, what the setting does.
    // strida-batch --list-settings prints both, and docs/settings.md is made from them.
    std::string_view unit;
    std::string_view meaning;
    // A choice: the words it takes, separated by "|", the first the default.
    std::string_view choices;
};

// Whether `word` is one of a choice's words.
bool isChoice(const SettingInfo& info, std::string_view word);
// A choice's words for a message: "Sequential or Simultaneous".
std::string choiceWords(const SettingInfo& info);

// The model options as the step reads them.
inline bool simultaneousUpdate(const Settings& s) {
    return s.UpdateOrder == "Simultaneous";
}
inline bool corridorWalls(const Settings& s) {
    return isOn(s.CorridorWalls);
}
inline bool speedFromSpacing(const Settings& s) {
    return isOn(s.SpeedFromSpacing);
}
inline bool faceTargetAtRest(const Settings& s) {
    return isOn(s.FaceTargetAtRest);
}
inline bool steerAway(const Settings& s) {
    return isOn(s.SteerAway);
}

// The settings that switch or tune the model beyond its default behaviour. A state saved before
// one of them existed was run without it, so restoring such a state puts them at their defaults.
inline constexpr std::string_view kModelOptions[] = {
    "CorridorWalls",    "UpdateOrder", "SpeedFromSpacing", "TimeGap",
    "FaceTargetAtRest", "SteerAway",   "SteerStrength",    "SteerRange"};

// All settings in the order of the panels that edit them.
std::span<const SettingInfo> settingTable();
const SettingInfo* findSetting(std::string_view name);

}  // namespace strida
