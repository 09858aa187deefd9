#include "engine/pedestrian_collection.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "engine/creation_rank.h"

namespace strida {
namespace {
// The grid gives the same neighbours with the same distances: each distance is the same
// expression, taken for every pedestrian that squared distances (with a margin far wider than any
// rounding) cannot rule out.
constexpr double kMargin = 1 + 1e-12;

// Those of `list` closer than `reach` to (px, py), in the list's order, in place of what `within`
// held; returns the least squared distance of the whole list (infinity for none). Written through
// a pointer into room made beforehand, which the compiler keeps in the loop.
double closerThan(double px, double py, double reach, const std::vector<Nearby::Entry>& list,
                  std::vector<Neighbour>& within) {
    const double reachBound = reach * reach * kMargin;
    double least = std::numeric_limits<double>::infinity();
    within.resize(list.size());
    Neighbour* out = within.data();
    for (const Nearby::Entry& e : list) {
        const double dx = px - static_cast<double>(e.x), dy = py - static_cast<double>(e.y);
        const double d2 = dx * dx + dy * dy;
        least = std::min(least, d2);
        if (d2 > reachBound) continue;
        const double d = std::sqrt(d2);
        if (d < reach) *out++ = {e.ped, dx, dy, d, e.order};
    }
    within.resize(static_cast<std::size_t>(out - within.data()));
    return least;
}

}  // namespace

void PedestrianCollection::add(std::unique_ptr<PedClass> ped) {
    const std::int16_t id = ped->ID();
    ped->order_ = nextOrder_++;
    ped->inRun_ = true;
    changed(nullptr);
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
    changed(nullptr);
    grid_.remove(*slots_[i]);
    slots_[i]->inRun_ = false;
    released_.push_back(std::move(slots_[i]));
    --count_;
    return true;
}

void PedestrianCollection::clear() {
    changed(nullptr);
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
    changed(nullptr);
    // The grid answers every search while positions are held; the scan needs its own copy.
    if (!held || (search_ == NeighbourSearch::Index && !grid_.empty())) return;
    heldPlaces_.resize(slots_.size());
    for (std::size_t i = 0; i < slots_.size(); ++i)
        if (slots_[i]) heldPlaces_[i] = {slots_[i]->Px(), slots_[i]->Py()};
}

void PedestrianCollection::setSearch(NeighbourSearch search) {
    if (search == search_) return;
    search_ = search;
    changed(nullptr);
    grid_.clear();
    for (auto& slot : slots_) {
        if (!slot) continue;
        slot->gridCell_ = -1;
        if (search_ == NeighbourSearch::Index) grid_.insert(*slot);
    }
}

void PedestrianCollection::neighbours(const PedClass& self, double reach, double sight,
                                      std::vector<Neighbour>& within, NearestInSight* nearest,
                                      Nearby* keep) const {
    within.clear();
    if (keep) keep->owner = nullptr;
    // While positions are held the others are not where the grid will have them next.
    if (held_) keep = nullptr;
    const bool found = search_ == NeighbourSearch::Index && !grid_.empty() &&
                       gridNeighbours(self, reach, sight, within, nearest, keep);
    if (!found) scanNeighbours(self, reach, sight, within, nearest);
}

void PedestrianCollection::neighboursSince(const PedClass& self, double reach, const Nearby* kept,
                                           std::vector<Neighbour>& room,
                                           std::vector<Seen>& seen) const {
    seen.clear();
    if (!kept || !keptStands(self, reach, *kept)) {
        neighbours(self, reach, 0, room, nullptr);
        for (const Neighbour& n : room) seen.push_back({n.ped->color(), n.ped->Vx(), n.ped->Vy()});
        return;
    }
    // Closer than the reach exactly when sqrt(d2) < reach, as a search decides; squared distances
    // settle all but those within rounding of the reach.
    // Written through a pointer into room made beforehand, as closerThan does.
    const double px = self.Px(), py = self.Py();
    const double surelyIn = reach * reach * (1 - 1e-12), surelyOut = reach * reach * (1 + 1e-12);
    seen.resize(kept->list.size());
    Seen* out = seen.data();
    for (const Nearby::Entry& e : kept->list) {
        const double dx = px - static_cast<double>(e.x), dy = py - static_cast<double>(e.y);
        const double d2 = dx * dx + dy * dy;
        if (d2 > surelyOut || (d2 >= surelyIn && !(std::sqrt(d2) < reach))) continue;
        *out++ = {e.color, e.vx, e.vy};
    }
    seen.resize(static_cast<std::size_t>(out - seen.data()));
}

bool PedestrianCollection::keptStands(const PedClass& self, double reach,
                                      const Nearby& kept) const {
    if (kept.owner != &self || kept.stamp + 1 != changes_ || lastChanged_ != &self) return false;
    // Anyone closer than the reach to the new place was closer than the reach plus the distance
    // moved to the old one; the small allowance covers the rounding of that sum.
    const double mx = static_cast<double>(self.Px()) - kept.x;
    const double my = static_cast<double>(self.Py()) - kept.y;
    return reach + std::sqrt(mx * mx + my * my) <= kept.radius * (1 - 1e-9);
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
                                          std::vector<Neighbour>& within, NearestInSight* nearest,
                                          Nearby* keep) const {
    // The cells within reach first: when they hold half the crowd or more (a crowd on one spot),
    // the scan answers instead, as visiting everyone costs less than sorting what they hold.
    // Sorting a few dozen costs next to nothing, however small the crowd.
    constexpr std::size_t kFew = 128;
    const double px = self.Px(), py = self.Py();
    const double first = reach > 0 ? reach : std::min(sight, 2.0);
    // While positions are held only the grid has them (in Scan mode the scan keeps its own).
    if (!held_ && grid_.holdsMoreThan(px, py, first, std::max(slots_.size() / 2, kFew)))
        return false;

    const double reachBound = reach * reach * kMargin;
    const double sightBound = sight * sight * kMargin;
    double nearestBound = nearest ? std::min(sightBound, nearest->d * nearest->d * kMargin) : -1;
    const auto nearer = [&](const NeighbourGrid::Entry& e, double d) {
        // The earliest created of equally near pedestrians is the nearest, as in a scan.
        if (d < sight &&
            (d < nearest->d || (d == nearest->d && nearest->ped && e.order < nearest->order))) {
            *nearest = {e.ped, d, e.order, e.x, e.y};
            nearestBound = std::min(sightBound, d * d * kMargin);
        }
    };
    // The nearest pedestrian in sight is usually among the cells within reach: anyone outside them
    // is farther than the reach, so a nearest found closer than that stands.
    const double around = keep ? std::max({first, reach, keep->radius}) : first;
    if (keep) {
        // The neighbours are the kept ones within reach, which are in order already: taken from
        // them, which spares a second list and its sort.
        keepAround(self, around, *keep);
        const double least = closerThan(px, py, reach, keep->list, within);
        if (nearest) nearestKept(px, py, keep->list, least, nearer);
    } else {
        grid_.visit(px, py, first, [&](const NeighbourGrid::Entry& e) {
            const double dx = px - static_cast<double>(e.x), dy = py - static_cast<double>(e.y);
            const double d2 = dx * dx + dy * dy;
            const bool inReach = reach > 0 && d2 <= reachBound;
            const bool mayBeNearest = d2 <= nearestBound;
            if ((!inReach && !mayBeNearest) || e.ped == &self) return;
            const double d = std::sqrt(d2);
            if (inReach && d < reach) within.emplace_back(e.ped, dx, dy, d, e.order);
            if (mayBeNearest) nearer(e, d);
        });
    }
    if (nearest && sight > around && !(nearest->ped && nearest->d < around))
        grid_.visit(px, py, sight, [&](const NeighbourGrid::Entry& e) {
            const double dx = px - static_cast<double>(e.x), dy = py - static_cast<double>(e.y);
            const double d2 = dx * dx + dy * dy;
            if (d2 <= nearestBound && e.ped != &self) nearer(e, std::sqrt(d2));
        });

    // In order of creation, so that sums over the neighbours add up in the same order as a scan.
    if (!keep) {
        std::sort(within.begin(), within.end(),
                  [](const Neighbour& a, const Neighbour& b) { return a.order < b.order; });
        return true;
    }
    keep->owner = &self, keep->radius = around, keep->stamp = changes_;
    keep->x = self.Px(), keep->y = self.Py();
    return true;
}

void PedestrianCollection::keepAround(const PedClass& self, double radius, Nearby& keep) const {
    // The search's hot loop. Whether a candidate is kept cannot be foreseen, so it is written
    // in any case and the end of the list moves on only when it is: a branch here would be
    // mispredicted for a good share of them.
    const double px = self.Px(), py = self.Py();
    const double keepBound = radius * radius * kMargin;
    std::vector<const Nearby::Entry*>& found = keep.found;
    std::vector<std::int32_t>& keys = keep.keys;
    std::size_t n = 0;
    grid_.visitCells(
        px, py, radius,
        [&](const NeighbourGrid::Entry* e, const NeighbourGrid::Entry* end)
            __attribute__((always_inline)) {
                const auto most = n + static_cast<std::size_t>(end - e) + 1;
                if (found.size() < most) found.resize(2 * most), keys.resize(2 * most + kKeyBlock);
                const Nearby::Entry** out = found.data() + n;
                std::int32_t* key = keys.data() + n;
                for (; e != end; ++e) {
                    const double dx = px - static_cast<double>(e->x);
                    const double dy = py - static_cast<double>(e->y);
                    const double d2 = dx * dx + dy * dy;
                    const bool kept = (d2 <= keepBound) & (e->ped != &self);
                    *out = e;
                    *key = orderKey(e->order);
                    out += kept, key += kept;
                }
                n = static_cast<std::size_t>(out - found.data());
            });
    // The few dozen found are put in order of creation by their ranks: a pedestrian's rank is how
    // many of the others were created before it.
    for (std::size_t pad = n; pad < (n + kKeyBlock - 1) / kKeyBlock * kKeyBlock; ++pad)
        keys[pad] = INT32_MAX;
    keep.list.resize(n);
    placeInOrder(found.data(), keys.data(), n, keep.list.data());
}

template <typename Nearer>
void PedestrianCollection::nearestKept(double px, double py, const std::vector<Nearby::Entry>& list,
                                       double least, Nearer&& nearer) {
    // The earliest created at the least distance, as a scan finds it: squared distances that
    // differ by a rounding of the square root may give the same distance.
    const double d = std::sqrt(least), tie = least * kMargin;
    for (const Nearby::Entry& e : list) {
        const double dx = px - static_cast<double>(e.x), dy = py - static_cast<double>(e.y);
        const double d2 = dx * dx + dy * dy;
        if (d2 <= tie && std::sqrt(d2) == d) return nearer(e, d);
    }
}

void PedestrianCollection::prefetchFor(std::size_t index) const {
    if (index + 1 < slots_.size())
        if (const PedClass* next = slots_[index + 1].get()) {
            const char* bytes = reinterpret_cast<const char*>(next);
            for (std::size_t at = 0; at < sizeof(PedClass); at += 64)
                __builtin_prefetch(bytes + at);
        }
    if (index >= slots_.size() || search_ != NeighbourSearch::Index) return;
    if (const PedClass* p = slots_[index].get())
        grid_.prefetch(p->Px(), p->Py(), p->influenceReach() + 0.2);
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
