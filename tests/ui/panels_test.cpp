// The generator, parameters, reporting, trajectories and seed panels, the generator modes, picking
// on the canvas, the about box, and the settings that all of them change, set as the batch runner
// sets them.
#include <QMdiArea>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabWidget>

#include "engine/headless_host.h"
#include "engine/settings_rules.h"
#include "measure/run_manifest.h"
#include "support/batch_runner.h"
#include "ui/panels/about_box.h"
#include "ui/panels/bindings.h"
#include "ui/panels/manual_panel.h"
#include "ui_fixture.h"

namespace strida::ui::test {
namespace {

class PanelsTest : public UiTest {
  protected:
    // The drawing area of the 4500 x 3000 twips example, calibrated to 0.002 m per twip.
    void exampleScale() {
        window.canvasWindow()->setArea(4500, 3000);
        window.calibrate();
        ASSERT_DOUBLE_EQ(window.host().m2Twips(), 0.002);
    }
    void pick(double x, double y) { emit window.canvas()->pressed(Qt::LeftButton, QPointF(x, y)); }
    QString text(const char* panel, const char* box) { return in<QLineEdit>(panel, box)->text(); }
};

// Each generator mode's menu item switches the other off and brings its panel. (What a pick on the
// canvas gives is the settings parity test's, the pointer's pixels in metres the status bar's.)
TEST_F(PanelsTest, GeneratorModesToggleAndBringTheirPanels) {
    QAction* manual = action("mnuManualGenerator");
    QAction* automatic = action("mnuPedGenerator");
    manual->trigger();
    EXPECT_FALSE(automatic->isChecked()) << "switching one mode on switches the other off";
    EXPECT_TRUE(window.panelWindow("frmManualPedGenerator")->isVisible());
    automatic->trigger();
    EXPECT_FALSE(manual->isChecked());
    EXPECT_TRUE(window.panelWindow("frmAutoPedGenerator")->isVisible());
}

TEST_F(PanelsTest, CreateSaveAndLoadThroughThePanel) {
    ManualPanel* panel = window.manualPanel();
    int dialogs = 0;
    panel->chooseFile = [&dialogs](const QString&) {
        ++dialogs;
        return QString();  // cancelled
    };
    auto click = [this](const char* name) {
        in<QPushButton>("frmManualPedGenerator", name)->click();
    };
    for (int i = 0; i < 3; ++i) {
        panel->setInitialPx(1.0f + i);
        panel->setTargetEx(9.0f);
        click("cmdCreatePed");
    }
    EXPECT_EQ(in<QLabel>("frmManualPedGenerator", "lblPedNumber")->text(),
              "Pedestrian Number: 3 is created.");
    click("cmdLoadPedestrians");
    EXPECT_EQ(dialogs, 1) << "without a PedData.sdx the dialog asks";
    EXPECT_TRUE(messages.empty()) << "a cancelled dialog says nothing";
    click("cmdSavePedestrians");
    ASSERT_TRUE(messages.back().starts_with("3 data was saved. The file is /")) << messages.back();
    ASSERT_TRUE(messages.back().ends_with("/PedData.sdx.")) << messages.back();
    window.engine().StopSimulation();
    click("cmdLoadPedestrians");
    EXPECT_EQ(dialogs, 1) << "PedData.sdx is read without asking";
    EXPECT_EQ(messages.back(), "3 Data was loaded and created in the Trap");
    EXPECT_EQ(window.engine().pedestrians().size(), 3u);
    EXPECT_EQ(window.engine().pedestrians().find("3")->Px(), 3.0f);

    in<QLineEdit>("frmManualPedGenerator", "txtManInitialVelocityX")->setText("fast");
    click("cmdCreatePed");
    EXPECT_NE(messages.back().find("InitialVx is \"fast\""), std::string::npos) << messages.back();
    EXPECT_EQ(window.engine().pedestrians().size(), 3u);
}

// The rules that tie the automatic generator's settings together move the scroll bars too, and
// the options hide what they leave unused.
TEST_F(PanelsTest, AutomaticGeneratorBarsFollowTheRulesAndOptionsHideWhatTheyDisable) {
    const char* p = "frmAutoPedGenerator";
    in<QRadioButton>(p, "optNumWays1")->click();
    in<QLineEdit>(p, "txtTotalNumberOfPedestrians")->setText("9");
    EXPECT_EQ(in<QScrollBar>(p, "ScrlNumPedLeft")->value(), 4);
    in<QLineEdit>(p, "txtPercentNumOf1stCategory")->setText("30");
    EXPECT_EQ(in<QScrollBar>(p, "ScrlPercentNumOf2ndCategory")->value(), 70);
    in<QLineEdit>(p, "txtPercentNumOf2ndCategory")->setText("250");  // the other bar stops at 0
    EXPECT_EQ(text(p, "txtPercentNumOf1stCategory"), "-150");
    EXPECT_EQ(in<QScrollBar>(p, "ScrlPercentNumOf1stCategory")->value(), 0);

    auto* tabs = in<QTabWidget>(p, "TabPedGenerator");
    in<QRadioButton>(p, "OptRandomInput")->click();
    EXPECT_FALSE(tabs->isTabVisible(1));
    in<QRadioButton>(p, "OptGeneratedAtOnce")->click();
    EXPECT_TRUE(tabs->isTabVisible(1));
    in<QRadioButton>(p, "opt1stMaxSpeedTheOnly")->click();
    EXPECT_FALSE(
        window.panelWindow(p)->findChild<QWidget*>("frm1stMaxSpeedInput")->isVisibleTo(tabs));

    // The spatial mean's bar stands upright, 100 % at its top.
    in<QScrollBar>(p, "ScrlSpatialMeanInput")->setValue(0);
    EXPECT_EQ(text(p, "txtSpatialMeanInput"), "100");
    in<QScrollBar>(p, "ScrlStdHeadwayInput")->setValue(250);
    EXPECT_EQ(text(p, "txtHeadwayStdInput"), "2.50");
    EXPECT_FALSE(in<QLineEdit>(p, "txtHeadwayStdInput")->isEnabled());
}

TEST_F(PanelsTest, TheInfluenceBarStaysAboveTheBodyAndAPastedLineBreakIsNotTaken) {
    const char* p = "frmInputParameters";
    in<QScrollBar>(p, "HScrollPedDiameter")->setValue(75);
    EXPECT_EQ(text(p, "txtInfluenceDiameter"), "0.85");
    EXPECT_EQ(in<QScrollBar>(p, "ScrlInfluenceRadius")->minimum(), 75)
        << "the influence diameter stays at or above the body";
    in<QLineEdit>(p, "txtAlpha")->setText("0.5");
    EXPECT_EQ(in<QScrollBar>(p, "ScrlAlpha")->value(), 205) << "typing leaves the bar";
    EXPECT_EQ(window.settings().Alpha, "0.5");
    // A pasted line break is not taken into a setting.
    QLineEdit* alpha = in<QLineEdit>(p, "txtAlpha");
    alpha->selectAll();
    alpha->insert("0.3\r\n\"x\"");
    QTest::keyClicks(alpha, "\t");
    EXPECT_EQ(window.settings().Alpha, "0.5");
}

// The traffic report is shown on the reporting panel but cannot be chosen.
TEST_F(PanelsTest, TheTrafficReportCannotBeChosen) {
    auto* traffic = in<QCheckBox>("frmReporting", "chkReportTrafficPerformance");
    QTest::mouseClick(traffic, Qt::LeftButton);
    EXPECT_FALSE(traffic->isChecked());
}

// With no system-information tool to be found, the about box says so.
TEST_F(PanelsTest, AboutBoxWithoutASystemInformationTool) {
    action("mnuAboutMe")->trigger();
    AboutBox* about = window.aboutBox();
    ASSERT_NE(about, nullptr);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", "/nonexistent");
    about->findChild<QPushButton*>("cmdSysInfo")->click();
    qputenv("PATH", path);
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back(), "System Information Is Unavailable At This Time");
}

// Every setting of the table is driven through each control bound to it (text box, the scroll bar
// beside it, check box, option button, menu item, speed bar, a pick on the canvas), and the same
// values go through the batch runner's door, an engine of its own; after every step the two
// records are equal in every setting. A setting with no control to drive fails.
class SettingsParityTest : public PanelsTest {
  protected:
    void expectSame(const std::string& step) {
        for (const SettingInfo& info : settingTable())
            EXPECT_EQ(settingText(window.settings(), info), settingText(batch.settings(), info))
                << info.name << " after " << step;
    }
    void alsoInBatch(const std::string& name, const std::string& value, const std::string& step) {
        ASSERT_FALSE(batch.changeSetting(name, value)) << name << "=" << value;
        expectSame(step);
    }
    template <typename T>
    std::vector<T*> boundTo(const SettingInfo& info) {
        std::vector<T*> found;
        for (T* control : window.findChildren<T*>())
            if (boundSetting(control) == info.name) found.push_back(control);
        return found;
    }

