// Creating and drawing pedestrians, the colour table, and the run's collection of pedestrians.
#include <cmath>
#include <memory>
#include <string>

#include "support/engine_fixture.h"

namespace strida::test {
namespace {

using Drawing = EngineTest;

TEST_F(Drawing, CreationPlacesTheCircleAndHidesTheArrow) {
    host.arrowVisible = true;
    add(0, 0, 9, 3, 1.5, 3);
    const HeadlessHost::Circle* c = host.circle(1);
    ASSERT_NE(c, nullptr);
    EXPECT_FLOAT_EQ(c->diameter, 300);
    EXPECT_FLOAT_EQ(c->left, -150);
    EXPECT_FLOAT_EQ(c->top, 150);
    EXPECT_TRUE(c->visible);
    EXPECT_EQ(c->colour, 0x008000u);  // darkest green
    EXPECT_FALSE(host.arrowVisible);

    // Without a scale there is no canvas to place a circle on: nothing is created.
    host.setM2Twips(0);
    EXPECT_NE(engine.CreatePedestrian(1, 1, 9, 1, 1.5, 1, 0, 0), std::nullopt);
    EXPECT_EQ(engine.Pedestrians.size(), 1u);
    EXPECT_EQ(host.circle(2), nullptr);
    host.setM2Twips(kM2Twips);
    // Nor with a colour family outside the four.
    EXPECT_NE(engine.CreatePedestrian(1, 1, 9, 1, 1.5, 5, 0, 0), std::nullopt);
    EXPECT_EQ(engine.Pedestrians.size(), 1u);
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
        EXPECT_FLOAT_EQ(c->diameter, 300) << "0.6 m at 0.002 m a twip, as at creation";
        EXPECT_TRUE(c->filled);
    }

