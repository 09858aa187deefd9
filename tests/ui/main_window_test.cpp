// The main window: its menus, the run commands and their signs, the trap canvas and the panels
// of the run's settings and figures.
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTabWidget>
#include <QTimer>

#include "engine/calibration.h"
#include "ui/panels/about_box.h"
#include "ui_fixture.h"

namespace strida::ui::test {
namespace {

// The signs of a run that is over, stopped or finished by itself.
void expectStopped(MainWindow& w) {
    EXPECT_EQ(w.action("mnuStartSimulation")->text(), "&Start");
    EXPECT_EQ(w.action("mnuPauseSimulation")->text(), "&Pause");
    EXPECT_FALSE(w.action("mnuPauseSimulation")->isEnabled());
    EXPECT_EQ(w.statusPanel(1)->text(), "Stop Simulation");
    EXPECT_EQ(w.statusPanel(2)->text(), "");
    EXPECT_FALSE(w.timer()->isActive());
    EXPECT_EQ(w.canvas()->loadedCircles(), 0);
}

// A run started with F5 shows its signs; a pause chosen while a step lets events in is taken when
// they have run; continued, the run walks to its end by itself. Stopped while paused, the next
// run leaves the same signs.
TEST_F(UiTest, ARunStartedWithF5ShowsItsSignsPausesBetweenStepsAndFinishes) {
    QAction* start = action("mnuStartSimulation");
    QAction* pause = action("mnuPauseSimulation");
    EXPECT_FALSE(pause->isEnabled());
    EXPECT_EQ(status(1), "");
    ASSERT_TRUE(window.changeSetting("TotalNumberOfPedestrians", "4"));  // 2 from each side
    QTest::keyClick(&window, Qt::Key_F5);
    ASSERT_TRUE(window.engine().runExists());
    EXPECT_EQ(window.canvas()->loadedCircles(), 4);
    EXPECT_EQ(start->text(), "&Stop");
    EXPECT_TRUE(pause->isEnabled());
    EXPECT_EQ(status(1), "Running Simulation");
    EXPECT_TRUE(window.timer()->isActive());

    bool runningWhenChosen = false;
    QTimer::singleShot(0, &window, [&] {
        pause->trigger();
        runningWhenChosen = window.engine().IsRunning();
    });
    window.engine().SimulationTick();
    EXPECT_TRUE(runningWhenChosen) << "the step was not entered while it let events in";
    EXPECT_FALSE(window.engine().IsRunning());
    EXPECT_EQ(window.engine().StepCount(), 1);
    EXPECT_EQ(pause->text(), "&Continue");
    EXPECT_EQ(status(1), "Pause Simulation");
    EXPECT_EQ(status(2), "0.07 seconds");
    EXPECT_FALSE(window.timer()->isActive());
    pause->trigger();
    EXPECT_EQ(pause->text(), "&Pause");
    EXPECT_EQ(status(1), "Running Simulation");

    for (int i = 0; i < 3000 && window.engine().runExists(); ++i) window.engine().SimulationTick();
    EXPECT_FALSE(window.engine().runExists()) << "an all-at-once run ends when its trap empties";
    expectStopped(window);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the busy pointer is gone";

    start->trigger();
    pause->trigger();
    start->trigger();
    expectStopped(window);
}

// Output → Per-Pedestrian Table...: nothing to save before a run; after one, a line for each of
// its pedestrians in the file chosen; a file that cannot be written says why once and leaves
// nothing behind.
TEST_F(UiTest, PerPedestrianTableSavesTheLastRunsPedestrians) {
    int asked = 0;
    std::filesystem::path chosen;
    window.chooseTableFile = [&] {
        ++asked;
        return chosen;
    };
    action("mnuPedestrianTable")->trigger();
    EXPECT_EQ(asked, 0);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0],
              "There is no run to tabulate yet: the table holds the pedestrians of the run under "
              "way or of the last one.");

