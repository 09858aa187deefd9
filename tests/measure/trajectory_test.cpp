// Trajectory files read back the way the analysis tools read them (PedPy's text loader, the queries
// of its JuPedSim SQLite loader), and what is left of them when writing fails part-way.
#include <sqlite3.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "measure/trajectory_file.h"
#include "measure/trajectory_sqlite.h"
#include "measure/trajectory_text.h"
#include "support/engine_fixture.h"
#include "support/trajectory_lines.h"

namespace strida::test {
namespace {

struct Row {
    int id;
    std::int64_t frame;
    float x, y;
    double vx = 0, vy = 0;
};
using Frames = std::vector<std::vector<Row>>;

TrajectoryHeader header() {
    return {1 / 0.15, "Strida", "1.3", 42, 10, 6};
}

// Five pedestrians in an order of their own, one standing, one leaving the trap, positions whose
// shortest text needs every digit or an exponent, and a position that is not a number.
Frames sampleFrames(int count = 4) {
    Frames frames;
    const int ids[] = {7, 3, 12, 1, 5};
    for (int f = 0; f < count; ++f) {
        std::vector<Row> frame;
        for (int i = 0; i < 5; ++i) {
            const float x = 0.1f + 1.7f * static_cast<float>(i) + 0.0333f * static_cast<float>(f);
            const float y = 5.9f - 0.7f * static_cast<float>(i);
            frame.push_back({ids[i], f, x, y, 1.2 + 0.1 * i, 0.3 - 0.2 * i});
        }
        frame[1].vx = frame[1].vy = 0;
        if (f == 2) frame[4].x = -2.5f, frame[4].y = 13.7f;
        if (f == 3) frame[0].x = 1e-7f, frame[2].x = 123456.79f;
        frames.push_back(frame);
    }
    if (count > 1) frames[1].push_back({9, 1, std::nanf(""), 1, 1, 0});
    return frames;
}

bool finite(const Row& r) {
    return std::isfinite(r.x) && std::isfinite(r.y);
}

void write(TrajectoryWriter& writer, const Frames& frames) {
    for (const auto& frame : frames) {
        writer.beginFrame(frame.front().frame);
        for (const Row& r : frame) writer.row(r.id, r.x, r.y, r.vx, r.vy);
        writer.endFrame();
    }
}

void expectSameRows(const std::vector<TextRow>& read, const Frames& written) {
    std::vector<Row> expected;
    for (const auto& frame : written)
        for (const Row& r : frame)
            if (finite(r)) expected.push_back(r);
    ASSERT_EQ(read.size(), expected.size());
    for (std::size_t i = 0; i < read.size(); ++i) {
        EXPECT_EQ(read[i].id, expected[i].id) << "row " << i;
        EXPECT_EQ(read[i].frame, expected[i].frame) << "row " << i;
        EXPECT_EQ(read[i].x, expected[i].x) << "row " << i;
        EXPECT_EQ(read[i].y, expected[i].y) << "row " << i;
    }
}

// The header and ordinary rows are the frozen runs'; here, positions whose shortest text needs
// every digit or an exponent, and a position that is not a number, left out. On a full disk the
// file keeps its last whole frame.
TEST(TrajectoryText, ReadsBackTheWayPedPyLoadsItAndAFullDiskKeepsTheLastWholeFrame) {
    TempFolder folder;
    std::string error;
    const Frames frames = sampleFrames(10);
    auto reference = TextTrajectoryWriter::create(folder.path() / "all.txt", header(), error);
    ASSERT_TRUE(reference) << error;
    write(*reference, frames);
    ASSERT_TRUE(reference->finish());
    const std::string all = readFile(folder.path() / "all.txt");
    const TrajectoryLines text = readTrajectoryLines(all);
    EXPECT_TRUE(text.wellFormed);
    expectSameRows(text.rows, frames);
    // Every frame begins with pedestrian 7's row.
    const std::size_t frame4 = all.find("\n7 4 ") + 1, frame5 = all.find("\n7 5 ") + 1;

    // Room for three and a half frames after the header.
    const auto limited = folder.path() / "limited.txt";
    auto writer = TextTrajectoryWriter::create(limited, header(), error);
    ASSERT_TRUE(writer) << error;
    write(*writer, frames);
    {
        FileSizeLimit limit((frame4 + frame5) / 2);
        EXPECT_FALSE(writer->finish());
    }
    EXPECT_EQ(readFile(limited), all.substr(0, frame4));
    EXPECT_NE(writer->failure().find("could not be written (File too large)"), std::string::npos)
        << writer->failure();
    EXPECT_NE(writer->failure().find("the frames up to 3 were written"), std::string::npos);

    // A disk with no room at all.
    std::filesystem::create_symlink("/dev/full", folder.path() / "full.txt");
    writer = TextTrajectoryWriter::create(folder.path() / "full.txt", header(), error, 1);
    ASSERT_TRUE(writer) << error;
    write(*writer, frames);
    const std::string failure = writer->failure();
    EXPECT_NE(failure.find("No space left on device"), std::string::npos) << failure;
    EXPECT_NE(failure.find("no frame was written to it"), std::string::npos) << failure;
}

// A reader's connection, opened the way Python's sqlite3 module opens one.
class Database {
  public:
    struct Value {
        double number;
        std::string text;
    };
    using Result = std::vector<std::vector<Value>>;

