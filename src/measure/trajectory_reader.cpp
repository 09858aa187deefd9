#include "measure/trajectory_reader.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <numeric>
#include <system_error>
#include <unordered_map>

#include "core/error.h"
#include "core/input_file.h"
#include "measure/trajectory_writer.h"

namespace strida {
namespace {

// The file is read in pieces of this many bytes; no line may be longer.
constexpr std::size_t kPiece = std::size_t{1} << 20;
// Ids from 0 to below this find their pedestrian in a table; others through a hash map.
constexpr std::int64_t kTabledIds = std::int64_t{1} << 20;

bool blank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// The next blank-separated field of the line from `at` on; empty when there is none.
std::string_view nextField(std::string_view line, std::size_t& at) {
    while (at < line.size() && blank(line[at])) ++at;
    const std::size_t start = at;
    while (at < line.size() && !blank(line[at])) ++at;
    return line.substr(start, at - start);
}

// A number may carry a "+" of its own; from_chars takes none.
std::string_view withoutPlus(std::string_view field) {
    if (field.size() > 1 && field[0] == '+' && field[1] != '+' && field[1] != '-')
        return field.substr(1);
    return field;
}

bool namesFrameRate(std::string_view text, std::size_t& after) {
    constexpr std::string_view kWord = "framerate";
    for (std::size_t i = 0; i + kWord.size() <= text.size(); ++i) {
        std::size_t k = 0;
        while (k < kWord.size() &&
               std::tolower(static_cast<unsigned char>(text[i + k])) == kWord[k])
            ++k;
        if (k == kWord.size()) {
            after = i + k;
            return true;
        }
    }
    return false;
}

// One row as read, before the frames are put in order.
struct RawRow {
    std::uint32_t frame;  // index into the frame numbers in the order they first appear
    std::uint32_t pedestrian;
    float x, y;
};

class Parser {
  public:
    explicit Parser(const TrajectoryLimits& limits) : limits_(limits) {}

    void reserve(std::size_t rows) { rows_.reserve(std::min(rows, limits_.maxRows)); }
    // Takes the complete lines at the start of `text`; returns how many bytes they took. Stops at
    // the first line that is not good (failed() tells).
    std::size_t lines(std::string_view text);
    // One line without its line end.
    bool line(std::string_view text);
    bool failed() const { return !error_.empty(); }
    const std::string& error() const { return error_; }
    std::uint64_t lineNumber() const { return line_; }
    bool fail(const std::string& what) {
        error_ = "line " + std::to_string(line_) + what;
        return false;
    }
    // A CR not followed by LF, in the line after the last one counted or in the current one.
    bool bareCarriageReturn() {
        return fail(" ends in a carriage return alone (CR): a replay reads LF or CR LF line ends");
    }
    // After the last line: the trajectory, or nothing with error() set.
    std::optional<Trajectory> finish();

  private:
    bool comment(std::string_view text);
    bool row(std::string_view text);
    bool wholeNumber(std::string_view field, const char* what, std::int64_t& out);
    bool position(std::string_view field, const char* what, float& out);
    std::uint32_t frameIndex(std::int64_t frame);
    bool pedestrian(std::int64_t id, std::uint32_t& out, bool& fresh);
    void orderFrames(Trajectory& t);
    bool describePedestrians(Trajectory& t);

