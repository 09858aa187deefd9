// The design of a study: the settings varied, each over a list of values, crossed in a full
// factorial, each point repeated with its own seeds. Every run is a line of runs.tsv with the
// strida-batch command that makes it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace strida::sweep {

struct Vary {
    std::string name;                 ///< a setting's name, as --set takes it
    std::vector<std::string> values;  ///< as --set takes them
};

// "NAME=a:b:step" (a to b inclusive in steps, numbers) or "NAME=v1,v2,...". Every value is
// checked as --set would apply it. An error text says what is wrong.
std::optional<Vary> parseVary(std::string_view text, std::string& error);

struct Run {
    int id = 0;  ///< 1, 2, 3 ...
    std::uint64_t seed = 0;
    std::vector<std::string> values;  ///< one per varied setting
};

// The seed of run `id`: a bijective mix of the base seed and the index, so that every run of a
// study has its own seed and any one can be run again alone.
std::uint64_t runSeed(std::uint64_t base, int id);

// Every combination of the values (the first setting varies slowest), each `replications` times in
// a row.
std::vector<Run> expandDesign(const std::vector<Vary>& varies, int replications,
                              std::uint64_t baseSeed);

// The strida-batch command of a run, run from the study folder: the study's scenario, the run's
// seed and values, and `extra` arguments; reports go to runs/<id>/.
std::string runCommand(const std::string& batch, const std::vector<Vary>& varies, const Run& run,
                       const std::vector<std::string>& extra);

// runs.tsv: a header line "id seed <setting>... command", then one tab-separated line per run.
std::string runsTable(const std::vector<Vary>& varies, const std::vector<Run>& runs,
                      const std::vector<std::string>& commands);

// A file's bytes; empty when it cannot be read.
std::string readText(const std::filesystem::path& file);
// The pieces of a text between the separators; a separator at the end gives no empty last piece.
std::vector<std::string> splitAt(std::string_view text, char at);

// A word the shell reads back as this text.
std::string shellQuoted(std::string_view text);

}  // namespace strida::sweep
