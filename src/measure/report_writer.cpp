#include "measure/report_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <span>
#include <system_error>

#include "core/file_writes.h"
#include "core/numbers.h"

namespace strida {
namespace {

struct Header {
    std::string_view title;
    std::span<const std::string_view> columns;
};

constexpr std::string_view kIndividu[] = {"mass",
                                          "alpha",
                                          "beta",
                                          "chi",
                                          "Total Pedestrians",
                                          "MaxPed",
                                          "meanGeneratedFlow",
                                          "maxSpeed",
                                          "ID ",
                                          "TimeIn",
                                          "TimeOut",
                                          "travelTime",
                                          "InitPx",
                                          "InitPy",
                                          "DestPx",
                                          "DestPy",
                                          "MeanSpeed",
                                          "WalkDist",
                                          "TotalStep",
                                          "AngleDir",
                                          "Uncomfort",
                                          "Delay",
                                          "PaceIndex",
                                          "MeanSize"};
constexpr std::string_view kTraffic[] = {"mass",
                                         "alpha",
                                         "beta",
                                         "chi",
                                         "Total Pedestrians",
                                         "MaxPed",
                                         "meanGeneratedFlow",
                                         "flowRate",
                                         "spaceMeanSpeed",
                                         "timeMeanSpeed",
                                         "areaModule",
                                         "avgWalkDist",
                                         "avgTravelTime",
                                         "avgMeanInstantSpeed",
                                         "avgAngleDir",
                                         "avgUncomfort",
                                         "avgDelay",
                                         "avgPaceIndex",
                                         "ObsTime",
                                         "CountPed",
                                         "AreaModule2",
                                         "MeanSize"};
constexpr std::string_view kSystem[] = {
    "mass",        "alpha",        "beta",          "chi",      "Total Pedestrians",
    "AvgTotalPed", "MeanAvgSpeed", "MeanUncomfort", "AvgDelay", "DissipationTime",
    "NHI",         "NUVI"};
constexpr std::string_view kAvgInstant[] = {
    "Time", "Total Pedestrians", "Speed", "Delay", "Uncomfort", "NHI", "NUVI"};
constexpr std::string_view kInstant[] = {"N",        "T",         "X",     "Y",
                                         "maxSpeed", "maxAccl",   "Speed", "Accl",
                                         "Delay",    "Uncomfort", "NHI",   "NUVI"};
constexpr std::string_view kNTXY[] = {
    "mass", "alpha", "beta", "chi", "Total Pedestrians", "MaxSpeed", "MaxPed", "meanGeneratedFlow",
    "N",    "T",     "X",    "Y"};

Header headerOf(ReportFile file) {
    switch (file) {
        case ReportFile::Individu:
            return {"Individual Performance", kIndividu};
        case ReportFile::Traffic:
            return {"Traffic Report", kTraffic};
        case ReportFile::System:
            return {"System time-average Performance ", kSystem};
        case ReportFile::AvgInstant:
            return {"Average Instantaneous Performance of pedestrian in the trap", kAvgInstant};
        case ReportFile::Instant:
            return {"Instantaneous Performance of pedestrian in the trap", kInstant};
        case ReportFile::NTXY:
            break;
    }
    return {"NTXY database", kNTXY};
}

std::size_t indexOf(ReportFile file) {
    return static_cast<std::size_t>(file);
}

}  // namespace

std::string_view reportFileName(ReportFile file) {
    switch (file) {
        case ReportFile::Individu:
            return "Individu.txt";
        case ReportFile::Traffic:
            return "Traffic.txt";
        case ReportFile::System:
            return "System.txt";
        case ReportFile::AvgInstant:
            return "avgInstant.txt";
        case ReportFile::Instant:
            return "Instant.txt";
        case ReportFile::NTXY:
            break;
    }
    return "NTXY.txt";
}

void Record::separate() {
    if (!empty_) fields_ += ',';
    empty_ = false;
}

Record& Record::text(std::string_view value) {
    separate();
    fields_ += '"';
    fields_ += value;
    fields_ += '"';
    return *this;
}

Record& Record::number(double value) {
    separate();
    num::appendShortest(fields_, value);
    return *this;
}

Record& Record::number(float value) {
    separate();
    num::appendShortest(fields_, value);
    return *this;
}

Record& Record::number(int value) {
    separate();
    fields_ += std::to_string(value);
    return *this;
}

ReportWriter::ReportWriter(std::filesystem::path folder, std::function<void(const Failure&)> warn)
    : folder_(std::move(folder)), warn_(std::move(warn)) {}

ReportWriter::~ReportWriter() {
    closeAll();
}

std::filesystem::path ReportWriter::pathOf(ReportFile file) const {
    return folder_ / std::string(reportFileName(file));
}

void ReportWriter::beginRun() {
    failed_.fill(false);
    failures_.clear();
}

void ReportWriter::fail(ReportFile file, std::string_view action, const std::string& reason) {
    close(file);
    if (failed_[indexOf(file)]) return;
    failed_[indexOf(file)] = true;
    std::string text = "The report file \"";
    text += reportFileName(file);
    text += "\" could not be ";
    text += action;
    text += " in ";
    text += folder_.string();
    text += ": ";
    text += reason;
    failures_.push_back({file, text, std::string(action), reason});
    if (warn_) warn_(failures_.back());
}

bool ReportWriter::open(ReportFile file, bool truncate) {
    File& f = files_[indexOf(file)];
    if (f.fd >= 0) return true;
    if (failed_[indexOf(file)]) return false;
    const int flags = O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | (truncate ? O_TRUNC : 0);
    f.fd = ::open(pathOf(file).c_str(), flags, 0666);
    struct stat st {};
    if (f.fd < 0 || ::fstat(f.fd, &st) != 0) {
        fail(file, "created", std::strerror(errno));
        return false;
    }
    f.size = static_cast<std::uint64_t>(st.st_size);
    f.stepStart = f.size;  // a file opened during a step has nothing of it yet
    f.identity = *FileIdentity::ofOpen(f.fd);
    return true;
}

void ReportWriter::close(ReportFile file) {
    File& f = files_[indexOf(file)];
    if (f.fd >= 0) ::close(f.fd);
    f.fd = -1;
    f.pending.clear();
}

void ReportWriter::remove(ReportFile file, bool told) {
    close(file);
    std::error_code ec;
    std::filesystem::remove(pathOf(file), ec);
    if (ec && told) fail(file, "deleted", ec.message());
}

void ReportWriter::gather(ReportFile file, std::string_view bytes, std::string_view more) {
    if (!open(file, false)) return;
    std::string& pending = files_[indexOf(file)].pending;
    pending += bytes;
    pending += more;
    // A step of a large crowd writes megabytes: they go out as they come, but only whole records.
    constexpr std::size_t kSpill = std::size_t{4} << 20;
    if (pending.size() >= kSpill) writeOut(file);
}

void ReportWriter::writeOut(ReportFile file) {
    File& f = files_[indexOf(file)];
    if (f.fd < 0 || f.pending.empty()) return;
    std::size_t done = 0;
    if (const int error = writeAll(f.fd, f.pending, done)) {
        // Whatever part of a record got out is taken back, so the file ends at a record.
        const bool takenBack = ::ftruncate(f.fd, static_cast<off_t>(f.size)) == 0;
        fail(file, "written",
             std::string(std::strerror(error)) +
                 (takenBack ? "" : "; its last record may be incomplete"));
        return;
    }
    f.size += done;
    f.pending.clear();
}

bool ReportWriter::stillAtItsPath(ReportFile file) {
    const File& f = files_[indexOf(file)];
    return FileIdentity::at(pathOf(file)) == f.identity;
}

void ReportWriter::writeHeader(ReportFile file) {
    close(file);
    if (!open(file, true)) return;
    const Header header = headerOf(file);
    Record title, columns;
    title.text(header.title);
    for (std::string_view column : header.columns) columns.text(column);
    gather(file, title.line() + "\r\n" + columns.line());
}

void ReportWriter::append(ReportFile file, const Record& record) {
    gather(file, record.fields(), "\r\n");
}

void ReportWriter::appendPedestrian(const PedStepRow& r, bool ntxy, bool instant) {
    if (ntxy) {
        row_.clear();
        row_.text(num::fixed(static_cast<double>(r.id), 0))
            .text(num::fixed(static_cast<double>(r.step), 0))
            .text(num::fixed(r.x, 2))
            .text(num::fixed(r.y, 2));
        append(ReportFile::NTXY, row_);
    }
    if (!instant) return;
    row_.clear();
    row_.number(r.id).number(r.time).number(r.x).number(r.y).number(r.maxSpeed);
    row_.number(r.maxAcceleration).number(r.speed).number(r.accl).number(r.delay);
    row_.number(r.uncomfort).number(r.NHI).number(r.NUVI);
    append(ReportFile::Instant, row_);
}

void ReportWriter::appendEmptyLine(ReportFile file) {
    gather(file, "\r\n");
}

void ReportWriter::beginStep() {
    for (File& f : files_) f.stepStart = f.size + f.pending.size();
}

void ReportWriter::dropStep() {
    for (std::size_t i = 0; i < files_.size(); ++i) {
        File& f = files_[i];
        if (f.fd < 0) continue;
        if (f.stepStart >= f.size) {
            f.pending.resize(std::min<std::uint64_t>(f.pending.size(), f.stepStart - f.size));
            continue;
        }
        // A large step wrote some of its records out already: they are cut off again.
        f.pending.clear();
        if (::ftruncate(f.fd, static_cast<off_t>(f.stepStart)) != 0) {
            fail(
                static_cast<ReportFile>(i), "written",
                std::string(std::strerror(errno)) + "; it ends with records of an unfinished step");
            continue;
        }
        f.size = f.stepStart;
    }
}

void ReportWriter::flush() {
    for (std::size_t i = 0; i < files_.size(); ++i) {
        const auto file = static_cast<ReportFile>(i);
        if (files_[i].fd < 0) continue;
        if (!stillAtItsPath(file)) {
            // Deleted or replaced by another program: its records go on in a file at its path,
            // as an append to a missing file would make it; a folder that is gone stays gone.
            std::error_code ec;
            if (!std::filesystem::is_directory(folder_, ec)) {
                fail(file, "written", "the report folder is gone");
                continue;
            }
            std::string pending = std::move(files_[i].pending);
            close(file);
            if (!open(file, false)) continue;
            files_[i].pending = std::move(pending);
        }
        writeOut(file);
    }
}

void ReportWriter::closeAll() {
    flush();
    for (std::size_t i = 0; i < files_.size(); ++i) close(static_cast<ReportFile>(i));
}

}  // namespace strida
