// The generator, parameters and reporting panels, the generator modes, picking on the canvas and
// the about box.
#include <QMdiArea>
#include <QRadioButton>
#include <QTabWidget>

#include "ui/panels/about_box.h"
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

TEST_F(PanelsTest, TwoPicksFillTheManualGeneratorAndBringItToTheFront) {
    exampleScale();
    action("mnuManualGenerator")->trigger();
    pick(1000, 500);
    EXPECT_TRUE(window.canvas()->arrowVisible());
    pick(3000, 500);
    const Settings& s = window.settings();
    EXPECT_EQ(s.InitialPx, 2.0f);
    EXPECT_EQ(s.InitialPy, 1.0f);
    EXPECT_EQ(s.TargetEx, 6.0f);
    EXPECT_EQ(s.TargetEy, 1.0f);
    EXPECT_EQ(text("frmManualPedGenerator", "txtManTargetPosX"), "6");
    EXPECT_EQ(window.mdiArea()->activeSubWindow(), window.panelWindow("frmManualPedGenerator"));
    // A value is rounded to centimetres, not cut: 1236 twips at 0.003 m each is 3.71 m.
    window.host().setM2Twips(0.003);
    pick(1236, 0);
    pick(0, 0);
    EXPECT_EQ(s.InitialPx, 3.71f);
    // A real click, through the drawing area's pixels.
    QTest::mouseClick(window.canvas(), Qt::LeftButton, {},
                      QPoint(40, window.canvas()->height() - 20));
    QTest::mouseClick(window.canvas(), Qt::LeftButton, {},
                      QPoint(80, window.canvas()->height() - 20));
    const double tpp = window.canvas()->twipsPerPixel();
    EXPECT_NEAR(s.InitialPx, 40 * tpp * 0.003, 0.006);
    EXPECT_NEAR(s.TargetEy, 20 * tpp * 0.003, 0.006);
}

TEST_F(PanelsTest, AFirstPickBeforeAModeSwitchIsCompletedAfterSwitchingBack) {
    exampleScale();
    action("mnuManualGenerator")->trigger();
    pick(1000, 500);
    action("mnuManualGenerator")->trigger();  // back to automatic: clicks pick nothing
    EXPECT_EQ(window.canvasWindow()->mode(), 0);
    pick(2000, 2000);
    EXPECT_EQ(window.settings().TargetEx, 0.0f);
    QTest::mouseClick(window.canvas(), Qt::RightButton);  // clears, stays in the cycle
    action("mnuManualGenerator")->trigger();
    pick(3000, 500);
    EXPECT_EQ(window.settings().InitialPx, 2.0f);
    EXPECT_EQ(window.settings().TargetEx, 6.0f);
}

TEST_F(PanelsTest, GeneratorModeToggles) {
    QAction* manual = action("mnuManualGenerator");
    QAction* automatic = action("mnuPedGenerator");
    PanelWindow* manualWindow = window.panelWindow("frmManualPedGenerator");
    PanelWindow* autoWindow = window.panelWindow("frmAutoPedGenerator");
    manual->trigger();
    EXPECT_TRUE(manual->isChecked());
    EXPECT_FALSE(automatic->isChecked());
    EXPECT_TRUE(manualWindow->isVisible());
    EXPECT_EQ(window.canvasWindow()->mode(), 1);
    manual->trigger();
    EXPECT_FALSE(manual->isChecked());
    EXPECT_TRUE(automatic->isChecked()) << "switching one mode off switches the other on";
    EXPECT_FALSE(manualWindow->isVisible());
    EXPECT_FALSE(autoWindow->isVisible()) << "without showing its panel";
    EXPECT_EQ(window.canvasWindow()->mode(), 0);
    automatic->trigger();
    EXPECT_TRUE(manual->isChecked());
    EXPECT_EQ(window.canvasWindow()->mode(), 1);
    automatic->trigger();
    EXPECT_TRUE(autoWindow->isVisible());
    EXPECT_TRUE(window.canvasWindow()->isVisible());
    EXPECT_FALSE(window.settings().ManualGenerator);
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
    EXPECT_FALSE(window.canvas()->arrowVisible());
    click("cmdLoadPedestrians");
    EXPECT_EQ(dialogs, 1) << "without a PedData.sdx the dialog asks";
    EXPECT_TRUE(messages.empty()) << "a cancelled dialog says nothing";
    click("cmdSavePedestrians");
    ASSERT_EQ(messages.back(), "3 data was saved.");
    window.engine().StopSimulation();
    click("cmdLoadPedestrians");
    EXPECT_EQ(dialogs, 1) << "PedData.sdx is read without asking";
    EXPECT_EQ(messages.back(), "3 Data was loaded and created in the Trap");
    EXPECT_EQ(window.engine().pedestrians().size(), 3u);
    EXPECT_EQ(window.engine().pedestrians().find("3")->Px(), 3.0f);

    in<QLineEdit>("frmManualPedGenerator", "txtManInitialVelocityX")->setText("fast");
    click("cmdCreatePed");
    EXPECT_NE(messages.back().find("Initial Velocity (Vx) is \"fast\""), std::string::npos)
        << messages.back();
    EXPECT_EQ(window.engine().pedestrians().size(), 3u);
    in<QScrollBar>("frmManualPedGenerator", "ScrlMaxSpeed")->setValue(1500);
    EXPECT_EQ(text("frmManualPedGenerator", "txtMaxSpeed"), "1.500");
}

