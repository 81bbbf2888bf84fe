// trivello-scores: query parsing, the name and score rules, the rate limits,
// the head bounds, the web page, and a real server on a free loopback port:
// its routes, the score bound, the head limits and deadline, the connection
// caps and the log. The stores have their own test (scores_store_test.cpp).
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "guards.h"
#include "page.h"
#include "query.h"
#include "routes.h"
#include "scorelimit.h"
#include "store_sqlite.h"

using namespace scores;

namespace {

// A fresh database path under the temporary folder, removed afterwards.
class TempDatabase {
public:
  TempDatabase() {
    _dir = std::filesystem::temp_directory_path() /
           ("trivello-scores-test-" + std::to_string(getpid()) + "-" + std::to_string(_next++));
    std::filesystem::create_directories(_dir);
  }
  ~TempDatabase() { std::filesystem::remove_all(_dir); }
  std::string path() const { return (_dir / "scores.sqlite").string(); }

private:
  static inline int _next = 0;
  std::filesystem::path _dir;
};

// ---- query parsing -----------------------------------------------------------

TEST(ScoresQuery, ParsesOnlyUnambiguousQueries) {
  struct Case {
    std::string raw;
    bool ok;
    QueryParams expected;
  } cases[] = {
      {"name=Your%20Name&score=900", true, {{"name", "Your Name"}, {"score", "900"}}},
      {"name=a+b&score=1&", true, {{"name", "a b"}, {"score", "1"}}},
      {"name=%e9%E8", true, {{"name", "\xE9\xE8"}}},
      {"name=a%26score%3D9", true, {{"name", "a&score=9"}}},
      {"", true, {}},
      {"name=", true, {{"name", ""}}},
      {"score=1&score=2", false, {}},
      {"name=%zz", false, {}},
      {"name=%4", false, {}},
      {"name=%", false, {}},
      {"name", false, {}},
      {"=x", false, {}},
      {"%6e%61%6d%65=a&name=b", false, {}},
      {"name=" + std::string(kMaxQueryBytes, 'a'), false, {}},
  };
  for (const Case &c : cases) {
    QueryParams got;
    EXPECT_EQ(parseQuery(c.raw, got), c.ok) << c.raw;
    if (c.ok) {
      EXPECT_EQ(got, c.expected) << c.raw;
    }
  }
}

TEST(ScoresQuery, ScoresAreDigitsWithinThirtyTwoBits) {
  struct Case {
    const char *text;
    bool ok;
    int32_t value;
  } cases[] = {
      {"0", true, 0},           {"501", true, 501},        {"0000900", true, 900}, {"2147483647", true, 2147483647},
      {"2147483648", false, 0}, {"99999999999", false, 0}, {"-1", false, 0},       {"+5", false, 0},
      {" 5", false, 0},         {"5 ", false, 0},          {"", false, 0},         {"12abc", false, 0},
      {"1e3", false, 0}};
  for (const Case &c : cases) {
    int32_t v = -7;
    EXPECT_EQ(parseScore(c.text, v), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(v, c.value) << c.text;
    }
  }
}

TEST(ScoresQuery, NamesAreCleanedToTwentyFourBytesOfLatin1) {
  struct Case {
    std::string raw, stored;
  } cases[] = {
      {"Your Name", "Your Name"},
      {"  Ann  ", "Ann"},
      {"a,b,,c", "a b  c"},
      {"tab\there\x7f\x01\x85", "tabhere"},
      {"Ren\xE9", "Ren\xE9"},
      {std::string(30, 'x'), std::string(24, 'x')},
      {std::string(23, 'x') + "  y", std::string(23, 'x')},
      {"", "Anonymous"},
      {" , \t ", "Anonymous"},
      {std::string("a\0b", 3), "ab"},
  };
  for (const Case &c : cases)
    EXPECT_EQ(cleanName(c.raw), c.stored) << c.raw;
}

// ---- page ----------------------------------------------------------------------

TEST(ScoresPage, NamesAreUtf8AndEscaped) {
  EXPECT_EQ(latin1ToUtf8("Ren\xE9 \xFF"), "Ren\xC3\xA9 \xC3\xBF");
  EXPECT_EQ(htmlEscape("<script>&\"'"), "&lt;script&gt;&amp;&quot;&#39;");
  std::string page = topTenPage({{"<script>alert(1)</script>\xE9", 900}});
  EXPECT_EQ(page.find("<script>"), std::string::npos);
  EXPECT_NE(page.find("&lt;script&gt;alert(1)&lt;/script&gt;\xC3\xA9"), std::string::npos);
  EXPECT_EQ(plainTopTen({{"Ann", 900}, {"Bob", 800}}), "Ann,900,Bob,800");
  EXPECT_EQ(plainTopTen({}), ","); // not empty: an empty body is a failed request to the game
}

// ---- submit limit -----------------------------------------------------------------

TEST(RateLimiter, AllowsABurstThenRefillsOverTheMinutePerAddress) {
  RateLimiter limiter(3);
  EXPECT_TRUE(limiter.allow("a", 0));
  EXPECT_TRUE(limiter.allow("a", 0));
  EXPECT_TRUE(limiter.allow("a", 0));
  EXPECT_FALSE(limiter.allow("a", 1));
  EXPECT_TRUE(limiter.allow("b", 1));
  EXPECT_TRUE(limiter.allow("a", 21)); // one token every 20 s
  EXPECT_FALSE(limiter.allow("a", 22));
  RateLimiter off(0);
  for (int i = 0; i < 100; i++)
    EXPECT_TRUE(off.allow("a", 0));
}

TEST(RateLimiter, AddressesAgeOutOneByOneAfterAQuietMinute) {
  RateLimiter limiter(2);
  limiter.allow("a", 0);
  limiter.allow("b", 10);
  limiter.allow("c", 20);
  struct Case {
    double now;
    size_t tracked; // after a request from "d" at `now`
  } cases[] = {{30, 4}, {59.9, 4}, {60, 3}, {69.9, 3}, {70.5, 2}, {80.5, 1}, {200, 1}};
  // "a" goes at 60, "b" at 70, "c" at 80; "d" itself stays, used each time.
  for (const Case &c : cases) {
    limiter.allow("d", c.now);
    EXPECT_EQ(limiter.tracked(), c.tracked) << c.now;
  }
}

TEST(RateLimiter, AFullTableForgetsOnlyTheQuietestAddress) {
  RateLimiter limiter(2, 100);
  ASSERT_TRUE(limiter.allow("busy", 0));
  ASSERT_TRUE(limiter.allow("busy", 0));
  EXPECT_FALSE(limiter.allow("busy", 0));
  // A flood of fresh addresses within the minute, "busy" asking in between.
  for (int i = 0; i < 25000; i++) {
    limiter.allow("10.0." + std::to_string(i), 1 + i * 1e-4);
    if (i % 50 == 0) {
      EXPECT_FALSE(limiter.allow("busy", 1 + i * 1e-4)) << "the flood gave it a fresh burst at " << i;
    }
  }
  EXPECT_EQ(limiter.tracked(), 100u);
}

// ---- head bounds and log text -----------------------------------------------------

TEST(HeadBounds, LinesCountAndSizeAndTheWholeHead) {
  struct Case {
    const char *what;
    size_t requestLine;
    std::vector<std::pair<size_t, size_t>> headers; // key and value bytes
    bool ok;
  } cases[] = {
      {"a usual head", 60, {{4, 9}, {10, 11}, {6, 3}}, true},
      {"64 lines", 60, std::vector<std::pair<size_t, size_t>>(64, {5, 20}), true},
      {"65 lines", 60, std::vector<std::pair<size_t, size_t>>(65, {5, 20}), false},
      {"a line of exactly 8 KiB", 60, {{6, kMaxHeadLineBytes - 8}}, true},
      {"a line one byte over", 60, {{6, kMaxHeadLineBytes - 7}}, false},
      {"a request line over", kMaxHeadLineBytes + 1, {}, false},
      // 100 + 2 + 2 x (6 + 2 + 8000 + 2) + (6 + 2 + 250 + 2) + 2 = 16 384
      {"a head of exactly 16 KiB", 100, {{6, 8000}, {6, 8000}, {6, 250}}, true},
      {"a head one byte over", 100, {{6, 8000}, {6, 8000}, {6, 251}}, false},
  };
  for (const Case &c : cases) {
    HeadSize head(c.requestLine);
    for (auto [k, v] : c.headers)
      head.addHeader(k, v);
    EXPECT_EQ(head.withinBounds(), c.ok) << c.what;
  }
}

TEST(HeadBounds, LogTextKeepsToOneLine) {
  EXPECT_EQ(loggable("/a?b=%E9&c=1"), "/a?b=%E9&c=1");
  EXPECT_EQ(loggable("x\r\nfake line\x1b[1m\xE9"), "x%0D%0Afake line%1B[1m%E9");
  EXPECT_EQ(loggable(std::string(500, 'a'), 10), std::string(10, 'a') + "...");
}

// ---- HTTP ----------------------------------------------------------------------------

// A reply as it came over the socket.
struct RawReply {
  int status = 0; // 0: closed without a reply
  std::string head, body;
};

// A TCP connection to 127.0.0.1:port from the loopback address `from`.
int ConnectFrom(int port, const char *from = "127.0.0.1") {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  inet_pton(AF_INET, from, &local.sin_addr);
  bind(fd, reinterpret_cast<sockaddr *>(&local), sizeof(local));
  sockaddr_in server{};
  server.sin_family = AF_INET;
  server.sin_port = htons((uint16_t)port);
  inet_pton(AF_INET, "127.0.0.1", &server.sin_addr);
  if (connect(fd, reinterpret_cast<sockaddr *>(&server), sizeof(server)) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

void SendAll(int fd, const std::string &bytes) {
  for (size_t sent = 0; sent < bytes.size();) {
    ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0)
      return; // the server may close early on a refused head
    sent += (size_t)n;
  }
}

// Reads until the server closes (at most `limitMs`); true when it closed.
bool ReadToClose(int fd, std::string &out, int limitMs = 5000) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
  char buf[4096];
  for (;;) {
    int left = (int)std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now())
                   .count();
    pollfd p{fd, POLLIN, 0};
    if (left <= 0 || poll(&p, 1, left) <= 0)
      return false;
    ssize_t n = recv(fd, buf, sizeof(buf), 0);
    if (n <= 0)
      return true; // end of stream, or a reset after a refused head
    out.append(buf, (size_t)n);
  }
}

