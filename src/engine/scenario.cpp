#include "engine/scenario.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <nlohmann/json.hpp>

#include "core/input_file.h"
#include "core/numbers.h"
#include "engine/settings_rules.h"
#include "measure/json_reader.h"

namespace strida {
namespace {

using nlohmann::json;
using nlohmann::ordered_json;

// A record field as a JSON number. Fields a hand-made record holds in single precision are written
// in the shortest form of that single, so that they read back to the same pedestrian and save
// again to the same text.
double fieldValue(const PedRecord& r, std::size_t i) {
    if (!r.madeByHand || i > 6) return r.fields[i];
    std::string text;
    if (i == 0)
        text = std::to_string(static_cast<long>(r.fields[i]));
    else
        num::appendShortest(text, static_cast<float>(r.fields[i]));
    return std::stod(text);
}

EngineError bad(const std::string& key, const std::string& what) {
    return EngineError{"the scenario's " + quoteText(key) + " " + what};
}

MaybeError readSettings(const json& settings, Scenario& out) {
    if (!settings.is_object()) return bad("settings", "must be an object of setting texts");
    Settings check;  // a scratch copy: every text is tried, nothing is applied
    for (const auto& [name, text] : settings.items()) {
        if (!findSetting(name))
            return bad("settings", "names an unknown setting: " + quoteText(name));
        if (!text.is_string()) return bad(name, "must be a text, as --set takes it");
        if (MaybeError error = restoreSetting(check, name, text.get<std::string>()))
            return bad(name, "cannot be used: " + error->description);
        out.settings.emplace_back(name, text.get<std::string>());
    }
    return std::nullopt;
}

MaybeError readPedestrians(const json& list, Scenario& out) {
    if (!list.is_array()) return bad("pedestrians", "must be a list of pedestrians");
    if (list.size() > 32767) return bad("pedestrians", "holds more than 32767 pedestrians");
    out.hasPedestrians = true;
    for (std::size_t k = 0; k < list.size(); ++k) {
        const json& p = list[k];
        const std::string which = "pedestrian " + std::to_string(k + 1);
        if (!p.is_array() || p.size() != 9)
            return bad("pedestrians", "has " + which + " not of nine numbers");
        PedRecord r;
        for (std::size_t i = 0; i < 9; ++i) {
            if (!p[i].is_number() || !std::isfinite(p[i].get<double>()))
                return bad("pedestrians", "has " + which + " with a field that is not a number");
            r.fields[i] = p[i].get<double>();
        }
        out.pedestrians.push_back(r);
    }
    return std::nullopt;
}

MaybeError fromJson(const json& j, Scenario& out) {
    if (!j.is_object()) return EngineError{"a scenario file holds one JSON object"};
    if (j.value("format", json()) != kScenarioFormat)
        return bad("format", std::string("must be \"") + kScenarioFormat + "\"");
    if (j.value("version", json()) != kScenarioVersion)
        return bad("version", "must be " + std::to_string(kScenarioVersion));
    for (const auto& [key, value] : j.items()) {
        if (key == "format" || key == "version") continue;
        if (key == "description") {
            if (!value.is_string()) return bad(key, "must be a text");
            out.description = value.get<std::string>();
        } else if (key == "seed") {
            if (value.is_null()) continue;
            out.seed = seedOf(value);
            if (!out.seed) return bad(key, std::string("must be ") + kSeedForm + ", or null");
        } else if (key == "settings") {
            if (MaybeError error = readSettings(value, out)) return error;
        } else if (key == "pedestrians") {
            if (MaybeError error = readPedestrians(value, out)) return error;
        } else {
            return bad(key,
                       "is not a key of a scenario (format, version, description, seed, "
                       "settings, pedestrians)");
        }
    }
    return std::nullopt;
}

// Why text that does not parse is no scenario, without quoting any of its bytes (a picture or a
// binary file opened by mistake would show as garbage): where its JSON breaks off, or, when it
// does not even begin as a JSON object, that it is not one.
std::string notJson(const std::string& text, std::size_t byte) {
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos || text[first] != '{') return "not a scenario file (not JSON)";
    // The parser counts bytes from 1, up to the one it stopped at.
    const std::size_t at = std::min(byte > 0 ? byte - 1 : 0, text.size());
    std::size_t line = 1, column = 1;
    for (std::size_t i = 0; i < at; ++i) {
        const bool newline = text[i] == '\n';
        line += newline;
        column = newline ? 1 : column + 1;
    }
    return "the scenario is not valid JSON: it breaks off at line " + std::to_string(line) +
           ", column " + std::to_string(column);
}

}  // namespace

Scenario scenarioOf(const Settings& s) {
    Scenario scenario;
    for (const SettingInfo& info : settingTable())
        scenario.settings.emplace_back(std::string(info.name), settingText(s, info));
    return scenario;
}

MaybeError parseScenario(const std::string& text, Scenario& out) {
    Scenario read;
    try {
        if (MaybeError error = fromJson(parseJson(text), read)) return error;
    } catch (const json::parse_error& e) {
        return EngineError{notJson(text, e.byte)};
    } catch (const json::exception& e) {
        return EngineError{std::string("the scenario is not valid JSON: ") + e.what()};
    } catch (const JsonRefusal& e) {
        return EngineError{e.what()};
    }
    out = std::move(read);
    return std::nullopt;
}

MaybeError readScenario(const std::filesystem::path& file, Scenario& out) {
    InputFile in(file, kMaxScenarioBytes);
    std::string text;
    if (!in.readAll(text))
        return EngineError{
            "the scenario " + file.string() + " " + in.why() +
            (in.problem() == InputFile::Problem::TooLarge ? ", more than any scenario needs" : "")};
    if (MaybeError error = parseScenario(text, out))
        return EngineError{file.string() + ": " + error->description};
    return std::nullopt;
}

std::string scenarioText(const Scenario& scenario) {
    json settings = json::object();
    for (const auto& [name, text] : scenario.settings) settings[name] = text;
    json j = {{"format", kScenarioFormat},
              {"version", kScenarioVersion},
              {"description", scenario.description},
              {"seed", scenario.seed ? json(std::to_string(*scenario.seed)) : json(nullptr)},
              {"settings", settings}};
    if (scenario.hasPedestrians) {
        json list = json::array();
        for (const PedRecord& r : scenario.pedestrians) {
            json p = json::array();
            for (std::size_t i = 0; i < 9; ++i) p.push_back(fieldValue(r, i));
            list.push_back(p);
        }
        j["pedestrians"] = list;
    }
    return j.dump(2) + "\n";
}

MaybeError writeScenario(const std::filesystem::path& file, const Scenario& scenario) {
    const std::string text = scenarioText(scenario);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) return EngineError{"cannot write the scenario " + file.string()};
    return std::nullopt;
}

MaybeError applyScenario(Settings& s, const Scenario& scenario) {
    std::string failed;
    if (MaybeError error = restoreSettings(s, scenario.settings, &failed))
        return bad(failed, "cannot be used: " + error->description);
    return std::nullopt;
}

}  // namespace strida
