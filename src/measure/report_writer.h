// The report files and their record format.
//
// Every line of a report file is one record: fields separated by single commas, text fields in
// double quotes (unchanged, quotes inside not escaped), numbers unquoted in the shortest form that
// reads back to the value at the precision it is held in, each record ended by CR LF. A record with
// no fields is an empty line.
//
// Files stay open while a run writes to them. Records are gathered in memory and written whole, at
// the end of every step and whenever a step has gathered a few megabytes, so another program (and
// whatever is left after an interruption) sees every file end at a record boundary, and every
// record of every finished step. A step under way can be taken back whole, records already
// written included, so that the files end with the step before it. At the end of each step a file
// that was deleted or replaced by another program is opened again at its path, so its later records
// are not lost; a report folder that is gone is not made again. A file that cannot be deleted,
// created or written is reported once per run, a record that could not be written whole is taken
// out again, and the run goes on without that file.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/file_writes.h"

namespace strida {

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

// One measured pedestrian's figures of one step, as its NTXY.txt and Instant.txt rows give them.
struct PedStepRow {
    int id;
    std::int32_t step;
    double time;  ///< s
    float x, y;   ///< m
    double maxSpeed, maxAcceleration, speed, accl;
    double delay;  ///< s x dt
    double uncomfort, NHI, NUVI;
};

class ReportWriter {
  public:
    // What went wrong with a report file.
    struct Failure {
        ReportFile file;
        std::string description;
        std::string action, reason;  ///< "created", "written", "deleted"; why, in words
    };
    // `warn` is told of every file that fails, once a run.
    ReportWriter(std::filesystem::path folder, std::function<void(const Failure&)> warn);
    ~ReportWriter();
    ReportWriter(const ReportWriter&) = delete;
    ReportWriter& operator=(const ReportWriter&) = delete;

    const std::filesystem::path& folder() const { return folder_; }
    // The reports go to another folder from the next run on; the files open now are closed.
    void setFolder(std::filesystem::path folder) {
        closeAll();
        folder_ = std::move(folder);
    }
    std::filesystem::path pathOf(ReportFile file) const;

    // A new run: failures are reported afresh.
    void beginRun();
    // Delete the file if it exists (closing it first when it is open). A file that cannot go is
    // a failure only when `told`: an old report the run does not write again is left quietly.
    void remove(ReportFile file, bool told = true);
    // Create the file anew and write its three header records: title, empty line, column names.
    void writeHeader(ReportFile file);
    // Append one record, creating the file when it is missing.
    void append(ReportFile file, const Record& record);
    void appendEmptyLine(ReportFile file);
    // A pedestrian's rows of the step: its NTXY.txt row and its Instant.txt row, each when asked.
    void appendPedestrian(const PedStepRow& row, bool ntxy, bool instant);
    // A step begins: what is appended from now on can be taken back by dropStep().
    void beginStep();
    // Takes back every record appended since beginStep(), also those already written out, so that
    // each file ends as it did when the step began.
    void dropStep();
    // Make every record written so far visible to readers, opening again a file that was deleted
    // or replaced since it was opened.
    void flush();
    void closeAll();

    // What went wrong with the report files in this run, one entry per file, in order.
    const std::vector<Failure>& failures() const { return failures_; }

  private:
    struct File {
        int fd = -1;
        std::string pending;          // whole records not yet written
        std::uint64_t size = 0;       // bytes of whole records in the file
        std::uint64_t stepStart = 0;  // where the step under way began: size plus pending then
        FileIdentity identity;
    };
    bool open(ReportFile file, bool truncate);
    void close(ReportFile file);
    // Adds whole records to what the file is still to receive.
    void gather(ReportFile file, std::string_view bytes, std::string_view more = {});
    void writeOut(ReportFile file);
    bool stillAtItsPath(ReportFile file);
    void fail(ReportFile file, std::string_view action, const std::string& reason);

    std::filesystem::path folder_;
    std::function<void(const Failure&)> warn_;
    std::array<File, kReportFileCount> files_{};
    std::array<bool, kReportFileCount> failed_{};
    std::vector<Failure> failures_;
    Record row_;  // room for one pedestrian's row, reused
};

}  // namespace strida
