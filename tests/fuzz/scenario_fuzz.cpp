// Fuzz target: the scenario reader on any text. A refusal is one line and leaves the scenario read
// into as it was; a scenario that is taken saves to a text that opens to the same scenario and
// saves to the same bytes again.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/scenario.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    strida::Scenario read;
    read.description = "kept";
    if (const strida::MaybeError error = strida::parseScenario(text, read)) {
        if (error->description.find_first_of("\r\n") != std::string::npos) std::abort();
        if (read.description != "kept" || read.seed || !read.settings.empty()) std::abort();
        return 0;
    }
    const std::string saved = strida::scenarioText(read);
    strida::Scenario again;
    if (strida::parseScenario(saved, again)) std::abort();
    if (strida::scenarioText(again) != saved || again.seed != read.seed ||
        again.settings != read.settings || again.pedestrians.size() != read.pedestrians.size())
        std::abort();
    return 0;
}
