// strida-validate from the command line: the whole report for the default model, which runs to
// its end and fails the crowd cases, and the refusals of what it cannot run.
#include <nlohmann/json.hpp>

#include "support/batch_runner.h"
#include "support/engine_fixture.h"

namespace strida::test {
namespace {

BatchResult validate(const std::string& args) {
    return runCommand("QT_QPA_PLATFORM=offscreen " + std::string(STRIDA_VALIDATE) + " " + args +
                      " 2>&1");
}

TEST(Validate, TheDefaultModelRunsEveryCaseToItsEndAndFailsTheCrowdCases) {
    TempFolder folder;
    const BatchResult r = validate("--workers 2 --out '" + folder.path().string() + "'");
    EXPECT_EQ(r.status, 1) << r.out;
    const auto report = nlohmann::json::parse(readFile(folder.path() / "validation.json"));
    EXPECT_FALSE(report["pass"]);
    std::map<std::string, bool> passed;
    for (const auto& c : report["cases"]) {
        EXPECT_FALSE(c.contains("error")) << c["id"] << ": " << c["error"];
        passed[c["id"]] = c["pass"];
        EXPECT_NE(r.out.find(c["title"].get<std::string>()), std::string::npos) << c["title"];
    }
    const std::map<std::string, bool> expected{{"free-walking", true},
                                               {"speed-categories", true},
                                               {"fundamental-diagram", false},
                                               {"counter-flow", false},
                                               {"independence", false}};
    EXPECT_EQ(passed, expected);
    EXPECT_EQ(report["cases"][2]["table"]["rows"].size(), 6u) << "one row per density";
    const std::string md = readFile(folder.path() / "validation.md");
    for (const char* plot : {"fundamental-diagram.png", "lane-order.png", "speed-categories.png"}) {
        EXPECT_NE(md.find(plot), std::string::npos) << plot;
        EXPECT_EQ(readFile(folder.path() / plot).substr(1, 3), "PNG") << plot;
    }
}

TEST(Validate, WhatCannotBeRunIsRefusedWithAReason) {
    TempFolder folder;
    const std::string out = " --out '" + folder.path().string() + "'";
    std::ofstream(folder.path() / "bad.json")
        << "{\"format\": \"strida-scenario\", \"version\": 1, "
           "\"settings\": {\"UpdateOrder\": \"Sideways\"}}";
    for (auto [args, says] :
         {std::pair{std::string("--scenario '") + (folder.path() / "bad.json").string() + "'" + out,
                    "UpdateOrder takes Sequential or Simultaneous"},
          {"--workers 0" + out, "--workers takes a whole number from 1 to 1024"},
          {std::string("--seed 1"), "--out DIR is needed"},
          {"--frobnicate 1" + out, "unknown option --frobnicate"}}) {
        const BatchResult r = validate(args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_NE(r.out.find(says), std::string::npos) << r.out;
    }
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "validation.md"));

    // Speed categories that give nobody a walking speed: the cases that draw speeds say so and
    // stop at once rather than drawing for ever.
    std::ofstream(folder.path() / "still.json")
        << "{\"format\": \"strida-scenario\", \"version\": 1, \"settings\": "
           "{\"1stMaxSpeedMeanInput\": \"0\", \"1stMaxSpeedStdInput\": \"0\"}}";
    const BatchResult still =
        validate("--scenario '" + (folder.path() / "still.json").string() + "'" + out);
    EXPECT_EQ(still.status, 2);
    EXPECT_NE(still.out.find("could not run: the speed categories give hardly any maximum speed"),
              std::string::npos)
        << still.out;
}

}  // namespace
}  // namespace strida::test
