// A run's trajectory kept in memory, column by column, as a script reads it: the rows the
// trajectory files get, with each position as their text gives it back.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "core/numbers.h"
#include "measure/trajectory_writer.h"

namespace strida::python {

class TrajectoryTable : public TrajectoryWriter {
  public:
    void beginFrame(std::int64_t frame) override { frame_ = frame; }
    void row(int id, float x, float y, double, double) override {
        if (!std::isfinite(x) || !std::isfinite(y)) return;  // as the files leave it out
        ids_.push_back(id);
        frames_.push_back(frame_);
        xs_.push_back(x);
        ys_.push_back(y);
    }
    void endFrame() override {}
    bool finish() override { return true; }
    const std::string& failure() const override { return failure_; }

    const std::vector<std::int64_t>& ids() const { return ids_; }
    const std::vector<std::int64_t>& frames() const { return frames_; }
    const std::vector<float>& xs() const { return xs_; }
    const std::vector<float>& ys() const { return ys_; }

    // A position as the double its shortest text reads back to, so that the table equals the
    // text file read back (the files hold single precision, written in their shortest form).
    static double readBack(float metres) { return num::lenient(num::shortest(metres)); }

  private:
    std::int64_t frame_ = 0;
    std::vector<std::int64_t> ids_, frames_;
    std::vector<float> xs_, ys_;
    std::string failure_;  // memory does not fail
};

}  // namespace strida::python
