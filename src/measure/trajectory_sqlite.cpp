#include "measure/trajectory_sqlite.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/numbers.h"

namespace strida {
namespace {

constexpr double kMargin = 1;  // metres of walkable area beyond the trap and every position

constexpr const char* kSchema =
    "BEGIN;"
    "CREATE TABLE metadata(key TEXT NOT NULL UNIQUE PRIMARY KEY, value TEXT NOT NULL);"
    "CREATE TABLE trajectory_data(frame INTEGER NOT NULL, id INTEGER NOT NULL,"
    " pos_x REAL NOT NULL, pos_y REAL NOT NULL, ori_x REAL NOT NULL, ori_y REAL NOT NULL);"
    "CREATE INDEX frame_id_idx ON trajectory_data(frame, id);"
    "CREATE TABLE geometry(hash INTEGER NOT NULL, wkt TEXT NOT NULL);"
    "CREATE TABLE frame_data(frame INTEGER NOT NULL, geometry_hash INTEGER NOT NULL);";

std::string shortestText(double value) {
    std::string out;
    num::appendShortest(out, value);
    return out;
}

// The hash a geometry is known by: FNV-1a of its text, kept positive.
std::int64_t hashOf(const std::string& text) {
    std::uint64_t h = 14695981039346656037ull;
    for (unsigned char c : text) h = (h ^ c) * 1099511628211ull;
    return static_cast<std::int64_t>(h >> 1);
}

// SQLite's words for its last error, with the system's where it has them.
std::string errorOf(sqlite3* db) {
    if (!db) return "out of memory";
    std::string reason = sqlite3_errmsg(db);
    if (const int system = sqlite3_system_errno(db); system != 0)
        reason += std::string(": ") + std::strerror(system);
    return reason;
}

}  // namespace

std::unique_ptr<SqliteTrajectoryWriter> SqliteTrajectoryWriter::create(
    const std::filesystem::path& file, const TrajectoryHeader& header, std::string& error,
    int framesPerCommit) {
    const std::string cannot = aboutTrajectoryFile(file) + " could not be created: ";
    std::error_code ec;
    if (std::filesystem::is_directory(file, ec)) {
        error = cannot + "it is a folder";
        return nullptr;
    }
    // A file of an earlier run goes, with whatever SQLite kept beside it.
    for (const char* suffix : {"", "-journal", "-wal", "-shm"}) {
        std::filesystem::remove(std::filesystem::path(file) += suffix, ec);
        if (ec) {
            error = cannot + ec.message();
            return nullptr;
        }
    }
    sqlite3* db = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(file.c_str(), &db, flags, nullptr) != SQLITE_OK) {
        error = cannot + errorOf(db);
        sqlite3_close(db);
        return nullptr;
    }
    std::unique_ptr<SqliteTrajectoryWriter> writer(
        new SqliteTrajectoryWriter(file, db, header, std::max(1, framesPerCommit)));
    if (!writer->setUp(header)) {
        error = cannot + errorOf(db);
        writer->close();
        return nullptr;
    }
    return writer;
}

SqliteTrajectoryWriter::SqliteTrajectoryWriter(std::filesystem::path file, sqlite3* db,
                                               const TrajectoryHeader& header, int framesPerCommit)
    : file_(std::move(file)),
      db_(db),
      trapLength_(header.trapLength),
      trapWidth_(header.trapWidth),
      framesPerCommit_(framesPerCommit) {}

SqliteTrajectoryWriter::~SqliteTrajectoryWriter() {
    finish();
    close();
}

bool SqliteTrajectoryWriter::setUp(const TrajectoryHeader& header) {
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, 2000);
    // A crash of the machine mid-run may cost the last transaction, never the file.
    if (!exec("PRAGMA synchronous = NORMAL; PRAGMA cache_size = -65536;") || !exec(kSchema))
        return false;
    inTransaction_ = true;
    if (!prepareStatements()) return false;
    if (!setMetadata("version", "2") || !setMetadata("fps", shortestText(header.fps)) ||
        !setMetadata("program", header.program) ||
        !setMetadata("program_version", header.version) ||
        (header.seed && !setMetadata("seed", std::to_string(*header.seed))) || !writeArea() ||
        !exec("COMMIT"))
        return false;
    inTransaction_ = false;
    const std::optional<FileIdentity> identity = FileIdentity::at(file_);
    if (identity) identity_ = *identity;
    return identity.has_value();
}

