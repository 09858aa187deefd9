#include "measure/ped_data_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <system_error>

#include "core/numbers.h"

namespace strida {

std::string formatPedRecord(const PedRecord& record) {
    std::string line;
    for (std::size_t i = 0; i < record.fields.size(); ++i) {
        if (i > 0) line += ',';
        const double v = record.fields[i];
        if (record.madeByHand && i == 0)
            line += std::to_string(static_cast<long>(v));
        else if (record.madeByHand && i <= 6)
            num::appendShortest(line, static_cast<float>(v));
        else
            num::appendShortest(line, v);
    }
    return line;
}

namespace {
// 32767 pedestrians of nine numbers each take a few megabytes; a file far larger than that is not
// a data file, and reading it whole could exhaust the memory.
constexpr std::uintmax_t kMaxPedFileBytes = std::uintmax_t{64} << 20;

EngineError tooLarge(const std::filesystem::path& file) {
    return EngineError{file.string() + " is larger than 64 MB, far more than the 32767 " +
                       "pedestrians a run can hold"};
}
}  // namespace

PedFileRead readPedFile(const std::filesystem::path& file, std::vector<PedRecord>& list) {
    // Only a regular file is read: a device would never end and a pipe might never answer.
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(file, ec);
    if (ec) return {0, EngineError{"cannot open " + file.string() + ": " + ec.message()}};
    if (!std::filesystem::is_regular_file(status))
        return {0, EngineError{file.string() + " is not a regular file"}};
    if (std::filesystem::file_size(file, ec) > kMaxPedFileBytes && !ec) return {0, tooLarge(file)};
    std::ifstream in(file, std::ios::binary);
    if (!in) return {0, EngineError{"cannot open " + file.string() + ": " + std::strerror(errno)}};
    std::vector<std::vector<double>> lines;
    std::string line;
    std::uintmax_t bytes = 0;
    while (std::getline(in, line)) {
        bytes += line.size() + 1;
        if (bytes > kMaxPedFileBytes) return {0, tooLarge(file)};  // it grew while being read
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::vector<double> fields;
        std::size_t start = 0;
        while (start <= line.size()) {
            std::size_t comma = line.find(',', start);
            if (comma == std::string::npos) comma = line.size();
            if (comma > start)
                fields.push_back(num::lenient(std::string_view(line).substr(start, comma - start)));
            start = comma + 1;
        }
        if (fields.size() > 9)
            return {0, EngineError{"line " + std::to_string(lines.size() + 1) +
                                   " holds more than nine fields"}};
        lines.push_back(std::move(fields));
    }
    if (in.bad()) return {0, EngineError{"cannot read " + file.string()}};
    while (!lines.empty() && lines.back().empty()) lines.pop_back();
    for (std::size_t k = 0; k < lines.size(); ++k)
        if (lines[k].empty())
            return {0, EngineError{"line " + std::to_string(k + 1) + " holds no field"}};

    list.resize(lines.size());
    for (std::size_t k = 0; k < lines.size(); ++k) {
        for (std::size_t i = 0; i < lines[k].size(); ++i) list[k].fields[i] = lines[k][i];
        list[k].madeByHand = false;
    }
    return {static_cast<int>(lines.size()), std::nullopt};
}

MaybeError writePedFile(const std::filesystem::path& file, const std::vector<PedRecord>& list) {
    std::error_code ec;
    std::filesystem::remove(file, ec);
    if (ec) return EngineError{"cannot delete " + file.string() + ": " + ec.message()};
    std::FILE* f = std::fopen(file.c_str(), "wb");
    if (!f) return EngineError{"cannot create " + file.string() + ": " + std::strerror(errno)};
    bool ok = true;
    for (const PedRecord& record : list) {
        const std::string line = formatPedRecord(record) + "\r\n";
        ok = ok && std::fwrite(line.data(), 1, line.size(), f) == line.size();
    }
    ok = (std::fclose(f) == 0) && ok;
    if (!ok) return EngineError{"cannot write " + file.string() + ": " + std::strerror(errno)};
    return std::nullopt;
}

std::filesystem::path dataFileFromDialog(const std::filesystem::path& chosen) {
    std::string name = chosen.filename().string();
    name = name.size() > 4 ? name.substr(0, name.size() - 4) : std::string();
    return chosen.parent_path() / (name + ".sdx");
}

}  // namespace strida
