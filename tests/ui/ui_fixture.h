// A main window on the offscreen platform writing its reports into a folder of its own, with
// messages collected instead of shown in modal boxes.
#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include "engine/engine.h"
#include "support/engine_fixture.h"
#include "ui/canvas_window.h"
#include "ui/main_window.h"
#include "ui/panel_window.h"
#include "ui/trap_canvas.h"

namespace strida::ui::test {

class UiTest : public ::testing::Test {
  protected:
    UiTest() : window(folder.path()) {
        window.host().messageSink = [this](const std::string& text, const std::string&,
                                           MessageIcon) { messages.push_back(text); };
        window.host().eventInterval = 0;
        // Questions are kept and answered with `answer`: yes, as a user going on would, unless
        // a test says otherwise.
        window.confirm = [this](const QString& q) {
            questions.push_back(q);
            return answer;
        };
        window.show();
        QApplication::processEvents();
    }

    QAction* action(const char* name) { return window.action(name); }
    template <typename T>
    T* in(const char* panel, const char* control) {
        PanelWindow* w = window.panelWindow(panel);
        EXPECT_NE(w, nullptr) << panel;
        T* found = w ? w->findChild<T*>(control) : nullptr;
        EXPECT_NE(found, nullptr) << panel << "/" << control;
        return found;
    }
    QString status(int panel) { return window.statusPanel(panel)->text(); }

    strida::test::TempFolder folder;
    MainWindow window;
    std::vector<std::string> messages;
    std::vector<QString> questions;  // asked through window.confirm
    bool answer = true;
};

}  // namespace strida::ui::test
