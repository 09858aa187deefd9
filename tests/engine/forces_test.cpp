// The three desires, called directly on pedestrians of a run.
#include <cmath>

#include "support/engine_fixture.h"

namespace strida::test {
namespace {

class Forces : public EngineTest {
  protected:
    // Gives `p` a walking direction and puts it at (x, y) with no desire: one step with no force
    // and no acceleration keeps its velocity, leaves it as the speed the next repulse-away desire
    // looks along, and clears the desires.
    void walk(PedClass& p, double vx, double vy, float x, float y) {
        forcesOff();
        p.Vx(vx);
        p.Vy(vy);
        p.maxAcceleration(0.0);
        ASSERT_EQ(p.Move(), std::nullopt);
        ASSERT_GT(p.InstantSpeed(), 0.0);
        p.Px(x);
        p.Py(y);
    }
};

TEST_F(Forces, ForwardSlowsDownOnlyWithinAlphaOfTheTarget) {
    // 0.1 m from the target, diagonally: (0.06, 0.08).
    PedClass& near = add(2, 2, 2.06f, 2.08f, 1.5);
    near.Alpha(0.205);
    near.DesireForward();
    const double speed = 0.1 / 0.205 * 1.5;  // about 0.732 m/s
    EXPECT_NEAR(std::hypot(near.desireForwardX(), near.desireForwardY()), speed, 1e-5);
    EXPECT_NEAR(near.desireForwardX(), 0.6 * speed, 1e-5);
    EXPECT_NEAR(near.desireForwardY(), 0.8 * speed, 1e-5);

    PedClass& far = add(2, 4, 3, 4, 1.5);  // 1 m away: full speed
    far.Alpha(0.205);
    far.DesireForward();
    EXPECT_EQ(far.desireForwardX(), 1.5);
    EXPECT_EQ(far.desireForwardY(), 0.0);

    PedClass& onTarget = add(7, 1, 7, 1, 1.5);
    onTarget.DesireForward();
    EXPECT_EQ(onTarget.desireForwardX(), 0.0);
    EXPECT_EQ(onTarget.desireForwardY(), 0.0);
}

TEST_F(Forces, AvoidCollisionPushesNeighboursApart) {
    // influenceRadius 0.835 from the default diameter 1.67, Beta 0.001.
    PedClass& a = add(2, 3, 9, 3, 1.5);
    PedClass& b = add(2.5f, 3, 0, 3, 1.5);
    ASSERT_EQ(a.influenceRadius(), 0.835);
    ASSERT_EQ(a.Beta(), 0.001);
    a.DesireAvoidCollision();
    b.DesireAvoidCollision();
    EXPECT_NEAR(a.desireAvoidX(), -1755, 1e-6);  // (1.67 - 0.5) x 1.5 / 0.001, away from b
    EXPECT_NEAR(b.desireAvoidX(), 1755, 1e-6);
    EXPECT_EQ(a.desireAvoidY(), 0.0);
    EXPECT_EQ(b.desireAvoidY(), 0.0);
    // The forces write only their own pedestrian's fields.
    EXPECT_EQ(a.Vx(), 0.0);
    EXPECT_EQ(b.Px(), 2.5f);
}

TEST_F(Forces, AvoidCollisionIgnoresDistantAndCoincidentPedestrians) {
    PedClass& lone = add(1, 1, 9, 1);
    add(3, 1, 9, 1);  // 2 m away, beyond 2 x 0.835
    lone.DesireAvoidCollision();
    EXPECT_EQ(lone.desireAvoidX(), 0.0);
    EXPECT_EQ(lone.desireAvoidY(), 0.0);

    // Exactly at 2 x influenceRadius is not close enough.
    PedClass& edge = add(1, 5, 9, 5);
    edge.influenceRadius(0.5);
    add(2, 5, 9, 5);
    edge.DesireAvoidCollision();
    EXPECT_EQ(edge.desireAvoidX(), 0.0);

    // A pedestrian on the very same point has no direction to push from.
    PedClass& same = add(5, 3, 9, 3);
    add(5, 3, 9, 3);
    same.DesireAvoidCollision();
    EXPECT_EQ(same.desireAvoidX(), 0.0);
    EXPECT_EQ(same.desireAvoidY(), 0.0);
}

TEST_F(Forces, RepulseAwaySidestepsToTheLeftOfTheWalkingDirection) {
    PedClass& p = add(2, 3, 9, 3, 1.5);
    walk(p, 1, 0, 2, 3);            // walking east
    const float qx = 3, qy = 2.8f;  // 1 m ahead, 0.2 m to the right
    add(qx, qy, 0, qy);
    p.DesireRepulseAway();

    // gap = 2 x 0.835 + 0.2, D = the distance from the sight point 4 m ahead, sqrt(3^2 + 0.2^2).
    EXPECT_NEAR(p.desireRepulseY(), 1.87 / std::sqrt(9.04) * 1.5 / 0.25, 1e-5);  // north
    EXPECT_EQ(p.desireRepulseX(), 0.0);

    // A neighbour 1.17 m to the left leaves a gap of 0.5 m: a weaker push, still to the left.
    // D = sqrt(3^2 + 1.17^2); desire = 0.5 / D x 1.5 / 0.25.
    engine.Pedestrians.find("2")->Py(4.17f);
    p.DesireRepulseAway();
    EXPECT_NEAR(p.desireRepulseY(), 0.5 / std::sqrt(9 + 1.17 * 1.17) * 1.5 / 0.25, 1e-5);

    // Straight ahead, 1 m short of the sight point: 1.67 / 1 x 1.5 / 0.25.
    engine.Pedestrians.find("2")->Px(5);
    engine.Pedestrians.find("2")->Py(3);
    p.DesireRepulseAway();
    EXPECT_NEAR(p.desireRepulseY(), 10.02, 1e-9);
}

TEST_F(Forces, RepulseAwayLooksOnlyAtTheNearestWithinSight) {
    PedClass& p = add(5, 3, 9, 3, 1.5);
    PedClass& behind = add(4.5f, 3.2f, 0, 3);  // nearest, 0.54 m, behind
    PedClass& ahead = add(6, 3, 0, 3);         // 1 m straight ahead
    walk(p, 1, 0, 5, 3);
    p.DesireRepulseAway();
    EXPECT_EQ(p.desireRepulseX(), 0.0);
    EXPECT_EQ(p.desireRepulseY(), 0.0);

    // Once the one behind is farther off, the one ahead is the nearest and is avoided.
    behind.Px(3.5f);
    p.DesireRepulseAway();
    EXPECT_GT(p.desireRepulseY(), 0.0);

    // Of two equally near, the one created first is the one looked at.
    behind.Px(4);
    behind.Py(3);
    walk(p, 1, 0, 5, 3);
    p.DesireRepulseAway();
    EXPECT_EQ(p.desireRepulseY(), 0.0);
    behind.Px(6);
    ahead.Px(4);
    p.DesireRepulseAway();
    EXPECT_GT(p.desireRepulseY(), 0.0);

    // Beyond the sight distance nobody counts.
    p.sightDistance(0.9);
    walk(p, 1, 0, 5, 3);
    p.DesireRepulseAway();
    EXPECT_EQ(p.desireRepulseY(), 0.0);
}

TEST_F(Forces, ANewPedestrianLooksAlongTheYAxis) {
    // Its initial velocity points east, but it has no speed of its own yet.
    PedClass& p = add(5, 3, 9, 3, 1.5, 1, 1.0, 0.0);
    add(6, 3, 0, 3);  // east: level with it when looking north
    p.DesireRepulseAway();
    EXPECT_EQ(p.desireRepulseX(), 0.0);
    EXPECT_EQ(p.desireRepulseY(), 0.0);

    PedClass& q = add(5, 1, 9, 1, 1.5, 1, 1.0, 0.0);
    add(5, 2, 0, 1);  // 1 m north: straight ahead, sight point 3 m beyond it
    q.DesireRepulseAway();
    EXPECT_NEAR(q.desireRepulseX(), -(1.67 / 3) * 1.5 / 0.25, 1e-12);  // to the west, its left
    EXPECT_EQ(q.desireRepulseY(), 0.0);
}

}  // namespace
}  // namespace strida::test
