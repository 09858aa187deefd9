// Creating, drawing and removing pedestrians, and the colour table.
#include <cmath>
#include <memory>
#include <string>

#include "support/engine_fixture.h"

namespace strida::test {
namespace {

using Drawing = EngineTest;

TEST_F(Drawing, CreationPlacesTheCircleAndHidesTheArrow) {
    host.showArrow();
    add(0, 0, 9, 3, 1.5, 3);
    const HeadlessHost::Circle* c = host.circle(1);
    ASSERT_NE(c, nullptr);
    EXPECT_FLOAT_EQ(c->diameter, 300);
    EXPECT_FLOAT_EQ(c->left, -150);
    EXPECT_FLOAT_EQ(c->top, 150);
    EXPECT_TRUE(c->visible);
    EXPECT_EQ(c->colour, 0x008000u);  // darkest green
    EXPECT_FALSE(host.shown().arrowVisible);

    // Without a scale there is no canvas to place a circle on: nothing is created.
    host.setM2Twips(0);
    EXPECT_NE(tryAdd(1, 1, 9, 1, 1.5, 1, 0, 0), std::nullopt);
    EXPECT_EQ(engine.pedestrians().size(), 1u);
    EXPECT_EQ(host.circle(2), nullptr);
    host.setM2Twips(kM2Twips);
    // Nor with a colour family outside the four.
    EXPECT_NE(tryAdd(1, 1, 9, 1, 1.5, 5, 0, 0), std::nullopt);
    EXPECT_EQ(engine.pedestrians().size(), 1u);
}

TEST_F(Drawing, TheCircleIsShadedByTheSpeedRatio) {
    forcesOff();
    // Blue, MaxSpeed 1: standing, 0.78, exactly 0.8, exactly 0.9 and 0.95 of the maximum.
    const double speeds[] = {0, 0.78, 0.8, 0.9, 0.95};
    const Colour expected[] = {0xFF8080, 0xFF0000, 0xFF0000, 0xC00000, 0x800000};
    for (int i = 0; i < 5; ++i) addCruising(1, 1 + i, speeds[i], 0, 1.0, 2);
    steps(1);
    for (int i = 0; i < 5; ++i) {
        const HeadlessHost::Circle* c = host.circle(i + 1);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->colour, expected[i]) << "speed " << speeds[i];
        EXPECT_TRUE(c->filled);
    }

