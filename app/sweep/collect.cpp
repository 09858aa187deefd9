#include "sweep/collect.h"

#include <algorithm>
#include <boost/math/distributions/students_t.hpp>
#include <cmath>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "core/numbers.h"
#include "sweep/design.h"

namespace strida::sweep {
namespace {

// A run failed when it did not exit with status 0: its status file says so, or, where it left
// none, its manifest does not say it ran to an end.
bool failed(const std::filesystem::path& run) {
    const std::string status = readText(run / "status");
    if (!status.empty()) return std::atoi(status.c_str()) != 0;
    try {
        const auto m = nlohmann::json::parse(readText(run / "manifest.json"));
        const std::string ending = m.at("ending").get<std::string>();
        return ending != "finished" && ending != "step limit";
    } catch (const nlohmann::json::exception&) {
        return true;
    }
}

struct Point {
    std::vector<std::vector<double>> figures{std::size(kSystemFigures)};
    std::map<std::string, std::vector<double>> results;  ///< by path, results.AvgDelay ...
    int failed = 0, withoutRecord = 0, withResults = 0;
};

// The numbers of a run's closing figures in its manifest's "results": each under its path,
// "results.<key>" or, for the figures of one direction, "results.<object>.<key>". A figure
// without a value (null) is left out, so that it does not count. False when the manifest holds
// no "results" object (a run of an earlier version, or a manifest that cannot be read).
bool resultsOf(const std::filesystem::path& run, std::map<std::string, double>& numbers) {
    const auto m = nlohmann::json::parse(readText(run / "manifest.json"), nullptr, false);
    if (!m.is_object()) return false;
    const auto results = m.find("results");
    if (results == m.end() || !results->is_object()) return false;
    for (const auto& [key, value] : results->items()) {
        if (value.is_number()) numbers["results." + key] = value.get<double>();
        if (!value.is_object()) continue;
        for (const auto& [inner, figure] : value.items())
            if (figure.is_number()) numbers["results." + key + "." + inner] = figure.get<double>();
    }
    return true;
}

std::string number(std::optional<double> value) {
    std::string text;
    if (value && std::isfinite(*value)) num::appendShortest(text, *value);
    return text;
}

std::string joined(const std::vector<std::string>& fields) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) line += (i ? "," : "") + csvField(fields[i]);
    return line + "\n";
}

// A figure's _mean, _sd, _ci95_low, _ci95_high and _n; empty where there are too few values.
void appendStatistics(std::vector<std::string>& fields, const std::vector<double>& values) {
    const Statistics s = statisticsOf(values);
    const auto when = [](bool known, double v) { return known ? std::optional(v) : std::nullopt; };
    fields.push_back(number(when(s.n > 0, s.mean)));
    fields.push_back(number(when(s.n > 1, s.sd)));
    fields.push_back(number(when(s.n > 1, s.low)));
    fields.push_back(number(when(s.n > 1, s.high)));
    fields.push_back(std::to_string(s.n));
}

std::string summaryLine(std::vector<std::string> fields, const Point& p,
                        const std::set<std::string>& paths) {
    for (const std::vector<double>& figure : p.figures) appendStatistics(fields, figure);
    fields.push_back(std::to_string(p.failed));
    fields.push_back(std::to_string(p.withoutRecord));
    for (const std::string& path : paths) {
        const auto found = p.results.find(path);
        appendStatistics(fields, found == p.results.end() ? std::vector<double>{} : found->second);
    }
    fields.push_back(std::to_string(p.withResults));
    return joined(fields);
}

// Adds one run to its point: counted as failed, or its System.txt figures and its results.
void addRun(const std::filesystem::path& run, Point& p, std::set<std::string>& paths) {
    if (failed(run)) {
        ++p.failed;
        return;
    }
    if (auto figures = systemFigures(run / "System.txt"))
        for (std::size_t i = 0; i < figures->size(); ++i) p.figures[i].push_back((*figures)[i]);
    else
        ++p.withoutRecord;
    std::map<std::string, double> numbers;
    if (!resultsOf(run, numbers)) return;
    ++p.withResults;
    for (const auto& [path, value] : numbers) {
        p.results[path].push_back(value);
        paths.insert(path);
    }
}

std::vector<std::string> columnNames(std::vector<std::string> names,
                                     const std::set<std::string>& paths) {
    const auto add = [&names](const std::string& figure) {
        for (const char* part : {"_mean", "_sd", "_ci95_low", "_ci95_high", "_n"})
            names.push_back(figure + part);
    };
    for (const char* figure : kSystemFigures) add(figure);
    names.push_back("failed");
    names.push_back("without_system_row");
    for (const std::string& path : paths) add(path);
    names.push_back("with_results");
    return names;
}

}  // namespace

std::string csvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    std::string field = "\"";
    for (char c : text) field += c == '"' ? std::string("\"\"") : std::string(1, c);
    return field + "\"";
}

Statistics statisticsOf(const std::vector<double>& values) {
    Statistics s;
    s.n = static_cast<int>(values.size());
    if (s.n == 0) return s;
    double sum = 0;
    for (double v : values) sum += v;
    s.mean = sum / s.n;
    if (s.n < 2) return s;
    double squares = 0;
    for (double v : values) squares += (v - s.mean) * (v - s.mean);
    s.sd = std::sqrt(squares / (s.n - 1));
    const boost::math::students_t t(s.n - 1);
    const double half = boost::math::quantile(t, 0.975) * s.sd / std::sqrt(s.n);
    s.low = s.mean - half, s.high = s.mean + half;
    return s;
}

std::optional<std::vector<double>> systemFigures(const std::filesystem::path& file) {
    const std::vector<std::string> lines = splitAt(readText(file), '\n');
    // Three header records, then one record per finished run.
    for (std::size_t k = lines.size(); k-- > 3;) {
        std::vector<std::string> fields = splitAt(lines[k], ',');
        if (fields.size() != 12) continue;
        std::vector<double> figures;
        for (std::size_t i = 5; i < 12; ++i) {
            std::string f = fields[i];
            f.erase(
                std::remove_if(f.begin(), f.end(), [](char c) { return c == '"' || c == '\r'; }),
                f.end());
            const std::optional<double> v = num::strict(f);
            if (!v) return std::nullopt;
            figures.push_back(*v);
        }
        return figures;
    }
    return std::nullopt;
}

std::optional<std::string> collect(const std::filesystem::path& study) {
    const std::vector<std::string> lines = splitAt(readText(study / "runs.tsv"), '\n');
    if (lines.empty()) return "there is no study in " + study.string() + " (no runs.tsv)";
    const std::vector<std::string> header = splitAt(lines[0], '\t');
    if (header.size() < 3 || header[0] != "id" || header.back() != "command")
        return (study / "runs.tsv").string() + " is not a table of runs";
    const std::vector<std::string> varied(header.begin() + 2, header.end() - 1);
    std::map<std::vector<std::string>, Point> points;
    std::vector<std::vector<std::string>> order;
    std::set<std::string> paths;  // every results figure some run of the study gave
    for (std::size_t k = 1; k < lines.size(); ++k) {
        const std::vector<std::string> f = splitAt(lines[k], '\t');
        if (f.size() != header.size()) continue;
        const std::vector<std::string> values(f.begin() + 2, f.end() - 1);
        if (!points.count(values)) order.push_back(values);
        addRun(study / "runs" / f[0], points[values], paths);
    }
    std::string csv = joined(columnNames(varied, paths));
    for (const auto& values : order) csv += summaryLine(values, points[values], paths);
    return writeWhole(study / "summary.csv", csv);
}

}  // namespace strida::sweep