    // Each driver returns how many controls it drove for the setting.
    int typeAndMove(const SettingInfo& info) {
        int driven = 0;
        for (QLineEdit* box : boundTo<QLineEdit>(info)) {
            for (const char* text : {"9", "0.5", "30"}) {
                if (!box->isEnabled()) break;  // edited only through its scroll bar
                box->selectAll();
                QTest::keyClicks(box, text);
                EXPECT_EQ(box->text(), text) << box->objectName().toStdString();
                alsoInBatch(
                    std::string(info.name), text,
                    "typing " + std::string(text) + " into " + box->objectName().toStdString());
            }
            ++driven;
        }
        for (QScrollBar* bar : boundTo<QScrollBar>(info)) {
            for (int position :
                 {bar->minimum() + (bar->maximum() - bar->minimum()) / 3, bar->maximum()}) {
                bar->setValue(position);
                // The text the bar wrote into its box is what the batch runner is given.
                const auto boxes = boundTo<QLineEdit>(info);
                if (boxes.empty()) return 0;
                alsoInBatch(std::string(info.name), boxes.front()->text().toStdString(),
                            "moving " + bar->objectName().toStdString() + " to " +
                                std::to_string(position));
            }
            ++driven;
        }
        return driven;
    }
    int click(const SettingInfo& info) {
        int driven = 0;
        for (QCheckBox* box : boundTo<QCheckBox>(info))
            for (int twice = 0; twice < 2; ++twice, ++driven) {
                box->click();
                alsoInBatch(std::string(info.name), box->isChecked() ? "1" : "0",
                            "clicking " + box->objectName().toStdString());
            }
        for (QRadioButton* option : boundTo<QRadioButton>(info)) {
            option->click();
            alsoInBatch(std::string(info.name), boundValue(option),
                        "clicking " + option->objectName().toStdString());
            ++driven;
        }
        // Once every option of a group has been chosen, the group's first is chosen again, so
        // that the controls it hides (the "Space" tab behind headway timing) come back.
        const SettingInfo* first = nullptr;
        const SettingInfo* last = nullptr;
        for (const SettingInfo& other : settingTable()) {
            if (other.kind != SettingInfo::Kind::Option || other.group != info.group) continue;
            if (!first) first = &other;
            last = &other;
        }
        if (info.kind == SettingInfo::Kind::Option && last == &info && first != &info) {
            for (QRadioButton* option : boundTo<QRadioButton>(*first)) option->click();
            alsoInBatch(std::string(first->name), "1", "choosing the first option again");
        }
        return driven;
    }
    int chooseMenu(const SettingInfo& info) {
        QAction* item = action(("mnu" + std::string(info.name)).c_str());
        for (int twice = 0; twice < 2; ++twice) {
            const bool on = settingText(batch.settings(), info) == "1";
            item->trigger();
            alsoInBatch(std::string(info.name), on ? "0" : "1",
                        "choosing " + item->objectName().toStdString());
        }
        return 1;
    }
    int slideSpeed(const SettingInfo& info) {
        for (int ms : {500, 1}) {
            in<QScrollBar>("frmSimSpeed", "ScrlSimSpeed")->setValue(ms);
            alsoInBatch(std::string(info.name), std::to_string(ms), "sliding the speed");
        }
        EXPECT_EQ(window.timer()->interval(), 1);
        return 1;
    }
    // One pick sets all four positions.
    void pickOnce() {
        if (picked) return;
        picked = true;
        if (!window.settings().ManualGenerator) {
            action("mnuManualGenerator")->trigger();
            alsoInBatch("ManualGenerator", "1", "choosing the manual generator");
        }
        // The example's trap, which typing and sliding have changed.
        for (auto [name, metres] : {std::pair{"TrapLength", "10"}, {"TrapWidth", "6"}}) {
            ASSERT_TRUE(window.changeSetting(name, metres));
            alsoInBatch(name, metres, "setting the trap back");
        }
        exampleScale();
        pick(1238, 503);
        pick(3001, 1499);
        for (auto [name, metres] : {std::pair{"InitialPx", "2.48"},
                                    {"InitialPy", "1.01"},
                                    {"TargetEx", "6"},
                                    {"TargetEy", "3"}})
            EXPECT_FALSE(batch.changeSetting(name, metres));
        expectSame("a pick");
        EXPECT_EQ(text("frmManualPedGenerator", "txtManInitialPosX"), "2.48");
    }
    int drive(const SettingInfo& info) {
        using K = SettingInfo::Kind;
        switch (info.kind) {
            case K::Text:
                return typeAndMove(info);
            case K::Check:
            case K::Option:
            case K::Ways:
            case K::Choice:
                return click(info);
            case K::MenuCheck:
                return chooseMenu(info);
            case K::Number:
                return slideSpeed(info);
            case K::Position:
                pickOnce();
                return 1;
        }
        return 0;
    }

