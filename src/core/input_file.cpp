#include "core/input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace strida {

namespace {

// What a file that is not a regular file is, for the message.
const char* kindOf(mode_t mode) {
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISFIFO(mode)) return "a named pipe (FIFO)";
    if (S_ISSOCK(mode)) return "a socket";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    return "not a file";
}

std::string notRegular(mode_t mode) {
    return std::string("is ") + kindOf(mode) + ", not a regular file";
}

std::string cannotOpen(int error) {
    return std::string("could not be opened: ") + std::strerror(error);
}

}  // namespace

std::string sizeText(std::uintmax_t bytes) {
    constexpr std::uintmax_t kKB = 1024, kMB = kKB * 1024;
    if (bytes >= kMB && bytes % kMB == 0) return std::to_string(bytes / kMB) + " MB";
    if (bytes >= kKB && bytes % kKB == 0) return std::to_string(bytes / kKB) + " KB";
    return std::to_string(bytes) + " bytes";
}

InputFile::InputFile(const std::filesystem::path& file, std::uintmax_t maxBytes)
    : maxBytes_(maxBytes) {
    // The path first, so that a device is not even opened (opening some has effects of its own).
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) {
        fail(Problem::CannotOpen, cannotOpen(errno));
        return;
    }
    if (!S_ISREG(st.st_mode)) {
        fail(Problem::NotRegular, notRegular(st.st_mode));
        return;
    }
    int fd = -1;
    do {
        fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        fail(Problem::CannotOpen, cannotOpen(errno));
        return;
    }
    fd_ = fd;
    // Then what was opened: the path may name another file by now.
    if (::fstat(fd_, &st) != 0) {
        fail(Problem::CannotOpen, cannotOpen(errno));
        return;
    }
    if (!S_ISREG(st.st_mode)) {
        fail(Problem::NotRegular, notRegular(st.st_mode));
        return;
    }
    size_ = static_cast<std::uintmax_t>(st.st_size);
    if (size_ > maxBytes_) {
        fail(Problem::TooLarge, "is larger than " + sizeText(maxBytes_));
        return;
    }
    // A regular file never blocks; reads go on as usual.
    ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
}

InputFile::~InputFile() {
    if (fd_ >= 0) ::close(fd_);
}

bool InputFile::fail(Problem problem, std::string why) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    problem_ = problem;
    why_ = std::move(why);
    return false;
}

bool InputFile::readAll(std::string& text) {
    if (fd_ < 0) return false;
    text.clear();
    // One byte more than the limit tells a file that grew past it.
    text.resize(static_cast<std::size_t>(std::min(size_, maxBytes_)) + 1);
    std::size_t got = 0;
    for (;;) {
        if (got == text.size()) {
            if (got > maxBytes_)
                return fail(Problem::TooLarge, "is larger than " + sizeText(maxBytes_));
            text.resize(static_cast<std::size_t>(std::min<std::uintmax_t>(2 * got, maxBytes_ + 1)));
        }
        const ssize_t n = ::read(fd_, text.data() + got, text.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0)
            return fail(Problem::CannotRead,
                        std::string("could not be read: ") + std::strerror(errno));
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    text.resize(got);
    return true;
}

std::FILE* InputFile::releaseAsStream() {
    if (fd_ < 0) return nullptr;
    std::FILE* stream = ::fdopen(fd_, "rb");
    if (!stream) {
        fail(Problem::CannotOpen, cannotOpen(errno));
        return nullptr;
    }
    fd_ = -1;
    return stream;
}

MaybeError checkInputFile(const std::filesystem::path& file, std::uintmax_t maxBytes) {
    const InputFile in(file, maxBytes);
    if (!in) return EngineError{file.string() + " " + in.why()};
    return std::nullopt;
}

MaybeError readInputFile(const std::filesystem::path& file, std::uintmax_t maxBytes,
                         std::string& text) {
    InputFile in(file, maxBytes);
    if (!in.readAll(text)) return EngineError{file.string() + " " + in.why()};
    return std::nullopt;
}

}  // namespace strida
