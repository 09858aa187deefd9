// Reading and writing of numbers, the one place where numeric text is interpreted.
//
// Texts typed by the user are read in one of two ways. The lenient way takes the longest leading
// number and treats a text without one as 0; it never fails. The strict way accepts only a text
// that is wholly a number and otherwise reports a failure the caller has to deal with.
//
// All formatting is locale independent ("." is always the decimal separator) and avoids streams.
#pragma once

#include <charconv>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace strida::num {

// Longest leading number of the text (leading blanks skipped); 0 when there is none.
// A number too large for a double reads as the largest double of its sign.
double lenient(std::string_view text);

// The whole text (surrounding blanks allowed) as a finite number, or nothing.
std::optional<double> strict(std::string_view text);

// The whole text as a whole number of type T (digits only, no blanks, no sign for unsigned), or
// nothing: for counts and seeds given on a command line.
template <typename T>
std::optional<T> whole(std::string_view text) {
    T value{};
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || ptr != text.data() + text.size()) return std::nullopt;
    return value;
}

// Round to the nearest whole number, ties to even (2.5 -> 2, 3.5 -> 4). Nothing when the value is
// not finite or does not fit the type.
std::optional<std::int16_t> roundInt16(double value);
std::optional<std::int32_t> roundInt32(double value);

// The integer part used in formulas: rounds toward minus infinity (Int(-0.5) = -1).
double Int(double value);

// Fixed patterns "0", "0.0", "0.00", "0.000", "0.0000": `decimals` digits after the point, rounded
// half away from zero on the shortest decimal form of the value, so 2.675 shows as 2.68 and a
// single-precision 2.35 as 2.35. A value that rounds to zero never shows a minus sign.
std::string fixed(double value, int decimals);
std::string fixed(float value, int decimals);
void appendFixed(std::string& out, double value, int decimals);
void appendFixed(std::string& out, float value, int decimals);

// The shortest text that reads back to the same value at the precision it is held in. Whole values
// carry no decimal point; plain notation from 1e-6 up to 1e21, exponent form outside.
std::string shortest(double value);
std::string shortest(float value);
void appendShortest(std::string& out, double value);
void appendShortest(std::string& out, float value);

// A number as the program shows it in a text box: up to 15 significant digits, no trailing zeros
// (0.75 + 0.1 shows as 0.85, 32.1 / 2 as 16.05).
std::string general(double value);

}  // namespace strida::num
