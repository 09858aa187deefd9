// The replay of a trajectory file: a seeded run written by the window itself, opened from the Input
// menu and shown frame by frame on the trap canvas, checked against the file's own lines; playing,
// closing, a run taking the canvas over, and files or moments that are refused.
#include <QSlider>
#include <fstream>
#include <map>
#include <set>

#include "support/trajectory_lines.h"
#include "ui/panels/replay_panel.h"
#include "ui_fixture.h"

namespace strida::ui::test {
namespace {

namespace fs = std::filesystem;

// A trajectory file as a plain reading of its lines gives it.
struct FileRows {
    std::map<std::int64_t, std::vector<strida::test::TextRow>> frames;  // by frame number
    std::map<std::int64_t, int> order;  // of each id: the order it first appears
    std::map<std::int64_t, std::pair<double, double>> firstLastX;
};

FileRows readRows(const fs::path& file) {
    FileRows rows;
    for (const auto& r : strida::test::readTrajectoryLines(strida::test::readFile(file)).rows) {
        rows.frames[r.frame].push_back(r);
        rows.order.try_emplace(r.id, static_cast<int>(rows.order.size()));
    }
    for (const auto& [frame, list] : rows.frames)
        for (const auto& r : list)
            rows.firstLastX.try_emplace(r.id, r.x, r.x).first->second.second = r.x;
    return rows;
}

class ReplayTest : public UiTest {
  protected:
    ReplayTest() {
        window.chooseTrajectory = [this] {
            ++asked;
            return chosen;
        };
    }
    // A seeded run of 400 steps in which the default two-way crowd comes in one at a time and
    // walks through the trap, written to trajectories.txt and kept as recorded.txt.
    fs::path recordRun() {
        EXPECT_TRUE(window.changeSetting("RandomInput", "1"));
        QCheckBox* write = in<QCheckBox>("frmTrajectories", "chkWriteTrajectories");
        write->click();
        QLineEdit* seed = in<QLineEdit>("frmRandomSeed", "txtSeed");
        seed->setText("2024");
        QTest::keyClick(seed, Qt::Key_Return);
        action("mnuStartSimulation")->trigger();
        for (int i = 0; i < 400; ++i) window.engine().SimulationTick();
        action("mnuStartSimulation")->trigger();
        EXPECT_FALSE(window.engine().runExists());
        write->click();
        const fs::path kept = folder.path() / "recorded.txt";
        fs::copy_file(folder.path() / "trajectories.txt", kept);
        return kept;
    }
    // Two walkers in two frames, the first walking east and the second west.
    fs::path writeTwoWalkers() {
        const fs::path file = folder.path() / "two.txt";
        std::ofstream(file) << "5 3 2 1\n6 3 8 1\n5 4 2.5 1\n6 4 7.5 1\n";
        return file;
    }
    void open(const fs::path& file) {
        chosen = file;
        action("mnuOpenTrajectory")->trigger();
    }
    ReplayPanel* replay() { return window.replayPanel(); }
    QSlider* slider() { return in<QSlider>("frmReplay", "sldFrame"); }
    QString frameText() { return in<QLabel>("frmReplay", "lblFrame")->text(); }
    // The circles that show, by number.
    std::vector<int> shownCircles() {
        std::vector<int> shown;
        for (int id = 0; id <= ReplayPanel::kFirstCircle + 1000; ++id)
            if (const TrapCanvas::Circle* c = window.canvas()->loadedCircle(id); c && c->visible)
                shown.push_back(id);
        return shown;
    }

