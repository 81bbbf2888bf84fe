// CannedHttpServer (see CannedHttpServer.h).
#include "CannedHttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace testsupport {

namespace {

// A TCP socket bound to 127.0.0.1 on a free port, or -1; fills port.
int bindLoopback(int *port) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  if (fd >= 0 && bind(fd, (sockaddr *)&addr, sizeof addr) == 0 && getsockname(fd, (sockaddr *)&addr, &len) == 0) {
    *port = ntohs(addr.sin_port);
    return fd;
  }
  if (fd >= 0)
    close(fd);
  return -1;
}

// Whether `fd` has something to read within 20 ms: the server thread polls,
// so that it never blocks past the destructor's stop.
bool readable(int fd) {
  pollfd p{fd, POLLIN, 0};
  return poll(&p, 1, 20) > 0;
}

} // namespace

CannedHttpServer::CannedHttpServer(Handler handler) : _handler(std::move(handler)) {
  _listener = bindLoopback(&_port);
  if (_listener >= 0 && listen(_listener, 16) == 0)
    _thread = std::thread([this] { serve(); });
}

CannedHttpServer::~CannedHttpServer() {
  _stopping = true;
  if (_thread.joinable())
    _thread.join();
  if (_listener >= 0)
    close(_listener);
}

std::string CannedHttpServer::baseUrl() const { return "http://127.0.0.1:" + std::to_string(_port); }

std::vector<std::string> CannedHttpServer::targets() {
  std::lock_guard<std::mutex> lock(_lock);
  return _targets;
}

CannedHttpServer::Reply CannedHttpServer::http(int status, const std::string &body, const std::string &extraHeaders) {
  return Reply{"HTTP/1.1 " + std::to_string(status) + " X\r\nContent-Length: " + std::to_string(body.size()) +
               "\r\nConnection: close\r\n" + extraHeaders + "\r\n" + body};
}

int CannedHttpServer::refusedPort() {
  int port = 0;
  int fd = bindLoopback(&port);
  if (fd >= 0)
    close(fd);
  return port;
}

// Accepts connections one at a time until the server is destroyed.
void CannedHttpServer::serve() {
  while (!_stopping) {
    int client = readable(_listener) ? accept(_listener, nullptr, nullptr) : -1;
    if (client >= 0) {
      answer(client);
      close(client);
    }
  }
}

// Reads one request head and writes the handler's reply; a silent reply
// waits until the client hangs up (or the server stops).
void CannedHttpServer::answer(int client) {
  std::string head;
  char buf[4096];
  while (head.find("\r\n\r\n") == std::string::npos && !_stopping) {
    if (!readable(client))
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
  if (!r.silent)
    send(client, r.bytes.data(), r.bytes.size(), MSG_NOSIGNAL);
  while (r.silent && !_stopping && !(readable(client) && recv(client, buf, sizeof buf, 0) <= 0)) {
  }
}

} // namespace testsupport