bool SqliteTrajectoryWriter::prepareStatements() {
    const auto prepare = [this](const std::string& sql, sqlite3_stmt** statement) {
        return sqlite3_prepare_v3(db_, sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, statement,
                                  nullptr) == SQLITE_OK;
    };
    // The batch: the frame is ?1 in every row, then five values a row.
    std::string batch = "INSERT INTO trajectory_data VALUES";
    for (int i = 0; i < kBatch; ++i) {
        const int p = 2 + 5 * i;
        batch += (i ? ",(?1," : "(?1,") + std::string("?") + std::to_string(p) + ",?" +
                 std::to_string(p + 1) + ",?" + std::to_string(p + 2) + ",?" +
                 std::to_string(p + 3) + ",?" + std::to_string(p + 4) + ")";
    }
    pending_.reserve(kBatch);
    return prepare("INSERT INTO trajectory_data VALUES(?1, ?2, ?3, ?4, ?5, ?6)", &insertRow_) &&
           prepare(batch, &insertBatch_) &&
           prepare("INSERT INTO frame_data VALUES(?1, ?2)", &insertFrame_) &&
           prepare("INSERT OR REPLACE INTO metadata VALUES(?1, ?2)", &setMetadata_);
}

// Writes the rows gathered so far: a whole batch with one statement, fewer one by one.
bool SqliteTrajectoryWriter::insertPending() {
    const bool whole = static_cast<int>(pending_.size()) == kBatch;
    for (std::size_t i = 0; i < pending_.size(); ++i) {
        const PendingRow& r = pending_[i];
        sqlite3_stmt* st = whole ? insertBatch_ : insertRow_;
        const int p = whole ? 2 + 5 * static_cast<int>(i) : 2;
        sqlite3_bind_int64(st, 1, frame_);
        sqlite3_bind_int(st, p, r.id);
        sqlite3_bind_double(st, p + 1, r.x);
        sqlite3_bind_double(st, p + 2, r.y);
        sqlite3_bind_double(st, p + 3, r.ox);
        sqlite3_bind_double(st, p + 4, r.oy);
        if (whole && i + 1 < pending_.size()) continue;
        const int rc = sqlite3_step(st);
        sqlite3_reset(st);
        if (rc != SQLITE_DONE) {
            pending_.clear();
            return failWithDatabaseError("written");  // which closes the database
        }
    }
    pending_.clear();
    return true;
}

void SqliteTrajectoryWriter::beginFrame(std::int64_t frame) {
    if (inFrame_) endFrame();
    if (!db_) return;
    if (!inTransaction_) {
        if (!exec("BEGIN")) {
            failWithDatabaseError("written");
            return;
        }
        inTransaction_ = true;
    }
    inFrame_ = true;
    frame_ = frame;
}

void SqliteTrajectoryWriter::row(int id, float x, float y, double vx, double vy) {
    if (!inFrame_ || !db_ || !std::isfinite(x) || !std::isfinite(y)) return;
    const double speed = std::hypot(vx, vy);
    const bool moving = speed > 0 && std::isfinite(speed);
    pending_.push_back({id, x, y, moving ? vx / speed : 0.0, moving ? vy / speed : 0.0});
    if (static_cast<int>(pending_.size()) == kBatch && !insertPending()) return;
    if (!anyRow_) xmin_ = xmax_ = x, ymin_ = ymax_ = y;
    anyRow_ = true;
    xmin_ = std::min(xmin_, x), xmax_ = std::max(xmax_, x);
    ymin_ = std::min(ymin_, y), ymax_ = std::max(ymax_, y);
    ++rowsInTransaction_;
}

void SqliteTrajectoryWriter::endFrame() {
    if (!inFrame_) return;
    inFrame_ = false;
    if (!db_ || !insertPending()) return;
    // The area's hash as it stands; a commit that changes the area brings every frame up to date.
    sqlite3_bind_int64(insertFrame_, 1, frame_);
    sqlite3_bind_int64(insertFrame_, 2, areaHash_);
    const int rc = sqlite3_step(insertFrame_);
    sqlite3_reset(insertFrame_);
    if (rc != SQLITE_DONE) {
        failWithDatabaseError("written");
        return;
    }
    lastInTransaction_ = frame_;
    if (++framesInTransaction_ >= framesPerCommit_ || rowsInTransaction_ >= kRowsPerCommit)
        commit(false);
}

bool SqliteTrajectoryWriter::finish() {
    if (inFrame_) endFrame();
    commit(true);
    return failure_.empty();
}