    fs::path chosen;
    int asked = 0;
};

TEST_F(ReplayTest, EachFrameShowsThePedestriansOfItsLinesAndPlaysUntilARunTakesOver) {
    const fs::path file = recordRun();
    const FileRows rows = readRows(file);
    ASSERT_GT(rows.frames.size(), 50u);
    ASSERT_TRUE(window.changeSetting("PedDiameter", "0.8"));
    open(file);
    ASSERT_TRUE(messages.empty()) << messages.front();
    EXPECT_TRUE(window.panelWindow("frmReplay")->isVisible());
    ASSERT_NE(replay()->trajectory(), nullptr);
    EXPECT_EQ(slider()->maximum() + 1, static_cast<int>(rows.frames.size()));

    // A frame in which some have walked out of the run and others have not come yet.
    const double m2t = window.host().m2Twips(), r = 0.4;
    int k = 0;
    std::int64_t frame = 0;
    std::set<std::int64_t> seen;
    for (const auto& [number, list] : rows.frames) {
        std::set<std::int64_t> present;
        for (const strida::test::TextRow& row : list) present.insert(row.id);
        const bool someGone =
            std::any_of(seen.begin(), seen.end(), [&](auto id) { return !present.count(id); });
        if (someGone && present.size() >= 3 && seen.size() < rows.order.size()) {
            frame = number;
            break;
        }
        seen.insert(present.begin(), present.end());
        ++k;
    }
    ASSERT_LT(k, static_cast<int>(rows.frames.size())) << "no frame with pedestrians gone";
    slider()->setValue(k);
    std::vector<int> expected;
    int east = 0, west = 0;
    for (const strida::test::TextRow& row : rows.frames.at(frame)) {
        const int id = ReplayPanel::kFirstCircle + rows.order.at(row.id);
        expected.push_back(id);
        const TrapCanvas::Circle* c = window.canvas()->loadedCircle(id);
        ASSERT_NE(c, nullptr) << row.id;
        EXPECT_TRUE(c->visible) << row.id;
        EXPECT_NEAR(c->left, (row.x - r) / m2t, 0.5) << row.id;
        EXPECT_NEAR(c->top, (row.y + r) / m2t, 0.5) << row.id;
        EXPECT_NEAR(c->diameter, 2 * r / m2t, 0.5) << row.id;
        const auto [firstX, lastX] = rows.firstLastX.at(row.id);
        (lastX > firstX ? east : west)++;
        EXPECT_EQ(c->colour, lastX > firstX ? QColor(255, 0, 0) : QColor(0, 0, 255)) << row.id;
    }
    EXPECT_GT(east, 0);
    EXPECT_GT(west, 0);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(shownCircles(), expected) << "the others are hidden";

    // A step back and one forward again.
    in<QPushButton>("frmReplay", "cmdBack")->click();
    EXPECT_EQ(slider()->value(), k - 1);
    in<QPushButton>("frmReplay", "cmdStep")->click();
    EXPECT_EQ(shownCircles(), expected);
    EXPECT_EQ(in<QLabel>("frmReplay", "lblFile")->text(),
              QString("recorded.txt: %1 pedestrians, 15 fps").arg(rows.order.size()));

    // Played at the file's 15 frames a second (playing to the end is the other test's); closed,
    // it stops.
    QPushButton* play = in<QPushButton>("frmReplay", "cmdPlay");
    play->click();
    EXPECT_EQ(replay()->findChild<QTimer*>("tmrReplay")->interval(), 67);
    window.panelWindow("frmReplay")->close();
    EXPECT_FALSE(replay()->playing());
    EXPECT_EQ(play->text(), "&Play");

    // Another file replaces the replay whole.
    open(writeTwoWalkers());
    EXPECT_EQ(shownCircles(),
              (std::vector<int>{ReplayPanel::kFirstCircle, ReplayPanel::kFirstCircle + 1}));

    // A run ends the replay: its circles go, the run's come.
    in<QPushButton>("frmRandomSeed", "cmdClear")->click();
    action("mnuStartSimulation")->trigger();
    ASSERT_TRUE(window.engine().runExists());
    EXPECT_EQ(replay()->trajectory(), nullptr);
    EXPECT_EQ(window.canvas()->loadedCircle(ReplayPanel::kFirstCircle), nullptr);
    for (int i = 0; i < 10; ++i) window.engine().SimulationTick();
    EXPECT_GT(window.canvas()->loadedCircles(), 0) << "the run's own";
    EXPECT_EQ(in<QLabel>("frmReplay", "lblFile")->text(), "No trajectory is open.");
    EXPECT_TRUE(messages.empty()) << messages.front();
}

TEST_F(ReplayTest, RefusedDuringARunOrForABadFileChangingNothing) {
    const fs::path file = writeTwoWalkers();
    // A run under way: the menu and the panel's button say why and ask for no file.
    action("mnuStartSimulation")->trigger();
    window.engine().SimulationTick();
    const int circles = window.canvas()->loadedCircles();
    open(file);
    in<QPushButton>("frmReplay", "cmdOpen")->click();
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(messages, std::vector<std::string>(2, "Stop the run before replaying a trajectory."));
    EXPECT_EQ(replay()->trajectory(), nullptr);
    EXPECT_EQ(window.canvas()->loadedCircles(), circles);
    EXPECT_TRUE(window.engine().runExists());
    action("mnuStartSimulation")->trigger();

    // Played to its end, it stops there.
    open(file);
    EXPECT_EQ(frameText(), "Frame 1 of 2, 0.20 s");
    QPushButton* play = in<QPushButton>("frmReplay", "cmdPlay");
    play->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !replay()->playing(); }, 2000));
    EXPECT_EQ(frameText(), "Frame 2 of 2, 0.27 s");
    EXPECT_EQ(play->text(), "&Play");

    // A bad file leaves the replay that was showing as it was.
    const std::vector<int> shown = shownCircles();
    const fs::path bad = folder.path() / "bad.txt";
    std::ofstream(bad) << "# framerate: 15 fps\n1 0 1.5 2\n1 1 1.6 two\n";
    messages.clear();
    open(bad);
    EXPECT_EQ(messages, std::vector<std::string>{"The trajectory file \"" + bad.string() +
                                                 "\" cannot be replayed: line 3: y is \"two\", "
                                                 "not a number."});
    EXPECT_EQ(replay()->frameIndex(), 1u);
    EXPECT_EQ(shownCircles(), shown);
    EXPECT_TRUE(in<QLabel>("frmReplay", "lblFile")->text().startsWith("two.txt"));
    // Played again from its end, it starts from its first frame.
    play->click();
    EXPECT_EQ(frameText(), "Frame 1 of 2, 0.20 s");
    EXPECT_TRUE(replay()->playing());
}

}  // namespace
}  // namespace strida::ui::test
