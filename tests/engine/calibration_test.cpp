// The calibrate command and the rules that tie settings together.
#include "engine/calibration.h"

#include <gtest/gtest.h>

#include "engine/headless_host.h"
#include "engine/settings_rules.h"

namespace strida {
namespace {

TEST(Calibration, FitsTheDrawingAreaToTheTrapKeepingItsShorterSide) {
    Settings s;
    HeadlessHost host;
    host.setArea(4500, 3000);
    ASSERT_TRUE(calibrate(s, host));
    EXPECT_DOUBLE_EQ(host.m2Twips(), 0.002);
    EXPECT_DOUBLE_EQ(host.areaHeight(), 3000);
    // Calibrating again changes nothing and resizes nothing.
    EXPECT_FALSE(host.resizeArea(5000, 3000));
    ASSERT_TRUE(calibrate(s, host));
    EXPECT_DOUBLE_EQ(host.m2Twips(), 0.002);

    host.setArea(3000, 4500);
    ASSERT_TRUE(calibrate(s, host));
    EXPECT_DOUBLE_EQ(host.areaHeight(), 1800);
    EXPECT_DOUBLE_EQ(host.m2Twips(), 10.0 / 3000);
}

TEST(Calibration, RefusesSizesOutOfRangeBeforeExtremeProportions) {
    struct Case {
        const char *length, *width;
        const char* message;  // nothing when accepted
    } cases[] = {
        {"150", "15", nullptr},         {"1", "1", nullptr},
        {"150", "14.9", kRatioMessage}, {"0.9", "6", kRangeMessage},
        {"150.1", "20", kRangeMessage}, {"200", "5", kRangeMessage},
        {"abc", "6", kRangeMessage},
    };
    for (const Case& c : cases) {
        Settings s;
        s.TrapLength = c.length;
        s.TrapWidth = c.width;
        HeadlessHost host;
        host.setM2Twips(0.5);
        EXPECT_EQ(calibrate(s, host), c.message == nullptr) << c.length << " x " << c.width;
        if (!c.message) continue;
        ASSERT_EQ(host.shown().messages.size(), 1u);
        EXPECT_EQ(host.shown().messages[0].text, c.message);
        EXPECT_EQ(host.shown().messages[0].title, "Error");
        EXPECT_EQ(host.m2Twips(), 0.5) << "a refused calibration leaves the scale";
        EXPECT_EQ(host.areaWidth(), HeadlessHost::kDesignWidth);
    }
}

TEST(SettingRules, OptionsChecksAndMenuMarks) {
    Settings s;
    ASSERT_FALSE(applySetting(s, "RandomInput", "1"));
    EXPECT_TRUE(s.RandomInput);
    EXPECT_FALSE(s.GeneratedAtOnce);
    ASSERT_FALSE(applySetting(s, "1stMaxSpeedTheOnly", "1"));
    EXPECT_FALSE(s._1stMaxSpeedNormalDist);
    ASSERT_FALSE(applySetting(s, "1stMaxSpeed", "1.5"));
    EXPECT_EQ(s._1stMaxSpeed, "1.5");
    ASSERT_FALSE(applySetting(s, "PedGenerator", "1"));
    ASSERT_FALSE(applySetting(s, "ManualGenerator", "1"));
    EXPECT_FALSE(s.PedGenerator) << "at most one generator mode";
    ASSERT_FALSE(applySetting(s, "ReportNTXY", "1"));
    EXPECT_EQ(s.ReportNTXY, Check::Checked);
    // Only what is drawn on the circle needs it.
    ASSERT_FALSE(applySetting(s, "PedCircle", "0"));
    for (const char* other : {"AcclLine", "VelocityLine", "DontShowAnimation", "ForceFlee"})
        ASSERT_FALSE(applySetting(s, other, "1"));
    EXPECT_EQ(s.PedCircle, Check::Unchecked);
    for (auto [name, value] : {std::pair{"Nonsense", "1"},
                               {"ReportNTXY", "2"},
                               {"RandomInput", "0"},
                               {"NumWays", "3"},
                               {"SimSpeed", "0"},
                               {"SimSpeed", "1.5"},
                               {"InitialPx", "left"},
                               {"UpdateOrder", "Sideways"},
                               {"UpdateOrder", "simultaneous"}})
        EXPECT_TRUE(applySetting(s, name, value)) << name << "=" << value;
    EXPECT_EQ(applySetting(s, "UpdateOrder", "Sideways")->description,
              "UpdateOrder takes Sequential or Simultaneous, not \"Sideways\"");
    EXPECT_EQ(s.UpdateOrder, "Sequential");
    ASSERT_FALSE(applySetting(s, "UpdateOrder", "Simultaneous"));
    EXPECT_TRUE(simultaneousUpdate(s));
}

TEST(SettingRules, AValueAlreadyHeldStartsNoRule) {
    Settings s;
    ASSERT_FALSE(applySetting(s, "ManualGenerator", "0"));
    EXPECT_FALSE(s.PedGenerator) << "switching off a mode that is off switches nothing on";
    ASSERT_FALSE(applySetting(s, "VelocityLine", "1"));
    ASSERT_FALSE(applySetting(s, "TracePath", "0"));
    EXPECT_EQ(s.VelocityLine, Check::Checked);
    ASSERT_FALSE(applySetting(s, "NumPedLeft", "7"));
    ASSERT_FALSE(applySetting(s, "TotalNumberOfPedestrians", "12"));
    EXPECT_EQ(s.NumPedLeft, "7") << "the total it already has is not split again";
    ASSERT_FALSE(applySetting(s, "NumWays", "1"));
    EXPECT_EQ(s.NumPedLeft, "6") << "choosing two ways splits the total every time";
}

TEST(SettingRules, InfluenceBarBoundFollowsTheBody) {
    const std::pair<const char*, int> cases[] = {{"0.75", 75}, {"0.006", 1}, {"letters", 0},
                                                 {"-1", 0},    {"7", 500},   {"1e308", 500}};
    for (auto [diameter, bound] : cases) {
        Settings s;
        s.PedDiameter = diameter;
        EXPECT_EQ(influenceBarMinimum(s), bound) << diameter;
    }
}

}  // namespace
}  // namespace strida