    explicit Database(const std::filesystem::path& file) {
        EXPECT_EQ(sqlite3_open_v2(file.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    }
    ~Database() { sqlite3_close(db_); }

    Result query(const std::string& sql) {
        Result rows;
        sqlite3_stmt* statement = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr), SQLITE_OK)
            << sql << ": " << sqlite3_errmsg(db_);
        while (statement && sqlite3_step(statement) == SQLITE_ROW) {
            rows.emplace_back();
            for (int i = 0; i < sqlite3_column_count(statement); ++i) {
                const auto* text = sqlite3_column_text(statement, i);
                rows.back().push_back({sqlite3_column_double(statement, i),
                                       text ? reinterpret_cast<const char*>(text) : "NULL"});
            }
        }
        sqlite3_finalize(statement);
        return rows;
    }
    std::string metadata(const std::string& key) {
        const Result r = query("select value from metadata where key = '" + key + "'");
        return r.size() == 1 ? r[0][0].text : "(" + std::to_string(r.size()) + " rows)";
    }

  private:
    sqlite3* db_ = nullptr;
};

// The rectangle of the geometry's polygon: x0, y0, x1, y1.
std::array<double, 4> areaOf(const std::string& wkt) {
    std::array<double, 4> a{};
    EXPECT_EQ(
        std::sscanf(wkt.c_str(), "POLYGON ((%lf %lf, %lf %*f, %*f %lf", &a[0], &a[1], &a[2], &a[3]),
        4)
        << wkt;
    return a;
}

// Everything a reader can check of a file on its own: whole frames from 0 on, each in frame_data
// with the geometry's hash, bounds that are those of the positions, an area that holds them all.
// Returns the number of frames.
std::int64_t expectConsistent(Database& db) {
    const auto rows = db.query("select frame, id, pos_x as x, pos_y as y from trajectory_data");
    const auto frames = db.query("select frame, geometry_hash from frame_data order by frame");
    const auto geometry = db.query("SELECT wkt, hash FROM geometry");
    for (std::size_t i = 0; i < frames.size(); ++i) {
        EXPECT_EQ(frames[i][0].number, static_cast<double>(i));
        if (geometry.size() == 1) {
            EXPECT_EQ(frames[i][1].text, geometry[0][1].text) << "frame " << i;
        }
    }
    EXPECT_EQ(geometry.size(), 1u);
    if (geometry.size() != 1 || rows.empty()) return static_cast<std::int64_t>(frames.size());
    double xmin = rows[0][2].number, xmax = xmin, ymin = rows[0][3].number, ymax = ymin;
    for (const auto& r : rows) {
        xmin = std::min(xmin, r[2].number), xmax = std::max(xmax, r[2].number);
        ymin = std::min(ymin, r[3].number), ymax = std::max(ymax, r[3].number);
    }
    const auto area = areaOf(geometry[0][0].text);
    EXPECT_TRUE(area[0] <= xmin && area[1] <= ymin && xmax <= area[2] && ymax <= area[3])
        << geometry[0][0].text << " holds no position beyond the area";
    EXPECT_EQ(std::strtod(db.metadata("xmin").c_str(), nullptr), xmin);
    EXPECT_EQ(std::strtod(db.metadata("xmax").c_str(), nullptr), xmax);
    EXPECT_EQ(std::strtod(db.metadata("ymin").c_str(), nullptr), ymin);
    EXPECT_EQ(std::strtod(db.metadata("ymax").c_str(), nullptr), ymax);
    return static_cast<std::int64_t>(frames.size());
}

TEST(TrajectorySqlite, AnswersTheLoadersQueries) {
    TempFolder folder;
    const auto file = folder.path() / "run.sqlite";
    std::string error;
    // A commit after every frame, so the frames committed before the crowd leaves the trap must
    // follow the area as it grows.
    auto writer = SqliteTrajectoryWriter::create(file, header(), error, 1);
    ASSERT_TRUE(writer) << error;
    const Frames frames = sampleFrames();
    write(*writer, frames);
    writer->beginFrame(4);  // a frame with nobody in it, as after the last has gone
    writer->endFrame();
    ASSERT_TRUE(writer->finish()) << writer->failure();

    Database db(file);
    EXPECT_EQ(db.metadata("version"), "2");
    EXPECT_EQ(std::strtod(db.metadata("fps").c_str(), nullptr), header().fps);
    EXPECT_EQ(db.metadata("seed"), "42");
    EXPECT_EQ(expectConsistent(db), 5);
    const auto rows = db.query("select frame, id, pos_x as x, pos_y as y from trajectory_data");
    std::vector<TextRow> read;
    for (const auto& r : rows)
        read.push_back({static_cast<std::int64_t>(r[1].number),
                        static_cast<std::int64_t>(r[0].number), static_cast<float>(r[2].number),
                        static_cast<float>(r[3].number)});
    expectSameRows(read, frames);
    for (const auto& r : rows) EXPECT_EQ(r[2].number, static_cast<float>(r[2].number));

    // The trap and every position, with a metre around them.
    EXPECT_EQ(db.query("SELECT wkt FROM geometry")[0][0].text,
              "POLYGON ((-4 -1, 123458 -1, 123458 15, -4 15, -4 -1))");

    // Orientations: the unit velocity (1.2, 0.3) of the first, (0, 0) for the one standing.
    const auto orientations = db.query("select ori_x, ori_y from trajectory_data limit 2");
    EXPECT_NEAR(orientations[0][0].number, 1.2 / std::hypot(1.2, 0.3), 1e-15);
    EXPECT_NEAR(orientations[0][1].number, 0.3 / std::hypot(1.2, 0.3), 1e-15);
    EXPECT_EQ(orientations[1][0].number, 0);
    EXPECT_EQ(orientations[1][1].number, 0);
}

TEST(TrajectorySqlite, ReadersFindCommittedFramesAndNothingHalfWritten) {
    TempFolder folder;
    const auto file = folder.path() / "run.sqlite";
    std::string error;
    auto writer = SqliteTrajectoryWriter::create(file, header(), error, 2);
    ASSERT_TRUE(writer) << error;
    write(*writer, sampleFrames(3));
    {
        Database db(file);
        EXPECT_EQ(expectConsistent(db), 2) << "the third frame is not committed yet";
    }
    ASSERT_TRUE(writer->finish());

    // The disk fills up while a crowd of 2000 walks on.
    Frames crowd;
    for (int f = 3; f < 200; ++f) {
        crowd.emplace_back();
        for (int i = 0; i < 2000; ++i)
            crowd.back().push_back({i, f, 0.005f * static_cast<float>(i) + 0.01f * f,
                                    0.003f * static_cast<float>(i), 1, 0});
    }
    {
        FileSizeLimit limit(std::filesystem::file_size(file) + 300'000);
        write(*writer, crowd);
        writer->finish();
    }
    EXPECT_NE(writer->failure().find("could not be written"), std::string::npos)
        << writer->failure();
    Database db(file);
    const std::int64_t kept = expectConsistent(db);
    EXPECT_GT(kept, 3);
    EXPECT_LT(kept, 200);
    EXPECT_NE(writer->failure().find("the frames up to " + std::to_string(kept - 1) + " were"),
              std::string::npos)
        << writer->failure();
}

TEST(TrajectoryFile, FilesThatCannotBeMadeAreRefusedWithAReason) {
    TempFolder folder;
    std::string error;
    for (const char* name : {"run.txt", "run.sqlite"}) {
        SCOPED_TRACE(name);
        const auto gone = folder.path() / "gone" / name;
        EXPECT_FALSE(openTrajectoryFile(gone, header(), error));
        EXPECT_EQ(
            error.rfind("The trajectory file \"" + gone.string() + "\" could not be created: ", 0),
            0u)
            << error;
        const auto folderInTheWay = folder.path() / ("dir-" + std::string(name));
        std::filesystem::create_directory(folderInTheWay);
        error.clear();
        EXPECT_FALSE(openTrajectoryFile(folderInTheWay, header(), error));
        EXPECT_NE(error.find("could not be created"), std::string::npos) << error;

        // A file of an earlier run, or of another program, is replaced.
        const auto file = folder.path() / name;
        std::ofstream(file) << "not a trajectory\n";
        auto writer = openTrajectoryFile(file, header(), error);
        ASSERT_TRUE(writer) << error;
        write(*writer, sampleFrames(1));
        EXPECT_TRUE(writer->finish()) << writer->failure();
        EXPECT_EQ(readFile(file).find("not a trajectory"), std::string::npos);
    }
    Database db(folder.path() / "run.sqlite");
    EXPECT_EQ(expectConsistent(db), 1);

    EXPECT_FALSE(openTrajectoryFile(folder.path() / "run.csv", header(), error));
    EXPECT_NE(error.find("must end in .txt (for text) or .sqlite"), std::string::npos) << error;
    TrajectoryHeader noRate = header();
    noRate.fps = 0;
    EXPECT_FALSE(openTrajectoryFile(folder.path() / "run.txt", noRate, error));
    EXPECT_NE(error.find("frame rate"), std::string::npos) << error;
}

// A whole run whose files are taken away mid-run. (A whole run's file is read back in the replay's
// tests, and against the chart data's counts in batch_test.cpp.)
using RunTrajectories = EngineTest;

TEST_F(RunTrajectories, AFileTakenAwayMidRunIsReportedOnceAndTheRunGoesOn) {
    settings.ReportNTXY = Check::Checked;
    engine.setTrajectoryFiles({"run.txt", "run.sqlite"});
    ASSERT_TRUE(engine.StartSimulation());
    for (int i = 0; i < 5; ++i) engine.SimulationTick();
    std::filesystem::remove(folder.path() / "run.txt");
    std::filesystem::remove(folder.path() / "run.sqlite");
    for (int i = 0; i < 5; ++i) engine.SimulationTick();
    engine.StopSimulation();
    // One message, a sentence for each file.
    ASSERT_EQ(host.shown().messages.size(), 1u);
    const std::string& told = host.shown().messages[0].text;
    EXPECT_NE(told.find("run.txt"), std::string::npos) << told;
    EXPECT_NE(told.find("run.sqlite"), std::string::npos) << told;
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "run.txt")) << "not made again";
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "run.sqlite"));
    EXPECT_NE(readFile(engine.reports().pathOf(ReportFile::NTXY)).find("\",\"10\","),
              std::string::npos)
        << "the run went on to its tenth step";
}

}  // namespace
}  // namespace strida::test
