// The parts of the score store both databases share (see store.h): the
// qualify rule, failure reporting, and the choice of database from --db.
// Depends on both stores; owns nothing.
#include "store.h"

#include <cstdio>

#include "store_pg.h"
#include "store_sqlite.h"

namespace scores {

// The reason of the last failure.
std::string ScoreStore::error() const {
  std::lock_guard<std::mutex> lock(_errorLock);
  return _error;
}

// The top ten, or an empty table when it cannot be read.
std::vector<Entry> ScoreStore::topTen() {
  std::vector<Entry> top;
  readTopTen(top);
  return top;
}

// Keeps the reason and logs it.
void ScoreStore::fail(const std::string &reason) {
  setError(reason);
  fprintf(stderr, "trivello-scores: database: %s\n", reason.c_str());
}

// Keeps the reason, without the trailing newline libpq gives.
void ScoreStore::setError(const std::string &reason) {
  std::lock_guard<std::mutex> lock(_errorLock);
  _error = reason;
  while (!_error.empty() && (_error.back() == '\n' || _error.back() == ' '))
    _error.pop_back();
}

// The qualify rule against a top ten.
bool ScoreStore::beats(const std::vector<Entry> &table, int32_t score) {
  if (score <= kMinScore)
    return false;
  return table.size() < kTopTenSize || score > table.back().score;
}

// A PostgreSQL URL or a libpq keyword=value string.
bool isPostgresTarget(const std::string &where) {
  if (where.rfind("postgresql://", 0) == 0 || where.rfind("postgres://", 0) == 0)
    return true;
  static const char *const keywords[] = {"host",
                                         "hostaddr",
                                         "port",
                                         "dbname",
                                         "user",
                                         "password",
                                         "service",
                                         "passfile",
                                         "sslmode",
                                         "options",
                                         "connect_timeout",
                                         "application_name"};
  size_t start = where.find_first_not_of(" \t");
  if (start == std::string::npos)
    return false;
  size_t end = where.find_first_of(" \t=", start);
  if (end == std::string::npos)
    return false;
  size_t equals = where.find_first_not_of(" \t", end);
  if (equals == std::string::npos || where[equals] != '=')
    return false;
  std::string word = where.substr(start, end - start);
  for (const char *k : keywords)
    if (word == k)
      return true;
  return false;
}

// The store `where` names, opened.
std::unique_ptr<ScoreStore> openStore(const std::string &where, std::string &error) {
  if (isPostgresTarget(where)) {
    auto store = std::make_unique<PgStore>();
    if (store->open(where))
      return store;
    error = store->error();
    return nullptr;
  }
  auto store = std::make_unique<SqliteStore>();
  if (store->open(where))
    return store;
  error = store->error();
  return nullptr;
}

} // namespace scores