    const TrajectoryLimits& limits_;
    std::uint64_t line_ = 0;
    std::string error_;
    std::optional<double> fps_;
    std::vector<RawRow> rows_;
    std::vector<std::int64_t> frames_;                            // in the order they first appear
    std::unordered_map<std::int64_t, std::uint32_t> frameIndex_;  // once they come out of order
    std::int64_t lastFrame_ = 0;
    std::uint32_t lastFrameIndex_ = 0;
    std::vector<std::int64_t> ids_;       // of each pedestrian
    std::vector<std::int64_t> lastSeen_;  // the frame of each pedestrian's latest row
    std::vector<std::uint32_t> tabled_;   // pedestrian + 1 by id, for small ids
    std::unordered_map<std::int64_t, std::uint32_t> hashed_;
};

std::size_t Parser::lines(std::string_view text) {
    std::size_t start = 0;
    while (start < text.size()) {
        const void* found = std::memchr(text.data() + start, '\n', text.size() - start);
        if (!found) break;
        const std::size_t end = static_cast<const char*>(found) - text.data();
        std::string_view ended = text.substr(start, end - start);
        if (!ended.empty() && ended.back() == '\r') ended.remove_suffix(1);
        if (!line(ended)) return start;
        start = end + 1;
    }
    // A line not yet ended may be one of many ended by a CR alone; it is told before it grows
    // past a piece. A CR last of all may still be followed by the LF of the next piece.
    if (text.size() - start > 1 &&
        std::memchr(text.data() + start, '\r', text.size() - start - 1)) {
        ++line_;
        bareCarriageReturn();
    }
    return start;
}

bool Parser::line(std::string_view text) {
    ++line_;
    if (!text.empty() && std::memchr(text.data(), '\r', text.size())) return bareCarriageReturn();
    std::size_t at = 0;
    while (at < text.size() && blank(text[at])) ++at;
    if (at < text.size() && text[at] == '#') return comment(text.substr(at + 1));
    if (const void* hash = std::memchr(text.data(), '#', text.size()))
        text = text.substr(0, static_cast<const char*>(hash) - text.data());
    return row(text);
}

bool Parser::comment(std::string_view text) {
    std::size_t at = 0;
    if (fps_ || !namesFrameRate(text, at)) return true;
    // Its first number after the word, whatever stands between (": ", " = ", ...).
    while (at < text.size() && !std::isdigit(static_cast<unsigned char>(text[at])) &&
           text[at] != '.')
        ++at;
    if (at == text.size()) return fail(" names the frame rate but gives no number");
    if (at > 0 && text[at - 1] == '-') --at;
    std::size_t end = at;
    const std::string_view field = nextField(text, end);
    double fps = 0;
    const auto [ptr, ec] = std::from_chars(field.data(), field.data() + field.size(), fps);
    if (ec != std::errc() || !std::isfinite(fps) || fps <= 0)
        return fail(" names the frame rate, but " + quoteText(field) +
                    " is not a positive number of frames per second");
    fps_ = fps;
    return true;
}

bool Parser::wholeNumber(std::string_view field, const char* what, std::int64_t& out) {
    const std::string_view digits = withoutPlus(field);
    const char* end = digits.data() + digits.size();
    const auto [ptr, ec] = std::from_chars(digits.data(), end, out);
    if (ec == std::errc::result_out_of_range && ptr == end)
        return fail(": the " + std::string(what) + " " + quoteText(field) + " is too large");
    if (ec != std::errc() || ptr != end)
        return fail(": the " + std::string(what) + " " + quoteText(field) +
                    " is not a whole number");
    return true;
}

bool Parser::position(std::string_view field, const char* what, float& out) {
    const std::string_view digits = withoutPlus(field);
    const char* end = digits.data() + digits.size();
    const auto failWith = [&](const char* why) {
        return fail(": " + std::string(what) + " is " + quoteText(field) + ", " + why);
    };
    double value = 0;
    const auto [ptr, ec] = std::from_chars(digits.data(), end, value);
    if (ec == std::errc::result_out_of_range && ptr == end)
        // Too small a number reads as zero (or nearly), too large as infinite.
        value = std::strtod(std::string(digits).c_str(), nullptr);
    else if (ec != std::errc() || ptr != end)
        return failWith("not a number");
    else if (!std::isfinite(value))
        return failWith("not a finite number");
    out = static_cast<float>(value);
    if (!std::isfinite(out)) return failWith("too large for a position");
    return true;
}

bool Parser::row(std::string_view text) {
    std::string_view fields[4];
    std::size_t at = 0, count = 0;
    for (; count < 4; ++count) {
        fields[count] = nextField(text, at);
        if (fields[count].empty()) break;
    }
    if (count == 0) return true;  // a blank line
    if (count < 4) {
        at = 0;
        while (at < text.size() && blank(text[at])) ++at;
        std::string_view shown = text.substr(at);
        while (!shown.empty() && blank(shown.back())) shown.remove_suffix(1);
        return fail(" has " + std::to_string(count) + (count == 1 ? " field, " : " fields, ") +
                    quoteText(shown) + ", where a row has 4: id frame x y");
    }
    std::int64_t id = 0, frame = 0;
    RawRow r{};
    if (!wholeNumber(fields[0], "id", id) || !wholeNumber(fields[1], "frame", frame) ||
        !position(fields[2], "x", r.x) || !position(fields[3], "y", r.y))
        return false;
    if (rows_.size() >= limits_.maxRows)
        return fail(" is a row more than the " + std::to_string(limits_.maxRows) +
                    " a replay can hold");
    bool fresh = false;
    if (!pedestrian(id, r.pedestrian, fresh)) return false;
    std::int64_t& last = lastSeen_[r.pedestrian];
    if (!fresh && last == frame)
        return fail(" has pedestrian " + std::to_string(id) + " in frame " + std::to_string(frame) +
                    " a second time");
    last = frame;
    r.frame = frameIndex(frame);
    rows_.push_back(r);
    return true;
}

std::uint32_t Parser::frameIndex(std::int64_t frame) {
    if (!frames_.empty() && frame == lastFrame_) return lastFrameIndex_;
    std::uint32_t index = static_cast<std::uint32_t>(frames_.size());
    if (frameIndex_.empty()) {
        // While the frames come in ascending order (as the program writes them) they are found
        // in their own list; the first that comes out of order starts the hash map.
        const auto at = std::lower_bound(frames_.begin(), frames_.end(), frame);
        if (at != frames_.end() && *at == frame)
            index = static_cast<std::uint32_t>(at - frames_.begin());
        if (at != frames_.end() && *at != frame)
            for (std::uint32_t i = 0; i < frames_.size(); ++i) frameIndex_.emplace(frames_[i], i);
    }
    if (!frameIndex_.empty()) index = frameIndex_.try_emplace(frame, index).first->second;
    if (index == frames_.size()) frames_.push_back(frame);
    lastFrame_ = frame;
    lastFrameIndex_ = index;
    return index;
}

bool Parser::pedestrian(std::int64_t id, std::uint32_t& out, bool& fresh) {
    std::uint32_t* slot = nullptr;
    if (id >= 0 && id < kTabledIds) {
        if (static_cast<std::size_t>(id) >= tabled_.size())
            tabled_.resize(
                std::max<std::size_t>(static_cast<std::size_t>(id) + 1,
                                      std::min<std::size_t>(2 * tabled_.size(), kTabledIds)));
        slot = &tabled_[static_cast<std::size_t>(id)];
    } else {
        slot = &hashed_.try_emplace(id, 0).first->second;
    }
    fresh = *slot == 0;
    if (fresh) {
        if (ids_.size() >= limits_.maxPedestrians)
            return fail(" brings pedestrian " + std::to_string(id) + ", one more than the " +
                        std::to_string(limits_.maxPedestrians) + " a replay can show");
        ids_.push_back(id);
        lastSeen_.push_back(0);
        *slot = static_cast<std::uint32_t>(ids_.size());
    }
    out = *slot - 1;
    return true;
}

std::optional<Trajectory> Parser::finish() {
    if (failed()) return std::nullopt;
    if (rows_.empty()) {
        error_ = "it holds no rows \"id frame x y\": there is nothing to replay";
        return std::nullopt;
    }
    Trajectory t;
    t.fps = fps_.value_or(kDefaultTrajectoryFps);
    t.fpsFromFile = fps_.has_value();
    orderFrames(t);
    if (!describePedestrians(t)) return std::nullopt;
    return t;
}

void Parser::orderFrames(Trajectory& t) {
    // The frames sorted by number; each row goes to its frame's place, in the order of the file.
    std::vector<std::uint32_t> order(frames_.size());
    std::iota(order.begin(), order.end(), 0u);
    std::sort(order.begin(), order.end(),
              [this](std::uint32_t a, std::uint32_t b) { return frames_[a] < frames_[b]; });
    std::vector<std::uint32_t> rank(frames_.size());
    t.frameNumbers.resize(frames_.size());
    for (std::uint32_t r = 0; r < order.size(); ++r) {
        rank[order[r]] = r;
        t.frameNumbers[r] = frames_[order[r]];
    }
    t.frameStarts.assign(frames_.size() + 1, 0);
    for (const RawRow& row : rows_) ++t.frameStarts[rank[row.frame] + 1];
    std::partial_sum(t.frameStarts.begin(), t.frameStarts.end(), t.frameStarts.begin());
    std::vector<std::size_t> next(t.frameStarts.begin(), t.frameStarts.end() - 1);
    t.points.resize(rows_.size());
    for (const RawRow& row : rows_)
        t.points[next[rank[row.frame]]++] = {row.pedestrian, row.x, row.y};
    std::vector<RawRow>().swap(rows_);
}

bool Parser::describePedestrians(Trajectory& t) {
    const std::size_t n = ids_.size();
    t.pedestrians.resize(n);
    // The frame (counted from 1) in which each pedestrian was last seen so far.
    std::vector<std::uint32_t> seenIn(n, 0);
    for (std::size_t f = 0; f < t.frameCount(); ++f) {
        for (const TrajectoryPoint& p : t.frame(f)) {
            TrajectoryPedestrian& ped = t.pedestrians[p.pedestrian];
            if (seenIn[p.pedestrian] == f + 1) {
                // Only rows that go back and forth in time get here: others were told at their
                // line.
                error_ = "it has pedestrian " + std::to_string(ids_[p.pedestrian]) + " in frame " +
                         std::to_string(t.frameNumbers[f]) + " twice";
                return false;
            }
            if (seenIn[p.pedestrian] == 0) ped = {ids_[p.pedestrian], p.x, p.x};
            ped.lastX = p.x;
            seenIn[p.pedestrian] = static_cast<std::uint32_t>(f + 1);
        }
    }
    return true;
}

std::string tooManyBytes(const TrajectoryLimits& limits) {
    return "it holds more than the " + std::to_string(limits.maxBytes) + " bytes a replay reads";
}

// The whole of an open file through the parser, a piece at a time.
bool readPieces(std::FILE* in, Parser& parser, const TrajectoryLimits& limits,
                std::string& problem) {
    std::vector<char> buffer(kPiece);
    std::size_t kept = 0;  // the start of a line not yet ended, at the front of the buffer
    std::uintmax_t total = 0;
    for (;;) {
        if (kept == buffer.size()) {
            problem = "line " + std::to_string(parser.lineNumber() + 1) + " is longer than " +
                      std::to_string(kPiece) + " characters";
            return false;
        }
        const std::size_t got = std::fread(buffer.data() + kept, 1, buffer.size() - kept, in);
        if (got == 0) break;
        total += got;
        if (total > limits.maxBytes) {  // it grew while it was read
            problem = tooManyBytes(limits);
            return false;
        }
        const std::string_view text(buffer.data(), kept + got);
        const std::size_t taken = parser.lines(text);
        if (parser.failed()) return false;
        kept = text.size() - taken;
        std::memmove(buffer.data(), buffer.data() + taken, kept);
    }
    if (std::ferror(in)) {
        problem = std::string("it could not be read: ") + std::strerror(errno);
        return false;
    }
    return kept == 0 || parser.line(std::string_view(buffer.data(), kept));
}

std::optional<Trajectory> readFile(const std::filesystem::path& file, std::string& problem,
                                   const TrajectoryLimits& limits) {
    InputFile input(file, limits.maxBytes);
    const std::uintmax_t size = input.size();
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(input.releaseAsStream(), &std::fclose);
    if (!in) {
        problem = input.problem() == InputFile::Problem::TooLarge ? tooManyBytes(limits)
                                                                  : "it " + input.why();
        return std::nullopt;
    }
    char magic[16] = {};
    if (std::fread(magic, 1, sizeof magic, in.get()) == sizeof magic &&
        std::memcmp(magic, "SQLite format 3", sizeof magic) == 0) {
        problem = "it is an SQLite file; a replay reads the text files (.txt)";
        return std::nullopt;
    }
    std::rewind(in.get());
    Parser parser(limits);
    parser.reserve(static_cast<std::size_t>(size / 24));
    if (!readPieces(in.get(), parser, limits, problem)) {
        if (parser.failed()) problem = parser.error();
        return std::nullopt;
    }
    std::optional<Trajectory> t = parser.finish();
    if (!t) problem = parser.error();
    return t;
}

const char* const kTooLarge = "it is too large to be held in memory";

}  // namespace

std::optional<Trajectory> parseTrajectoryText(std::string_view text, std::string& error,
                                              const TrajectoryLimits& limits) {
    try {
        if (text.size() > limits.maxBytes) {
            error = tooManyBytes(limits);
            return std::nullopt;
        }
        Parser parser(limits);
        const std::size_t taken = parser.lines(text);
        if (!parser.failed() && taken < text.size()) parser.line(text.substr(taken));
        std::optional<Trajectory> t = parser.finish();
        if (!t) error = parser.error();
        return t;
    } catch (const std::bad_alloc&) {
        error = kTooLarge;
        return std::nullopt;
    }
}

std::optional<Trajectory> readTrajectoryText(const std::filesystem::path& file, std::string& error,
                                             const TrajectoryLimits& limits) {
    std::string problem;
    std::optional<Trajectory> t;
    try {
        t = readFile(file, problem, limits);
    } catch (const std::bad_alloc&) {
        t.reset();
        problem = kTooLarge;
    }
    if (!t) error = aboutTrajectoryFile(file) + " cannot be replayed: " + problem + ".";
    return t;
}

}  // namespace strida
