// The PostgreSQL score store (see store_pg.h). Depends on libpq; owns a small
// pool of connections, each with the store's statements prepared on it.
//
// Every instance reads the top ten from the database on every request
// instead of keeping a copy refreshed by LISTEN/NOTIFY. A notification
// reaches the other instances only some time after the commit, so an
// instance could still answer with the old table after another one has
// answered "ok"; reading through the index on (score DESC, id) costs one
// short index scan of ten rows, well under a millisecond, and is always
// exactly what is committed. There is also nothing to resynchronise after a
// lost connection.
//
// A submit is one INSERT ... SELECT ... WHERE statement, and so one
// transaction: the qualify rule is checked against the committed table and
// the row stored together. The reply waits for the commit to be flushed
// (synchronous_commit, PostgreSQL's default), so "ok" is durable. When the
// connection fails mid-way the outcome is unknown and the submit is reported
// as failed, never as stored.
#include "store_pg.h"

#include <arpa/inet.h> // ntohl: results come in binary, network byte order
#include <libpq-fe.h>

#include <cstring>

namespace scores {

namespace {

// The schema, one step per version; the database records its version in
// trivello_schema, and the first instance to start brings it up to the last
// step (under an advisory lock, so that instances starting together wait for
// each other instead of creating the same table twice).
const char *const kSchemaSteps[] = {
    "CREATE TABLE IF NOT EXISTS scores ("
    " id bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,"
    " name bytea NOT NULL,"
    " score integer NOT NULL CHECK (score >= 0),"
    " submitted_at timestamptz NOT NULL DEFAULT now());"
    "CREATE INDEX IF NOT EXISTS scores_rank ON scores (score DESC, id ASC);",
};
const int kSchemaVersion = sizeof kSchemaSteps / sizeof kSchemaSteps[0];
const char kSchemaLock[] = "SELECT pg_advisory_xact_lock(7746150019)";

// Names are bytes (ISO-8859-1), hence bytea and not text, which must be
// valid in the database's encoding.
const Oid kByteaOid = 17;
const Oid kInt4Oid = 23;

struct Statement {
  const char *name;
  const char *sql;
  int params;
  Oid types[2];
};
const Statement kStatements[] = {
    {"top", "SELECT name, score FROM scores ORDER BY score DESC, id ASC LIMIT 10", 0, {}},
    // How many scores are at least this good, counting to ten at most: the
    // score qualifies below ten.
    {"better",
     "SELECT count(*) FROM (SELECT 1 FROM scores WHERE score >= $1 ORDER BY score DESC LIMIT 10) AS better",
     1,
     {kInt4Oid}},
    {"insert",
     "INSERT INTO scores (name, score) SELECT $1, $2 WHERE (SELECT count(*) FROM "
     "(SELECT 1 FROM scores WHERE score >= $2 ORDER BY score DESC LIMIT 10) AS better) < 10 RETURNING id",
     2,
     {kByteaOid, kInt4Oid}},
    {"count", "SELECT count(*) FROM scores", 0, {}},
};

// A 32-bit or 64-bit integer of a binary result.
int64_t binaryInt(const PGresult *res, int row, int column) {
  const unsigned char *p = reinterpret_cast<const unsigned char *>(PQgetvalue(res, row, column));
  int64_t v = 0;
  for (int i = 0; i < PQgetlength(res, row, column); i++)
    v = (v << 8) | p[i];
  return PQgetlength(res, row, column) == 4 ? (int64_t)(int32_t)(uint32_t)v : v;
}

// Runs fixed SQL text; true when it succeeded.
bool run(PGconn *conn, const char *sql, std::string &reason) {
  PGresult *res = PQexec(conn, sql);
  ExecStatusType status = PQresultStatus(res);
  bool ok = status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
  if (!ok)
    reason = PQerrorMessage(conn);
  PQclear(res);
  return ok;
}

// True when an idle connection is still usable: reading what the server may
// have sent meanwhile finds out whether it has closed the connection (a
// restarted or stopped server), without a round trip.
bool alive(PGconn *conn) {
  return PQconsumeInput(conn) != 0 && PQstatus(conn) == CONNECTION_OK && PQtransactionStatus(conn) == PQTRANS_IDLE;
}

// A new connection whose notices ("already exists, skipping") are dropped
// instead of going to standard error. Unless the connection string says
// otherwise, a database that does not answer fails the request within
// seconds instead of holding a worker thread forever: 5 s to connect, 10 s
// for sent data to be acknowledged, 10 s for a statement to run.
PGconn *connectQuietly(const std::string &conninfo) {
  // The connection string comes last, so that what it sets wins.
  const char *const keys[] = {"connect_timeout", "tcp_user_timeout", "options", "application_name", "dbname", nullptr};
  const char *const values[] = {"5",    "10000", "-c statement_timeout=10000", "trivello-scores", conninfo.c_str(),
                                nullptr};
  PGconn *conn = PQconnectdbParams(keys, values, 1);
  PQsetNoticeProcessor(
      conn, [](void *, const char *) {}, nullptr);
  return conn;
}

} // namespace

// Closes every connection (none may be in use any more).
PgStore::~PgStore() {
  for (PGconn *conn : _idle)
    PQfinish(conn);
}

// Connects once, upgrades the schema, and keeps that connection in the pool.
bool PgStore::open(const std::string &conninfo) {
  _conninfo = conninfo;
  PGconn *first = connectQuietly(conninfo);
  if (PQstatus(first) != CONNECTION_OK) {
    setError(PQerrorMessage(first));
    PQfinish(first);
    return false;
  }
  if (!upgradeSchema(first) || !prepare(first)) {
    PQfinish(first);
    return false;
  }
  _idle.push_back(first);
  _open = 1;
  return true;
}

// Applies the missing schema steps in one transaction.
bool PgStore::upgradeSchema(PGconn *conn) {
  std::string reason;
  if (!run(conn, "BEGIN", reason) || !run(conn, kSchemaLock, reason) ||
      !run(conn, "CREATE TABLE IF NOT EXISTS trivello_schema (version integer NOT NULL)", reason)) {
    setError(reason);
    return false;
  }
  PGresult *res = PQexec(conn, "SELECT max(version) FROM trivello_schema");
  int version = -1;
  if (PQresultStatus(res) == PGRES_TUPLES_OK && PQntuples(res) == 1)
    version = PQgetisnull(res, 0, 0) ? 0 : atoi(PQgetvalue(res, 0, 0));
  else
    reason = PQerrorMessage(conn);
  PQclear(res);
  if (version > kSchemaVersion)
    reason = "the database has schema version " + std::to_string(version) + ", newer than this server's " +
             std::to_string(kSchemaVersion);
  bool ok = version >= 0 && version <= kSchemaVersion;
  for (int step = version; ok && step < kSchemaVersion; step++)
    ok = run(conn, kSchemaSteps[step], reason);
  if (ok && version < kSchemaVersion) {
    std::string record = "DELETE FROM trivello_schema; INSERT INTO trivello_schema VALUES (" +
                         std::to_string(kSchemaVersion) + ")";
    ok = run(conn, record.c_str(), reason);
  }
  if (ok && run(conn, "COMMIT", reason))
    return true;
  std::string ignored;
  run(conn, "ROLLBACK", ignored);
  setError(reason);
  return false;
}

// Prepares the store's statements on a new connection.
bool PgStore::prepare(PGconn *conn) {
  for (const Statement &s : kStatements) {
    PGresult *res = PQprepare(conn, s.name, s.sql, s.params, s.types);
    bool ok = PQresultStatus(res) == PGRES_COMMAND_OK;
    PQclear(res);
    if (!ok) {
      setError(PQerrorMessage(conn));
      return false;
    }
  }
  return true;
}

// A new connection with the statements prepared, or null (logged).
PGconn *PgStore::connect() {
  PGconn *conn = connectQuietly(_conninfo);
  if (PQstatus(conn) != CONNECTION_OK) {
    fail(PQerrorMessage(conn));
    PQfinish(conn);
    return nullptr;
  }
  if (!prepare(conn)) {
    fail(error());
    PQfinish(conn);
    return nullptr;
  }
  return conn;
}

// An idle connection that still works, else a new one when fewer than the
// maximum are open, else waits for one to be given back. Null (logged) when
// the database cannot be reached.
PGconn *PgStore::borrow() {
  std::unique_lock<std::mutex> lock(_poolLock);
  for (;;) {
    while (!_idle.empty()) {
      PGconn *conn = _idle.back();
      _idle.pop_back();
      if (alive(conn))
        return conn;
      PQfinish(conn);
      _open--;
    }
    if (_open < _max)
      break;
    _freed.wait(lock);
  }
  _open++;
  lock.unlock();
  PGconn *conn = connect();
  if (conn == nullptr) {
    lock.lock();
    _open--;
    _freed.notify_one();
  }
  return conn;
}

// Returns a connection to the pool, or closes it when it is broken.
void PgStore::giveBack(PGconn *conn) {
  bool usable = PQstatus(conn) == CONNECTION_OK && PQtransactionStatus(conn) == PQTRANS_IDLE;
  std::lock_guard<std::mutex> lock(_poolLock);
  if (usable) {
    _idle.push_back(conn);
  } else {
    PQfinish(conn);
    _open--;
  }
  _freed.notify_one();
}

// The top ten through one connection; false (logged) on failure.
bool PgStore::selectTopTen(PGconn *conn, std::vector<Entry> &out) {
  out.clear();
  PGresult *res = PQexecPrepared(conn, "top", 0, nullptr, nullptr, nullptr, 1);
  bool ok = PQresultStatus(res) == PGRES_TUPLES_OK;
  if (ok) {
    for (int row = 0; row < PQntuples(res); row++)
      out.push_back(
          {std::string(PQgetvalue(res, row, 0), (size_t)PQgetlength(res, row, 0)), (int32_t)binaryInt(res, row, 1)});
  } else {
    fail(PQerrorMessage(conn));
  }
  PQclear(res);
  return ok;
}

// The one number a counting statement returns, or -1 (logged).
int64_t PgStore::selectCount(PGconn *conn, const char *statement, int32_t score, bool withScore) {
  uint32_t wire = htonl((uint32_t)score);
  const char *values[] = {reinterpret_cast<const char *>(&wire)};
  int lengths[] = {4};
  int formats[] = {1};
  PGresult *res = PQexecPrepared(conn, statement, withScore ? 1 : 0, values, lengths, formats, 1);
  int64_t n = -1;
  if (PQresultStatus(res) == PGRES_TUPLES_OK && PQntuples(res) == 1)
    n = binaryInt(res, 0, 0);
  else
    fail(PQerrorMessage(conn));
  PQclear(res);
  return n;
}

// Yes below ten scores at least as good; a failed read is tried once more on
// a fresh connection (a read changes nothing, so trying again is safe).
Answer PgStore::qualify(int32_t score) {
  if (score <= kMinScore)
    return Answer::No;
  for (int attempt = 0; attempt < 2; attempt++) {
    PGconn *conn = borrow();
    if (conn == nullptr)
      return Answer::Failed;
    int64_t better = selectCount(conn, "better", score, true);
    bool broken = PQstatus(conn) != CONNECTION_OK;
    giveBack(conn);
    if (better >= 0)
      return better < (int64_t)kTopTenSize ? Answer::Yes : Answer::No;
    if (!broken)
      break;
  }
  return Answer::Failed;
}

// One statement: stored when it still qualifies. Never tried again: after a
// lost connection nobody knows whether the row was committed.
SubmitResult PgStore::submit(const std::string &name, int32_t score) {
  if (score <= kMinScore)
    return SubmitResult::NotQualifying;
  PGconn *conn = borrow();
  if (conn == nullptr)
    return SubmitResult::Failed;
  uint32_t wire = htonl((uint32_t)score);
  const char *values[] = {name.data(), reinterpret_cast<const char *>(&wire)};
  int lengths[] = {(int)name.size(), 4};
  int formats[] = {1, 1};
  PGresult *res = PQexecPrepared(conn, "insert", 2, values, lengths, formats, 1);
  SubmitResult result = SubmitResult::Failed;
  if (PQresultStatus(res) == PGRES_TUPLES_OK)
    result = PQntuples(res) == 1 ? SubmitResult::Stored : SubmitResult::NotQualifying;
  else
    fail(PQerrorMessage(conn));
  PQclear(res);
  giveBack(conn);
  return result;
}

// The committed top ten, read afresh; tried once more on a fresh connection.
bool PgStore::readTopTen(std::vector<Entry> &out) {
  for (int attempt = 0; attempt < 2; attempt++) {
    PGconn *conn = borrow();
    if (conn == nullptr)
      break;
    bool ok = selectTopTen(conn, out);
    bool broken = PQstatus(conn) != CONNECTION_OK;
    giveBack(conn);
    if (ok)
      return true;
    if (!broken)
      break;
  }
  out.clear();
  return false;
}

// Number of rows stored, or -1.
int64_t PgStore::countStored() {
  PGconn *conn = borrow();
  if (conn == nullptr)
    return -1;
  int64_t n = selectCount(conn, "count", 0, false);
  giveBack(conn);
  return n;
}

// The connection's settings without the password, as keyword=value pairs.
std::string describeStore(const std::string &where) {
  if (!isPostgresTarget(where))
    return where;
  char *message = nullptr;
  PQconninfoOption *options = PQconninfoParse(where.c_str(), &message);
  PQfreemem(message);
  if (options == nullptr)
    return "(a PostgreSQL connection string that libpq cannot read)";
  std::string shown;
  for (PQconninfoOption *o = options; o->keyword != nullptr; o++) {
    if (o->val == nullptr || o->val[0] == '\0' || strcmp(o->keyword, "password") == 0)
      continue;
    shown += (shown.empty() ? "" : " ") + std::string(o->keyword) + "=" + o->val;
  }
  PQconninfoFree(options);
  return shown.empty() ? "PostgreSQL (libpq defaults)" : shown;
}

std::string pgWithDatabase(const std::string &conninfo, const std::string &dbname) {
  PQconninfoOption *options = PQconninfoParse(conninfo.c_str(), nullptr);
  std::string out;
  for (PQconninfoOption *o = options; o != nullptr && o->keyword != nullptr; o++)
    if (o->val != nullptr && o->val[0] != '\0' && strcmp(o->keyword, "dbname") != 0)
      out += std::string(o->keyword) + "='" + o->val + "' ";
  PQconninfoFree(options);
  return out + "dbname=" + dbname;
}

} // namespace scores
