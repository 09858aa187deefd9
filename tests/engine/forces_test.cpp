// The three desires of pedestrians made by the factory, each given the neighbours the run's
// collection finds for it.
#include <cmath>

#include "support/engine_fixture.h"

namespace strida::test {
namespace {

class Forces : public EngineTest {
  protected:
    // A pedestrian at (x, y) walking with velocity (vx, vy): made one slice back and moved once
    // with no force and no acceleration, so that it has the speed the repulse-away desire looks
    // along.
    PedClass& walker(float x, float y, double vx, double vy) {
        forcesOff();
        PedClass& p = add(x - static_cast<float>(vx / 15), y - static_cast<float>(vy / 15), 90, y,
                          1.5, 1, vx, vy, 0.0);
        EXPECT_EQ(engine.movePedestrian(p), std::nullopt);
        EXPECT_GT(p.InstantSpeed(), 0.0);
        return p;
    }
    void avoid(PedClass& p) {
        engine.pedestrians().neighbours(p, 2 * p.influenceRadius(), 0, within_, nullptr);
        p.DesireAvoidCollision(within_);
    }
    double repulseY(PedClass& p) {
        NearestInSight nearest;
        engine.pedestrians().neighbours(p, 0, p.sightDistance(), within_, &nearest);
        p.clearDesires();
        p.DesireRepulseAway(nearest);
        return p.desireRepulseY();
    }

  private:
    std::vector<Neighbour> within_;
};

TEST_F(Forces, ForwardSlowsDownOnlyWithinAlphaOfTheTarget) {
    // 0.1 m from the target, diagonally: (0.06, 0.08). Alpha is 0.205.
    PedClass& near = add(2, 2, 2.06f, 2.08f, 1.5);
    near.DesireForward();
    const double speed = 0.1 / 0.205 * 1.5;  // about 0.732 m/s
    EXPECT_NEAR(std::hypot(near.desireForwardX(), near.desireForwardY()), speed, 1e-5);
    EXPECT_NEAR(near.desireForwardX(), 0.6 * speed, 1e-5);
    EXPECT_NEAR(near.desireForwardY(), 0.8 * speed, 1e-5);

    PedClass& far = add(2, 4, 3, 4, 1.5);  // 1 m away: full speed
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
    avoid(a);
    avoid(b);
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
    avoid(lone);
    EXPECT_EQ(lone.desireAvoidX(), 0.0);
    EXPECT_EQ(lone.desireAvoidY(), 0.0);

    // Exactly at 2 x influenceRadius is not close enough, even given as a neighbour.
    settings.InfluenceDiameter = "1.0";
    PedClass& edge = add(1, 25, 9, 25);
    settings.InfluenceDiameter = "1.67";
    PedClass& other = add(2, 25, 9, 25);
    edge.DesireAvoidCollision({{&other, -1, 0, 1, 0}});
    EXPECT_EQ(edge.desireAvoidX(), 0.0);

    // A pedestrian on the very same point has no direction to push from.
    PedClass& same = add(5, 3, 9, 3);
    add(5, 3, 9, 3);
    avoid(same);
    EXPECT_EQ(same.desireAvoidX(), 0.0);
    EXPECT_EQ(same.desireAvoidY(), 0.0);
}

TEST_F(Forces, RepulseAwaySidestepsToTheLeftOfTheWalkingDirection) {
    // Walking east, with someone 1 m ahead and 0.2 m to the right: gap = 2 x 0.835 + 0.2 and
    // D = the distance from the sight point 4 m ahead, sqrt(3^2 + 0.2^2).
    PedClass& p = walker(2, 3, 1, 0);
    add(3, 2.8f, 0, 2.8f);
    EXPECT_NEAR(repulseY(p), 1.87 / std::sqrt(9.04) * 1.5 / 0.25, 1e-5);  // north
    EXPECT_EQ(p.desireRepulseX(), 0.0);

    // A neighbour 1.17 m to the left leaves a gap of 0.5 m: a weaker push, still to the left.
    // D = sqrt(3^2 + 1.17^2); desire = 0.5 / D x 1.5 / 0.25.
    PedClass& q = walker(2, 23, 1, 0);
    add(3, 24.17f, 0, 24.17f);
    EXPECT_NEAR(repulseY(q), 0.5 / std::sqrt(9 + 1.17 * 1.17) * 1.5 / 0.25, 1e-5);

    // Straight ahead, 1 m short of the sight point: 1.67 / 1 x 1.5 / 0.25.
    PedClass& r = walker(2, 43, 1, 0);
    add(5, 43, 0, 43);
    EXPECT_NEAR(repulseY(r), 10.02, 1e-5);
}

TEST_F(Forces, RepulseAwayLooksOnlyAtTheNearestWithinSight) {
    // The nearest, 0.54 m off, is behind: nothing to avoid although someone is 1 m ahead.
    PedClass& p = walker(5, 3, 1, 0);
    add(4.5f, 3.2f, 0, 3);
    add(6, 3, 0, 3);
    EXPECT_EQ(repulseY(p), 0.0);
    EXPECT_EQ(p.desireRepulseX(), 0.0);

    // With the one behind farther off, the one ahead is the nearest and is avoided.
    PedClass& q = walker(5, 23, 1, 0);
    add(3.5f, 23.2f, 0, 23);
    add(6, 23, 0, 23);
    EXPECT_GT(repulseY(q), 0.0);

    // Of two equally near, the one created first is the one looked at.
    PedClass& r = walker(5, 43, 1, 0);
    add(4, 43, 0, 43);
    add(6, 43, 0, 43);
    EXPECT_EQ(repulseY(r), 0.0);
    PedClass& s = walker(5, 63, 1, 0);
    add(6, 63, 0, 63);
    add(4, 63, 0, 63);
    EXPECT_GT(repulseY(s), 0.0);

    // Beyond the sight distance nobody counts.
    settings.SightDist = "0.9";
    PedClass& t = walker(5, 83, 1, 0);
    add(6, 83, 0, 83);
    EXPECT_EQ(repulseY(t), 0.0);
}

TEST_F(Forces, ANewPedestrianLooksAlongTheYAxis) {
    // Its initial velocity points east, but it has no speed of its own yet.
    PedClass& p = add(5, 3, 9, 3, 1.5, 1, 1.0, 0.0);
    add(6, 3, 0, 3);  // east: level with it when looking north
    EXPECT_EQ(repulseY(p), 0.0);
    EXPECT_EQ(p.desireRepulseX(), 0.0);

    PedClass& q = add(5, 21, 9, 21, 1.5, 1, 1.0, 0.0);
    add(5, 22, 0, 21);  // 1 m north: straight ahead, sight point 3 m beyond it
    repulseY(q);
    EXPECT_NEAR(q.desireRepulseX(), -(1.67 / 3) * 1.5 / 0.25, 1e-12);  // to the west, its left
    EXPECT_EQ(q.desireRepulseY(), 0.0);
}

}  // namespace
}  // namespace strida::test
