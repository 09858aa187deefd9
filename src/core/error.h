#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace strida {

// A failure the engine hands to its caller instead of letting it corrupt the run: the description
// says what failed, in words a user can act on.
struct EngineError {
    std::string description;
};

using MaybeError = std::optional<EngineError>;

// A user's text as a message quotes it: in double quotes, at most 60 characters of it (a value
// pasted by mistake can be huge), with control characters shown as "?" so that the message stays
// on one line.
inline std::string quoteText(std::string_view text) {
    constexpr std::size_t kShown = 60;
    std::size_t shown = text.size();
    if (shown > kShown) {
        shown = kShown;
        // Not in the middle of a character of several bytes.
        while (shown > 0 && (static_cast<unsigned char>(text[shown]) & 0xC0) == 0x80) --shown;
    }
    std::string out = "\"";
    for (char c : text.substr(0, shown))
        out += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c;
    out += '"';
    if (shown < text.size())
        out += " (" + std::to_string(text.size()) + " characters, the first " +
               std::to_string(shown) + " shown)";
    return out;
}

}  // namespace strida
