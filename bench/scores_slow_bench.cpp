// Slow and greedy clients against the score server: each trivello-scores
// binary named on the command line is started on a free loopback port over a
// fresh database, and put through three runs:
//  1. 200 connections that send half a request line and 16 that drip one
//     header byte a second, each opened again at once when the server closes
//     it; meanwhile a well-formed top-ten request every half second, timed
//     from connect to the end of its answer (target: within 1 s);
//  2. 100 connections that each send one endless header line (up to 8 MB
//     each) for 6 s: the server's resident memory before, at its peak and 3 s
//     after they closed (target: a rise under 64 MB, given back);
//  3. top-ten reads a second, 8 clients in a loop, one connection a request.
// Each run starts a fresh server process.
// The attacking connections come from their own loopback addresses
// (127.0.1.x, ...), so that a cap per address alone cannot turn them away;
// the timed requests come from 127.0.0.1. The figures of all binaries are
// printed side by side.
//
//   bench_scores_slow_bench TRIVELLO_SCORES [TRIVELLO_SCORES ...]
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

const char kTopTen[] = "GET /highscores/trivello/shown.php HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";

double secondsSince(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

// A free TCP port on 127.0.0.1 (bound, then released).
int freePort() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof(a));
  socklen_t n = sizeof(a);
  getsockname(fd, reinterpret_cast<sockaddr *>(&a), &n);
  close(fd);
  return ntohs(a.sin_port);
}

// A connection to 127.0.0.1:port from the loopback address `from`; -1 on failure.
int connectFrom(int port, const std::string &from, bool nonBlocking = false) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  inet_pton(AF_INET, from.c_str(), &local.sin_addr);
  sockaddr_in server{};
  server.sin_family = AF_INET;
  server.sin_port = htons((uint16_t)port);
  server.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(fd, reinterpret_cast<sockaddr *>(&local), sizeof(local)) != 0 ||
      connect(fd, reinterpret_cast<sockaddr *>(&server), sizeof(server)) != 0) {
    close(fd);
    return -1;
  }
  if (nonBlocking)
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
  return fd;
}

// Sends a request and reads to the end of the answer; the seconds it took,
// or -1 when no complete answer came within `limit` seconds. `status` gets
// the status code (0 for none).
double timedRequest(int port, const std::string &request, double limit, int &status) {
  status = 0;
  auto start = Clock::now();
  int fd = connectFrom(port, "127.0.0.1");
  if (fd < 0)
    return -1;
  send(fd, request.data(), request.size(), MSG_NOSIGNAL);
  std::string reply;
  char buf[8192];
  bool closed = false;
  while (!closed) {
    int left = (int)((limit - secondsSince(start)) * 1000);
    pollfd p{fd, POLLIN, 0};
    if (left <= 0 || poll(&p, 1, left) <= 0)
      break;
    ssize_t n = recv(fd, buf, sizeof(buf), 0);
    if (n <= 0)
      closed = true;
    else
      reply.append(buf, (size_t)n);
  }
  close(fd);
  if (!closed || reply.compare(0, 9, "HTTP/1.1 ") != 0)
    return -1;
  status = atoi(reply.c_str() + 9);
  return secondsSince(start);
}

// Resident memory of a process in MB.
double residentMb(pid_t pid) {
  FILE *f = fopen(("/proc/" + std::to_string(pid) + "/status").c_str(), "r");
  if (f == nullptr)
    return 0;
  char line[256];
  double kb = 0;
  while (fgets(line, sizeof(line), f) != nullptr)
    if (strncmp(line, "VmRSS:", 6) == 0)
      kb = atof(line + 6);
  fclose(f);
  return kb / 1024.0;
}

// One server process, on its own port and database.
struct Server {
  pid_t pid = -1;
  int port = 0;
  std::filesystem::path dir;

