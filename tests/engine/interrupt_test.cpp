// A step abandoned part way (what an interrupt of the batch runner asks for) leaves exactly what a
// run stopped after the step before it leaves: the same report, trajectory and chart-data files
// byte for byte, the same figures.
#include <map>
#include <nlohmann/json.hpp>

#include "support/engine_fixture.h"

namespace strida::test {
namespace {

struct Left {
    std::map<std::string, std::string> files;
    std::vector<std::string> figures, closing;
    bool abandoned = false;
    std::string ending;  // as the run's record says
};

// A seeded run of 60 pedestrians from both sides with every report chosen, a trajectory file of
// each kind and chart data; `ticks` ticks and a stop, or, with `abandonAt` = {k, m}, ticks until
// the flag is set at the m-th "let events run" of step k (the first comes before anyone moves, the
// next before the first pedestrian moves, and so on; a simultaneous step has only the first).
Left run(int ticks, std::pair<int, int> abandonAt = {0, 0}, const char* order = "Sequential") {
    TempFolder folder;
    Settings settings;
    settings.UpdateOrder = order;
    settings.ReportNTXY = Check::Checked;
    settings.ReportSystemPerformance = Check::Checked;
    settings.NumPedLeft = "30";
    settings.NumPedRight = "30";
    settings.DistGenerator2Trap = "0";
    HeadlessHost host;
    host.setArea(5000, 3000);
    host.setM2Twips(0.002);
    Engine engine(settings, host, folder.path(), 4242);
    engine.setTrajectoryFiles({"frames.txt", "frames.sqlite"});
    engine.setChartDataFile("chart.csv");
    volatile std::sig_atomic_t abandon = 0;
    engine.setAbandonFlag(&abandon);
    int calls = 0;
    host.setOnProcessEvents([&] {
        if (engine.StepCount() == abandonAt.first && ++calls == abandonAt.second) abandon = 1;
    });
    EXPECT_TRUE(engine.StartSimulation());
    Left left;
    for (int i = 0; i < ticks && engine.runExists(); ++i) {
        engine.SimulationTick();
        left.abandoned = left.abandoned || engine.stepAbandoned();
    }
    if (engine.runExists()) engine.StopSimulation();
    for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
        left.files[entry.path().filename().string()] = readFile(entry.path());
    // The record names the times of the run; how it ended and its steps are compared.
    const auto record = nlohmann::json::parse(left.files.at("manifest.json"));
    left.ending = record.at("ending").get<std::string>() + " after " +
                  std::to_string(record.at("steps").get<int>());
    left.files.erase("manifest.json");
    for (const PerformanceField& field : kPerformanceFields) {
        left.figures.push_back(engine.performance().*field.text);
        left.closing.push_back(engine.closingFigures().*field.text);
    }
    EXPECT_TRUE(host.shown().messages.empty()) << host.shown().messages.front().text;
    return left;
}

TEST(AbandonedStep, LeavesWhatAStopAfterTheStepBeforeLeaves) {
    struct Case {
        int step, call;
        const char* what;
        const char* order = "Sequential";
    };
    for (const Case& c : std::vector<Case>{{1, 1, "the first step, before anyone moved"},
                                           {4, 31, "half way through step 4"},
                                           {4, 1, "a simultaneous step 4", "Simultaneous"}}) {
        const Left abandoned = run(100, {c.step, c.call}, c.order);
        const Left stopped = run(c.step - 1, {0, 0}, c.order);
        EXPECT_TRUE(abandoned.abandoned) << c.what;
        EXPECT_EQ(abandoned.figures, stopped.figures) << c.what;
        EXPECT_EQ(abandoned.closing, stopped.closing) << c.what;
        EXPECT_EQ(abandoned.ending, "interrupted after " + std::to_string(c.step - 1)) << c.what;
        EXPECT_EQ(stopped.ending, "stopped after " + std::to_string(c.step - 1)) << c.what;
        // The four chosen reports, two trajectory files and the chart data.
        ASSERT_EQ(abandoned.files.size(), 7u) << c.what;
        ASSERT_EQ(stopped.files.size(), 7u) << c.what;
        for (const auto& [name, bytes] : stopped.files)
            EXPECT_TRUE(abandoned.files.at(name) == bytes) << c.what << ": " << name << " differs";
    }
}

TEST(AbandonedStep, TakesBackRecordsAStepHadAlreadyWrittenOut) {
    // A step of a large crowd writes its records out as they pass a few megabytes; taken back,
    // the file ends where the step began and the next records follow right after.
    TempFolder folder;
    ReportWriter reports(folder.path(), nullptr);
    reports.beginRun();
    reports.writeHeader(ReportFile::Instant);
    Record row;
    row.number(7).number(0.125).text("kept");
    reports.append(ReportFile::Instant, row);
    reports.flush();
    const std::filesystem::path file = reports.pathOf(ReportFile::Instant);
    const std::string before = readFile(file);

    reports.beginStep();
    row.clear();
    row.number(12345).number(1.0 / 3).number(2.0 / 3).number(0.1).number(0.2).number(0.3);
    for (int i = 0; i < 100000; ++i) reports.append(ReportFile::Instant, row);
    ASSERT_GT(std::filesystem::file_size(file), before.size()) << "written out during the step";
    reports.dropStep();
    reports.flush();
    EXPECT_TRUE(readFile(file) == before);

    reports.beginStep();
    reports.appendEmptyLine(ReportFile::Instant);
    reports.closeAll();
    EXPECT_TRUE(readFile(file) == before + "\r\n");
    EXPECT_TRUE(reports.failures().empty());
}

}  // namespace
}  // namespace strida::test