TEST_F(PanelsTest, AutomaticGeneratorRulesEnd) {
    const char* p = "frmAutoPedGenerator";
    in<QRadioButton>(p, "optNumWays1")->click();
    in<QLineEdit>(p, "txtTotalNumberOfPedestrians")->setText("9");
    EXPECT_EQ(text(p, "txtNumPedLeft"), "4");
    EXPECT_EQ(text(p, "txtNumPedRight"), "4");
    EXPECT_EQ(in<QScrollBar>(p, "ScrlNumPedLeft")->value(), 4);
    in<QLineEdit>(p, "txtTotalNumberOfPedestrians")->setText("10");
    EXPECT_EQ(text(p, "txtNumPedLeft"), "5");
    EXPECT_EQ(window.settings().NumPedRight, "5");
    in<QLineEdit>(p, "txtNumPedLeft")->setText("7");
    EXPECT_EQ(text(p, "txtTotalNumberOfPedestrians"), "12");
    in<QLineEdit>(p, "txtTotalNumberOfPedestrians")->setText("lots");  // unreadable: sides stay
    EXPECT_EQ(text(p, "txtNumPedLeft"), "7");

    in<QLineEdit>(p, "txtPercentNumOf1stCategory")->setText("30");
    EXPECT_EQ(text(p, "txtPercentNumOf2ndCategory"), "70");
    EXPECT_EQ(in<QScrollBar>(p, "ScrlPercentNumOf2ndCategory")->value(), 70);
    in<QLineEdit>(p, "txtPercentNumOf1stCategory")->setText("abc");
    EXPECT_EQ(text(p, "txtPercentNumOf2ndCategory"), "100");
    in<QLineEdit>(p, "txtPercentNumOf2ndCategory")->setText("250");  // the other bar stops at 0
    EXPECT_EQ(text(p, "txtPercentNumOf1stCategory"), "-150");
    EXPECT_EQ(in<QScrollBar>(p, "ScrlPercentNumOf1stCategory")->value(), 0);

    auto* tabs = in<QTabWidget>(p, "TabPedGenerator");
    in<QRadioButton>(p, "OptRandomInput")->click();
    EXPECT_FALSE(tabs->isTabVisible(1));
    EXPECT_TRUE(window.settings().RandomInput);
    in<QRadioButton>(p, "OptGeneratedAtOnce")->click();
    EXPECT_TRUE(tabs->isTabVisible(1));
    in<QRadioButton>(p, "opt1stMaxSpeedTheOnly")->click();
    EXPECT_TRUE(window.settings()._1stMaxSpeedTheOnly);
    EXPECT_FALSE(
        window.panelWindow(p)->findChild<QWidget*>("frm1stMaxSpeedInput")->isVisibleTo(tabs));

    in<QScrollBar>(p, "ScrlSpatialMeanInput")->setValue(0);
    EXPECT_EQ(text(p, "txtSpatialMeanInput"), "100");
    in<QScrollBar>(p, "ScrlDistGenerator2Trap")->setValue(123);
    EXPECT_EQ(text(p, "txtDistGenerator2Trap"), "12.3");
    in<QScrollBar>(p, "ScrlStdHeadwayInput")->setValue(250);
    EXPECT_EQ(text(p, "txtHeadwayStdInput"), "2.50");
    EXPECT_FALSE(in<QLineEdit>(p, "txtHeadwayStdInput")->isEnabled());
    in<QLineEdit>("frmCalibration", "txtTrapLength")->setText("32.1");
    EXPECT_EQ(text(p, "txtDistGenerator2Trap"), "16.05");
}

