// Load on the score server: a real trivello-scores server (in this process,
// on a free loopback port, over a fresh database) gets 1000 concurrent
// submits of distinct qualifying scores (rising, so most are written) plus 1000 concurrent reads (top ten
// and qualify checks), all started at once through libcurl's multi interface.
// Prints requests per second and the latency percentiles, and checks that
// nothing was lost: every request answered 200, every "ok" is a stored row,
// and the top ten is the ten best scores sent.
//
//   bench_scores_bench [submits] [worker threads]
#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <numeric>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "routes.h"
#include "store.h"

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

// The p-th percentile (0..100) of sorted values.
double percentile(const std::vector<double> &sorted, double p) {
  size_t i = (size_t)(p / 100.0 * (sorted.size() - 1) + 0.5);
  return sorted[std::min(i, sorted.size() - 1)];
}

// Prints the figures and checks that nothing was lost; true when clean.
bool report(const std::vector<Request> &requests, double wall, scores::ScoreStore &store, int submits,
            unsigned threads) {
  int errors = 0, ok = 0;
  std::vector<double> latencies;
  for (const Request &r : requests) {
    errors += r.status != 200;
    ok += r.submit && r.body == "ok";
    latencies.push_back(r.seconds * 1000);
  }
  std::sort(latencies.begin(), latencies.end());
  int64_t stored = store.countStored();
  std::vector<scores::Entry> top = store.topTen();
  bool topRight = top.size() == 10;
  for (size_t i = 0; topRight && i < top.size(); i++)
    topRight = top[i].score == 550 + 50 * (submits - 1 - (int)i);
  long lost = (long)(ok - stored);

  printf("score server load: %d submits + %d reads at once, %u worker threads\n", submits, submits, threads);
  printf("  wall %.3f s, %.0f requests/s\n", wall, requests.size() / wall);
  printf("  latency ms: p50 %.2f  p90 %.2f  p99 %.2f  max %.2f\n", percentile(latencies, 50),
         percentile(latencies, 90), percentile(latencies, 99), latencies.back());
  printf("  errors %d, submits stored %lld (\"ok\" replies %d), lost %ld, top ten %s\n", errors,
         (long long)stored, ok, lost, topRight ? "right" : "WRONG");
  return errors == 0 && lost == 0 && topRight;
}

} // namespace

int main(int argc, char **argv) {
  int submits = argc > 1 ? atoi(argv[1]) : 1000;
  unsigned threads = argc > 2 ? (unsigned)atoi(argv[2]) : 16;
  if (submits < 10 || threads < 1) {
    fprintf(stderr, "usage: bench_scores_bench [submits >= 10] [worker threads >= 1]\n");
    return 2;
  }
  std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("trivello-scores-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);

  scores::ScoreStore store;
  if (!store.open((dir / "scores.sqlite").string())) {
    fprintf(stderr, "cannot open the database: %s\n", store.error().c_str());
    return 1;
  }
  scores::ServerOptions options;
  // Every request comes from one address here: no rate limits, and room for
  // them all at once.
  options.submitsPerMinute = 0;
  options.qualifiesPerMinute = 0;
  options.maxConnections = 0;
  options.maxPerAddress = 0;
  options.threads = threads;
  scores::ScoreServer server(store, options);
  int port = server.start("127.0.0.1", 0);
  if (port <= 0) {
    fprintf(stderr, "cannot start the server\n");
    return 1;
  }

  // Distinct scores 550, 600, ... in rising order, so that most submits arrive as a
  // new best and must be written (the heaviest case), plus reads interleaved.
  std::vector<int> scores(submits);
  for (int i = 0; i < submits; i++)
    scores[i] = 550 + 50 * i; // scores a game can make
  std::string base = "http://127.0.0.1:" + std::to_string(port) + "/highscores/trivello/";
  std::vector<Request> requests;
  for (int i = 0; i < submits; i++) {
    Request s;
    s.url = base + "scoresubmit.php?name=Player%20" + std::to_string(i) + "&score=" + std::to_string(scores[i]);
    s.submit = true;
    requests.push_back(s);
    Request r;
    r.url = i % 2 ? base + "shown.php" : base + "ishighscore.php?subscore=" + std::to_string(scores[i]);
    requests.push_back(r);
  }

  curl_global_init(CURL_GLOBAL_DEFAULT);
  double wall = runAll(requests);
  server.stop();

  bool clean = report(requests, wall, store, submits, threads);
  std::filesystem::remove_all(dir);
  return clean ? 0 : 1;
}
