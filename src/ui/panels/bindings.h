// Small helpers that tie panel controls to the settings record: a text box writes its text into its
// setting on every change, a scroll bar writes its scaled value into its text box, a check box
// writes its state.
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

#include "engine/settings.h"

namespace strida::ui {

QLineEdit* textBox(const char* name, std::string& setting, QWidget* parent,
                   std::function<void()> afterChange = {});
// A horizontal scroll bar with its range, position and steps; setting the position here writes
// nothing into any text box.
QScrollBar* scrollBar(const char* name, int minimum, int maximum, int value, int single, int page,
                      QWidget* parent, Qt::Orientation orientation = Qt::Horizontal);
// On every change the box gets the text that the setting's scroll bar writes for the position.
void writesInto(QScrollBar* bar, QLineEdit* box, std::string Settings::*setting);
QCheckBox* checkBox(const char* name, const QString& caption, Check& setting, QWidget* parent,
                    std::function<void(bool)> afterChange = {});
// Ticks, unticks or greys a box as the setting holds it.
void showCheck(QCheckBox* box, Check state);
QLabel* label(const QString& text, QWidget* parent, const char* name = nullptr);
QPushButton* button(const char* name, const QString& caption, QWidget* parent,
                    std::function<void()> onClick);
// Sets a box's text only when it differs, so an unchanged value starts no change handlers.
void setTextIfChanged(QLineEdit* box, const std::string& text);
// Ties an option button to its flag: ticking it sets the flag, and showBoundSettings shows it.
void bindOption(QRadioButton* button, bool& flag);
// Shows in every text box, check box and option button below `root` that is bound to a setting
// what the setting holds now, without running the controls' change handlers: for settings put
// back whole (an opened scenario), whose state is already consistent and must not be changed by
// the rules that tie one setting to another.
void showBoundSettings(QWidget* root);

}  // namespace strida::ui

namespace strida::ui {
// Hides the child window that holds this panel ("&Close").
void hidePanel(QWidget* panel);
// The frame that holds all of a panel's controls, filling the panel.
QFrame* panelFrame(QWidget* panel, const char* name = nullptr);
}  // namespace strida::ui
