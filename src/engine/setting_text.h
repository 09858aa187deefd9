// Reading a setting's text at the moment of use, with an error that names the setting and quotes
// its text when the text will not do.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/error.h"

namespace strida {

// The text read strictly. On failure the first error is kept in `error`, so a caller can read
// several texts and report the first bad one.
std::optional<double> readStrict(std::string_view name, const std::string& text, MaybeError& error);

// A count of pedestrians: the text read leniently and rounded to a whole number that a run can
// hold (at most 32767).
std::optional<std::int16_t> readCount(std::string_view name, const std::string& text,
                                      MaybeError& error);

}  // namespace strida
