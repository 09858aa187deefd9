#include "measure/trajectory_text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>

#include "core/numbers.h"

namespace strida {
namespace {

// A value on one comment line: line breaks and other control characters become spaces.
std::string oneLine(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    return out;
}

// The comment lines at the top of the file. The frame rate is the first number on its line, and
// "x/m" names metres as the unit of the positions.
std::string headerText(const TrajectoryHeader& header) {
    std::string out = "# program: " + oneLine(header.program) + "\n";
    out += "# version: " + oneLine(header.version) + "\n";
    out += "# seed: " + (header.seed ? std::to_string(*header.seed) : std::string("none")) + "\n";
    out += "# framerate: ";
    num::appendShortest(out, header.fps);
    out += " fps\n# trap: ";
    num::appendShortest(out, header.trapLength);
    out += " m long, ";
    num::appendShortest(out, header.trapWidth);
    out += " m wide\n# id frame x/m y/m\n";
    return out;
}

}  // namespace

std::unique_ptr<TextTrajectoryWriter> TextTrajectoryWriter::create(
    const std::filesystem::path& file, const TrajectoryHeader& header, std::string& error,
    std::size_t spillBytes) {
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) {
        error = aboutTrajectoryFile(file) + " could not be created: " + std::strerror(errno);
        if (fd >= 0) ::close(fd);
        return nullptr;
    }
    std::unique_ptr<TextTrajectoryWriter> writer(new TextTrajectoryWriter(file, fd, spillBytes));
    writer->identity_ = *FileIdentity::ofOpen(fd);
    // The header goes out with the first frames, so that a disk already full is told like any
    // other failure to write.
    writer->pending_ = headerText(header);
    writer->ends_.push_back({writer->pending_.size(), std::nullopt});
    return writer;
}

TextTrajectoryWriter::TextTrajectoryWriter(std::filesystem::path file, int fd,
                                           std::size_t spillBytes)
    : file_(std::move(file)), fd_(fd), spill_(spillBytes) {}

TextTrajectoryWriter::~TextTrajectoryWriter() {
    finish();
    if (fd_ >= 0) ::close(fd_);
}

void TextTrajectoryWriter::beginFrame(std::int64_t frame) {
    if (inFrame_) endFrame();
    inFrame_ = true;
    frame_ = frame;
    frameField_ = " " + std::to_string(frame) + " ";
}

void TextTrajectoryWriter::row(int id, float x, float y, double, double) {
    if (!inFrame_ || fd_ < 0 || !std::isfinite(x) || !std::isfinite(y)) return;
    char digits[16];
    pending_.append(digits, std::to_chars(digits, digits + sizeof digits, id).ptr);
    pending_ += frameField_;
    num::appendShortest(pending_, x);
    pending_ += ' ';
    num::appendShortest(pending_, y);
    pending_ += '\n';
}

void TextTrajectoryWriter::endFrame() {
    if (!inFrame_) return;
    inFrame_ = false;
    if (fd_ < 0) return;
    ends_.push_back({pending_.size(), frame_});
    if (pending_.size() >= spill_) writeOut();
}

bool TextTrajectoryWriter::finish() {
    if (inFrame_) endFrame();
    writeOut();
    return failure_.empty();
}

bool TextTrajectoryWriter::stillAtItsPath() const {
    return FileIdentity::at(file_) == identity_;
}

void TextTrajectoryWriter::writeOut() {
    if (fd_ < 0 || pending_.empty()) return;
    if (!stillAtItsPath()) {
        fail("was removed or replaced by another program");
        return;
    }
    std::size_t done = 0;
    if (const int error = writeAll(fd_, pending_, done)) {
        // What got out of a frame that did not get out whole is taken back.
        std::size_t whole = 0;
        for (const FrameEnd& end : ends_) {
            if (end.end > done) break;
            whole = end.end;
            if (end.frame) lastInFile_ = end.frame;
        }
        const bool takenBack =
            whole == done || ::ftruncate(fd_, static_cast<off_t>(size_ + whole)) == 0;
        fail(std::string("could not be written (") + std::strerror(error) +
             (takenBack ? ")" : "; its last frame may be incomplete)"));
        return;
    }
    size_ += done;
    for (auto end = ends_.rbegin(); end != ends_.rend(); ++end)
        if (end->frame) {
            lastInFile_ = end->frame;
            break;
        }
    pending_.clear();
    ends_.clear();
}

void TextTrajectoryWriter::fail(const std::string& what) {
    if (failure_.empty()) failure_ = trajectoryFailure(file_, what, lastInFile_);
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    pending_.clear();
    ends_.clear();
}

}  // namespace strida
