// The neighbour grid's cells: the frozen runs compare finding neighbours through it with visiting
// everyone, byte for byte; here its size as the crowd spreads.
#include "support/engine_fixture.h"

namespace strida::test {
namespace {

using NeighbourGrid = EngineTest;

TEST_F(NeighbourGrid, CellsOfOneMetreCoverTheCrowdWithRoomAroundAndStayBoundedWhenItSpreads) {
    add(1, 1, 9, 1);
    // 20 m of room on every side of the first pedestrian.
    const auto& grid = engine.pedestrians().grid();
    EXPECT_EQ(grid.cellSize(), 1.0);
    EXPECT_EQ(grid.columns(), 41);
    EXPECT_EQ(grid.rows(), 41);
    // One beyond it: the grid grows to hold both (29 m apart) with 20 m and half their spread
    // again on each side.
    add(30, 1, 9, 1);
    EXPECT_EQ(grid.columns(), 29 + 2 * 34.5 + 1);
    EXPECT_EQ(grid.rows(), 41);
    // One pedestrian a billion kilometres off: far coarser cells, no more of them along a side
    // than 4096 (and a margin's worth), and no more than 2^18 in all.
    add(1e12f, 3, 0, 3);
    EXPECT_GT(grid.cellSize(), 1e8);
    EXPECT_LE(grid.columns(), 4097);
    EXPECT_LE(static_cast<double>(grid.columns()) * grid.rows(), (1 << 18) + 4098.0);
}

}  // namespace
}  // namespace strida::test
