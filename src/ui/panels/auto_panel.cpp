#include "ui/panels/auto_panel.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

#include "engine/settings_rules.h"
#include "ui/panels/bindings.h"

namespace strida::ui {

namespace {
QRadioButton* option(const char* name, const QString& caption, bool& setting, QWidget* parent,
                     QButtonGroup* group) {
    auto* b = new QRadioButton(caption, parent);
    b->setObjectName(name);
    group->addButton(b);
    bindOption(b, setting);
    return b;
}
}  // namespace

AutoPanel::AutoPanel(Settings& settings, QWidget* parent) : QWidget(parent), s_(settings) {
    setObjectName("frmAutoPedGenerator");
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName("TabPedGenerator");
    tabs_->addTab(timeTab(), "Time");
    tabs_->addTab(spaceTab(), "Space");
    tabs_->addTab(speedTab(), "Max Speed");
    tabs_->addTab(waysTab(), "Ways");
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(tabs_);
    outer->addWidget(button("cmdClose", "&Close", this, [this] { hidePanel(this); }), 0,
                     Qt::AlignRight);
    tabs_->setTabVisible(1, s_.GeneratedAtOnce);
}

void AutoPanel::rule(const std::function<void()>& apply) {
    if (inRule_) return;
    inRule_ = true;
    apply();
    refresh();
    inRule_ = false;
}

void AutoPanel::setBar(const char* name, int value) {
    auto* bar = findChild<QScrollBar*>(name);
    // A bar moved by a rule keeps its text as the rule wrote it; out-of-range values stop at its
    // ends.
    const QSignalBlocker quiet(bar);
    bar->setValue(value);
}

void AutoPanel::refresh() {
    const bool wasInRule = inRule_;
    inRule_ = true;
    const std::pair<const char*, const std::string*> texts[] = {
        {"txtTotalNumberOfPedestrians", &s_.TotalNumberOfPedestrians},
        {"txtNumPedLeft", &s_.NumPedLeft},
        {"txtNumPedRight", &s_.NumPedRight},
        {"txtPercentNumOf1stCategory", &s_.PercentNumOf1stCategory},
        {"txtPercentNumOf2ndCategory", &s_.PercentNumOf2ndCategory},
        {"txtDistGenerator2Trap", &s_.DistGenerator2Trap},
    };
    for (auto [name, text] : texts) setTextIfChanged(findChild<QLineEdit*>(name), *text);
    inRule_ = wasInRule;
}

void AutoPanel::showWays() {
    const bool two = s_.NumWays == Ways::Two;
    auto* button = findChild<QRadioButton*>(two ? "optNumWays1" : "optNumWays0");
    const QSignalBlocker quiet(button);
    button->setChecked(true);
    findChild<QFrame*>("FrameLeftRightNumberOfPedestrian")->setVisible(two);
}

void AutoPanel::evenSplit() {
    if (std::optional<std::int16_t> h = strida::evenSplit(s_)) {
        refresh();
        setBar("ScrlNumPedLeft", *h);
        setBar("ScrlNumPedRight", *h);
    }
}

QWidget* AutoPanel::timeTab() {
    auto* frame = new QWidget;
    frame->setObjectName("FrameTimeToGenerate");
    auto* column = new QVBoxLayout(frame);
    auto* timing = new QButtonGroup(frame);
    auto* atOnce = option("OptGeneratedAtOnce", "Generate all before simulation begin",
                          s_.GeneratedAtOnce, frame, timing);
    auto* random = option("OptRandomInput", "Use headway probability distribution ", s_.RandomInput,
                          frame, timing);
    column->addWidget(atOnce);
    column->addWidget(random);
    connect(atOnce, &QRadioButton::toggled, this, [this](bool on) {
        tabs_->setTabEnabled(1, on);
        tabs_->setTabVisible(1, on);
    });

    auto* headway = new QGroupBox("Time headway generator", frame);
    auto* grid = new QGridLayout(headway);
    auto* dist = new QButtonGroup(headway);
    grid->addWidget(option("OptUniformHeadwayDistInput", "Uniform Distribution",
                           s_.UniformHeadwayDistInput, headway, dist),
                    0, 0, 1, 4);
    grid->addWidget(option("optExponentialHeadwayDistInput", "Exponential Distribution",
                           s_.ExponentialHeadwayDistInput, headway, dist),
                    1, 0, 1, 4);
    grid->addWidget(option("optNormalHeadwayDistInput", "Normal Distibution",
                           s_.NormalHeadwayDistInput, headway, dist),
                    2, 0, 1, 4);
    auto* mean = textBox("txtHeadwayMeanInput", s_.HeadwayMeanInput, headway);
    auto* meanBar = scrollBar("ScrlHeadwayMeanInput", 1, 10000, 1, 1, 100, headway);
    writesInto(meanBar, mean, &Settings::HeadwayMeanInput);
    auto* sd = textBox("txtHeadwayStdInput", s_.HeadwayStdInput, headway);
    sd->setEnabled(false);  // edited only through its scroll bar
    auto* sdBar = scrollBar("ScrlStdHeadwayInput", 1, 10000, 1, 1, 100, headway);
    writesInto(sdBar, sd, &Settings::HeadwayStdInput);
    grid->addWidget(label("Mean", headway), 3, 0);
    grid->addWidget(mean, 3, 1);
    grid->addWidget(label("second", headway), 3, 2);
    grid->addWidget(meanBar, 3, 3);
    grid->addWidget(label("Std. Dev. ", headway), 4, 0);
    grid->addWidget(sd, 4, 1);
    grid->addWidget(label("second", headway), 4, 2);
    grid->addWidget(sdBar, 4, 3);
    column->addWidget(headway);
    column->addStretch();
    return frame;
}

QWidget* AutoPanel::spaceTab() {
    auto* frame = new QWidget;
    frame->setObjectName("Frame1");
    auto* column = new QVBoxLayout(frame);
    auto* space = new QGroupBox("Space to generate", frame);
    auto* grid = new QGridLayout(space);
    auto* group = new QButtonGroup(space);
    grid->addWidget(option("optUniformSpaceGenerator", "Uniform Spatial Distribution",
                           s_.UniformSpaceGenerator, space, group),
                    0, 0, 1, 4);
    grid->addWidget(option("optNormalSpaceGenerator",
                           "Normal Spatial Distribution (More pedestrians in the middle):",
                           s_.NormalSpaceGenerator, space, group),
                    1, 0, 1, 4);
    auto* mean = textBox("txtSpatialMeanInput", s_.SpatialMeanInput, space);
    auto* meanBar = scrollBar("ScrlSpatialMeanInput", 0, 100, 50, 1, 10, space, Qt::Vertical);
    // Tall enough to be read as the trap width it stands for, top to bottom.
    meanBar->setMinimumHeight(110);
    writesInto(meanBar, mean, &Settings::SpatialMeanInput);
    auto* range = textBox("txtSpatialRangeInput", s_.SpatialRangeInput, space);
    auto* rangeBar = scrollBar("ScrlSpatialRangeInput", 1, 100, 10, 1, 10, space);
    writesInto(rangeBar, range, &Settings::SpatialRangeInput);
    grid->addWidget(label("Mean", space), 2, 0);
    grid->addWidget(mean, 2, 1);
    grid->addWidget(label("% of trap width", space), 2, 2);
    grid->addWidget(meanBar, 2, 3, 3, 1);
    grid->addWidget(label("std dev.:", space), 3, 0);
    grid->addWidget(range, 3, 1);
    grid->addWidget(label("% of trap width", space), 3, 2);
    grid->addWidget(rangeBar, 4, 0, 1, 3);
    column->addWidget(space);

    auto* dist = textBox("txtDistGenerator2Trap", s_.DistGenerator2Trap, frame);
    auto* distBar = scrollBar("ScrlDistGenerator2Trap", 5, 1000, 500, 1, 10, frame);
    writesInto(distBar, dist, &Settings::DistGenerator2Trap);
    auto* row = new QGridLayout;
    row->addWidget(label("Distance of nearest generator to the center of the Trap:", frame), 0, 0,
                   1, 3);
    row->addWidget(dist, 1, 0);
    row->addWidget(label("meter", frame), 1, 1);
    row->addWidget(distBar, 1, 2);
    column->addLayout(row);
    column->addStretch();
    return frame;
}

struct SpeedCategory {
    const char* caption;
    std::string Settings::*share;
    const char *shareBox, *shareBar;
    int sharePosition;
    bool Settings::*theOnly;
    bool Settings::*normal;
    const char *theOnlyName, *normalName;
    std::string Settings::*only;
    std::string Settings::*mean;
    std::string Settings::*sd;
    const char *onlyBox, *meanBox, *sdBox, *meanBar, *sdBar, *inputFrame;
    int meanPosition, sdPosition;
};

namespace {
// The two categories of the "Max Speed" tab, side by side.
const SpeedCategory kCategories[] = {
    {"1st Category:",
     &Settings::PercentNumOf1stCategory,
     "txtPercentNumOf1stCategory",
     "ScrlPercentNumOf1stCategory",
     100,
     &Settings::_1stMaxSpeedTheOnly,
     &Settings::_1stMaxSpeedNormalDist,
     "opt1stMaxSpeedTheOnly",
     "opt1stMaxSpeedNormalDist",
     &Settings::_1stMaxSpeed,
     &Settings::_1stMaxSpeedMeanInput,
     &Settings::_1stMaxSpeedStdInput,
     "txt1stMaxSpeed",
     "txt1stMaxSpeedMeanInput",
     "txt1stMaxSpeedStdInput",
     "Scrl1stMaxSpeedMeanInput",
     "Scrl1stMaxSpeedStdInput",
     "frm1stMaxSpeedInput",
     1380,
     690},
    {"2nd Category:",
     &Settings::PercentNumOf2ndCategory,
     "txtPercentNumOf2ndCategory",
     "ScrlPercentNumOf2ndCategory",
     0,
     &Settings::_2ndMaxSpeedTheOnly,
     &Settings::_2ndMaxSpeedNormalDist,
     "opt2ndMaxSpeedTheOnly",
     "opt2ndMaxSpeedNormalDist",
     &Settings::_2ndMaxSpeed,
     &Settings::_2ndMaxSpeedMeanInput,
     &Settings::_2ndMaxSpeedStdInput,
     "txt2ndMaxSpeed",
     "txt2ndMaxSpeedMeanInput",
     "txt2ndMaxSpeedStdInput",
     "Scrl2ndMaxSpeedMeanInput",
     "Scrl2ndMaxSpeedStdInput",
     "frm2ndMaxSpeedInput",
     834,
     167},
};
}  // namespace

QWidget* AutoPanel::speedTab() {
    auto* frame = new QWidget;
    frame->setObjectName("Frame3");
    auto* grid = new QGridLayout(frame);
    int column = 0;
    for (const SpeedCategory& c : kCategories)
        grid->addLayout(speedCategory(frame, c), 0, column++);
    // The two shares complement each other to 100.
    connect(frame->findChild<QLineEdit*>("txtPercentNumOf1stCategory"), &QLineEdit::textChanged,
            this, [this] {
                rule([this] {
                    if (auto bar = firstShareChanged(s_)) {
                        refresh();
                        setBar("ScrlPercentNumOf2ndCategory", *bar);
                    }
                });
            });
    connect(frame->findChild<QLineEdit*>("txtPercentNumOf2ndCategory"), &QLineEdit::textChanged,
            this, [this] {
                rule([this] {
                    if (auto bar = secondShareChanged(s_)) {
                        refresh();
                        setBar("ScrlPercentNumOf1stCategory", *bar);
                    }
                });
            });
    return frame;
}

QLayout* AutoPanel::speedCategory(QWidget* frame, const SpeedCategory& c) {
    auto* box = new QVBoxLayout;
    auto* shareRow = new QHBoxLayout;
    auto* share = textBox(c.shareBox, s_.*c.share, frame);
    auto* shareBar = scrollBar(c.shareBar, 0, 100, c.sharePosition, 1, 10, frame);
    writesInto(shareBar, share, c.share);
    shareRow->addWidget(label(c.caption, frame));
    shareRow->addWidget(share);
    shareRow->addWidget(label("%", frame));
    box->addLayout(shareRow);
    box->addWidget(shareBar);

    auto* speed = new QGroupBox("Maximum Speed (m/sec)", frame);
    auto* g = new QGridLayout(speed);
    auto* group = new QButtonGroup(speed);
    auto* onlyOption = option(c.theOnlyName, "Only one:", s_.*c.theOnly, speed, group);
    auto* normalOption = option(c.normalName, "Distributed normally:", s_.*c.normal, speed, group);
    g->addWidget(onlyOption, 0, 0);
    g->addWidget(textBox(c.onlyBox, s_.*c.only, speed), 0, 1);
    g->addWidget(label("m/sec", speed), 0, 2);
    g->addWidget(normalOption, 1, 0, 1, 3);
    g->addWidget(speedInput(speed, normalOption, c), 2, 0, 1, 3);
    box->addWidget(speed);
    box->addStretch();
    return box;
}

QWidget* AutoPanel::speedInput(QWidget* speed, QAbstractButton* normal, const SpeedCategory& c) {
    auto* input = new QFrame(speed);
    input->setObjectName(c.inputFrame);
    auto* ig = new QGridLayout(input);
    ig->setContentsMargins(0, 0, 0, 0);
    auto* mean = textBox(c.meanBox, s_.*c.mean, input);
    auto* meanBar = scrollBar(c.meanBar, 1, 4000, c.meanPosition, 1, 100, input);
    writesInto(meanBar, mean, c.mean);
    auto* sd = textBox(c.sdBox, s_.*c.sd, input);
    auto* sdBar = scrollBar(c.sdBar, 1, 4000, c.sdPosition, 1, 100, input);
    writesInto(sdBar, sd, c.sd);
    ig->addWidget(label("Mean", input), 0, 0);
    ig->addWidget(mean, 0, 1);
    ig->addWidget(meanBar, 1, 0, 1, 2);
    ig->addWidget(label("Std. Dev. ", input), 2, 0);
    ig->addWidget(sd, 2, 1);
    ig->addWidget(sdBar, 3, 0, 1, 2);
    input->setVisible(s_.*c.normal);
    connect(normal, &QAbstractButton::toggled, input, [input](bool on) {
        input->setEnabled(on);
        input->setVisible(on);
    });
    return input;
}

QWidget* AutoPanel::waysTab() {
    auto* frame = new QWidget;
    frame->setObjectName("FrameNumberOfWay");
    auto* column = new QVBoxLayout(frame);
    auto* ways = new QGroupBox("Number of Way", frame);
    auto* wl = new QHBoxLayout(ways);
    auto* group = new QButtonGroup(ways);
    auto* one = new QRadioButton("1 way", ways);
    one->setObjectName("optNumWays0");
    auto* two = new QRadioButton("2 way", ways);
    two->setObjectName("optNumWays1");
    group->addButton(one, 0);
    group->addButton(two, 1);
    (s_.NumWays == Ways::Two ? two : one)->setChecked(true);
    wl->addWidget(one);
    wl->addWidget(two);
    column->addWidget(ways);
    column->addWidget(pedestrianNumbers(frame));
    column->addStretch();

    auto* sides = frame->findChild<QFrame*>("FrameLeftRightNumberOfPedestrian");
    connect(group, &QButtonGroup::idClicked, this, [this, sides](int index) {
        s_.NumWays = index == 1 ? Ways::Two : Ways::One;
        if (index == 0) {
            sides->hide();
            return;
        }
        rule([this] { evenSplit(); });
        sides->show();
    });
    return frame;
}

QWidget* AutoPanel::pedestrianNumbers(QWidget* frame) {
    auto* numbers = new QGroupBox("Number of Pedestrian to be generated:", frame);
    auto* grid = new QGridLayout(numbers);
    auto* total = textBox("txtTotalNumberOfPedestrians", s_.TotalNumberOfPedestrians, numbers);
    auto* totalBar = scrollBar("ScrlTotalNumberOfPedestrians", 0, 300, 20, 1, 10, numbers);
    writesInto(totalBar, total, &Settings::TotalNumberOfPedestrians);
    grid->addWidget(label("Total:", numbers), 0, 0);
    grid->addWidget(total, 0, 1);
    grid->addWidget(totalBar, 0, 2);
    auto* sides = new QFrame(numbers);
    sides->setObjectName("FrameLeftRightNumberOfPedestrian");
    auto* sg = new QGridLayout(sides);
    sg->setContentsMargins(0, 0, 0, 0);
    auto* left = textBox("txtNumPedLeft", s_.NumPedLeft, sides);
    auto* leftBar = scrollBar("ScrlNumPedLeft", 0, 150, 10, 1, 10, sides);
    writesInto(leftBar, left, &Settings::NumPedLeft);
    auto* right = textBox("txtNumPedRight", s_.NumPedRight, sides);
    auto* rightBar = scrollBar("ScrlNumPedRight", 0, 150, 10, 1, 10, sides);
    writesInto(rightBar, right, &Settings::NumPedRight);
    sg->addWidget(label("From Left side:", sides), 0, 0);
    sg->addWidget(left, 0, 1);
    sg->addWidget(leftBar, 0, 2);
    sg->addWidget(label("From Right side:", sides), 1, 0);
    sg->addWidget(right, 1, 1);
    sg->addWidget(rightBar, 1, 2);
    grid->addWidget(sides, 1, 0, 1, 3);
    sides->setVisible(s_.NumWays == Ways::Two);

    // A total edit splits it evenly between the sides; a side edit makes the total their sum.
    connect(total, &QLineEdit::textChanged, this, [this] {
        if (s_.NumWays == Ways::Two) rule([this] { evenSplit(); });
    });
    for (QLineEdit* side : {left, right})
        connect(side, &QLineEdit::textChanged, this,
                [this] { rule([this] { sideCountChanged(s_); }); });
    return numbers;
}

}  // namespace strida::ui
