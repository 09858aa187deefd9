#include "engine/neighbour_grid.h"

#include <algorithm>
#include <cmath>

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
    for (auto& cell : cells_)
        for (const Entry& e : cell) e.ped->gridCell_ = e.ped->gridSlot_ = -1;
    cells_.clear();
    nx_ = ny_ = 0;
    count_ = largest_ = 0;
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

void NeighbourGrid::place(PedClass& p, int cell) {
    std::vector<Entry>& list = cells_[static_cast<std::size_t>(cell)];
    p.gridCell_ = cell;
    p.gridSlot_ = static_cast<int>(list.size());
    list.push_back({p.Px(), p.Py(), p.order_, p.color(), &p, p.Vx(), p.Vy()});
    largest_ = std::max(largest_, list.size());
}

void NeighbourGrid::grow(float x, float y) {
    // The new extent holds every pedestrian and the new point, with room to walk on.
    double minX = x, maxX = x, minY = y, maxY = y;
    std::vector<PedClass*> all;
    all.reserve(count_);
    for (auto& cell : cells_)
        for (const Entry& e : cell) {
            all.push_back(e.ped);
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
    cells_.assign(static_cast<std::size_t>(nx_) * ny_, {});
    largest_ = 0;
    for (PedClass* p : all) place(*p, cellOf(p->Px(), p->Py()));
}

void NeighbourGrid::insert(PedClass& p) {
    if (!std::isfinite(p.Px()) || !std::isfinite(p.Py())) return;
    if (!covers(p.Px(), p.Py())) grow(p.Px(), p.Py());
    place(p, cellOf(p.Px(), p.Py()));
    ++count_;
}

void NeighbourGrid::remove(PedClass& p) {
    if (p.gridCell_ < 0) return;
    std::vector<Entry>& list = cells_[static_cast<std::size_t>(p.gridCell_)];
    const auto slot = static_cast<std::size_t>(p.gridSlot_);
    if (slot + 1 != list.size()) {
        list[slot] = list.back();
        list[slot].ped->gridSlot_ = static_cast<int>(slot);
    }
    list.pop_back();
    p.gridCell_ = p.gridSlot_ = -1;
    --count_;
}

bool NeighbourGrid::countsMoreThan(double x, double y, double radius, std::size_t limit) const {
    const Span s = span(x, y, radius);
    std::size_t n = 0;
    for (int cy = s.cy0; cy <= s.cy1; ++cy)
        for (int cx = s.cx0; cx <= s.cx1; ++cx) {
            n += cells_[static_cast<std::size_t>(cy) * nx_ + cx].size();
            if (n > limit) return true;
        }
    return false;
}

NeighbourGrid::Place NeighbourGrid::placeOf(const PedClass& p) {
    return {p.gridCell_, p.gridSlot_, p.Px(), p.Py(), p.Vx(), p.Vy()};
}

bool NeighbourGrid::moveInPlace(const Place& place) {
    if (place.cell < 0) return true;
    if (!covers(place.x, place.y) || cellOf(place.x, place.y) != place.cell) return false;
    Entry& e = cells_[static_cast<std::size_t>(place.cell)][static_cast<std::size_t>(place.slot)];
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
    remove(p);
    insert(p);
}

}  // namespace strida
