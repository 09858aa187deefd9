#include "core/numbers.h"

#include <array>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <limits>

namespace strida::num {
namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Length of the number at the start of `s` (after an optional sign), 0 when there is none.
// Grammar: digits [ "." digits ] [ exponent ] or "." digits [ exponent ], exponent = (e|E) [sign]
// digits.
std::size_t scanNumber(std::string_view s) {
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t mantissaDigits = 0;
    while (i < s.size() && isDigit(s[i])) ++i, ++mantissaDigits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && isDigit(s[i])) ++i, ++mantissaDigits;
    }
    if (mantissaDigits == 0) return 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        std::size_t expDigits = 0;
        while (j < s.size() && isDigit(s[j])) ++j, ++expDigits;
        if (expDigits > 0) i = j;
    }
    return i;
}

// Decimal magnitude of a scanned number: the power of ten of its first significant digit (roughly).
// Only used to tell an overflow from an underflow when the text does not fit a double.
long magnitude(std::string_view number) {
    std::size_t i = 0;
    if (i < number.size() && (number[i] == '+' || number[i] == '-')) ++i;
    long intDigits = 0;
    long leadingFractionZeros = 0;
    bool seenNonZero = false;
    while (i < number.size() && isDigit(number[i])) {
        if (number[i] != '0') seenNonZero = true;
        if (seenNonZero) ++intDigits;
        ++i;
    }
    if (i < number.size() && number[i] == '.') {
        ++i;
        while (!seenNonZero && i < number.size() && number[i] == '0') ++leadingFractionZeros, ++i;
        while (i < number.size() && isDigit(number[i])) ++i;
    }
    long exponent = 0;
    if (i < number.size() && (number[i] == 'e' || number[i] == 'E')) {
        ++i;
        bool negative = false;
        if (i < number.size() && (number[i] == '+' || number[i] == '-'))
            negative = number[i++] == '-';
        while (i < number.size() && isDigit(number[i])) {
            if (exponent < 100000) exponent = exponent * 10 + (number[i] - '0');
            ++i;
        }
        if (negative) exponent = -exponent;
    }
    return (seenNonZero && intDigits > 0 ? intDigits - 1 : -leadingFractionZeros - 1) + exponent;
}

// Converts a number that scanNumber has measured, so that it is read whole or does not fit a
// double; `clamp` decides what happens then.
std::optional<double> convert(std::string_view number, bool clamp) {
    bool negative = false;
    std::string_view body = number;
    if (!body.empty() && (body[0] == '+' || body[0] == '-')) {
        negative = body[0] == '-';
        body.remove_prefix(1);
    }
    double value = 0.0;
    const std::errc ec =
        std::from_chars(body.data(), body.data() + body.size(), value, std::chars_format::general)
            .ec;
    if (ec == std::errc::result_out_of_range) {
        if (!clamp) {
            if (magnitude(number) < 0) return negative ? -0.0 : 0.0;
            return std::nullopt;
        }
        value = magnitude(number) < 0 ? 0.0 : DBL_MAX;
    }
    return negative ? -value : value;
}

// Shortest decimal digits and exponent of a value: value = d0.d1d2... x 10^exponent.
struct Decimal {
    std::array<char, 32> digits{};
    int count = 0;
    int exponent = 0;
};

template <typename T>
Decimal decompose(T magnitudeValue) {
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, magnitudeValue, std::chars_format::scientific);
    Decimal d;
    const char* p = buf;
    for (; p < res.ptr && *p != 'e'; ++p) {
        if (isDigit(*p) && d.count < static_cast<int>(d.digits.size())) d.digits[d.count++] = *p;
    }
    if (p < res.ptr) {
        int e = 0;
        std::from_chars(p + 1 + (p[1] == '+' ? 1 : 0), res.ptr, e);
        d.exponent = e;
    }
    return d;
}

// "NaN", "Infinity" or "-Infinity" for a value that is not a finite number; false for any other.
template <typename T>
bool appendNonFinite(std::string& out, T value) {
    if (std::isnan(value))
        out += "NaN";
    else if (std::isinf(value))
        out += value < 0 ? "-Infinity" : "Infinity";
    else
        return false;
    return true;
}

