#include "measure/report_writer.h"

#include <cerrno>
#include <cstring>
#include <span>
#include <system_error>

#include "engine/host.h"
#include "engine/numbers.h"

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

ReportWriter::ReportWriter(std::filesystem::path folder, Host& host)
    : folder_(std::move(folder)), host_(host) {}

ReportWriter::~ReportWriter() {
    closeAll();
}

std::filesystem::path ReportWriter::pathOf(ReportFile file) const {
    return folder_ / std::string(reportFileName(file));
}

void ReportWriter::beginRun() {
    failed_.fill(false);
}

void ReportWriter::fail(ReportFile file, std::string_view action, int error) {
    std::FILE*& f = files_[indexOf(file)];
    if (f) std::fclose(f);
    f = nullptr;
    if (failed_[indexOf(file)]) return;
    failed_[indexOf(file)] = true;
    std::string text = "The report file \"";
    text += reportFileName(file);
    text += "\" could not be ";
    text += action;
    text += " in ";
    text += folder_.string();
    text += ": ";
    text += std::strerror(error);
    text += ". The run goes on without it.";
    host_.showMessage(text, "Strida", MessageIcon::Stop);
}

void ReportWriter::remove(ReportFile file) {
    std::FILE*& f = files_[indexOf(file)];
    if (f) std::fclose(f);
    f = nullptr;
    std::error_code ec;
    std::filesystem::remove(pathOf(file), ec);
    if (ec) fail(file, "deleted", ec.value());
}

std::FILE* ReportWriter::open(ReportFile file, const char* mode) {
    std::FILE*& f = files_[indexOf(file)];
    if (f) return f;
    if (failed_[indexOf(file)]) return nullptr;
    f = std::fopen(pathOf(file).c_str(), mode);
    if (!f) {
        fail(file, "created", errno);
        return nullptr;
    }
    // Records reach the disk in large writes; every finished step is flushed all the same.
    constexpr std::size_t kBuffer = 1 << 20;
    auto& buffer = buffers_[indexOf(file)];
    if (!buffer) buffer = std::make_unique<char[]>(kBuffer);
    std::setvbuf(f, buffer.get(), _IOFBF, kBuffer);
    return f;
}

void ReportWriter::write(ReportFile file, std::string_view bytes) {
    std::FILE* f = open(file, "ab");
    if (!f) return;
    if (std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) fail(file, "written", errno);
}

void ReportWriter::writeHeader(ReportFile file) {
    std::FILE*& f = files_[indexOf(file)];
    if (f) std::fclose(f);
    f = nullptr;
    if (!open(file, "wb")) return;
    const Header header = headerOf(file);
    Record title, columns;
    title.text(header.title);
    for (std::string_view column : header.columns) columns.text(column);
    write(file, title.line() + "\r\n" + columns.line());
}

void ReportWriter::append(ReportFile file, const Record& record) {
    std::FILE* f = open(file, "ab");
    if (!f) return;
    const std::string& fields = record.fields();
    if (std::fwrite(fields.data(), 1, fields.size(), f) != fields.size() ||
        std::fwrite("\r\n", 1, 2, f) != 2)
        fail(file, "written", errno);
}

void ReportWriter::appendEmptyLine(ReportFile file) {
    write(file, "\r\n");
}

void ReportWriter::flush() {
    for (std::size_t i = 0; i < files_.size(); ++i) {
        if (files_[i] && std::fflush(files_[i]) != 0)
            fail(static_cast<ReportFile>(i), "written", errno);
    }
}

void ReportWriter::closeAll() {
    for (std::size_t i = 0; i < files_.size(); ++i) {
        if (!files_[i]) continue;
        const bool ok = std::fclose(files_[i]) == 0;
        files_[i] = nullptr;
        if (!ok) fail(static_cast<ReportFile>(i), "written", errno);
    }
}

}  // namespace strida