    // Unticking "Pedestrian (circle)" leaves the circle where it was, still recoloured; unticking
    // "Filled" leaves only its border.
    settings.PedCircle = Check::Unchecked;
    settings.DrawFill = Check::Unchecked;
    PedClass& p = *engine.Pedestrians.find("1");
    const float left = host.circle(1)->left;
    p.Vx(0.95);
    steps(1);
    EXPECT_EQ(host.circle(1)->left, left);
    EXPECT_EQ(host.circle(1)->colour, 0x800000u);
    EXPECT_FALSE(host.circle(1)->filled);
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
    for (const HeadlessHost::Overlay& o : host.overlays)
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
    for (const HeadlessHost::Overlay& o : host.overlays) {
        if (o.kind != HeadlessHost::Overlay::Kind::Text) continue;
        ++labels;
        const int id = std::stoi(o.text);
        const PedClass& p = *engine.Pedestrians.find(static_cast<std::int16_t>(id));
        EXPECT_LT(std::hypot(o.x1 - p.Px() / kM2Twips, o.y1 - p.Py() / kM2Twips),
                  2 * 0.3 / kM2Twips)
            << "label " << o.text;
    }
    EXPECT_EQ(labels, 2);
}

TEST_F(Drawing, TheCollectionKeepsOrderAndKeysThroughRemovals) {
    PedClass& one = add(1, 1, 9, 1);
    PedClass& two = add(1, 3, 9, 3);
    PedClass& three = add(1, 5, 9, 5);
    EXPECT_EQ(engine.Pedestrians.find("1"), &one);
    EXPECT_EQ(engine.Pedestrians.find("2"), &two);
    EXPECT_EQ(engine.Pedestrians.find("3"), &three);
    for (const char* key : {"02", "+2", " 2", "2 ", "", "x", "4", "-1", "99999"})
        EXPECT_EQ(engine.Pedestrians.find(key), nullptr) << '"' << key << '"';

    {
        auto hold = engine.Pedestrians.hold();
        engine.RemovePedestrian(2);
        EXPECT_EQ(engine.Pedestrians.size(), 2u);
        EXPECT_EQ(engine.Pedestrians.find("2"), nullptr);
        ASSERT_EQ(engine.Pedestrians.slotCount(), 3u);  // places are kept during the pass
        EXPECT_EQ(engine.Pedestrians.slot(1), nullptr);
        EXPECT_EQ(engine.Pedestrians.slot(2), &three);
        EXPECT_EQ(two.ID(), 2) << "the removed pedestrian lives until the pass ends";
        EXPECT_EQ(host.circle(2), nullptr);
        add(1, 4, 9, 4);  // a new one during the pass comes last
        EXPECT_EQ(engine.Pedestrians.slotCount(), 4u);
    }
    ASSERT_EQ(engine.Pedestrians.slotCount(), 3u);
    std::string order;
    engine.Pedestrians.forEach([&](const PedClass& p) { order += std::to_string(p.ID()); });
    EXPECT_EQ(order, "134");
    EXPECT_EQ(engine.Pedestrians.find("4")->Py(), 4.0f);
    EXPECT_FALSE(engine.Pedestrians.remove(2));

    // A stop chosen while a step is under way releases everyone; the step still finishes safely.
    host.onProcessEvents = [&] {
        if (host.processEventsCount == 3) engine.Pedestrians.clear();  // as the second one moves
    };
    host.processEventsCount = 0;
    EXPECT_EQ(step(), std::vector<std::string>{});
    EXPECT_TRUE(engine.Pedestrians.empty());
    EXPECT_EQ(host.processEventsCount, 3) << "the tick's own call and two moves";
}

TEST_F(Drawing, ARunNumbersAtMost32767Pedestrians) {
    engine.LastPedID = 32766;
    EXPECT_EQ(add(1, 1, 9, 1).ID(), 32767);
    const MaybeError refused = engine.CreatePedestrian(1, 2, 9, 2, 1.5, 1, 0, 0);
    ASSERT_TRUE(refused);
    EXPECT_NE(refused->description.find("32767"), std::string::npos);
    EXPECT_EQ(engine.Pedestrians.size(), 1u);
}

TEST_F(Drawing, RemovingIdZeroOnlyHidesTheTemplateCircle) {
    // Built through its setters, as a data file or a test might. It starts at rest, in no colour
    // family, with every measure 0.
    auto ped = std::make_unique<PedClass>(engine);
    EXPECT_EQ(ped->ID(), 0);
    EXPECT_EQ(ped->color(), 0);
    for (float position : {ped->Px(), ped->Py(), ped->Ex(), ped->Ey()}) EXPECT_EQ(position, 0.0f);
    for (double value :
         {ped->Vx(), ped->Vy(), ped->MaxSpeed(), ped->maxAcceleration(), ped->Radius(),
          ped->influenceRadius(), ped->sightDistance(), ped->Mass(), ped->Alpha(), ped->Beta(),
          ped->Chi(), ped->accelX(), ped->accelY(), ped->desireForwardX(), ped->desireForwardY(),
          ped->desireAvoidX(), ped->desireAvoidY(), ped->desireRepulseX(), ped->desireRepulseY()})
        EXPECT_EQ(value, 0.0);
    EXPECT_FALSE(ped->hasEntered());
    EXPECT_FALSE(ped->hasLeft());
    EXPECT_EQ(ped->stepsInTrap(), 0);
    for (double measure :
         {ped->InstantSpeed(), ped->InstantAccl(), ped->MeanSpeed(), ped->walkDist(),
          ped->InstantDelay(), ped->Uncomfort(), ped->InstantNHI(), ped->InstantNUVI()})
        EXPECT_EQ(measure, 0.0);
    EXPECT_NE(ped->Create(), std::nullopt) << "no colour family to draw in";
    ped->ID(0);
    ped->Px(3);
    ped->Py(3);
    ped->Radius(0.3);
    ped->color(1);
    ASSERT_EQ(ped->Create(), std::nullopt);
    // Added after others, its ID breaks the rising order: it is found all the same.
    add(1, 1, 9, 1);
    add(1, 2, 9, 2);
    engine.Pedestrians.add(std::move(ped));
    ASSERT_NE(engine.Pedestrians.find("0"), nullptr);
    ASSERT_NE(engine.Pedestrians.find("2"), nullptr);
    engine.RemovePedestrian(1);
    engine.RemovePedestrian(2);
    ASSERT_NE(host.circle(0), nullptr);
    engine.RemovePedestrian(0);
    EXPECT_TRUE(engine.Pedestrians.empty());
    ASSERT_NE(host.circle(0), nullptr);
    EXPECT_FALSE(host.circle(0)->visible);
}

}  // namespace
}  // namespace strida::test
