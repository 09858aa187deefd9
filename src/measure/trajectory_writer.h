// Trajectory files: the position of every pedestrian at every step, for analysis in other tools.
//
// A run writes one frame after another: frame 0 is the state when the run starts, frame k the
// positions right after step k's pass; within a frame the pedestrians come in the step's order.
// Positions are in metres in the trap's frame (origin at its bottom-left corner), velocities in
// metres per second. A row whose position is not finite is left out: neither format can hold it.
//
// The writers never throw. The first thing that goes wrong (a file that can no longer be written,
// removed or replaced by another program, a full disk) is kept in failure(), and from then on the
// writer writes nothing more; the file keeps every frame written whole before that.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace strida {

// What a trajectory file records about the run that wrote it.
struct TrajectoryHeader {
    double fps = 0;  // frames per second of simulated time
    std::string program, version;
    std::optional<std::uint64_t> seed;
    double trapLength = 0, trapWidth = 0;  // metres
};

class TrajectoryWriter {
  public:
    virtual ~TrajectoryWriter() = default;
    virtual void beginFrame(std::int64_t frame) = 0;
    // One pedestrian of the open frame (ignored outside a frame).
    virtual void row(int id, float x, float y, double vx, double vy) = 0;
    virtual void endFrame() = 0;
    // Makes everything written so far complete for a reader (ending a frame left open); returns
    // whether all went well. Writing may go on afterwards.
    virtual bool finish() = 0;
    // What went wrong, in words a user can act on (empty while nothing has).
    virtual const std::string& failure() const = 0;
};

// The start of every message about a trajectory file: `The trajectory file "<path>"`.
inline std::string aboutTrajectoryFile(const std::filesystem::path& file) {
    return "The trajectory file \"" + file.string() + "\"";
}

// What a writer says when it stops: what happened, and the last frame the file keeps.
inline std::string trajectoryFailure(const std::filesystem::path& file, const std::string& what,
                                     std::optional<std::int64_t> lastKept) {
    return aboutTrajectoryFile(file) + " " + what + "; " +
           (lastKept ? "the frames up to " + std::to_string(*lastKept) +
                           " were written to it, no later ones are."
                     : "no frame was written to it.");
}

}  // namespace strida
