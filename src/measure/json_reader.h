// Reading the program's JSON files (scenarios and run manifests) within bounds: values nest at most
// kMaxJsonDepth levels deep and a text holds at most kMaxJsonValues values, so that a file of
// brackets or of empty objects cannot take the memory (each value held takes about a hundred
// bytes, so a 16 MB file of "{}," would take half a gigabyte), and no object holds a key twice,
// since a second "settings" would silently replace the first. All is checked while the text is
// parsed, in one pass.
#pragma once

#include <cstddef>
#include <cstdint>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <stdexcept>
#include <string_view>

namespace strida {

// Deeper than any file the program writes (a manifest or a scenario nests three levels).
inline constexpr int kMaxJsonDepth = 64;
// Three times what the largest file the program writes holds: the 32767 hand-made pedestrians a
// run can hold take ten values each.
inline constexpr std::size_t kMaxJsonValues = std::size_t{1} << 20;

// A text that is JSON but not one the program takes, or a value of the wrong form; the message
// says what and where, in words that can follow the file's name:
// `the key "settings" appears twice in one object (line 12)`.
class JsonRefusal : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Parses the text. Throws nlohmann::json::parse_error for a text that is not JSON, and JsonRefusal
// for one nested too deep, with too many values or with a key twice in an object.
nlohmann::json parseJson(std::string_view text);

// A seed as the files hold it: a text of decimal digits ("42", written so now, since a 64-bit
// seed does not survive readers that hold numbers as doubles) or a whole JSON number (as files
// written before hold it). Nothing for anything else: negative, a fraction, too large, not digits.
std::optional<std::uint64_t> seedOf(const nlohmann::json& value);
// What seedOf takes, for the messages: "a whole number from 0 to ...".
extern const char* const kSeedForm;
// The seed, or JsonRefusal naming "seed".
std::uint64_t requireSeed(const nlohmann::json& value);

}  // namespace strida
