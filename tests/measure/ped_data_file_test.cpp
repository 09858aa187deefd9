// Saving hand-made pedestrians to a data file and loading them back into the trap.
#include <sys/stat.h>

#include "engine/manual_generator.h"
#include "support/engine_fixture.h"

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
        EXPECT_EQ(manual.lastCreated(), i + 1);
    }
    ASSERT_TRUE(manual.savePedestrians());
    EXPECT_EQ(lastMessage(), "3 data was saved.");
    // Positions and velocities made by hand are single precision, written in their shortest form.
    const std::string saved = readFile(manual.defaultFile());
    EXPECT_EQ(saved,
              "1,2.35,1.2,8.5,1.2,0,0,1.333,1.44\r\n"
              "2,1,1,9,5,0,0.1,1.5,1.44\r\n"
              "3,0.5,4.25,9.75,0.5,-0.5,0,0.9,1.44\r\n");

    std::vector<const PedClass*> made;
    engine.pedestrians().forEach([&](const PedClass& p) { made.push_back(&p); });
    engine.StopSimulation();
    ASSERT_TRUE(manual.loadPedestrians(manual.defaultFile()));
    EXPECT_EQ(lastMessage(), "3 Data was loaded and created in the Trap");
    std::vector<const PedClass*> loaded;
    engine.pedestrians().forEach([&](const PedClass& p) { loaded.push_back(&p); });
    ASSERT_EQ(loaded.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(loaded[i]->Px(), picks[i][0]);
        EXPECT_EQ(loaded[i]->Ey(), picks[i][3]);
        EXPECT_EQ(loaded[i]->MaxSpeed(), std::stod(speeds[i]));
        EXPECT_EQ(loaded[i]->maxAcceleration(), 1.44);
        EXPECT_EQ(loaded[i]->color(), 1);
    }
    EXPECT_EQ(loaded[2]->Vx(), -0.5);
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

    write("long.sdx", "1,1,1,9,1,0,0,1.3,1.4\r\n1,2,3,4,5,6,7,8,9,10\r\n");
    ASSERT_FALSE(manual.loadPedestrians(folder.path() / "long.sdx"));
    EXPECT_EQ(lastMessage(), "Error in loading file: line 2 holds more than nine fields");
    EXPECT_EQ(engine.pedestrians().size(), 1u)
        << "the pedestrian made before stays; none is loaded";
    EXPECT_FALSE(host.shown().busy);

    ASSERT_FALSE(manual.loadPedestrians(folder.path() / "missing.sdx"));
    EXPECT_EQ(lastMessage().rfind("Error in loading file: ", 0), 0u);

    // What is not a regular file, or is far too large for one, is refused at once: a device that
    // never ends, a pipe nobody writes to, a folder, a sparse file of 65 MB.
    const std::filesystem::path fifo = folder.path() / "pipe.sdx";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::filesystem::resize_file(folder.path() / "long.sdx", 65 << 20);
    for (const std::filesystem::path& odd :
         {std::filesystem::path("/dev/zero"), fifo, folder.path(), folder.path() / "long.sdx"}) {
        ASSERT_FALSE(manual.loadPedestrians(odd)) << odd;
        EXPECT_EQ(lastMessage().rfind("Error in loading file: " + odd.string() + " is ", 0), 0u)
            << lastMessage();
    }
    EXPECT_EQ(engine.pedestrians().size(), 1u);

    settings.MaxSpeed = "";
    ASSERT_FALSE(manual.createPedestrian());
    EXPECT_NE(lastMessage().find("Maximum Speed is \"\""), std::string::npos) << lastMessage();
    EXPECT_EQ(manual.ManualPedCount(), 1);
}

TEST_F(PedDataFileTest, AFileHoldsAtMost32767Pedestrians) {
    std::string lines;
    for (int i = 0; i < 32767; ++i) lines += "1,1,1,9,1,0,0,1.3,1.44\r\n";
    write("full.sdx", lines);
    ASSERT_TRUE(manual.loadPedestrians(folder.path() / "full.sdx")) << lastMessage();
    EXPECT_EQ(lastMessage(), "32767 Data was loaded and created in the Trap");
    engine.StopSimulation();
    write("over.sdx", lines + "1,1,1,9,1,0,0,1.3,1.44\r\n");
    ASSERT_FALSE(manual.loadPedestrians(folder.path() / "over.sdx"));
    EXPECT_EQ(lastMessage(), "Error in loading file: the file holds more than 32767 pedestrians");
}

TEST(PedDataFileName, ADialogChoiceStandsForItsSdxFile) {
    EXPECT_EQ(dataFileFromDialog("/data/runs/crowd.sdx"), "/data/runs/crowd.sdx");
    EXPECT_EQ(dataFileFromDialog("/data/runs/crowd.txt"), "/data/runs/crowd.sdx");
}

}  // namespace
}  // namespace strida::test
