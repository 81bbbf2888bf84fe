// CannedHttpServer (see CannedHttpServer.h).
#include "CannedHttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace testsupport {

namespace {

// A TCP socket bound to 127.0.0.1 on a free port; fills port.
int bindLoopback(int *port) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  if (fd < 0 || bind(fd, (sockaddr *)&addr, sizeof addr) != 0 || getsockname(fd, (sockaddr *)&addr, &len) != 0) {
    if (fd >= 0)
      close(fd);
    return -1;
  }
  *port = ntohs(addr.sin_port);
  return fd;
}

} // namespace

// Binds a free loopback port and starts serving on a thread of its own.
CannedHttpServer::CannedHttpServer(Handler handler) : _handler(std::move(handler)) {
  _listener = bindLoopback(&_port);
  if (_listener >= 0 && listen(_listener, 16) == 0)
    _thread = std::thread([this] { serve(); });
}

// Stops serving and joins the thread.
CannedHttpServer::~CannedHttpServer() {
  _stopping = true;
  if (_thread.joinable())
    _thread.join();
  if (_listener >= 0)
    close(_listener);
}

// "http://127.0.0.1:<port>".
std::string CannedHttpServer::baseUrl() const { return "http://127.0.0.1:" + std::to_string(_port); }

// The request targets received so far.
std::vector<std::string> CannedHttpServer::targets() {
  std::lock_guard<std::mutex> lock(_lock);
  return _targets;
}

// A whole reply: status line, length, the extra headers, the body.
CannedHttpServer::Reply CannedHttpServer::http(int status, const std::string &body, const std::string &extraHeaders) {
  Reply r;
  r.bytes = "HTTP/1.1 " + std::to_string(status) + " X\r\nContent-Length: " + std::to_string(body.size()) +
            "\r\nConnection: close\r\n" + extraHeaders + "\r\n" + body;
  return r;
}

// A loopback port nothing listens on.
int CannedHttpServer::refusedPort() {
  int port = 0;
  int fd = bindLoopback(&port);
  if (fd >= 0)
    close(fd);
  return port;
}

// Accepts connections until the server is destroyed (polling, so that the
// destructor never waits on a blocked accept).
void CannedHttpServer::serve() {
  while (!_stopping) {
    pollfd p{_listener, POLLIN, 0};
    if (poll(&p, 1, 20) <= 0)
      continue;
    int client = accept(_listener, nullptr, nullptr);
    if (client < 0)
      continue;
    answer(client);
    close(client);
  }
}

// Reads one request head and writes the handler's reply; a silent reply
// waits until the client hangs up (or the server stops).
void CannedHttpServer::answer(int client) {
  std::string head;
  char buf[4096];
  while (head.find("\r\n\r\n") == std::string::npos && !_stopping) {
    pollfd p{client, POLLIN, 0};
    if (poll(&p, 1, 20) <= 0)
      continue;
    ssize_t n = recv(client, buf, sizeof buf, 0);
    if (n <= 0)
      return;
    head.append(buf, (size_t)n);
  }
  size_t sp1 = head.find(' ');
  size_t sp2 = head.find(' ', sp1 + 1);
  std::string target = sp1 == std::string::npos ? "" : head.substr(sp1 + 1, sp2 - sp1 - 1);
  {
    std::lock_guard<std::mutex> lock(_lock);
    _targets.push_back(target);
  }
  Reply r = _handler(target);
  if (!r.silent) {
    send(client, r.bytes.data(), r.bytes.size(), MSG_NOSIGNAL);
    return;
  }
  while (!_stopping) {
    pollfd p{client, POLLIN, 0};
    if (poll(&p, 1, 20) > 0 && recv(client, buf, sizeof buf, 0) <= 0)
      return;
  }
}

} // namespace testsupport
