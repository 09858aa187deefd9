// Small helpers that tie panel controls to the settings. A control only hands its new value to
// the door (SettingsDoor, which passes it to the engine's changeSetting); the rules that tie one
// setting to another run there, once. After every change the window shows the record again on
// every bound control (showBoundSettings), so a tied setting shows up wherever it has a control.
#pragma once

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/settings.h"

namespace strida {
class Engine;
}

namespace strida::ui {

// The panels' way to the settings: the record to show, and the door every change goes through.
class SettingsDoor {
  public:
    explicit SettingsDoor(Engine& engine) : engine_(engine) {}
    const Settings& record() const;
    // Hands a control's new value to the engine's door; returns whether it was taken (a refused
    // value changes nothing). A taken one is told to `changed`.
    bool change(std::string_view name, std::string_view value);
    // After a change: the setting named and every setting whose value changed with it (itself
    // and those its rules tied to it); a whole state put back names none.
    std::function<void(std::string_view name, const std::vector<std::string_view>& changed)>
        changed;

  private:
    Engine& engine_;
};

// The names of the settings whose values differ between two records.
std::vector<std::string_view> differences(const Settings& before, const Settings& after);

QLineEdit* textBox(const char* name, SettingsDoor& door, std::string Settings::*setting,
                   QWidget* parent);
// A horizontal scroll bar with its range, position and steps; setting the position here writes
// nothing into any text box.
QScrollBar* scrollBar(const char* name, int minimum, int maximum, int value, int single, int page,
                      QWidget* parent, Qt::Orientation orientation = Qt::Horizontal);
// On every change the box gets the text that the setting's scroll bar writes for the position.
void writesInto(QScrollBar* bar, QLineEdit* box, std::string Settings::*setting);
// A bar that moves to its setting's value when a rule changes the setting (the other share, the
// sides' counts); moved by hand or typed into, it stays where it is.
void followsRules(QScrollBar* bar, std::string Settings::*setting);
// The influence diameter's bar, whose lowest position is the body diameter's.
void staysAboveBody(QScrollBar* bar);
QCheckBox* checkBox(const char* name, const QString& caption, SettingsDoor& door,
                    Check Settings::*setting, QWidget* parent);
// An option button that selects `value` of its setting (1 for an option of a group, 0 or 1 of
// NumWays). Clicking it, even when already selected, hands the value to the door.
void bindOption(QAbstractButton* button, SettingsDoor& door, bool Settings::*setting);
void bindOption(QAbstractButton* button, SettingsDoor& door, std::string_view setting,
                std::string_view value);
// Ticks, unticks or greys a box as the setting holds it.
void showCheck(QCheckBox* box, Check state);
QLabel* label(const QString& text, QWidget* parent, const char* name = nullptr);
QPushButton* button(const char* name, const QString& caption, QWidget* parent,
                    std::function<void()> onClick);
// Sets a box's text only when it differs, so an unchanged value starts no change handlers and the
// box being typed in keeps its cursor.
void setTextIfChanged(QLineEdit* box, const std::string& text);
// The name of the setting a control is bound to (a text box, a check box, an option button, or a
// scroll bar beside a text box), and for an option button the value it selects; empty for others.
std::string boundSetting(const QObject* control);
std::string boundValue(const QObject* control);

// Shows in every bound control below `root` what the record holds now, without running the
// controls' change handlers, touching only those that show something else. `changed` and `name`
// are as SettingsDoor::changed tells them: bars that follow rules move for a setting changed by a
// rule (not the one named), and the influence bar's minimum follows a changed body diameter.
void showBoundSettings(QWidget* root, const Settings& s, std::string_view name,
                       const std::vector<std::string_view>& changed);

}  // namespace strida::ui

namespace strida::ui {
// Hides the child window that holds this panel ("&Close").
void hidePanel(QWidget* panel);
// The frame that holds all of a panel's controls, filling the panel.
QFrame* panelFrame(QWidget* panel, const char* name = nullptr);
}  // namespace strida::ui
