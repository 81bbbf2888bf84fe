// The score store: one small interface over the database that holds every
// accepted score, with two implementations. SQLite (store_sqlite.cpp) is the
// default, one file beside one server; PostgreSQL (store_pg.cpp) lets several
// server instances on several machines share one top ten.
#ifndef TRIVELLO_SCORES_STORE_H
#define TRIVELLO_SCORES_STORE_H

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace scores {

// A score must be above this to enter the table.
constexpr int32_t kMinScore = 500;
constexpr size_t kTopTenSize = 10;

struct Entry {
  std::string name; // ISO-8859-1 bytes, already cleaned
  int32_t score;
};

enum class SubmitResult { Stored, NotQualifying, Failed };
enum class Answer { Yes, No, Failed };

class ScoreStore {
public:
  virtual ~ScoreStore() = default;

  // Yes when a score above 500 would enter the current top ten (ties go
  // after the scores already there); Failed when the database cannot answer.
  virtual Answer qualify(int32_t score) = 0;
  // Checks the rule again and stores the score in one transaction. Stored
  // means it is durable in the database; Failed is returned whenever that is
  // not certain.
  virtual SubmitResult submit(const std::string &name, int32_t score) = 0;
  // The top ten, best first, equal scores in submission order; false (and
  // `out` empty) when the database cannot answer.
  virtual bool readTopTen(std::vector<Entry> &out) = 0;
  // Every stored score (tests and the load benchmark check nothing is lost);
  // -1 on failure.
  virtual int64_t countStored() = 0;

  // The reason of the last failure.
  std::string error() const;

  // For callers with no way to report a failure: a failed check is "no" and
  // a failed read an empty table.
  bool qualifies(int32_t score) { return qualify(score) == Answer::Yes; }
  std::vector<Entry> topTen();

protected:
  // Keeps the reason and writes it to standard error, so that a failed
  // request leaves a line in the server's log.
  void fail(const std::string &reason);
  // Keeps the reason of a failure to open, without logging it.
  void setError(const std::string &reason);
  // True when score would be placed within the ten of `table`.
  static bool beats(const std::vector<Entry> &table, int32_t score);

private:
  mutable std::mutex _errorLock;
  std::string _error;
};

// True when `where` names a PostgreSQL database: a postgresql:// or
// postgres:// URL, or a libpq "keyword=value ..." string beginning with one of
// libpq's connection keywords (host=, dbname=, ...). Anything else is an
// SQLite file path (write ./a=b to use a file whose name has a '=').
bool isPostgresTarget(const std::string &where);

// `where` as it may be shown in a log: a PostgreSQL connection string
// without its password.
std::string describeStore(const std::string &where);

// Opens the store `where` names (see isPostgresTarget), creating or upgrading
// its schema. Null, with the reason in `error`, when it cannot be opened.
std::unique_ptr<ScoreStore> openStore(const std::string &where, std::string &error);

} // namespace scores

#endif
