#include "measure/run_manifest.h"

#include <openssl/evp.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <fstream>
#include <nlohmann/json.hpp>

#include "core/input_file.h"
#include "measure/json_reader.h"
#include "measure/report_writer.h"

namespace strida {

using nlohmann::json;

namespace {

json toJson(const RunManifest& m) {
    json settings = json::object();
    for (const auto& [name, text] : m.settings) settings[name] = text;
    json files = json::object();
    for (const auto& [name, bytes] : m.files) files[name] = bytes;
    json pedFile = nullptr;
    if (!m.pedFile.empty()) pedFile = {{"path", m.pedFile}, {"sha256", m.pedFileSha256}};
    json result = {
        {"program", m.program}, {"version", m.version},      {"revision", m.revision},
        {"started", m.started}, {"ended", m.ended},          {"seed", std::to_string(m.seed)},
        {"settings", settings}, {"pedestrianFile", pedFile}, {"steps", m.steps},
        {"seconds", m.seconds}, {"ending", m.ending},        {"files", files}};
    result["trajectories"] = m.trajectories;
    result["chartData"] = m.chartData.empty() ? json(nullptr) : json(m.chartData);
    if (!m.pedestrianTable.empty()) result["pedestrianTable"] = m.pedestrianTable;
    if (m.results) result["results"] = json::parse(resultsJson(*m.results));
    if (!m.pedestrians.empty()) {
        json list = json::array();
        for (const PedRecord& r : m.pedestrians) list.push_back(r.fields);
        result["pedestrians"] = list;
    }
    return result;
}

void fromJson(const json& j, RunManifest& m) {
    m.program = j.at("program").get<std::string>();
    m.version = j.at("version").get<std::string>();
    m.revision = j.value("revision", "");
    m.started = j.value("started", "");
    m.ended = j.value("ended", "");
    m.seed = requireSeed(j.at("seed"));
    m.settings.clear();
    for (const auto& [name, text] : j.at("settings").items())
        m.settings.emplace_back(name, text.get<std::string>());
    const json& ped = j.at("pedestrianFile");
    m.pedFile = ped.is_null() ? "" : ped.at("path").get<std::string>();
    m.pedFileSha256 = ped.is_null() ? "" : ped.at("sha256").get<std::string>();
    m.trajectories = j.value("trajectories", std::vector<std::string>{});
    const json chart = j.value("chartData", json(nullptr));
    m.chartData = chart.is_null() ? "" : chart.get<std::string>();
    m.pedestrianTable = j.value("pedestrianTable", "");
    m.steps = j.at("steps").get<long>();
    m.seconds = j.value("seconds", 0.0);
    m.ending = j.at("ending").get<std::string>();
    m.pedestrians.clear();
    for (const json& p : j.value("pedestrians", json::array())) {
        PedRecord r;
        r.fields = p.get<std::array<double, 9>>();
        m.pedestrians.push_back(r);
    }
    m.files.clear();
    const json files = j.value("files", json::object());
    for (const auto& [name, bytes] : files.items())
        m.files.emplace_back(name, bytes.get<std::uintmax_t>());
}

}  // namespace

MaybeError writeManifest(const std::filesystem::path& file, const RunManifest& m) {
    const std::filesystem::path part = file.string() + ".part";
    {
        std::ofstream out(part, std::ios::binary | std::ios::trunc);
        errno = 0;
        if (out) out << toJson(m).dump(2) << '\n';
        if (!out.flush()) {
            const std::string why = errno ? std::strerror(errno) : "the disk took no more";
            out.close();
            std::error_code ignored;
            std::filesystem::remove(part, ignored);
            return EngineError{"the run manifest " + file.string() +
                               " could not be written: " + why};
        }
    }
    std::error_code ec;
    std::filesystem::rename(part, file, ec);
    if (!ec) return std::nullopt;
    std::error_code ignored;
    std::filesystem::remove(part, ignored);
    return EngineError{"the run manifest " + file.string() +
                       " could not be written: " + ec.message()};
}

MaybeError readManifest(const std::filesystem::path& file, RunManifest& m) {
    // A manifest is a few kilobytes, and one with the most hand-made pedestrians a run can hold
    // about ten megabytes.
    constexpr std::uintmax_t kMaxManifestBytes = std::uintmax_t{16} << 20;
    const std::string about = "the run manifest " + file.string();
    InputFile in(file, kMaxManifestBytes);
    std::string text;
    if (!in.readAll(text)) return EngineError{about + " " + in.why()};
    // A number beyond what it is read into could not be converted: it is refused first.
    const auto fits = [](const json& j, const std::string& name, double above, double below) {
        if (j.is_number_float() && !(j.get<double>() > above && j.get<double>() < below))
            throw JsonRefusal("its " + quoteText(name) + " is out of range");
    };
    try {
        const json j = parseJson(text);
        if (j.is_object() && j.contains("steps")) fits(j["steps"], "steps", -0x1p63, 0x1p63);
        if (j.is_object() && j.contains("files") && j["files"].is_object())
            for (const auto& [name, bytes] : j["files"].items()) fits(bytes, name, -1, 0x1p64);
        RunManifest read;
        fromJson(j, read);
        m = std::move(read);
    } catch (const json::exception& e) {
        return EngineError{about + " is not one: " + e.what()};
    } catch (const JsonRefusal& e) {
        return EngineError{about + " is not one: " + e.what()};
    }
    return std::nullopt;
}

std::string recordedName(const std::filesystem::path& file, const std::filesystem::path& folder) {
    namespace fs = std::filesystem;
    const fs::path relative =
        file.is_absolute()
            ? file.lexically_normal().lexically_relative(fs::absolute(folder).lexically_normal())
            : file.lexically_normal();
    const bool inside = !relative.empty() && !relative.is_absolute() && *relative.begin() != "..";
    return inside ? relative.generic_string() : file.filename().string();
}

std::optional<std::filesystem::path> replayName(const std::string& recorded) {
    const std::filesystem::path name = std::filesystem::path(recorded).lexically_normal();
    const bool outside = name.is_absolute() || (!name.empty() && *name.begin() == "..");
    const std::filesystem::path result = outside ? name.filename() : name;
    if (result.empty() || result == "." || result == ".." || !result.has_filename())
        return std::nullopt;
    return result;
}

namespace {

std::string lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

}  // namespace

MaybeError checkOutputNames(const std::vector<std::filesystem::path>& outputs,
                            const std::filesystem::path& folder) {
    // Compared without regard to case, so that the files stay apart on any file system.
    std::vector<std::string> taken = {std::string(kManifestName),
                                      std::string(kManifestName) + ".part"};
    for (int f = 0; f < kReportFileCount; ++f)
        taken.emplace_back(reportFileName(static_cast<ReportFile>(f)));
    for (std::string& name : taken) name = lowered(name);
    const std::ptrdiff_t kReserved = static_cast<std::ptrdiff_t>(taken.size());
    for (const std::filesystem::path& output : outputs) {
        const std::string name = recordedName(output, folder);
        const std::string key = lowered(name);
        const auto found = std::find(taken.begin(), taken.end(), key);
        if (found - taken.begin() < kReserved)
            return EngineError{"the output file " + output.string() + " is named \"" + name +
                               "\" like the run's own " +
                               (found - taken.begin() < 2 ? "manifest" : "report file")};
        if (found != taken.end())
            return EngineError{"two output files are named \"" + name +
                               "\"; each file of a run needs a name of its own"};
        taken.push_back(key);
    }
    return std::nullopt;
}

std::string sha256Of(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return "";
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    EVP_DigestInit_ex(ctx, EVP_sha256(), nullptr);
    char buffer[1 << 16];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0)
        EVP_DigestUpdate(ctx, buffer, static_cast<std::size_t>(in.gcount()));
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(ctx, digest, &length);
    EVP_MD_CTX_free(ctx);
    static const char* const kHex = "0123456789abcdef";
    std::string hex;
    for (unsigned int i = 0; i < length; ++i) hex += {kHex[digest[i] >> 4], kHex[digest[i] & 15]};
    return hex;
}

std::string sourceRevision() {
#ifdef STRIDA_REVISION
    return STRIDA_REVISION;
#else
    return "unknown";
#endif
}

std::string utcNow() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

}  // namespace strida