    // Unticking "Pedestrian (circle)" leaves the circle where it was, still recoloured; unticking
    // "Filled" leaves only its border.
    settings.PedCircle = Check::Unchecked;
    settings.DrawFill = Check::Unchecked;
    const float left = host.circle(5)->left;
    steps(1);
    EXPECT_GT(engine.pedestrians().find("5")->Px(), 1.0f);
    EXPECT_EQ(host.circle(5)->left, left);
    EXPECT_EQ(host.circle(5)->colour, 0x800000u);
    EXPECT_FALSE(host.circle(5)->filled);
}

TEST_F(Drawing, TheSightBoxAndVelocityLineFollowTheWalkingDirection) {
    forcesOff();
    host.recordOverlays(true);
    settings.DT = "2";
    settings.SightBox = Check::Checked;
    settings.VelocityLine = Check::Checked;
    settings.ShowInfCircle = Check::Checked;
    addCruising(2, 1, 0.6, 0.8, 2.0);  // 1 m/s north-east: at (2.3, 1.4) after a half second
    steps(1);
    // A body-wide box (radius 0.3) reaching the 4 m sight distance ahead, in twips of 0.002 m,
    // and a velocity line a quarter of the velocity long.
    struct Line {
        float x1, y1, x2, y2;
    };
    const Line expected[] = {{1150, 700, 1225, 800},
                             {1270, 610, 2470, 2210},
                             {2470, 2210, 2230, 2390},
                             {2230, 2390, 1030, 790}};
    std::vector<HeadlessHost::Overlay> lines, circles;
    for (const HeadlessHost::Overlay& o : host.shown().overlays)
        (o.kind == HeadlessHost::Overlay::Kind::Line ? lines : circles).push_back(o);
    // The influence circle: 0.835 m around the pedestrian.
    ASSERT_EQ(circles.size(), 1u);
    EXPECT_NEAR(circles[0].x1, 1150, 0.01);
    EXPECT_NEAR(circles[0].y1, 700, 0.01);
    EXPECT_NEAR(circles[0].x2, 417.5, 0.01);
    ASSERT_EQ(lines.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(lines[i].x1, expected[i].x1, 0.01) << "line " << i;
        EXPECT_NEAR(lines[i].y1, expected[i].y1, 0.01) << "line " << i;
        EXPECT_NEAR(lines[i].x2, expected[i].x2, 0.01) << "line " << i;
        EXPECT_NEAR(lines[i].y2, expected[i].y2, 0.01) << "line " << i;
    }
}

TEST_F(Drawing, TheIdLabelStandsBesideItsOwnPedestrian) {
    forcesOff();
    host.recordOverlays(true);
    settings.PrintID = Check::Checked;
    settings.VelocityLine = Check::Checked;
    settings.ShowInfCircle = Check::Checked;
    addCruising(2, 1, 1, 0, 1.5);
    addCruising(8, 5, -1, 0, 1.5);
    steps(1);
    int labels = 0;
    for (const HeadlessHost::Overlay& o : host.shown().overlays) {
        if (o.kind != HeadlessHost::Overlay::Kind::Text) continue;
        ++labels;
        const int id = std::stoi(o.text);
        const PedClass& p = *engine.pedestrians().find(static_cast<std::int16_t>(id));
        EXPECT_LT(std::hypot(o.x1 - p.Px() / kM2Twips, o.y1 - p.Py() / kM2Twips),
                  2 * 0.3 / kM2Twips)
            << "label " << o.text;
    }
    EXPECT_EQ(labels, 2);
}

TEST_F(Drawing, RemovalTakesThePedestrianAndItsCircleAway) {
    add(1, 1, 9, 1);
    add(1, 3, 9, 3);
    add(1, 5, 9, 5);
    for (const char* key : {"02", "+2", " 2", "2 ", "", "x", "4", "-1", "99999"})
        EXPECT_EQ(engine.pedestrians().find(key), nullptr) << '"' << key << '"';
    engine.RemovePedestrian(2);
    engine.RemovePedestrian(7);  // nobody
    EXPECT_EQ(engine.pedestrians().find("2"), nullptr);
    EXPECT_EQ(host.circle(2), nullptr);
    ASSERT_NE(host.circle(3), nullptr);
    std::string order;
    engine.pedestrians().forEach([&](const PedClass& p) { order += std::to_string(p.ID()); });
    EXPECT_EQ(order, "13");

    // A stop chosen while a step is under way releases everyone; the step still finishes safely.
    host.setOnProcessEvents([&] {
        if (host.shown().processEventsCount == 3)  // as the second one moves
            engine.request([&] { engine.StopSimulation(); });
    });
    host.resetEventCount();
    EXPECT_EQ(step(), std::vector<std::string>{});
    EXPECT_TRUE(engine.pedestrians().empty());
    EXPECT_EQ(host.shown().processEventsCount, 3) << "the tick's own call and two moves";
}

TEST_F(Drawing, ARunNumbersAtMost32767Pedestrians) {
    for (int i = 1; i < 32767; ++i) add(1, 1, 9, 1);
    EXPECT_EQ(add(1, 1, 9, 1).ID(), 32767);
    const MaybeError refused = tryAdd(1, 2, 9, 2);
    ASSERT_TRUE(refused);
    EXPECT_NE(refused->description.find("32767"), std::string::npos);
    EXPECT_EQ(engine.pedestrians().size(), 32767u);
}

}  // namespace
}  // namespace strida::test
