// The report files: the rows that pedestrians append, and what happens when the report folder
// cannot take them. (Every header is in the frozen runs, byte for byte.)
#include <filesystem>
#include <fstream>

#include "support/engine_fixture.h"

namespace strida::test {
namespace {

using Reports = EngineTest;

TEST_F(Reports, NtxyRowsAreQuotedAndRounded) {
    forcesOff();
    settings.ReportNTXY = Check::Checked;
    addCruising(2, 3.005f, 1.5, 0, 1.5);  // 0.1 m east per slice
    addCruising(5, 1.234f, 0, 0, 1.5);
    startManualRun();
    steps(3);  // the first of these is the entry step, which writes no row
    EXPECT_EQ(report(ReportFile::NTXY),
              "\"NTXY database\"\r\n\r\n\"mass\",\"alpha\",\"beta\",\"chi\",\"Total Pedestrians\","
              "\"MaxSpeed\",\"MaxPed\",\"meanGeneratedFlow\",\"N\",\"T\",\"X\",\"Y\"\r\n"
              "\"1\",\"2\",\"2.20\",\"3.01\"\r\n"
              "\"2\",\"2\",\"5.00\",\"1.23\"\r\n"
              "\"1\",\"3\",\"2.30\",\"3.01\"\r\n"
              "\"2\",\"3\",\"5.00\",\"1.23\"\r\n");
    EXPECT_FALSE(std::filesystem::exists(engine.reports().pathOf(ReportFile::Instant)));
}

TEST_F(Reports, InstantRowsAreTwelveNumbersInShortestForm) {
    forcesOff();
    settings.ReportInstantPerformance = Check::Checked;
    settings.DT = "2";
    // 1 m/s at half its maximum: 0.5 m per slice, delay walkDist / 1 - walkDist / 2.
    addCruising(2, 3.1f, 1, 0, 2.0);
    steps(3);
    const std::string header = "\"NUVI\"\r\n";
    const std::string instant = report(ReportFile::Instant);
    EXPECT_EQ(instant.substr(instant.find(header) + header.size()),
              "1,1,3,3.1,2,0,1,0,0.125,0,1,1\r\n"
              "1,1.5,3.5,3.1,2,0,1,0,0.25,0,1,1\r\n");
    // The time is the step count times the current time slice.
    settings.DT = "15";
    steps(1);
    const std::string rows = report(ReportFile::Instant);
    const std::string last = rows.substr(rows.rfind("\r\n", rows.size() - 3) + 2);
    EXPECT_EQ(last.rfind("1,0.26666666666666666,", 0), 0u) << last;
    EXPECT_FALSE(std::filesystem::exists(engine.reports().pathOf(ReportFile::NTXY)));
}

TEST_F(Reports, NothingIsWrittenWhenNoRowReportIsChecked) {
    settings.ReportNTXY = Check::Unchecked;
    settings.ReportInstantPerformance = Check::Grayed;  // only the checked state counts
    add(2, 3, 9, 3);
    add(3, 1, 9, 1);
    steps(10);
    engine.StopSimulation();
    EXPECT_TRUE(std::filesystem::is_empty(folder.path()));
}

}  // namespace
}  // namespace strida::test
