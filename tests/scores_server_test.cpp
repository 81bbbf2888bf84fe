// trivello-scores: query parsing, the name and score rules, the submit
// limit, the web page, and the HTTP routes of a real server on a free
// loopback port. The stores have their own test (scores_store_test.cpp).
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "page.h"
#include "query.h"
#include "routes.h"
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
  } cases[] = {{"0", true, 0},          {"501", true, 501},       {"0000900", true, 900},
               {"2147483647", true, 2147483647}, {"2147483648", false, 0}, {"99999999999", false, 0},
               {"-1", false, 0},        {"+5", false, 0},         {" 5", false, 0},
               {"5 ", false, 0},        {"", false, 0},           {"12abc", false, 0},
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
  for (int i = 0; i < 25000; i++) // a flood of addresses cannot grow the table without bound
    limiter.allow("10.0." + std::to_string(i), 30);
  EXPECT_LE(limiter.tracked(), 10000u);
  RateLimiter off(0);
  for (int i = 0; i < 100; i++)
    EXPECT_TRUE(off.allow("a", 0));
}

// ---- HTTP ----------------------------------------------------------------------------

// A real server on a free loopback port over a fresh database.
class ScoresHttp : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(store.open(db.path()));
    ServerOptions options;
    options.submitsPerMinute = 3;
    options.threads = 4;
    server = std::make_unique<ScoreServer>(store, options);
    port = server->bindTo("127.0.0.1", 0);
    ASSERT_GT(port, 0);
    thread = std::thread([this] { server->listen_after_bind(); });
    while (!server->is_running())
      std::this_thread::yield();
  }
  void TearDown() override {
    server->stop();
    thread.join();
  }
  httplib::Result get(const std::string &target) {
    httplib::Client client("127.0.0.1", port);
    return client.Get(target.c_str());
  }

  TempDatabase db;
  SqliteStore store;
  std::unique_ptr<ScoreServer> server;
  std::thread thread;
  int port = 0;
};

const char kBase[] = "/highscores/trivello/";

TEST_F(ScoresHttp, AnswersTheThreeRequestsInLatin1PlainText) {
  auto r = get(std::string(kBase) + "ishighscore.php?subscore=501");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 200);
  EXPECT_EQ(r->body, "yes");
  EXPECT_EQ(r->get_header_value("Content-Type"), "text/plain; charset=ISO-8859-1");
  EXPECT_EQ(get(std::string(kBase) + "ishighscore.php?subscore=500")->body, "no");
  EXPECT_EQ(get(std::string(kBase) + "scoresubmit.php?name=Ren%E9%2C%20x&score=900")->body, "ok");
  EXPECT_EQ(get(std::string(kBase) + "scoresubmit.php?name=low&score=400")->body, "no");
  EXPECT_EQ(get(std::string(kBase) + "shown.php")->body, "Ren\xE9  x,900");
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
  for (const char *target : bad) {
    auto r = get(std::string(kBase) + target);
    ASSERT_TRUE(r) << target;
    EXPECT_EQ(r->status, 400) << target;
  }
  EXPECT_EQ(store.countStored(), 0);
}

TEST_F(ScoresHttp, ServesNoOtherPathOrMethod) {
  EXPECT_EQ(get("/")->status, 404);
  EXPECT_EQ(get("/highscores/trivello/other.php")->status, 404);
  EXPECT_EQ(get("/highscores/trivello/shown.php/")->status, 404);
  httplib::Client client("127.0.0.1", port);
  auto post = client.Post("/highscores/trivello/scoresubmit.php?name=a&score=900", "", "text/plain");
  ASSERT_TRUE(post);
  EXPECT_GE(post->status, 400);
  EXPECT_EQ(store.countStored(), 0);
}

TEST_F(ScoresHttp, LimitsSubmitsPerAddress) {
  for (int i = 0; i < 3; i++)
    EXPECT_EQ(get(std::string(kBase) + "scoresubmit.php?name=a&score=" + std::to_string(900 + i))->status, 200);
  EXPECT_EQ(get(std::string(kBase) + "scoresubmit.php?name=a&score=999")->status, 429);
  EXPECT_EQ(store.countStored(), 3);
  EXPECT_EQ(get(std::string(kBase) + "shown.php")->status, 200); // reading is not limited
}

TEST_F(ScoresHttp, RefusesOversizedRequests) {
  auto r = get(std::string(kBase) + "scoresubmit.php?score=900&name=" + std::string(600, 'a'));
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 400);
  auto huge = get(std::string(kBase) + "shown.php?x=" + std::string(10000, 'a'));
  ASSERT_TRUE(huge);
  EXPECT_GE(huge->status, 400);
  EXPECT_EQ(store.countStored(), 0);
}

TEST_F(ScoresHttp, ThePageShowsEscapedUtf8Names) {
  get(std::string(kBase) + "scoresubmit.php?name=%3Cscript%3E%E9&score=900");
  auto r = get(kBase);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 200);
  EXPECT_EQ(r->get_header_value("Content-Type"), "text/html; charset=utf-8");
  EXPECT_NE(r->body.find("&lt;script&gt;\xC3\xA9"), std::string::npos);
  EXPECT_EQ(r->body.find("<script>"), std::string::npos);
}

} // namespace
