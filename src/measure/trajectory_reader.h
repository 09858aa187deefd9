// Reading a text trajectory file back, to replay it: the files TextTrajectoryWriter writes, and any
// other in their layout. Lines are whitespace-separated "id frame x y" rows (whole numbers, then
// positions in metres; further fields are ignored); "#" starts a comment, to the end of its line;
// blank lines are skipped; line ends may be LF or CRLF, and a CR alone (a line end of old Macs)
// is refused with its line, since it would run every line into one. The first comment that names
// the "framerate" gives the frame rate as its first number after that word.
//
// The rows may come in any order. Each pedestrian gets a dense number in the order it first appears
// in the file, whatever its id, so that a huge id costs nothing; the frames come out sorted by
// their numbers, the rows of each in the order of the file.
//
// Only a regular file is read (a folder, a named pipe, a socket or a device is refused before
// anything is read, and a pipe cannot block the opening), of at most TrajectoryLimits::maxBytes,
// 2 GB unless the caller says otherwise: its size is checked before reading. The file is read in
// pieces of a megabyte, with no allocation per line, and no line may be longer than a piece.
// Nothing is half-read: a file with a bad row, one larger than the limits, or one that memory
// cannot hold gives an error and no trajectory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace strida {

// The frame rate of a file that does not name its own: the program's default, 15 time slices per
// second (the DT setting's default; the tests hold the two together).
inline constexpr double kDefaultTrajectoryFps = 15;

struct TrajectoryPoint {
    std::uint32_t pedestrian;  // index into Trajectory::pedestrians
    float x, y;                // metres
};

struct TrajectoryPedestrian {
    std::int64_t id;      // as the file numbers it
    float firstX, lastX;  // in its first and in its last frame
};

struct Trajectory {
    double fps = kDefaultTrajectoryFps;
    bool fpsFromFile = false;                       // the file named its frame rate
    std::vector<TrajectoryPedestrian> pedestrians;  // in the order they first appear in the file
    std::vector<std::int64_t> frameNumbers;         // ascending, each once
    std::vector<std::size_t> frameStarts;           // where each frame's points begin, and the end
    std::vector<TrajectoryPoint> points;

    std::size_t frameCount() const { return frameNumbers.size(); }
    std::span<const TrajectoryPoint> frame(std::size_t index) const {
        return {points.data() + frameStarts[index], frameStarts[index + 1] - frameStarts[index]};
    }
    // The time of a frame: its number over the frame rate, as the run that wrote it counted.
    double seconds(std::size_t index) const {
        return static_cast<double>(frameNumbers[index]) / fps;
    }
};

// What a file may hold at most.
struct TrajectoryLimits {
    std::uintmax_t maxBytes = std::uintmax_t{2} << 30;
    std::size_t maxRows = 100'000'000;
    std::size_t maxPedestrians = 1'000'000;
};

// Reads the file. Null with `error` set when it cannot be replayed: the message names the file
// and, for a bad line, the line's number and what is wrong with it.
std::optional<Trajectory> readTrajectoryText(const std::filesystem::path& file, std::string& error,
                                             const TrajectoryLimits& limits = {});

// The same for a text in memory; the error says what is wrong ("line 3 has ...", "it holds ...")
// without naming a file.
std::optional<Trajectory> parseTrajectoryText(std::string_view text, std::string& error,
                                              const TrajectoryLimits& limits = {});

}  // namespace strida
