#include "measure/ped_data_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "core/input_file.h"
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

// The most records a file may hold: a run numbers its pedestrians with 16 bits.
constexpr std::size_t kMostRecords = 32767;

// The records read so far, each with the number of fields its line gave.
struct ReadRecord {
    std::array<double, 9> fields{};
    std::size_t given = 0;
};

// Splits one line (without its line end) at every comma, skipping empty pieces. False when it holds
// more than nine fields.
bool readLine(std::string_view line, ReadRecord& record) {
    std::size_t start = 0;
    while (start <= line.size()) {
        std::size_t comma = line.find(',', start);
        if (comma == std::string_view::npos) comma = line.size();
        if (comma > start) {
            if (record.given == record.fields.size()) return false;
            record.fields[record.given++] = num::lenient(line.substr(start, comma - start));
        }
        start = comma + 1;
    }
    return true;
}

EngineError atLine(std::size_t line, const char* what) {
    return EngineError{"line " + std::to_string(line) + " " + what};
}

// Reads the text's lines into records. A line with too many fields stops the reading; an empty
// line between records is told at the end, since a line with too many fields is told first.
MaybeError readRecords(std::string_view text, std::vector<ReadRecord>& records) {
    std::size_t line = 0, emptyLines = 0, firstGap = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view content = text.substr(start, end - start);
        start = end + 1;
        ++line;
        if (!content.empty() && content.back() == '\r') content.remove_suffix(1);
        ReadRecord record;
        if (!readLine(content, record)) return atLine(line, "holds more than nine fields");
        if (record.given == 0) {
            ++emptyLines;
            continue;
        }
        if (emptyLines > 0 && firstGap == 0) firstGap = line - emptyLines;
        emptyLines = 0;
        if (firstGap != 0) continue;  // the file is refused; only the error still to tell is open
        // Nothing is read past the first record too many: memory stays bounded.
        if (records.size() == kMostRecords)
            return EngineError{"the file holds more than 32767 pedestrians"};
        records.push_back(record);
    }
    if (firstGap != 0) return atLine(firstGap, "holds no field");
    return std::nullopt;
}

}  // namespace

PedFileRead readPedFile(const std::filesystem::path& file, std::vector<PedRecord>& list) {
    InputFile in(file, kMaxPedFileBytes);
    std::string text;
    if (!in.readAll(text))
        return {0, EngineError{file.string() + " " + in.why() +
                               (in.problem() == InputFile::Problem::TooLarge
                                    ? ", more than a file of the 32767 pedestrians a run can hold"
                                    : "")}};
    std::vector<ReadRecord> records;
    if (MaybeError error = readRecords(text, records)) return {0, error};
    list.resize(records.size());
    for (std::size_t k = 0; k < records.size(); ++k) {
        for (std::size_t i = 0; i < records[k].given; ++i) list[k].fields[i] = records[k].fields[i];
        list[k].madeByHand = false;
    }
    return {static_cast<int>(records.size()), std::nullopt};
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
