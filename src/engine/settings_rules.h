// The rules that tie settings together when one of them is edited, shared by the panels and the
// batch runner. A rule's own writes do not set off further rules, so every chain of updates ends
// after one round: a total edit splits it evenly, a side edit makes the total the sum of the sides,
// a share edit makes the other share its complement to 100.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/error.h"
#include "engine/settings.h"

namespace strida {

// DistGenerator2Trap becomes half the trap length (5 for a 10 m trap, 16.05 for 32.1 m).
void trapLengthChanged(Settings& s);
// InfluenceDiameter follows the body diameter: PedDiameter + 0.1 (0.60 gives 0.7).
void pedDiameterChanged(Settings& s);
// TotalNumberOfPedestrians becomes NumPedLeft + NumPedRight.
void sideCountChanged(Settings& s);
// Splits TotalNumberOfPedestrians evenly between the two sides (9 gives 4 and 4) and returns the
// count per side, or nothing (counts unchanged) when the total is not a number or too large.
std::optional<std::int16_t> evenSplit(Settings& s);
// The other share becomes 100 minus this one; returns the other share rounded to a whole number
// for its scroll bar, or nothing when that does not fit.
std::optional<std::int16_t> firstShareChanged(Settings& s);
std::optional<std::int16_t> secondShareChanged(Settings& s);

// A show option has just been ticked or unticked (the field holds its new state). What is drawn on
// a pedestrian needs its circle: ticking "Influence Circle", "Sight Box", "ID number" or "Filled"
// ticks "Pedestrian (circle)", and unticking the circle unticks "Filled" and "ID number". A traced
// path is drawn by the velocity lines, so "Trace Path" gives "Velocity line" its own state. Every
// other check box ties nothing.
void showOptionChanged(Settings& s, Check Settings::*option);

// Turns one generator mode (ManualGenerator or PedGenerator) on or off, as its menu item does: the
// other mode takes the opposite state, so turning one off turns the other on. A mode set to the
// state it already has changes nothing.
void setGeneratorMode(Settings& s, bool Settings::*mode, bool on);

// The lowest position of the influence diameter's scroll bar, which counts hundredths of a metre:
// the body diameter in hundredths (75 for 0.75 m), so the bar cannot make the influence area
// smaller than the body. A diameter that is not a positive number gives 0; the bound stops at 500,
// the 5 m at the bar's top.
int influenceBarMinimum(const Settings& s);

// The text that a scroll bar beside a text setting writes into it for a position: the position in
// the setting's steps with as many decimals as the steps need (hundredths of a metre for the
// diameters: 75 gives "0.75"; thousandths of a metre per second for speeds: 1500 gives "1.500").
// The spatial mean's bar stands upright with 100 % at its top, where its position is 0, so 30 gives
// "70". Counts, percentages and DT are whole numbers.
std::string scrollBarText(std::string Settings::*setting, int position);

// The position of a scroll bar beside a text setting that shows what the setting holds: the
// reverse of scrollBarText ("0.75" gives 75 on a diameter's bar, "70" gives 30 on the spatial
// mean's). Nothing when the text is not a number that a bar could show.
std::optional<int> scrollBarPosition(std::string Settings::*setting, const Settings& s);

// The text a start or target coordinate picked on the trap canvas is set to: its metres rounded to
// whole centimetres (3.708 m gives "3.71").
std::string pickedPositionText(double metres);

// Whether a setting's text holds no control character (a line break would split the report
// records the text is copied into).
bool isPrintableText(std::string_view text);

// What a setting holds, as text: a text setting its text, a check box 0, 1 or 2 (greyed), an
// option button or menu check 0 or 1, NumWays 0 or 1, SimSpeed its milliseconds, a position its
// metres in the shortest form that reads back to the same single-precision value.
std::string settingText(const Settings& s, const SettingInfo& info);
// Puts back what settingText gave, exactly and without the rules that tie settings together (the
// saved state is already consistent). An unknown name or a text of the wrong form changes nothing.
MaybeError restoreSetting(Settings& s, std::string_view name, std::string_view text);

// A saved state: setting names with their texts, as a scenario or a run's record holds them.
using SavedSettings = std::vector<std::pair<std::string, std::string>>;
// Puts back a whole saved state as restoreSetting puts back each of its settings, all or nothing:
// on an error nothing has changed, the error is that of the setting that could not be put back,
// and `failed` (when given) names it. A model option (kModelOptions) the state does not hold was
// saved before the option existed and is put back at its default.
MaybeError restoreSettings(Settings& s, const SavedSettings& saved, std::string* failed = nullptr);

// The door every change of a setting goes through, whoever makes it: a control of a panel, a menu
// item, a pick on the canvas, the manual generator, strida-batch --set. It sets one setting by
// name as a script would: a text setting takes the value as its text, a check
// box or menu check 0 or 1, an option button 1 (selecting it clears the rest of its group),
// NumWays 0 (one way) or 1 (two ways), SimSpeed 1 to 1000. The rules above apply as they do on the
// panels: a text, check box or menu check set to the value it already holds starts none, as a
// control set to its own state fires no handler, while choosing two ways always splits the total.
MaybeError applySetting(Settings& s, std::string_view name, std::string_view value);

}  // namespace strida
