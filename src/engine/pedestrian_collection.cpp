#include "engine/pedestrian_collection.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace strida {

void PedestrianCollection::add(std::unique_ptr<PedClass> ped) {
    const std::int16_t id = ped->ID();
    ped->order_ = nextOrder_++;
    ped->inRun_ = true;
    if (search_ == NeighbourSearch::Index) grid_.insert(*ped);
    if (!ids_.empty() && id <= ids_.back()) ascending_ = false;
    ids_.push_back(id);
    slots_.push_back(std::move(ped));
    ++count_;
}

std::size_t PedestrianCollection::indexOf(std::int16_t id) const {
    if (ascending_) {
        auto it = std::lower_bound(ids_.begin(), ids_.end(), id);
        for (; it != ids_.end() && *it == id; ++it) {
            const std::size_t i = static_cast<std::size_t>(it - ids_.begin());
            if (slots_[i]) return i;
        }
        return slots_.size();
    }
    for (std::size_t i = 0; i < slots_.size(); ++i)
        if (slots_[i] && ids_[i] == id) return i;
    return slots_.size();
}

PedClass* PedestrianCollection::find(std::int16_t id) const {
    const std::size_t i = indexOf(id);
    return i < slots_.size() ? slots_[i].get() : nullptr;
}

PedClass* PedestrianCollection::find(std::string_view key) const {
    int id = 0;
    const std::errc ec = std::from_chars(key.data(), key.data() + key.size(), id).ec;
    // Keys carry no sign, padding or anything after the digits: the key is the ID's own text.
    if (ec != std::errc() || std::to_string(id) != key || id < INT16_MIN || id > INT16_MAX)
        return nullptr;
    return find(static_cast<std::int16_t>(id));
}

bool PedestrianCollection::remove(std::int16_t id) {
    const std::size_t i = indexOf(id);
    if (i >= slots_.size()) return false;
    grid_.remove(*slots_[i]);
    slots_[i]->inRun_ = false;
    released_.push_back(std::move(slots_[i]));
    --count_;
    return true;
}

void PedestrianCollection::clear() {
    grid_.clear();
    for (auto& slot : slots_)
        if (slot) {
            slot->inRun_ = false;
            released_.push_back(std::move(slot));
        }
    slots_.clear();
    ids_.clear();
    count_ = 0;
    ascending_ = true;
    nextOrder_ = 0;
}

void PedestrianCollection::closeGaps() {
    // Destroying a pedestrian runs no code that reaches back into the collection.
    released_.clear();
    compact();
}

void PedestrianCollection::compact() {
    std::size_t out = 0;
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        if (!slots_[i]) continue;
        if (out != i) {
            slots_[out] = std::move(slots_[i]);
            ids_[out] = ids_[i];
        }
        ++out;
    }
    slots_.resize(out);
    ids_.resize(out);
}

void PedestrianCollection::holdPositions(bool held) {
    held_ = held;
    // The grid answers every search while positions are held; the scan needs its own copy.
    if (!held || (search_ == NeighbourSearch::Index && !grid_.empty())) return;
    heldPlaces_.resize(slots_.size());
    for (std::size_t i = 0; i < slots_.size(); ++i)
        if (slots_[i]) heldPlaces_[i] = {slots_[i]->Px(), slots_[i]->Py()};
}

void PedestrianCollection::setSearch(NeighbourSearch search) {
    if (search == search_) return;
    search_ = search;
    grid_.clear();
    for (auto& slot : slots_) {
        if (!slot) continue;
        slot->gridCell_ = slot->gridSlot_ = -1;
        if (search_ == NeighbourSearch::Index) grid_.insert(*slot);
    }
}

void PedestrianCollection::neighbours(const PedClass& self, double reach, double sight,
                                      std::vector<Neighbour>& within,
                                      NearestInSight* nearest) const {
    within.clear();
    const bool found = search_ == NeighbourSearch::Index && !grid_.empty() &&
                       gridNeighbours(self, reach, sight, within, nearest);
    if (!found) scanNeighbours(self, reach, sight, within, nearest);
}

