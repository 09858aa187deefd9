#include "ui/panels/bindings.h"

#include <QSignalBlocker>
#include <QToolTip>
#include <QValidator>
#include <memory>
#include <vector>

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
// The setting a control is bound to, kept on the control for showBoundSettings.
constexpr const char* kTextSetting = "stridaTextSetting";
constexpr const char* kCheckSetting = "stridaCheckSetting";
constexpr const char* kFlagSetting = "stridaFlagSetting";

template <typename T>
T* boundTo(const QObject* control, const char* property) {
    return static_cast<T*>(control->property(property).value<void*>());
}
}  // namespace

QLineEdit* textBox(const char* name, std::string& setting, QWidget* parent,
                   std::function<void()> afterChange) {
    auto* box = new QLineEdit(QString::fromStdString(setting), parent);
    box->setObjectName(name);
    const QString control(name);
    box->setValidator(new PrintableText(control.startsWith("txt") ? control.mid(3) : control, box));
    box->setMaximumWidth(90);
    box->setProperty(kTextSetting, QVariant::fromValue(static_cast<void*>(&setting)));
    QObject::connect(box, &QLineEdit::textChanged, box,
                     [&setting, afterChange](const QString& text) {
                         setting = text.toStdString();
                         if (afterChange) afterChange();
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
    QObject::connect(bar, &QScrollBar::valueChanged, box, [box, setting](int value) {
        box->setText(QString::fromStdString(scrollBarText(setting, value)));
    });
}

QCheckBox* checkBox(const char* name, const QString& caption, Check& setting, QWidget* parent,
                    std::function<void(bool)> afterChange) {
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(name);
    showCheck(box, setting);
    box->setProperty(kCheckSetting, QVariant::fromValue(static_cast<void*>(&setting)));
    QObject::connect(box, &QCheckBox::stateChanged, box, [&setting, afterChange](int state) {
        setting = state == Qt::Checked            ? Check::Checked
                  : state == Qt::PartiallyChecked ? Check::Grayed
                                                  : Check::Unchecked;
        if (afterChange) afterChange(state == Qt::Checked);
    });
    return box;
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

void bindOption(QRadioButton* button, bool& flag) {
    button->setProperty(kFlagSetting, QVariant::fromValue(static_cast<void*>(&flag)));
    button->setChecked(flag);
    QObject::connect(button, &QRadioButton::toggled, button, [&flag](bool on) { flag = on; });
}

void showBoundSettings(QWidget* root) {
    for (QLineEdit* box : root->findChildren<QLineEdit*>())
        if (auto* text = boundTo<std::string>(box, kTextSetting)) {
            const QSignalBlocker quiet(box);
            box->setText(QString::fromStdString(*text));
        }
    for (QCheckBox* box : root->findChildren<QCheckBox*>())
        if (auto* state = boundTo<Check>(box, kCheckSetting)) {
            const QSignalBlocker quiet(box);
            showCheck(box, *state);
        }
    // Every option button is quiet while any is set, as ticking one unticks the rest of its group.
    const QList<QRadioButton*> options = root->findChildren<QRadioButton*>();
    std::vector<std::unique_ptr<QSignalBlocker>> quiet;
    for (QRadioButton* button : options) quiet.push_back(std::make_unique<QSignalBlocker>(button));
    for (QRadioButton* button : options)
        if (auto* flag = boundTo<bool>(button, kFlagSetting); flag && *flag)
            button->setChecked(true);
}

}  // namespace strida::ui
