// One time slice of a pedestrian: no acceleration limit, braking without forces, arrival, drawing.
#include "support/engine_fixture.h"

namespace strida::test {
namespace {

using Motion = EngineTest;

TEST_F(Motion, WithoutAnAccelerationLimitTheVelocityCannotChange) {
    settings.ForceFlee = Check::Unchecked;
    settings.ForceSeparate = Check::Unchecked;
    // The forward force wishes for 1.5 m/s towards the target, far above the 0.36 m/s it has.
    PedClass& stuck = add(1, 5, 9, 1, 1.5, 1, 0.3, -0.2, 0.0);
    ASSERT_EQ(engine.movePedestrian(stuck), std::nullopt);
    EXPECT_EQ(stuck.Vx(), 0.3);
    EXPECT_EQ(stuck.Vy(), -0.2);
    EXPECT_EQ(stuck.accelX(), 0.0);
    EXPECT_EQ(stuck.accelY(), 0.0);
    EXPECT_EQ(stuck.InstantAccl(), 0.0);
}

TEST_F(Motion, WithoutForcesAPedestrianBrakesToAStandStill) {
    forcesOff();
    settings.Mass = "1";  // the whole velocity is to be lost within one slice
    PedClass& p = add(2, 3, 9, 3, 1.5, 1, 1.0, 0.0, 1.95);
    ASSERT_EQ(engine.movePedestrian(p), std::nullopt);
    EXPECT_NEAR(p.Vx(), 1 - 1.95 / 15, 1e-12);  // limited to 1.95 m/s2
    double previous = p.Vx();
    for (int i = 0; i < 10; ++i) {
        ASSERT_EQ(engine.movePedestrian(p), std::nullopt);
        EXPECT_LE(p.Vx(), previous + 1e-12);
        EXPECT_GE(p.Vx(), -1e-12) << "braking must not turn into walking backwards";
        previous = p.Vx();
    }
    EXPECT_NEAR(p.InstantSpeed(), 0.0, 1e-12);
    EXPECT_EQ(p.Vy(), 0.0);

    // A lighter pedestrian overshoots a little at the end, but comes to rest as well.
    settings.Mass = "0.750";
    PedClass& light = add(2, 5, 9, 5, 1.5, 1, 1.0, 0.0, 1.95);
    for (int i = 0; i < 40; ++i) ASSERT_EQ(engine.movePedestrian(light), std::nullopt);
    EXPECT_NEAR(light.InstantSpeed(), 0.0, 1e-9);
}

TEST_F(Motion, ArrivalIsASquareOfFiveRadiiAroundTheTarget) {
    forcesOff();
    // Radius 0.3: the square reaches 1.5 m from the target on each axis.
    PedClass& corner = add(5.4f, 4.4f, 4, 3, 1.5, 1, 0, 0, 0.0);  // 1.98 m away, inside the square
    PedClass& onEdge = add(5.5f, 5, 4, 5, 1.5, 1, 0, 0, 0.0);     // exactly 1.5 m east: not within
    PedClass& above = add(4.2f, 4.5f, 4, 3, 1.5, 1, 0, 0, 0.0);   // 1.5 m north: not within
    ASSERT_EQ(corner.Radius(), 0.3);
    ASSERT_NE(host.circle(1), nullptr);
    steps(1);
    EXPECT_EQ(engine.pedestrians().find("1"), nullptr);
    EXPECT_EQ(host.circle(1), nullptr) << "the arrived pedestrian's circle is unloaded";
    EXPECT_EQ(engine.pedestrians().find("2"), &onEdge);
    EXPECT_EQ(engine.pedestrians().find("3"), &above);
    EXPECT_EQ(engine.pedestrians().size(), 2u);

    // Moved on its own, outside any pass, an arriving pedestrian still finishes its move safely.
    PedClass& late = add(4.2f, 2, 4, 2, 1.5, 1, 0, 0, 0.0);
    EXPECT_EQ(engine.movePedestrian(late), std::nullopt);
    EXPECT_EQ(engine.pedestrians().size(), 2u);
}

TEST_F(Motion, DrawingFollowsTheRunFlagAndTheAnimationOption) {
    settings.PrintID = Check::Checked;
    PedClass& p = addCruising(2, 3, 1.5, 0, 1.5);
    const float createdLeft = host.circle(1)->left;
    const long overlaysBefore = host.shown().overlayCount;

    // Outside a run: it moves and is measured, but is not drawn.
    ASSERT_EQ(engine.movePedestrian(p), std::nullopt);
    ASSERT_EQ(engine.movePedestrian(p), std::nullopt);
    EXPECT_NEAR(p.Px(), 2.2, 1e-6);
    EXPECT_EQ(host.circle(1)->left, createdLeft);
    EXPECT_EQ(host.shown().overlayCount, overlaysBefore);

    // Running with "Don't Show Animation": the same.
    settings.DontShowAnimation = Check::Checked;
    steps(2);
    EXPECT_NEAR(p.Px(), 2.4, 1e-6);
    EXPECT_EQ(p.stepsInTrap(), 3);
    EXPECT_EQ(host.circle(1)->left, createdLeft);
    EXPECT_EQ(host.shown().overlayCount, overlaysBefore);

    // Running and shown: the circle follows the pedestrian.
    settings.DontShowAnimation = Check::Unchecked;
    steps(1);
    EXPECT_FLOAT_EQ(host.circle(1)->left, static_cast<float>((p.Px() - 0.3) / kM2Twips));
    EXPECT_FLOAT_EQ(host.circle(1)->top, static_cast<float>((p.Py() + 0.3) / kM2Twips));
    EXPECT_GT(host.shown().overlayCount, overlaysBefore);
}

}  // namespace
}  // namespace strida::test