RawReply Parse(const std::string &raw) {
  RawReply r;
  size_t end = raw.find("\r\n\r\n");
  if (raw.compare(0, 9, "HTTP/1.1 ") != 0 || end == std::string::npos)
    return r;
  r.status = atoi(raw.c_str() + 9);
  r.head = raw.substr(0, end);
  r.body = raw.substr(end + 4);
  return r;
}

// Sends raw request bytes and reads the whole reply.
RawReply Exchange(int port, const std::string &bytes, const char *from = "127.0.0.1") {
  int fd = ConnectFrom(port, from);
  if (fd < 0)
    return {};
  SendAll(fd, bytes);
  std::string raw;
  ReadToClose(fd, raw);
  close(fd);
  return Parse(raw);
}

std::string GetRequest(const std::string &target, const std::string &extraHeaders = "") {
  return "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + extraHeaders + "\r\n";
}

// A real server on a free loopback port over a fresh database, its log
// captured.
class ScoresHttp : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(store.open(db.path())); }
  void TearDown() override {
    if (server)
      server->stop();
  }
  void startServer() {
    options.log = [this](const std::string &line) {
      std::lock_guard<std::mutex> lock(logLock);
      logLines.push_back(line);
    };
    server = std::make_unique<ScoreServer>(store, options);
    port = server->start("127.0.0.1", 0);
    ASSERT_GT(port, 0);
  }
  RawReply get(const std::string &target, const char *from = "127.0.0.1") {
    if (!server)
      startServer();
    return Exchange(port, GetRequest(target), from);
  }
  std::vector<std::string> log() {
    std::lock_guard<std::mutex> lock(logLock);
    return logLines;
  }
  // Waits (briefly) until the server holds `n` connections.
  bool waitForConnections(size_t n) {
    for (int i = 0; i < 500 && server->openConnections() != n; i++)
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return server->openConnections() == n;
  }

  TempDatabase db;
  SqliteStore store;
  ServerOptions options = [] {
    ServerOptions o;
    o.submitsPerMinute = 3;
    o.qualifiesPerMinute = 100;
    o.threads = 2;
    return o;
  }();
  std::unique_ptr<ScoreServer> server;
  int port = 0;
  std::mutex logLock;
  std::vector<std::string> logLines;
};

