#include <cmath>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "validate/validation.h"

namespace strida::validate {
namespace {

namespace fs = std::filesystem;

std::string verdict(const CaseResult& c) {
    if (!c.error.empty()) return "FAIL (could not run: " + c.error + ")";
    return c.pass ? "PASS" : "FAIL";
}

std::string markdown(const Options& o, const std::vector<CaseResult>& cases,
                     const std::vector<std::pair<std::string, std::string>>& plots) {
    std::ostringstream md;
    int passed = 0;
    for (const CaseResult& c : cases) passed += c.pass ? 1 : 0;
    md << "# Validation of the model\n\n"
       << "Settings: " << o.source << ". Crowds built from seed " << o.seed << ".\n\n"
       << "**" << passed << " of " << cases.size() << " cases pass.**\n\n"
       << "| Case | Result |\n|---|---|\n";
    for (const CaseResult& c : cases) md << "| " << c.title << " | " << verdict(c) << " |\n";
    for (const CaseResult& c : cases) {
        md << "\n## " << c.title << "\n\n"
           << "Criterion: " << c.criterion << ".\n\n"
           << "Result: **" << verdict(c) << "**\n\n";
        if (!c.columns.empty()) {
            md << "|";
            for (const std::string& h : c.columns) md << " " << h << " |";
            md << "\n|";
            for (std::size_t i = 0; i < c.columns.size(); ++i) md << "---|";
            md << "\n";
            for (const auto& row : c.rows) {
                md << "|";
                for (const std::string& cell : row) md << " " << cell << " |";
                md << "\n";
            }
            md << "\n";
        } else {
            for (const Figure& f : c.figures)
                md << "- " << f.name << ": " << f.value << (f.unit.empty() ? "" : " " + f.unit)
                   << "\n";
            md << "\n";
        }
        for (const auto& [id, file] : plots)
            if (id == c.id) md << "![" << c.title << "](" << file << ")\n\n";
    }
    return md.str();
}

nlohmann::json json(const Options& o, const std::vector<CaseResult>& cases) {
    nlohmann::json out;
    out["settings"] = o.source;
    out["seed"] = o.seed;
    bool all = true;
    for (const CaseResult& c : cases) {
        nlohmann::json j;
        j["id"] = c.id;
        j["title"] = c.title;
        j["criterion"] = c.criterion;
        j["pass"] = c.pass;
        if (!c.error.empty()) j["error"] = c.error;
        for (const Figure& f : c.figures) {
            nlohmann::json fig = {{"name", f.name}, {"unit", f.unit}};
            // A figure that could not be worked out is null, not a number JSON cannot hold.
            fig["value"] = std::isfinite(f.value) ? nlohmann::json(f.value) : nlohmann::json();
            j["figures"].push_back(fig);
        }
        if (!c.columns.empty()) {
            j["table"]["columns"] = c.columns;
            j["table"]["rows"] = c.rows;
        }
        out["cases"].push_back(j);
        all = all && c.pass;
    }
    out["pass"] = all;
    return out;
}

std::string writeText(const fs::path& file, const std::string& text) {
    std::ofstream out(file, std::ios::binary);
    out << text;
    out.close();
    return out ? "" : "could not write " + file.string();
}

}  // namespace

std::string writeReport(const std::string& folder, const Options& options,
                        const std::vector<CaseResult>& cases,
                        const std::vector<std::pair<std::string, std::string>>& plots) {
    std::string error =
        writeText(fs::path(folder) / "validation.md", markdown(options, cases, plots));
    if (error.empty())
        error =
            writeText(fs::path(folder) / "validation.json", json(options, cases).dump(2) + "\n");
    return error;
}

}  // namespace strida::validate