template <typename T>
void appendFixedImpl(std::string& out, T value, int decimals) {
    if (decimals < 0) decimals = 0;
    if (appendNonFinite(out, value)) return;
    const bool negative = std::signbit(value);
    const Decimal d = decompose(std::fabs(value));
    // Digits kept: those with a place value of at least 10^-decimals.
    const long keep = value == 0 ? -1 : static_cast<long>(d.exponent) + decimals + 1;
    std::string kept;  // the result scaled by 10^decimals, as a whole number
    if (keep >= 0) {
        for (long i = 0; i < keep; ++i) kept += i < d.count ? d.digits[i] : '0';
        const bool roundUp = keep < d.count && d.digits[keep] >= '5';
        if (kept.empty()) kept = "0";
        if (roundUp) {
            long i = static_cast<long>(kept.size()) - 1;
            for (; i >= 0 && kept[i] == '9'; --i) kept[i] = '0';
            if (i < 0)
                kept.insert(kept.begin(), '1');
            else
                ++kept[i];
        }
    } else {
        kept = "0";
    }
    if (static_cast<long>(kept.size()) < decimals + 1)
        kept.insert(0, decimals + 1 - kept.size(), '0');
    const bool allZero = kept.find_first_not_of('0') == std::string::npos;
    if (negative && !allZero) out += '-';
    out.append(kept, 0, kept.size() - decimals);
    if (decimals > 0) {
        out += '.';
        out.append(kept, kept.size() - decimals, std::string::npos);
    }
}

template <typename T>
void appendShortestImpl(std::string& out, T value) {
    if (appendNonFinite(out, value)) return;
    if (value == 0) {
        out += '0';
        return;
    }
    const T magnitude = std::fabs(value);
    if (magnitude >= T(1e-6) && magnitude < T(1e21)) {
        // Plain notation: the shortest fixed form reads back to the same value.
        char buf[64];
        auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
        out.append(buf, res.ptr);
        return;
    }
    const Decimal d = decompose(magnitude);
    if (value < 0) out += '-';
    // Outside plain notation's range the shortest decimal has an exponent below -6 or above 20.
    out += d.digits[0];
    if (d.count > 1) {
        out += '.';
        out.append(d.digits.data() + 1, d.count - 1);
    }
    out += 'e';
    out += d.exponent < 0 ? '-' : '+';
    const int e = std::abs(d.exponent);
    if (e < 10) out += '0';
    char buf[8];
    auto res = std::to_chars(buf, buf + sizeof buf, e);
    out.append(buf, res.ptr);
}

template <typename Int>
std::optional<Int> roundTiesEven(double value) {
    if (!std::isfinite(value)) return std::nullopt;
    double floorValue = std::floor(value);
    const double diff = value - floorValue;  // exact: both lie in the same binade or value is whole
    double rounded = floorValue;
    if (diff > 0.5 || (diff == 0.5 && std::fmod(floorValue, 2.0) != 0.0))
        rounded = floorValue + 1.0;
    if (rounded < static_cast<double>(std::numeric_limits<Int>::min()) ||
        rounded > static_cast<double>(std::numeric_limits<Int>::max()))
        return std::nullopt;
    return static_cast<Int>(rounded);
}

}  // namespace

double lenient(std::string_view text) {
    std::size_t start = 0;
    while (start < text.size() && isBlank(text[start])) ++start;
    const std::string_view rest = text.substr(start);
    const std::size_t length = scanNumber(rest);
    if (length == 0) return 0.0;
    return convert(rest.substr(0, length), true).value_or(0.0);
}

std::optional<double> strict(std::string_view text) {
    std::size_t start = 0;
    std::size_t end = text.size();
    while (start < end && isBlank(text[start])) ++start;
    while (end > start && isBlank(text[end - 1])) --end;
    const std::string_view body = text.substr(start, end - start);
    if (body.empty() || scanNumber(body) != body.size()) return std::nullopt;
    return convert(body, false);
}

std::optional<std::int16_t> roundInt16(double value) {
    return roundTiesEven<std::int16_t>(value);
}
std::optional<std::int32_t> roundInt32(double value) {
    return roundTiesEven<std::int32_t>(value);
}

double Int(double value) {
    return std::floor(value);
}

void appendFixed(std::string& out, double value, int decimals) {
    appendFixedImpl(out, value, decimals);
}
void appendFixed(std::string& out, float value, int decimals) {
    appendFixedImpl(out, value, decimals);
}

std::string fixed(double value, int decimals) {
    std::string s;
    appendFixedImpl(s, value, decimals);
    return s;
}

std::string fixed(float value, int decimals) {
    std::string s;
    appendFixedImpl(s, value, decimals);
    return s;
}

void appendShortest(std::string& out, double value) {
    appendShortestImpl(out, value);
}
void appendShortest(std::string& out, float value) {
    appendShortestImpl(out, value);
}

std::string shortest(double value) {
    std::string s;
    appendShortestImpl(s, value);
    return s;
}

std::string shortest(float value) {
    std::string s;
    appendShortestImpl(s, value);
    return s;
}

std::string general(double value) {
    if (!std::isfinite(value)) return shortest(value);
    if (value == 0) return "0";
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15);
    std::string text(buf, res.ptr);
    // Near the largest double, 15 digits can round to a number beyond it; the exact form then.
    const std::optional<double> back = strict(text);
    if (!back || !std::isfinite(*back)) return shortest(value);
    return text;
}

}  // namespace strida::num
