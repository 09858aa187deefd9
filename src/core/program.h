// The program's name: the title of every message it shows.
#pragma once

#include <string_view>

namespace strida {
inline constexpr std::string_view kProgramName = "Strida";
inline constexpr std::string_view kProgramVersion = "1.3";
}  // namespace strida