bool SqliteTrajectoryWriter::commit(bool finishing) {
    if (!db_ || !inTransaction_) return db_ != nullptr;
    if (!stillAtItsPath()) {
        fail("was removed or replaced by another program");
        return false;
    }
    if (!writeBounds() || !writeArea()) return failWithDatabaseError("written");
    const int rc = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
    // A reader holding the file keeps the transaction open: its frames go with the next commit.
    if ((rc & 0xFF) == SQLITE_BUSY && !finishing) return true;
    if (rc != SQLITE_OK) return failWithDatabaseError("written");
    inTransaction_ = false;
    framesInTransaction_ = 0;
    rowsInTransaction_ = 0;
    lastCommitted_ = lastInTransaction_;
    return true;
}

bool SqliteTrajectoryWriter::setMetadata(const char* key, const std::string& value) {
    sqlite3_bind_text(setMetadata_, 1, key, -1, SQLITE_STATIC);
    sqlite3_bind_text(setMetadata_, 2, value.data(), static_cast<int>(value.size()),
                      SQLITE_TRANSIENT);
    const int rc = sqlite3_step(setMetadata_);
    sqlite3_reset(setMetadata_);
    return rc == SQLITE_DONE;
}

bool SqliteTrajectoryWriter::writeBounds() {
    if (!anyRow_) return true;
    return setMetadata("xmin", shortestText(xmin_)) && setMetadata("xmax", shortestText(xmax_)) &&
           setMetadata("ymin", shortestText(ymin_)) && setMetadata("ymax", shortestText(ymax_));
}

SqliteTrajectoryWriter::Area SqliteTrajectoryWriter::areaNeeded() const {
    Area area{0, 0, trapLength_, trapWidth_};
    if (anyRow_) {
        area.x0 = std::min(area.x0, std::floor(double{xmin_}));
        area.y0 = std::min(area.y0, std::floor(double{ymin_}));
        area.x1 = std::max(area.x1, std::ceil(double{xmax_}));
        area.y1 = std::max(area.y1, std::ceil(double{ymax_}));
    }
    return {area.x0 - kMargin, area.y0 - kMargin, area.x1 + kMargin, area.y1 + kMargin};
}

bool SqliteTrajectoryWriter::writeArea() {
    const Area area = areaNeeded();
    if (area == area_) return true;
    std::string wkt = "POLYGON ((";
    const double xs[] = {area.x0, area.x1, area.x1, area.x0, area.x0};
    const double ys[] = {area.y0, area.y0, area.y1, area.y1, area.y0};
    for (int i = 0; i < 5; ++i) {
        if (i > 0) wkt += ", ";
        num::appendShortest(wkt, xs[i]);
        wkt += ' ';
        num::appendShortest(wkt, ys[i]);
    }
    wkt += "))";
    // Numbers only: the text goes into the statement as it is.
    const std::int64_t hash = hashOf(wkt);
    const std::string sql = "DELETE FROM geometry; INSERT INTO geometry VALUES(" +
                            std::to_string(hash) + ", '" + wkt +
                            "'); UPDATE frame_data SET geometry_hash = " + std::to_string(hash);
    if (!exec(sql.c_str())) return false;
    area_ = area;
    areaHash_ = hash;
    return true;
}

bool SqliteTrajectoryWriter::exec(const char* sql) {
    return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool SqliteTrajectoryWriter::stillAtItsPath() const {
    return FileIdentity::at(file_) == identity_;
}

bool SqliteTrajectoryWriter::failWithDatabaseError(const char* action) {
    // SQLite refuses to write to a file that has gone from its path: that is the reason to give.
    if (!stillAtItsPath()) fail("was removed or replaced by another program");
    fail(std::string("could not be ") + action + " (" + errorOf(db_) + ")");
    return false;
}

void SqliteTrajectoryWriter::fail(const std::string& what) {
    if (failure_.empty()) failure_ = trajectoryFailure(file_, what, lastCommitted_);
    close();
}

void SqliteTrajectoryWriter::close() {
    sqlite3_finalize(insertRow_);
    sqlite3_finalize(insertBatch_);
    sqlite3_finalize(insertFrame_);
    sqlite3_finalize(setMetadata_);
    insertRow_ = insertBatch_ = insertFrame_ = setMetadata_ = nullptr;
    if (db_ && !sqlite3_get_autocommit(db_))
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db_);
    db_ = nullptr;
    inTransaction_ = inFrame_ = false;
}

}  // namespace strida
