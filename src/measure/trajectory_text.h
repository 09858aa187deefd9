// The text trajectory file, as PedPy's text loader reads it: comment lines starting with "#" (the
// program, its version, the seed, "framerate: F fps", the trap and the column names
// "id frame x/m y/m"), then one line "id frame x y" per pedestrian per frame, separated by single
// spaces, LF line ends. Positions are written in the shortest form that reads back to the single-
// precision value the pedestrian holds.
//
// Frames are gathered in memory and written whole once a megabyte of them has gathered, and at
// finish(). A write that fails part-way is taken back to the last whole frame, so a reader always
// finds the file ending at a complete frame. Before every write the file is checked to be the one
// that was created: one removed or replaced by another program gets no more frames.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/file_writes.h"
#include "measure/trajectory_writer.h"

namespace strida {

class TextTrajectoryWriter final : public TrajectoryWriter {
  public:
    static constexpr std::size_t kSpillBytes = std::size_t{1} << 20;

    // Creates the file (emptying one that is there); null with `error` set when it cannot. Frames
    // go out once `spillBytes` of them have gathered.
    static std::unique_ptr<TextTrajectoryWriter> create(const std::filesystem::path& file,
                                                        const TrajectoryHeader& header,
                                                        std::string& error,
                                                        std::size_t spillBytes = kSpillBytes);
    ~TextTrajectoryWriter() override;
    TextTrajectoryWriter(const TextTrajectoryWriter&) = delete;
    TextTrajectoryWriter& operator=(const TextTrajectoryWriter&) = delete;

    void beginFrame(std::int64_t frame) override;
    void row(int id, float x, float y, double vx, double vy) override;
    void endFrame() override;
    bool finish() override;
    const std::string& failure() const override { return failure_; }

  private:
    TextTrajectoryWriter(std::filesystem::path file, int fd, std::size_t spillBytes);
    void writeOut();
    bool stillAtItsPath() const;
    void fail(const std::string& what);

    // Where a whole frame (or the header, with no frame) ends in `pending_`.
    struct FrameEnd {
        std::size_t end;
        std::optional<std::int64_t> frame;
    };

    std::filesystem::path file_;
    int fd_;
    std::size_t spill_;
    FileIdentity identity_;  // of the file as it was made
    std::string pending_;    // the header and the frames not yet written
    std::vector<FrameEnd> ends_;
    std::uint64_t size_ = 0;                  // bytes in the file, all of whole frames
    std::optional<std::int64_t> lastInFile_;  // the last frame the file holds
    std::string frameField_;                  // " <frame> ", the middle of every row of the frame
    std::int64_t frame_ = 0;
    bool inFrame_ = false;
    std::string failure_;
};

}  // namespace strida