    action("mnuStartSimulation")->trigger();
    window.timer()->stop();
    for (int i = 0; i < 30; ++i) window.engine().SimulationTick();
    action("mnuStartSimulation")->trigger();  // stops it
    chosen = folder.path() / "peds.csv";
    action("mnuPedestrianTable")->trigger();
    EXPECT_EQ(messages.size(), 1u);
    const std::vector<std::string> lines =
        strida::test::split(strida::test::readFile(chosen), '\n');
    ASSERT_EQ(lines.size(), 11u);  // the header and the ten pedestrians of the default trap
    EXPECT_TRUE(lines[0].starts_with("id,direction,color,max_speed,created,entered"));
    EXPECT_TRUE(lines[10].starts_with("10,EW,2,"));
    EXPECT_NE(window.statusPanel(3)->text().toStdString().find("peds.csv"), std::string::npos);

    chosen = folder.path() / "missing" / "peds.csv";
    action("mnuPedestrianTable")->trigger();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_NE(
        messages[1].find("The per-pedestrian table " + chosen.string() + " could not be written"),
        std::string::npos)
        << messages[1];
    EXPECT_TRUE(messages[1].ends_with(": No such file or directory.")) << messages[1];
    EXPECT_FALSE(std::filesystem::exists(chosen.string() + ".part"));
}

TEST_F(UiTest, CalibrationPanelFitsTheCanvasOrSaysWhatIsWrong) {
    window.canvasWindow()->setArea(4500, 3000);
    in<QPushButton>("frmCalibration", "cmdCalibrate")->click();
    EXPECT_DOUBLE_EQ(window.host().m2Twips(), 0.002);
    EXPECT_DOUBLE_EQ(window.canvas()->areaWidth(), 5000);
    EXPECT_EQ(in<QLabel>("frmCalibration", "lblArea")->text(), "Area = 60.0 m2");

    // A size the calibration refuses is said, and the canvas and the scale stay as they were.
    in<QLineEdit>("frmCalibration", "txtTrapLength")->setText("200");
    const QImage shown = window.canvas()->grab().toImage();
    in<QPushButton>("frmCalibration", "cmdCalibrate")->click();
    EXPECT_EQ(window.canvas()->grab().toImage(), shown) << "the canvas shows what it showed";
    EXPECT_EQ(messages, std::vector<std::string>{kRangeMessage});
    EXPECT_DOUBLE_EQ(window.host().m2Twips(), 0.002) << "a refused calibration keeps the scale";
}

TEST_F(UiTest, ResizingTheCanvasWindowEndsCalibrated) {
    CanvasWindow* w = window.canvasWindow();
    const double before = window.host().m2Twips();
    w->resize(w->width() + 150, w->height() + 90);
    QApplication::processEvents();
    const double m2t = window.host().m2Twips();
    EXPECT_GT(m2t, 0);
    EXPECT_LT(m2t, before) << "a larger window shows the trap at a larger scale";
    EXPECT_NEAR(window.canvas()->areaWidth() * m2t, 10, 0.05);
    EXPECT_NEAR(window.canvas()->areaHeight() * m2t, 6, 0.05);
    // Made smaller than anything it can show, the window leaves the area and the scale valid.
    w->resize(1, 1);
    QApplication::processEvents();
    EXPECT_GT(window.host().m2Twips(), 0);
    EXPECT_GT(window.canvas()->areaWidth(), 0);
}

TEST_F(UiTest, PanelsClosedByTheirFrameComeBackWithTheirValues) {
    PanelWindow* w = window.panelWindow("frmDrawingControl");
    action("mnuShowDrawing")->trigger();
    ASSERT_TRUE(w->isVisible());
    in<QCheckBox>("frmDrawingControl", "chkSightBox")->setChecked(true);
    w->close();
    EXPECT_FALSE(w->isVisible());
    action("mnuShowDrawing")->trigger();
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(in<QCheckBox>("frmDrawingControl", "chkSightBox")->isChecked());
    in<QPushButton>("frmDrawingControl", "cmdClose")->click();
    EXPECT_FALSE(w->isVisible());
}

