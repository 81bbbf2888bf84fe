// The score store (see store.h). Every statement is prepared once and bound;
// no request text ever becomes SQL.
#include "store.h"

#include <sqlite3.h>

#include <ctime>

namespace scores {

namespace {

const char kSchema[] =
    "CREATE TABLE IF NOT EXISTS scores ("
    " id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " name BLOB NOT NULL,"
    " score INTEGER NOT NULL CHECK (score BETWEEN 0 AND 2147483647),"
    " submitted_at INTEGER NOT NULL);"
    "CREATE INDEX IF NOT EXISTS scores_rank ON scores (score DESC, id ASC);";
const char kSelectTop[] = "SELECT name, score FROM scores ORDER BY score DESC, id ASC LIMIT 10";
const char kInsert[] = "INSERT INTO scores (name, score, submitted_at) VALUES (?, ?, ?)";
const char kCount[] = "SELECT COUNT(*) FROM scores";

} // namespace

// Finalises the statements and closes the database (checkpointing the WAL).
ScoreStore::~ScoreStore() {
  sqlite3_finalize(_selectTop);
  sqlite3_finalize(_insert);
  sqlite3_finalize(_count);
  if (_db != nullptr)
    sqlite3_close(_db);
}

// Opens the file in WAL mode with full syncs, prepares the statements and
// loads the top ten.
bool ScoreStore::open(const std::string &path) {
  int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX;
  if (sqlite3_open_v2(path.c_str(), &_db, flags, nullptr) != SQLITE_OK) {
    _error = _db != nullptr ? sqlite3_errmsg(_db) : "cannot open the database";
    return false;
  }
  sqlite3_busy_timeout(_db, 5000);
  if (!exec("PRAGMA journal_mode=WAL") || !exec("PRAGMA synchronous=FULL") || !exec(kSchema))
    return false;
  if (sqlite3_prepare_v2(_db, kSelectTop, -1, &_selectTop, nullptr) != SQLITE_OK ||
      sqlite3_prepare_v2(_db, kInsert, -1, &_insert, nullptr) != SQLITE_OK ||
      sqlite3_prepare_v2(_db, kCount, -1, &_count, nullptr) != SQLITE_OK) {
    _error = sqlite3_errmsg(_db);
    return false;
  }
  std::vector<Entry> top;
  if (!readTopTen(top))
    return false;
  std::lock_guard<std::mutex> lock(_snapshotLock);
  _snapshot = std::move(top);
  return true;
}

// Runs fixed SQL text (pragmas, schema, transaction control).
bool ScoreStore::exec(const char *sql) {
  char *message = nullptr;
  if (sqlite3_exec(_db, sql, nullptr, nullptr, &message) == SQLITE_OK)
    return true;
  _error = message != nullptr ? message : "SQL failed";
  sqlite3_free(message);
  return false;
}

// True when score would be placed within the ten of `table`.
bool ScoreStore::beats(const std::vector<Entry> &table, int32_t score) {
  if (score <= kMinScore)
    return false;
  return table.size() < kTopTenSize || score > table.back().score;
}

// The qualify rule against the committed top ten.
bool ScoreStore::qualifies(int32_t score) const {
  std::lock_guard<std::mutex> lock(_snapshotLock);
  return beats(_snapshot, score);
}

// Reads the top ten from the database.
bool ScoreStore::readTopTen(std::vector<Entry> &out) {
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
    _error = sqlite3_errmsg(_db);
  return rc == SQLITE_DONE;
}

// Inserts one row with bound values.
bool ScoreStore::insert(const std::string &name, int32_t score) {
  sqlite3_reset(_insert);
  sqlite3_bind_blob(_insert, 1, name.data(), (int)name.size(), SQLITE_TRANSIENT);
  sqlite3_bind_int(_insert, 2, score);
  sqlite3_bind_int64(_insert, 3, (sqlite3_int64)time(nullptr));
  bool ok = sqlite3_step(_insert) == SQLITE_DONE;
  sqlite3_reset(_insert);
  sqlite3_clear_bindings(_insert);
  return ok;
}

// Re-reads the top ten inside a write transaction (another process may share
// the file), stores the score when it still qualifies, commits, and only then
// publishes the new top ten.
SubmitResult ScoreStore::submit(const std::string &name, int32_t score) {
  if (score <= kMinScore)
    return SubmitResult::NotQualifying;
  std::lock_guard<std::mutex> writer(_writer);
  if (_db == nullptr || !exec("BEGIN IMMEDIATE"))
    return SubmitResult::Failed;
  std::vector<Entry> top;
  if (!readTopTen(top)) {
    exec("ROLLBACK");
    return SubmitResult::Failed;
  }
  SubmitResult result = SubmitResult::NotQualifying;
  if (beats(top, score))
    result = insert(name, score) ? SubmitResult::Stored : SubmitResult::Failed;
  if (result == SubmitResult::Failed || !exec(result == SubmitResult::Stored ? "COMMIT" : "ROLLBACK")) {
    exec("ROLLBACK");
    return SubmitResult::Failed;
  }
  if (result == SubmitResult::Stored && !readTopTen(top))
    return result; // stored; the snapshot catches up on the next submit
  std::lock_guard<std::mutex> lock(_snapshotLock);
  _snapshot = std::move(top);
  return result;
}

// A copy of the committed top ten.
std::vector<Entry> ScoreStore::topTen() const {
  std::lock_guard<std::mutex> lock(_snapshotLock);
  return _snapshot;
}

// Number of rows stored.
int64_t ScoreStore::countStored() {
  std::lock_guard<std::mutex> writer(_writer);
  sqlite3_reset(_count);
  int64_t n = sqlite3_step(_count) == SQLITE_ROW ? sqlite3_column_int64(_count, 0) : -1;
  sqlite3_reset(_count);
  return n;
}

} // namespace scores
