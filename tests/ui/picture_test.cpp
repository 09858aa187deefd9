// Pictures of the trap canvas (Output > Save Picture...) and the frames of a video (Output > Video
// Frames...): what the files show, their sizes, and the failures that leave nothing behind.
#include <QDialog>
#include <QRadioButton>
#include <QSpinBox>
#include <QSvgRenderer>

#include "ui/canvas_picture.h"
#include "ui/panels/frames_panel.h"
#include "ui/panels/picture_dialog.h"
#include "ui_fixture.h"

namespace strida::ui::test {
namespace {

namespace fs = std::filesystem;

class PictureTest : public UiTest {
  protected:
    // One pedestrian's filled circle, 30 pixels across, centred a third of the way along the
    // canvas.
    PictureTest() {
        TrapCanvas* c = window.canvas();
        centre = QPointF(c->width() / 3.0, c->height() / 2.0);
        const QPointF topLeft = c->toTwips(centre - QPointF(15, 15));
        c->placeCircle(7, topLeft.x(), topLeft.y(), 30 * c->twipsPerPixel());
        c->paintCircle(7, colour, true);
        c->setCircleVisible(7, true);
    }
    QString path(const char* name) {
        return QString::fromStdString((folder.path() / name).string());
    }
    bool save(const QString& file, int width = 0) {
        return saveCanvasPicture(*window.canvas(), file, width, error);
    }
    // The picture's pixel at the circle's centre, and one of the trap (white, or the light grey
    // of its grid) well away from it.
    void expectCircleAt(const QImage& image, double scale) {
        EXPECT_EQ(image.pixelColor((centre * scale).toPoint()), colour);
        const QColor away = image.pixelColor(((centre + QPointF(40, 0)) * scale).toPoint());
        EXPECT_GE(std::min({away.red(), away.green(), away.blue()}), 230)
            << away.name().toStdString();
    }

    const QColor colour{200, 30, 40};
    QPointF centre;
    QString error;
};

// At the canvas's own size a picture is what the screen shows, as every video frame is (below).
// One of more than a million pixels is encoded while the window goes on with its events.
// Its bottom-right corner names the run, and nothing else of it differs from a picture without.
TEST_F(PictureTest, APngAtAChosenWidthShowsTheCanvasScaledAndItsRunsStamp) {
    TrapCanvas* canvas = window.canvas();
    ASSERT_TRUE(save(path("plain.png"), 1600)) << error.toStdString();
    setRunMark(&window, [] { return RunMark{std::nullopt, 2.5}; });
    EXPECT_EQ(pictureStamp(), "seed unknown · t = 2.50 s");
    ASSERT_TRUE(save(path("wide.PNG"), 1600)) << error.toStdString();
    QImage wide(path("wide.PNG")), plain(path("plain.png"));
    EXPECT_EQ(wide.size(), QSize(1600, qRound(1600.0 * canvas->height() / canvas->width())));
    expectCircleAt(wide, 1600.0 / canvas->width());
    EXPECT_NE(wide, plain);
    const QRect corner = stampArea(wide.size(), pictureStamp());
    EXPECT_LT(corner.width(), wide.width() / 3);
    for (QImage* image : {&wide, &plain}) QPainter(image).fillRect(corner, Qt::black);
    EXPECT_EQ(wide, plain);
}

TEST_F(PictureTest, RefusedPathsAndWidthsSayWhyAndLeaveNoFile) {
    fs::create_directories(folder.path() / "taken.png");
    const std::pair<QString, int> refused[] = {
        {path("trap.jpg"), 0}, {path("taken.png"), 0}, {path("trap.svg"), -3}};
    for (const auto& [file, width] : refused) {
        error.clear();
        EXPECT_FALSE(save(file, width)) << file.toStdString() << " at " << width;
        EXPECT_FALSE(error.isEmpty()) << file.toStdString();
        EXPECT_FALSE(fs::is_regular_file(file.toStdString())) << file.toStdString();
    }
    // A picture that is refused leaves the file of the same name as it was.
    std::ofstream(path("old.png").toStdString()) << "old";
    EXPECT_FALSE(save(path("old.png"), 20001));
    EXPECT_EQ(strida::test::readFile(path("old.png").toStdString()), "old");
    EXPECT_EQ(fs::directory_iterator(folder.path() / "taken.png"), fs::directory_iterator());
}

TEST_F(PictureTest, TheMenuItemsDialogSavesOnlyWhatItCanAndAnSvgShowsThePedestrian) {
    // The dialog is answered as a person would: a path in a folder that is not there, then the
    // chosen width and a good path.
    std::vector<std::string> steps;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        auto* file = dialog->findChild<QLineEdit*>("txtPictureFile");
        auto* save = dialog->findChild<QPushButton*>("cmdSave");
        file->setText(path("none/trap.png"));
        save->click();
        steps.push_back(dialog->isVisible() ? "open" : "closed");
        dialog->findChild<QRadioButton*>("optWidth")->click();
        dialog->findChild<QSpinBox*>("txtPictureWidth")->setValue(640);
        file->setText(path("menu.svg"));
        save->click();
        steps.push_back(dialog->isVisible() ? "open" : "closed");
    });
    setRunMark(&window, [] { return RunMark{1234, 12.4}; });
    action("mnuSavePicture")->trigger();
    EXPECT_EQ(steps, (std::vector<std::string>{"open", "closed"}));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("does not exist"), std::string::npos) << messages[0];

    // The SVG, drawn at its size, shows the pedestrian where the canvas does.
    QSvgRenderer svg(path("menu.svg"));
    const QSize size = pictureSize(*window.canvas(), 640);
    EXPECT_EQ(svg.viewBox().size(), size);
    QImage drawn(size, QImage::Format_RGB32);
    QPainter painter(&drawn);
    svg.render(&painter);
    painter.end();
    expectCircleAt(drawn, 640.0 / window.canvas()->width());
    EXPECT_NE(
        strida::test::readFile(path("menu.svg").toStdString()).find("seed 1234 · t = 12.40 s"),
        std::string::npos);
}