TEST_F(UiTest, PointerPositionInTheStatusBar) {
    EXPECT_EQ(CanvasWindow::pointerText(150, 300, 0.01).toStdString(),
              "(x,y) = 1.50 m , 3.00 m = 150 twips , 300 twips");
    TrapCanvas* canvas = window.canvas();
    const double tpp = canvas->twipsPerPixel();
    QTest::mouseMove(canvas, QPoint(10, canvas->height() - 20));
    const double m2t = window.host().m2Twips();
    EXPECT_EQ(status(3), CanvasWindow::pointerText(10 * tpp, 20 * tpp, m2t));
}

TEST_F(UiTest, PedestriansAreDrawnWithTheirOverlaysAndARightClickClears) {
    for (const char* setting : {"VelocityLine", "PrintID"})
        ASSERT_TRUE(window.changeSetting(setting, "1"));
    ASSERT_TRUE(window.changeSetting("DistGenerator2Trap", "2"));
    action("mnuStartSimulation")->trigger();
    window.engine().SimulationTick();
    TrapCanvas* canvas = window.canvas();
    EXPECT_EQ(canvas->loadedCircles(), 10);
    EXPECT_GT(canvas->overlayCount(), 0);
    QTest::mouseClick(canvas, Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_EQ(canvas->overlayCount(), 0);
    EXPECT_EQ(canvas->loadedCircles(), 10) << "the pedestrians' circles survive clearing";
}

TEST_F(UiTest, CirclesLargerThanTheCanvasCostOnlyWhatIsSeen) {
    TrapCanvas* canvas = window.canvas();
    const double twips = canvas->twipsPerPixel();
    const QSize size = canvas->size();
    // A filled circle 300 m across centred on the canvas covers it; an outlined one a billion
    // kilometres across shows an edge; one far off shows nothing.
    const float huge = static_cast<float>(1e5 * size.width() * twips);
    canvas->placeCircle(1, static_cast<float>(size.width() * twips / 2 - huge / 2),
                        static_cast<float>(-size.height() * twips / 2 + huge / 2), huge);
    canvas->paintCircle(1, QColor(255, 0, 0), true);
    canvas->setCircleVisible(1, true);
    canvas->placeCircle(2, 0, 1e20f, 2e20f);
    canvas->paintCircle(2, QColor(0, 0, 255), false);
    canvas->setCircleVisible(2, true);
    canvas->placeCircle(3, 3e30f, 0, 1e10f);
    canvas->paintCircle(3, QColor(0, 255, 0), true);
    canvas->setCircleVisible(3, true);
    const QImage shot = canvas->grab().toImage();
    EXPECT_EQ(shot.pixelColor(size.width() / 2, size.height() / 2), QColor(255, 0, 0));
    EXPECT_LT(canvas->stampBytes(), 8 << 20);
}

TEST_F(UiTest, HelpContentsAnswersWhileTheRunGoesOn) {
    action("mnuStartSimulation")->trigger();
    action("mnuHelpContents")->trigger();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "Sorry, no Help file for this version.");
    EXPECT_TRUE(window.engine().IsRunning());
}

// The room the window takes on a screen of 1280 x 800 and of 1600 x 1000.
class WindowRoom : public UiTest {
  protected:
    static constexpr QSize kScreens[] = {{1280, 800}, {1600, 1000}};
    void fillScreen(QSize screen) {
        window.resize(screen * 9 / 10);
        QApplication::processEvents();
    }
    // The drawing area of the trap canvas, in the main area's coordinates.
    QRect drawingArea() {
        QWidget* view = window.canvasWindow()->view();
        return QRect(view->mapTo(window.mdiArea()->viewport(), QPoint(0, 0)), view->size());
    }
    std::vector<QMdiSubWindow*> openWindows() {
        std::vector<QMdiSubWindow*> open;
        for (QMdiSubWindow* sub : window.mdiArea()->subWindowList())
            if (sub->isVisible()) open.push_back(sub);
        return open;
    }
    // Every open window lies in the visible part of the main area.
    void expectAllInView(const std::string& when) {
        const QRect area = window.mdiArea()->viewport()->rect();
        for (QMdiSubWindow* sub : openWindows())
            EXPECT_TRUE(area.contains(sub->geometry()))
                << when << ": " << sub->windowTitle().toStdString() << " lies beyond the area "
                << area.width() << "x" << area.height() << " at " << sub->x() << "," << sub->y()
                << " " << sub->width() << "x" << sub->height();
    }
};

