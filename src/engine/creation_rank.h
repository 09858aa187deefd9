// Puts what a search found in order of creation by rank: a pedestrian's place is how many of the
// others were created before it. For the few dozen a search finds this costs no comparison that
// could be mispredicted, where a sort costs one at nearly every step.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/neighbour.h"

namespace strida {

// A place in the order of creation as a signed number that compares as the place does.
inline std::int32_t orderKey(std::uint32_t order) {
    return static_cast<std::int32_t>(order ^ 0x80000000u);
}

// The keys are read in blocks of this many: past n they run on, INT32_MAX, to a whole block.
inline constexpr std::size_t kKeyBlock = 8;

// *found[i] to list[r], r being how many of keys[0 .. n) are below keys[i]. The keys are
// distinct, so every place is filled once.
using PlaceInOrder = void (*)(const Placed* const* found, const std::int32_t* keys, std::size_t n,
                              Placed* list);

// Every way this processor can do it, one key at a time first, then four, then eight.
std::vector<PlaceInOrder> waysToPlaceInOrder();

// The fastest of them.
extern const PlaceInOrder placeInOrder;

}  // namespace strida
