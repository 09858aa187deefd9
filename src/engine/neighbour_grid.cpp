#include "engine/neighbour_grid.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/ped_class.h"

namespace strida {

namespace {
// The grid never holds more cells than this, nor more than kMaxSide along either side, whatever
// the spread of the pedestrians: a wider or longer spread gets larger cells. So its memory stays
// bounded even when one pedestrian stands a billion kilometres away, and every cell index fits an
// int.
constexpr double kMaxCells = 1 << 18;
constexpr double kMaxSide = 1 << 12;
constexpr double kCellSize = 1.0;  // metres: a few cells cover the usual reach of 1.67 m
}  // namespace

void NeighbourGrid::clear() {
    for (const std::vector<Entry>* list : {&flat_, &extras_})
        for (const Entry& e : *list)
            if (e.ped) e.ped->gridCell_ = -1;
    flat_.clear();
    start_.clear();
    extras_.clear();
    nextExtra_.clear();
    firstExtra_.clear();
    extraBits_.clear();
    occupancy_.clear();
    nx_ = ny_ = 0;
    count_ = dead_ = largest_ = 0;
}

bool NeighbourGrid::covers(float x, float y) const {
    if (nx_ == 0) return false;
    const double cx = (x - x0_) / cellSize_, cy = (y - y0_) / cellSize_;
    return cx >= 0 && cy >= 0 && cx < nx_ && cy < ny_;
}

int NeighbourGrid::cellOf(float x, float y) const {
    const int cx = std::min(nx_ - 1, std::max(0, static_cast<int>((x - x0_) / cellSize_)));
    const int cy = std::min(ny_ - 1, std::max(0, static_cast<int>((y - y0_) / cellSize_)));
    return cy * nx_ + cx;
}

void NeighbourGrid::layOut() {
    // A counting sort by cell of the live entries. The cell of each is worked out from its
    // position, as it was when the entry was placed: the pedestrians themselves are not read.
    const std::size_t cells = static_cast<std::size_t>(nx_) * ny_;
    occupancy_.assign(cells, 0);
    for (const std::vector<Entry>* list : {&flat_, &extras_})
        for (const Entry& e : *list)
            if (e.ped) ++occupancy_[static_cast<std::size_t>(cellOf(e.x, e.y))];
    start_.assign(cells + 1, 0);
    largest_ = 0;
    for (std::size_t c = 0; c < cells; ++c) {
        start_[c + 1] = start_[c] + occupancy_[c];
        largest_ = std::max<std::size_t>(largest_, occupancy_[c]);
    }
    std::vector<std::uint32_t> next(start_.begin(), start_.end() - 1);
    std::vector<Entry> laid(start_.back());  // the live ones: one may be on its way elsewhere
    for (const std::vector<Entry>* list : {&flat_, &extras_})
        for (const Entry& e : *list)
            if (e.ped) laid[next[static_cast<std::size_t>(cellOf(e.x, e.y))]++] = e;
    flat_.swap(laid);
    extras_.clear();
    nextExtra_.clear();
    firstExtra_.assign(cells, kNone);
    extraBits_.assign((cells + 63) / 64, 0);
    dead_ = 0;
}

void NeighbourGrid::addExtra(PedClass& p, int cell) {
    const auto c = static_cast<std::size_t>(cell);
    const auto i = static_cast<std::uint32_t>(extras_.size());
    extras_.emplace_back(p.Px(), p.Py(), p.order_, p.color(), &p, p.Vx(), p.Vy());
    nextExtra_.push_back(firstExtra_[c]);
    firstExtra_[c] = i;
    extraBits_[c >> 6] |= std::uint64_t{1} << (c & 63);
    p.gridCell_ = cell;
    largest_ = std::max<std::size_t>(largest_, ++occupancy_[c]);
    // Laid out afresh once the extras and the dead cost the searches more than the lay-out
    // costs, which goes over every cell.
    if (extras_.size() > std::max<std::size_t>({64, count_ / 4, occupancy_.size() / 64})) layOut();
}

NeighbourGrid::Entry& NeighbourGrid::entryOf(int cell, const PedClass* p) {
    const auto c = static_cast<std::size_t>(cell);
    for (std::uint32_t i = start_[c]; i < start_[c + 1]; ++i)
        if (flat_[i].ped == p) return flat_[i];
    std::uint32_t i = firstExtra_[c];
    while (extras_[i].ped != p) i = nextExtra_[i];
    return extras_[i];
}

void NeighbourGrid::kill(PedClass& p) {
    Entry& e = entryOf(p.gridCell_, &p);
    e.x = e.y = std::numeric_limits<float>::quiet_NaN();
    e.ped = nullptr;
    ++dead_;
}

void NeighbourGrid::grow(float x, float y) {
    // The new extent holds every pedestrian and the new point, with room to walk on.
    double minX = x, maxX = x, minY = y, maxY = y;
    for (const std::vector<Entry>* list : {&flat_, &extras_})
        for (const Entry& e : *list)
            if (e.ped) {
                minX = std::min<double>(minX, e.x), maxX = std::max<double>(maxX, e.x);
                minY = std::min<double>(minY, e.y), maxY = std::max<double>(maxY, e.y);
            }
    const double marginX = 20 + (maxX - minX) * 0.5, marginY = 20 + (maxY - minY) * 0.5;
    minX -= marginX, maxX += marginX, minY -= marginY, maxY += marginY;
    cellSize_ = kCellSize;
    const double area = (maxX - minX) * (maxY - minY);
    if (area / (cellSize_ * cellSize_) > kMaxCells) cellSize_ = std::sqrt(area / kMaxCells);
    cellSize_ = std::max({cellSize_, (maxX - minX) / kMaxSide, (maxY - minY) / kMaxSide});
    x0_ = minX;
    y0_ = minY;
    nx_ = std::max(1, static_cast<int>(std::ceil((maxX - minX) / cellSize_)) + 1);
    ny_ = std::max(1, static_cast<int>(std::ceil((maxY - minY) / cellSize_)) + 1);
    for (const std::vector<Entry>* list : {&flat_, &extras_})
        for (const Entry& e : *list)
            if (e.ped) e.ped->gridCell_ = cellOf(e.x, e.y);
    layOut();
}

void NeighbourGrid::insert(PedClass& p) {
    if (!std::isfinite(p.Px()) || !std::isfinite(p.Py())) return;
    if (!covers(p.Px(), p.Py())) grow(p.Px(), p.Py());
    ++count_;
    addExtra(p, cellOf(p.Px(), p.Py()));
}

void NeighbourGrid::remove(PedClass& p) {
    if (p.gridCell_ < 0) return;
    kill(p);
    p.gridCell_ = -1;
    --count_;
}

bool NeighbourGrid::countsMoreThan(double x, double y, double radius, std::size_t limit) const {
    const Span s = span(x, y, radius);
    std::size_t n = 0;
    for (int cy = s.cy0; cy <= s.cy1; ++cy)
        for (int cx = s.cx0; cx <= s.cx1; ++cx) {
            n += occupancy_[static_cast<std::size_t>(cy) * nx_ + cx];
            if (n > limit) return true;
        }
    return false;
}

NeighbourGrid::Place NeighbourGrid::placeOf(const PedClass& p) {
    return {p.gridCell_, &p, p.Px(), p.Py(), p.Vx(), p.Vy()};
}

bool NeighbourGrid::moveInPlace(const Place& place) {
    if (place.cell < 0) return true;
    if (!covers(place.x, place.y) || cellOf(place.x, place.y) != place.cell) return false;
    Entry& e = entryOf(place.cell, place.ped);
    e.x = place.x;
    e.y = place.y;
    e.vx = place.vx;
    e.vy = place.vy;
    return true;
}

bool NeighbourGrid::moveInPlace(PedClass& p) {
    return moveInPlace(placeOf(p));
}

void NeighbourGrid::move(PedClass& p) {
    if (moveInPlace(p)) return;
    kill(p);
    if (!covers(p.Px(), p.Py())) grow(p.Px(), p.Py());
    addExtra(p, cellOf(p.Px(), p.Py()));
}

}  // namespace strida
