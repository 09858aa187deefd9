#include "ui/panels/auto_panel.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "ui/panels/bindings.h"

namespace strida::ui {

namespace {
QRadioButton* option(const char* name, const QString& caption, SettingsDoor& door,
                     bool Settings::*setting, QWidget* parent, QButtonGroup* group) {
    auto* b = new QRadioButton(caption, parent);
    b->setObjectName(name);
    group->addButton(b);
    bindOption(b, door, setting);
    return b;
}
}  // namespace

AutoPanel::AutoPanel(SettingsDoor& door, QWidget* parent) : QWidget(parent), door_(door) {
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
    tabs_->setTabVisible(1, door_.record().GeneratedAtOnce);
}

void AutoPanel::showState() {
    const Settings& s = door_.record();
    if (tabs_->isTabVisible(1) != s.GeneratedAtOnce) {
        tabs_->setTabEnabled(1, s.GeneratedAtOnce);
        tabs_->setTabVisible(1, s.GeneratedAtOnce);
    }
    const std::pair<const char*, bool> parts[] = {
        {"frm1stMaxSpeedInput", s._1stMaxSpeedNormalDist},
        {"frm2ndMaxSpeedInput", s._2ndMaxSpeedNormalDist},
        {"FrameLeftRightNumberOfPedestrian", s.NumWays == Ways::Two},
    };
    for (auto [name, shown] : parts) {
        auto* part = findChild<QFrame*>(name);
        if (part->isHidden() != shown) continue;
        part->setEnabled(shown);
        part->setVisible(shown);
    }
}

QWidget* AutoPanel::timeTab() {
    auto* frame = new QWidget;
    frame->setObjectName("FrameTimeToGenerate");
    auto* column = new QVBoxLayout(frame);
    auto* timing = new QButtonGroup(frame);
    column->addWidget(option("OptGeneratedAtOnce", "Generate all before simulation begin", door_,
                             &Settings::GeneratedAtOnce, frame, timing));
    column->addWidget(option("OptRandomInput", "Use headway probability distribution ", door_,
                             &Settings::RandomInput, frame, timing));

    auto* headway = new QGroupBox("Time headway generator", frame);
    auto* grid = new QGridLayout(headway);
    auto* dist = new QButtonGroup(headway);
    grid->addWidget(option("OptUniformHeadwayDistInput", "Uniform Distribution", door_,
                           &Settings::UniformHeadwayDistInput, headway, dist),
                    0, 0, 1, 4);
    grid->addWidget(option("optExponentialHeadwayDistInput", "Exponential Distribution", door_,
                           &Settings::ExponentialHeadwayDistInput, headway, dist),
                    1, 0, 1, 4);
    grid->addWidget(option("optNormalHeadwayDistInput", "Normal Distibution", door_,
                           &Settings::NormalHeadwayDistInput, headway, dist),
                    2, 0, 1, 4);
    auto* mean = textBox("txtHeadwayMeanInput", door_, &Settings::HeadwayMeanInput, headway);
    auto* meanBar = scrollBar("ScrlHeadwayMeanInput", 1, 10000, 1, 1, 100, headway);
    writesInto(meanBar, mean, &Settings::HeadwayMeanInput);
    auto* sd = textBox("txtHeadwayStdInput", door_, &Settings::HeadwayStdInput, headway);
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
    grid->addWidget(option("optUniformSpaceGenerator", "Uniform Spatial Distribution", door_,
                           &Settings::UniformSpaceGenerator, space, group),
                    0, 0, 1, 4);
    grid->addWidget(option("optNormalSpaceGenerator",
                           "Normal Spatial Distribution (More pedestrians in the middle):", door_,
                           &Settings::NormalSpaceGenerator, space, group),
                    1, 0, 1, 4);
    auto* mean = textBox("txtSpatialMeanInput", door_, &Settings::SpatialMeanInput, space);
    auto* meanBar = scrollBar("ScrlSpatialMeanInput", 0, 100, 50, 1, 10, space, Qt::Vertical);
    // Tall enough to be read as the trap width it stands for, top to bottom.
    meanBar->setMinimumHeight(110);
    writesInto(meanBar, mean, &Settings::SpatialMeanInput);
    auto* range = textBox("txtSpatialRangeInput", door_, &Settings::SpatialRangeInput, space);
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

    auto* dist = textBox("txtDistGenerator2Trap", door_, &Settings::DistGenerator2Trap, frame);
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
    return frame;
}

QLayout* AutoPanel::speedCategory(QWidget* frame, const SpeedCategory& c) {
    auto* box = new QVBoxLayout;
    auto* shareRow = new QHBoxLayout;
    auto* share = textBox(c.shareBox, door_, c.share, frame);
    auto* shareBar = scrollBar(c.shareBar, 0, 100, c.sharePosition, 1, 10, frame);
    writesInto(shareBar, share, c.share);
    followsRules(shareBar, c.share);  // the other share is the rest of 100
    shareRow->addWidget(label(c.caption, frame));
    shareRow->addWidget(share);
    shareRow->addWidget(label("%", frame));
    box->addLayout(shareRow);
    box->addWidget(shareBar);

    auto* speed = new QGroupBox("Maximum Speed (m/sec)", frame);
    auto* g = new QGridLayout(speed);
    auto* group = new QButtonGroup(speed);
    auto* onlyOption = option(c.theOnlyName, "Only one:", door_, c.theOnly, speed, group);
    auto* normalOption =
        option(c.normalName, "Distributed normally:", door_, c.normal, speed, group);
    g->addWidget(onlyOption, 0, 0);
    g->addWidget(textBox(c.onlyBox, door_, c.only, speed), 0, 1);
    g->addWidget(label("m/sec", speed), 0, 2);
    g->addWidget(normalOption, 1, 0, 1, 3);
    g->addWidget(speedInput(speed, c), 2, 0, 1, 3);
    box->addWidget(speed);
    box->addStretch();
    return box;
}

QWidget* AutoPanel::speedInput(QWidget* speed, const SpeedCategory& c) {
    auto* input = new QFrame(speed);
    input->setObjectName(c.inputFrame);
    auto* ig = new QGridLayout(input);
    ig->setContentsMargins(0, 0, 0, 0);
    auto* mean = textBox(c.meanBox, door_, c.mean, input);
    auto* meanBar = scrollBar(c.meanBar, 1, 4000, c.meanPosition, 1, 100, input);
    writesInto(meanBar, mean, c.mean);
    auto* sd = textBox(c.sdBox, door_, c.sd, input);
    auto* sdBar = scrollBar(c.sdBar, 1, 4000, c.sdPosition, 1, 100, input);
    writesInto(sdBar, sd, c.sd);
    ig->addWidget(label("Mean", input), 0, 0);
    ig->addWidget(mean, 0, 1);
    ig->addWidget(meanBar, 1, 0, 1, 2);
    ig->addWidget(label("Std. Dev. ", input), 2, 0);
    ig->addWidget(sd, 2, 1);
    ig->addWidget(sdBar, 3, 0, 1, 2);
    input->setVisible(door_.record().*c.normal);
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
    bindOption(one, door_, "NumWays", "0");
    bindOption(two, door_, "NumWays", "1");
    wl->addWidget(one);
    wl->addWidget(two);
    column->addWidget(ways);
    column->addWidget(pedestrianNumbers(frame));
    column->addStretch();

    return frame;
}

QWidget* AutoPanel::pedestrianNumbers(QWidget* frame) {
    auto* numbers = new QGroupBox("Number of Pedestrian to be generated:", frame);
    auto* grid = new QGridLayout(numbers);
    auto* total =
        textBox("txtTotalNumberOfPedestrians", door_, &Settings::TotalNumberOfPedestrians, numbers);
    auto* totalBar = scrollBar("ScrlTotalNumberOfPedestrians", 0, 300, 20, 1, 10, numbers);
    writesInto(totalBar, total, &Settings::TotalNumberOfPedestrians);
    grid->addWidget(label("Total:", numbers), 0, 0);
    grid->addWidget(total, 0, 1);
    grid->addWidget(totalBar, 0, 2);
    auto* sides = new QFrame(numbers);
    sides->setObjectName("FrameLeftRightNumberOfPedestrian");
    auto* sg = new QGridLayout(sides);
    sg->setContentsMargins(0, 0, 0, 0);
    auto* left = textBox("txtNumPedLeft", door_, &Settings::NumPedLeft, sides);
    auto* leftBar = scrollBar("ScrlNumPedLeft", 0, 150, 10, 1, 10, sides);
    writesInto(leftBar, left, &Settings::NumPedLeft);
    followsRules(leftBar, &Settings::NumPedLeft);  // an even split of the total
    auto* right = textBox("txtNumPedRight", door_, &Settings::NumPedRight, sides);
    auto* rightBar = scrollBar("ScrlNumPedRight", 0, 150, 10, 1, 10, sides);
    writesInto(rightBar, right, &Settings::NumPedRight);
    followsRules(rightBar, &Settings::NumPedRight);
    sg->addWidget(label("From Left side:", sides), 0, 0);
    sg->addWidget(left, 0, 1);
    sg->addWidget(leftBar, 0, 2);
    sg->addWidget(label("From Right side:", sides), 1, 0);
    sg->addWidget(right, 1, 1);
    sg->addWidget(rightBar, 1, 2);
    grid->addWidget(sides, 1, 0, 1, 3);
    sides->setVisible(door_.record().NumWays == Ways::Two);

    return numbers;
}

}  // namespace strida::ui
