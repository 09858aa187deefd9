// Reading and writing of numbers: every setting and every report field goes through these rules.
#include "core/numbers.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>

namespace strida::num {
namespace {

TEST(Numbers, LenientTakesTheLongestLeadingNumber) {
    // "7e": an exponent without digits is not part of the number.
    const std::pair<const char*, double> cases[] = {
        {"x", 0},           {"-", 0},       {"  12abc", 12}, {".5", 0.5},
        {"-2.25kg", -2.25}, {"1.5.3", 1.5}, {"7e", 7},       {"2.5e-999 m", 0}};
    for (auto [text, value] : cases) EXPECT_EQ(lenient(text), value) << '"' << text << '"';
    // Too large for a double: the largest double of that sign, never infinity.
    EXPECT_EQ(lenient("1e999"), DBL_MAX);
    EXPECT_EQ(lenient("-1e999"), -DBL_MAX);
    EXPECT_EQ(lenient("12.5e400"), DBL_MAX);
}

TEST(Numbers, StrictAcceptsOnlyAWholeNumber) {
    const std::pair<const char*, double> taken[] = {
        {"  -0.75 \t", -0.75}, {"1e3", 1000}, {"1.5e-400", 0}, {"-0.25e-999", -0.0}};
    for (auto [text, value] : taken) EXPECT_EQ(strict(text), value) << '"' << text << '"';
    for (const char* bad : {"", "   ", "1.5x", "-", "1 2", "1e999", "x1"})
        EXPECT_EQ(strict(bad), std::nullopt) << '"' << bad << '"';
}

TEST(Numbers, RoundingToWholeNumbers) {
    const std::pair<double, std::optional<std::int16_t>> cases[] = {
        {2.5, 2},           {3.5, 4},      {-2.5, -2},  {-3.5, -4},   {-0.6, -1}, {32767.4, 32767},
        {-32768.5, -32768}, {32767.5, {}}, {40000, {}}, {-32769, {}}, {NAN, {}},  {INFINITY, {}}};
    for (auto [value, rounded] : cases) EXPECT_EQ(roundInt16(value), rounded) << value;
    EXPECT_EQ(roundInt32(40000.5), 40000);
    EXPECT_EQ(roundInt32(3e9), std::nullopt);
    EXPECT_EQ(Int(-0.5), -1.0);
    EXPECT_EQ(Int(2.7), 2.0);
}

TEST(Numbers, FixedPatterns) {
    // Half away from zero on the shortest decimal form, not on the binary value below it (2.675,
    // 1.005, 2.35f); carries run through every digit; a value that shows as zero has no sign.
    const std::tuple<double, int, const char*> cases[] = {
        {2.5, 0, "3"},       {-2.5, 0, "-3"},     {-0.304, 2, "-0.30"}, {0.0, 3, "0.000"},
        {2.675, 2, "2.68"},  {1.005, 2, "1.01"},  {0.006, 2, "0.01"},   {0.0004, 2, "0.00"},
        {9.995, 2, "10.00"}, {99.96, 1, "100.0"}, {-0.001, 2, "0.00"},  {-0.0, 1, "0.0"}};
    for (auto [value, places, text] : cases) EXPECT_EQ(fixed(value, places), text) << value;
    EXPECT_EQ(fixed(2.35f, 1), "2.4");
    EXPECT_EQ(fixed(1e20, 0), "100000000000000000000");
}

TEST(Numbers, ShortestRoundTripForm) {
    const std::pair<double, const char*> cases[] = {{-0.3, "-0.3"},        {-250.0, "-250"},
                                                    {-0.0, "0"},           {0.000001, "0.000001"},
                                                    {-2.5e-7, "-2.5e-07"}, {1e21, "1e+21"}};
    for (auto [value, text] : cases) EXPECT_EQ(shortest(value), text);
    // Single-precision values in their own shortest form, not in the double they widen to.
    for (auto [value, text] :
         {std::pair{9.5e-7f, "9.5e-07"}, {2.35f, "2.35"}, {0.1f, "0.1"}, {-1.5f, "-1.5"}})
        EXPECT_EQ(shortest(value), text);
    // A text box's form reads back to a finite number too, even at the ends of the range, where
    // 15 digits round beyond the largest double.
    for (auto [value, text] : {std::pair{0.75 + 0.1, "0.85"}, {32.1 / 2, "16.05"}, {-0.0, "0"}})
        EXPECT_EQ(general(value), text);
    for (double v : {DBL_MAX, -DBL_MAX, DBL_MIN, 5e-324, 1.7976931348623e308}) {
        const std::optional<double> back = strict(general(v));
        ASSERT_TRUE(back) << general(v);
        EXPECT_TRUE(std::isfinite(*back)) << general(v);
    }
}

}  // namespace
}  // namespace strida::num
