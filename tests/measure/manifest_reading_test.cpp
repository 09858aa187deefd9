// Reading a run manifest for --replay: every file that is no manifest is refused with its name and
// what is wrong, leaving the manifest read into as it was. (Manifests read back whole, their seeds
// as texts and as numbers, are the replays of run_record_test.cpp.)
#include <gtest/gtest.h>

#include "measure/run_manifest.h"
#include "support/engine_fixture.h"
#include "support/odd_files.h"

namespace strida::test {
namespace {

namespace fs = std::filesystem;

// A manifest as a file holds it, with the seed and the rest given.
std::string manifestText(const std::string& seed, const std::string& more = "") {
    return R"({"program": "strida-batch", "version": "1.3", "seed": )" + seed +
           R"(, "settings": {"Alpha": "0.9"}, "pedestrianFile": null, "steps": 12,)" + more +
           R"( "ending": "finished"})";
}

class ManifestReading : public ::testing::Test {
  protected:
    fs::path write(const std::string& text) {
        const fs::path file = dir.path() / (std::to_string(count++) + ".json");
        std::ofstream(file, std::ios::binary) << text;
        return file;
    }
    // The error for the file; the manifest read into keeps its program.
    std::string refusal(const fs::path& file) {
        RunManifest m;
        m.program = "kept";
        const MaybeError error = readManifest(file, m);
        EXPECT_EQ(m.program, "kept") << file;
        return error ? error->description : "(read)";
    }

    TempFolder dir;
    int count = 0;
};

TEST_F(ManifestReading, WhatIsNoManifestIsRefusedNamingTheFileAndTheFault) {
    const Watchdog watchdog(20);
    std::vector<std::pair<fs::path, std::string>> cases;
    const OddFiles odd((std::uintmax_t{16} << 20) + 1, "larger than 16 MB");
    for (const OddFile& file : odd.files()) cases.emplace_back(file.path, file.is);
    const std::string seedForm =
        "\"seed\" must be a whole number from 0 to 18446744073709551615, as a number or as a "
        "text of digits";
    const std::pair<std::string, std::string> texts[] = {
        {manifestText("-1"), seedForm},
        {manifestText("18446744073709551616"), seedForm},
        {manifestText("\"18446744073709551616\""), seedForm},
        // Numbers beyond what they are read into.
        {R"({"program": "p", "version": "v", "seed": 1, "settings": {}, "pedestrianFile": null,)"
         R"( "steps": -1e300, "ending": "finished"})",
         "its \"steps\" is out of range"},
        {manifestText("1", R"( "files": {"Instant.txt": -5.5},)"),
         "its \"Instant.txt\" is out of range"},
    };
    for (const auto& [text, fault] : texts) cases.emplace_back(write(text), fault);
    for (const auto& [file, fault] : cases) {
        const std::string about = "the run manifest " + file.string() + " ";
        const std::string said = refusal(file);
        if (file.parent_path() == dir.path())
            EXPECT_EQ(said, about + "is not one: " + fault);
        else
            EXPECT_EQ(said, about + fault);
    }
}

}  // namespace
}  // namespace strida::test
