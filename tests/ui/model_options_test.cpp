// The model options in the window: the walls CorridorWalls draws on the trap canvas, the thread
// control and strida --threads, and a saved state from before the options existed.
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <algorithm>
#include <cmath>
#include <fstream>

#include "engine/scenario.h"
#include "support/batch_runner.h"
#include "ui/command_line.h"
#include "ui_fixture.h"

namespace strida::ui::test {
namespace {

namespace fs = std::filesystem;

// Ticking the box draws a dark band, thicker than the trap's border, along each long side of the
// trap, from one end of the drawing area to the other; the bands stay when the overlays are
// cleared, as they are every step, and unticking gives back the picture without them.
TEST_F(UiTest, CorridorWallsAreDrawnAlongTheTrapWhileTicked) {
    TrapCanvas* canvas = window.canvas();
    const QImage open = canvas->grab().toImage();
    // A middle pixel row of each 6-pixel band, which lies wholly inside it.
    const double bottom = canvas->toPixels(0, 0).y();
    const double top =
        canvas->toPixels(0, std::stod(window.settings().TrapWidth) / window.host().m2Twips()).y();
    const int rows[] = {static_cast<int>(std::floor(bottom - 6)) + 3,
                        static_cast<int>(std::floor(top)) + 3};
    const int columns[] = {1, canvas->width() / 2, canvas->width() - 2};
    auto wallsShown = [&](const QImage& image) {
        for (int y : rows)
            for (int x : columns)
                if (image.pixelColor(x, y) != QColor(80, 80, 80)) return false;
        return true;
    };
    ASSERT_FALSE(wallsShown(open));

    in<QCheckBox>("frmCalibration", "chkCorridorWalls")->click();
    ASSERT_TRUE(corridorWalls(window.settings()));
    EXPECT_TRUE(wallsShown(canvas->grab().toImage()));
    canvas->drawLine(0, 0, 1000, 1000, Qt::red);
    canvas->clearOverlays();
    EXPECT_TRUE(wallsShown(canvas->grab().toImage()));

    in<QCheckBox>("frmCalibration", "chkCorridorWalls")->click();
    EXPECT_EQ(canvas->grab().toImage(), open);
}

// The desktop program run as a user would start it: what it prints (Qt's own notes among it).
strida::test::BatchResult desktop(const std::string& args) {
    return strida::test::runCommand(std::string(STRIDA_DESKTOP) + " " + args + " 2>&1");
}

// The number of threads reaches the engine from the parameters panel's control and from
// strida --threads, which shows on the control; a value strida-batch refuses strida refuses in the
// same words, before any window opens, and the command line read so far stays as it was.
TEST_F(UiTest, TheThreadControlAndStridaThreadsReachTheEngine) {
    auto* threads = in<QSpinBox>("frmInputParameters", "spnThreads");
    EXPECT_EQ(window.engine().threads(), 0);
    EXPECT_EQ(threads->text(), "All cores");
    threads->setValue(3);
    EXPECT_EQ(window.engine().threads(), 3);

    CommandLine line;
    ASSERT_FALSE(readCommandLine({"strida", "--threads", "1024", "--out", "reports"}, line));
    EXPECT_EQ(line.folder, fs::path("reports"));
    applyCommandLine(window, line);
    EXPECT_EQ(window.engine().threads(), 1024);
    EXPECT_EQ(threads->value(), 1024);

    const auto refusal = [](const std::string& bad) {
        return "--threads takes a whole number of threads from 1 to 1024, not '" + bad + "'";
    };
    for (const char* bad : {"0", "1025", "-2", "four", "2.5"}) {
        EXPECT_EQ(readCommandLine({"strida", "--threads", bad}, line), refusal(bad));
        EXPECT_EQ(line.threads, 1024) << bad;
        EXPECT_EQ(line.folder, fs::path("reports")) << bad;
    }
    // Both programs, as a user starts them.
    const strida::test::BatchResult started = desktop("--threads four");
    EXPECT_EQ(started.status, 2);
    EXPECT_NE(started.out.find("strida: " + refusal("four") + "\nTry 'strida --help'.\n"),
              std::string::npos)
        << started.out;
    EXPECT_NE(strida::test::batch("--threads 0", true).out.find(refusal("0")), std::string::npos);
    EXPECT_NE(desktop("--help").out.find("--threads"), std::string::npos);
}

// A scenario saved before the model options existed holds none of their keys: opened after
// both were turned on, it gives them their defaults again, on the panels and the canvas too.
TEST_F(UiTest, AScenarioWithoutTheModelOptionsOpensWithThemOff) {
    const fs::path examples = fs::path(STRIDA_TEST_DATA).parent_path().parent_path() / "examples";
    std::ifstream in_(examples / "default-trap.json");
    std::string text;
    for (std::string line; std::getline(in_, line);)
        if (std::none_of(std::begin(kModelOptions), std::end(kModelOptions), [&](auto name) {
                return line.find('"' + std::string(name) + '"') != line.npos;
            }))
            text += line + '\n';
    const fs::path old = folder.path() / "old.json";
    std::ofstream(old) << text;

    in<QCheckBox>("frmCalibration", "chkCorridorWalls")->click();
    in<QRadioButton>("frmInputParameters", "optSimultaneous")->click();
    in<QCheckBox>("frmInputParameters", "chkSpeedFromSpacing")->click();
    in<QLineEdit>("frmInputParameters", "txtTimeGap")->setText("0.4");
    ASSERT_TRUE(speedFromSpacing(window.settings()));
    ASSERT_TRUE(corridorWalls(window.settings()));
    ASSERT_TRUE(simultaneousUpdate(window.settings()));

    ASSERT_TRUE(window.openScenario(old)) << (messages.empty() ? "" : messages.back());
    EXPECT_EQ(window.settings().CorridorWalls, Check::Unchecked);
    EXPECT_EQ(window.settings().UpdateOrder, "Sequential");
    EXPECT_EQ(window.settings().TimeGap, "1.0");
    EXPECT_FALSE(in<QCheckBox>("frmInputParameters", "chkSpeedFromSpacing")->isChecked());
    EXPECT_FALSE(in<QCheckBox>("frmCalibration", "chkCorridorWalls")->isChecked());
    EXPECT_TRUE(in<QRadioButton>("frmInputParameters", "optSequential")->isChecked());
    EXPECT_FALSE(window.canvas()->walls());
}

}  // namespace
}  // namespace strida::ui::test
