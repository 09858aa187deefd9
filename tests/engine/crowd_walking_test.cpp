// The options for walking in a crowd: the speed a pedestrian wants held to the space ahead
// (SpeedFromSpacing with TimeGap) and the heading of a pedestrian standing still
// (FaceTargetAtRest).
#include <cmath>

#include "support/engine_fixture.h"

namespace strida::test {
namespace {

// One follower starting at rest at (1, 3) towards a target far east, and one pedestrian that never
// moves (maximum speed 0). Only the forward desire steers; Mass 1 and a high maximum acceleration
// let the follower take the speed it wants within the first time slice.
class SpacingTest : public EngineTest {
  protected:
    SpacingTest() {
        settings.ForceFlee = Check::Unchecked;
        settings.ForceSeparate = Check::Unchecked;
        settings.Mass = "1";
        settings.MaxAccl = "1000";
        settings.SpeedFromSpacing = Check::Checked;
        settings.FaceTargetAtRest = Check::Checked;
    }

    // The follower's velocity after one step, with the other one standing at (x, y) and the
    // follower's target at (ex, ey).
    std::pair<double, double> firstVelocity(float x, float y, float ex = 500, float ey = 3) {
        PedClass& follower = add(1, 3, ex, ey, 1.5);
        add(x, y, x, y + 100, 0.0);
        steps(1);
        return {follower.Vx(), follower.Vy()};
    }
};

TEST_F(SpacingTest, TheWantedSpeedIsTheFreeSpaceAheadOverTheTimeGap) {
    struct Case {
        const char* what;
        const char* timeGap;
        float x, y;
        double vx;
    };
    // Body 0.6 m (PedDiameter), so (s - 0.6) / TimeGap, at most MaxSpeed 1.5 and at least 0.
    for (const Case& c : {
             Case{"2 m ahead", "1.0", 3, 3, 1.4},
             Case{"1.25 m ahead, time gap 0.5 s", "0.5", 2.25f, 3, 1.3},
             Case{"0.5 m ahead: bodies overlap", "1.0", 1.5f, 3, 0.0},
             Case{"2.5 m ahead: farther than the speed needs", "1.0", 3.5f, 3, 1.5},
             Case{"2 m ahead, 0.5 m across: in the way", "1.0", 3, 3.5f,
                  std::hypot(2.0, 0.5) - 0.6},
             Case{"2 m ahead, 0.65 m across: beside the line of travel", "1.0", 3, 3.65f, 1.5},
             Case{"behind", "1.0", 0.5f, 3, 1.5},
         }) {
        SCOPED_TRACE(c.what);
        settings.TimeGap = c.timeGap;
        const auto [vx, vy] = firstVelocity(c.x, c.y);
        EXPECT_NEAR(vx, c.vx, 1e-9);
        EXPECT_NEAR(vy, 0, 1e-12);
        engine.StopSimulation();
    }
    // Towards a target up and to the right, along (0.8, 0.6), with the other one 2 m ahead on
    // that line: 1.4 m/s along it.
    const auto [vx, vy] = firstVelocity(2.6f, 4.2f, 401, 303);
    EXPECT_NEAR(vx, 1.4 * 0.8, 1e-6);
    EXPECT_NEAR(vy, 1.4 * 0.6, 1e-6);
}

TEST_F(SpacingTest, TheRuleLooksAlongTheHeadingAndIsOffByDefault) {
    // Standing still without FaceTargetAtRest, the follower faces north: the one 2 m east is not
    // ahead of it.
    settings.FaceTargetAtRest = Check::Unchecked;
    EXPECT_NEAR(firstVelocity(3, 3).first, 1.5, 1e-9);
    engine.StopSimulation();
    // Facing its target, but with the option off.
    settings.FaceTargetAtRest = Check::Checked;
    settings.SpeedFromSpacing = Check::Unchecked;
    EXPECT_NEAR(firstVelocity(3, 3).first, 1.5, 1e-9);
    engine.StopSimulation();
    // Walking, it faces along its velocity: a step later it is nearer and slower.
    settings.SpeedFromSpacing = Check::Checked;
    PedClass& walker = add(1, 3, 500, 3, 1.5);
    add(3, 3, 3, 103, 0.0);
    steps(1);
    ASSERT_NEAR(walker.Vx(), 1.4, 1e-9);
    const double s = 3.0 - walker.Px();
    steps(1);
    EXPECT_NEAR(walker.Vx(), s - 0.6, 1e-9);
}

TEST_F(SpacingTest, TheTimeGapIsRefusedOnlyWhileTheOptionIsOn) {
    settings.TimeGap = "0";
    EXPECT_EQ(tryAdd(1, 3, 500, 3)->description,
              "TimeGap is \"0\"; the speed from spacing divides by it, so it must be a number of "
              "0.001 or more while SpeedFromSpacing is on");
    settings.SpeedFromSpacing = Check::Unchecked;
    EXPECT_FALSE(tryAdd(1, 3, 500, 3));
    settings.TimeGap = "soon";
    EXPECT_EQ(tryAdd(1, 3, 500, 3)->description, "TimeGap is \"soon\", which is not a number");
}

TEST_F(SpacingTest, SteeringAwayTurnsTheWantedVelocityFromThoseJustAheadAndKeepsItsSize) {
    settings.SpeedFromSpacing = Check::Unchecked;
    settings.SteerAway = Check::Checked;
    // Strength 5, range 0.1 m, body 0.6 m. One standing 0.5 m ahead and 0.2 m to the right, at
    // d = sqrt(0.29): it turns the follower's heading east (1, 0) to the left by 5 exp((0.6 - d)
    // / 0.1) / d times its offset across, (0, 0.2); the speed wanted stays 1.5.
    const double d = std::sqrt(0.29);
    const double turn = 5 * std::exp((0.6 - d) / 0.1) / d * 0.2;
    const double size = std::hypot(1.0, turn);
    struct Case {
        const char* what;
        float x, y;
        double vx, vy;
    };
    for (const Case& c : {Case{"ahead, to the right", 1.5f, 2.8f, 1.5 / size, 1.5 * turn / size},
                          Case{"straight ahead: no side to turn to", 1.5f, 3, 1.5, 0},
                          Case{"behind", 0.5f, 2.8f, 1.5, 0},
                          Case{"beyond ten ranges past a body", 2.61f, 3, 1.5, 0}}) {
        SCOPED_TRACE(c.what);
        const auto [vx, vy] = firstVelocity(c.x, c.y);
        EXPECT_NEAR(vx, c.vx, 1e-6);
        EXPECT_NEAR(vy, c.vy, 1e-6);
        engine.StopSimulation();
    }
    // Heading along (0.8, 0.6) with one 0.5 m ahead on that line and 0.2 m to its right: the
    // same turn, to the left of (0.8, 0.6), which is (-0.6, 0.8).
    const auto [vx, vy] = firstVelocity(1 + 0.4f + 0.12f, 3 + 0.3f - 0.16f, 401, 303);
    const double ex = 0.8 - turn * 0.6, ey = 0.6 + turn * 0.8;
    EXPECT_NEAR(vx, 1.5 * ex / std::hypot(ex, ey), 1e-5);
    EXPECT_NEAR(vy, 1.5 * ey / std::hypot(ex, ey), 1e-5);
}

TEST_F(EngineTest, AtRestAPedestrianFacingItsTargetSidestepsAroundWhatIsAheadOfIt) {
    // Standing still at (2, 3) towards a target to the east, with the nearest pedestrian 1 m east
    // and 0.2 m to the right. Facing north (the default) that one is behind its line of sight and
    // there is no sidestep; facing the target it is ahead, and the sidestep is the one a walker
    // heading east takes: gap 1.87, D = sqrt(3^2 + 0.2^2), to the left (north).
    PedClass& p = add(2, 3, 50, 3, 1.5);
    NearestInSight nearest{&p, 1.02, 0, 3, 2.8f};
    p.DesireRepulseAway(nearest, false);
    EXPECT_EQ(p.desireRepulseX(), 0);
    EXPECT_EQ(p.desireRepulseY(), 0);
    p.DesireRepulseAway(nearest, true);
    const double gap = 1.67 - (2.8f - 3.0f) * 1.0;
    const double D = std::hypot(3.0, 2.8f - 3.0f);
    EXPECT_NEAR(p.desireRepulseX(), 0, 1e-12);
    EXPECT_NEAR(p.desireRepulseY(), gap / D * 1.5 / 0.25, 1e-9);
}

}  // namespace
}  // namespace strida::test
