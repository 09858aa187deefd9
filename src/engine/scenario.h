// A scenario file: every setting's text by its name, optionally the hand-made pedestrians, a seed
// and a free-text description, so that a set-up can be opened again, shared and swept. JSON:
//   {"format": "strida-scenario", "version": 1, "description": "...", "seed": "42" or null,
//    "settings": {"Alpha": "0.9", ...}, "pedestrians": [[1, 2, 3, 9, 4, 0.5, 0, 1.3, 1], ...]}
// The pedestrians are the nine numbers of the pedestrian data file's records. Keys are written
// sorted, with two-space indents and a final line end, so that saving what was opened gives the
// same bytes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/error.h"
#include "engine/settings.h"
#include "measure/ped_data_file.h"

namespace strida {

inline constexpr const char* kScenarioFormat = "strida-scenario";
inline constexpr int kScenarioVersion = 1;

struct Scenario {
    std::string description;
    std::optional<std::uint64_t> seed;
    std::vector<std::pair<std::string, std::string>> settings;  ///< name, text
    std::vector<PedRecord> pedestrians;                         ///< none: the file has no list
    bool hasPedestrians = false;
};

// Every setting's text as the settings hold it now, in the table's order.
Scenario scenarioOf(const Settings& s);

// A scenario is a few kilobytes, and one with the most hand-made pedestrians a run can hold about
// ten megabytes; a file larger than this is not one.
inline constexpr std::uintmax_t kMaxScenarioBytes = std::uintmax_t{16} << 20;

// Reads and checks a scenario: a regular file of at most kMaxScenarioBytes, JSON nested at most
// kMaxJsonDepth deep and with no key twice in an object, the format and version, known keys only,
// every setting known and its text of the right form (checked against a copy of the settings, so
// nothing is applied), the seed as digits in a text or as a number. On an error `out` is left as
// it was and the error names the key (and the file, when read from one).
MaybeError readScenario(const std::filesystem::path& file, Scenario& out);
MaybeError parseScenario(const std::string& text, Scenario& out);
MaybeError writeScenario(const std::filesystem::path& file, const Scenario& scenario);
std::string scenarioText(const Scenario& scenario);

// Puts back every setting the scenario holds, exactly and without the rules that tie settings
// together (the saved state is already consistent). All or nothing: on an error `s` is unchanged.
MaybeError applyScenario(Settings& s, const Scenario& scenario);

}  // namespace strida
