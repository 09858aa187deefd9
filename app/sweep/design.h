// The design of a study: the settings varied, each over a list of values, crossed in a full
// factorial, each point repeated with its own seeds. Every run is a line of runs.tsv with the
// strida-batch command that makes it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace strida::sweep {

// The most runs a study holds. The design's size is checked against it before anything of the
// design is built.
inline constexpr std::uint64_t kMaxRuns = 100'000;

struct Vary {
    std::string name;                 ///< a setting's name, as --set takes it
    std::vector<std::string> values;  ///< as --set takes them
};

// "NAME=a:b:step" (a to b inclusive in steps, exact decimals, see decimal.h) or
// "NAME=v1,v2,...". Every value is checked as --set would apply it; a value holding a tab or a
// line break is refused, for runs.tsv holds one run a line. An error text says what is wrong.
std::optional<Vary> parseVary(std::string_view text, std::string& error);

// The number of runs of the design (its points times the replications); nothing when that is
// more than kMaxRuns. Counted without building the design and without overflow.
std::optional<std::uint64_t> designRuns(const std::vector<Vary>& varies,
                                        std::uint64_t replications);

// Calls `visit` with every combination of the values, the first setting varying slowest, until it
// returns false. One combination, empty, when nothing is varied.
void forEachPoint(const std::vector<Vary>& varies,
                  const std::function<bool(const std::vector<std::string>&)>& visit);

struct Run {
    int id = 0;  ///< 1, 2, 3 ...
    std::uint64_t seed = 0;
    std::vector<std::string> values;  ///< one per varied setting
};

// The seed of run `id`: a bijective mix of the base seed and the index, so that every run of a
// study has its own seed and any one can be run again alone.
std::uint64_t runSeed(std::uint64_t base, int id);

// Every point of the design, each `replications` times in a row. The design must hold at most
// kMaxRuns runs (designRuns).
std::vector<Run> expandDesign(const std::vector<Vary>& varies, int replications,
                              std::uint64_t baseSeed);

// The settings of a run in the order strida-batch applies them, as NAME=VALUE: the design point's
// values, then the settings every run of the study is given (`common`).
std::vector<std::string> runSettings(const std::vector<Vary>& varies,
                                     const std::vector<std::string>& values,
                                     const std::vector<std::string>& common);

// The strida-batch command of a run, run from the study folder: the study's scenario, the run's
// seed and settings, the step limit if any, then `outputs`, the words of the output files every
// run writes (--trajectories NAME ...), each quoted; reports and those files go to runs/<id>/.
std::string runCommand(const std::string& batch, const std::vector<std::string>& settings,
                       const Run& run, std::optional<long> steps,
                       const std::vector<std::string>& outputs = {});

// runs.tsv: a header line "id seed <setting>... command", then one tab-separated line per run.
std::string runsTable(const std::vector<Vary>& varies, const std::vector<Run>& runs,
                      const std::vector<std::string>& commands);

// A file's bytes; empty when it cannot be read or is no regular file of at most 256 MB.
std::string readText(const std::filesystem::path& file);
// Writes a file whole or not at all: into a file beside it, then renamed over it, so that a
// reader, or a study stopped half-way, never sees half a file. An error text on failure.
std::optional<std::string> writeWhole(const std::filesystem::path& file, const std::string& text);
// The pieces of a text between the separators; a separator at the end gives no empty last piece.
std::vector<std::string> splitAt(std::string_view text, char at);

// A word the shell reads back as this text: the text itself when it holds only characters the
// shell takes as they are, else in single quotes, each single quote written '\''.
std::string shellQuoted(std::string_view text);
// Whether a text needs no quoting at all: letters, digits and a few signs no shell reads.
bool isPlainWord(std::string_view text);

}  // namespace strida::sweep
