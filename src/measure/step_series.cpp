#include "measure/step_series.h"

#include <cerrno>
#include <cstring>

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
};

std::string failureOf(const std::filesystem::path& file, const char* what) {
    return "the chart data file " + file.string() + " " + what + ": " + std::strerror(errno);
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
    std::FILE* out = std::fopen(file.c_str(), "wb");
    if (!out) {
        error = failureOf(file, "could not be created");
        return nullptr;
    }
    std::unique_ptr<SeriesCsvWriter> writer(new SeriesCsvWriter(file, out, std::move(columns)));
    std::string header;
    for (const SeriesColumn* c : writer->columns_)
        header += (header.empty() ? "" : ",") + std::string(c->name);
    header += '\n';
    if (std::fwrite(header.data(), 1, header.size(), out) != header.size()) writer->failed_ = true;
    return writer;
}

SeriesCsvWriter::SeriesCsvWriter(std::filesystem::path file, std::FILE* out,
                                 std::vector<const SeriesColumn*> columns)
    : file_(std::move(file)), out_(out), columns_(std::move(columns)) {}

SeriesCsvWriter::~SeriesCsvWriter() {
    if (out_) std::fclose(out_);
}

void SeriesCsvWriter::row(const StepFigures& step) {
    if (!out_ || failed_) return;
    line_.clear();
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        if (i > 0) line_ += ',';
        if (const std::optional<double> v = columns_[i]->value(step))
            num::appendShortest(line_, *v);
    }
    line_ += '\n';
    if (std::fwrite(line_.data(), 1, line_.size(), out_) != line_.size()) failed_ = true;
}

bool SeriesCsvWriter::finish(std::string& error) {
    if (!out_) return !failed_;
    const bool flushed = std::fflush(out_) == 0 && !std::ferror(out_);
    const bool closed = std::fclose(out_) == 0;
    out_ = nullptr;
    if (failed_ || !flushed || !closed) {
        failed_ = true;
        error = failureOf(file_, "could not be written");
        return false;
    }
    return true;
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
