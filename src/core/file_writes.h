// Writing to files that other programs may read, delete or replace while they are written.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>

namespace strida {

// Which file a path names: its device and inode.
struct FileIdentity {
    std::uint64_t device = 0, inode = 0;
    bool operator==(const FileIdentity&) const = default;
    // Of an open file; nothing when it cannot be told.
    static std::optional<FileIdentity> ofOpen(int fd);
    // Of the file a path names now; nothing when there is none.
    static std::optional<FileIdentity> at(const std::filesystem::path& path);
};

// Writes all the bytes, going on after interruptions. Returns 0, or the error that stopped it
// (ENOSPC when the system took nothing more without saying why); `written` tells how many bytes got
// out either way.
int writeAll(int fd, std::string_view bytes, std::size_t& written);

}  // namespace strida