const std::string kBase = "/highscores/trivello/";

TEST_F(ScoresHttp, AnswersTheThreeRequestsInLatin1PlainText) {
  auto r = get(kBase + "ishighscore.php?subscore=550");
  EXPECT_EQ(r.status, 200);
  EXPECT_EQ(r.body, "yes");
  EXPECT_NE(r.head.find("Content-Type: text/plain; charset=ISO-8859-1"), std::string::npos) << r.head;
  EXPECT_NE(r.head.find("Connection: close"), std::string::npos) << r.head;
  EXPECT_EQ(get(kBase + "ishighscore.php?subscore=500").body, "no");
  EXPECT_EQ(get(kBase + "scoresubmit.php?name=Ren%E9%2C%20x&score=900").body, "ok");
  EXPECT_EQ(get(kBase + "scoresubmit.php?name=low&score=400").body, "no");
  EXPECT_EQ(get(kBase + "shown.php").body, "Ren\xE9  x,900");
  EXPECT_TRUE(log().empty()) << log()[0];
}

TEST_F(ScoresHttp, RefusesBadRepeatedMissingAndUnknownParameters) {
  const char *bad[] = {
      "ishighscore.php",
      "ishighscore.php?subscore=",
      "ishighscore.php?subscore=-1",
      "ishighscore.php?subscore=2147483648",
      "ishighscore.php?subscore=1&subscore=1",
      "ishighscore.php?subscore=1&x=2",
      "scoresubmit.php?name=a",
      "scoresubmit.php?score=900",
      "scoresubmit.php?name=a&name=b&score=900",
      "scoresubmit.php?name=%zz&score=900",
      "scoresubmit.php?name=a&score=900&score=99999999",
      "shown.php?x=%",
  };
  for (const char *target : bad)
    EXPECT_EQ(get(kBase + target).status, 400) << target;
  EXPECT_EQ(store.countStored(), 0);
  EXPECT_EQ(log().size(), std::size(bad)) << "one log line per refused request";
}

