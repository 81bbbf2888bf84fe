// A bare HTTP/1.1 client for the score server's tests, over loopback TCP:
// raw request bytes in (half a head, a huge one, from any 127.x.y.z address),
// the reply as it came out. Header only: the store test links no helpers.
#ifndef TRIVELLO_TESTS_SCORESHTTPCLIENT_H
#define TRIVELLO_TESTS_SCORESHTTPCLIENT_H

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

const std::string kScoresBase = "/highscores/trivello/";

// A connection to 127.0.0.1:port from the loopback address `from`; -1 when
// refused. A reply that never comes fails a read after 30 s.
inline int ConnectFrom(int port, const char *from = "127.0.0.1") {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in local{}, server{};
  local.sin_family = AF_INET;
  server.sin_family = AF_INET;
  server.sin_port = htons((uint16_t)port);
  inet_pton(AF_INET, from, &local.sin_addr);
  inet_pton(AF_INET, "127.0.0.1", &server.sin_addr);
  timeval limit{30, 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof(limit));
  if (bind(fd, reinterpret_cast<sockaddr *>(&local), sizeof(local)) != 0 ||
      connect(fd, reinterpret_cast<sockaddr *>(&server), sizeof(server)) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

// Blocks until every byte is sent, or the server has closed (it may, early,
// on a refused head).
inline void SendAll(int fd, const std::string &bytes) { send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL); }

// Reads until the server closes; false when it did not within the limit.
inline bool ReadToClose(int fd, std::string &out) {
  char buf[4096];
  for (;;) {
    ssize_t n = recv(fd, buf, sizeof(buf), 0);
    if (n <= 0)
      return n == 0 || errno != EAGAIN; // end of stream, or a reset after a refused head
    out.append(buf, (size_t)n);
  }
}

struct RawReply {
  int status = 0; // 0: closed without a reply
  std::string head, body;
};

// Sends raw request bytes and reads the whole reply.
inline RawReply Exchange(int port, const std::string &bytes, const char *from = "127.0.0.1") {
  RawReply r;
  std::string raw;
  int fd = ConnectFrom(port, from);
  if (fd < 0)
    return r;
  SendAll(fd, bytes);
  ReadToClose(fd, raw);
  close(fd);
  size_t end = raw.find("\r\n\r\n");
  if (raw.rfind("HTTP/1.1 ", 0) == 0 && end != std::string::npos) {
    r.status = atoi(raw.c_str() + 9);
    r.head = raw.substr(0, end);
    r.body = raw.substr(end + 4);
  }
  return r;
}

// A GET as the game sends it, with any extra header lines.
inline RawReply Get(int port, const std::string &target, const char *from = "127.0.0.1",
                    const std::string &headers = "") {
  return Exchange(port, "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + headers + "\r\n", from);
}

#endif
