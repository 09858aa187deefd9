// The program's name: the title of every message it shows.
#pragma once

#include <string_view>

namespace strida {
inline constexpr std::string_view kProgramName = "Strida";
}
