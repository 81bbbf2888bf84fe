// Load on the score server, on either store: real trivello-scores processes
// on free loopback ports get `submits` concurrent submits of distinct
// qualifying scores (rising, so most are written) plus as many concurrent
// reads (top ten and qualify checks), split evenly between the instances and
// all started at once through libcurl's multi interface. Prints requests per
// second and latency percentiles per case, and checks that nothing was lost:
// every request answered 200, every "ok" is a stored row, and every instance
// shows the same top ten, the ten best scores sent.
//
// The cases: one instance on SQLite; then, when TRIVELLO_PG names a
// PostgreSQL server (as under tools/with_postgres.sh), two and four instances
// sharing one PostgreSQL database. Each case starts on a fresh database.
//
//   TRIVELLO_PG_FSYNC=on tools/with_postgres.sh build/bench/bench_scores_bench [submits] [threads]
//
// The server is build/trivello-scores beside this program's folder, or
// TRIVELLO_SCORES_BINARY.
#include <curl/curl.h>
#include <libpq-fe.h>
#include <signal.h>
#include <sys/prctl.h> // the servers die with the benchmark
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "store.h"
#include "store_pg.h"

namespace {

struct Request {
  std::string url;
  bool submit = false;
  std::string body;
  long status = 0;
  double seconds = 0;
};

size_t collect(char *data, size_t size, size_t count, void *user) {
  static_cast<Request *>(user)->body.append(data, size * count);
  return size * count;
}

// Runs every request at once; returns the wall time in seconds.
double runAll(std::vector<Request> &requests) {
  CURLM *multi = curl_multi_init();
  std::vector<CURL *> handles;
  for (Request &r : requests) {
    CURL *h = curl_easy_init();
    curl_easy_setopt(h, CURLOPT_URL, r.url.c_str());
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_FORBID_REUSE, 1L);
    curl_easy_setopt(h, CURLOPT_TIMEOUT, 60L);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, collect);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &r);
    curl_easy_setopt(h, CURLOPT_PRIVATE, &r);
    curl_multi_add_handle(multi, h);
    handles.push_back(h);
  }
  auto start = std::chrono::steady_clock::now();
  int running = 1;
  while (running > 0) {
    curl_multi_perform(multi, &running);
    int left = 0;
    while (CURLMsg *m = curl_multi_info_read(multi, &left)) {
      if (m->msg != CURLMSG_DONE)
        continue;
      Request *r = nullptr;
      curl_easy_getinfo(m->easy_handle, CURLINFO_PRIVATE, &r);
      curl_easy_getinfo(m->easy_handle, CURLINFO_RESPONSE_CODE, &r->status);
      curl_off_t us = 0;
      curl_easy_getinfo(m->easy_handle, CURLINFO_TOTAL_TIME_T, &us);
      r->seconds = us / 1e6;
    }
    if (running > 0)
      curl_multi_poll(multi, nullptr, 0, 100, nullptr);
  }
  double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  for (CURL *h : handles) {
    curl_multi_remove_handle(multi, h);
    curl_easy_cleanup(h);
  }
  curl_multi_cleanup(multi);
  return wall;
}

// One request, on its own.
std::string fetch(const std::string &url) {
  std::vector<Request> one(1);
  one[0].url = url;
  runAll(one);
  return one[0].body;
}

// The p-th percentile (0..100) of sorted values.
double percentile(const std::vector<double> &sorted, double p) {
  size_t i = (size_t)(p / 100.0 * (sorted.size() - 1) + 0.5);
  return sorted[std::min(i, sorted.size() - 1)];
}

