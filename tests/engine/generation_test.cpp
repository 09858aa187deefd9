// Automatic generation: where pedestrians are placed, which side they come from, their speeds.
#include <algorithm>
#include <cmath>
#include <map>

#include "support/engine_fixture.h"

namespace strida::test {
namespace {

class GenerationTest : public EngineTest {
  protected:
    // The run's pedestrians in order of creation.
    std::vector<const PedClass*> all() {
        std::vector<const PedClass*> out;
        engine.pedestrians().forEach([&](const PedClass& p) { out.push_back(&p); });
        return out;
    }
};

TEST_F(GenerationTest, OneWayAtOncePlacesQueuesOfOneDiameterInsideTheTrapWidth) {
    settings.NumWays = Ways::One;
    settings.TotalNumberOfPedestrians = "40";
    settings.UniformSpaceGenerator = true;
    settings.NormalSpaceGenerator = false;
    EXPECT_EQ(engine.generator().West2EastList().columns(), 0)
        << "no grid before the first population";
    ASSERT_FALSE(engine.GenerateAllAtOnce());
    const auto peds = all();
    ASSERT_EQ(peds.size(), 40u);
    EXPECT_EQ(engine.generator().West2EastList().lanes(), 20) << "n = Int(6 / 0.3)";
    std::map<int, int> queue;  // lane -> places taken so far
    for (const PedClass* p : peds) {
        const int lane = static_cast<int>(std::lround((p->Py() / 0.3 + 1) / 2));
        EXPECT_FLOAT_EQ(p->Py(), static_cast<float>((2 * lane - 1) * 0.3));
        EXPECT_GE(lane, 1);
        EXPECT_LE(lane, 10) << "uniform lanes lie across the trap's width only";
        const int place = ++queue[lane];
        // The generator stands 5 m from the centre of the 10 m trap: at x = 0.
        EXPECT_FLOAT_EQ(p->Px(), -static_cast<float>((2 * place - 1) * 0.3)) << "lane " << lane;
    }
    int deepest = 0;
    for (const auto& [lane, places] : queue) deepest = std::max(deepest, places);
    EXPECT_EQ(engine.generator().West2EastList().columns(), deepest)
        << "the grid grew to its longest queue";
}

TEST_F(GenerationTest, PedestriansFillTheTrapAsCalibratedNotAsItsTextsReadSince) {
    // Typed after the calibration, the new sizes wait for the next one: the generator fills the
    // trap the run measures.
    settings.TrapLength = "20";
    settings.TrapWidth = "abc";
    settings.NumPedLeft = "0";
    settings.NumPedRight = "1";
    ASSERT_FALSE(engine.GenerateAllAtOnce());
    ASSERT_EQ(all().size(), 1u);
    EXPECT_FLOAT_EQ(all()[0]->Px(), 10.3f) << "L/2 + dGen + r of the 10 m trap";
    EXPECT_LE(all()[0]->Py(), 6.0f);
    engine.StopSimulation();
    engine.calibrated();
    ASSERT_FALSE(engine.GenerateAllAtOnce());
    EXPECT_FLOAT_EQ(all()[0]->Px(), 15.3f) << "the 20 m trap, once calibrated";
}

TEST_F(GenerationTest, TheNormalSpatialSpreadWithoutRangeTakesTheMeanLaneAndStaysInsideTheGrid) {
    settings.NumWays = Ways::One;
    settings.SpatialMeanInput = "50";
    // Without spread everyone gets the lane of the mean: u = 50 x 1.5 / 100 / 3 = 0.25, lane
    // Int(20 x 0.25) + 1 = 6 at y = 11 x 0.3.
    settings.TotalNumberOfPedestrians = "12";
    settings.SpatialRangeInput = "0";
    ASSERT_FALSE(engine.GenerateAllAtOnce());
    for (const PedClass* p : all()) EXPECT_EQ(p->Py(), 3.3f);
    engine.StopSimulation();

    // A spread wider than the grid stays inside it.
    settings.TotalNumberOfPedestrians = "200";
    settings.SpatialMeanInput = "100";
    settings.SpatialRangeInput = "100";
    ASSERT_FALSE(engine.GenerateAllAtOnce());
    EXPECT_EQ(engine.pedestrians().size(), 200u);
    for (const PedClass* p : all()) {
        EXPECT_GE(p->Py(), 0.3f - 1e-6f);
        EXPECT_LE(p->Py(), 39 * 0.3f + 1e-5f);
    }
}

TEST_F(GenerationTest, WithoutAFirstCategoryEveryoneTakesTheSecondsOnlySpeed) {
    settings.NumWays = Ways::One;
    settings.TotalNumberOfPedestrians = "60";
    settings.PercentNumOf1stCategory = "0";
    settings._2ndMaxSpeedTheOnly = true;
    settings._2ndMaxSpeedNormalDist = false;
    settings._2ndMaxSpeed = "0.9";
    ASSERT_FALSE(engine.GenerateAllAtOnce());
    for (const PedClass* p : all()) EXPECT_EQ(p->MaxSpeed(), 0.9);
}

}  // namespace
}  // namespace strida::test
