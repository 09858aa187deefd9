// The three desires of pedestrians made by the factory, each given the neighbours the run's
// collection finds for it, at their edges: on the target, at the very reach of the influence, on
// the same point, behind and level.
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
    EXPECT_NEAR(near.desireForwardX(), 0.6 * speed, 1e-5);
    EXPECT_NEAR(near.desireForwardY(), 0.8 * speed, 1e-5);

    PedClass& onTarget = add(7, 1, 7, 1, 1.5);
    onTarget.DesireForward();
    EXPECT_EQ(onTarget.desireForwardX(), 0.0);
    EXPECT_EQ(onTarget.desireForwardY(), 0.0);
}

TEST_F(Forces, AvoidCollisionPushesOnlyFromWithinReachAndFromADirection) {
    // influenceRadius 0.835 from the default diameter 1.67, Beta 0.001.
    PedClass& a = add(2, 3, 9, 3, 1.5);
    add(2.5f, 3, 0, 3, 1.5);
    ASSERT_EQ(a.Beta(), 0.001);
    avoid(a);
    EXPECT_NEAR(a.desireAvoidX(), -1755, 1e-6);  // (1.67 - 0.5) x 1.5 / 0.001, westwards
    EXPECT_EQ(a.desireAvoidY(), 0.0);

    // Exactly at 2 x influenceRadius is not close enough, even given as a neighbour.
    settings.InfluenceDiameter = "1.0";
    PedClass& edge = add(1, 25, 9, 25);
    settings.InfluenceDiameter = "1.67";
    PedClass& other = add(2, 25, 9, 25);
    edge.DesireAvoidCollision({{&other, -1, 0, 1, 0}});
    EXPECT_EQ(edge.desireAvoidX(), 0.0);

    // A pedestrian on the very same point has no direction to push from.
    PedClass& same = add(5, 13, 9, 13);
    add(5, 13, 9, 13);
    avoid(same);
    EXPECT_EQ(same.desireAvoidX(), 0.0);
    EXPECT_EQ(same.desireAvoidY(), 0.0);
}

TEST_F(Forces, RepulseAwaySidestepsToTheLeftOfTheNearestOnlyWhenItIsAhead) {
    // Walking east between two equally near, the one created first is the one looked at: behind,
    // it leaves nothing to avoid; ahead, 1 m off and 3 m short of the sight point, it is passed on
    // the left, 1.67 / 3 x 1.5 / 0.25 northwards.
    PedClass& behindFirst = walker(5, 43, 1, 0);
    add(4, 43, 0, 43);
    add(6, 43, 0, 43);
    EXPECT_EQ(repulseY(behindFirst), 0.0);
    PedClass& aheadFirst = walker(5, 63, 1, 0);
    add(6, 63, 0, 63);
    add(4, 63, 0, 63);
    EXPECT_NEAR(repulseY(aheadFirst), 3.34, 1e-5);
    EXPECT_EQ(aheadFirst.desireRepulseX(), 0.0);
}

}  // namespace
}  // namespace strida::test
