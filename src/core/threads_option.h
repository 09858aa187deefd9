// --threads, as strida and strida-batch both take it: how many threads a step with
// UpdateOrder=Simultaneous shares its pedestrians out over.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/numbers.h"

namespace strida {

inline constexpr int kMostThreads = 1024;

// The number of threads a --threads value gives, or why it is refused.
inline std::optional<std::string> readThreads(std::string_view value, int& threads) {
    const std::optional<long> n = num::whole<long>(value);
    if (!n || *n < 1 || *n > kMostThreads)
        return "--threads takes a whole number of threads from 1 to " +
               std::to_string(kMostThreads) + ", not '" + std::string(value) + "'";
    threads = static_cast<int>(*n);
    return std::nullopt;
}

}  // namespace strida
