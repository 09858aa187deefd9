// The rows that pedestrians append to the report files, where the frozen runs do not reach: a
// time slice changed during a run. (The frozen runs hold every header and row format byte for
// byte; run_test.cpp, which files a run opens.)
#include <filesystem>
#include <fstream>

#include "support/engine_fixture.h"

namespace strida::test {
namespace {

using Reports = EngineTest;

// The rows themselves are in the frozen runs; a run whose time slice changes part-way is not.
TEST_F(Reports, AnInstantRowsTimeIsTheStepCountTimesTheCurrentTimeSlice) {
    forcesOff();
    settings.ReportInstantPerformance = Check::Checked;
    settings.DT = "2";
    addCruising(2, 3.1f, 1, 0, 2.0);
    steps(3);
    settings.DT = "15";
    steps(1);
    const std::string rows = report(ReportFile::Instant);
    const std::string last = rows.substr(rows.rfind("\r\n", rows.size() - 3) + 2);
    EXPECT_EQ(last.rfind("1,0.26666666666666666,", 0), 0u) << last;
    EXPECT_FALSE(std::filesystem::exists(engine.reports().pathOf(ReportFile::NTXY)));
}

}  // namespace
}  // namespace strida::test
