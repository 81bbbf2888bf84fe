// The score store: an SQLite database in WAL mode holding every accepted
// score, and the current top ten kept in memory for the readers.
#ifndef TRIVELLO_SCORES_STORE_H
#define TRIVELLO_SCORES_STORE_H

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace scores {

// A score must be above this to enter the table.
constexpr int32_t kMinScore = 500;
constexpr size_t kTopTenSize = 10;

struct Entry {
  std::string name; // ISO-8859-1 bytes, already cleaned
  int32_t score;
};

enum class SubmitResult { Stored, NotQualifying, Failed };

class ScoreStore {
public:
  ScoreStore() = default;
  ~ScoreStore();
  ScoreStore(const ScoreStore &) = delete;
  ScoreStore &operator=(const ScoreStore &) = delete;

  // Opens (creating when needed) the database file and reads the top ten.
  // False, with the reason in error(), when it cannot be opened.
  bool open(const std::string &path);
  const std::string &error() const { return _error; }

  // True when a score above 500 would enter the current top ten (ties go
  // after the scores already there).
  bool qualifies(int32_t score) const;
  // Checks the rule again and stores the score in one transaction; only
  // one writer runs at a time. Stored means it is durable on disk.
  SubmitResult submit(const std::string &name, int32_t score);
  // The top ten, best first, equal scores in submission order.
  std::vector<Entry> topTen() const;
  // Every stored score (tests and the load benchmark check nothing is lost).
  int64_t countStored();

private:
  bool exec(const char *sql);
  bool readTopTen(std::vector<Entry> &out);
  bool insert(const std::string &name, int32_t score);
  static bool beats(const std::vector<Entry> &table, int32_t score);

  sqlite3 *_db = nullptr;
  sqlite3_stmt *_selectTop = nullptr;
  sqlite3_stmt *_insert = nullptr;
  sqlite3_stmt *_count = nullptr;
  std::string _error;
  std::mutex _writer;             // one writer at a time; guards the statements
  mutable std::mutex _snapshotLock;
  std::vector<Entry> _snapshot;   // the top ten as last committed
};

} // namespace scores

#endif
