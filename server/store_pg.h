// The PostgreSQL score store: several server instances, on one machine or
// many, share one database and so one top ten. Reached through libpq.
#ifndef TRIVELLO_SCORES_STORE_PG_H
#define TRIVELLO_SCORES_STORE_PG_H

#include <condition_variable>

#include "store.h"

struct pg_conn;

namespace scores {

class PgStore : public ScoreStore {
public:
  // Connections this store opens at most (each HTTP worker thread needs one
  // while it runs a request).
  static constexpr size_t kDefaultConnections = 16;

  explicit PgStore(size_t maxConnections = kDefaultConnections) : _max(maxConnections > 0 ? maxConnections : 1) {}
  ~PgStore() override;
  PgStore(const PgStore &) = delete;
  PgStore &operator=(const PgStore &) = delete;

  // Connects to the database `conninfo` names (a postgresql:// URL or a
  // libpq keyword=value string), makes or upgrades the schema and prepares
  // the statements. False, with the reason in error(), when it cannot.
  bool open(const std::string &conninfo);

  Answer qualify(int32_t score) override;
  SubmitResult submit(const std::string &name, int32_t score) override;
  bool readTopTen(std::vector<Entry> &out) override;
  int64_t countStored() override;

private:
  pg_conn *connect();
  bool upgradeSchema(pg_conn *conn);
  bool prepare(pg_conn *conn);
  pg_conn *borrow();
  void giveBack(pg_conn *conn);
  bool selectTopTen(pg_conn *conn, std::vector<Entry> &out);
  int64_t selectCount(pg_conn *conn, const char *statement, int32_t score, bool withScore);

  std::string _conninfo;
  size_t _max;
  std::mutex _poolLock;
  std::condition_variable _freed;
  std::vector<pg_conn *> _idle; // connected, prepared, not in use
  size_t _open = 0;             // idle + in use + being connected
};

// `conninfo` (a URL or keyword=value string) with its database changed to
// `dbname`, as a keyword=value string.
std::string pgWithDatabase(const std::string &conninfo, const std::string &dbname);

} // namespace scores

#endif
