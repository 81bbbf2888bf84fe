// The SQLite score store (see store_sqlite.h). Depends on SQLite; owns the
// connection and its statements. Every statement is prepared once and
// bound; no request text ever becomes SQL.
#include "store_sqlite.h"

#include <sqlite3.h>

#include <ctime>

namespace scores {

namespace {

// The schema, one step per version; a database records the version it is at
// (PRAGMA user_version) and is brought up to the last step when opened. The
// first step adopts the table of servers from before the versioning.
const char *const kSchemaSteps[] = {
    "CREATE TABLE IF NOT EXISTS scores ("
    " id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " name BLOB NOT NULL,"
    " score INTEGER NOT NULL CHECK (score BETWEEN 0 AND 2147483647),"
    " submitted_at INTEGER NOT NULL);"
    "CREATE INDEX IF NOT EXISTS scores_rank ON scores (score DESC, id ASC);",
};
const int kSchemaVersion = sizeof kSchemaSteps / sizeof kSchemaSteps[0];

const char kSelectTop[] = "SELECT name, score FROM scores ORDER BY score DESC, id ASC LIMIT 10";
const char kInsert[] = "INSERT INTO scores (name, score, submitted_at) VALUES (?, ?, ?)";
const char kCount[] = "SELECT COUNT(*) FROM scores";

} // namespace

// Finalises the statements and closes the database (checkpointing the WAL).
SqliteStore::~SqliteStore() {
  sqlite3_finalize(_selectTop);
  sqlite3_finalize(_insert);
  sqlite3_finalize(_count);
  if (_db != nullptr)
    sqlite3_close(_db);
}

// Opens the file in WAL mode with full syncs, brings the schema up to date,
// prepares the statements and loads the top ten.
bool SqliteStore::open(const std::string &path) {
  int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX;
  if (sqlite3_open_v2(path.c_str(), &_db, flags, nullptr) != SQLITE_OK) {
    setError(_db != nullptr ? sqlite3_errmsg(_db) : "cannot open the database");
    return false;
  }
  sqlite3_busy_timeout(_db, 5000);
  if (!exec("PRAGMA journal_mode=WAL") || !exec("PRAGMA synchronous=FULL") || !upgradeSchema())
    return false;
  if (sqlite3_prepare_v2(_db, kSelectTop, -1, &_selectTop, nullptr) != SQLITE_OK ||
      sqlite3_prepare_v2(_db, kInsert, -1, &_insert, nullptr) != SQLITE_OK ||
      sqlite3_prepare_v2(_db, kCount, -1, &_count, nullptr) != SQLITE_OK) {
    setError(sqlite3_errmsg(_db));
    return false;
  }
  std::vector<Entry> top;
  if (!selectTopTen(top))
    return false;
  std::lock_guard<std::mutex> lock(_snapshotLock);
  _snapshot = std::move(top);
  return true;
}

// Runs fixed SQL text (pragmas, schema, transaction control).
bool SqliteStore::exec(const char *sql) {
  char *message = nullptr;
  if (sqlite3_exec(_db, sql, nullptr, nullptr, &message) == SQLITE_OK)
    return true;
  setError(message != nullptr ? message : "SQL failed");
  sqlite3_free(message);
  return false;
}

// Applies the missing schema steps in one transaction; refuses a database
// that a newer server has already moved past the steps known here.
bool SqliteStore::upgradeSchema() {
  if (!exec("BEGIN IMMEDIATE"))
    return false;
  sqlite3_stmt *st = nullptr;
  int version = -1;
  if (sqlite3_prepare_v2(_db, "PRAGMA user_version", -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
    version = sqlite3_column_int(st, 0);
  sqlite3_finalize(st);
  if (version < 0 || version > kSchemaVersion) {
    setError(version < 0 ? sqlite3_errmsg(_db)
                         : "the database has schema version " + std::to_string(version) +
                               ", newer than this server's " + std::to_string(kSchemaVersion));
    exec("ROLLBACK");
    return false;
  }
  for (int step = version; step < kSchemaVersion; step++)
    if (!exec(kSchemaSteps[step])) {
      std::string reason = error();
      exec("ROLLBACK");
      setError(reason);
      return false;
    }
  std::string setVersion = "PRAGMA user_version=" + std::to_string(kSchemaVersion);
  if (!exec(setVersion.c_str()) || !exec("COMMIT")) {
    exec("ROLLBACK");
    return false;
  }
  return true;
}

// The qualify rule against the committed top ten.
Answer SqliteStore::qualify(int32_t score) {
  std::lock_guard<std::mutex> lock(_snapshotLock);
  return beats(_snapshot, score) ? Answer::Yes : Answer::No;
}

// Reads the top ten from the database.
bool SqliteStore::selectTopTen(std::vector<Entry> &out) {
  out.clear();
  sqlite3_reset(_selectTop);
  int rc;
  while ((rc = sqlite3_step(_selectTop)) == SQLITE_ROW) {
    const char *bytes = static_cast<const char *>(sqlite3_column_blob(_selectTop, 0));
    int n = sqlite3_column_bytes(_selectTop, 0);
    out.push_back({std::string(bytes != nullptr ? bytes : "", (size_t)n), sqlite3_column_int(_selectTop, 1)});
  }
  sqlite3_reset(_selectTop);
  if (rc != SQLITE_DONE)
    fail(sqlite3_errmsg(_db));
  return rc == SQLITE_DONE;
}

// Inserts one row with bound values.
bool SqliteStore::insert(const std::string &name, int32_t score) {
  sqlite3_reset(_insert);
  sqlite3_bind_blob(_insert, 1, name.data(), (int)name.size(), SQLITE_TRANSIENT);
  sqlite3_bind_int(_insert, 2, score);
  sqlite3_bind_int64(_insert, 3, (sqlite3_int64)time(nullptr));
  bool ok = sqlite3_step(_insert) == SQLITE_DONE;
  if (!ok)
    fail(sqlite3_errmsg(_db));
  sqlite3_reset(_insert);
  sqlite3_clear_bindings(_insert);
  return ok;
}

// Re-reads the top ten inside a write transaction (another process may share
// the file), stores the score when it still qualifies, commits, and only then
// publishes the new top ten.
SubmitResult SqliteStore::submit(const std::string &name, int32_t score) {
  if (score <= kMinScore)
    return SubmitResult::NotQualifying;
  std::lock_guard<std::mutex> writer(_writer);
  if (_db == nullptr || !exec("BEGIN IMMEDIATE")) {
    fail(error());
    return SubmitResult::Failed;
  }
  std::vector<Entry> top;
  if (!selectTopTen(top)) {
    exec("ROLLBACK");
    return SubmitResult::Failed;
  }
  SubmitResult result = SubmitResult::NotQualifying;
  if (beats(top, score))
    result = insert(name, score) ? SubmitResult::Stored : SubmitResult::Failed;
  if (result == SubmitResult::Failed || !exec(result == SubmitResult::Stored ? "COMMIT" : "ROLLBACK")) {
    if (result != SubmitResult::Failed)
      fail(error());
    exec("ROLLBACK");
    return SubmitResult::Failed;
  }
  if (result == SubmitResult::Stored && !selectTopTen(top))
    return result; // stored; the snapshot catches up on the next submit
  std::lock_guard<std::mutex> lock(_snapshotLock);
  _snapshot = std::move(top);
  return result;
}

// A copy of the committed top ten; never fails.
bool SqliteStore::readTopTen(std::vector<Entry> &out) {
  std::lock_guard<std::mutex> lock(_snapshotLock);
  out = _snapshot;
  return true;
}

// Number of rows stored.
int64_t SqliteStore::countStored() {
  std::lock_guard<std::mutex> writer(_writer);
  sqlite3_reset(_count);
  int64_t n = sqlite3_step(_count) == SQLITE_ROW ? sqlite3_column_int64(_count, 0) : -1;
  sqlite3_reset(_count);
  return n;
}

} // namespace scores
