// What becomes of the report files when the world around a run goes wrong: the folder or a file
// taken away mid-run, a file replaced by a folder, a full disk, an old report that cannot be
// deleted. Every file ends at a record, nothing is lost silently, and the batch runner's exit
// status says what happened.
#include "core/numbers.h"
#include "support/engine_fixture.h"

namespace strida::test {
namespace {

class ReportFaults : public EngineTest {
  protected:
    ReportFaults() {
        settings.ReportInstantPerformance = Check::Checked;
        settings.ReportAvgInstantPerformance = Check::Checked;
        settings.DistGenerator2Trap = "0";  // everyone starts in the trap and is measured at once
    }
    void ticks(Engine& e, int n) {
        for (int i = 0; i < n; ++i) e.SimulationTick();
    }
    std::size_t messagesAbout(const std::string& words) const {
        std::size_t n = 0;
        for (const auto& m : host.shown().messages) n += m.text.find(words) != std::string::npos;
        return n;
    }
};

TEST_F(ReportFaults, AFileDeletedMidRunIsMadeAgainWithTheLaterRecords) {
    ASSERT_TRUE(engine.StartSimulation());
    ticks(engine, 3);
    std::filesystem::remove(engine.reports().pathOf(ReportFile::Instant));
    std::filesystem::rename(engine.reports().pathOf(ReportFile::AvgInstant),
                            folder.path() / "moved");
    ticks(engine, 2);
    const std::string instant = report(ReportFile::Instant);
    ASSERT_FALSE(instant.empty());
    EXPECT_EQ(instant.rfind("1,0.26666666666666666,", 0), 0u) << "step 4's first record";
    EXPECT_EQ(report(ReportFile::AvgInstant).rfind("\"0.27\",", 0), 0u);
    EXPECT_TRUE(readFile(folder.path() / "moved").ends_with("\r\n"));
    EXPECT_TRUE(host.shown().messages.empty());
    EXPECT_TRUE(engine.reports().failures().empty());
}

TEST_F(ReportFaults, AFolderGoneOrAFileTurnedIntoAFolderIsReportedOnce) {
    const std::filesystem::path sub = folder.path() / "reports";
    std::filesystem::create_directory(sub);
    Engine elsewhere(settings, host, sub, kSeed);
    ASSERT_TRUE(elsewhere.StartSimulation());
    ticks(elsewhere, 2);
    std::filesystem::remove_all(sub);
    ticks(elsewhere, 5);
    EXPECT_FALSE(std::filesystem::exists(sub)) << "a report folder that is gone is not made again";
    // One message for both open files.
    EXPECT_EQ(messagesAbout("The report files \"avgInstant.txt\" and \"Instant.txt\" could not "
                            "be written in " +
                            sub.string() +
                            ": the report folder is gone. The run goes on "
                            "without them."),
              1u);
    EXPECT_EQ(host.shown().messages.size(), 1u);
    elsewhere.StopSimulation();

    host.clearMessages();
    ASSERT_TRUE(engine.StartSimulation());
    ticks(engine, 2);
    const std::filesystem::path instant = engine.reports().pathOf(ReportFile::Instant);
    std::filesystem::remove(instant);
    std::filesystem::create_directory(instant);
    ticks(engine, 5);
    ASSERT_EQ(engine.reports().failures().size(), 1u);
    EXPECT_EQ(engine.reports().failures()[0].file, ReportFile::Instant);
    EXPECT_EQ(messagesAbout("\"Instant.txt\" could not be created"), 1u);
    EXPECT_TRUE(report(ReportFile::AvgInstant).rfind("\"0.47\",") != std::string::npos)
        << "the other files go on";
}

TEST_F(ReportFaults, AFullDiskLeavesEveryFileAtARecord) {
    ASSERT_TRUE(engine.StartSimulation());
    ticks(engine, 2);
    // The disk takes 5000 bytes more of each file, then no more.
    const auto size = std::filesystem::file_size(engine.reports().pathOf(ReportFile::Instant));
    {
        FileSizeLimit limit(size + 5000);
        ticks(engine, 10);
        engine.StopSimulation();
    }

    const std::string instant = report(ReportFile::Instant);
    EXPECT_GT(instant.size(), size);
    EXPECT_LE(instant.size(), size + 5000);
    EXPECT_TRUE(instant.ends_with("\r\n"));
    EXPECT_EQ(messagesAbout("\"Instant.txt\" could not be written"), 1u);
}

// An old report that cannot be deleted (a folder in its place, not empty): the batch run
// completes, and its status says so. (An interrupted batch run is interrupt_test.cpp's.)
TEST(BatchReportFaults, AnInterruptEndsAtAStepAndAnOldReportThatCannotGoGivesStatusThree) {
    TempFolder dir;
    const std::string batch = std::string(STRIDA_BATCH) + " --out '" + dir.path().string() + "' ";
    // SIGTERM while a crowd of 6000 walks: the step under way is abandoned and the files closed.
    EXPECT_EQ(exitStatus("timeout --preserve-status -s TERM 1 " + batch +
                         "--set NumPedLeft=3000 --set NumPedRight=3000 --set TrapLength=60 "
                         "--set TrapWidth=12 --set DistGenerator2Trap=0 --steps 1000000 "
                         ">/dev/null 2>&1"),
              143);
    const std::string instant = readFile(dir.path() / "Instant.txt");
    const std::string avg = readFile(dir.path() / "avgInstant.txt");
    ASSERT_TRUE(instant.ends_with("\r\n") && avg.ends_with("\r\n"));
    // The last records of both files come from the same, last step.
    const std::string lastInstant = instant.substr(instant.rfind("\r\n", instant.size() - 3) + 2);
    const std::string lastAvg = avg.substr(avg.rfind("\r\n", avg.size() - 3) + 2);
    const double t = std::stod(lastInstant.substr(lastInstant.find(',') + 1));
    EXPECT_EQ(lastAvg.substr(0, lastAvg.find(',')), "\"" + num::fixed(t, 2) + "\"");

    // An old report that cannot be deleted (a folder in its place, not empty): the run completes,
    // and the status says so.
    std::filesystem::remove(dir.path() / "Instant.txt");
    std::filesystem::create_directories(dir.path() / "Instant.txt" / "kept");
    EXPECT_EQ(exitStatus(batch + "--seed 1 >/dev/null 2>&1"), 3);
}

}  // namespace
}  // namespace strida::test
