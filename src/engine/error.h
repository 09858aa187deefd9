#pragma once

#include <optional>
#include <string>

namespace strida {

// A failure the engine hands to its caller instead of letting it corrupt the run: the description
// says what failed, in words a user can act on.
struct EngineError {
    std::string description;
};

using MaybeError = std::optional<EngineError>;

}  // namespace strida
