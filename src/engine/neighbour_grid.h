// The index of the neighbour search: a uniform grid of square cells over the plane, each listing
// the pedestrians in it with their positions. It is kept up to date as each pedestrian moves, so
// those moved later in a step see it where it now is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/neighbour.h"

namespace strida {

class PedClass;

// Grown as pedestrians walk beyond it.
class NeighbourGrid {
  public:
    void clear();
    void insert(PedClass& p);
    void remove(PedClass& p);
    void move(PedClass& p);
    // A pedestrian that stays in its cell has its entry's position updated there, and true is
    // returned; one that changed cells is left to move(). Many may be moved in place at once,
    // each by one thread, as it touches only its own entry.
    bool moveInPlace(PedClass& p);
    // Where a pedestrian's entry is, and where it now stands: what moveInPlace needs, gathered
    // while the pedestrian is at hand.
    struct Place {
        int cell = -1, slot = -1;
        float x = 0, y = 0;
        double vx = 0, vy = 0;
    };
    static Place placeOf(const PedClass& p);
    bool moveInPlace(const Place& place);
    bool empty() const { return count_ == 0; }
    // The grid's cells: their side in metres, and how many there are along x and y.
    double cellSize() const { return cellSize_; }
    int columns() const { return nx_; }
    int rows() const { return ny_; }

    // Candidates within `radius` of (x, y): every pedestrian closer than the radius is visited
    // (others may be too), in no particular order.
    template <typename Visit>
    void visit(double x, double y, double radius, Visit&& f) const;
    // The same cells as visit(), each given as the range of its entries [begin, end).
    template <typename Visit>
    void visitCells(double x, double y, double radius, Visit&& f) const;
    // Asks the processor to fetch the entries of the cells visit() would visit. A hint only.
    void prefetch(double x, double y, double radius) const {
        visitCells(x, y, radius, [](const Entry* e, const Entry* end) {
            __builtin_prefetch(e);
            if (end - e > 1) __builtin_prefetch(end - 1);
        });
    }
    // Whether visit() would give more than `limit` candidates.
    bool holdsMoreThan(double x, double y, double radius, std::size_t limit) const {
        // Mostly answered at once: the cells within reach, at most 2 r / cellSize + 2 along each
        // side, are few, and none holds many.
        const double across = 2 * radius + 2 * cellSize_;
        if (across * across * static_cast<double>(largest_) <=
            static_cast<double>(limit) * cellSize_ * cellSize_) [[likely]]
            return false;
        return countsMoreThan(x, y, radius, limit);
    }

    using Entry = Placed;

  private:
    // The cells within `radius` of (x, y): columns cx0 to cx1, rows cy0 to cy1.
    struct Span {
        int cx0, cx1, cy0, cy1;
    };
    Span span(double x, double y, double radius) const;
    bool countsMoreThan(double x, double y, double radius, std::size_t limit) const;
    int cellOf(float x, float y) const;
    bool covers(float x, float y) const;
    void grow(float x, float y);
    void place(PedClass& p, int cell);

    double cellSize_ = 1.0;  // metres; grown with the spread of the crowd
    double x0_ = 0, y0_ = 0;
    int nx_ = 0, ny_ = 0;
    std::vector<std::vector<Entry>> cells_;
    std::size_t count_ = 0;
    std::size_t largest_ = 0;  // no cell has held more since the grid was laid out
};

inline NeighbourGrid::Span NeighbourGrid::span(double x, double y, double radius) const {
    const auto clampIndex = [](double v, int n) {
        if (!(v >= 0)) return 0;
        if (v >= n - 1) return n - 1;
        return static_cast<int>(v);
    };
    return {clampIndex((x - radius - x0_) / cellSize_, nx_),
            clampIndex((x + radius - x0_) / cellSize_, nx_),
            clampIndex((y - radius - y0_) / cellSize_, ny_),
            clampIndex((y + radius - y0_) / cellSize_, ny_)};
}

template <typename Visit>
void NeighbourGrid::visitCells(double x, double y, double radius, Visit&& f) const {
    if (count_ == 0) return;
    const Span s = span(x, y, radius);
    const std::vector<Entry>* row = cells_.data() + static_cast<std::size_t>(s.cy0) * nx_;
    for (int cy = s.cy0; cy <= s.cy1; ++cy, row += nx_)
        for (int cx = s.cx0; cx <= s.cx1; ++cx) {
            const std::vector<Entry>& cell = row[cx];
            f(cell.data(), cell.data() + cell.size());
        }
}

template <typename Visit>
void NeighbourGrid::visit(double x, double y, double radius, Visit&& f) const {
    visitCells(x, y, radius, [&](const Entry* e, const Entry* end) {
        for (; e != end; ++e) f(*e);
    });
}

}  // namespace strida
