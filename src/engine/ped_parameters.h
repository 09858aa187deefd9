// The behaviour parameters every new pedestrian receives from the parameters settings, and the one
// check of a pedestrian's definition before it is made.
#pragma once

#include "core/error.h"
#include "engine/ped_class.h"
#include "engine/settings.h"

namespace strida {

// Fills Radius, influenceRadius, sightDistance, Mass, Alpha, Beta and Chi (and maxAcceleration
// when `withMaxAccl`) from their settings, read strictly. None of them may be negative: a negative
// size, reach or limit means nothing, and a negative Alpha would turn the forward force away from
// the target. Mass must be above 0, for the motion divides by it and a negative mass would turn
// every force around. Beta and Chi divide the two neighbour forces only while those are on, so
// whether 0 can stand is decided when a run starts (checkForceDivisors).
MaybeError readBehaviour(const Settings& s, PedDef& def, bool withMaxAccl);

// Beta and Chi while the forces that divide by them are on.
MaybeError checkForceDivisors(const Settings& s, const PedDef& def);

// A definition every number of which is finite.
MaybeError checkFinite(const PedDef& def);

}  // namespace strida