void PedestrianCollection::scanNeighbours(const PedClass& self, double reach, double sight,
                                          std::vector<Neighbour>& within,
                                          NearestInSight* nearest) const {
    // The reference: every other pedestrian in order of creation.
    const double px = self.Px(), py = self.Py();
    const std::int16_t id = self.ID();
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        const PedClass* slot = slots_[i].get();
        if (!slot || slot->ID() == id) continue;
        const float x = held_ ? heldPlaces_[i].first : slot->Px();
        const float y = held_ ? heldPlaces_[i].second : slot->Py();
        const double dx = px - static_cast<double>(x), dy = py - static_cast<double>(y);
        const double d = std::sqrt(dx * dx + dy * dy);
        if (d < reach) within.push_back({slot, dx, dy, d, slot->order_});
        if (nearest && d < sight && d < nearest->d) *nearest = {slot, d, slot->order_, x, y};
    }
}

bool PedestrianCollection::gridNeighbours(const PedClass& self, double reach, double sight,
                                          std::vector<Neighbour>& within,
                                          NearestInSight* nearest) const {
    // The cells within reach come first. When they hold half the crowd or more (a crowd on one
    // spot), visiting everyone in order of creation costs less than sorting what they hold, and
    // gives the same answer: the scan answers instead. Sorting a few dozen costs next to nothing,
    // however small the crowd.
    constexpr std::size_t kFew = 128;
    const double px = self.Px(), py = self.Py();
    const double first = reach > 0 ? reach : std::min(sight, 2.0);
    // While positions are held only the grid has them (in Scan mode the scan keeps its own).
    if (!held_ && grid_.holdsMoreThan(px, py, first, std::max(slots_.size() / 2, kFew)))
        return false;

    // The grid gives the same neighbours with the same distances: each distance is the same
    // expression, taken for every pedestrian that squared distances (with a margin far wider than
    // any rounding) cannot rule out.
    constexpr double kMargin = 1 + 1e-12;
    const double reachBound = reach * reach * kMargin;
    const double sightBound = sight * sight * kMargin;
    double nearestBound = nearest ? std::min(sightBound, nearest->d * nearest->d * kMargin) : -1;
    auto visit = [&](double radius, bool collect) {
        grid_.visit(px, py, radius, [&](const NeighbourGrid::Entry& e) {
            const double dx = px - static_cast<double>(e.x), dy = py - static_cast<double>(e.y);
            const double d2 = dx * dx + dy * dy;
            const bool inReach = collect && d2 <= reachBound;
            const bool mayBeNearest = d2 <= nearestBound;
            if ((!inReach && !mayBeNearest) || e.ped == &self) return;
            const double d = std::sqrt(d2);
            if (inReach && d < reach) within.push_back({e.ped, dx, dy, d, e.order});
            // The earliest created of equally near pedestrians is the nearest, as in a scan.
            if (mayBeNearest && d < sight &&
                (d < nearest->d || (d == nearest->d && nearest->ped && e.order < nearest->order))) {
                *nearest = {e.ped, d, e.order, e.x, e.y};
                nearestBound = std::min(sightBound, d * d * kMargin);
            }
        });
    };
    // The nearest pedestrian in sight is usually among the cells within reach: anyone outside them
    // is farther than the reach, so a nearest found closer than that stands.
    visit(first, reach > 0);
    if (nearest && sight > first && !(nearest->ped && nearest->d < first)) visit(sight, false);

    // In order of creation, so that sums over the neighbours add up in the same order as a scan.
    std::sort(within.begin(), within.end(),
              [](const Neighbour& a, const Neighbour& b) { return a.order < b.order; });
    return true;
}

std::vector<Walker> walkersOf(const PedestrianCollection& pedestrians) {
    std::vector<Walker> out;
    out.reserve(pedestrians.size());
    pedestrians.forEach([&](const PedClass& p) {
        out.push_back(
            {p.Px(), p.Py(), p.Vx(), p.Vy(), walkingDirection(p.definition().Px, p.Ex())});
    });
    return out;
}

}  // namespace strida