// A trivello-scores process on a free loopback port; SIGTERM when done.
class Instance {
public:
  Instance(const std::string &binary, const std::string &db, unsigned threads, const std::string &log) {
    std::string threadText = std::to_string(threads);
    pid_t parent = getpid();
    fflush(nullptr); // else the child would write out the parent's buffered output again
    _pid = fork();
    if (_pid == 0) {
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      if (getppid() != parent || freopen(log.c_str(), "w", stdout) == nullptr || dup2(fileno(stdout), 2) < 0)
        _exit(1);
      execl(binary.c_str(), binary.c_str(), "--address", "127.0.0.1", "--port", "0", "--db", db.c_str(),
            "--submits-per-minute", "0", "--qualifies-per-minute", "0", "--max-connections", "0", "--max-per-address",
            "0", "--threads", threadText.c_str(), (char *)nullptr);
      _exit(127);
    }
    const char marker[] = "listening on http://127.0.0.1:";
    for (int i = 0; i < 1000 && _port == 0; i++) {
      std::ifstream in(log);
      std::stringstream text;
      text << in.rdbuf();
      size_t at = text.str().find(marker);
      if (at != std::string::npos)
        _port = atoi(text.str().c_str() + at + strlen(marker));
      else if (waitpid(_pid, nullptr, WNOHANG) == _pid)
        break;
      else
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  ~Instance() {
    kill(_pid, SIGTERM);
    waitpid(_pid, nullptr, 0);
  }
  std::string base() const { return "http://127.0.0.1:" + std::to_string(_port) + "/highscores/trivello/"; }
  int port() const { return _port; }

private:
  pid_t _pid = -1;
  int _port = 0;
};

struct Figures {
  double rps = 0, p50 = 0, p90 = 0, p99 = 0, max = 0;
  int errors = 0;
  long lost = 0;
  bool topRight = false;
};

// One case: `instances` servers over the database `db`; false when a server
// does not start.
bool runCase(const std::string &binary, const std::string &db, int instances, int submits, unsigned threads,
             const std::string &logs, Figures &f) {
  std::vector<std::unique_ptr<Instance>> servers;
  for (int i = 0; i < instances; i++) {
    servers.push_back(std::make_unique<Instance>(binary, db, threads, logs + "-" + std::to_string(i) + ".log"));
    if (servers.back()->port() <= 0) {
      fprintf(stderr, "a server did not start; see %s-%d.log\n", logs.c_str(), i);
      return false;
    }
  }
  // Distinct scores 550, 600, ... (scores a game can make) in rising order, so
  // that most submits arrive as a new best and must be written (the heaviest case), plus reads interleaved.
  std::vector<Request> requests;
  for (int i = 0; i < submits; i++) {
    const std::string base = servers[i % instances]->base();
    Request s;
    s.url = base + "scoresubmit.php?name=Player%20" + std::to_string(i) + "&score=" + std::to_string(550 + 50 * i);
    s.submit = true;
    requests.push_back(s);
    Request r;
    r.url = i % 2 ? base + "shown.php" : base + "ishighscore.php?subscore=" + std::to_string(550 + 50 * i);
    requests.push_back(r);
  }
  double wall = runAll(requests);

  int ok = 0;
  std::vector<double> latencies;
  for (const Request &r : requests) {
    f.errors += r.status != 200;
    ok += r.submit && r.body == "ok";
    latencies.push_back(r.seconds * 1000);
  }
  std::sort(latencies.begin(), latencies.end());
  f.rps = requests.size() / wall;
  f.p50 = percentile(latencies, 50);
  f.p90 = percentile(latencies, 90);
  f.p99 = percentile(latencies, 99);
  f.max = latencies.back();

  std::string expected;
  for (int i = submits - 1; i >= submits - 10; i--)
    expected += (expected.empty() ? "" : ",") + std::string("Player ") + std::to_string(i) + "," +
                std::to_string(550 + 50 * i);
  f.topRight = true;
  for (const auto &s : servers)
    f.topRight = f.topRight && fetch(s->base() + "shown.php") == expected;
  servers.clear(); // every instance stopped before the rows are counted

  std::string error;
  std::unique_ptr<scores::ScoreStore> store = scores::openStore(db, error);
  int64_t stored = store ? store->countStored() : -1;
  f.lost = (long)(ok - stored);
  return true;
}

// A new database on the server `conninfo` reaches; its connection string.
std::string freshDatabase(const std::string &conninfo, const std::string &name) {
  PGconn *conn = PQconnectdb(conninfo.c_str());
  std::string sql = "CREATE DATABASE " + name;
  PGresult *res = PQexec(conn, sql.c_str());
  bool ok = PQresultStatus(res) == PGRES_COMMAND_OK;
  if (!ok)
    fprintf(stderr, "cannot create the database: %s", PQerrorMessage(conn));
  PQclear(res);
  PQfinish(conn);
  return ok ? scores::pgWithDatabase(conninfo, name) : "";
}

} // namespace

int main(int argc, char **argv) {
  int submits = argc > 1 ? atoi(argv[1]) : 1000;
  unsigned threads = argc > 2 ? (unsigned)atoi(argv[2]) : 4;
  // 2000 distinct scores a game can make: 550 to 100 500 in steps of 50.
  if (submits < 10 || submits > 2000 || threads < 1) {
    fprintf(stderr, "usage: bench_scores_bench [10 <= submits <= 2000] [worker threads >= 1]\n");
    return 2;
  }
  std::string binary =
      getenv("TRIVELLO_SCORES_BINARY") != nullptr
          ? getenv("TRIVELLO_SCORES_BINARY")
          : (std::filesystem::canonical("/proc/self/exe").parent_path().parent_path() / "trivello-scores").string();
  const char *pg = getenv("TRIVELLO_PG");
  std::filesystem::path dir = std::filesystem::temp_directory_path() /
                              ("trivello-scores-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  curl_global_init(CURL_GLOBAL_DEFAULT);

  struct Case {
    const char *store;
    int instances;
  };
  std::vector<Case> cases = {{"SQLite", 1}};
  if (pg != nullptr && pg[0] != '\0')
    cases.insert(cases.end(), {{"PostgreSQL", 2}, {"PostgreSQL", 4}});
  else
    printf("(TRIVELLO_PG is not set: SQLite only; run under tools/with_postgres.sh for PostgreSQL)\n");

  printf("score server load: %d submits + %d reads at once, split between the instances, %u worker threads each\n",
         submits, submits, threads);
  printf("%-11s %9s %11s %8s %8s %8s %8s %7s %5s %8s\n", "store", "instances", "requests/s", "p50 ms", "p90 ms",
         "p99 ms", "max ms", "errors", "lost", "top ten");
  bool clean = true;
  for (const Case &c : cases) {
    std::string name = std::string(c.store) + "-" + std::to_string(c.instances);
    std::string db = c.instances == 1 && std::string(c.store) == "SQLite"
                         ? (dir / "scores.sqlite").string()
                         : freshDatabase(pg, "bench_" + std::to_string(getpid()) + "_" + std::to_string(c.instances));
    Figures f;
    if (db.empty() || !runCase(binary, db, c.instances, submits, threads, (dir / name).string(), f)) {
      clean = false;
      continue;
    }
    printf("%-11s %9d %11.0f %8.2f %8.2f %8.2f %8.2f %7d %5ld %8s\n", c.store, c.instances, f.rps, f.p50, f.p90, f.p99,
           f.max, f.errors, f.lost, f.topRight ? "same" : "WRONG");
    fflush(stdout);
    clean = clean && f.errors == 0 && f.lost == 0 && f.topRight;
  }
  std::filesystem::remove_all(dir);
  return clean ? 0 : 1;
}
