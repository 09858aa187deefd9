// Scenario files in the window: an opened scenario shows on the panels, saves again to the same
// bytes and, opened after another, runs as strida-batch runs it; one that cannot be opened changes
// nothing.
#include "engine/scenario.h"

#include "support/batch_runner.h"
#include "ui/panels/manual_panel.h"
#include "ui_fixture.h"

namespace strida::ui::test {
namespace {

namespace fs = std::filesystem;
const fs::path kExamples = fs::path(STRIDA_TEST_DATA).parent_path().parent_path() / "examples";

// A scenario opened after another starts from a clean slate: the earlier one's hand-made
// pedestrians are gone, the trap is calibrated to the new settings, the panels and the title show
// it, each saves again to its own bytes, and a run with a fixed seed writes the same reports as
// strida-batch --scenario.
TEST_F(UiTest, AScenarioOpenedAfterAnotherRunsAsTheBatchRunnerRunsIt) {
    // Opens an example, which every text box of its settings then shows, and saves it again.
    const fs::path saved = folder.path() / "saved.json";
    auto openAndSave = [&](const char* name) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(window.openScenario(kExamples / name));
        Scenario scenario;
        ASSERT_FALSE(readScenario(kExamples / name, scenario));
        for (const auto& [setting, text] : scenario.settings) {
            const auto boxes = window.findChildren<QLineEdit*>(QString("txt") + setting.c_str());
            if (boxes.size() == 1) {
                EXPECT_EQ(boxes[0]->text().toStdString(), text) << setting;
            }
        }
        EXPECT_EQ(action("mnuManualGenerator")->isChecked(), window.settings().ManualGenerator);
        ASSERT_TRUE(window.saveScenario(saved));
        EXPECT_EQ(strida::test::readFile(saved), strida::test::readFile(kExamples / name));
    };
    QLabel* area = in<QLabel>("frmCalibration", "lblArea");
    ASSERT_TRUE(window.changeSetting("TrapLength", "20"));
    EXPECT_EQ(area->text(), "Area = 120.0 m2");
    openAndSave("hand-made-crossing.json");
    EXPECT_EQ(window.engine().pedestrians().size(), 4u);
    EXPECT_EQ(window.canvas()->loadedCircles(), 4);
    EXPECT_EQ(area->text(), "Area = 60.0 m2");
    EXPECT_EQ(window.windowTitle(), "Micro-Strida version 1.3 - hand-made-crossing");

    openAndSave("default-trap.json");  // with no pedestrian of the earlier scenario
    EXPECT_EQ(window.engine().pedestrians().size(), 0u);
    EXPECT_EQ(window.canvas()->loadedCircles(), 0);
    EXPECT_EQ(window.windowTitle(), "Micro-Strida version 1.3 - default-trap");

    in<QLineEdit>("frmRandomSeed", "txtSeed")->setText("77");
    in<QPushButton>("frmRandomSeed", "cmdOK")->click();
    QTest::keyClick(&window, Qt::Key_F5);
    for (int i = 0; i < 5000 && window.engine().runExists(); ++i) window.engine().SimulationTick();
    ASSERT_FALSE(window.engine().runExists());
    const fs::path batch = folder.path() / "batch";
    ASSERT_EQ(strida::test::batch("--scenario " + (kExamples / "default-trap.json").string() +
                                  " --seed 77 --out " + batch.string())
                  .status,
              0);
    for (const char* report : {"Instant.txt", "avgInstant.txt", "System.txt"}) {
        const std::string written = strida::test::readFile(folder.path() / report);
        EXPECT_FALSE(written.empty()) << report;
        EXPECT_TRUE(written == strida::test::readFile(batch / report)) << report;
    }
}

TEST_F(UiTest, AScenarioThatCannotBeOpenedChangesNothing) {
    const fs::path bad = folder.path() / "bad.json";
    std::ofstream(bad) << R"({"format": "strida-scenario", "version": 1,
        "settings": {"Alpha": "0.9", "TrapLength": "12", "Chi": 3}})";
    const Settings before = window.settings();
    EXPECT_FALSE(window.openScenario(bad));
    ASSERT_FALSE(messages.empty());
    EXPECT_NE(messages.back().find("\"Chi\" must be a text"), std::string::npos) << messages.back();
    EXPECT_EQ(window.settings().Alpha, before.Alpha);
    EXPECT_EQ(window.settings().TrapLength, before.TrapLength);

    QTest::keyClick(&window, Qt::Key_F5);
    ASSERT_TRUE(window.engine().runExists());
    EXPECT_FALSE(window.openScenario(kExamples / "default-trap.json"));
    EXPECT_EQ(messages.back(), "Stop the run before opening a scenario.");
    EXPECT_EQ(window.settings().ReportSystemPerformance, before.ReportSystemPerformance);
}

}  // namespace
}  // namespace strida::ui::test
