// "Random Seed": a seed every following run starts from, so that runs repeat draw for draw, or
// none, and the runs are seeded from the time of day again.
#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>

class QLabel;
class QLineEdit;

namespace strida::ui {

class SeedPanel : public QWidget {
    Q_OBJECT
  public:
    explicit SeedPanel(QWidget* parent = nullptr);
    // The seed the next runs start from; none by default.
    std::optional<std::uint64_t> seed() const { return seed_; }
    // Fixes the seed of the next runs, or with none seeds them from the time of day again.
    void setSeed(std::optional<std::uint64_t> seed);

    // Tells the user why a seed was not taken.
    std::function<void(const QString&)> showMessage;

  private:
    void take();
    void clear();
    void showState();

    QLineEdit* box_ = nullptr;
    QLabel* state_ = nullptr;
    std::optional<std::uint64_t> seed_;
};

}  // namespace strida::ui