TEST_F(ScoresHttp, RefusesScoresNoGameCanReach) {
  using scorelimit::kMaxGameScore;
  struct Case {
    std::string request;
    int status;
    const char *body;
  } cases[] = {
      {"scoresubmit.php?name=top&score=" + std::to_string(kMaxGameScore), 200, "ok"},
      {"scoresubmit.php?name=over&score=" + std::to_string(kMaxGameScore + 50), 400, "impossible score"},
      {"scoresubmit.php?name=forged&score=2147483647", 400, "impossible score"},
      {"scoresubmit.php?name=odd&score=951", 400, "impossible score"},
      {"ishighscore.php?subscore=" + std::to_string(kMaxGameScore + 50), 400, "impossible score"},
      {"ishighscore.php?subscore=501", 400, "impossible score"},
      {"ishighscore.php?subscore=" + std::to_string(kMaxGameScore), 200, "yes"}, // the table is not full
      {"scoresubmit.php?name=second&score=" + std::to_string(kMaxGameScore), 200, "ok"},
  };
  for (const Case &c : cases) {
    RawReply r = get(kBase + c.request);
    EXPECT_EQ(r.status, c.status) << c.request;
    EXPECT_EQ(r.body, c.body) << c.request;
  }
  // Equal scores keep the earlier first.
  EXPECT_EQ(get(kBase + "shown.php").body,
            "top," + std::to_string(kMaxGameScore) + ",second," + std::to_string(kMaxGameScore));
}

