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
        EXPECT_EQ(p->color(), 1);
        const int lane = static_cast<int>(std::lround((p->Py() / 0.3 + 1) / 2));
        EXPECT_FLOAT_EQ(p->Py(), static_cast<float>((2 * lane - 1) * 0.3));
        EXPECT_GE(lane, 1);
        EXPECT_LE(lane, 10) << "uniform lanes lie across the trap's width only";
        const int place = ++queue[lane];
        // The generator stands 5 m from the centre of the 10 m trap: at x = 0.
        EXPECT_FLOAT_EQ(p->Px(), -static_cast<float>((2 * place - 1) * 0.3)) << "lane " << lane;
        EXPECT_GE(p->Ex(), 10.0f);
        EXPECT_LE(p->Ex(), 50.0f);
    }
    int deepest = 0;
    for (const auto& [lane, places] : queue) deepest = std::max(deepest, places);
    EXPECT_EQ(engine.generator().West2EastList().columns(), deepest)
        << "the grid grew to its longest queue";
    EXPECT_EQ(peds.front()->ID(), 1);
    EXPECT_NE(engine.pedestrians().find("1"), nullptr);
}

TEST_F(GenerationTest, TwoWaysAtOnceFillsTheWestThenTheEastSide) {
    settings.NumPedLeft = "2";
    settings.NumPedRight = "1";
    ASSERT_FALSE(engine.GenerateAllAtOnce());
    const auto peds = all();
    ASSERT_EQ(peds.size(), 3u);
    EXPECT_EQ(peds[0]->color(), 1);
    EXPECT_EQ(peds[1]->color(), 1);
    EXPECT_EQ(peds[2]->color(), 2);
    EXPECT_FLOAT_EQ(peds[2]->Px(), 10.3f) << "first queue place east: L/2 + dGen + r";
    EXPECT_LE(peds[2]->Ex(), 0.0f);
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

TEST_F(GenerationTest, TheNormalSpatialSpreadCentresOnTheMeanPercentageOfTheWidth) {
    settings.NumWays = Ways::One;
    settings.SpatialMeanInput = "50";
    // Without spread everyone gets the lane of the mean: u = 50 x 1.5 / 100 / 3 = 0.25, lane
    // Int(20 x 0.25) + 1 = 6 at y = 11 x 0.3.
    settings.TotalNumberOfPedestrians = "12";
    settings.SpatialRangeInput = "0";
    ASSERT_FALSE(engine.GenerateAllAtOnce());
    for (const PedClass* p : all()) EXPECT_EQ(p->Py(), 3.3f);
    engine.StopSimulation();

    // A range of 30 spreads them by about 30 / 150 of the 6 m width, 1.2 m, around y = 3 m.
    settings.TotalNumberOfPedestrians = "2000";
    settings.SpatialRangeInput = "30";
    ASSERT_FALSE(engine.GenerateAllAtOnce());
    double sum = 0, sumSquares = 0;
    for (const PedClass* p : all()) {
        sum += p->Py();
        sumSquares += static_cast<double>(p->Py()) * p->Py();
    }
    const double mean = sum / 2000, sd = std::sqrt(sumSquares / 2000 - mean * mean);
    EXPECT_NEAR(mean, 3.0, 0.1);
    EXPECT_NEAR(sd, 1.2, 0.15);
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

TEST_F(GenerationTest, TwoWaysByHeadwayChoosesTheSideByTheLeftShare) {
    settings.GeneratedAtOnce = false;
    settings.RandomInput = true;
    settings.TotalNumberOfPedestrians = "10";
    for (auto [left, colour] : {std::pair{"10", 1}, {"0", 2}}) {
        settings.NumPedLeft = left;
        for (int i = 0; i < 20; ++i) ASSERT_FALSE(engine.GeneratePedestrian());
        for (const PedClass* p : all()) EXPECT_EQ(p->color(), colour) << "NumPedLeft " << left;
        engine.StopSimulation();
    }
    // From the east, pedestrians start at the east edge of the drawing area.
    ASSERT_FALSE(engine.GeneratePedestrian());
    EXPECT_FLOAT_EQ(all().at(0)->Px(), 10.0f);
}

TEST_F(GenerationTest, SpeedCategories) {
    settings.NumWays = Ways::One;
    settings.TotalNumberOfPedestrians = "60";
    settings._1stMaxSpeedTheOnly = true;
    settings._1stMaxSpeedNormalDist = false;
    ASSERT_FALSE(engine.GenerateAllAtOnce());
    for (const PedClass* p : all()) {
        EXPECT_EQ(p->MaxSpeed(), 1.775);
        for (double v : {p->Vx(), p->Vy()}) {
            EXPECT_EQ(v, std::floor(v));
            EXPECT_GE(v, -2);
            EXPECT_LE(v, 1);
        }
    }
    engine.StopSimulation();
    settings.PercentNumOf1stCategory = "0";
    settings._2ndMaxSpeedTheOnly = true;
    settings._2ndMaxSpeedNormalDist = false;
    settings._2ndMaxSpeed = "0.9";
    ASSERT_FALSE(engine.GenerateAllAtOnce());
    for (const PedClass* p : all()) EXPECT_EQ(p->MaxSpeed(), 0.9);
}

}  // namespace
}  // namespace strida::test
