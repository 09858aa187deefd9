// The crowd measures on hand-made crowds whose answers are known.
#include "measure/crowd_measures.h"

#include <gtest/gtest.h>

#include <vector>

namespace strida {
namespace {

TEST(CrowdMeasures, DensityAndSpeedAlongTheWayCountOnlyThoseInsideTheWindow) {
    const Window window{0, 0, 10, 4};
    const std::vector<Walker> crowd{
        {1, 1, 1.2, 0, WestToEast},   {2, 1, 1.2, 0, WestToEast},
        {3, 1, 1.2, 0, WestToEast},   {10, 4, 1.2, 0, WestToEast},  // on the corner: inside
        {4, 2, -0.8, 0, EastToWest},  {5, 2, -0.8, 0, EastToWest},
        {6, 2, 0.3, 0, EastToWest},    // walking west, pushed back east: counts against
        {7, 3, 1.0, 0.5, WestToEast},  // only the part along the corridor counts
        {-0.1, 1, 5, 0, WestToEast},  {5, 4.1, 5, 0, EastToWest},  // outside
    };
    const DensitySpeed m = densityAndSpeed(crowd, window);
    EXPECT_EQ(m.count, 8);
    EXPECT_DOUBLE_EQ(m.density, 8.0 / 40);
    ASSERT_TRUE(m.speed);
    EXPECT_DOUBLE_EQ(*m.speed, (4 * 1.2 + 2 * 0.8 - 0.3 + 1.0) / 8);

    const DensitySpeed empty = densityAndSpeed(crowd, Window{20, 0, 30, 4});
    EXPECT_EQ(empty.count, 0);
    EXPECT_EQ(empty.density, 0);
    EXPECT_FALSE(empty.speed);
    EXPECT_EQ(densityAndSpeed(crowd, Window{1, 1, 1, 4}).density, 0) << "a window without area";
}

TEST(CrowdMeasures, LaneOrderIsOneForSeparateLanesAndLowWhereTheWaysMix) {
    const Window window{0, 0, 10, 4};
    // Two lanes 1 m apart, one each way: nobody has a walker of the other way beside it.
    std::vector<Walker> lanes;
    for (int i = 0; i < 6; ++i) {
        lanes.push_back({1.0 + i, 1, 1, 0, WestToEast});
        lanes.push_back({1.0 + i, 2, -1, 0, EastToWest});
    }
    EXPECT_DOUBLE_EQ(laneOrder(lanes, window).value(), 1.0);

    // One file east, west, east, 1 m apart: each sees two of one way and one of the other, so
    // ((2 - 1) / 3)^2 for all three. A walker outside the window is not averaged, but counts as
    // a neighbour of those inside: 3.5 m from the nearest it is out of reach.
    std::vector<Walker> file{{1, 1, 1, 0, WestToEast},
                             {2, 1.3, -1, 0, EastToWest},
                             {3, 1, 1, 0, WestToEast},
                             {6.5, 1, -1, 0, EastToWest}};
    EXPECT_DOUBLE_EQ(laneOrder(file, Window{0, 0, 5, 4}).value(), 1.0 / 9);
    file.back().x = 5.5;  // now within 3 m of the last east walker: 2 of each way there
    EXPECT_DOUBLE_EQ(laneOrder(file, Window{0, 0, 5, 4}).value(), (1.0 / 9 + 1.0 / 9 + 0) / 3);

    for (std::size_t one : {0, 1})
        EXPECT_FALSE(
            laneOrder(std::vector<Walker>(file.begin() + one, file.begin() + one + 1), window))
            << "only one way in the window";
}

TEST(CrowdMeasures, WeidmannSpeedFallsFromFreeWalkingToAStandstillAtJamDensity) {
    // Values of the relation as published: 1.34 m/s free, about 1.06 at 1 and 0.61 at 2 persons
    // per square metre, standing from 5.4 on.
    EXPECT_EQ(weidmannSpeed(0), 1.34);
    EXPECT_NEAR(weidmannSpeed(1), 1.058, 0.001);
    EXPECT_NEAR(weidmannSpeed(2), 0.607, 0.001);
    EXPECT_NEAR(weidmannSpeed(5.39), 0, 0.002);
    EXPECT_EQ(weidmannSpeed(5.4), 0);
    EXPECT_EQ(weidmannSpeed(8), 0);
}

}  // namespace
}  // namespace strida
