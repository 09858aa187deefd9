#include "sweep/design.h"

#include <cmath>
#include <fstream>
#include <sstream>

#include "core/numbers.h"
#include "engine/settings.h"
#include "engine/settings_rules.h"

namespace strida::sweep {
namespace {

// a:b:step, b included when the steps reach it (within rounding).
std::optional<std::vector<std::string>> range(const std::vector<std::string>& parts,
                                              std::string& error) {
    const std::optional<double> from = num::strict(parts[0]), to = num::strict(parts[1]),
                                by = num::strict(parts[2]);
    if (!from || !to || !by || !std::isfinite(*from) || !std::isfinite(*to) ||
        !std::isfinite(*by)) {
        error = "a range is a:b:step with three numbers";
        return std::nullopt;
    }
    const double a = *from, b = *to, step = *by;
    if (step <= 0 || b < a) {
        error = "a range a:b:step needs a step above 0 and b not below a";
        return std::nullopt;
    }
    const double count = std::floor((b - a) / step + 1e-9) + 1;
    if (count > 10000) {
        error = "a range of more than 10000 values";
        return std::nullopt;
    }
    std::vector<std::string> values;
    for (int k = 0; k < static_cast<int>(count); ++k) {
        std::string text;
        num::appendShortest(text, a + k * step);
        values.push_back(text);
    }
    return values;
}

}  // namespace

std::optional<Vary> parseVary(std::string_view text, std::string& error) {
    const std::size_t eq = text.find('=');
    if (eq == std::string_view::npos || eq == 0 || eq + 1 == text.size()) {
        error = "--vary takes NAME=a:b:step or NAME=v1,v2,..., not '" + std::string(text) + "'";
        return std::nullopt;
    }
    Vary vary{std::string(text.substr(0, eq)), {}};
    const std::string_view list = text.substr(eq + 1);
    const std::vector<std::string> parts = splitAt(list, ':');
    if (parts.size() == 3) {
        auto values = range(parts, error);
        if (!values) {
            error = "--vary " + vary.name + ": " + error;
            return std::nullopt;
        }
        vary.values = std::move(*values);
    } else {
        vary.values = splitAt(list, ',');
    }
    for (const std::string& value : vary.values) {
        Settings check;
        if (auto failure = applySetting(check, vary.name, value)) {
            error = "--vary " + vary.name + ": " + failure->description;
            return std::nullopt;
        }
    }
    return vary;
}

std::string readText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> splitAt(std::string_view text, char at) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in{std::string(text)};
    while (std::getline(in, part, at)) parts.push_back(part);
    return parts;
}

std::uint64_t runSeed(std::uint64_t base, int id) {
    std::uint64_t z = base + 0x9E3779B97F4A7C15ull * static_cast<std::uint64_t>(id);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

std::vector<Run> expandDesign(const std::vector<Vary>& varies, int replications,
                              std::uint64_t baseSeed) {
    std::vector<std::vector<std::string>> points{{}};
    for (const Vary& vary : varies) {
        std::vector<std::vector<std::string>> next;
        for (const auto& point : points)
            for (const std::string& value : vary.values) {
                next.push_back(point);
                next.back().push_back(value);
            }
        points = std::move(next);
    }
    std::vector<Run> runs;
    for (const auto& point : points)
        for (int r = 0; r < replications; ++r) {
            const int id = static_cast<int>(runs.size()) + 1;
            runs.push_back({id, runSeed(baseSeed, id), point});
        }
    return runs;
}

std::string shellQuoted(std::string_view text) {
    const bool plain = !text.empty() && text.find_first_not_of(
                                            "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                            "0123456789_-+=.,:/@%") == std::string_view::npos;
    if (plain) return std::string(text);
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string runCommand(const std::string& batch, const std::vector<Vary>& varies, const Run& run,
                       const std::vector<std::string>& extra) {
    std::string command =
        shellQuoted(batch) + " --scenario scenario.json --seed " + std::to_string(run.seed);
    for (std::size_t i = 0; i < varies.size(); ++i)
        command += " --set " + shellQuoted(varies[i].name + "=" + run.values[i]);
    for (const std::string& arg : extra) command += " " + shellQuoted(arg);
    return command + " --out runs/" + std::to_string(run.id);
}

std::string runsTable(const std::vector<Vary>& varies, const std::vector<Run>& runs,
                      const std::vector<std::string>& commands) {
    std::string table = "id\tseed";
    for (const Vary& vary : varies) table += "\t" + vary.name;
    table += "\tcommand\n";
    for (std::size_t k = 0; k < runs.size(); ++k) {
        table += std::to_string(runs[k].id) + "\t" + std::to_string(runs[k].seed);
        for (const std::string& value : runs[k].values) table += "\t" + value;
        table += "\t" + commands[k] + "\n";
    }
    return table;
}

}  // namespace strida::sweep