// Each window opened on its own beside the start-up windows, by its menu item or its key, leaves
// the trap canvas uncovered, the charts too.
TEST_F(WindowRoom, EachWindowOpensClearOfTheCanvas) {
    QApplication::setActiveWindow(&window);
    for (QSize screen : kScreens) {
        fillScreen(screen);
        for (const char* menu :
             {"mnuInputParameters", "mnuCalibration", "mnuSimulationSpeed", "mnuRandomSeed",
              "mnuShowDrawing", "mnuForces", "mnuCharts", "mnuReporting", "mnuTrajectories",
              "mnuVideoFrames", "mnuPedGenerator", "mnuManualGenerator"}) {
            for (QMdiSubWindow* sub : openWindows())
                if (sub != window.canvasWindow() && sub->objectName() != "frmPerformanceWindow")
                    sub->hide();
            action(menu)->trigger();
            for (QMdiSubWindow* sub : openWindows()) {
                if (sub == window.canvasWindow()) continue;
                EXPECT_FALSE(sub->geometry().intersects(drawingArea()))
                    << screen.width() << ": " << menu << " opened "
                    << sub->windowTitle().toStdString() << " over the canvas";
            }
        }
        action("mnuManualGenerator")->trigger();  // off again
    }
    // Ctrl+W (Simulation Speed) typed in a text box opens its panel, clear of the canvas too.
    action("mnuCalibration")->trigger();
    QLineEdit* length = in<QLineEdit>("frmCalibration", "txtTrapLength");
    length->setFocus();
    window.panelWindow("frmSimSpeed")->hide();
    QTest::keyClick(length, Qt::Key_W, Qt::ControlModifier);
    EXPECT_TRUE(window.panelWindow("frmSimSpeed")->isVisible());
    EXPECT_FALSE(window.panelWindow("frmSimSpeed")->geometry().intersects(drawingArea()));
}

// A 30 m trap, calibrated from the start-up canvas, opens fitted inside the area; tiled either
// way, with many windows open and the canvas enlarged beyond the area, every window lies within
// the visible area.
TEST_F(WindowRoom, ALongTrapAndTilingKeepEveryWindowInView) {
    for (const char* menu : {"mnuShowPerformance", "mnuInputParameters", "mnuCalibration",
                             "mnuSimulationSpeed", "mnuForces", "mnuReporting", "mnuCharts"})
        action(menu)->trigger();
    CanvasWindow* canvas = window.canvasWindow();
    for (QSize screen : kScreens) {
        const std::string at = std::to_string(screen.width()) + ": ";
        fillScreen(screen);
        canvas->setArea(4575, 4335);
        ASSERT_TRUE(window.changeSetting("TrapLength", "10"));
        window.calibrateNow();
        action("mnuWindowActualSize")->trigger();
        EXPECT_EQ(canvas->zoom(), 1);
        ASSERT_TRUE(window.changeSetting("TrapLength", "30"));
        window.calibrateNow();
        QApplication::processEvents();
        EXPECT_GT(window.canvas()->width(), window.mdiArea()->viewport()->width());
        EXPECT_TRUE(canvas->fitted());
        EXPECT_LT(canvas->zoom(), 1);
        EXPECT_TRUE(window.mdiArea()->viewport()->rect().contains(canvas->geometry()));

        canvas->setArea(60000, 9000);
        for (const char* tiling : {"mnuWindowTileVert", "mnuWindowTileHor"}) {
            action(tiling)->trigger();
            QApplication::processEvents();
            expectAllInView(at + tiling);
        }
    }
}

