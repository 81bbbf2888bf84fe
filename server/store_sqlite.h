// The SQLite score store: one database file in WAL mode, the default store
// of a single server. The current top ten is also kept in memory, so readers
// never wait on a writer.
#ifndef TRIVELLO_SCORES_STORE_SQLITE_H
#define TRIVELLO_SCORES_STORE_SQLITE_H

#include "store.h"

struct sqlite3;
struct sqlite3_stmt;

namespace scores {

class SqliteStore : public ScoreStore {
public:
  SqliteStore() = default;
  ~SqliteStore() override;
  SqliteStore(const SqliteStore &) = delete;
  SqliteStore &operator=(const SqliteStore &) = delete;

  // Opens (creating when needed) the database file, makes or upgrades its
  // schema and reads the top ten. False, with the reason in error(), when it
  // cannot be opened.
  bool open(const std::string &path);

  Answer qualify(int32_t score) override;
  SubmitResult submit(const std::string &name, int32_t score) override;
  bool readTopTen(std::vector<Entry> &out) override;
  int64_t countStored() override;

private:
  bool exec(const char *sql);
  bool upgradeSchema();
  bool selectTopTen(std::vector<Entry> &out);
  bool insert(const std::string &name, int32_t score);

  sqlite3 *_db = nullptr;
  sqlite3_stmt *_selectTop = nullptr;
  sqlite3_stmt *_insert = nullptr;
  sqlite3_stmt *_count = nullptr;
  std::mutex _writer; // one writer at a time; guards the statements
  std::mutex _snapshotLock;
  std::vector<Entry> _snapshot; // the top ten as last committed
};

} // namespace scores

#endif
