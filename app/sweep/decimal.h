// The values of a range a:b:step of --vary, as exact decimals: the bounds and the step are read as
// whole numbers of a common decimal unit, and every value is a + k step in that unit, so that
// 0.1:0.3:0.1 gives 0.1, 0.2 and 0.3 and never 0.30000000000000004.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace strida::sweep {

// The values a, a + step, ..., b as the shortest decimal texts of their exact values (plain
// notation from 1e-6 up to 1e21, exponent form outside, as the program writes numbers). Nothing,
// with the reason in `error`, when a bound or the step is not a number, the step is not above 0,
// b is below a, b is not a whole number of steps from a, the numbers need more than 36 digits
// at their common unit, or the range has more than `limit` values. Nothing is built before the
// number of values is known.
std::optional<std::vector<std::string>> decimalRange(std::string_view a, std::string_view b,
                                                     std::string_view step, std::uint64_t limit,
                                                     std::string& error);

}  // namespace strida::sweep