    HeadlessHost batchHost;
    Engine batch{batchHost, folder.path()};
    bool picked = false;
};

TEST_F(SettingsParityTest, EveryControlChangesTheSettingsAsTheBatchRunnersDoorDoes) {
    for (const SettingInfo& info : settingTable()) {
        SCOPED_TRACE(std::string(info.name));
        EXPECT_GT(drive(info), 0) << info.name << " has no control on any panel, menu or canvas";
    }
    // Every bound control shows its setting, also those that a rule changed.
    auto value = [this](const std::string& name) {
        return settingText(batch.settings(), *findSetting(name));
    };
    for (QWidget* control : window.findChildren<QWidget*>()) {
        const std::string name = boundSetting(control);
        if (name.empty()) continue;
        if (auto* box = qobject_cast<QLineEdit*>(control)) {
            EXPECT_EQ(box->text().toStdString(), value(name)) << name;
        } else if (auto* check = qobject_cast<QCheckBox*>(control)) {
            EXPECT_EQ(check->isChecked(), value(name) == "1") << name;
        } else if (auto* option = qobject_cast<QRadioButton*>(control)) {
            EXPECT_EQ(option->isChecked(), value(name) == boundValue(option)) << name;
        }
    }
}

// The trajectories and seed panels, and the files a run with trajectories leaves in the report
// folder: the trajectory file and manifest.json.
class TrajectoriesTest : public PanelsTest {
  protected:
    void turnOn(const char* format = "optText") {
        in<QCheckBox>("frmTrajectories", "chkWriteTrajectories")->click();
        in<QRadioButton>("frmTrajectories", format)->click();
    }
    // Types into a box and ends the edit with Return.
    void enter(const char* panel, const char* box, const QString& text) {
        QLineEdit* edit = in<QLineEdit>(panel, box);
        edit->setText(text);
        QTest::keyClick(edit, Qt::Key_Return);
    }
    void fixSeed(const QString& seed) {
        enter("frmRandomSeed", "txtSeed", seed);
        in<QPushButton>("frmRandomSeed", "cmdOK")->click();
    }
    std::vector<std::filesystem::path> files() { return window.engine().trajectoryFiles(); }
    RunManifest manifest() {
        RunManifest m;
        EXPECT_FALSE(readManifest(folder.path() / "manifest.json", m));
        return m;
    }
};

// The file a run will write follows the check box, the format and the name; refused names and
// seeds change nothing, and a cleared seed leaves every run its own.
TEST_F(TrajectoriesTest, TheFileFollowsThePanelAndRefusedNamesAndSeedsChangeNothing) {
    EXPECT_TRUE(files().empty());
    turnOn("optSQLite");
    for (const QString& name : {QString(""), QString("runs/a"), QString("runs\\a"), QString("a\tb"),
                                QString("ntxy"), QString("Instant")}) {
        messages.clear();
        enter("frmTrajectories", "txtFileName", name);
        EXPECT_EQ(files(), std::vector<std::filesystem::path>{"trajectories.sqlite"})
            << name.toStdString();
        EXPECT_EQ(text("frmTrajectories", "txtFileName"), "trajectories") << name.toStdString();
        ASSERT_EQ(messages.size(), 1u) << name.toStdString();
        EXPECT_NE(messages[0].find("trajectories.sqlite"), std::string::npos) << messages[0];
    }
    enter("frmTrajectories", "txtFileName", "run 1");
    EXPECT_EQ(files(), std::vector<std::filesystem::path>{"run 1.sqlite"});
    in<QCheckBox>("frmTrajectories", "chkWriteTrajectories")->click();
    EXPECT_TRUE(files().empty());
    fixSeed("42");
    for (const char* seed : {"-1", "4x", "18446744073709551616", "", "1.5"}) {
        messages.clear();
        fixSeed(seed);
        EXPECT_EQ(messages.size(), 1u) << seed;
        EXPECT_EQ(in<QLabel>("frmRandomSeed", "lblSeedState")->text(),
                  "Every run starts from seed 42.")
            << seed;
        EXPECT_EQ(text("frmRandomSeed", "txtSeed"), "42") << seed;
    }
    in<QPushButton>("frmRandomSeed", "cmdClear")->click();
    EXPECT_EQ(in<QLabel>("frmRandomSeed", "lblSeedState")->text(),
              "Each run is seeded from the time of day.");
}

// A run of the window with hand-made pedestrians, reports and trajectories is recorded whole in
// manifest.json, so the batch runner repeats it byte for byte in another folder and leaves the
// window's files alone. Stopped by the command, the next run says so in its manifest.
TEST_F(TrajectoriesTest, ADesktopRunIsRecordedInItsManifestAndReplaysInTheBatchRunner) {
    action("mnuManualGenerator")->trigger();
    ManualPanel* panel = window.manualPanel();
    const float starts[][4] = {{0.5f, 3, 12, 3}, {9.5f, 3.2f, -2, 3}, {4, -1.5f, 4.5f, 8}};
    for (const auto& p : starts) {
        panel->setInitialPx(p[0]);
        panel->setInitialPy(p[1]);
        panel->setTargetEx(p[2]);
        panel->setTargetEy(p[3]);
        in<QPushButton>("frmManualPedGenerator", "cmdCreatePed")->click();
    }
    in<QCheckBox>("frmReporting", "chkReportNTXY")->click();
    turnOn();
    QTest::keyClick(&window, Qt::Key_F5);
    for (int i = 0; i < 5000 && window.engine().runExists(); ++i) window.engine().SimulationTick();
    ASSERT_FALSE(window.engine().runExists());
    // The record holds the hand-made pedestrians, and the panel shows the seed drawn for the run.
    RunManifest m = manifest();
    ASSERT_EQ(m.pedestrians.size(), 3u);
    EXPECT_EQ(m.pedestrians[1].fields[2], 3.2f);
    EXPECT_EQ(m.ending, "finished");
    EXPECT_NEAR(m.seconds, m.steps * window.engine().dt(), 1e-9);
    EXPECT_EQ(in<QLabel>("frmTrajectories", "lblSeed")->text().toStdString(),
              "The last run started from seed " + std::to_string(m.seed) + ".");
    const char* files[] = {"Instant.txt", "NTXY.txt", "avgInstant.txt", "trajectories.txt"};
    std::vector<std::string> written;
    for (const char* file : files) written.push_back(strida::test::readFile(folder.path() / file));
    ASSERT_GT(written[1].size(), 1000u);

    strida::test::TempFolder again;
    ASSERT_EQ(strida::test::batch("--replay " + (folder.path() / "manifest.json").string() +
                                  " --out " + again.path().string())
                  .status,
              0);
    for (std::size_t i = 0; i < written.size(); ++i) {
        EXPECT_TRUE(strida::test::readFile(again.path() / files[i]) == written[i]) << files[i];
        EXPECT_TRUE(strida::test::readFile(folder.path() / files[i]) == written[i]) << files[i];
    }

    // The next run, stopped by the command. (The record of a stop is the engine's abandoned-step
    // test's; the files a record lists the batch runner's replay test's.)
    QTest::keyClick(&window, Qt::Key_F5);
    for (int i = 0; i < 5; ++i) window.engine().SimulationTick();
    EXPECT_EQ(manifest().ending, "running");
    QTest::keyClick(&window, Qt::Key_F5);
    EXPECT_EQ(manifest().ending, "stopped");
    EXPECT_TRUE(messages.empty()) << messages.front();
}

}  // namespace
}  // namespace strida::ui::test