TEST_F(PanelsTest, ParametersPanel) {
    const char* p = "frmInputParameters";
    in<QScrollBar>(p, "HScrollPedDiameter")->setValue(75);
    EXPECT_EQ(text(p, "txtPedDiameter"), "0.75");
    EXPECT_EQ(text(p, "txtInfluenceDiameter"), "0.85");
    EXPECT_EQ(in<QScrollBar>(p, "ScrlInfluenceRadius")->minimum(), 75)
        << "the influence diameter stays at or above the body";
    in<QScrollBar>(p, "ScrlBeta")->setValue(10000);
    EXPECT_EQ(text(p, "txtBeta"), "10.000");
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

TEST_F(PanelsTest, ReportingCaptions) {
    const std::pair<const char*, const char*> boxes[] = {
        {"chkReportInstantPerformance", "(start)  Instantaneous Performance (Instant.txt)"},
        {"chkReportAvgInstantPerformance",
         "(start)  Average Instantaneous Performance (AvgInstant.txt)"},
        {"chkReportNTXY", "(start) NTXY Database (NTXY.txt)"},
        {"chkReportSystemPerformance", "System Performance (System.txt)"},
        {"chkReportTrafficPerformance", "Traffic Performance (Traffic.txt)"},
        {"chkReportIndividualPerformance", "Individual Performance (Individu.txt)"}};
    for (auto [name, caption] : boxes)
        EXPECT_EQ(in<QCheckBox>("frmReporting", name)->text().toStdString(), caption);
    auto* traffic = in<QCheckBox>("frmReporting", "chkReportTrafficPerformance");
    QTest::mouseClick(traffic, Qt::LeftButton);
    EXPECT_FALSE(traffic->isChecked()) << "the traffic report cannot be chosen";
    EXPECT_TRUE(in<QCheckBox>("frmReporting", "chkReportInstantPerformance")->isChecked());
}

TEST_F(PanelsTest, AboutBox) {
    action("mnuAboutMe")->trigger();
    AboutBox* about = window.aboutBox();
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->windowTitle(), "About Strida");
    EXPECT_EQ(about->findChild<QLabel*>("lblTitle")->text(), "Micro-Strida");
    EXPECT_EQ(about->findChild<QLabel*>("lblVersion")->text(), "Version 1.3");
    EXPECT_EQ(about->findChild<QPushButton*>("cmdSysInfo")->text(), "&System Info...");
    about->findChild<QPushButton*>("cmdSysInfo")->click();
    if (!messages.empty()) {
        EXPECT_EQ(messages.back(), "System Information Is Unavailable At This Time");
    }
    about->findChild<QPushButton*>("cmdOK")->click();
    EXPECT_FALSE(about->isVisible());
}

TEST_F(PanelsTest, AHandMadePedestrianWalksAndTheRunStopsByItself) {
    exampleScale();
    window.settings().ReportNTXY = Check::Checked;
    action("mnuManualGenerator")->trigger();
    pick(1000, 1500);
    pick(4000, 1500);
    in<QPushButton>("frmManualPedGenerator", "cmdCreatePed")->click();
    ASSERT_EQ(window.engine().pedestrians().size(), 1u);
    action("mnuStartSimulation")->trigger();
    for (int i = 0; i < 1000 && window.engine().runExists(); ++i) window.engine().SimulationTick();
    EXPECT_FALSE(window.engine().runExists());
    EXPECT_EQ(status(1), "Stop Simulation");
    const std::string ntxy = strida::test::readFile(folder.path() / "NTXY.txt");
    EXPECT_NE(ntxy.find("\r\n\"1\",\"2\",\""), std::string::npos) << ntxy.substr(0, 300);
}

}  // namespace
}  // namespace strida::ui::test
