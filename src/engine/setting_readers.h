// How each text setting is read, in one place beside the settings table: its form (a number or a
// whole number), whether the run reads it strictly (the whole text must be a number) or leniently
// (its leading number, 0 when it has none), and the values it may take. Every reader of a setting's
// text goes through here, so a setting reads the same in the start check as in the step, and a
// value the step could not go on with is refused, with the same message, before the run starts.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/error.h"
#include "engine/settings.h"

namespace strida {

enum class Reading : std::uint8_t {
    Strict,   // the whole text is a number, or it is refused
    Lenient,  // the text's leading number; a text without one reads as 0
};

enum class Form : std::uint8_t {
    Number,
    Whole,  // rounded to a whole number, ties to even
};

struct SettingReader {
    std::string_view name;
    std::string Settings::*text;
    Form form;
    Reading reading;
    // The values the run can go on with, both ends included. With `eitherSign`, the bounds hold
    // for the value's magnitude and the value may be negative as well.
    double lowest;
    double highest;
    bool eitherSign = false;
    // The range holds only while this force is on (the force divides by the value); null: always.
    Check Settings::*onlyWhile = nullptr;
    // Why the range is what it is, for the message ("the motion divides by it"); may be empty.
    std::string_view because = {};

    // The value the run takes: the text read as this setting is read, within its range. Otherwise
    // nothing, and `error` gets a message naming the setting and quoting its text (the first
    // error is kept, so a caller can read several settings and report the first bad one).
    std::optional<double> read(const Settings& s, MaybeError& error) const;
    // The text's leading number, 0 when it has none, without any range: what a tied setting or
    // a label is worked out from while the text is being typed.
    double leading(const Settings& s) const;
    // The whole text as a number, or nothing: the form of the even split of the total.
    std::optional<double> whole(const Settings& s) const;
    // Whether the range holds now (the force it depends on is on).
    bool rangeHolds(const Settings& s) const;
};

// How a run reads the setting, in words: "the whole text: a number from 1 to 150".
std::string describeReading(const SettingReader& r);

// The reader of a text setting; every text field of Settings has one.
const SettingReader& readerOf(std::string Settings::*text);
std::span<const SettingReader> settingReaders();

// Derived values of the trap and time settings, from their texts as typed (leading numbers).
double trapLengthOf(const Settings& s);  // lenient TrapLength, metres
double trapWidthOf(const Settings& s);   // lenient TrapWidth, metres
double trapAreaOf(const Settings& s);
// Seconds per time slice, 1 / DT. A DT text of 0 or one that is not a number gives 0, which
// every user of the time slice refuses, rather than an infinite or undefined value.
double dtOf(const Settings& s);

// The message of a value a setting cannot take: `Name is "text"; ` and then why.
EngineError refusedValue(const SettingReader& r, const Settings& s, const std::string& why);

}  // namespace strida
