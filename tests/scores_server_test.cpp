// trivello-scores: query parsing, the score rule, the rate limits, the head
// bounds and the log text, then a real server on a free loopback port: the
// game's requests and the page, what it refuses, the head limits and
// deadline, the connection caps and the log. The stores have their own test
// (scores_store_test.cpp).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "guards.h"
#include "query.h"
#include "routes.h"
#include "scorelimit.h"
#include "store_sqlite.h"
#include "support/ScoresHttpClient.h"

using namespace scores;

namespace {

const size_t npos = std::string::npos;

TEST(ScoresQuery, ParsesOnlyUnambiguousQueries) {
  const std::pair<std::string, QueryParams> good[] = {
      {"name=Your%20Name&score=900", {{"name", "Your Name"}, {"score", "900"}}},
      {"name=a+b&score=1&", {{"name", "a b"}, {"score", "1"}}},
      {"name=%e9%E8", {{"name", "\xE9\xE8"}}},
      {"name=a%26score%3D9", {{"name", "a&score=9"}}},
      {"", {}},
      {"name=", {{"name", ""}}},
  };
  for (const auto &[raw, expected] : good) {
    QueryParams got;
    EXPECT_TRUE(parseQuery(raw, got)) << raw;
    EXPECT_EQ(got, expected) << raw;
  }
  // A name twice (also once decoded), bad escapes, no '=' or no name.
  for (const char *raw : {"score=1&score=2", "%6e%61%6d%65=a&name=b", "name=%zz", "name=%4", "name=%", "name", "=x"}) {
    QueryParams got;
    EXPECT_FALSE(parseQuery(raw, got)) << raw;
  }
}

TEST(ScoresQuery, ScoresAreDigitsWithinThirtyTwoBits) {
  const std::pair<const char *, int32_t> good[] = {
      {"0", 0}, {"501", 501}, {"0000900", 900}, {"2147483647", 2147483647}};
  for (const auto &[text, value] : good) {
    int32_t v = -7;
    EXPECT_TRUE(parseScore(text, v)) << text;
    EXPECT_EQ(v, value) << text;
  }
  for (const char *text : {"2147483648", "99999999999", "-1", "+5", " 5", "5 ", "", "12abc", "1e3"}) {
    int32_t v = -7;
    EXPECT_FALSE(parseScore(text, v)) << text;
  }
}

TEST(RateLimiter, AllowsABurstRefillsOverTheMinuteAndForgetsQuietAddressesOneByOne) {
  // A burst of three, then one token every 20 s, for each address apart. An
  // address is forgotten a minute after its last request: "b" at 61, "a" at
  // 82, "c" at 90.
  RateLimiter limiter(3);
  struct Step {
    const char *address;
    double now;
    bool allowed;
    size_t tracked;
  } steps[] = {{"a", 0, true, 1},    {"a", 0, true, 1},   {"a", 0, true, 1},  {"a", 1, false, 1},   {"b", 1, true, 2},
               {"a", 21, true, 2},   {"a", 22, false, 2}, {"c", 30, true, 3}, {"d", 60.9, true, 4}, {"d", 61, true, 3},
               {"d", 81.9, true, 3}, {"d", 82, true, 2},  {"e", 90, true, 2}};
  for (const Step &s : steps) {
    EXPECT_EQ(limiter.allow(s.address, s.now), s.allowed) << s.address << " at " << s.now;
    EXPECT_EQ(limiter.tracked(), s.tracked) << s.address << " at " << s.now;
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

TEST(HeadBounds, LogTextKeepsToOneLine) {
  EXPECT_EQ(loggable("/a?b=%E9&c=1"), "/a?b=%E9&c=1");
  EXPECT_EQ(loggable("x\r\nfake line\x1b[1m\xE9"), "x%0D%0Afake line%1B[1m%E9");
  EXPECT_EQ(loggable(std::string(500, 'a'), 10), std::string(10, 'a') + "...");
}

// A real server on a free loopback port over an empty database, its log
// captured; three submits and three qualify checks a minute per address.
class ScoresHttp : public ::testing::Test {
protected:
  ScoresHttp() {
    options.submitsPerMinute = 3;
    options.qualifiesPerMinute = 3;
    options.threads = 2;
    options.log = [this](const std::string &line) {
      std::lock_guard<std::mutex> lock(logLock);
      logLines.push_back(line);
    };
  }
  void SetUp() override { ASSERT_TRUE(store.open(":memory:")) << store.error(); }
  void startServer() {
    server = std::make_unique<ScoreServer>(store, options);
    port = server->start("127.0.0.1", 0);
    ASSERT_GT(port, 0);
  }
  RawReply get(const std::string &target, const char *from = "127.0.0.1", const std::string &headers = "") {
    if (!server)
      startServer();
    return Get(port, target, from, headers);
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

  SqliteStore store;
  ServerOptions options;
  std::mutex logLock;
  std::vector<std::string> logLines;
  std::unique_ptr<ScoreServer> server;
  int port = 0;
};

TEST_F(ScoresHttp, AnswersTheGameInLatin1PlainTextAndThePageInUtf8) {
  const std::string top = std::to_string(scorelimit::kMaxGameScore);
  const std::string over = std::to_string(scorelimit::kMaxGameScore + 50);
  // Controls dropped, commas made blanks, blanks trimmed, cut to 24 bytes.
  const std::string hostile = "%20%01%7F%85%00%3Cscript%3E%22%2C%26'%E9" + std::string(20, 'y') + "+z";
  const std::string stored = "<script>\" &'\xE9" + std::string(11, 'y');
  EXPECT_NE(get(kScoresBase).body.find("No scores yet."), npos);
  struct Step {
    std::string target; // under the base
    int status;
    std::string body;
    const char *from = "127.0.0.1";
  } steps[] = {
      {"shown.php", 200, ","}, // not empty: an empty body is a failed request to the game
      {"ishighscore.php?subscore=550", 200, "yes"},
      {"ishighscore.php?subscore=500", 200, "no"},
      {"ishighscore.php?subscore=" + top, 200, "yes"}, // the table is not full
      // Scores no game can reach: above the bound, or not a multiple of 50.
      {"ishighscore.php?subscore=" + over, 400, "impossible score"},
      {"ishighscore.php?subscore=501", 400, "impossible score"},
      {"scoresubmit.php?name=over&score=" + over, 400, "impossible score"},
      {"scoresubmit.php?name=forged&score=2147483647", 400, "impossible score"},
      {"scoresubmit.php?name=odd&score=951", 400, "impossible score"},
      {"scoresubmit.php?name=Ren%E9%2C%20x&score=900", 200, "ok"},
      {"scoresubmit.php?name=low&score=400", 200, "no"},
      {"scoresubmit.php?name=top&score=" + top, 200, "ok"},
      // The fourth of each from one address; reading is not limited.
      {"scoresubmit.php?name=late&score=1000", 429, "too many submissions"},
      {"ishighscore.php?subscore=600", 429, "too many requests"},
      {"scoresubmit.php?name=" + hostile + "&score=950", 200, "ok", "127.0.0.2"},
      {"scoresubmit.php?name=second&score=" + top, 200, "ok", "127.0.0.2"},
      {"scoresubmit.php?name=%20%2C%20&score=600", 200, "ok", "127.0.0.2"},
      {"ishighscore.php?subscore=600", 200, "yes", "127.0.0.2"},
      // Equal scores keep the earlier first.
      {"shown.php", 200, "top," + top + ",second," + top + "," + stored + ",950,Ren\xE9  x,900,Anonymous,600"},
  };
  size_t refused = 0;
  for (const Step &s : steps) {
    RawReply r = get(kScoresBase + s.target, s.from);
    EXPECT_EQ(r.status, s.status) << s.target;
    EXPECT_EQ(r.body, s.body) << s.target;
    EXPECT_NE(r.head.find("Content-Type: text/plain; charset=ISO-8859-1"), npos) << r.head;
    EXPECT_NE(r.head.find("Connection: close"), npos) << r.head;
    refused += s.status != 200;
  }
  EXPECT_EQ(store.countStored(), 5);
  EXPECT_EQ(log().size(), refused) << "one log line per refused request";
  RawReply page = get(kScoresBase);
  EXPECT_EQ(page.status, 200);
  EXPECT_NE(page.head.find("Content-Type: text/html; charset=utf-8"), npos) << page.head;
  EXPECT_NE(page.body.find("&lt;script&gt;&quot; &amp;&#39;\xC3\xA9yyy"), npos) << page.body;
  EXPECT_EQ(page.body.find("<script>"), npos);
  EXPECT_EQ(page.body.find("No scores yet."), npos);
}

TEST_F(ScoresHttp, RefusesWhatNoGameSendsAndLogsEachOnOneSafeLine) {
  const std::string &base = kScoresBase;
  auto lines = [](int n, size_t valueBytes) {
    std::string h;
    for (int i = 0; i < n; i++)
      h += "X-" + std::to_string(100 + i) + ": " + std::string(valueBytes, 'v') + "\r\n";
    return h;
  };
  struct Case {
    std::string target;
    int status;
    std::string headers = "";
  } cases[] = {
      {base + "ishighscore.php", 400},
      {base + "ishighscore.php?subscore=1&x=2", 400},
      {base + "ishighscore.php?subscore=-1", 400},
      {base + "ishighscore.php?subscore=7%0D%0Afake", 400},
      {base + "scoresubmit.php?score=900", 400},
      {base + "scoresubmit.php?name=a", 400},
      {base + "scoresubmit.php?name=a&score=900&x=1", 400},
      {base + "scoresubmit.php?name=a&score=9x", 400},
      {base + "scoresubmit.php?name=a&name=b&score=900", 400},
      {base + "scoresubmit.php?score=900&name=" + std::string(600, 'a'), 400}, // a query over 512 bytes
      {base + "shown.php?x=%", 400},
      {"/nothing", 404},
      {base + "other.php", 404},
      {base + "shown.php/", 404},
      // Head bounds: 64 header lines with Host, lines of 8 KiB, a head of 16 KiB:
      // 43 + 2 (the request line) + 15 + 2 (Host) + 2 x (5 + 2 + 8151 + 2) + 2 = 16 384.
      {base + "shown.php", 200, lines(63, 10)},
      {base + "shown.php", 431, lines(64, 10)},
      {base + "shown.php", 200, "X-Long: " + std::string(kMaxHeadLineBytes - 8, 'v') + "\r\n"},
      {base + "shown.php", 431, "X-Long: " + std::string(kMaxHeadLineBytes - 7, 'v') + "\r\n"},
      {base + "shown.php?x=" + std::string(kMaxHeadLineBytes, 'a'), 431},
      {base + "shown.php", 200, lines(1, 8151) + lines(1, 8151)},
      {base + "shown.php", 431, lines(1, 8151) + lines(1, 8152)},
      // Refused by the library itself: a client still sending may see only the reset.
      {base + "shown.php", 431, "X-Long: " + std::string(200000, 'v') + "\r\n"},
  };
  for (const Case &c : cases) {
    RawReply r = get(c.target, "127.0.0.1", c.headers);
    if (c.headers.size() < 100000 || r.status != 0) {
      EXPECT_EQ(r.status, c.status) << c.target.substr(0, 80) << " and " << c.headers.size() << " header bytes";
    }
  }
  RawReply post = Exchange(port, "POST " + base +
                                     "scoresubmit.php?name=a&score=900 HTTP/1.1\r\n"
                                     "Host: x\r\nContent-Length: 0\r\n\r\n");
  EXPECT_EQ(post.status, 405);
  EXPECT_EQ(store.countStored(), 0);
  EXPECT_TRUE(waitForConnections(0)) << "a refused head leaves its connection open";
  std::string all;
  for (const std::string &line : log()) {
    EXPECT_EQ(line.find_first_of("\r\n"), npos);
    all += line + "\n";
  }
  EXPECT_NE(all.find("400 GET /highscores/trivello/ishighscore.php?subscore=7%0D%0Afake from 127.0.0.1"), npos) << all;
  EXPECT_NE(all.find("404 GET /nothing from 127.0.0.1"), npos) << all;
  EXPECT_NE(all.find("405 POST /highscores/trivello/scoresubmit.php?name=a&score=900 from 127.0.0.1"), npos) << all;
}

// Slow clients hold connections, which count against the caps (503) until
// the deadline for the whole request head closes them.
TEST_F(ScoresHttp, HeldConnectionsCountAgainstTheCapsUntilTheHeadDeadline) {
  auto start = std::chrono::steady_clock::now();
  std::atomic<int> elapsedMs{0};
  options.clock = [&] { return start + std::chrono::milliseconds(elapsedMs.load()); };
  options.maxConnections = 4;
  options.maxPerAddress = 3;
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
  EXPECT_EQ(get(kScoresBase + "shown.php").status, 503) << "a fourth from one address";
  ASSERT_TRUE(waitForConnections(3)); // each answered one gone before the next
  EXPECT_EQ(get(kScoresBase + "shown.php", "127.0.0.2").status, 200) << "a whole head is answered meanwhile";
  ASSERT_TRUE(waitForConnections(3));
  int other = ConnectFrom(port, "127.0.0.3");
  ASSERT_TRUE(waitForConnections(4));
  EXPECT_EQ(get(kScoresBase + "shown.php", "127.0.0.4").status, 503) << "a fifth in all";
  SendAll(drip, "b"); // still active: an idle time-out alone would never end it
  elapsedMs = 5000;   // "other" came 1 ms later than the rest
  server->closeLateHeads();
  std::string ignored;
  for (int fd : {silent, half, drip}) {
    EXPECT_TRUE(ReadToClose(fd, ignored));
    close(fd);
  }
  EXPECT_TRUE(ignored.empty()) << ignored;
  close(other);
  ASSERT_TRUE(waitForConnections(0));
  EXPECT_EQ(get(kScoresBase + "shown.php").status, 200) << "room again once they left";
  size_t lateLines = 0;
  for (const std::string &line : log())
    lateLines += line.find("request head not complete within 5000 ms") != npos;
  EXPECT_EQ(lateLines, 3u);
}

} // namespace
