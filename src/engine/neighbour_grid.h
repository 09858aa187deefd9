// The index of the neighbour search: a uniform grid of square cells over the plane, each listing
// the pedestrians in it with their positions. It is kept up to date as each pedestrian moves, so
// those moved later in a step see it where it now is.
//
// The entries of all cells lie in one array, cell after cell in rows, so that a search reads each
// row of the cells it visits as one run of memory. A pedestrian that moves to another cell leaves
// its entry behind, dead (at a position that is not a number, which no distance test passes), and
// joins its new cell's extras; once there are many of those, the array is laid out afresh.
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
        int cell = -1;
        const PedClass* ped = nullptr;
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
    // The entries visit() visits, given as ranges [begin, end): a row's cells at once, then the
    // extras of each of its cells one by one. Dead entries among them pass no distance test.
    template <typename Visit>
    void visitCells(double x, double y, double radius, Visit&& f) const;
    // Asks the processor to fetch the entries of the cells visit() would visit. A hint only.
    void prefetch(double x, double y, double radius) const {
        visitCells(x, y, radius, [](const Entry* e, const Entry* end) {
            for (const char* at = reinterpret_cast<const char*>(e);
                 at < reinterpret_cast<const char*>(end); at += 64)
                __builtin_prefetch(at);
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
    // Lays every live entry out in the array again, cell after cell; no extras, nothing dead.
    void layOut();
    // Adds `p` to the extras of `cell`.
    void addExtra(PedClass& p, int cell);
    // A pedestrian's entry, looked for in its cell: a few at most, and the pedestrian need not be
    // told where its entry went each time the array is laid out.
    Entry& entryOf(int cell, const PedClass* p);
    void kill(PedClass& p);
    // Whether any of the cells first to last has extras.
    bool hasExtras(std::size_t first, std::size_t last) const {
        std::uint64_t any = 0;
        for (std::size_t w = first >> 6; w <= last >> 6; ++w) {
            std::uint64_t bits = extraBits_[w];
            if (w == first >> 6) bits &= ~std::uint64_t{0} << (first & 63);
            if (w == last >> 6) bits &= ~std::uint64_t{0} >> (63 - (last & 63));
            any |= bits;
        }
        return any != 0;
    }

    static constexpr std::uint32_t kNone = UINT32_MAX;
    double cellSize_ = 1.0;  // metres; grown with the spread of the crowd
    double x0_ = 0, y0_ = 0;
    int nx_ = 0, ny_ = 0;
    std::vector<Entry> flat_;                // the cells' entries, cell after cell
    std::vector<std::uint32_t> start_;       // cell c's entries: flat_[start_[c], start_[c + 1])
    std::vector<Entry> extras_;              // those that moved in since the last lay-out
    std::vector<std::uint32_t> nextExtra_;   // by extra: the next of the same cell, or kNone
    std::vector<std::uint32_t> firstExtra_;  // by cell: its first extra, or kNone
    std::vector<std::uint64_t> extraBits_;   // by cell, a bit: whether it has extras
    std::vector<std::uint32_t> occupancy_;   // by cell: its entries and extras, dead ones too
    std::size_t count_ = 0;                  // live entries
    std::size_t dead_ = 0;
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
    const Entry* const flat = flat_.data();
    for (int cy = s.cy0; cy <= s.cy1; ++cy) {
        const std::size_t row = static_cast<std::size_t>(cy) * nx_;
        f(flat + start_[row + s.cx0], flat + start_[row + s.cx1 + 1]);
        if (!hasExtras(row + s.cx0, row + s.cx1)) continue;
        for (int cx = s.cx0; cx <= s.cx1; ++cx)
            for (std::uint32_t i = firstExtra_[row + cx]; i != kNone; i = nextExtra_[i])
                f(&extras_[i], &extras_[i] + 1);
    }
}

template <typename Visit>
void NeighbourGrid::visit(double x, double y, double radius, Visit&& f) const {
    visitCells(x, y, radius, [&](const Entry* e, const Entry* end) {
        for (; e != end; ++e) f(*e);
    });
}

}  // namespace strida
