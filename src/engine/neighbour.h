// What a pedestrian learns of the others around it: the neighbours within a reach, the nearest one
// within sight, and what a search found kept for the next one.
#pragma once

#include <cstdint>
#include <vector>

namespace strida {

class PedClass;

/// One pedestrian closer than the reach asked for. Made without setting anything, so that room for
/// a search's answer is made without writing it twice.
struct Neighbour {
    Neighbour() {}  // NOLINT: left unset on purpose
    Neighbour(const PedClass* p, double x, double y, double distance, std::uint32_t o)
        : ped(p), dx(x), dy(y), d(distance), order(o) {}
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

/// A pedestrian as the searches and the measures see it, so that they need not reach into the
/// pedestrian itself: its position, colour family and velocity as of its last move, and its place
/// in the order of creation. The grid holds one for each pedestrian; a search keeps copies.
struct Placed {
    Placed() {}  // NOLINT: left unset on purpose, as Neighbour
    Placed(float px, float py, std::uint32_t o, std::uint8_t c, PedClass* p, double vX, double vY)
        : x(px), y(py), order(o), color(c), ped(p), vx(vX), vy(vY) {}
    float x, y;  ///< metres
    std::uint32_t order;
    std::uint8_t color;
    PedClass* ped;
    double vx, vy;  ///< m/s
};

/// The others near a pedestrian as one search found them, where they then stood, kept for a second
/// search around the place it moved to. While nobody else has moved since, everyone closer than r
/// to the new place is among them as long as r plus the distance moved stays within `radius`.
struct Nearby {
    using Entry = Placed;
    std::vector<Entry> list;          ///< in order of creation
    const PedClass* owner = nullptr;  ///< whose search it was; none: nothing is kept
    float x = 0, y = 0;               ///< metres: where the owner stood
    double radius = 0;                ///< metres: everyone closer than this is listed
    std::uint64_t stamp = 0;          ///< the crowd's count of changes as the search ended
    // Room for the search itself, kept so that it is not made again for every pedestrian: those
    // found as the grid gave them, and their places in the order of creation.
    std::vector<const Entry*> found;
    std::vector<std::int32_t> keys;
};

/// What the measures read of a neighbour.
struct Seen {
    Seen() {}  // NOLINT: left unset on purpose, as Neighbour
    Seen(std::uint8_t c, double x, double y) : color(c), vx(x), vy(y) {}
    std::uint8_t color;  ///< its colour family
    double vx, vy;       ///< m/s: its velocity
};

// Where a moving pedestrian finds the others and tells of its own new place. The run's collection
// answers; the pedestrian needs nothing else of it. A call through here costs next to nothing
// beside a search.
class NeighbourFinder {
  public:
    // The pedestrians other than `self` closer than `reach` to it, in order of creation, each with
    // its distance; and, when `nearest` is given, the nearest one closer than `sight`. With `keep`
    // given, the search also lists there everyone closer than keep->radius (which must be at least
    // the reach), for neighboursSince; it keeps nothing when the grid does not answer.
    virtual void neighbours(const PedClass& self, double reach, double sight,
                            std::vector<Neighbour>& within, NearestInSight* nearest,
                            Nearby* keep = nullptr) const = 0;
    // The pedestrians neighbours(self, reach, 0, ...) would give, in the same order, as `seen`:
    // from what `kept` holds when self's own search kept it and self's move is the only change
    // since; otherwise (or with nothing kept) from a search into `room`.
    virtual void neighboursSince(const PedClass& self, double reach, const Nearby* kept,
                                 std::vector<Neighbour>& room, std::vector<Seen>& seen) const = 0;
    // `p` has a new position: it is found there from now on.
    virtual void moved(PedClass& p) = 0;

  protected:
    ~NeighbourFinder() = default;
};

}  // namespace strida
