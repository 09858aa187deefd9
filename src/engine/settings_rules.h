// The rules that tie settings together when one of them is edited, shared by the panels and the
// batch runner. A rule's own writes do not set off further rules, so every chain of updates ends
// after one round: a total edit splits it evenly, a side edit makes the total the sum of the sides,
// a share edit makes the other share its complement to 100.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

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

// Whether a setting's text holds no control character (a line break would split the report
// records the text is copied into).
bool isPrintableText(std::string_view text);

// Sets one setting by name as a script would: a text setting takes the value as its text, a check
// box or menu check 0 or 1, an option button 1 (selecting it clears the rest of its group),
// NumWays 0 (one way) or 1 (two ways), SimSpeed 1 to 1000. The rules above apply.
MaybeError applySetting(Settings& s, std::string_view name, std::string_view value);

}  // namespace strida
