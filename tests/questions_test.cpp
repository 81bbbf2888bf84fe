// The question bank: loading, tokens, photos and the random picks.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "entry.h"
#include "globals.h"
#include "play.h"
#include "players.h"
#include "questionimport.h"
#include "questionrules.h"
#include "questions.h"
#include "screens.h"
#include "support/GameFixture.h"
#include "userfiles.h"

namespace {

// Record `n`; without `solution` the section has no Solution key.
std::string record(int n, const std::string &id, const std::string &photo = "0", int solution = 1) {
  std::string s = "[" + std::to_string(n) + "]\nID=" + id + "\nText=Question " + std::to_string(n) +
                  "?\nAnswer1=a\nAnswer2=b\nAnswer3=c\nAnswer4=d\n";
  if (solution)
    s += "Solution=" + std::to_string(solution) + "\n";
  return s + "Photo=" + photo + "\n\n";
}

// The game's globals and a temporary application folder whose photos are the built game's.
class QuestionsTest : public testsupport::GameFixture {
protected:
  void SetUp() override {
    GameFixture::SetUp();
    srand(7);
  }
  // Loads `text` from a file outside the resource folder, as a path given whole.
  void loadText(const std::string &text, void (*afterCounts)() = nullptr) {
    std::ofstream(appDir + "/q.ini", std::ios::binary) << text;
    ReadQuestionsFrom((appDir + "/q.ini").c_str(), afterCounts);
  }
};

int16_t g_countsSeenByTheHook = -1;

TEST_F(QuestionsTest, LoadsTheCountedSectionsWithFieldsCutToCapacity) {
  loadText("[GENERAL]\nMaxQuestions=3\nMaxPuzzles=2\n\n" + record(1, "E-Geo123") + record(2, "M-Sci1") +
               record(3, "H-St1", "0", 0) + record(4, "Puzzl01", "italy") + record(5, "Puzzl02", "spain") +
               record(6, "E-Att1"),
           [] { g_countsSeenByTheHook = MAX_QUESTIONS; }); // the loading screen, once the counts are known
  EXPECT_EQ(g_countsSeenByTheHook, 3);
  EXPECT_EQ(MAX_PUZZLES, 2);
  EXPECT_STREQ(Question[0].ID, "E-Geo12"); // 8 characters cut to 7
  EXPECT_STREQ(Question[1].Text, "Question 2?");
  EXPECT_STREQ(Question[1].Answer4, "d");
  EXPECT_EQ(Question[2].Solution, 1); // a missing key is looked for in later sections
  EXPECT_STREQ(Question[4].Photo, "spain");
  EXPECT_STREQ(Question[5].ID, ""); // section 6 is not read
  loadText("[GENERAL]\nMaxQuestions=1\n[1]\nText=" + std::string(200, 'T') + "\nAnswer1=" + std::string(50, 'A') +
           "\nPhoto=" + std::string(40, 'p') + "\n");
  EXPECT_EQ(strlen(Question[0].Text), 127u);
  EXPECT_EQ(strlen(Question[0].Answer1), 31u);
  EXPECT_EQ(strlen(Question[0].Photo), 31u);
  EXPECT_EQ(Question[0].Solution, 0); // missing everywhere
}

TEST_F(QuestionsTest, CountsAndSolutionsAreKeptInRange) {
  std::tuple<const char *, int, int> cases[] = {
      {"MaxQuestions=1990\nMaxPuzzles=50\n", 1990, 10},
      {"MaxQuestions=5000\nMaxPuzzles=5\n", 2000, 0},
      {"MaxQuestions=-4\nMaxPuzzles=3\n", 0, 3},
      {"MaxPuzzles=-1\n", 0, 0},
      // Beyond 32 bits: formerly wrapped to 1 question and 0 puzzles.
      {"MaxQuestions=4294967297\nMaxPuzzles=4294967296\n", 2000, 0},
      {"MaxQuestions=-4294967295\nMaxPuzzles=99999999999999999999\n", 0, 2000},
      {"", 0, 0},
  };
  for (const auto &[general, questions, puzzles] : cases) {
    loadText(*general ? std::string("[GENERAL]\n") + general : ""); // the last: an empty file
    EXPECT_EQ(std::make_pair((int)MAX_QUESTIONS, (int)MAX_PUZZLES), std::make_pair(questions, puzzles)) << general;
  }
  ReadQuestionsFrom((appDir + "/missing.ini").c_str(), nullptr);
  EXPECT_EQ(MAX_QUESTIONS + MAX_PUZZLES, 0);
  EXPECT_EQ(PickQuestion(0), -1); // nothing to draw and nothing divides by zero
  EXPECT_EQ(PickPuzzle(), -1);
  // Only 1 to 4 name an answer box (65537 would be 1 cut to 16 bits).
  std::pair<const char *, int> solutions[] = {{"4", 4},  {"1", 1},     {"0", 0},          {"5", 0},
                                              {"-1", 0}, {"65537", 0}, {"4294967297", 0}, {"2x", 2}};
  for (const auto &c : solutions) {
    loadText(std::string("[GENERAL]\nMaxQuestions=1\n[1]\nSolution=") + c.first + "\n");
    EXPECT_EQ(Question[0].Solution, c.second) << c.first;
  }
}
TEST(QuestionTokens, LevelCategoryAndPuzzleTokens) {
  // ID, level, puzzle, category at pick and while shown, starting from category 9
  std::tuple<const char *, int, bool, int, int> cases[] = {
      {"H-Geo12", 2, false, 9, 3}, {"E-Sp3", 0, false, 2, 9},  {"M-Att4", 1, false, 5, 9},
      {"E-Lett1", 0, false, 9, 0}, {"H-Sci7", 2, false, 9, 1}, {"M-St9", 1, false, 9, 4},
      {"Puzzl07", -1, true, 9, 9}, {"X-Geo", -1, false, 9, 3}, {"StGeo", -1, false, 9, 4}, // later test wins
  };
  for (const auto &[id, level, puzzle, atPick, whileShown] : cases) {
    QuestionRecord q = {};
    strcpy(q.ID, id);
    strcpy(q.Photo, "0");
    EXPECT_EQ(std::make_pair(QuestionLevel(id), IsPuzzle(id)), std::make_pair(level, puzzle)) << id;
    EXPECT_EQ(std::make_pair((int)CategoryAtPick(q, 9), (int)CategoryWhileShown(q, 9)),
              std::make_pair(atPick, whileShown))
        << id;
    strcpy(q.Photo, "paris"); // a record with a photo keeps the category it had
    EXPECT_EQ(std::make_pair((int)CategoryAtPick(q, 9), (int)CategoryWhileShown(q, 9)), std::make_pair(9, 9)) << id;
  }
}

TEST_F(QuestionsTest, PhotoValuesAndFiles) {
  // Photo value, whether the record has a photo, its file: "photos\<stem>.jpg"
  // when that file opens, else the .png.
  std::tuple<const char *, bool, const char *> cases[] = {{"0", false, nullptr},
                                                          {"", false, nullptr},
                                                          {"rome10", false, nullptr},
                                                          {"italy", true, "photos\\italy.jpg"},
                                                          {"nowhere", true, "photos\\nowhere.png"}};
  for (const auto &[photo, has, file] : cases) {
    QuestionRecord q = {};
    strcpy(q.Photo, photo);
    char name[64] = "";
    EXPECT_EQ(HasPhoto(q), has) << photo;
    EXPECT_EQ(PhotoFileName(q, name, sizeof(name)), has) << photo;
    EXPECT_STREQ(has ? name : nullptr, file);
  }
}

TEST_F(QuestionsTest, PicksFollowTheLevelAndNeverRepeatUntilAllWereAsked) {
  std::string text = "[GENERAL]\nMaxQuestions=9\nMaxPuzzles=3\n";
  const char *ids[] = {"E-Geo1", "M-Geo1", "E-Sci1", "H-St1",   "E-Lett1", "M-Sp1",
                       "E-Att1", "M-Sci1", "M-St1",  "Puzzl01", "Puzzl02", "Puzzl03"};
  for (int i = 0; i < 12; i++)
    text += record(i + 1, ids[i], i >= 9 ? "flag" : "0");
  loadText(text);
  std::set<int> easy;
  for (int round = 0; round < 4; round++) {
    int16_t i = PickQuestion(0);
    ASSERT_GE(i, 0);
    EXPECT_EQ(QuestionLevel(Question[i].ID), 0);
    EXPECT_TRUE(easy.insert(i).second) << "repeated " << i;
    QuestionAsked[i] = 1;
  }
  // All four easy questions asked: their marks are cleared and drawing goes on;
  // the marks of the other levels stay.
  QuestionAsked[1] = 1;
  int16_t again = PickQuestion(0);
  EXPECT_EQ(QuestionLevel(Question[again].ID), 0);
  EXPECT_EQ(QuestionAsked[0] + QuestionAsked[2] + QuestionAsked[4] + QuestionAsked[6], 0);
  EXPECT_EQ(QuestionAsked[1], 1);
  // The only hard question comes again and again; no puzzle is drawn as a question.
  for (int round = 0; round < 3; round++) {
    EXPECT_EQ(PickQuestion(2), 3);
    QuestionAsked[3] = 1;
  }
  EXPECT_EQ(PickQuestion(3), -1);
  std::set<int> puzzles;
  for (int round = 0; round < 3; round++) {
    int16_t p = PickPuzzle();
    ASSERT_GE(p, 9);
    EXPECT_TRUE(puzzles.insert(p).second);
    QuestionAsked[p] = 1;
  }
  // GameInit keeps the marks of every record asked through MarkAsked (a
  // new game does not bring them back) and resets the per-game values.
  for (int i : {3, 9, 10, 11})
    MarkAsked((int16_t)i);
  Jolly = WellDone = Incorrect = 1;
  Time = 150;
  GameInit();
  EXPECT_EQ(QuestionAsked[3], 1);
  EXPECT_EQ(QuestionAsked[0], 0) << "a mark set by hand is not remembered";
  EXPECT_EQ(QuestionAsked[9] + QuestionAsked[10] + QuestionAsked[11], 3);
  EXPECT_EQ(Time, 60);
  EXPECT_EQ(Jolly + WellDone + Incorrect, 0);
  // The puzzles were all used in this run: their marks clear and they come again.
  EXPECT_GE(PickPuzzle(), 9);
  // With no record of a kind at all, the pick reports none instead of looping.
  loadText("[GENERAL]\nMaxQuestions=2\n" + record(1, "E-Geo1") + record(2, "E-Sci1"));
  EXPECT_EQ(PickQuestion(1), -1);
  EXPECT_EQ(PickQuestion(2), -1);
  EXPECT_EQ(PickPuzzle(), -1);
  EXPECT_GE(PickQuestion(0), 0);
}

// ---- the player's own file and the questions remembered across games ----------

// A game window over a temporary application folder whose resource folder
// is writable, so the player's folder is <resources>/questions.
class OwnQuestionsTest : public testsupport::GameFixture {
protected:
  void SetUp() override {
    GameFixture::SetUp();
    srand(3);
    openGameWindow();
  }
  // A question file with `perLevel` questions of each level and `puzzles`
  // puzzles, every text its own.
  static std::string File(int perLevel, int puzzles, const std::string &prefix) {
    std::vector<testsupport::QuestionSpec> qs, ps;
    const char *levels[3] = {"E-Geo", "M-Sci", "H-St"};
    for (int n = 0; n < 3 * perLevel; n++)
      qs.push_back(
          {levels[n / perLevel], prefix + " question " + std::to_string(n) + "?", {"a", "b", "c", "d"}, 1 + n % 4});
    for (int i = 0; i < puzzles; i++)
      ps.push_back({"Puzzl", prefix + " puzzle " + std::to_string(i) + "?", {"Italy", "France", "Spain", "Chile"}, 1});
    for (testsupport::QuestionSpec &p : ps)
      p.photo = "italy";
    return testsupport::QuestionFile(qs, ps);
  }
};

TEST_F(OwnQuestionsTest, TheGamePlaysAnImportedFileAndElseItsOwn) {
  writeResource("data/eng.ini", File(16, 2, "Built-in"));
  std::string csv = "question,correct,wrong1,wrong2,wrong3,level,category,picture\n";
  for (int n = 0; n < 48; n++)
    csv += "Own question " + std::to_string(n) + "?,Right,Wrong,Worse,Worst," + LevelName(n / 16) + ",Sport\n";
  csv += "Own flag?,Italy,France,Ireland,Mexico,,,\"" + resDir + "/photos/italy.jpg\"\n";
  std::vector<ImportRow> rows;
  std::vector<ImportMessage> refused, notes;
  ReadImportSource("own.csv", csv, rows, refused, notes);
  ImportPlan plan;
  ASSERT_TRUE(PlanImport({}, 0, rows, {UserQuestionFolder() + "/photos", resDir + "/photos"}, plan))
      << plan.refused[0].where << " " << plan.refused[0].text;
  mkdir(UserQuestionFolder().c_str(), 0755);
  ASSERT_TRUE(WriteFileAtomically(UserQuestionFile(0), plan.text));
  ReadQuestions();
  EXPECT_EQ(MAX_QUESTIONS, 48);
  EXPECT_EQ(MAX_PUZZLES, 1);
  EXPECT_STREQ(Question[0].Text, "Own question 0?");
  EXPECT_EQ(std::string(Question[17].ID).substr(0, 4), "M-Sp");
  char photo[512];
  ASSERT_TRUE(PhotoFileName(Question[48], photo, sizeof(photo)));
  EXPECT_STREQ(photo, "photos\\italy.jpg") << "the game's own picture, found where it always is";

  // A picture of the player's own comes from the folder beside the file.
  mkdir((UserQuestionFolder() + "/photos").c_str(), 0755);
  system(("cp " + resDir + "/photos/italy.jpg " + UserQuestionFolder() + "/photos/mine.jpg").c_str());
  std::string text = plan.text;
  text.replace(text.find("Photo=italy"), 11, "Photo=mine");
  ASSERT_TRUE(WriteFileAtomically(UserQuestionFile(0), text));
  ReadQuestions();
  ASSERT_TRUE(PhotoFileName(Question[48], photo, sizeof(photo)));
  EXPECT_EQ(std::string(photo), UserQuestionFolder() + "/photos/mine.jpg");

  // A file that fails a check is not played: the game's own file is.
  text.replace(text.find("Solution=", text.find("[3]")), 10, "Solution=7");
  ASSERT_TRUE(WriteFileAtomically(UserQuestionFile(0), text));
  ReadQuestions();
  EXPECT_STREQ(Question[0].Text, "Built-in question 0?");
  EXPECT_EQ(MAX_PUZZLES, 2);
}

TEST_F(OwnQuestionsTest, TwentyGamesMeetNoQuestionTwiceUntilThePoolIsUsedUp) {
  // 20 questions a level and 10 puzzles; a game asks 12 of each level
  // (questions 5, 10, ..., 45 are puzzles) and 9 puzzles.
  writeResource("data/eng.ini", File(20, 10, "Pool"));
  ReadQuestions();
  std::map<int, std::vector<int16_t>> drawn; // level (3 for puzzles) -> records in order
  for (int game = 0; game < 20; game++) {
    if (game % 4 == 3)
      ReadQuestions(); // a new run of the program: the marks come from the file
    GameInit();
    StartNewGame(1);
    GoToScreen(SCREEN_GAME);
    int asked = 0;
    for (int tries = 0; asked < 45 && tries < 60; tries++)
      if (NewQuestion()) { // false at a level start screen; the next call goes on
        drawn[IsPuzzle(Question[CUR_QUE].ID) ? 3 : QuestionLevel(Question[CUR_QUE].ID)].push_back(CUR_QUE);
        asked++;
      }
    EXPECT_EQ(asked, 45);
  }
  for (auto &kind : drawn) {
    size_t pool = kind.first == 3 ? 10 : 20;
    ASSERT_GE(kind.second.size(), 4 * pool) << "kind " << kind.first;
    // Every run of `pool` draws is the whole pool: no repeat before it is
    // used up, and a clean start over after.
    for (size_t start = 0; start + pool <= kind.second.size(); start += pool) {
      std::set<int16_t> block(kind.second.begin() + start, kind.second.begin() + start + pool);
      EXPECT_EQ(block.size(), pool) << "kind " << kind.first << ", draws " << start << " to " << start + pool;
    }
  }
}

TEST_F(OwnQuestionsTest, TheAskedRecordOutlivesTheRunAndSkipsForeignLines) {
  writeResource("data/eng.ini", File(16, 2, "Kept"));
  ReadQuestions();
  MarkAsked(3);
  MarkAsked(50);
  std::string record;
  ASSERT_TRUE(ReadWholeFile(AskedRecordFile(0), record));
  EXPECT_EQ(record.size(), 34u) << "two hashes of 16 hex digits";
  // Another run; lines it did not write are skipped.
  ASSERT_TRUE(WriteFileAtomically(AskedRecordFile(0), record + "garbage\n12\n"));
  memset(QuestionAsked, 0, sizeof(QuestionAsked));
  ReadQuestions();
  for (int i = 0; i < MAX_QUESTIONS + MAX_PUZZLES; i++)
    EXPECT_EQ(QuestionAsked[i], i == 3 || i == 50 ? 1 : 0) << i;
  // Each language keeps its own record.
  EXPECT_EQ(AskedRecordFile(1), UserQuestionFolder() + "/asked-ita.txt");
  EXPECT_EQ(AskedRecordFile(2), UserQuestionFolder() + "/asked-spanish.txt");
}

} // namespace
