// trivello-scores: the high-score server Trivello talks to. One command starts
// it; every game built to point at it shares one top ten.
//
//   trivello-scores [--address A] [--port N] [--db FILE|POSTGRESQL]
//                   [--submits-per-minute N] [--qualifies-per-minute N]
//                   [--max-connections N] [--max-per-address N] [--threads N]
//
// It logs one line to stderr when it starts and stops and for every request
// it refuses or fails. SIGTERM or SIGINT stops it cleanly: requests in
// progress finish, and every score it answered "ok" for is already on disk.
#include <getopt.h>
#include <pthread.h>
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "routes.h"
#include "store.h"

namespace {

struct Options {
  std::string address = "127.0.0.1";
  int port = 8642;
  std::string db;
  scores::ServerOptions server;
};

// The database under the user's data folder ($XDG_DATA_HOME, else
// ~/.local/share), in a "trivello" folder created when missing.
std::string defaultDatabase() {
  std::filesystem::path base;
  const char *xdg = getenv("XDG_DATA_HOME");
  const char *home = getenv("HOME");
  if (xdg != nullptr && xdg[0] == '/')
    base = xdg;
  else
    base = std::filesystem::path(home != nullptr ? home : ".") / ".local" / "share";
  std::filesystem::path dir = base / "trivello";
  std::error_code ignored;
  std::filesystem::create_directories(dir, ignored);
  return (dir / "scores.sqlite").string();
}

void usage() {
  fprintf(stderr, "usage: trivello-scores [--address A] [--port N (0: any free port)]\n"
                  "                       [--db FILE | postgresql://... | \"host=... dbname=...\"]\n"
                  "                       [--submits-per-minute N] [--qualifies-per-minute N] (0: no limit)\n"
                  "                       [--max-connections N] [--max-per-address N] (0: no cap)\n"
                  "                       [--threads N]\n");
}

// Sets `field` from a whole number min..max; false when the text is not one.
template <typename T> bool number(const char *text, long min, long max, T &field) {
  char *end = nullptr;
  long v = strtol(text, &end, 10);
  if (end == text || *end != '\0' || v < min || v > max)
    return false;
  field = (T)v;
  return true;
}

// Reads the command line; false on a bad option.
bool parseOptions(int argc, char **argv, Options &o) {
  static const option longOptions[] = {{"address", required_argument, nullptr, 'a'},
                                       {"port", required_argument, nullptr, 'p'},
                                       {"db", required_argument, nullptr, 'd'},
                                       {"submits-per-minute", required_argument, nullptr, 'r'},
                                       {"qualifies-per-minute", required_argument, nullptr, 'q'},
                                       {"max-connections", required_argument, nullptr, 'c'},
                                       {"max-per-address", required_argument, nullptr, 'm'},
                                       {"threads", required_argument, nullptr, 't'},
                                       {nullptr, 0, nullptr, 0}};
  int c;
  while ((c = getopt_long(argc, argv, "", longOptions, nullptr)) != -1) {
    bool ok = true;
    switch (c) {
    case 'a':
      o.address = optarg;
      break;
    case 'd':
      o.db = optarg;
      break;
    case 'p':
      ok = number(optarg, 0, 65535, o.port);
      break;
    case 'r':
      ok = number(optarg, 0, 1000000, o.server.submitsPerMinute);
      break;
    case 'q':
      ok = number(optarg, 0, 1000000, o.server.qualifiesPerMinute);
      break;
    case 'c':
      ok = number(optarg, 0, 1000000, o.server.maxConnections);
      break;
    case 'm':
      ok = number(optarg, 0, 1000000, o.server.maxPerAddress);
      break;
    case 't':
      ok = number(optarg, 1, 256, o.server.threads);
      break;
    default:
      ok = false;
    }
    if (!ok)
      return false;
  }
  return optind == argc;
}

} // namespace

int main(int argc, char **argv) {
  Options o;
  if (!parseOptions(argc, argv, o)) {
    usage();
    return 2;
  }
  if (o.db.empty())
    o.db = defaultDatabase();

  // Termination signals are taken by sigwait below (blocked everywhere, so
  // no handler runs inside the server's threads, which inherit the mask).
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  signal(SIGPIPE, SIG_IGN);

  std::string storeError;
  std::unique_ptr<scores::ScoreStore> store = scores::openStore(o.db, storeError);
  if (!store) {
    fprintf(stderr, "trivello-scores: cannot open %s: %s\n", scores::describeStore(o.db).c_str(), storeError.c_str());
    return 1;
  }
  scores::ScoreServer server(*store, o.server);
  int port = server.start(o.address, o.port);
  if (port <= 0) {
    fprintf(stderr, "trivello-scores: cannot listen on %s:%d\n", o.address.c_str(), o.port);
    return 1;
  }
  fprintf(stderr,
          "trivello-scores: listening on http://%s:%d/highscores/trivello/ (database %s; %u submits and %u "
          "qualify checks a minute per address; at most %u connections, %u per address)\n",
          o.address.c_str(), port, scores::describeStore(o.db).c_str(), o.server.submitsPerMinute,
          o.server.qualifiesPerMinute, o.server.maxConnections, o.server.maxPerAddress);

  int sig = 0;
  sigwait(&stopSignals, &sig);
  fprintf(stderr, "trivello-scores: stopping on %s\n", sig == SIGINT ? "SIGINT" : "SIGTERM");
  server.stop();
  fprintf(stderr, "trivello-scores: stopped\n");
  return 0;
}
