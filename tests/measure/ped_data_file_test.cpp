// Saving hand-made pedestrians to a data file and loading them back into the trap.
#include "measure/ped_data_file.h"

#include "engine/manual_generator.h"
#include "support/engine_fixture.h"
#include "support/odd_files.h"

namespace strida::test {
namespace {

class PedDataFileTest : public EngineTest {
  protected:
    void write(const std::string& name, const std::string& content) {
        std::ofstream(folder.path() / name, std::ios::binary) << content;
    }
    std::string lastMessage() const {
        return host.shown().messages.empty() ? "" : host.shown().messages.back().text;
    }

    ManualGenerator manual{engine};
};

TEST_F(PedDataFileTest, ThreeHandMadePedestriansSurviveASaveAndALoad) {
    const float picks[3][4] = {{2.35f, 1.2f, 8.5f, 1.2f}, {1, 1, 9, 5}, {0.5f, 4.25f, 9.75f, 0.5f}};
    const char* speeds[3] = {"1.333", "1.5", "0.9"};
    for (int i = 0; i < 3; ++i) {
        settings.InitialPx = picks[i][0], settings.InitialPy = picks[i][1];
        settings.TargetEx = picks[i][2], settings.TargetEy = picks[i][3];
        settings.MaxSpeed = speeds[i];
        settings.InitialVx = i == 2 ? "-0.5" : "0.000";
        settings.InitialVy = i == 1 ? "0.1" : "0.000";
        ASSERT_TRUE(manual.createPedestrian()) << lastMessage();
    }
    ASSERT_TRUE(manual.savePedestrians());
    EXPECT_EQ(lastMessage(), "3 data was saved. The file is " +
                                 std::filesystem::absolute(manual.defaultFile()).string() + ".");
    // Positions and velocities made by hand are single precision, written in their shortest form.
    const std::string saved = readFile(manual.defaultFile());
    EXPECT_EQ(saved,
              "1,2.35,1.2,8.5,1.2,0,0,1.333,1.44\r\n"
              "2,1,1,9,5,0,0.1,1.5,1.44\r\n"
              "3,0.5,4.25,9.75,0.5,-0.5,0,0.9,1.44\r\n");

    engine.StopSimulation();
    ASSERT_TRUE(manual.loadPedestrians(manual.defaultFile()));
    EXPECT_EQ(lastMessage(), "3 Data was loaded and created in the Trap");
    EXPECT_EQ(engine.pedestrians().size(), 3u);
    // Saving what was loaded writes the same file again.
    ASSERT_TRUE(manual.savePedestrians());
    EXPECT_EQ(readFile(manual.defaultFile()), saved);
}

TEST_F(PedDataFileTest, ReadingRules) {
    write("rules.sdx", "1,2,,3,4,5,0,0,1.3,1.4\r\nx,1, ,5,1,0,0,1.2,0.5\r\n7,3,2,8\r\n\r\n");
    ASSERT_TRUE(manual.loadPedestrians(folder.path() / "rules.sdx")) << lastMessage();
    ASSERT_EQ(manual.ManualPedCount(), 3);
    EXPECT_EQ(manual.ManualPedList()[0].fields,
              (std::array<double, 9>{1, 2, 3, 4, 5, 0, 0, 1.3, 1.4}));
    EXPECT_EQ(manual.ManualPedList()[1].fields,
              (std::array<double, 9>{0, 1, 0, 5, 1, 0, 0, 1.2, 0.5}));
    // A short line keeps what its record held before: nothing, for a new record.
    EXPECT_EQ(manual.ManualPedList()[2].fields, (std::array<double, 9>{7, 3, 2, 8, 0, 0, 0, 0, 0}));
    EXPECT_EQ(engine.pedestrians().size(), 3u);
    // The next hand-made pedestrian continues the numbering.
    ASSERT_TRUE(manual.createPedestrian());
    EXPECT_EQ(manual.ManualPedList().back().fields[0], 4);
}

TEST_F(PedDataFileTest, ErrorsEndTheCommandWithTheirMessages) {
    ASSERT_FALSE(manual.savePedestrians());
    EXPECT_EQ(lastMessage(), "Error in saving Data : You have not create any data");

    write("PedData.sdx", "kept");
    ASSERT_FALSE(manual.savePedestrians());
    EXPECT_EQ(readFile(manual.defaultFile()), "kept") << "an empty list touches no file";

    ASSERT_TRUE(manual.createPedestrian());  // at (0, 0) before any pick

    // A disk that takes only 10 bytes of the file: the save says so instead of "1 data was saved."
    {
        FileSizeLimit limit(10);
        EXPECT_FALSE(manual.savePedestrians());
    }
    EXPECT_EQ(lastMessage().rfind("Error in saving Data : cannot write ", 0), 0u) << lastMessage();

    // Whatever the reader refuses (its messages are PedDataFileReading's) ends the load the same.
    ASSERT_FALSE(manual.loadPedestrians(folder.path() / "missing.sdx"));
    EXPECT_EQ(lastMessage().rfind("Error in loading file: ", 0), 0u);
    EXPECT_EQ(engine.pedestrians().size(), 1u) << "the pedestrian made before stays";
    EXPECT_FALSE(host.shown().busy);

    settings.MaxSpeed = "";
    ASSERT_FALSE(manual.createPedestrian());
    EXPECT_NE(lastMessage().find("MaxSpeed is \"\""), std::string::npos) << lastMessage();
    EXPECT_EQ(manual.ManualPedCount(), 1);
}

// Every file the reader refuses, with its message; the list it reads into stays as it was.
TEST(PedDataFileReading, RefusesWhatIsNotADataFileSayingWhy) {
    const Watchdog watchdog(20);
    const OddFiles odd(
        kMaxPedFileBytes + 1,
        "larger than 8 MB, more than a file of the 32767 pedestrians a run can hold");
    std::vector<std::pair<std::filesystem::path, std::string>> cases;
    for (const OddFile& file : odd.files())
        cases.emplace_back(file.path, file.path.string() + " " + file.is);

    TempFolder dir;
    const auto write = [&](const std::string& name, const std::string& text) {
        std::ofstream(dir.path() / name, std::ios::binary) << text;
        return dir.path() / name;
    };
    const std::string record = "1,1,1,9,1,0,0,1.3,1.44\r\n";
    std::string full;
    for (int i = 0; i < 32768; ++i) full += record;
    const std::pair<std::string, std::string> texts[] = {
        {"1,2,3,4,5,6,7,8,9\r\n1,2,3,4,5,6,7,8,9,10\r\n", "line 2 holds more than nine fields"},
        {"1,1\r\n\r\n2,2\r\n", "line 2 holds no field"},
        {full, "the file holds more than 32767 pedestrians"},
    };
    for (const auto& [text, message] : texts)
        cases.emplace_back(write(std::to_string(cases.size()) + ".sdx", text), message);

    for (const auto& [file, message] : cases) {
        std::vector<PedRecord> list(2);
        list[1].fields[8] = 7;
        const PedFileRead read = readPedFile(file, list);
        ASSERT_TRUE(read.error) << file;
        EXPECT_EQ(read.error->description, message);
        EXPECT_EQ(list.size(), 2u);
        EXPECT_EQ(list[1].fields[8], 7);
    }
    // At the limit, and with empty lines after the last record, the file is read.
    full.resize(full.size() - record.size());
    std::vector<PedRecord> list;
    EXPECT_EQ(readPedFile(write("full.sdx", full + "\r\n\n"), list).count, 32767);
}

TEST(PedDataFileName, ADialogChoiceStandsForItsSdxFile) {
    EXPECT_EQ(dataFileFromDialog("/data/runs/crowd.sdx"), "/data/runs/crowd.sdx");
    EXPECT_EQ(dataFileFromDialog("/data/runs/crowd.txt"), "/data/runs/crowd.sdx");
}

}  // namespace
}  // namespace strida::test