// Video frames into a folder of their own, every third step.
class FramesTest : public UiTest {
  protected:
    FramesTest() {
        fs::create_directories(frames);
        action("mnuVideoFrames")->trigger();
        in<QLineEdit>("frmVideoFrames", "txtFramesFolder")
            ->setText(QString::fromStdString(frames.string()));
        in<QSpinBox>("frmVideoFrames", "txtFrameEvery")->setValue(3);
        saveFrames()->click();
        setRunMark(&window, [this] {
            const std::vector<StepFigures>& steps = window.stepSeries();
            return RunMark{window.engine().runSeed(), steps.empty() ? 0 : steps.back().time};
        });
    }
    QCheckBox* saveFrames() { return in<QCheckBox>("frmVideoFrames", "chkSaveFrames"); }
    std::vector<std::string> files() {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(frames))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    fs::path frames = folder.path() / "frames";
};

// A folder that cannot take the frames turns them off with one message: chosen while they are on,
// or gone during a run, which goes on without them. Each run numbers its frames from 1 and leaves
// none of the last run's.
TEST_F(FramesTest, EveryThirdStepIsAFrameAndAFolderThatCannotTakeThemTurnsThemOffOnce) {
    in<QLineEdit>("frmVideoFrames", "txtFramesFolder")
        ->setText(QString::fromStdString((frames / "none").string()));
    QTest::keyClick(in<QLineEdit>("frmVideoFrames", "txtFramesFolder"), Qt::Key_Return);
    EXPECT_FALSE(saveFrames()->isChecked());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("does not exist"), std::string::npos) << messages[0];

    messages.clear();
    in<QLineEdit>("frmVideoFrames", "txtFramesFolder")
        ->setText(QString::fromStdString(frames.string()));
    saveFrames()->click();
    action("mnuStartSimulation")->trigger();
    for (int step = 1; step <= 7; ++step) {
        window.engine().SimulationTick();
        if (step % 3 != 0) continue;
        // The frame is the canvas after the step, though the screen has not been painted since,
        // with the step's time in its corner.
        const QImage frame(QString::fromStdString(
            (frames / FramesPanel::frameName(step / 3).toStdString()).string()));
        QImage canvas = window.canvas()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QPainter stamped(&canvas);
        drawStamp(stamped, canvas.size(),
                  runStamp({window.engine().runSeed(), step * window.engine().dt()}));
        stamped.end();
        EXPECT_EQ(frame.convertToFormat(QImage::Format_RGB32), canvas) << "step " << step;
    }
    action("mnuStartSimulation")->trigger();  // stop
    EXPECT_EQ(files(), (std::vector<std::string>{"frame-000001.png", "frame-000002.png"}));
    EXPECT_EQ(in<QLabel>("frmVideoFrames", "lblFramesSaved")->text(),
              "Frames saved in the latest run: 2");

    action("mnuStartSimulation")->trigger();
    for (int step = 1; step <= 3; ++step) window.engine().SimulationTick();
    EXPECT_EQ(files(), std::vector<std::string>{"frame-000001.png"});
    fs::remove_all(frames);
    for (int step = 4; step <= 12; ++step) window.engine().SimulationTick();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("frame-000002.png"), std::string::npos) << messages[0];
    EXPECT_FALSE(saveFrames()->isChecked());
    EXPECT_TRUE(window.engine().runExists());
    EXPECT_EQ(window.stepSeries().back().step, 12);
}

// Frames this window did not save are replaced only when the user agrees; a "no" keeps them and
// turns saving off. A run after the window's own frames replaces them without asking.
TEST_F(FramesTest, FramesSavedBeforeAreReplacedOnlyWhenTheUserAgrees) {
    std::ofstream(frames / "frame-000001.png") << "kept";
    answer = false;
    action("mnuStartSimulation")->trigger();
    for (int step = 1; step <= 3; ++step) window.engine().SimulationTick();
    action("mnuStartSimulation")->trigger();  // stop
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0].toStdString(),
              frames.string() +
                  " holds 1 video frame saved before. Replace them with this run's "
                  "frames?");
    EXPECT_FALSE(saveFrames()->isChecked());
    EXPECT_EQ(strida::test::readFile(frames / "frame-000001.png"), "kept");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("are kept. Saving video frames is turned off."), std::string::npos)
        << messages[0];

    answer = true;
    for (int run = 0; run < 2; ++run) {
        saveFrames()->setChecked(true);
        action("mnuStartSimulation")->trigger();
        for (int step = 1; step <= 3; ++step) window.engine().SimulationTick();
        action("mnuStartSimulation")->trigger();
    }
    EXPECT_EQ(questions.size(), 2u) << "the window's own frames go without asking";
    EXPECT_NE(strida::test::readFile(frames / "frame-000001.png"), "kept");
}

}  // namespace
}  // namespace strida::ui::test