TEST_F(ScoresHttp, ServesNoOtherPathOrMethod) {
  EXPECT_EQ(get("/").status, 404);
  EXPECT_EQ(get("/highscores/trivello/other.php").status, 404);
  EXPECT_EQ(get("/highscores/trivello/shown.php/").status, 404);
  RawReply post = Exchange(port, "POST " + kBase +
                                     "scoresubmit.php?name=a&score=900 HTTP/1.1\r\n"
                                     "Host: x\r\nContent-Length: 0\r\n\r\n");
  EXPECT_EQ(post.status, 405);
  EXPECT_EQ(store.countStored(), 0);
}

TEST_F(ScoresHttp, LimitsSubmitsAndQualifyChecksPerAddress) {
  options.qualifiesPerMinute = 2;
  startServer();
  for (int i = 0; i < 3; i++)
    EXPECT_EQ(get(kBase + "scoresubmit.php?name=a&score=" + std::to_string(900 + 50 * i)).status, 200);
  EXPECT_EQ(get(kBase + "scoresubmit.php?name=a&score=1000").status, 429);
  EXPECT_EQ(get(kBase + "scoresubmit.php?name=a&score=1000", "127.0.0.2").status, 200) << "another address";
  EXPECT_EQ(store.countStored(), 4);
  EXPECT_EQ(get(kBase + "ishighscore.php?subscore=600").status, 200);
  EXPECT_EQ(get(kBase + "ishighscore.php?subscore=600").status, 200);
  EXPECT_EQ(get(kBase + "ishighscore.php?subscore=600").status, 429);
  for (int i = 0; i < 5; i++)
    EXPECT_EQ(get(kBase + "shown.php").status, 200); // reading is not limited
}

TEST_F(ScoresHttp, RefusesOversizedRequests) {
  auto r = get(kBase + "scoresubmit.php?score=900&name=" + std::string(600, 'a'));
  EXPECT_EQ(r.status, 400);
  auto huge = get(kBase + "shown.php?x=" + std::string(10000, 'a'));
  EXPECT_EQ(huge.status, 431);
  EXPECT_EQ(store.countStored(), 0);
}

TEST_F(ScoresHttp, HeadLimitsOnHeaderLinesAndTheWholeHead) {
  startServer();
  auto lines = [](int n, size_t valueBytes) {
    std::string h;
    for (int i = 0; i < n; i++)
      h += "X-" + std::to_string(100 + i) + ": " + std::string(valueBytes, 'v') + "\r\n";
    return h;
  };
  struct Case {
    const char *what;
    std::string headers;
    int status;
  } cases[] = {
      {"63 more lines", lines(63, 10), 200},
      {"64 more lines", lines(64, 10), 431},
      {"a line of 8 KiB", "X-Long: " + std::string(kMaxHeadLineBytes - 8, 'v') + "\r\n", 200},
      {"a line over 8 KiB", "X-Long: " + std::string(kMaxHeadLineBytes - 7, 'v') + "\r\n", 431},
      {"a head over 16 KiB in lines of 6 KiB", lines(3, 6000), 431},
      {"a line of 200 KiB", "X-Long: " + std::string(200000, 'v') + "\r\n", 431},
  };
  for (const Case &c : cases) {
    RawReply r = Exchange(port, GetRequest(kBase + "shown.php", c.headers));
    // A client still sending when the refusal comes may see only the reset.
    bool huge = c.headers.size() > 100000;
    if (!huge || r.status != 0) {
      EXPECT_EQ(r.status, c.status) << c.what;
    }
  }
  EXPECT_TRUE(waitForConnections(0)) << "a refused head leaves its connection open";
}

