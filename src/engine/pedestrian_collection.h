// The run's pedestrians in order of creation, keyed by the decimal text of their ID.
//
// Pedestrians are taken out in the middle of a step's pass (when they arrive), and a stop taken
// between two pedestrians of a pass clears the whole collection. A pedestrian taken out leaves a
// gap in its slot and stays alive (so the one whose Move took it out can finish, and a pass by
// index goes on correctly) until its owner closes the gaps, once no pass is visiting them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "engine/neighbour.h"
#include "engine/neighbour_grid.h"
#include "engine/ped_class.h"
#include "measure/crowd_measures.h"

namespace strida {

// How neighbours are found: through the grid, or by visiting every pedestrian. Both give exactly
// the same answer: the neighbours closer than a distance, in order of creation, each with its
// distance computed by the same operations, and the nearest one within sight (the earliest
// created of equally near ones).
enum class NeighbourSearch { Index, Scan };

class PedestrianCollection final : public NeighbourFinder {
  public:
    PedestrianCollection() = default;
    PedestrianCollection(const PedestrianCollection&) = delete;
    PedestrianCollection& operator=(const PedestrianCollection&) = delete;

    void add(std::unique_ptr<PedClass> ped);
    // Takes the pedestrian with this ID out, leaving a gap; false when there is none.
    bool remove(std::int16_t id);
    // Takes every pedestrian out.
    void clear();
    // Destroys the pedestrians taken out and closes the gaps they left.
    void closeGaps();

    PedClass* find(std::int16_t id) const;
    // Lookup by key: the ID as decimal text ("1", "2", ...).
    PedClass* find(std::string_view key) const;

    std::size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }

    // Slots in order of creation; a slot is null once its pedestrian was taken out, until the gaps
    // are closed.
    std::size_t slotCount() const { return slots_.size(); }
    PedClass* slot(std::size_t index) const { return slots_[index].get(); }

    // The grid by default.
    NeighbourSearch search() const { return search_; }
    void setSearch(NeighbourSearch search);
    const NeighbourGrid& grid() const { return grid_; }

    void neighbours(const PedClass& self, double reach, double sight,
                    std::vector<Neighbour>& within, NearestInSight* nearest,
                    Nearby* keep = nullptr) const override;
    void neighboursSince(const PedClass& self, double reach, const Nearby* kept,
                         std::vector<Neighbour>& room, std::vector<Seen>& seen) const override;
    void moved(PedClass& p) override {
        changed(&p);
        if (search_ == NeighbourSearch::Index && p.gridCell_ >= 0) grid_.move(p);
    }
    // While held, every search finds the pedestrians where they stood when the hold began, even
    // as they take their new places: a step that moves everyone from the same instant stores each
    // move as soon as it is worked out. The grid keeps the old places until placed() is told.
    void holdPositions(bool held);
    // As moved() for a pedestrian that stays in its grid cell, which many threads may do at once
    // (from its place, gathered while it was at hand); false for one that changed cells, which
    // moved() must then take.
    static NeighbourGrid::Place placeOf(const PedClass& p) { return NeighbourGrid::placeOf(p); }
    bool movedInPlace(const NeighbourGrid::Place& place) {
        return search_ != NeighbourSearch::Index || grid_.moveInPlace(place);
    }

    // Asks the processor to fetch what moving the pedestrian in slot `index` reads of the grid,
    // and the pedestrian in the slot after it, while the one before it moves: the step goes
    // through the slots in turn, and without this waits on memory at each of them. A hint only.
    void prefetchFor(std::size_t index) const;

    // Visits every pedestrian in order of creation.
    template <typename F>
    void forEach(F&& visit) const {
        for (std::size_t i = 0; i < slots_.size(); ++i)
            if (PedClass* p = slots_[i].get()) visit(*p);
    }

  private:
    std::size_t indexOf(std::int16_t id) const;
    void scanNeighbours(const PedClass& self, double reach, double sight,
                        std::vector<Neighbour>& within, NearestInSight* nearest) const;
    // False, with nothing found, when the scan costs less.
    bool gridNeighbours(const PedClass& self, double reach, double sight,
                        std::vector<Neighbour>& within, NearestInSight* nearest,
                        Nearby* keep) const;
    void compact();
    bool keptStands(const PedClass& self, double reach, const Nearby& kept) const;
    // Lists in `keep` everyone but self closer than `radius`, in order of creation.
    void keepAround(const PedClass& self, double radius, Nearby& keep) const;
    // Offers nearer() the nearest of `list` to (px, py), the earliest created of equally near,
    // given the least squared distance among them.
    template <typename Nearer>
    static void nearestKept(double px, double py, const std::vector<Nearby::Entry>& list,
                            double least, Nearer&& nearer);
    // Every change of who is where counts, so that what a search kept is known to be stale.
    void changed(const PedClass* who) {
        ++changes_;
        lastChanged_ = who;
    }

    std::vector<std::unique_ptr<PedClass>> slots_;
    std::vector<std::int16_t> ids_;  // ID of each slot, kept for emptied slots too
    std::vector<std::unique_ptr<PedClass>> released_;
    std::size_t count_ = 0;
    std::uint32_t nextOrder_ = 0;
    NeighbourSearch search_ = NeighbourSearch::Index;
    NeighbourGrid grid_;
    bool ascending_ = true;  // IDs rise in order of creation, which allows a binary search
    bool held_ = false;
    std::vector<std::pair<float, float>> heldPlaces_;  // by slot, for the scan while held
    std::uint64_t changes_ = 0;
    const PedClass* lastChanged_ = nullptr;
};

// The run's pedestrians as the crowd measures see them, in order of creation: each walks the way
// from where it was created to its target.
std::vector<Walker> walkersOf(const PedestrianCollection& pedestrians);

}  // namespace strida
