// The pedestrian data file: one hand-made pedestrian per line, nine comma-separated numbers
// (number, start x, start y, target x, target y, velocity x, velocity y, maximum speed, maximum
// acceleration), CR LF line ends, no header.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/error.h"

namespace strida {

inline constexpr std::string_view kDefaultDataFile = "PedData.sdx";

struct PedRecord {
    std::array<double, 9> fields{};
    // A record made by hand holds its number as a whole number and fields 2 to 7 in single
    // precision; a loaded record holds doubles. Each is written at the precision it is held in.
    bool madeByHand = false;
};

// One line of the file for a record.
std::string formatPedRecord(const PedRecord& record);

// The largest data file read. A record the program writes takes at most about 230 bytes (nine
// numbers of up to 24 characters), so the 32767 records a file may hold take at most 7.1 MB.
inline constexpr std::uintmax_t kMaxPedFileBytes = std::uintmax_t{8} << 20;

// Reads a data file into `list` by the reading rules: each line is split at every comma, empty
// pieces are skipped, every piece is read leniently. Line k fills record k; fields a line does not
// give keep what record k held before (0 for a new record). Empty lines at the end of the file are
// ignored. A line with more than nine fields, an empty line between records, a record past the
// 32767th (reading stops there), a file that is not a regular file or is larger than
// kMaxPedFileBytes are errors, and then `list` is left as it was. Returns the number of records
// read.
struct PedFileRead {
    int count = 0;
    MaybeError error;
};
PedFileRead readPedFile(const std::filesystem::path& file, std::vector<PedRecord>& list);

// Writes the records, replacing the file.
MaybeError writePedFile(const std::filesystem::path& file, const std::vector<PedRecord>& list);

// The file an open-file dialog's choice stands for: the chosen folder, the chosen name less its
// last four characters, and ".sdx".
std::filesystem::path dataFileFromDialog(const std::filesystem::path& chosen);

}  // namespace strida
