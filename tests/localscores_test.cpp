// The score lists of the data folder: the name rule, reading good and bad
// files, the ranking of this computer's table, the atomic replacement of a
// file, and the queue of scores waiting for the server.
#include "localscores.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

class LocalScoresTest : public ::testing::Test {
protected:
  LocalScoresTest() {
    const char *tmp = getenv("TMPDIR");
    dir = std::string(tmp && *tmp ? tmp : "/tmp") + "/trivello-scores-" + std::to_string(getpid()) + "-" +
          ::testing::UnitTest::GetInstance()->current_test_info()->name();
    system(("rm -rf '" + dir + "' && mkdir -p '" + dir + "'").c_str());
  }
  ~LocalScoresTest() override { system(("rm -rf '" + dir + "'").c_str()); }
  std::string path(const char *name) { return dir + "/" + name; }
  void write(const std::string &file, const std::string &text) { std::ofstream(file, std::ios::binary) << text; }
  std::string read(const std::string &file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::vector<std::string> names(const std::vector<ScoreEntry> &list) {
    std::vector<std::string> out;
    for (const ScoreEntry &e : list)
      out.push_back(e.name + ":" + std::to_string(e.score) + (e.clock.empty() ? "" : "@" + e.clock));
    return out;
  }
  std::string dir;
};

TEST(CleanScoreName, FollowsTheServersNameRule) {
  struct Case {
    std::string raw, clean;
  } cases[] = {
      {"Ann", "Ann"},
      {"  Ann  ", "Ann"},
      {"a,b", "a b"},
      {"a\tb\x7f\x85"
       "c",
       "abc"},
      {"", "Anonymous"},
      {" \x01 ", "Anonymous"},
      {std::string(30, 'x'), std::string(24, 'x')},
      {"Zo\xE9", "Zo\xE9"},
      {std::string(23, 'x') + " y", std::string(23, 'x')}, // cut to 24, then trimmed
  };
  for (const Case &c : cases)
    EXPECT_EQ(CleanScoreName(c.raw), c.clean) << c.raw;
}

TEST_F(LocalScoresTest, ABadFileGivesOnlyItsGoodLines) {
  struct Case {
    const char *what;
    std::string text;
    std::vector<std::string> entries;
  } cases[] = {
      {"good", "900\tAnn\n800\tBob\n", {"Ann:900", "Bob:800"}},
      {"no end of line", "900\tAnn", {"Ann:900"}},
      {"CR LF", "900\tAnn\r\n", {"Ann:900"}},
      {"garbage lines", "x\n\t\n900\n-5\tA\n12a\tB\n900\t\n700\tC\n", {"C:700"}},
      {"too big", "2147483648\tA\n2147483647\tB\n", {"B:2147483647"}},
      {"a NUL", std::string("900\tA\0b\n800\tB\n", 14), {"B:800"}},
      {"an endless line", std::string(5000, '9') + "\tA\n800\tB\n", {"B:800"}},
      {"a name to clean", "900\t a,b \n", {"a b:900"}},
      {"a relaxed game's clock", "900\tAnn\t60 s\n800\tBob\t \n", {"Ann:900@60 s", "Bob:800"}},
      {"binary", std::string("\x89PNG\r\n\x1a\n\0\0", 10), {}},
      {"empty", "", {}},
  };
  for (const Case &c : cases) {
    write(path("list"), c.text);
    EXPECT_EQ(names(ReadScoreFile(path("list"), 100)), c.entries) << c.what;
  }
  EXPECT_TRUE(ReadScoreFile(path("missing"), 100).empty());
  EXPECT_TRUE(ReadScoreFile(dir, 100).empty()); // a folder
}

TEST_F(LocalScoresTest, TheTableRanksBestFirstAndEqualScoresEarlierFirst) {
  // A hand-edited file out of order is ranked on reading, equal ones in file order.
  write(path("local"), "500\tLow\n900\tFirst900\n700\tMid\n900\tSecond900\n");
  EXPECT_EQ(names(ReadLocalTable(path("local"))),
            (std::vector<std::string>{"First900:900", "Second900:900", "Mid:700", "Low:500"}));
  EXPECT_EQ(AddLocalScore(path("local"), "Third900", 900), 2);
  EXPECT_EQ(AddLocalScore(path("local"), "Top", 901), 0);
  EXPECT_EQ(AddLocalScore(path("local"), "Bottom", 1), 6);
  EXPECT_EQ(names(ReadLocalTable(path("local"))),
            (std::vector<std::string>{"Top:901", "First900:900", "Second900:900", "Third900:900", "Mid:700", "Low:500",
                                      "Bottom:1"}));
}

TEST_F(LocalScoresTest, AFullTableTakesOnlyAScoreAboveItsLast) {
  std::vector<ScoreEntry> table;
  for (int i = 0; i < 10; i++)
    table.push_back({"p" + std::to_string(i), 1000 - 100 * i}); // 1000 .. 100
  struct Case {
    int32_t score;
    int rank;
  } cases[] = {{2000, 0}, {1000, 1}, {999, 1}, {101, 9}, {100, -1}, {50, -1}};
  for (const Case &c : cases)
    EXPECT_EQ(LocalRank(table, c.score), c.rank) << c.score;
  EXPECT_EQ(LocalRank({}, 0), 0);

  ASSERT_TRUE(WriteScoreFile(path("local"), table));
  EXPECT_EQ(AddLocalScore(path("local"), "late", 100), -1);
  EXPECT_EQ(AddLocalScore(path("local"), "new", 150), 9);
  std::vector<ScoreEntry> now = ReadLocalTable(path("local"));
  ASSERT_EQ(now.size(), 10u);
  EXPECT_EQ(now[9].name, "new"); // the old last one has gone
}

TEST_F(LocalScoresTest, AWriteReplacesTheFileWholeAndLeavesNothingBehind) {
  ASSERT_TRUE(WriteScoreFile(path("local"), {{"Old", 1}}));
  // A reader that opened the old file keeps reading the old list whole: the
  // new list went into a new file, not over the old bytes.
  int old = open(path("local").c_str(), O_RDONLY);
  ASSERT_GE(old, 0);
  ASSERT_TRUE(WriteScoreFile(path("local"), {{"New", 2, ""}, {"Newer", 3, "no limit"}}));
  char buf[64] = {};
  ASSERT_GT(::read(old, buf, sizeof buf - 1), 0);
  close(old);
  EXPECT_STREQ(buf, "1\tOld\n");
  EXPECT_EQ(read(path("local")), "2\tNew\n3\tNewer\tno limit\n");
  // No temporary file stays in the folder.
  EXPECT_EQ(system(("test $(ls -A '" + dir + "' | wc -l) -eq 1").c_str()), 0);
  // A write that cannot be made keeps the old file.
  ASSERT_EQ(system(("mkdir -p '" + dir + "/sub' && touch '" + dir + "/sub/x'").c_str()), 0);
  EXPECT_FALSE(WriteScoreFile(path("sub"), {{"A", 1}})); // a folder is in the way
  EXPECT_FALSE(WriteScoreFile(dir + "/gone/local", {{"A", 1}}));
  // An empty list removes the file.
  EXPECT_TRUE(WriteScoreFile(path("local"), {}));
  EXPECT_NE(access(path("local").c_str(), F_OK), 0);
}

// A fake server for the queue: the outcome for each send, in turn.
struct FakeSend {
  std::vector<NetOutcome> outcomes;
  std::vector<std::string> sent;
  std::function<void()> during; // runs on the first send
  NetOutcome operator()(const ScoreEntry &e) {
    sent.push_back(e.name);
    if (during) {
      during();
      during = nullptr;
    }
    NetOutcome o = outcomes.empty() ? NET_OK : outcomes.front();
    if (!outcomes.empty())
      outcomes.erase(outcomes.begin());
    return o;
  }
};

TEST_F(LocalScoresTest, TheQueueKeepsWhatCouldNotBeDelivered) {
  struct Case {
    const char *what;
    std::vector<NetOutcome> outcomes;
    std::vector<std::string> sent, left;
  } cases[] = {
      {"all taken", {NET_OK, NET_OK, NET_OK}, {"a", "b", "c"}, {}},
      {"server down", {NET_UNREACHABLE}, {"a"}, {"a:1", "b:2", "c:3"}},
      {"down after one", {NET_OK, NET_UNREACHABLE}, {"a", "b"}, {"b:2", "c:3"}},
      {"a refused one goes", {NET_REFUSED, NET_OK, NET_OK}, {"a", "b", "c"}, {}},
  };
  for (const Case &c : cases) {
    for (const char *n : {"a", "b", "c"})
      ASSERT_TRUE(QueueScore(path("queue"), n, n[0] - 'a' + 1));
    FakeSend send{c.outcomes, {}, nullptr};
    SendQueuedScores(path("queue"), std::ref(send));
    EXPECT_EQ(send.sent, c.sent) << c.what;
    EXPECT_EQ(names(ReadScoreFile(path("queue"), 100)), c.left) << c.what;
    remove(path("queue").c_str());
  }
}

TEST_F(LocalScoresTest, AScoreQueuedWhileTheQueueIsSentStays) {
  ASSERT_TRUE(QueueScore(path("queue"), "old", 1));
  FakeSend send{{NET_OK}, {}, [&] { QueueScore(path("queue"), "new", 2); }};
  SendQueuedScores(path("queue"), std::ref(send));
  EXPECT_EQ(names(ReadScoreFile(path("queue"), 100)), std::vector<std::string>{"new:2"});
}

TEST_F(LocalScoresTest, TheQueueIsBounded) {
  std::vector<ScoreEntry> full(kMaxQueuedScores, ScoreEntry{"x", 1});
  ASSERT_TRUE(WriteScoreFile(path("queue"), full));
  EXPECT_FALSE(QueueScore(path("queue"), "y", 2));
  EXPECT_EQ(ReadScoreFile(path("queue"), 2 * kMaxQueuedScores).size(), kMaxQueuedScores);
}

} // namespace
