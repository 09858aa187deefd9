// Reading and writing of numbers: every setting and every report field goes through these rules.
#include "core/numbers.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>

namespace strida::num {
namespace {

TEST(Numbers, LenientTakesTheLongestLeadingNumber) {
    EXPECT_EQ(lenient("x"), 0.0);
    EXPECT_EQ(lenient(""), 0.0);
    EXPECT_EQ(lenient("-"), 0.0);
    EXPECT_EQ(lenient("  12abc"), 12.0);
    EXPECT_EQ(lenient("1e3"), 1000.0);
    EXPECT_EQ(lenient(".5"), 0.5);
    EXPECT_EQ(lenient("-2.25kg"), -2.25);
    EXPECT_EQ(lenient("1.5.3"), 1.5);
    EXPECT_EQ(lenient("7e"), 7.0);  // an exponent without digits is not part of the number
    // Too large for a double: the largest double of that sign, never infinity.
    EXPECT_EQ(lenient("1e999"), std::numeric_limits<double>::max());
    EXPECT_EQ(lenient("-1e999"), -std::numeric_limits<double>::max());
    EXPECT_EQ(lenient("1e-999"), 0.0);
}

TEST(Numbers, StrictAcceptsOnlyAWholeNumber) {
    EXPECT_EQ(strict("2.5"), 2.5);
    EXPECT_EQ(strict("  -0.75 \t"), -0.75);
    EXPECT_EQ(strict("1e3"), 1000.0);
    EXPECT_EQ(strict(".5"), 0.5);
    for (const char* bad : {"", "   ", "1.5x", "abc", "-", "1 2", "1e999", "x1"})
        EXPECT_EQ(strict(bad), std::nullopt) << '"' << bad << '"';
}

TEST(Numbers, NumbersBeyondADoubleAreTooLargeOrTooSmall) {
    EXPECT_EQ(strict("1.5e-400"), 0.0);
    EXPECT_EQ(strict("-0.25e-999"), -0.0);
    EXPECT_EQ(strict("1.5e400"), std::nullopt);
    EXPECT_EQ(lenient("2.5e-999 m"), 0.0);
    EXPECT_EQ(lenient("12.5e400"), DBL_MAX);
}

TEST(Numbers, RoundingToWholeNumbers) {
    EXPECT_EQ(roundInt16(2.5), 2);
    EXPECT_EQ(roundInt16(3.5), 4);
    EXPECT_EQ(roundInt16(-2.5), -2);
    EXPECT_EQ(roundInt16(-3.5), -4);
    EXPECT_EQ(roundInt16(-0.6), -1);
    EXPECT_EQ(roundInt16(32767.4), 32767);
    EXPECT_EQ(roundInt16(-32768.5), -32768);
    EXPECT_EQ(roundInt16(32767.5), std::nullopt);  // rounds to 32768
    EXPECT_EQ(roundInt16(40000), std::nullopt);
    EXPECT_EQ(roundInt16(-32769), std::nullopt);
    EXPECT_EQ(roundInt16(std::nan("")), std::nullopt);
    EXPECT_EQ(roundInt16(std::numeric_limits<double>::infinity()), std::nullopt);
    EXPECT_EQ(roundInt32(40000.5), 40000);
    EXPECT_EQ(roundInt32(3e9), std::nullopt);

    EXPECT_EQ(Int(-0.5), -1.0);
    EXPECT_EQ(Int(2.7), 2.0);
}

TEST(Numbers, FixedPatterns) {
    EXPECT_EQ(fixed(152.0, 0), "152");
    EXPECT_EQ(fixed(6.6, 0), "7");
    EXPECT_EQ(fixed(2.5, 0), "3");
    EXPECT_EQ(fixed(-2.5, 0), "-3");
    EXPECT_EQ(fixed(2.1, 2), "2.10");
    EXPECT_EQ(fixed(-0.304, 2), "-0.30");
    EXPECT_EQ(fixed(0.0, 3), "0.000");
    // Half away from zero on the shortest decimal form, not on the binary value below it.
    EXPECT_EQ(fixed(2.675, 2), "2.68");
    EXPECT_EQ(fixed(1.005, 2), "1.01");
    EXPECT_EQ(fixed(2.35f, 1), "2.4");
    EXPECT_EQ(fixed(0.006, 2), "0.01");
    EXPECT_EQ(fixed(0.0004, 2), "0.00");
    // Carries run through every digit.
    EXPECT_EQ(fixed(9.995, 2), "10.00");
    EXPECT_EQ(fixed(99.96, 1), "100.0");
    // A value that shows as zero has no minus sign.
    EXPECT_EQ(fixed(-0.001, 2), "0.00");
    EXPECT_EQ(fixed(-0.0, 1), "0.0");
    EXPECT_EQ(fixed(-0.4, 0), "0");
    EXPECT_EQ(fixed(1e20, 0), "100000000000000000000");
}

TEST(Numbers, ShortestRoundTripForm) {
    EXPECT_EQ(shortest(0.1), "0.1");
    EXPECT_EQ(shortest(-0.3), "-0.3");
    EXPECT_EQ(shortest(0.1 + 0.2), "0.30000000000000004");
    EXPECT_EQ(shortest(1.0), "1");
    EXPECT_EQ(shortest(-250.0), "-250");
    EXPECT_EQ(shortest(0.0), "0");
    EXPECT_EQ(shortest(-0.0), "0");
    EXPECT_EQ(shortest(0.000001), "0.000001");
    EXPECT_EQ(shortest(1e-7), "1e-07");
    EXPECT_EQ(shortest(-2.5e-7), "-2.5e-07");
    EXPECT_EQ(shortest(1e21), "1e+21");
    EXPECT_EQ(shortest(1.5e300), "1.5e+300");
    EXPECT_EQ(shortest(9.5e-7f), "9.5e-07");
    EXPECT_EQ(shortest(2.0 / 15), "0.13333333333333333");
    // Single-precision values in their own shortest form, not in the double they widen to.
    EXPECT_EQ(shortest(2.35f), "2.35");
    EXPECT_EQ(shortest(0.1f), "0.1");
    EXPECT_EQ(shortest(static_cast<double>(0.1f)), "0.10000000149011612");
    EXPECT_EQ(shortest(-1.5f), "-1.5");
    // Every output reads back to the same value.
    for (double v : {1.0 / 3, 1e-5, 6.02214076e23, 123456.789, -7.25e-8}) {
        const std::string text = shortest(v);
        EXPECT_EQ(strict(text), v) << text;
        EXPECT_EQ(text.find(','), std::string::npos);
    }
    // A text box's form reads back to a finite number too, even at the ends of the range, where
    // 15 digits round beyond the largest double.
    EXPECT_EQ(general(0.75 + 0.1), "0.85");
    EXPECT_EQ(general(32.1 / 2), "16.05");
    EXPECT_EQ(general(1.0), "1");
    EXPECT_EQ(general(-0.0), "0");
    for (double v : {DBL_MAX, -DBL_MAX, DBL_MIN, 5e-324, 1.7976931348623e308}) {
        const std::optional<double> back = strict(general(v));
        ASSERT_TRUE(back) << general(v);
        EXPECT_TRUE(std::isfinite(*back)) << general(v);
    }
}

}  // namespace
}  // namespace strida::num
