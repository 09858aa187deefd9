// The report files and their record format.
//
// Every line of a report file is one record: fields separated by single commas, text fields in
// double quotes (unchanged, quotes inside not escaped), numbers unquoted in the shortest form that
// reads back to the value at the precision it is held in, each record ended by CR LF. A record with
// no fields is an empty line.
//
// Files stay open while a run writes to them and are flushed at the end of every step, so another
// program reading them sees every record of every finished step. A file that cannot be deleted,
// created or written is reported once per run through the host, and the run goes on without it.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace strida {

class Host;

enum class ReportFile : std::uint8_t { Individu, Traffic, System, AvgInstant, Instant, NTXY };
inline constexpr int kReportFileCount = 6;

std::string_view reportFileName(ReportFile file);

// One record under construction.
class Record {
  public:
    Record& text(std::string_view value);
    Record& number(double value);
    Record& number(float value);
    Record& number(int value);
    // The record as it goes into the file, CR LF included.
    std::string line() const { return fields_ + "\r\n"; }
    const std::string& fields() const { return fields_; }
    // Starts a new record, keeping the memory of the last one.
    void clear() {
        fields_.clear();
        empty_ = true;
    }

  private:
    void separate();
    std::string fields_;
    bool empty_ = true;
};

class ReportWriter {
  public:
    ReportWriter(std::filesystem::path folder, Host& host);
    ~ReportWriter();
    ReportWriter(const ReportWriter&) = delete;
    ReportWriter& operator=(const ReportWriter&) = delete;

    const std::filesystem::path& folder() const { return folder_; }
    std::filesystem::path pathOf(ReportFile file) const;

    // A new run: failures are reported afresh.
    void beginRun();
    // Delete the file if it exists (closing it first when it is open).
    void remove(ReportFile file);
    // Create the file anew and write its three header records: title, empty line, column names.
    void writeHeader(ReportFile file);
    // Append one record, creating the file when it is missing.
    void append(ReportFile file, const Record& record);
    void appendEmptyLine(ReportFile file);
    // Make every record written so far visible to readers.
    void flush();
    void closeAll();

  private:
    std::FILE* open(ReportFile file, const char* mode);
    void write(ReportFile file, std::string_view bytes);
    void fail(ReportFile file, std::string_view action, int error);

    std::filesystem::path folder_;
    Host& host_;
    std::array<std::FILE*, kReportFileCount> files_{};
    std::array<std::unique_ptr<char[]>, kReportFileCount> buffers_;
    std::array<bool, kReportFileCount> failed_{};
};

}  // namespace strida
