#include "ui/panels/replay_panel.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QSlider>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "core/numbers.h"
#include "engine/host.h"
#include "engine/setting_readers.h"
#include "engine/settings.h"
#include "ui/panels/bindings.h"

namespace strida::ui {

namespace {

// The parameters' pedestrian diameter in metres, read leniently; the default one when the text
// gives none that could be drawn.
double pedestrianDiameter(const Settings& s) {
    const SettingReader& diameter = readerOf(&Settings::PedDiameter);
    const double d = diameter.leading(s);
    return std::isfinite(d) && d > 0 && d <= 10 ? d : diameter.leading(Settings{});
}

// The longest texts the labels have to hold, so that the panel need not grow.
const char* const kLongestFrame = "Frame 888888 of 888888, 88888.88 s";
const char* const kLongestFile = "a trajectory file name.txt: 88888 pedestrians, 88.888 fps";

}  // namespace

ReplayPanel::ReplayPanel(Host& host, const Settings& settings, QWidget* parent)
    : QWidget(parent), host_(host), settings_(settings) {
    setObjectName("frmReplay");
    timer_ = new QTimer(this);
    timer_->setObjectName("tmrReplay");
    timer_->setSingleShot(true);
    timer_->setTimerType(Qt::PreciseTimer);
    connect(timer_, &QTimer::timeout, this, [this] { tick(); });
    addControls();
    showState();
}

void ReplayPanel::addControls() {
    QFrame* frame = panelFrame(this, "frmReplayControls");
    auto* grid = new QGridLayout(frame);
    fileLabel_ = label(kLongestFile, frame, "lblFile");
    fileLabel_->setMinimumWidth(fileLabel_->sizeHint().width());
    grid->addWidget(fileLabel_, 0, 0, 1, 5);
    slider_ = new QSlider(Qt::Horizontal, frame);
    slider_->setObjectName("sldFrame");
    slider_->setPageStep(10);
    connect(slider_, &QSlider::valueChanged, this, [this](int value) { showFrame(value); });
    grid->addWidget(slider_, 1, 0, 1, 5);
    frameLabel_ = label(kLongestFrame, frame, "lblFrame");
    frameLabel_->setMinimumWidth(frameLabel_->sizeHint().width());
    grid->addWidget(frameLabel_, 2, 0, 1, 5);
    back_ = button("cmdBack", "< &Back", frame, [this] { step(-1); });
    play_ = button("cmdPlay", "&Pause", frame, [this] { playing() ? pause() : play(); });
    play_->setMinimumWidth(play_->sizeHint().width());
    play_->setText("&Play");
    play_->setMinimumWidth(std::max(play_->minimumWidth(), play_->sizeHint().width()));
    forward_ = button("cmdStep", "&Step >", frame, [this] { step(1); });
    grid->addWidget(back_, 3, 0);
    grid->addWidget(play_, 3, 1);
    grid->addWidget(forward_, 3, 2);
    grid->setColumnStretch(3, 1);
    auto* ends = new QHBoxLayout;
    ends->addWidget(button("cmdOpen", "&Open...", frame, [this] {
        if (onOpen) onOpen();
    }));
    ends->addWidget(button("cmdClose", "&Close", frame, [this] { hidePanel(this); }));
    grid->addLayout(ends, 3, 4);
}

MaybeError ReplayPanel::open(const std::filesystem::path& file) {
    TrajectoryLimits limits;
    limits.maxPedestrians = kMostPedestrians;
    std::string error;
    std::optional<Trajectory> read = readTrajectoryText(file, error, limits);
    if (!read) return EngineError{error};
    end();
    trajectory_ = std::move(read);
    file_ = file;
    const std::size_t n = trajectory_->pedestrians.size();
    drawn_.assign(n, 0);
    placed_.assign(n, false);
    draws_ = 0;
    index_ = 0;
    {
        const QSignalBlocker quiet(slider_);
        slider_->setRange(0, static_cast<int>(trajectory_->frameCount() - 1));
        slider_->setValue(0);
    }
    draw();
    showState();
    play_->setFocus();  // Space plays
    return std::nullopt;
}

void ReplayPanel::end() {
    playing_ = false;
    timer_->stop();
    unloadCircles();
    trajectory_.reset();
    file_.clear();
    shown_.clear();
    drawn_.clear();
    placed_.clear();
    index_ = 0;
    const QSignalBlocker quiet(slider_);
    slider_->setRange(0, 0);
    showState();
}

void ReplayPanel::unloadCircles() {
    for (std::size_t p = 0; p < placed_.size(); ++p)
        if (placed_[p]) host_.unloadCircle(circleOf(static_cast<std::uint32_t>(p)));
}

void ReplayPanel::redraw() {
    draw();
}

void ReplayPanel::play() {
    if (!trajectory_) return;
    // From the start again once it has played to the end.
    if (index_ + 1 >= trajectory_->frameCount()) slider_->setValue(0);
    playing_ = true;
    scheduleNext();
    showState();
}

void ReplayPanel::pause() {
    playing_ = false;
    timer_->stop();
    showState();
}

void ReplayPanel::step(int frames) {
    pause();
    slider_->setValue(std::clamp<long long>(static_cast<long long>(index_) + frames,
                                            slider_->minimum(), slider_->maximum()));
}

void ReplayPanel::scheduleNext() {
    if (!trajectory_ || index_ + 1 >= trajectory_->frameCount()) {
        playing_ = false;  // played to the end
        return;
    }
    // As long as the file's frame numbers say from this frame to the next.
    const double ms = (trajectory_->seconds(index_ + 1) - trajectory_->seconds(index_)) * 1000;
    timer_->start(static_cast<int>(std::clamp(std::round(ms), 1.0, 60'000.0)));
}

void ReplayPanel::tick() {
    if (!trajectory_) return;
    slider_->setValue(static_cast<int>(index_ + 1));
    scheduleNext();
    if (!playing_) showState();  // played to the end
}

void ReplayPanel::showFrame(int index) {
    if (!trajectory_ || index < 0 || static_cast<std::size_t>(index) >= trajectory_->frameCount())
        return;
    index_ = static_cast<std::size_t>(index);
    draw();
    showState();
}

void ReplayPanel::draw() {
    if (!trajectory_) return;
    const double m2t = host_.m2Twips();
    if (!(m2t > 0 && std::isfinite(m2t))) return;
    const double d = pedestrianDiameter(settings_), r = d / 2;
    const bool filled = isOn(settings_.DrawFill);
    if (++draws_ == 0) {  // counted round: no mark may look current
        std::fill(drawn_.begin(), drawn_.end(), 0);
        draws_ = 1;
    }
    for (const TrajectoryPoint& p : trajectory_->frame(index_)) {
        const int id = circleOf(p.pedestrian);
        const TrajectoryPedestrian& ped = trajectory_->pedestrians[p.pedestrian];
        host_.placeCircle(id, static_cast<float>((p.x - r) / m2t),
                          static_cast<float>((p.y + r) / m2t), static_cast<float>(d / m2t));
        host_.paintCircle(id, ped.lastX > ped.firstX ? colours::Red : colours::Blue, filled);
        host_.setCircleVisible(id, true);
        drawn_[p.pedestrian] = draws_;
        placed_[p.pedestrian] = true;
    }
    for (std::uint32_t p : shown_)
        if (drawn_[p] != draws_) host_.setCircleVisible(circleOf(p), false);
    shown_.clear();
    for (const TrajectoryPoint& p : trajectory_->frame(index_)) shown_.push_back(p.pedestrian);
}

void ReplayPanel::showState() {
    const bool loaded = trajectory_.has_value();
    for (QWidget* w : {static_cast<QWidget*>(slider_), static_cast<QWidget*>(play_)})
        w->setEnabled(loaded);
    back_->setEnabled(loaded && index_ > 0);
    forward_->setEnabled(loaded && index_ + 1 < trajectory_->frameCount());
    play_->setText(playing() ? "&Pause" : "&Play");
    if (!loaded) {
        fileLabel_->setText("No trajectory is open.");
        fileLabel_->setToolTip({});
        frameLabel_->setText("");
        return;
    }
    const Trajectory& t = *trajectory_;
    const QString about = QString(": %1 pedestrian%2, %3 fps%4")
                              .arg(t.pedestrians.size())
                              .arg(t.pedestrians.size() == 1 ? "" : "s")
                              .arg(QString::fromStdString(num::shortest(t.fps)))
                              .arg(t.fpsFromFile ? "" : " (assumed)");
    const QFontMetrics metrics = fileLabel_->fontMetrics();
    const QString name = metrics.elidedText(
        QString::fromStdString(file_.filename().string()), Qt::ElideMiddle,
        std::max(0, fileLabel_->minimumWidth() - metrics.horizontalAdvance(about)));
    fileLabel_->setText(name + about);
    fileLabel_->setToolTip(QString::fromStdString(file_.string()));
    frameLabel_->setText(QString("Frame %1 of %2, %3 s")
                             .arg(index_ + 1)
                             .arg(t.frameCount())
                             .arg(QString::fromStdString(num::fixed(t.seconds(index_), 2))));
}

void ReplayPanel::hideEvent(QHideEvent* event) {
    // Closing the panel stops the replay where it is; the frame stays on the canvas.
    if (!event->spontaneous()) pause();
    QWidget::hideEvent(event);
}

}  // namespace strida::ui
