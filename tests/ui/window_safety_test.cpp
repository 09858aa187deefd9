// Nothing lost by a key or a click: a text box keeps its editing keys, Exit asks during a run,
// Save Picture asks before writing over a file, every menu item has an access key of its own;
// and the user is told where files go and, once, what could not be written there.
#include <QClipboard>
#include <QDialog>
#include <QMdiSubWindow>
#include <QPushButton>

#include "ui_fixture.h"

namespace strida::ui::test {
namespace {

namespace fs = std::filesystem;

// Typed into a text box, the editing keys edit its text; the menu items that share them (Ctrl+A
// Auto Generator, Ctrl+C Calibration, Ctrl+V Show, Ctrl+X Exit) stay where they are, and a menu
// key that is no editing key (Ctrl+W) still works from the box.
TEST_F(UiTest, ATextBoxKeepsItsEditingKeysAndTheOtherMenuKeysStillWork) {
    QApplication::setActiveWindow(&window);
    action("mnuInputParameters")->trigger();
    action("mnuStartSimulation")->trigger();
    window.timer()->stop();
    QLineEdit* box = in<QLineEdit>("frmInputParameters", "txtAlpha");
    box->setFocus();
    const QString before = box->text();
    const bool autoMode = action("mnuPedGenerator")->isChecked();
    int asked = 0;
    window.confirm = [&](const QString&) { return ++asked, false; };

    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(box->selectedText(), before);
    QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), before);
    QTest::keyClick(box, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(box->text(), "");
    QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(box->text(), before + before);
    QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(box->text(), before);

    EXPECT_EQ(action("mnuPedGenerator")->isChecked(), autoMode);
    EXPECT_FALSE(window.panelWindow("frmCalibration")->isVisible());
    EXPECT_FALSE(window.panelWindow("frmDrawingControl")->isVisible());
    EXPECT_EQ(asked, 0) << "Ctrl+X did not reach Exit";
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.engine().runExists());
    QTest::keyClick(box, Qt::Key_W, Qt::ControlModifier);
    EXPECT_TRUE(window.panelWindow("frmSimSpeed")->isVisible());
    EXPECT_TRUE(messages.empty());
}

// Exit with a run under way asks first; answered no, the run goes on. Without a run it does not
// ask.
TEST_F(UiTest, ExitAsksWhileARunExists) {
    answer = false;
    action("mnuStartSimulation")->trigger();
    action("mnuExit")->trigger();
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_TRUE(questions[0].startsWith("A run is under way. Exit Strida and stop it?"));
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.engine().runExists());
    action("mnuStartSimulation")->trigger();  // stops it
    action("mnuExit")->trigger();
    EXPECT_EQ(questions.size(), 1u);
    EXPECT_FALSE(window.isVisible());
}

// In every menu, no two items share an access key, so Alt and the letter reach each one.
TEST_F(UiTest, EveryMenuItemHasAnAccessKeyOfItsOwn) {
    std::vector<QMenu*> menus;
    for (QAction* top : window.menuBar()->actions())
        if (top->menu()) menus.push_back(top->menu());
    for (std::size_t i = 0; i < menus.size(); ++i)
        for (QAction* a : menus[i]->actions())
            if (a->menu()) menus.push_back(a->menu());
    for (QMenu* menu : menus) {
        emit menu->aboutToShow();  // the Window menu lists the windows then
        std::map<QChar, QString> keys;
        for (QAction* a : menu->actions()) {
            const QString text = a->text();
            const qsizetype at = text.indexOf('&');
            if (a->isSeparator() || at < 0 || at + 1 >= text.size()) continue;
            const QChar key = text[at + 1].toLower();
            EXPECT_FALSE(keys.count(key))
                << menu->title().toStdString() << ": " << text.toStdString() << " and "
                << keys[key].toStdString();
            keys[key] = text;
        }
    }
    // The speed panel says what its bar's value means.
    action("mnuSimulationSpeed")->trigger();
    auto* bar = in<QScrollBar>("frmSimSpeed", "ScrlSimSpeed");
    bar->setValue(250);
    EXPECT_EQ(in<QLabel>("frmSimSpeed", "lblSimSpeedValue")->text(), "250 ms between steps");
}

// The status bar says where the reports go; Report Folder... chooses another, but not during a
// run; a start that cannot write its chosen reports says so once, naming them all, and nothing
// about a report that was not chosen.
TEST_F(UiTest, ReportsGoWhereTheStatusBarSaysAndAFailedStartSaysSoOnce) {
    const fs::path other = folder.path() / "other";
    fs::create_directories(other);
    EXPECT_NE(window.reportFolderLabel()->text().toStdString().find(folder.path().string()),
              std::string::npos);
    window.chooseReportFolder = [&] { return other; };
    action("mnuReportFolder")->trigger();
    EXPECT_NE(window.reportFolderLabel()->text().toStdString().find(other.string()),
              std::string::npos);
    // Old reports that cannot go: folders, not empty, in their place.
    for (const char* name : {"Instant.txt", "System.txt", "NTXY.txt"})
        fs::create_directories(other / name / "x");
    window.changeSetting("ReportSystemPerformance", "1");
    window.changeSetting("ReportNTXY", "0");
    action("mnuStartSimulation")->trigger();
    ASSERT_EQ(messages.size(), 1u) << messages.back();
    const std::string& told = messages[0];
    EXPECT_TRUE(
        told.starts_with("The report files \"System.txt\" and \"Instant.txt\" could not be "
                         "deleted in " +
                         other.string() + ": "))
        << told;
    EXPECT_TRUE(told.ends_with(". The run goes on without them.")) << told;
    EXPECT_EQ(told.find("NTXY"), std::string::npos) << told;
    EXPECT_TRUE(fs::exists(other / "avgInstant.txt")) << "the next runs write there";

    action("mnuReportFolder")->trigger();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1], "The report folder cannot change during a run: stop the run first.");
}

// Save Picture fills in the last name: saving again asks before replacing that picture, and a
// "no" keeps the dialog open and the file as it was.
TEST_F(UiTest, SavePictureAsksBeforeWritingOverAFile) {
    const fs::path file = folder.path() / "trap.png";
    std::ofstream(file) << "old";
    window.confirm = [&](const QString& q) {
        questions.push_back(q);
        return questions.size() > 1;
    };
    std::vector<bool> open;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->findChild<QLineEdit*>("txtPictureFile")
            ->setText(QString::fromStdString(file.string()));
        auto* save = dialog->findChild<QPushButton*>("cmdSave");
        save->click();
        open.push_back(dialog->isVisible());
        save->click();
        open.push_back(dialog->isVisible());
    });
    action("mnuSavePicture")->trigger();
    EXPECT_EQ(open, (std::vector<bool>{true, false}));
    ASSERT_EQ(questions.size(), 2u);
    EXPECT_EQ(questions[0].toStdString(), file.string() + " already exists. Replace it?");
    EXPECT_NE(strida::test::readFile(file), "old");
}

}  // namespace
}  // namespace strida::ui::test
