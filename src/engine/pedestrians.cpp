#include "engine/pedestrians.h"

#include <algorithm>
#include <charconv>

namespace strida {

void PedestrianCollection::add(std::unique_ptr<PedClass> ped) {
    const std::int16_t id = ped->ID();
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
    released_.push_back(std::move(slots_[i]));
    --count_;
    if (holds_ == 0) purge();
    return true;
}

void PedestrianCollection::clear() {
    for (auto& slot : slots_)
        if (slot) released_.push_back(std::move(slot));
    slots_.clear();
    ids_.clear();
    count_ = 0;
    ascending_ = true;
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