TEST_F(ScoresHttp, TheWholeHeadMustArriveWithinFiveSecondsOfConnecting) {
  auto base = std::chrono::steady_clock::now();
  std::atomic<int> elapsedMs{0};
  options.clock = [&] { return base + std::chrono::milliseconds(elapsedMs.load()); };
  startServer();
  int silent = ConnectFrom(port);
  int half = ConnectFrom(port);
  SendAll(half, "GET /highscores/trivello/sho");
  int drip = ConnectFrom(port);
  SendAll(drip, "GET /highscores/trivello/shown.php HTTP/1.1\r\nX-Drip: a");
  ASSERT_TRUE(waitForConnections(3));
  elapsedMs = 4999;
  server->closeLateHeads();
  EXPECT_EQ(server->openConnections(), 3u);
  EXPECT_EQ(get(kBase + "shown.php").status, 200) << "a whole head is answered meanwhile";
  SendAll(drip, "b"); // still active: an idle time-out alone would never end it
  elapsedMs = 5000;
  server->closeLateHeads();
  std::string ignored;
  for (int fd : {silent, half, drip}) {
    EXPECT_TRUE(ReadToClose(fd, ignored));
    close(fd);
  }
  EXPECT_TRUE(ignored.empty()) << ignored;
  EXPECT_TRUE(waitForConnections(0));
  size_t lateLines = 0;
  for (const std::string &line : log())
    lateLines += line.find("request head not complete within 5000 ms") != std::string::npos;
  EXPECT_EQ(lateLines, 3u);
}

TEST_F(ScoresHttp, ConnectionsBeyondTheCapsGet503) {
  options.maxConnections = 4;
  options.maxPerAddress = 2;
  startServer();
  std::vector<int> held;
  held.push_back(ConnectFrom(port, "127.0.0.1"));
  held.push_back(ConnectFrom(port, "127.0.0.1"));
  ASSERT_TRUE(waitForConnections(2));
  struct Case {
    const char *from;
    int status;
  } perAddress[] = {{"127.0.0.1", 503}, {"127.0.0.2", 200}, {"127.0.0.1", 503}};
  for (const Case &c : perAddress)
    EXPECT_EQ(get(kBase + "shown.php", c.from).status, c.status) << c.from;
  held.push_back(ConnectFrom(port, "127.0.0.3"));
  held.push_back(ConnectFrom(port, "127.0.0.4"));
  ASSERT_TRUE(waitForConnections(4));
  EXPECT_EQ(get(kBase + "shown.php", "127.0.0.5").status, 503) << "the cap in all";
  for (int fd : held)
    close(fd);
  ASSERT_TRUE(waitForConnections(0));
  EXPECT_EQ(get(kBase + "shown.php", "127.0.0.5").status, 200) << "room again once they left";
}

TEST_F(ScoresHttp, ThePageShowsEscapedUtf8NamesAndFollowsTheTable) {
  auto before = get(kBase);
  EXPECT_NE(before.body.find("No scores yet."), std::string::npos);
  get(kBase + "scoresubmit.php?name=%3Cscript%3E%E9&score=900");
  auto r = get(kBase);
  EXPECT_EQ(r.status, 200);
  EXPECT_NE(r.head.find("Content-Type: text/html; charset=utf-8"), std::string::npos) << r.head;
  EXPECT_NE(r.body.find("&lt;script&gt;\xC3\xA9"), std::string::npos);
  EXPECT_EQ(r.body.find("<script>"), std::string::npos);
  EXPECT_EQ(r.body.find("No scores yet."), std::string::npos);
}

TEST_F(ScoresHttp, LogsEachRefusalOnOneSafeLine) {
  get(kBase + "ishighscore.php?subscore=7%0D%0Afake");
  get(kBase + "shown.php");
  get("/nothing");
  std::vector<std::string> lines = log();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NE(lines[0].find("400 GET /highscores/trivello/ishighscore.php?subscore=7%0D%0Afake from 127.0.0.1"),
            std::string::npos)
      << lines[0];
  EXPECT_NE(lines[1].find("404 GET /nothing from 127.0.0.1"), std::string::npos) << lines[1];
  for (const std::string &line : lines)
    EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos);
}

} // namespace
