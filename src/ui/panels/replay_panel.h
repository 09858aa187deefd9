// "Replay": plays a trajectory file on the trap canvas without running the model, so that a run
// computed in batch or elsewhere can be watched afterwards. Play and Pause, a frame back or
// forward, and a slider over the frames; playing goes at the file's frame rate.
//
// Each pedestrian present in the frame shown is a circle of the parameters' pedestrian diameter
// around its position, red when it walks east (its last x is greater than its first), blue
// otherwise; the others are hidden. The circles are numbered from kFirstCircle on, in the order the
// pedestrians first appear in the file, apart from the circles of a run's pedestrians.
#pragma once

#include <QWidget>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

#include "core/error.h"
#include "measure/trajectory_reader.h"
#include "ui/trap_canvas.h"

class QLabel;
class QPushButton;
class QSlider;
class QTimer;

namespace strida {
class Host;
struct Settings;
}  // namespace strida

namespace strida::ui {

class ReplayPanel : public QWidget {
    Q_OBJECT
  public:
    // Beyond every pedestrian ID of a run (at most 32767).
    static constexpr int kFirstCircle = 32768;
    static constexpr std::size_t kMostPedestrians = TrapCanvas::kLastCircle - kFirstCircle + 1;
    // The circle that shows a pedestrian of the trajectory.
    static int circleOf(std::uint32_t pedestrian) {
        return kFirstCircle + static_cast<int>(pedestrian);
    }

    ReplayPanel(Host& host, const Settings& settings, QWidget* parent = nullptr);

    // Reads the file and shows its first frame in place of the replay before. When the file
    // cannot be replayed, says why and changes nothing.
    MaybeError open(const std::filesystem::path& file);
    // Ends the replay: stops it, takes its circles off the canvas and forgets the file.
    void end();
    // Draws the frame shown again (after the canvas's scale has changed).
    void redraw();

    const Trajectory* trajectory() const { return trajectory_ ? &*trajectory_ : nullptr; }
    std::size_t frameIndex() const { return index_; }
    bool playing() const { return playing_; }
    void play();
    void pause();
    // Pauses and shows the frame this many frames on (back when negative), within the file.
    void step(int frames);

    // The panel's "Open..." button.
    std::function<void()> onOpen;

  protected:
    void hideEvent(QHideEvent* event) override;

  private:
    void addControls();
    void showFrame(int index);
    void draw();
    void showState();
    void tick();
    void scheduleNext();
    void unloadCircles();

    Host& host_;
    const Settings& settings_;
    std::optional<Trajectory> trajectory_;
    std::filesystem::path file_;
    std::size_t index_ = 0;
    std::vector<std::uint32_t> shown_;  // the pedestrians whose circles show
    std::vector<std::uint32_t> drawn_;  // of each pedestrian: the last draw that showed it
    std::uint32_t draws_ = 0;
    bool playing_ = false;
    std::vector<bool> placed_;  // of each pedestrian: its circle is on the canvas
    QTimer* timer_ = nullptr;
    QSlider* slider_ = nullptr;
    QLabel* fileLabel_ = nullptr;
    QLabel* frameLabel_ = nullptr;
    QPushButton* play_ = nullptr;
    QPushButton* back_ = nullptr;
    QPushButton* forward_ = nullptr;
};

}  // namespace strida::ui
