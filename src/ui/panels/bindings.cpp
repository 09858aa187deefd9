#include "ui/panels/bindings.h"

#include <QSignalBlocker>
#include <QToolTip>
#include <QValidator>
#include <algorithm>
#include <memory>
#include <type_traits>
#include <vector>

#include "engine/engine.h"
#include "engine/settings_rules.h"

namespace strida::ui {

namespace {
// Typed or pasted text with a line break or another control character in it is not taken, as the
// batch runner refuses it: it would split the report records the text is copied into.
class PrintableText : public QValidator {
  public:
    PrintableText(QString setting, QLineEdit* box)
        : QValidator(box), setting_(std::move(setting)), box_(box) {}
    State validate(QString& text, int&) const override {
        if (isPrintableText(text.toStdString())) return Acceptable;
        QToolTip::showText(box_->mapToGlobal(QPoint(0, box_->height())),
                           setting_ +
                               " takes printable text only: a line break or another "
                               "control character cannot be part of it.",
                           box_);
        return Invalid;
    }

  private:
    QString setting_;
    QLineEdit* box_;
};
}  // namespace

namespace {
// What a control is bound to, kept on the control for showBoundSettings: the setting's name, the
// value an option button selects, and the roles of the bars that follow the record.
constexpr const char* kSetting = "stridaSetting";
constexpr const char* kValue = "stridaValue";
constexpr const char* kFollows = "stridaFollows";
constexpr const char* kAboveBody = "stridaAboveBody";
constexpr const char* kBarOf = "stridaBarOf";

std::string_view nameOf(std::string_view setting) {
    return findSetting(setting)->name;  // the table's own, which outlives every control
}
// The name of the setting a field holds.
template <typename T>
std::string_view nameOf(T Settings::*field) {
    for (const SettingInfo& info : settingTable()) {
        if constexpr (std::is_same_v<T, std::string>) {
            if (info.text == field) return info.name;
        } else if constexpr (std::is_same_v<T, Check>) {
            if (info.check == field) return info.name;
        } else {
            if (info.flag == field) return info.name;
        }
    }
    return {};
}
std::string boundName(const QObject* control, const char* property) {
    return control->property(property).toString().toStdString();
}
}  // namespace

const Settings& SettingsDoor::record() const {
    return engine_.settings();
}

bool SettingsDoor::change(std::string_view name, std::string_view value) {
    const Settings before = engine_.settings();
    if (engine_.changeSetting(name, value)) return false;
    if (changed) changed(name, differences(before, engine_.settings()));
    return true;
}

std::vector<std::string_view> differences(const Settings& before, const Settings& after) {
    std::vector<std::string_view> names;
    for (const SettingInfo& info : settingTable())
        if (settingText(before, info) != settingText(after, info)) names.push_back(info.name);
    return names;
}

QLineEdit* textBox(const char* name, SettingsDoor& door, std::string Settings::*field,
                   QWidget* parent) {
    const std::string_view setting = nameOf(field);
    auto* box = new QLineEdit(QString::fromStdString(door.record().*field), parent);
    box->setObjectName(name);
    const QString control(name);
    box->setValidator(new PrintableText(control.startsWith("txt") ? control.mid(3) : control, box));
    box->setMaximumWidth(90);
    box->setProperty(kSetting, QString::fromUtf8(setting.data(), setting.size()));
    QObject::connect(box, &QLineEdit::textChanged, box,
                     [&door, setting = nameOf(setting)](const QString& text) {
                         door.change(setting, text.toStdString());
                     });
    return box;
}

QScrollBar* scrollBar(const char* name, int minimum, int maximum, int value, int single, int page,
                      QWidget* parent, Qt::Orientation orientation) {
    auto* bar = new QScrollBar(orientation, parent);
    bar->setObjectName(name);
    bar->setRange(minimum, maximum);
    bar->setSingleStep(single);
    bar->setPageStep(page);
    bar->setValue(value);
    if (orientation == Qt::Horizontal) bar->setMinimumWidth(120);
    return bar;
}

void writesInto(QScrollBar* bar, QLineEdit* box, std::string Settings::*setting) {
    const std::string_view name = nameOf(setting);
    bar->setProperty(kBarOf, QString::fromUtf8(name.data(), name.size()));
    QObject::connect(bar, &QScrollBar::valueChanged, box, [box, setting](int value) {
        box->setText(QString::fromStdString(scrollBarText(setting, value)));
    });
}

void followsRules(QScrollBar* bar, std::string Settings::*setting) {
    const std::string_view name = nameOf(setting);
    bar->setProperty(kFollows, QString::fromUtf8(name.data(), name.size()));
}

std::string boundSetting(const QObject* control) {
    const std::string name = boundName(control, kSetting);
    return name.empty() ? boundName(control, kBarOf) : name;
}

std::string boundValue(const QObject* control) {
    return boundName(control, kValue);
}

void staysAboveBody(QScrollBar* bar) {
    bar->setProperty(kAboveBody, true);
}

QCheckBox* checkBox(const char* name, const QString& caption, SettingsDoor& door,
                    Check Settings::*field, QWidget* parent) {
    const std::string_view setting = nameOf(field);
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(name);
    showCheck(box, door.record().*field);
    box->setProperty(kSetting, QString::fromUtf8(setting.data(), setting.size()));
    QObject::connect(box, &QCheckBox::toggled, box, [&door, setting = nameOf(setting)](bool on) {
        door.change(setting, on ? "1" : "0");
    });
    return box;
}

void bindOption(QAbstractButton* button, SettingsDoor& door, bool Settings::*setting) {
    bindOption(button, door, nameOf(setting), "1");
}

void bindOption(QAbstractButton* button, SettingsDoor& door, std::string_view setting,
                std::string_view value) {
    button->setProperty(kSetting, QString::fromUtf8(setting.data(), setting.size()));
    button->setProperty(kValue, QString::fromUtf8(value.data(), value.size()));
    button->setChecked(settingText(door.record(), *findSetting(setting)) == value);
    QObject::connect(button, &QAbstractButton::clicked, button,
                     [&door, setting = nameOf(setting), value = std::string(value)] {
                         door.change(setting, value);
                     });
}

void showCheck(QCheckBox* box, Check state) {
    box->setCheckState(state == Check::Checked  ? Qt::Checked
                       : state == Check::Grayed ? Qt::PartiallyChecked
                                                : Qt::Unchecked);
}

QLabel* label(const QString& text, QWidget* parent, const char* name) {
    auto* l = new QLabel(text, parent);
    if (name) l->setObjectName(name);
    return l;
}

QPushButton* button(const char* name, const QString& caption, QWidget* parent,
                    std::function<void()> onClick) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    QObject::connect(b, &QPushButton::clicked, b, [onClick] { onClick(); });
    return b;
}

