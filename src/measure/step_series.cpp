#include "measure/step_series.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/file_writes.h"
#include "core/numbers.h"

namespace strida {
namespace {

using Value = std::optional<double>;

double flow(double density, double speed) {
    return density * speed;
}

// The percentages are shown as the performance panel shows them: the fraction times 100.
constexpr SeriesColumn kColumns[] = {
    {"step", "", [](const StepFigures& s) -> Value { return s.step; }},
    {"time", "s", [](const StepFigures& s) -> Value { return s.time; }},
    {"TotalPed", "persons", [](const StepFigures& s) -> Value { return s.TotalPed; }},
    {"AvgSpeed", "m/s", [](const StepFigures& s) -> Value { return s.speed; }},
    {"InstantDelay", "s", [](const StepFigures& s) -> Value { return s.delay; }},
    {"Uncomfort", "%", [](const StepFigures& s) -> Value { return s.uncomfort * 100; }},
    {"NHI", "", [](const StepFigures& s) -> Value { return s.NHI; }},
    {"NUVI", "", [](const StepFigures& s) -> Value { return s.NUVI; }},
    {"AvgTotalPed", "persons", [](const StepFigures& s) -> Value { return s.AvgTotalPed; }},
    {"MeanAvgSpeed", "m/s", [](const StepFigures& s) -> Value { return s.MeanAvgSpeed; }},
    {"AvgDelay", "s", [](const StepFigures& s) -> Value { return s.AvgDelay; }},
    {"MeanUncomfort", "%", [](const StepFigures& s) -> Value { return s.MeanUncomfort * 100; }},
    {"AvgNHI", "", [](const StepFigures& s) -> Value { return s.AvgNHI; }},
    {"AvgNUVI", "", [](const StepFigures& s) -> Value { return s.AvgNUVI; }},
    {"density", "1/m2", [](const StepFigures& s) -> Value { return s.density(); }},
    {"flow", "1/(m s)", [](const StepFigures& s) -> Value { return flow(s.density(), s.speed); }},
    {"density_WE", "1/m2", [](const StepFigures& s) -> Value { return s.density(WestToEast); }},
    {"speed_WE", "m/s", [](const StepFigures& s) { return s.speedOf(WestToEast); }},
    {"flow_WE", "1/(m s)",
     [](const StepFigures& s) -> Value {
         return flow(s.density(WestToEast), s.speedOf(WestToEast).value_or(0));
     }},
    {"density_EW", "1/m2", [](const StepFigures& s) -> Value { return s.density(EastToWest); }},
    {"speed_EW", "m/s", [](const StepFigures& s) { return s.speedOf(EastToWest); }},
    {"flow_EW", "1/(m s)",
     [](const StepFigures& s) -> Value {
         return flow(s.density(EastToWest), s.speedOf(EastToWest).value_or(0));
     }},
    // Progress rather than motion: the speed along the walking direction, and the flow counted
    // through the trap's middle cross-section.
    {"speed_along", "m/s", [](const StepFigures& s) { return s.speedAlong(); }},
    {"flow_along", "1/(m s)",
     [](const StepFigures& s) -> Value { return flow(s.density(), s.speedAlong().value_or(0)); }},
    {"speed_along_WE", "m/s", [](const StepFigures& s) { return s.speedAlong(WestToEast); }},
    {"speed_along_EW", "m/s", [](const StepFigures& s) { return s.speedAlong(EastToWest); }},
    {"crossed_WE", "persons", [](const StepFigures& s) -> Value { return s.crossed[WestToEast]; }},
    {"crossed_EW", "persons", [](const StepFigures& s) -> Value { return s.crossed[EastToWest]; }},
    {"counted_flow_WE", "1/(m s)",
     [](const StepFigures& s) -> Value { return s.countedFlow[WestToEast]; }},
    {"counted_flow_EW", "1/(m s)",
     [](const StepFigures& s) -> Value { return s.countedFlow[EastToWest]; }},
};

std::string failureOf(const std::filesystem::path& file, const char* what, int error) {
    return "the chart data file " + file.string() + " " + what + ": " + std::strerror(error);
}

}  // namespace

std::span<const SeriesColumn> seriesColumns() {
    return kColumns;
}

const SeriesColumn* findSeriesColumn(std::string_view name) {
    for (const SeriesColumn& c : kColumns)
        if (name == c.name) return &c;
    return nullptr;
}

std::unique_ptr<SeriesCsvWriter> SeriesCsvWriter::create(const std::filesystem::path& file,
                                                         std::vector<const SeriesColumn*> columns,
                                                         std::string& error) {
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = failureOf(file, "could not be created", errno);
        return nullptr;
    }
    std::unique_ptr<SeriesCsvWriter> writer(new SeriesCsvWriter(file, fd, std::move(columns)));
    for (const SeriesColumn* c : writer->columns_)
        writer->line_ += (writer->line_.empty() ? "" : ",") + std::string(c->name);
    writer->line_ += '\n';
    writer->writeLine();
    return writer;
}

SeriesCsvWriter::SeriesCsvWriter(std::filesystem::path file, int fd,
                                 std::vector<const SeriesColumn*> columns)
    : file_(std::move(file)), fd_(fd), columns_(std::move(columns)) {}

SeriesCsvWriter::~SeriesCsvWriter() {
    if (fd_ >= 0) ::close(fd_);
}

void SeriesCsvWriter::row(const StepFigures& step) {
    if (fd_ < 0 || error_ != 0) return;
    line_.clear();
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        if (i > 0) line_ += ',';
        if (const std::optional<double> v = columns_[i]->value(step))
            num::appendShortest(line_, *v);
    }
    line_ += '\n';
    writeLine();
}

void SeriesCsvWriter::writeLine() {
    std::size_t written = 0;
    error_ = writeAll(fd_, line_, written);
    if (error_ == 0) {
        size_ += line_.size();
    } else if (written > 0) {
        // The part of a line that got out is taken back, so the file ends at a whole line.
        [[maybe_unused]] const int truncated = ::ftruncate(fd_, static_cast<off_t>(size_));
    }
    line_.clear();
}

std::string SeriesCsvWriter::failure() const {
    return error_ == 0 ? std::string() : failureOf(file_, "could not be written", error_);
}

bool SeriesCsvWriter::finish(std::string& error) {
    if (fd_ >= 0 && ::close(fd_) != 0 && error_ == 0) error_ = errno;
    fd_ = -1;
    if (error_ == 0) return true;
    error = failure();
    return false;
}

bool writeSeriesCsv(const std::filesystem::path& file, std::span<const StepFigures> steps,
                    std::vector<const SeriesColumn*> columns, std::string& error) {
    std::unique_ptr<SeriesCsvWriter> writer =
        SeriesCsvWriter::create(file, std::move(columns), error);
    if (!writer) return false;
    for (const StepFigures& s : steps) writer->row(s);
    return writer->finish(error);
}

}  // namespace strida
