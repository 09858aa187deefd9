// What a pedestrian learns of the others around it: the neighbours within a reach, the nearest one
// within sight, and the one question it asks to find them.
#pragma once

#include <cstdint>
#include <vector>

namespace strida {

class PedClass;

/// One pedestrian closer than the reach asked for.
struct Neighbour {
    const PedClass* ped;
    double dx, dy;        ///< metres: the asking pedestrian's position less this one's
    double d;             ///< metres: the distance between the two
    std::uint32_t order;  ///< place in the run's order of creation
};

/// The nearest pedestrian closer than the sight distance; none when nobody is, or when everyone in
/// sight is farther than 200 km (no pedestrian then counts as seen ahead).
struct NearestInSight {
    const PedClass* ped = nullptr;
    double d = 200000;  ///< metres: farther than any trap
    std::uint32_t order = 0;
    float x = 0, y = 0;  ///< metres: its position, as the search found it
};

// Where a moving pedestrian finds the others and tells of its own new place. The run's collection
// answers; the pedestrian needs nothing else of it.
class NeighbourFinder {
  public:
    // The pedestrians other than `self` closer than `reach` to it, in order of creation, each with
    // its distance; and, when `nearest` is given, the nearest one closer than `sight`.
    virtual void neighbours(const PedClass& self, double reach, double sight,
                            std::vector<Neighbour>& within, NearestInSight* nearest) const = 0;
    // `p` has a new position: it is found there from now on.
    virtual void moved(PedClass& p) = 0;

  protected:
    ~NeighbourFinder() = default;
};

}  // namespace strida
