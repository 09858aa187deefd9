#include "engine/pedestrians.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace strida {

void PedestrianCollection::add(std::unique_ptr<PedClass> ped) {
    const std::int16_t id = ped->ID();
    ped->order_ = nextOrder_++;
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
    auto [ptr, ec] = std::from_chars(key.data(), key.data() + key.size(), id);
    if (ec != std::errc() || ptr != key.data() + key.size() || id < INT16_MIN || id > INT16_MAX)
        return nullptr;
    if (std::to_string(id) != key) return nullptr;  // keys carry no sign or padding
    return find(static_cast<std::int16_t>(id));
}

bool PedestrianCollection::remove(std::int16_t id) {
    const std::size_t i = indexOf(id);
    if (i >= slots_.size()) return false;
    grid_.remove(*slots_[i]);
    released_.push_back(std::move(slots_[i]));
    --count_;
    if (holds_ == 0) purge();
    return true;
}

void PedestrianCollection::clear() {
    grid_.clear();
    for (auto& slot : slots_)
        if (slot) released_.push_back(std::move(slot));
    slots_.clear();
    ids_.clear();
    count_ = 0;
    ascending_ = true;
    nextOrder_ = 0;
    if (holds_ == 0) purge();
}

void PedestrianCollection::endHold() {
    if (--holds_ == 0) purge();
}

void PedestrianCollection::purge() {
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

}  // namespace strida

namespace strida {

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
                                      std::vector<Neighbour>& within, NearestInSight* nearest) const {
    within.clear();
    const double px = self.Px(), py = self.Py();
    const std::int16_t id = self.ID();
    // Every distance is the same expression on both ways, so both give the same values.
    auto consider = [&](const PedClass& q, double qx, double qy, std::uint32_t order) {
        const double dx = px - qx, dy = py - qy;
        const double d = std::sqrt(dx * dx + dy * dy);
        if (d < reach) within.push_back({&q, d, order});
        if (nearest && d < sight) {
            ++nearest->count;
            if (d < nearest->d || (d == nearest->d && nearest->ped && order < nearest->order))
                *nearest = {&q, d, order, nearest->count};
        }
    };
    if (search_ == NeighbourSearch::Scan || grid_.empty()) {
        for (const auto& slot : slots_)
            if (slot && slot->ID() != id) consider(*slot, slot->Px(), slot->Py(), slot->order_);
        return;
    }
    const double radius = std::max(reach, nearest ? sight : 0.0);
    // Squared distances first, with a margin wide enough that no pedestrian within the radius is
    // ever turned away before its distance is taken.
    const double limit = radius * radius * (1 + 1e-9) + 1e-300;
    grid_.visit(px, py, radius, [&](const NeighbourGrid::Entry& e) {
        const double dx = px - e.x, dy = py - e.y;
        if (dx * dx + dy * dy > limit || e.ped->ID() == id) return;
        consider(*e.ped, e.x, e.y, e.order);
    });
    // In order of creation: sums over the neighbours then add up in the same order as a scan.
    for (std::size_t i = 1; i < within.size(); ++i) {
        const Neighbour n = within[i];
        std::size_t j = i;
        for (; j > 0 && within[j - 1].order > n.order; --j) within[j] = within[j - 1];
        within[j] = n;
    }
}

}  // namespace strida
