// The score server's HTTP side on GNU libmicrohttpd: the three game requests
// and the web page, the score bound, the per-address limits of submits and
// qualify checks, and the bounds on connections and request heads.
//
// libmicrohttpd runs a few threads, each with its own epoll loop, so a client
// that sends slowly holds a connection but no thread. On top of the library's
// own limits the server keeps:
//  - a deadline for the whole request head from the moment of connection (a
//    client that drips bytes never goes idle, so an idle time-out alone does
//    not end it);
//  - the head bounds of guards.h (431);
//  - caps on connections in all and per address, answered with 503; a margin
//    above them is closed without an answer by the library itself.
#ifndef TRIVELLO_SCORES_ROUTES_H
#define TRIVELLO_SCORES_ROUTES_H

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "guards.h"
#include "query.h"
#include "store.h"

struct MHD_Daemon;
struct MHD_Connection;

namespace scores {

struct ServerOptions {
  unsigned submitsPerMinute = 6;    // per address; 0: no limit
  unsigned qualifiesPerMinute = 30; // per address; 0: no limit
  unsigned threads = 4;             // event loops; more lose reads to wake-ups on two cores
  unsigned maxConnections = 1000;   // in all, beyond which requests get 503
  unsigned maxPerAddress = 32;      // from one address, beyond which requests get 503
  unsigned headTimeoutMs = 5000;    // the whole request head must arrive within this
  // Where the log lines go (one line each, without its newline); stderr when
  // empty.
  std::function<void(const std::string &)> log;
  // The clock of the head deadline; the steady clock when empty (tests set
  // their own and call closeLateHeads()).
  std::function<std::chrono::steady_clock::time_point()> clock;
};

// The answer to one request.
struct Reply {
  int status = 200;
  std::string contentType;
  std::string body;
  std::string refusal; // why it was refused or failed; empty for a served request
};

class ScoreServer {
public:
  ScoreServer(ScoreStore &store, const ServerOptions &options);
  ~ScoreServer(); // stops
  ScoreServer(const ScoreServer &) = delete;
  ScoreServer &operator=(const ScoreServer &) = delete;

  // Serves on address:port (IPv4 or IPv6 text; port 0 picks a free one) from
  // threads of its own; the port, or -1.
  int start(const std::string &address, int port);
  // Closes every connection and stops; requests in progress finish first.
  void stop();

  // What the server answers a request head (method, raw target with its
  // query, client address), without the connection and head checks.
  Reply answer(const std::string &method, const std::string &target, const std::string &address);
  // Closes the connections whose request head has not arrived within the
  // deadline (a thread of the server does this a few times a second).
  void closeLateHeads();
  // Writes one line to the log.
  void log(const std::string &line);
  // Connections open now.
  size_t openConnections();

private:
  struct Connection;
  struct Rendered;             // the top ten as the reply and as the page
  friend struct HttpCallbacks; // the library's callbacks, in routes.cpp
  bool handle(MHD_Connection *c, const char *method, const char *version);
  void requestLine(MHD_Connection *c, const char *uri);
  void connectionStarted(MHD_Connection *c, void **socketContext);
  void connectionClosed(void **socketContext);
  void reapLateHeads();
  std::chrono::steady_clock::time_point now() const;
  std::shared_ptr<const Rendered> rendered();
  Reply qualify(const QueryParams &params, const std::string &address);
  Reply submitScore(const QueryParams &params, const std::string &address);
  double seconds() const;

  ScoreStore &_store;
  ServerOptions _options;
  RateLimiter _submits;
  RateLimiter _qualifies;
  std::chrono::steady_clock::time_point _start = std::chrono::steady_clock::now();
  MHD_Daemon *_daemon = nullptr;

  std::mutex _connLock; // guards the connection records below
  std::unordered_set<Connection *> _connections;
  std::unordered_map<std::string, unsigned> _perAddress;

  std::mutex _renderLock;
  std::shared_ptr<const Rendered> _rendered;

  std::mutex _reaperLock;
  std::condition_variable _reaperWake;
  bool _stopping = false;
  std::thread _reaper;
};

} // namespace scores

#endif
