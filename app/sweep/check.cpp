#include "sweep/check.h"

#include "engine/calibration.h"
#include "engine/engine.h"
#include "engine/headless_host.h"
#include "engine/manual_generator.h"
#include "engine/settings_rules.h"

namespace strida::sweep {
namespace {

// What the host was last told, where a start-up step says why it refused (calibration, the
// hand-made pedestrians).
std::string lastMessage(const HeadlessHost& host, const char* otherwise) {
    const auto& messages = host.shown().messages;
    return messages.empty() ? otherwise : messages.back().text;
}

// Why a run with these settings, applied on top of `base`, would not start; nothing when it would.
std::optional<std::string> startError(const Settings& base, const Scenario& scenario,
                                      const std::vector<std::string>& settings) {
    Settings s = base;
    for (const std::string& setting : settings) {
        const std::size_t eq = setting.find('=');
        if (MaybeError error = applySetting(s, setting.substr(0, eq), setting.substr(eq + 1)))
            return error->description;
    }
    HeadlessHost host;
    if (!calibrate(s, host)) return lastMessage(host, "the trap cannot be calibrated");
    // The engine writes nothing before a run starts: the report folder is only named here.
    Engine engine(s, host, "runs", 0);
    if (!scenario.pedestrians.empty()) {
        ManualGenerator manual(engine);
        host.clearMessages();
        if (!manual.createPedestrians(scenario.pedestrians))
            return lastMessage(host, "the scenario's hand-made pedestrians cannot be made");
    }
    if (MaybeError error = engine.checkRunSettings()) return error->description;
    return std::nullopt;
}

std::string pointName(const std::vector<Vary>& varies, const std::vector<std::string>& values) {
    if (varies.empty()) return "no run of the study could start: ";
    std::string name = "the runs with ";
    for (std::size_t i = 0; i < varies.size(); ++i)
        name += (i ? ", " : "") + varies[i].name + "=" + values[i];
    return name + " could not start: ";
}

}  // namespace

std::optional<std::string> checkRuns(const Scenario& scenario, const std::vector<Vary>& varies,
                                     const std::vector<std::string>& common) {
    Settings base;
    if (MaybeError error = applyScenario(base, scenario)) return error->description;
    std::optional<std::string> refused;
    forEachPoint(varies, [&](const std::vector<std::string>& values) {
        if (auto error = startError(base, scenario, runSettings(varies, values, common)))
            refused = pointName(varies, values) + *error;
        return !refused;
    });
    return refused;
}

}  // namespace strida::sweep
