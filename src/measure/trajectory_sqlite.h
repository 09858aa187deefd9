// The SQLite trajectory file, in the layout of JuPedSim's trajectory files (version 2), which PedPy
// loads with load_trajectory_from_jupedsim_sqlite and load_walkable_area_from_jupedsim_sqlite:
//
//   metadata(key, value)      "version" = 2, "fps", the bounds "xmin", "xmax", "ymin", "ymax" of
//                             every position written, and the program, its version and the seed
//   trajectory_data(frame, id, pos_x, pos_y, ori_x, ori_y), indexed on (frame, id); the
//                             orientation is the unit velocity, (0, 0) for a pedestrian standing
//   geometry(hash, wkt)       one walkable area: the trap, grown to whole metres around every
//                             position written, plus a margin of a metre
//   frame_data(frame, geometry_hash), one row per frame
//
// Frames are written in transactions of many frames, committed together with the bounds and the
// area they need, so a reader (and whatever is left after a failure) always finds whole frames and
// metadata that fit them. A file that was removed or replaced by another program gets no more.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/file_writes.h"
#include "measure/trajectory_writer.h"

struct sqlite3;
struct sqlite3_stmt;

namespace strida {

class SqliteTrajectoryWriter final : public TrajectoryWriter {
  public:
    // A transaction ends after this many frames, or once it holds this many rows.
    static constexpr int kFramesPerCommit = 256;
    static constexpr std::int64_t kRowsPerCommit = 1'000'000;

    // Creates the file (replacing one that is there) with its tables; null with `error` set when
    // it cannot.
    static std::unique_ptr<SqliteTrajectoryWriter> create(const std::filesystem::path& file,
                                                          const TrajectoryHeader& header,
                                                          std::string& error,
                                                          int framesPerCommit = kFramesPerCommit);
    ~SqliteTrajectoryWriter() override;
    SqliteTrajectoryWriter(const SqliteTrajectoryWriter&) = delete;
    SqliteTrajectoryWriter& operator=(const SqliteTrajectoryWriter&) = delete;

    void beginFrame(std::int64_t frame) override;
    void row(int id, float x, float y, double vx, double vy) override;
    void endFrame() override;
    bool finish() override;
    const std::string& failure() const override { return failure_; }

  private:
    // The walkable area, a rectangle.
    struct Area {
        double x0, y0, x1, y1;
        bool operator==(const Area&) const = default;
    };

    SqliteTrajectoryWriter(std::filesystem::path file, sqlite3* db, const TrajectoryHeader& header,
                           int framesPerCommit);
    bool setUp(const TrajectoryHeader& header);
    bool prepareStatements();
    bool exec(const char* sql);
    bool setMetadata(const char* key, const std::string& value);
    bool commit(bool finishing);
    bool writeBounds();
    bool writeArea();
    Area areaNeeded() const;
    bool stillAtItsPath() const;
    // Ends writing with the database's last error; returns false.
    bool failWithDatabaseError(const char* action);
    void fail(const std::string& what);
    void close();

    std::filesystem::path file_;
    sqlite3* db_;
    sqlite3_stmt* insertRow_ = nullptr;
    // Rows go in by the batch, one statement for kBatch rows: far fewer steps of the database.
    static constexpr int kBatch = 64;
    struct PendingRow {
        int id;
        double x, y, ox, oy;
    };
    std::vector<PendingRow> pending_;
    sqlite3_stmt* insertBatch_ = nullptr;
    bool insertPending();
    sqlite3_stmt* insertFrame_ = nullptr;
    sqlite3_stmt* setMetadata_ = nullptr;
    double trapLength_, trapWidth_;
    int framesPerCommit_;
    FileIdentity identity_;  // of the file as it was made

    std::int64_t frame_ = 0;
    bool inFrame_ = false;
    bool inTransaction_ = false;
    int framesInTransaction_ = 0;
    std::int64_t rowsInTransaction_ = 0;
    std::optional<std::int64_t> lastCommitted_;
    std::optional<std::int64_t> lastInTransaction_;

    bool anyRow_ = false;
    float xmin_ = 0, xmax_ = 0, ymin_ = 0, ymax_ = 0;
    std::optional<Area> area_;  // as the file holds it
    std::int64_t areaHash_ = 0;
    std::string failure_;
};

}  // namespace strida
