#include "sweep/collect.h"

#include <algorithm>
#include <boost/math/distributions/students_t.hpp>
#include <cmath>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
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
    int failed = 0, withoutRecord = 0;
};

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

std::string summaryLine(std::vector<std::string> fields, const Point& p) {
    for (const std::vector<double>& figure : p.figures) {
        const Statistics s = statisticsOf(figure);
        const auto when = [](bool known, double v) {
            return known ? std::optional(v) : std::nullopt;
        };
        fields.push_back(number(when(s.n > 0, s.mean)));
        fields.push_back(number(when(s.n > 1, s.sd)));
        fields.push_back(number(when(s.n > 1, s.low)));
        fields.push_back(number(when(s.n > 1, s.high)));
        fields.push_back(std::to_string(s.n));
    }
    fields.push_back(std::to_string(p.failed));
    fields.push_back(std::to_string(p.withoutRecord));
    return joined(fields);
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
    for (std::size_t k = 1; k < lines.size(); ++k) {
        const std::vector<std::string> f = splitAt(lines[k], '\t');
        if (f.size() != header.size()) continue;
        const std::vector<std::string> values(f.begin() + 2, f.end() - 1);
        if (!points.count(values)) order.push_back(values);
        Point& p = points[values];
        const std::filesystem::path run = study / "runs" / f[0];
        if (failed(run)) {
            ++p.failed;
        } else if (auto figures = systemFigures(run / "System.txt")) {
            for (std::size_t i = 0; i < figures->size(); ++i) p.figures[i].push_back((*figures)[i]);
        } else {
            ++p.withoutRecord;
        }
    }
    std::vector<std::string> names = varied;
    for (const char* figure : kSystemFigures)
        for (const char* part : {"_mean", "_sd", "_ci95_low", "_ci95_high", "_n"})
            names.push_back(figure + std::string(part));
    names.push_back("failed");
    names.push_back("without_system_row");
    std::string csv = joined(names);
    for (const auto& values : order) csv += summaryLine(values, points[values]);
    return writeWhole(study / "summary.csv", csv);
}

}  // namespace strida::sweep
