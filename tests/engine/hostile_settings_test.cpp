// Every text setting against a table of hostile values, as a script or a careless paste would give
// them: each is either refused with a message that names the setting, or the run goes on soundly,
// with no figure or report record that is not a finite number.
#include <algorithm>

#include "engine/manual_generator.h"
#include "engine/setting_readers.h"
#include "engine/settings_rules.h"
#include "support/engine_fixture.h"

namespace strida::test {
namespace {

bool holdsNonFinite(const std::string& text) {
    for (const char* word : {"nan", "NaN", "inf", "Infinity"})
        if (text.find(word) != std::string::npos) return true;
    return false;
}

// How the run is made: all at once (the default), by headway, or by hand with forces that meet.
enum class Made { AtOnce, ByHeadway, ByHand };

TEST(HostileSettings, EveryTextSettingHasOneReaderUnderItsName) {
    int texts = 0;
    for (const SettingInfo& info : settingTable()) {
        if (info.kind != SettingInfo::Kind::Text) continue;
        ++texts;
        const auto readers = settingReaders();
        const auto found = std::count_if(readers.begin(), readers.end(), [&](const auto& r) {
            return r.text == info.text && r.name == info.name;
        });
        EXPECT_EQ(found, 1) << info.name;
    }
    EXPECT_EQ(static_cast<std::size_t>(texts), settingReaders().size());
}

TEST(HostileSettings, EveryTextSettingRefusesOrRunsSoundly) {
    const std::string huge(100000, '7');
    const std::string values[] = {"",     "letters", "0",     "-1",  "1e308", "-1e308",
                                  "NaN",  "inf",     "1,5",   " 7 ", huge,    "10\r\n\"x\",\"y",
                                  "3\t4", "0.0001",  "1e-300"};
    int refused = 0, ran = 0;
    for (const SettingInfo& info : settingTable()) {
        if (info.kind != SettingInfo::Kind::Text) continue;
        for (const std::string& value : values)
            for (const Made made : {Made::AtOnce, Made::ByHeadway, Made::ByHand}) {
                const std::string what = std::string(info.name) + "=" + value.substr(0, 20) +
                                         " made " + std::to_string(static_cast<int>(made));
                Settings settings;
                if (made == Made::ByHeadway) {
                    applySetting(settings, "RandomInput", "1");
                    applySetting(settings, "NormalHeadwayDistInput", "1");
                }
                if (made == Made::ByHand) applySetting(settings, "ManualGenerator", "1");
                settings.ReportSystemPerformance = Check::Checked;
                settings.ReportNTXY = Check::Checked;
                if (MaybeError error = applySetting(settings, info.name, value)) {
                    ++refused;
                    EXPECT_EQ(error->description.rfind(std::string(info.name) + " ", 0), 0u)
                        << what << ": " << error->description;
                    EXPECT_TRUE(isPrintableText(error->description)) << what;
                    continue;
                }
                EXPECT_TRUE(isPrintableText(value)) << what << ": a control character was taken";
                TempFolder folder;
                HeadlessHost host;
                host.setArea(5000, 3000);
                host.setM2Twips(0.002);
                Engine engine(settings, host, folder.path(), 5);
                ++ran;
                // Two hand-made pedestrians head-on within each other's reach, so that every force
                // between them works from the first step.
                ManualGenerator hands(engine);
                if (made == Made::ByHand) {
                    for (const auto& [from, to] : {std::pair{"4.5", "9"}, std::pair{"5.5", "1"}}) {
                        for (const auto& [name, text] : {std::pair{"InitialPx", from},
                                                         {"InitialPy", "3"},
                                                         {"TargetEx", to},
                                                         {"TargetEy", "3"}})
                            ASSERT_FALSE(engine.changeSetting(name, text));
                        hands.createPedestrian();
                    }
                }
                if (engine.StartSimulation())
                    for (int i = 0; i < 40 && engine.runExists(); ++i) engine.SimulationTick();
                engine.StopSimulation();
                for (const auto& m : host.shown().messages) {
                    // What the step would stop on is refused before the run starts, with the
                    // message the step would give.
                    EXPECT_EQ(m.text.rfind("The run is paused", 0), std::string::npos)
                        << what << ": " << m.text;
                    // A value too long to show whole is shown by its start.
                    EXPECT_LT(m.text.size(), 400u) << what << ": " << m.text.substr(0, 400);
                }
                for (const PerformanceField& field : kPerformanceFields) {
                    const std::string& figure = engine.performance().*field.text;
                    EXPECT_FALSE(holdsNonFinite(figure)) << what << ": " << figure;
                }
                for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
                    // The run's record keeps every setting's text as it was typed.
                    if (entry.path().filename() == "manifest.json") continue;
                    const std::string bytes = readFile(entry.path());
                    EXPECT_FALSE(holdsNonFinite(bytes)) << what << ": " << entry.path().filename();
                }
            }
    }
    EXPECT_GT(refused, 0);
    EXPECT_GT(ran, 0);
}

}  // namespace
}  // namespace strida::test
