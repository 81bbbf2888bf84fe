// CannedHttpServer: a raw HTTP/1.1 server on 127.0.0.1 (a free port) for the
// web-request tests. For each connection it reads the request head, records
// the request target and writes the bytes the test's handler returns, exactly
// as given, so that malformed, short, huge or missing replies can be staged.
// It stops (and joins its thread) when destroyed.
#ifndef TESTSUPPORT_CANNEDHTTPSERVER_H
#define TESTSUPPORT_CANNEDHTTPSERVER_H

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

class CannedHttpServer {
public:
  // What to send for one request: the raw reply bytes, or with `silent`
  // nothing, the connection held open until the client gives up.
  struct Reply {
    std::string bytes;
    bool silent = false;
  };
  using Handler = std::function<Reply(const std::string &target)>;

  explicit CannedHttpServer(Handler handler);
  ~CannedHttpServer();
  CannedHttpServer(const CannedHttpServer &) = delete;
  CannedHttpServer &operator=(const CannedHttpServer &) = delete;

  // "http://127.0.0.1:<port>"
  std::string baseUrl() const;
  // Request targets received so far ("/path?query"), in order.
  std::vector<std::string> targets();

  // A complete reply with a status line, a Content-Length and the body.
  static Reply http(int status, const std::string &body, const std::string &extraHeaders = "");
  // A port on 127.0.0.1 that nothing listens on (bound, then closed).
  static int refusedPort();

private:
  void serve();
  void answer(int client);

  Handler _handler;
  int _listener = -1;
  int _port = 0;
  std::atomic<bool> _stopping{false};
  std::mutex _lock;
  std::vector<std::string> _targets;
  std::thread _thread;
};

} // namespace testsupport

#endif