// At any zoom the picks and the pointer's position are the same metres as at the calibrated
// size, and the scale does not change with the zoom; the title shows the zoom.
TEST_F(WindowRoom, APickIsTheSameMetresAtAnyZoom) {
    fillScreen(kScreens[1]);
    action("mnuManualGenerator")->trigger();
    CanvasWindow* canvas = window.canvasWindow();
    const double m2t = window.host().m2Twips();
    const QSize area = window.canvas()->size();
    auto pick = [&](double zoom) {
        canvas->setZoom(zoom);
        QApplication::processEvents();
        EXPECT_EQ(canvas->zoom(), zoom);
        QTest::mouseClick(canvas->view(), Qt::LeftButton, {}, QPoint(40, 30) * zoom);
        QTest::mouseMove(canvas->view(), QPoint(120, 90) * zoom);
        const QString pointer = status(3);
        QTest::mouseClick(canvas->view(), Qt::LeftButton, {}, QPoint(120, 90) * zoom);
        const Settings& s = window.settings();
        return std::tuple(s.InitialPx, s.InitialPy, s.TargetEx, s.TargetEy, pointer.toStdString());
    };
    const auto actual = pick(1);
    EXPECT_NEAR(std::get<0>(actual), 40 * window.canvas()->twipsPerPixel() * m2t, 0.01);
    EXPECT_EQ(canvas->windowTitle(), "Pedestrian Trap");
    EXPECT_EQ(pick(0.5), actual);
    EXPECT_EQ(canvas->windowTitle(), "Pedestrian Trap (50%)");
    EXPECT_EQ(pick(2), actual);
    EXPECT_EQ(window.host().m2Twips(), m2t);
    EXPECT_EQ(window.canvas()->size(), area);

    // Zoom Out, Fit to Window and a resize: only the view follows.
    action("mnuWindowZoomOut")->trigger();
    EXPECT_EQ(canvas->zoom(), 1.5);
    action("mnuWindowFitCanvas")->trigger();
    canvas->resize(canvas->size() + QSize(200, 200));
    QApplication::processEvents();
    EXPECT_GT(canvas->zoom(), 1.5);
    EXPECT_EQ(window.host().m2Twips(), m2t);
    EXPECT_EQ(window.canvas()->size(), area);
}

// Run also at QT_SCALE_FACTOR 1.25 and 1.5 (see CMakeLists.txt).
TEST_F(UiTest, EveryPanelShowsAllItsText) {
    std::vector<QWidget*> panels;
    for (PanelWindow* panel : window.findChildren<PanelWindow*>()) panels.push_back(panel);
    ASSERT_GE(panels.size(), 14u);
    action("mnuAboutMe")->trigger();
    panels.push_back(window.aboutBox());
    for (QWidget* panel : panels) {
        panel->show();
        auto* tabs = panel->findChild<QTabWidget*>();
        for (int i = 0; i < (tabs ? tabs->count() : 1); ++i) {
            if (tabs) tabs->setCurrentIndex(i);
            QApplication::processEvents();
            for (QWidget* w : panel->findChildren<QWidget*>()) {
                auto* label = qobject_cast<QLabel*>(w);
                auto* button = qobject_cast<QAbstractButton*>(w);
                const QString text = label ? label->text() : button ? button->text() : QString();
                if (!w->isVisible() || text.isEmpty()) continue;
                const QSize needs = label ? w->minimumSizeHint() : w->sizeHint();
                const bool fits =
                    label && label->wordWrap()
                        ? label->heightForWidth(w->width()) <= w->height()
                        : w->width() >= needs.width() && w->height() >= needs.height();
                EXPECT_TRUE(fits) << panel->objectName().toStdString() << ": \""
                                  << text.toStdString() << "\" is cut";
            }
        }
    }
}

}  // namespace
}  // namespace strida::ui::test
