// The summary of a study: for every design point, the mean, standard deviation and 95 % confidence
// interval (Student's t) of each figure of the runs' "System.txt" records, how many runs gave one,
// how many failed and how many ended without a record; then the same for each number of the
// closing figures and counts the runs' manifests record under "results", and how many runs
// recorded them.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace strida::sweep {

// The figures of a "System.txt" record, named as in its header.
inline const char* const kSystemFigures[] = {
    "AvgTotalPed", "MeanAvgSpeed", "MeanUncomfort", "AvgDelay", "DissipationTime", "NHI", "NUVI"};

struct Statistics {
    int n = 0;
    double mean = 0, sd = 0, low = 0, high = 0;  ///< sd and the interval need n >= 2
};
// The sample mean, standard deviation (n - 1) and the interval mean -+ t(0.975, n - 1) sd /
// sqrt(n).
Statistics statisticsOf(const std::vector<double>& values);

// The figures of the last record of a "System.txt" file, in kSystemFigures' order; none when the
// file is missing or holds no record.
std::optional<std::vector<double>> systemFigures(const std::filesystem::path& file);

// A field of summary.csv as RFC 4180 writes it: as it is, or, when it holds a comma, a double
// quote, CR or LF, in double quotes with each double quote doubled.
std::string csvField(std::string_view text);

// Reads study/runs.tsv and every run's folder, writes study/summary.csv. The System.txt columns
// come first, whatever the runs wrote; after "without_system_row" come the columns of every
// number found under "results" in any run's manifest, by path in sorted order, and last
// "with_results". Returns an error text
// when the study cannot be read or the summary written; prints nothing.
std::optional<std::string> collect(const std::filesystem::path& study);

}  // namespace strida::sweep
