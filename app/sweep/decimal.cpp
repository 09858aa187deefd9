#include "sweep/decimal.h"

#include <array>
#include <climits>
#include <cstdlib>

#include "core/numbers.h"

namespace strida::sweep {
namespace {

// Room for 36 decimal digits, the difference of two of them, and a step count times a step.
using Wide = __int128;
constexpr int kDigits = 36;

constexpr Wide power10(int n) {
    Wide p = 1;
    while (n-- > 0) p *= 10;
    return p;
}
constexpr Wide kBound = power10(kDigits);  // every number in the common unit stays below this
constexpr long kExponentLimit = 10'000'000;

// units x 10^exponent; units carries no trailing zeros, and zero is 0 whatever the exponent.
struct Decimal {
    Wide units = 0;
    long exponent = 0;
};

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The digits of a number's mantissa, each added as the next digit of `d`. Zeros after the last
// digit other than zero wait in `zeros` until a digit other than zero follows, so that
// 1.50 and 100 stay small. False when more than kDigits digits are needed.
bool addDigit(Decimal& d, long& zeros, int& digits, char c) {
    if (c == '0') {
        if (d.units != 0) ++zeros;
        return true;
    }
    for (; zeros > 0; --zeros) {
        d.units *= 10;
        if (++digits > kDigits) return false;
    }
    d.units = d.units * 10 + (c - '0');
    return ++digits <= kDigits;
}

// The exponent part "e[sign]digits" from `i`, held back at kExponentLimit.
long readExponent(std::string_view t, std::size_t& i) {
    if (i >= t.size() || (t[i] != 'e' && t[i] != 'E')) return 0;
    ++i;
    const bool negative = i < t.size() && t[i] == '-';
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    long e = 0;
    for (; i < t.size() && isDigit(t[i]); ++i) e = std::min(e * 10 + (t[i] - '0'), kExponentLimit);
    return negative ? -e : e;
}

// A number of the form num::strict reads, exactly; nothing when it needs more than kDigits digits.
std::optional<Decimal> readDecimal(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    Decimal d;
    long zeros = 0;
    int digits = 0;
    std::size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) ++i;
    bool fraction = false;
    for (; i < text.size() && (isDigit(text[i]) || (text[i] == '.' && !fraction)); ++i) {
        if (text[i] == '.') {
            fraction = true;
        } else {
            if (fraction) --d.exponent;
            if (!addDigit(d, zeros, digits, text[i])) return std::nullopt;
        }
    }
    const long exponent = d.exponent + zeros + readExponent(text, i);
    if (i != text.size() || std::labs(exponent) >= kExponentLimit) return std::nullopt;
    d.exponent = d.units == 0 ? 0 : exponent;
    if (negative) d.units = -d.units;
    return d;
}

// The three numbers as whole numbers of their common unit 10^unit, each below kBound.
bool toCommonUnit(std::array<Decimal, 3>& numbers, long& unit) {
    unit = LONG_MAX;
    for (const Decimal& d : numbers)
        if (d.units != 0) unit = std::min(unit, d.exponent);
    if (unit == LONG_MAX) unit = 0;
    for (Decimal& d : numbers) {
        if (d.units == 0) continue;
        const long shift = d.exponent - unit;
        if (shift > kDigits) return false;
        const Wide magnitude = d.units < 0 ? -d.units : d.units;
        if (magnitude >= kBound / power10(static_cast<int>(shift))) return false;
        d.units *= power10(static_cast<int>(shift));
        d.exponent = unit;
    }
    return true;
}

// units x 10^unit as the shortest decimal text.
std::string decimalText(Wide units, long unit) {
    if (units == 0) return "0";
    std::string digits;
    for (Wide u = units < 0 ? -units : units; u != 0; u /= 10)
        digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(u % 10)));
    while (digits.back() == '0') digits.pop_back(), ++unit;
    const long size = static_cast<long>(digits.size());
    const long first = size - 1 + unit;  // the power of ten of the first digit
    std::string text = units < 0 ? "-" : "";
    if (first < -6 || first > 20) {
        text += digits.substr(0, 1) + (size > 1 ? "." + digits.substr(1) : "") + "e" +
                (first < 0 ? "-" : "+") + (std::labs(first) < 10 ? "0" : "") +
                std::to_string(std::labs(first));
    } else if (unit >= 0) {
        text += digits + std::string(static_cast<std::size_t>(unit), '0');
    } else if (size + unit > 0) {
        text += digits.substr(0, size + unit) + "." + digits.substr(size + unit);
    } else {
        text += "0." + std::string(static_cast<std::size_t>(-(size + unit)), '0') + digits;
    }
    return text;
}

}  // namespace

std::optional<std::vector<std::string>> decimalRange(std::string_view a, std::string_view b,
                                                     std::string_view step, std::uint64_t limit,
                                                     std::string& error) {
    std::array<Decimal, 3> n;
    const std::string_view texts[] = {a, b, step};
    for (int i = 0; i < 3; ++i) {
        const std::optional<Decimal> d =
            num::strict(texts[i]) ? readDecimal(texts[i]) : std::nullopt;
        if (!d) {
            error = "a range is a:b:step with three numbers of at most 36 digits";
            return std::nullopt;
        }
        n[i] = *d;
    }
    long unit = 0;
    if (!toCommonUnit(n, unit)) {
        error = "a range's bounds and step are too far apart in scale to count its steps exactly";
        return std::nullopt;
    }
    const Wide from = n[0].units, to = n[1].units, by = n[2].units;
    if (by <= 0 || to < from) {
        error = "a range a:b:step needs a step above 0 and b not below a";
        return std::nullopt;
    }
    const Wide steps = (to - from) / by;
    if ((to - from) % by != 0) {
        error = "the steps of " + std::string(step) + " from " + std::string(a) +
                " do not end on " + std::string(b) + " (the last would be " +
                decimalText(from + steps * by, unit) + "); a range a:b:step ends on b";
        return std::nullopt;
    }
    if (steps >= static_cast<Wide>(limit)) {
        error = "a range of more than " + std::to_string(limit) + " values";
        return std::nullopt;
    }
    std::vector<std::string> values;
    for (Wide k = 0; k <= steps; ++k) values.push_back(decimalText(from + k * by, unit));
    return values;
}

}  // namespace strida::sweep
