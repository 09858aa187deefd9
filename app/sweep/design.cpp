#include "sweep/design.h"

#include <unistd.h>

#include <fstream>
#include <sstream>

#include "core/error.h"
#include "core/input_file.h"
#include "engine/settings.h"
#include "engine/settings_rules.h"
#include "sweep/decimal.h"

namespace strida::sweep {

std::optional<Vary> parseVary(std::string_view text, std::string& error) {
    const std::size_t eq = text.find('=');
    if (eq == std::string_view::npos || eq == 0 || eq + 1 == text.size()) {
        error = "--vary takes NAME=a:b:step or NAME=v1,v2,..., not " + quoteText(text);
        return std::nullopt;
    }
    Vary vary{std::string(text.substr(0, eq)), {}};
    const std::string_view list = text.substr(eq + 1);
    const std::vector<std::string> parts = splitAt(list, ':');
    if (parts.size() == 3) {
        auto values = decimalRange(parts[0], parts[1], parts[2], kMaxRuns, error);
        if (!values) {
            error = "--vary " + vary.name + ": " + error;
            return std::nullopt;
        }
        vary.values = std::move(*values);
    } else {
        vary.values = splitAt(list, ',');
    }
    for (const std::string& value : vary.values) {
        if (value.find_first_of("\t\r\n") != std::string::npos) {
            error = "--vary " + vary.name + ": the value " + quoteText(value) +
                    " holds a tab or a line break, which runs.tsv cannot hold";
            return std::nullopt;
        }
        Settings check;
        if (auto failure = applySetting(check, vary.name, value)) {
            error = "--vary " + vary.name + ": " + failure->description;
            return std::nullopt;
        }
    }
    return vary;
}

std::optional<std::uint64_t> designRuns(const std::vector<Vary>& varies,
                                        std::uint64_t replications) {
    for (const Vary& vary : varies)
        if (vary.values.empty()) return 0;
    std::uint64_t runs = replications;
    for (const Vary& vary : varies)
        if (__builtin_mul_overflow(runs, static_cast<std::uint64_t>(vary.values.size()), &runs))
            return std::nullopt;
    if (runs > kMaxRuns) return std::nullopt;
    return runs;
}

void forEachPoint(const std::vector<Vary>& varies,
                  const std::function<bool(const std::vector<std::string>&)>& visit) {
    for (const Vary& vary : varies)
        if (vary.values.empty()) return;
    // An odometer over the values, the last setting turning fastest.
    std::vector<std::size_t> at(varies.size(), 0);
    std::vector<std::string> point(varies.size());
    for (;;) {
        for (std::size_t i = 0; i < varies.size(); ++i) point[i] = varies[i].values[at[i]];
        if (!visit(point)) return;
        std::size_t i = varies.size();
        while (i > 0 && ++at[i - 1] == varies[i - 1].values.size()) at[--i] = 0;
        if (i == 0) return;
    }
}

std::string readText(const std::filesystem::path& file) {
    // A pipe or a device put in place of a study's file reads as nothing rather than hanging the
    // sweep; the largest file a study writes (runs.tsv of the largest design) is far below this.
    constexpr std::uintmax_t kLimit = 256u << 20;
    std::string text;
    if (readInputFile(file, kLimit, text)) return {};
    return text;
}

std::optional<std::string> writeWhole(const std::filesystem::path& file, const std::string& text) {
    std::filesystem::path part = file;
    part += ".part-" + std::to_string(::getpid());
    std::ofstream out(part, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    std::error_code ec;
    if (out) std::filesystem::rename(part, file, ec);
    if (out && !ec) return std::nullopt;
    std::filesystem::remove(part, ec);
    return "cannot write " + file.string();
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
    std::vector<Run> runs;
    forEachPoint(varies, [&](const std::vector<std::string>& point) {
        for (int r = 0; r < replications; ++r) {
            const int id = static_cast<int>(runs.size()) + 1;
            runs.push_back({id, runSeed(baseSeed, id), point});
        }
        return true;
    });
    return runs;
}

bool isPlainWord(std::string_view text) {
    return !text.empty() && text.find_first_not_of(
                                "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                "0123456789_-+=.,:/@%") == std::string_view::npos;
}

std::string shellQuoted(std::string_view text) {
    if (isPlainWord(text)) return std::string(text);
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::vector<std::string> runSettings(const std::vector<Vary>& varies,
                                     const std::vector<std::string>& values,
                                     const std::vector<std::string>& common) {
    std::vector<std::string> settings;
    for (std::size_t i = 0; i < varies.size(); ++i)
        settings.push_back(varies[i].name + "=" + values[i]);
    settings.insert(settings.end(), common.begin(), common.end());
    return settings;
}

std::string runCommand(const std::string& batch, const std::vector<std::string>& settings,
                       const Run& run, std::optional<long> steps,
                       const std::vector<std::string>& outputs) {
    std::string command =
        shellQuoted(batch) + " --scenario scenario.json --seed " + std::to_string(run.seed);
    for (const std::string& setting : settings) command += " --set " + shellQuoted(setting);
    if (steps) command += " --steps " + std::to_string(*steps);
    for (const std::string& word : outputs) command += " " + shellQuoted(word);
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