void setTextIfChanged(QLineEdit* box, const std::string& text) {
    const QString q = QString::fromStdString(text);
    if (box->text() != q) box->setText(q);
}

}  // namespace strida::ui

#include <QMdiSubWindow>
#include <QVBoxLayout>

namespace strida::ui {
void hidePanel(QWidget* panel) {
    for (QWidget* w = panel; w; w = w->parentWidget()) {
        if (auto* sub = qobject_cast<QMdiSubWindow*>(w)) {
            sub->hide();
            return;
        }
    }
    panel->hide();
}

QFrame* panelFrame(QWidget* panel, const char* name) {
    auto* frame = new QFrame(panel);
    if (name) frame->setObjectName(name);
    auto* outer = new QVBoxLayout(panel);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(frame);
    return frame;
}
}  // namespace strida::ui

namespace strida::ui {
namespace {

bool contains(const std::vector<std::string_view>& names, std::string_view name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

void showTexts(QWidget* root, const Settings& s) {
    for (QLineEdit* box : root->findChildren<QLineEdit*>()) {
        const std::string name = boundName(box, kSetting);
        if (name.empty()) continue;
        const QSignalBlocker quiet(box);
        setTextIfChanged(box, s.*findSetting(name)->text);
    }
}

void showChecks(QWidget* root, const Settings& s) {
    for (QCheckBox* box : root->findChildren<QCheckBox*>()) {
        const std::string name = boundName(box, kSetting);
        if (name.empty()) continue;
        const Check state = s.*findSetting(name)->check;
        const QSignalBlocker quiet(box);
        if (box->checkState() != (state == Check::Checked  ? Qt::Checked
                                  : state == Check::Grayed ? Qt::PartiallyChecked
                                                           : Qt::Unchecked))
            showCheck(box, state);
    }
}

void showOptions(QWidget* root, const Settings& s) {
    // Every option button is quiet while any is set, as ticking one unticks the rest of its group.
    std::vector<QAbstractButton*> bound;
    for (QAbstractButton* button : root->findChildren<QRadioButton*>())
        if (!boundName(button, kSetting).empty()) bound.push_back(button);
    std::vector<std::unique_ptr<QSignalBlocker>> quiet;
    for (QAbstractButton* button : bound) quiet.push_back(std::make_unique<QSignalBlocker>(button));
    for (QAbstractButton* button : bound) {
        const SettingInfo& info = *findSetting(boundName(button, kSetting));
        if (settingText(s, info) == boundName(button, kValue) && !button->isChecked())
            button->setChecked(true);
    }
}

void showBars(QWidget* root, const Settings& s, std::string_view name,
              const std::vector<std::string_view>& changed) {
    for (QScrollBar* bar : root->findChildren<QScrollBar*>()) {
        const std::string follows = boundName(bar, kFollows);
        if (!follows.empty() && follows != name && contains(changed, follows)) {
            // Out-of-range values stop at the bar's ends; the text stays as the rule wrote it.
            if (std::optional<int> position = scrollBarPosition(findSetting(follows)->text, s)) {
                const QSignalBlocker quiet(bar);
                bar->setValue(*position);
            }
        }
        if (bar->property(kAboveBody).toBool() && contains(changed, "PedDiameter")) {
            const QSignalBlocker quiet(bar);  // the bar keeps its place; the text stays
            bar->setMinimum(influenceBarMinimum(s));
        }
    }
}

}  // namespace

void showBoundSettings(QWidget* root, const Settings& s, std::string_view name,
                       const std::vector<std::string_view>& changed) {
    showTexts(root, s);
    showChecks(root, s);
    showOptions(root, s);
    showBars(root, s, name, changed);
}

}  // namespace strida::ui
