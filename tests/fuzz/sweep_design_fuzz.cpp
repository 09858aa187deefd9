// Fuzz target: a study's design as strida-sweep reads it. The first line is the replications, each
// further line a --vary argument; the design's size is checked and, when small, the design is
// expanded.
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/numbers.h"
#include "sweep/design.h"

using namespace strida;
using namespace strida::sweep;

namespace {

// A range's values read back as numbers: the first is a, the last b, none goes down.
void checkRange(const std::string& argument, const Vary& vary) {
    const std::vector<std::string> parts = splitAt(argument.substr(argument.find('=') + 1), ':');
    if (parts.size() != 3) return;
    if (vary.values.empty() || vary.values.size() > kMaxRuns) std::abort();
    if (num::strict(vary.values.front()) != num::strict(parts[0])) std::abort();
    if (num::strict(vary.values.back()) != num::strict(parts[1])) std::abort();
    double last = -1e308;
    for (const std::string& value : vary.values) {
        const std::optional<double> v = num::strict(value);
        if (!v || *v < last) std::abort();
        last = *v;
    }
}

// The expanded design: as many runs as counted, numbered 1, 2, ..., each with its own seed and a
// value of every varied setting, the first run with every first value, the last with every last.
void checkExpansion(const std::vector<Vary>& varies, int replications, std::uint64_t runs) {
    const std::vector<Run> expanded = expandDesign(varies, replications, 7);
    if (expanded.size() != runs) std::abort();
    std::set<std::uint64_t> seeds;
    for (std::size_t k = 0; k < expanded.size(); ++k) {
        if (expanded[k].id != static_cast<int>(k) + 1) std::abort();
        if (expanded[k].values.size() != varies.size()) std::abort();
        seeds.insert(expanded[k].seed);
    }
    if (seeds.size() != expanded.size()) std::abort();
    if (expanded.empty()) return;
    for (std::size_t i = 0; i < varies.size(); ++i)
        if (expanded.front().values[i] != varies[i].values.front() ||
            expanded.back().values[i] != varies[i].values.back())
            std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string> lines =
        splitAt(std::string_view(reinterpret_cast<const char*>(data), size), '\n');
    if (lines.empty()) return 0;
    const std::optional<int> given = num::whole<int>(lines[0]);
    const int replications = given && *given > 0 ? *given : 1;
    std::vector<Vary> varies;
    for (std::size_t k = 1; k < lines.size() && k <= 4; ++k) {
        std::string error;
        const std::optional<Vary> vary = parseVary(lines[k], error);
        if (!vary) {
            // A refusal says why, on one line.
            if (error.empty() || error.find('\n') != std::string::npos) std::abort();
            continue;
        }
        checkRange(lines[k], *vary);
        varies.push_back(*vary);
    }
    // The size counted here in a wider type, held back once past any limit.
    unsigned __int128 product = static_cast<unsigned>(replications);
    for (const Vary& vary : varies) {
        product *= vary.values.size();
        if (product > 10 * kMaxRuns) product = 10 * kMaxRuns;
    }
    const std::optional<std::uint64_t> runs = designRuns(varies, replications);
    if (runs.has_value() != (product <= kMaxRuns)) std::abort();
    if (runs && *runs != product) std::abort();
    if (runs && *runs <= 20000) checkExpansion(varies, replications, *runs);
    return 0;
}
