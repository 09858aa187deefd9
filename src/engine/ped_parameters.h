// The behaviour parameters every new pedestrian receives from the parameters settings, and the one
// check of a pedestrian's definition before it is made.
#pragma once

#include "core/error.h"
#include "engine/ped_class.h"
#include "engine/settings.h"

namespace strida {

// Fills Radius, influenceRadius, sightDistance, Mass, Alpha, Beta and Chi (and maxAcceleration
// when `withMaxAccl`) from their settings, each through its reader (setting_readers.h), which
// holds the values it may take: none may be negative (a negative size, reach or limit means
// nothing, a negative Alpha would turn the forward force away from the target), Mass is above 0
// (the motion divides by it), and Beta and Chi are kept off 0 while the forces that divide by them
// are on.
MaybeError readBehaviour(const Settings& s, PedDef& def, bool withMaxAccl);

// A definition every number of which is finite.
MaybeError checkFinite(const PedDef& def);

}  // namespace strida
