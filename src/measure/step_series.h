// The figures of every step of a run, as the live charts and the chart-data file show them: the
// trap's instantaneous averages and the run-wide means of the performance panel, unrounded, and
// the fundamental diagram (density, speed and specific flow) of the whole trap and of each
// walking direction.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "measure/direction.h"

namespace strida {

struct StepFigures {
    std::int32_t step = 0;
    double time = 0;      ///< s: the step count times the time slice
    double trapArea = 0;  ///< m²: of the rectangle the pedestrians are counted in
    // The pedestrians inside the trap after the step, and their averages (0 when there are none).
    int TotalPed = 0;
    double speed = 0, delay = 0, uncomfort = 0, NHI = 0, NUVI = 0;  ///< m/s, s x dt, fraction, -, -
    // The run-wide running means over the sampled steps.
    double MeanAvgSpeed = 0, AvgDelay = 0, MeanUncomfort = 0, AvgTotalPed = 0;
    double AvgNHI = 0, AvgNUVI = 0;
    // Per direction: pedestrians inside the trap and the sum of their speeds.
    int count[2] = {0, 0};
    double speedSum[2] = {0, 0};
    // Per direction: the sum of the speeds along the walking direction of those inside (m/s);
    // the run's crossings of the trap's middle cross-section so far, in the walking direction
    // less those back; and the flow counted there over the last second (persons/(m s)).
    double alongSum[2] = {0, 0};
    int crossed[2] = {0, 0};
    double countedFlow[2] = {0, 0};

    /// persons/m²; 0 when the trap has no area.
    double density() const { return trapArea > 0 ? TotalPed / trapArea : 0; }
    double density(Direction d) const { return trapArea > 0 ? count[d] / trapArea : 0; }
    /// m/s; none when nobody of that direction is inside.
    std::optional<double> speedOf(Direction d) const {
        if (count[d] == 0) return std::nullopt;
        return speedSum[d] / count[d];
    }
    /// m/s: the mean speed along the walking direction, of everyone inside or of one direction;
    /// none when nobody is inside.
    std::optional<double> speedAlong() const {
        if (TotalPed == 0) return std::nullopt;
        return (alongSum[0] + alongSum[1]) / TotalPed;
    }
    std::optional<double> speedAlong(Direction d) const {
        if (count[d] == 0) return std::nullopt;
        return alongSum[d] / count[d];
    }
};

// One column of the chart data: its name in the header and its value in a step (none leaves the
// field empty).
struct SeriesColumn {
    const char* name;
    const char* unit;
    std::optional<double> (*value)(const StepFigures&);
};

// Every column, in the order the chart-data file has them.
std::span<const SeriesColumn> seriesColumns();
const SeriesColumn* findSeriesColumn(std::string_view name);

// A comma-separated file of chosen columns: a header line naming them, then one line per step,
// numbers in the shortest form that reads back to the same double, LF line ends. Each line goes
// out whole as it is given, so the file ends at a whole line whenever the program is killed; a
// line the system takes only in part is taken back, and nothing more is written.
class SeriesCsvWriter {
  public:
    // Creates the file; `error` says why not when it cannot.
    static std::unique_ptr<SeriesCsvWriter> create(const std::filesystem::path& file,
                                                   std::vector<const SeriesColumn*> columns,
                                                   std::string& error);
    SeriesCsvWriter(const SeriesCsvWriter&) = delete;
    SeriesCsvWriter& operator=(const SeriesCsvWriter&) = delete;
    ~SeriesCsvWriter();

    void row(const StepFigures& step);
    // Why the file could not be written whole; empty while it could.
    std::string failure() const;
    // Writes everything out and closes the file; false, with the reason in `error`, when any
    // write failed.
    bool finish(std::string& error);

  private:
    SeriesCsvWriter(std::filesystem::path file, int fd, std::vector<const SeriesColumn*> columns);
    void writeLine();

    std::filesystem::path file_;
    int fd_;
    std::vector<const SeriesColumn*> columns_;
    std::string line_;
    std::uint64_t size_ = 0;  // bytes of whole lines in the file
    int error_ = 0;           // what stopped the writing; 0 while nothing has
};

// Writes the steps with these columns in one go.
bool writeSeriesCsv(const std::filesystem::path& file, std::span<const StepFigures> steps,
                    std::vector<const SeriesColumn*> columns, std::string& error);

}  // namespace strida
