// The score server's HTTP side: the three game requests, the web page, the
// per-address submit limit and the request bounds, set up on a cpp-httplib
// server.
#ifndef TRIVELLO_SCORES_ROUTES_H
#define TRIVELLO_SCORES_ROUTES_H

#include <httplib.h>

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>

#include "query.h"
#include "store.h"

namespace scores {

// A token bucket per client address: `perMinute` submits, refilled evenly
// over a minute, with a burst of the same size. 0 switches the limit off.
class RateLimiter {
public:
  explicit RateLimiter(unsigned perMinute) : _perMinute(perMinute) {}
  // True when the address may submit now (`nowSeconds` from any steady clock);
  // takes one token.
  bool allow(const std::string &address, double nowSeconds);
  // Addresses remembered now.
  size_t tracked();

private:
  struct Bucket {
    double tokens;
    double last;
  };
  static constexpr size_t kMaxTracked = 10000; // addresses remembered at most
  unsigned _perMinute;
  std::mutex _lock;
  std::unordered_map<std::string, Bucket> _buckets;
};

struct ServerOptions {
  unsigned submitsPerMinute = 6;
  unsigned threads = 16;
};

// The HTTP server of the score store.
class ScoreServer : public httplib::Server {
public:
  ScoreServer(ScoreStore &store, const ServerOptions &options);
  // Binds to address:port (port 0 picks a free one); the port, or -1.
  int bindTo(const std::string &address, int port);

private:
  void installRoutes();
  void qualify(const httplib::Request &req, httplib::Response &res);
  void submitScore(const httplib::Request &req, httplib::Response &res);
  bool readQuery(const httplib::Request &req, httplib::Response &res, QueryParams &params);

  ScoreStore &_store;
  RateLimiter _limiter;
  std::chrono::steady_clock::time_point _start = std::chrono::steady_clock::now();
};

} // namespace scores

#endif