  bool start(const std::string &binary, int index) {
    dir = std::filesystem::temp_directory_path() /
          ("trivello-slow-bench-" + std::to_string(getpid()) + "-" + std::to_string(index));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    port = freePort();
    std::string db = (dir / "scores.sqlite").string(), log = (dir / "server.log").string();
    std::string portText = std::to_string(port);
    pid = fork();
    if (pid == 0) {
      int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      dup2(out, 1);
      dup2(out, 2);
      execl(binary.c_str(), binary.c_str(), "--address", "127.0.0.1", "--port", portText.c_str(), "--db", db.c_str(),
            (char *)nullptr);
      _exit(127);
    }
    for (int i = 0; i < 100; i++) {
      int status = 0;
      if (timedRequest(port, kTopTen, 1.0, status) >= 0 && status == 200)
        return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }

  void stop() {
    if (pid > 0) {
      kill(pid, SIGTERM);
      waitpid(pid, nullptr, 0);
    }
    pid = -1;
    std::filesystem::remove_all(dir);
  }
};

struct Figures {
  double idleMs = -1;                           // a request with nobody else around
  int probes = 0;                               // timed requests under the slow clients
  int probesWithin1s = 0;                       // of those, answered 200 within 1 s
  double probeMedianMs = -1, probeWorstMs = -1; // -1 entries: unanswered within 10 s
  int unanswered = 0;
  long reopened = 0; // slow connections the server closed (and the bench opened again)
  double memBefore = 0, memPeak = 0, memAfter = 0;
  double sentMb = 0; // endless-line bytes sent before the server closed the connections
  double readsPerSecond = 0;
};

// Run 1: slow connections held open, well-formed requests timed meanwhile.
void slowClients(const Server &s, Figures &f) {
  struct Slow {
    int fd = -1;
    std::string from;
    bool dripper = false;
  };
  std::vector<Slow> slow;
  for (int i = 0; i < 200; i++)
    slow.push_back({-1, "127.0.1." + std::to_string(i % 250 + 1), false});
  for (int i = 0; i < 16; i++)
    slow.push_back({-1, "127.0.3." + std::to_string(i + 1), true});
  auto open = [&](Slow &c) {
    c.fd = connectFrom(s.port, c.from, true);
    if (c.fd < 0)
      return;
    const char *first = c.dripper ? "GET /highscores/trivello/shown.php HTTP/1.1\r\nX-Drip: "
                                  : "GET /highscores/trivello/sho";
    send(c.fd, first, strlen(first), MSG_NOSIGNAL);
  };
  std::atomic<bool> done{false};
  std::atomic<long> reopened{0};
  std::thread keeper([&] {
    for (Slow &c : slow)
      open(c);
    auto lastDrip = Clock::now();
    while (!done) {
      bool drip = secondsSince(lastDrip) >= 1.0;
      if (drip)
        lastDrip = Clock::now();
      for (Slow &c : slow) {
        char buf[512];
        bool gone = c.fd < 0;
        if (!gone) {
          ssize_t n = recv(c.fd, buf, sizeof(buf), MSG_DONTWAIT);
          gone = n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
          if (!gone && drip && c.dripper)
            gone = send(c.fd, "x", 1, MSG_NOSIGNAL) != 1;
        }
        if (gone) {
          if (c.fd >= 0) {
            close(c.fd);
            reopened++;
          }
          open(c);
        }
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    for (Slow &c : slow)
      if (c.fd >= 0)
        close(c.fd);
  });
  std::this_thread::sleep_for(std::chrono::seconds(2));
  std::vector<double> times;
  auto start = Clock::now();
  while (secondsSince(start) < 8.0) {
    auto probe = Clock::now();
    int status = 0;
    double t = timedRequest(s.port, kTopTen, 10.0, status);
    f.probes++;
    if (t < 0 || status != 200) {
      f.unanswered++;
      times.push_back(1e9);
    } else {
      times.push_back(t * 1000);
      f.probesWithin1s += t <= 1.0;
    }
    double rest = 0.5 - secondsSince(probe);
    if (rest > 0)
      std::this_thread::sleep_for(std::chrono::duration<double>(rest));
  }
  done = true;
  keeper.join();
  f.reopened = reopened;
  std::sort(times.begin(), times.end());
  f.probeMedianMs = times[times.size() / 2] >= 1e9 ? -1 : times[times.size() / 2];
  f.probeWorstMs = times.back() >= 1e9 ? -1 : times.back();
}

// Run 2: endless header lines; the server's memory while they go on and after.
void endlessLines(const Server &s, Figures &f) {
  const size_t kPerConnection = 8u << 20;
  f.memBefore = residentMb(s.pid);
  struct Greedy {
    int fd;
    size_t sent;
  };
  std::vector<Greedy> greedy;
  for (int i = 0; i < 100; i++) {
    int fd = connectFrom(s.port, "127.0.4." + std::to_string(i + 1), true);
    const char *head = "GET /highscores/trivello/shown.php HTTP/1.1\r\nX-Endless: ";
    if (fd >= 0)
      send(fd, head, strlen(head), MSG_NOSIGNAL);
    greedy.push_back({fd, 0});
  }
  std::string chunk(64 * 1024, 'a');
  auto start = Clock::now(), lastSample = start;
  f.memPeak = f.memBefore;
  size_t total = 0;
  while (secondsSince(start) < 6.0) {
    for (Greedy &g : greedy) {
      if (g.fd < 0 || g.sent >= kPerConnection)
        continue;
      ssize_t n = send(g.fd, chunk.data(), chunk.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n > 0) {
        g.sent += (size_t)n;
        total += (size_t)n;
      } else if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
        close(g.fd); // the server refused the line: that connection is done
        g.fd = -1;
      }
    }
    if (secondsSince(lastSample) >= 0.05) {
      f.memPeak = std::max(f.memPeak, residentMb(s.pid));
      lastSample = Clock::now();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  f.memPeak = std::max(f.memPeak, residentMb(s.pid));
  f.sentMb = total / 1048576.0;
  for (Greedy &g : greedy)
    if (g.fd >= 0)
      close(g.fd);
  std::this_thread::sleep_for(std::chrono::seconds(3));
  f.memAfter = residentMb(s.pid);
}

// Run 3: top-ten reads a second from 8 clients.
void reads(const Server &s, Figures &f) {
  int status = 0;
  f.idleMs = timedRequest(s.port, kTopTen, 10.0, status) * 1000;
  std::atomic<long> count{0};
  std::atomic<bool> done{false};
  std::vector<std::thread> clients;
  for (int i = 0; i < 8; i++)
    clients.emplace_back([&] {
      while (!done) {
        int status = 0;
        if (timedRequest(s.port, kTopTen, 5.0, status) >= 0 && status == 200)
          count++;
      }
    });
  auto start = Clock::now();
  std::this_thread::sleep_for(std::chrono::seconds(3));
  done = true;
  for (std::thread &t : clients)
    t.join();
  f.readsPerSecond = count / secondsSince(start);
}

// Ten scores, from ten addresses (submits are limited per address).
void seed(const Server &s) {
  for (int i = 0; i < 10; i++) {
    int fd = connectFrom(s.port, "127.0.2." + std::to_string(i + 1));
    if (fd < 0)
      continue;
    std::string r = "GET /highscores/trivello/scoresubmit.php?name=Player%20" + std::to_string(i) +
                    "&score=" + std::to_string(1000 + 500 * i) + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
    send(fd, r.data(), r.size(), MSG_NOSIGNAL);
    char buf[1024];
    while (recv(fd, buf, sizeof(buf), 0) > 0) {
    }
    close(fd);
  }
}

std::string ms(double v) {
  char t[32];
  if (v < 0)
    return "none in 10 s";
  snprintf(t, sizeof(t), "%.1f ms", v);
  return t;
}

std::string mb(double v) {
  char t[32];
  snprintf(t, sizeof(t), "%.1f MB", v);
  return t;
}

} // namespace

int main(int argc, char **argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: bench_scores_slow_bench TRIVELLO_SCORES [TRIVELLO_SCORES ...]\n");
    return 2;
  }
  signal(SIGPIPE, SIG_IGN);
  std::vector<Figures> all;
  for (int i = 1; i < argc; i++) {
    Figures f;
    fprintf(stderr, "bench: %s\n", argv[i]);
    // Each run on a fresh server, so that what one run leaves behind (queued
    // connections, memory) does not weigh on the next.
    void (*runs[])(const Server &, Figures &) = {reads, slowClients, endlessLines};
    for (auto run : runs) {
      Server s;
      if (!s.start(argv[i], i)) {
        fprintf(stderr, "bench: %s did not start\n", argv[i]);
        s.stop();
        return 1;
      }
      seed(s);
      run(s, f);
      s.stop();
    }
    all.push_back(f);
  }

  std::vector<std::pair<std::string, std::vector<std::string>>> rows;
  auto row = [&](const char *name, auto value) {
    std::vector<std::string> cells;
    for (const Figures &f : all)
      cells.push_back(value(f));
    rows.emplace_back(name, cells);
  };
  row("top ten, no other clients", [](const Figures &f) { return ms(f.idleMs); });
  row("under 200 half lines + 16 drippers: answered 200 within 1 s",
      [](const Figures &f) { return std::to_string(f.probesWithin1s) + " of " + std::to_string(f.probes); });
  row("  median answer", [](const Figures &f) { return ms(f.probeMedianMs); });
  row("  slowest answer", [](const Figures &f) { return ms(f.probeWorstMs); });
  row("  slow connections the server closed", [](const Figures &f) { return std::to_string(f.reopened); });
  row("100 endless header lines: bytes sent before it closed them", [](const Figures &f) { return mb(f.sentMb); });
  row("  resident memory before", [](const Figures &f) { return mb(f.memBefore); });
  row("  peak rise", [](const Figures &f) { return mb(f.memPeak - f.memBefore); });
  row("  still held 3 s after they closed", [](const Figures &f) { return mb(f.memAfter - f.memBefore); });
  row("top-ten reads a second (8 clients)", [](const Figures &f) {
    char t[32];
    snprintf(t, sizeof(t), "%.0f", f.readsPerSecond);
    return std::string(t);
  });

  for (int i = 1; i < argc; i++)
    printf("server %d: %s\n", i, argv[i]);
  printf("%-62s", "");
  for (int i = 1; i < argc; i++)
    printf(" | server %-11d", i);
  printf("\n");
  for (auto &[name, cells] : rows) {
    printf("%-62s", name.c_str());
    for (const std::string &c : cells)
      printf(" | %-18s", c.c_str());
    printf("\n");
  }
  return 0;
}
