// Trajectory text files read back for a replay: the layouts other tools write, and input that is
// refused with the line that is wrong. (The writer's own round trip is in trajectory_test.cpp, a
// run's file read back frame by frame in the replay's tests.)
#include "measure/trajectory_reader.h"

#include "support/engine_fixture.h"
#include "support/odd_files.h"
#include "support/trajectory_lines.h"

namespace strida::test {
namespace {

namespace fs = std::filesystem;

// One row as a test expects it: the file's id, the frame number and the position.
using Expected = TextRow;

// The trajectory's rows in frame order, each with the id the file gave its pedestrian.
std::vector<Expected> rowsOf(const Trajectory& t) {
    std::vector<Expected> rows;
    for (std::size_t f = 0; f < t.frameCount(); ++f)
        for (const TrajectoryPoint& p : t.frame(f))
            rows.push_back({t.pedestrians.at(p.pedestrian).id, t.frameNumbers[f], p.x, p.y});
    return rows;
}

Trajectory parse(std::string_view text) {
    std::string error;
    std::optional<Trajectory> t = parseTrajectoryText(text, error);
    EXPECT_TRUE(t) << error;
    return t ? std::move(*t) : Trajectory{};
}

std::string refusal(std::string_view text, const TrajectoryLimits& limits = {}) {
    std::string error;
    EXPECT_FALSE(parseTrajectoryText(text, error, limits)) << text;
    return error;
}

TEST(TrajectoryReader, TakesTheLayoutsOfOtherTools) {
    // CRLF line ends, tabs and runs of blanks, a "+", a fifth column, comments after a row and
    // between rows, a blank line, frames out of order, ids of any size and sign, no frame rate,
    // and a last line without its line end.
    const Trajectory t = parse(
        "# written by hand\r\n"
        "5\t2\t1.5\t2.5\r\n"
        "  -9000000000000000000   1  +3  4   0.9  # a z column\r\n"
        "\r\n"
        "5 1 1 2.25e0\r\n"
        "# between\n"
        "9000000000000000000 2 -0.5 .5");
    EXPECT_FALSE(t.fpsFromFile);
    EXPECT_EQ(t.fps, kDefaultTrajectoryFps);
    EXPECT_EQ(rowsOf(t), (std::vector<Expected>{{-9000000000000000000, 1, 3, 4},
                                                {5, 1, 1, 2.25f},
                                                {5, 2, 1.5f, 2.5f},
                                                {9000000000000000000, 2, -0.5f, 0.5f}}));
    ASSERT_EQ(t.pedestrians.size(), 3u);
    EXPECT_EQ(t.pedestrians[0].id, 5);
    EXPECT_EQ(t.pedestrians[0].firstX, 1) << "its first frame is frame 1, though read second";
    EXPECT_EQ(t.pedestrians[0].lastX, 1.5f);
    EXPECT_EQ(parse("# FrameRate = 25 fps\n1 0 0 0\n").fps, 25);
    EXPECT_EQ(parse("#framerate: 0.5\n1 0 0 0\n# framerate: 9\n").fps, 0.5);
}

TEST(TrajectoryReader, BadInputIsRefusedNamingItsLine) {
    const std::pair<const char*, const char*> cases[] = {
        {"# a\n1 0 1 2\n2 0 1\n",
         "line 3 has 3 fields, \"2 0 1\", where a row has 4: id frame x y"},
        {"1 0 1 2\nA 0 1 2\n", "line 2: the id \"A\" is not a whole number"},
        {"1 0.5 1 2\n", "line 1: the frame \"0.5\" is not a whole number"},
        {"1 99999999999999999999 1 2\n", "line 1: the frame \"99999999999999999999\" is too large"},
        {"1 0 1,5 2\n", "line 1: x is \"1,5\", not a number"},
        {"1 0 1 nan\n", "line 1: y is \"nan\", not a finite number"},
        {"1 0 1e39 2\n", "line 1: x is \"1e39\", too large for a position"},
        {"1 0 1e999 2\n", "line 1: x is \"1e999\", too large for a position"},
        {"1 0 1 2\n2 0 1 2\n1 0 3 4\n", "line 3 has pedestrian 1 in frame 0 a second time"},
        {"1 0 1 2\n1 1 1 2\n1 0 3 4\n", "it has pedestrian 1 in frame 0 twice"},
        {"# framerate: fast\n1 0 1 2\n", "line 1 names the frame rate but gives no number"},
        {"# framerate: -15 fps\n", "line 1 names the frame rate, but \"-15\" is not a positive"},
        {"", "it holds no rows \"id frame x y\": there is nothing to replay"},
        // Line ends of a CR alone would run every line into one.
        {"1 0 0 0\r1 1 0 0\r",
         "line 1 ends in a carriage return alone (CR): a replay reads LF "
         "or CR LF line ends"},
        {"1 0 0 0\n1 1 0 0\r\n1 2 0 0\r1 3 0 0\n", "line 3 ends in a carriage return alone"},
        {"1 0 0 0\r\n1 1 0 0\r", "line 2 ends in a carriage return alone"},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(refusal(text).substr(0, std::string_view(expected).size()), expected) << text;
}

TEST(TrajectoryReader, HostileSizesFailCleanly) {
    TrajectoryLimits limits;
    limits.maxPedestrians = 2;
    EXPECT_EQ(refusal("1 0 0 0\n2 0 0 0\n1 1 0 0\n9000000000000000000 1 0 0\n", limits),
              "line 4 brings pedestrian 9000000000000000000, one more than the 2 a replay can "
              "show");
    limits = {};
    limits.maxRows = 3;
    EXPECT_EQ(refusal("1 0 0 0\n1 1 0 0\n1 2 0 0\n1 3 0 0\n", limits),
              "line 4 is a row more than the 3 a replay can hold");

    // A line longer than a reading piece and an SQLite file.
    TempFolder dir;
    std::string error;
    const fs::path file = dir.path() / "t.txt";
    std::ofstream(file, std::ios::binary) << "1 0 0 0\n" << std::string(3 << 20, '1');
    EXPECT_FALSE(readTrajectoryText(file, error));
    EXPECT_NE(error.find("cannot be replayed: line 2 is longer than 1048576 characters."),
              std::string::npos)
        << error;
    std::ofstream(file, std::ios::binary).write("SQLite format 3\0rest", 20);
    EXPECT_FALSE(readTrajectoryText(file, error));
    EXPECT_NE(error.find("it is an SQLite file"), std::string::npos) << error;
}

// What is no trajectory file is refused before anything is read; the file's lines are read with
// LF or CR LF ends, also where a CR and its LF fall in different pieces of the reading. (A file of
// lines ended by a CR alone, however long, is refused at its first line in bounded_reading_test.)
TEST(TrajectoryReader, OddFilesAreRefusedAtOnceAndACrLfAcrossPiecesIsOneLineEnd) {
    const Watchdog watchdog(20);
    const TrajectoryLimits limits;
    const OddFiles odd(limits.maxBytes + 1, "too large");
    for (const OddFile& file : odd.files()) {
        std::string error;
        EXPECT_FALSE(readTrajectoryText(file.path, error)) << file.path;
        const std::string why =
            file.oversize ? "holds more than the 2147483648 bytes a replay reads" : file.is;
        EXPECT_EQ(error, "The trajectory file \"" + file.path.string() +
                             "\" cannot be replayed: it " + why + ".");
    }

    constexpr std::size_t kPiece = std::size_t{1} << 20;
    TempFolder dir;
    const fs::path file = dir.path() / "t.txt";
    std::string text;
    for (int f = 0; f < 1000; ++f) text += "1 " + std::to_string(f) + " 0 0\n";
    text += "# " + std::string(kPiece - 3 - text.size(), 'x') + "\r\n1 1000 0 0\r\n";
    ASSERT_EQ(text[kPiece - 1], '\r');
    std::ofstream(file, std::ios::binary) << text;
    std::string error;
    const std::optional<Trajectory> t = readTrajectoryText(file, error);
    ASSERT_TRUE(t) << error;
    EXPECT_EQ(t->frameCount(), 1001u);
}

}  // namespace
}  // namespace strida::test
