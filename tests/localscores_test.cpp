// The score lists of the data folder: reading good and bad files, the
// ranking of this computer's table, the atomic replacement of a file, and the
// queue of scores waiting for the server.
#include "localscores.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/ScratchFolder.h"

namespace {

std::vector<std::string> Names(const std::vector<ScoreEntry> &list) {
  std::vector<std::string> out;
  for (const ScoreEntry &e : list)
    out.push_back(e.name + ":" + std::to_string(e.score) + (e.clock.empty() ? "" : "@" + e.clock));
  return out;
}

TEST(LocalScores, ABadFileGivesOnlyItsGoodLines) {
  testsupport::ScratchFolder dir;
  std::pair<std::string, std::vector<std::string>> cases[] = {
      {"900\tAnn\n800\tBob\n", {"Ann:900", "Bob:800"}},
      {"900\tAnn", {"Ann:900"}},
      {"900\tAnn\r\n", {"Ann:900"}},
      {"x\n\t\n900\n-5\tA\n12a\tB\n900\t\n700\tC\n", {"C:700"}},
      {"2147483648\tA\n2147483647\tB\n", {"B:2147483647"}},
      {std::string("900\tA\0b\n800\tB\n", 14), {"B:800"}},
      {std::string(5000, '9') + "\tA\n800\tB\n", {"B:800"}},
      {"900\t a,b \n", {"a b:900"}},
      {"900\tAnn\t60 s\n800\tBob\t \n", {"Ann:900@60 s", "Bob:800"}}, // a relaxed game's clock
      {std::string("\x89PNG\r\n\x1a\n\0\0", 10), {}},
      {"", {}},
  };
  for (const auto &[text, entries] : cases) {
    dir.write("list", text);
    EXPECT_EQ(Names(ReadScoreFile(dir / "list", 100)), entries) << text;
  }
  EXPECT_TRUE(ReadScoreFile(dir / "missing", 100).empty());
  EXPECT_TRUE(ReadScoreFile(dir.path, 100).empty()); // a folder
}

TEST(LocalScores, TheTableRanksBestFirstEqualScoresEarlierFirstAndKeepsTen) {
  testsupport::ScratchFolder dir;
  // A hand-edited file out of order is ranked on reading, equal ones in file order.
  dir.write("local", "500\tLow\n900\tFirst900\n700\tMid\n900\tSecond900\n");
  EXPECT_EQ(AddLocalScore(dir / "local", "Third900", 900), 2);
  EXPECT_EQ(AddLocalScore(dir / "local", "Top", 901), 0);
  EXPECT_EQ(AddLocalScore(dir / "local", "Bottom", 1), 6);
  EXPECT_EQ(Names(ReadLocalTable(dir / "local")),
            (std::vector<std::string>{"Top:901", "First900:900", "Second900:900", "Third900:900", "Mid:700", "Low:500",
                                      "Bottom:1"}));
  for (int32_t score : {800, 600, 300})
    AddLocalScore(dir / "local", "More", score);
  // Full now: a score must beat the last one, which then goes.
  EXPECT_EQ(AddLocalScore(dir / "local", "Late", 1), -1);
  EXPECT_EQ(AddLocalScore(dir / "local", "New", 2), 9);
  std::vector<ScoreEntry> table = ReadLocalTable(dir / "local");
  ASSERT_EQ(table.size(), 10u);
  EXPECT_EQ(Names({table[9]}), std::vector<std::string>{"New:2"});
  EXPECT_EQ(LocalRank(table, 902), 0);
  EXPECT_EQ(LocalRank(table, 900), 4);
  EXPECT_EQ(LocalRank({}, 0), 0);
}

TEST(LocalScores, AWriteReplacesTheFileWholeAndLeavesNothingBehind) {
  testsupport::ScratchFolder dir;
  ASSERT_TRUE(WriteScoreFile(dir / "local", {{"Old", 1}}));
  // A reader that opened the old file keeps reading the old list whole: the
  // new list went into a new file, not over the old bytes.
  int old = open((dir / "local").c_str(), O_RDONLY);
  ASSERT_GE(old, 0);
  ASSERT_TRUE(WriteScoreFile(dir / "local", {{"New", 2, ""}, {"Newer", 3, "no limit"}}));
  char buf[64] = {};
  ASSERT_GT(read(old, buf, sizeof buf - 1), 0);
  close(old);
  EXPECT_STREQ(buf, "1\tOld\n");
  EXPECT_EQ(dir.read("local"), "2\tNew\n3\tNewer\tno limit\n");
  EXPECT_EQ(system(("test $(ls -A '" + dir.path + "' | wc -l) -eq 1").c_str()), 0) << "no temporary file stays";
  // A write that cannot be made keeps the old file; an empty list removes it.
  ASSERT_EQ(system(("mkdir -p '" + dir / "sub" + "' && touch '" + dir / "sub/x" + "'").c_str()), 0);
  EXPECT_FALSE(WriteScoreFile(dir / "sub", {{"A", 1}})); // a folder is in the way
  EXPECT_FALSE(WriteScoreFile(dir / "gone/local", {{"A", 1}}));
  EXPECT_TRUE(WriteScoreFile(dir / "local", {}));
  EXPECT_NE(access((dir / "local").c_str(), F_OK), 0);
}

TEST(LocalScores, TheQueueKeepsWhatCouldNotBeDeliveredAndIsBounded) {
  testsupport::ScratchFolder dir;
  struct Case {
    std::vector<NetOutcome> outcomes; // for each send in turn, then NET_OK
    std::vector<std::string> sent, left;
    bool queueDuringTheFirstSend;
  } cases[] = {
      {{}, {"a", "b", "c"}, {}, false},
      {{NET_UNREACHABLE}, {"a"}, {"a:1", "b:2", "c:3"}, false},
      {{NET_OK, NET_UNREACHABLE}, {"a", "b"}, {"b:2", "c:3"}, false},
      {{NET_REFUSED}, {"a", "b", "c"}, {}, false}, // a refused one goes
      {{}, {"a", "b", "c"}, {"d:4"}, true},        // one queued meanwhile stays
  };
  for (const Case &c : cases) {
    for (const char *n : {"a", "b", "c"})
      ASSERT_TRUE(QueueScore(dir / "queue", n, n[0] - 'a' + 1));
    std::vector<std::string> sent;
    SendQueuedScores(dir / "queue", [&](const ScoreEntry &e) {
      sent.push_back(e.name);
      if (c.queueDuringTheFirstSend && sent.size() == 1)
        QueueScore(dir / "queue", "d", 4);
      return sent.size() <= c.outcomes.size() ? c.outcomes[sent.size() - 1] : NET_OK;
    });
    EXPECT_EQ(sent, c.sent);
    EXPECT_EQ(Names(ReadScoreFile(dir / "queue", 100)), c.left);
    remove((dir / "queue").c_str());
  }
  ASSERT_TRUE(WriteScoreFile(dir / "queue", std::vector<ScoreEntry>(kMaxQueuedScores, ScoreEntry{"x", 1})));
  EXPECT_FALSE(QueueScore(dir / "queue", "y", 2));
  EXPECT_EQ(ReadScoreFile(dir / "queue", 2 * kMaxQueuedScores).size(), kMaxQueuedScores);
}

} // namespace
