// Scenario files: what is saved opens to the same settings and saves to the same bytes, and a
// file with anything wrong is refused with the key named and nothing applied.
#include "engine/scenario.h"

#include <gtest/gtest.h>

#include "engine/settings_rules.h"
#include "support/engine_fixture.h"

namespace strida::test {
namespace {

TEST(Scenario, SavedOpensToTheSameSettingsAndSavesToTheSameBytes) {
    Settings edited;
    ASSERT_FALSE(applySetting(edited, "NumPedLeft", "7"));
    ASSERT_FALSE(applySetting(edited, "ManualGenerator", "1"));
    edited.InitialPx = 3.71f;
    Scenario saved = scenarioOf(edited);
    saved.description = "two groups \"crossing\"\nat right angles";
    saved.seed = 18446744073709551615ull;
    PedRecord byHand;
    byHand.madeByHand = true;
    byHand.fields = {1, 3.71f, 0.3f, 9, 4, 0.5f, -0.25f, 1.2345678901234, 1.44};
    saved.pedestrians = {byHand};
    saved.hasPedestrians = true;

    const std::string text = scenarioText(saved);
    Scenario opened;
    ASSERT_FALSE(parseScenario(text, opened));
    EXPECT_EQ(scenarioText(opened), text);  // the description and seed among it
    ASSERT_EQ(opened.pedestrians.size(), 1u);
    EXPECT_EQ(static_cast<float>(opened.pedestrians[0].fields[1]), 3.71f);
    EXPECT_EQ(opened.pedestrians[0].fields[7], 1.2345678901234);  // a double, kept whole

    Settings restored;
    ASSERT_FALSE(applyScenario(restored, opened));
    for (const SettingInfo& info : settingTable())
        EXPECT_EQ(settingText(restored, info), settingText(edited, info)) << info.name;
    EXPECT_EQ(restored.TotalNumberOfPedestrians, edited.TotalNumberOfPedestrians);
}

TEST(Scenario, AnythingWrongIsRefusedNamingTheKeyAndNothingIsApplied) {
    const std::string head = R"({"format": "strida-scenario", "version": 1, )";
    const std::pair<std::string, std::string> cases[] = {
        {R"({"format": "other", "version": 1})", "\"format\""},
        {R"({"format": "strida-scenario", "version": 2})", "\"version\""},
        {head + R"("sead": 3})", "\"sead\" is not a key"},
        {head + R"("settings": {"Alfa": "1"}})", "unknown setting: \"Alfa\""},
        {head + R"("settings": {"Alpha": 1}})", "\"Alpha\" must be a text"},
        {head + R"("settings": {"DrawFill": "yes"}})", "\"DrawFill\" cannot be used"},
        {head + R"("pedestrians": [[1, 2, 3]]})", "pedestrian 1 not of nine numbers"},
        {head + R"("pedestrians": [[1, 2, 3, 4, 5, 6, 7, 8, "9"]]})", "not a number"},
        {head + "\n\"settings\": {", "not valid JSON: it breaks off at line 2, column 14"},
        // A picture opened by mistake: said in words, none of its bytes quoted.
        {std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), "not a scenario file (not JSON)"},
        // A second object would silently replace the first.
        {head + "\"settings\": {\"Alpha\": \"0.9\"},\n\"settings\": {}}",
         "the key \"settings\" appears twice in one object (line 2)"},
    };
    Scenario kept;
    kept.description = "kept";
    for (const auto& [text, named] : cases) {
        const MaybeError error = parseScenario(text, kept);
        ASSERT_TRUE(error) << text;
        EXPECT_NE(error->description.find(named), std::string::npos) << error->description;
        EXPECT_EQ(kept.description, "kept");
    }
    // A file's own faults are told with its name.
    TempFolder dir;
    EXPECT_TRUE(readScenario(dir.path() / "missing.json", kept));
    const std::filesystem::path twice = dir.path() / "twice.json";
    std::ofstream(twice) << R"({"format": "strida-scenario", "version": 1, "seed": 1, "seed": 2})";
    EXPECT_EQ(readScenario(twice, kept)->description,
              twice.string() + ": the key \"seed\" appears twice in one object (line 1)");

    // A scenario whose second setting cannot be put back leaves every setting as it was.
    Settings s;
    Scenario bad;
    bad.settings = {{"Alpha", "0.9"}, {"DrawFill", "7"}};
    ASSERT_TRUE(applyScenario(s, bad));
    EXPECT_EQ(s.Alpha, Settings{}.Alpha);
}

// The seed is read as digits in a text (as it is written, so that no reader holding numbers as
// doubles rounds it) or as a number (as older files hold it); anything else names "seed".
TEST(Scenario, TheSeedIsDigitsInATextOrAWholeNumber) {
    const std::string head = R"({"format": "strida-scenario", "version": 1, "seed": )";
    const std::pair<std::string, std::optional<std::uint64_t>> taken[] = {
        {"\"18446744073709551615\"", 18446744073709551615ull},
        {"18446744073709551615", 18446744073709551615ull},
        {"null", std::nullopt},
    };
    for (const auto& [seed, expected] : taken) {
        Scenario read;
        read.seed = 5;
        ASSERT_FALSE(parseScenario(head + seed + "}", read)) << seed;
        EXPECT_EQ(read.seed, expected) << seed;
    }
    for (const char* seed : {"-1", "1.5", "true", "\"\"", "\"12a\"", "\"18446744073709551616\""}) {
        Scenario kept;
        kept.seed = 5;
        const MaybeError error = parseScenario(head + seed + "}", kept);
        ASSERT_TRUE(error) << seed;
        EXPECT_EQ(error->description.rfind("the scenario's \"seed\" must be a whole number", 0), 0u)
            << error->description;
        EXPECT_EQ(kept.seed, 5u);
    }
}

// Every example a user starts from opens, and saves again to its own bytes.
TEST(Scenario, ExamplesOpenAndSaveToTheirOwnBytes) {
    const auto examples =
        std::filesystem::path(STRIDA_TEST_DATA).parent_path().parent_path() / "examples";
    int found = 0;
    for (const auto& entry : std::filesystem::directory_iterator(examples)) {
        if (entry.path().extension() != ".json") continue;
        ++found;
        Scenario scenario;
        ASSERT_FALSE(readScenario(entry.path(), scenario)) << entry.path();
        EXPECT_EQ(scenarioText(scenario), readFile(entry.path())) << entry.path();
    }
    EXPECT_EQ(found, 6);
}

}  // namespace
}  // namespace strida::test
