// The verification cases a researcher runs before trusting a pedestrian model, on the settings of
// a scenario: free walking, speed categories, the fundamental diagram in a closed corridor,
// counter-flow, and whether results depend on the order of creation or the time slice. Each case
// runs the engine directly on crowds it builds itself, measures them with the crowd measures, and
// judges its figures against a stated criterion.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "engine/settings_rules.h"

namespace strida::validate {

// One figure of a case: a name, its value and unit.
struct Figure {
    std::string name;
    double value = 0;
    std::string unit;
};

// A series for a plot: x and y.
struct Series {
    std::string name;
    std::vector<std::pair<double, double>> points;
};

struct CaseResult {
    std::string id;         ///< short, for files and JSON: "free-walking"
    std::string title;      ///< "Free walking (RiMEA test 1)"
    std::string criterion;  ///< what passing means, in words
    bool judged = true;     ///< false: figures reported without a criterion
    bool pass = false;
    std::string error;  ///< why the case could not run; it then fails
    std::vector<Figure> figures;
    // A table of rows for cases with several runs (one row per density, per direction ...).
    std::vector<std::string> columns;
    std::vector<std::vector<std::string>> rows;
    std::vector<Series> series;  ///< what the case's plot shows
};

struct Options {
    SavedSettings settings;  ///< the model's settings: a scenario's, or the defaults
    std::string source;      ///< where they came from, for the report
    std::uint64_t seed = 1;  ///< of every crowd the cases build
    int workers = 0;         ///< cases run at once; 0 for every core
};

// Every case, in the report's order. Cases run in parallel, each on an engine of its own.
std::vector<CaseResult> runValidation(const Options& options);

// Writes validation.md and validation.json into `folder`, naming `plots` (PNG files already
// there) in the Markdown. Returns why not, or an empty string.
std::string writeReport(const std::string& folder, const Options& options,
                        const std::vector<CaseResult>& cases,
                        const std::vector<std::pair<std::string, std::string>>& plots);

}  // namespace strida::validate
