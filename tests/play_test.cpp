// Rules of play on the game screen, and whole games played through the real
// SCR_DRAW / SCR_CLICK in a window, with the fake clock and injected input.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <future>
#include <string>

#include "KInput.h"
#include "KWindow.h"
#include "clock.h"
#include "entry.h"
#include "globals.h"
#include "images.h"
#include "online.h"
#include "play.h"
#include "players.h"
#include "puzzle.h"
#include "questions.h"
#include "screens.h"
#include "toolkit.h"
#include "support/CannedHttpServer.h"
#include "support/GameFixture.h"
#include "support/PixelReader.h"

using testsupport::GameFixture;
using testsupport::QuestionSpec;

namespace {

// ---- rules without a window ------------------------------------------------------

TEST(PlayRules, PointsFollowTimeLevelAndSkill) {
  struct Case {
    int16_t time, level;
    bool skill;
    int16_t points;
  } cases[] = {
      {0, 0, false, 550},   {14, 0, false, 550}, {15, 0, false, 500}, {44, 0, false, 450},
      {149, 0, false, 100}, {150, 0, false, 50}, {44, 2, true, 2700}, {0, 2, true, 3300},
      {44, 1, false, 900},  {-5, 0, false, 550}, {400, 0, false, 50}, {0, 7, false, 1650},
  };
  for (const Case &c : cases)
    EXPECT_EQ(PointsFor(c.time, c.level, c.skill), c.points) << "time " << c.time << " level " << c.level;
}

TEST(PlayRules, ExtraLifeOncePerThresholdAndAtMostOnePerQuestion) {
  Player_t p{};
  p.lives = 1;
  p.score = 9800;
  EXPECT_FALSE(GrantExtraLife(p));
  p.score = 10300;
  EXPECT_TRUE(GrantExtraLife(p));
  EXPECT_EQ(p.lives, 2);
  EXPECT_FALSE(GrantExtraLife(p)) << "the next life comes only at 20 000";
  p.score = 45000; // three thresholds passed at once: one life now, one per later question
  EXPECT_TRUE(GrantExtraLife(p));
  EXPECT_EQ(p.extraLives, 2);
  EXPECT_TRUE(GrantExtraLife(p));
  EXPECT_TRUE(GrantExtraLife(p));
  EXPECT_FALSE(GrantExtraLife(p));
  p.score = 1000000;
  int granted = 0;
  while (GrantExtraLife(p))
    granted++;
  EXPECT_EQ(p.extraLives, 6) << "never more than six";
  EXPECT_EQ(granted, 2);
}

TEST(PlayRules, PuzzlesAtEveryFifthQuestionUpTo105) {
  for (int n = 0; n <= 120; n++)
    EXPECT_EQ(IsPuzzleNumber((int16_t)n), n >= 5 && n <= 105 && n % 5 == 0) << n;
}

TEST(PlayRules, ElapsedTimeIsRightAcrossTheClockWrap) {
  EXPECT_EQ(ElapsedBetween(1000, 16000), 15000u);
  EXPECT_EQ(ElapsedBetween(kClockPeriodMs - 5000, 9999), 14999u);
  EXPECT_EQ(ElapsedBetween(kClockPeriodMs - 1, 0), 1u);
  EXPECT_EQ(ElapsedBetween(42, 42), 0u);
}

TEST(PlayRules, NextPlayerSkipsPlayersWithoutLivesAndStopsAfterOneRound) {
  Max_Players = 3;
  Player[0].lives = 2;
  Player[1].lives = 0;
  Player[2].lives = 1;
  Cur_Player = 0;
  EXPECT_TRUE(NextPlayerWithLives());
  EXPECT_EQ(Cur_Player, 2);
  EXPECT_TRUE(NextPlayerWithLives());
  EXPECT_EQ(Cur_Player, 0);
  Player[0].lives = Player[2].lives = 0;
  EXPECT_FALSE(NextPlayerWithLives());
  EXPECT_EQ(Cur_Player, 0);
  Max_Players = 0;
}

// ---- the game screen in a window ---------------------------------------------------

// Every ordinary question's right answer is box 1 unless said otherwise.
QuestionSpec Q(const char *id, int solution = 1, const char *photo = "0") {
  QuestionSpec q;
  q.id = id;
  q.text = std::string("Question ") + id;
  for (int i = 0; i < 4; i++)
    q.answers[i] = "Answer " + std::to_string(i + 1);
  q.solution = solution;
  q.photo = photo;
  return q;
}

// Pointer positions inside the answer boxes and on the jolly.
const int kBoxCentre[5][2] = {{0, 0}, {183, 480}, {603, 480}, {183, 553}, {603, 553}};
const int kJolly[2] = {400, 520};

class PlayTest : public GameFixture {
protected:
  void SetUp() override {
    GameFixture::SetUp();
    srand(1);
  }

  // A file with `perLevel` questions of each level (categories in turn) and
  // `puzzles` flag puzzles; every Solution is 1.
  void loadQuestions(int perLevel, int puzzles, int solution = 1) {
    const char *cats[6] = {"Lett", "Sci", "Sp", "Geo", "St", "Att"};
    const char *levels[3] = {"E-", "M-", "H-"};
    std::vector<QuestionSpec> qs, ps;
    for (int l = 0; l < 3; l++)
      for (int i = 0; i < perLevel; i++)
        qs.push_back(Q((std::string(levels[l]) + cats[i % 6]).c_str(), solution));
    for (int i = 0; i < puzzles; i++)
      ps.push_back(Q("Puzzl", solution, i % 2 ? "italy" : "france"));
    writeResource("data/eng.ini", testsupport::QuestionFile(qs, ps));
    ReadQuestions();
  }

  // From the title: one game of `players` players, each choosing `skill`, up
  // to the game screen.
  void startGame(int players, int skill = CATEGORY_HISTORY) {
    const int playerButtons[7][2] = {{0, 0}, {280, 242}, {513, 242}, {283, 332}, {516, 332}, {282, 421}, {518, 422}};
    clickAt(393, 235); // New game
    ASSERT_EQ(CUR_SCR, SCREEN_PLAYERS);
    clickAt(playerButtons[players][0], playerButtons[players][1]);
    ASSERT_EQ(CUR_SCR, SCREEN_SKILL);
    for (int i = 0; i < players; i++)
      clickAt(392, 236 + 46 * skill);
    ASSERT_EQ(CUR_SCR, SCREEN_LEVEL_START);
    clickAt(400, 300);
    ASSERT_EQ(CUR_SCR, SCREEN_GAME);
    moveTo(5, 5);
  }

  // Lets the result run out and clicks the next-question panel away.
  void nextQuestion() {
    clock.advanceMs(kResultTimeMs);
    frame(); // turn end
    if (CUR_SCR == SCREEN_GAME && GetReady == 1) {
      clickAt(400, 300);
      frame(); // draws the new question
    }
  }
};

TEST_F(PlayTest, OnePlayerGameFromTheFirstQuestionToGameOver) {
  openGameWindow();
  loadQuestions(30, 10);
  startGame(1);
  frame();
  Player_t &p = Player[0];
  ASSERT_EQ(StartLevel, 1) << "the first game of a run begins with a question at once";
  EXPECT_EQ(p.questionNumber, 1);

  // Right answer after 4.4 s of an easy question outside the skill category.
  clock.advanceMs(4400);
  frame();
  clickAt(kBoxCentre[1][0], kBoxCentre[1][1]);
  EXPECT_EQ(WellDone, 1);
  EXPECT_EQ(played(snd_Clap), 1);
  EXPECT_GE(p.score, 400);
  int32_t scoreAfterRight = p.score;

  // Wrong answer: one life less, the result shown for 3 s.
  nextQuestion();
  EXPECT_EQ(p.questionNumber, 2);
  clickAt(kBoxCentre[3][0], kBoxCentre[3][1]);
  EXPECT_EQ(Incorrect, 1);
  EXPECT_EQ(p.lives, 2);
  EXPECT_EQ(p.score, scoreAfterRight);

  // A time-out fires at 15 000 ms, not at 14 999.
  nextQuestion();
  clock.advanceMs(14999 - 10);
  frame();
  EXPECT_EQ(OutofTime, 0);
  clock.advanceMs(20);
  frame();
  EXPECT_EQ(OutofTime, 1);
  EXPECT_EQ(p.lives, 1);

  // The jolly takes two wrong answers away and never the right one.
  nextQuestion();
  clickAt(kJolly[0], kJolly[1]);
  EXPECT_EQ(Jolly, 1);
  EXPECT_EQ(OkShow[0], 1);
  EXPECT_EQ(OkShow[0] + OkShow[1] + OkShow[2] + OkShow[3], 2);
  for (int i = 0; i < 8; i++) {
    clock.advanceMs(200);
    frame();
  }
  EXPECT_EQ(IMG[SLOT_JOLLY].frame, 8) << "the jolly animation runs its eight frames";
  EXPECT_EQ(StartJolly, 0);

  // Last life lost: the game ends on the title screen without a results table.
  int16_t removed = OkShow[1] == 0 ? 2 : 3;
  clickAt(kBoxCentre[removed][0], kBoxCentre[removed][1]);
  EXPECT_EQ(WellDone, 0) << "a removed box cannot be clicked";
  int16_t wrong = OkShow[1] ? 2 : (OkShow[2] ? 3 : 4);
  clickAt(kBoxCentre[wrong][0], kBoxCentre[wrong][1]);
  EXPECT_EQ(p.lives, 0);
  EXPECT_EQ(Jolly, 0) << "a one-player game gets its jolly back after a wrong answer";
  clock.advanceMs(kResultTimeMs);
  frame();
  EXPECT_EQ(CUR_SCR, SCREEN_TITLE);
  EXPECT_EQ(ShowScores, 0);
  EXPECT_EQ(SND[MUSIC_GAME], nullptr);
  EXPECT_NE(SND[MUSIC_TITLE], nullptr);

  // The next game begins with the next-question panel.
  startGame(1);
  frame();
  EXPECT_EQ(GetReady, 1);
  EXPECT_EQ(StartLevel, 0);
}

TEST_F(PlayTest, ThreePlayersTakeTurnsSkipThePlayerOutAndEndWithRankedResults) {
  openGameWindow();
  loadQuestions(30, 10);
  startGame(3);
  frame();
  ASSERT_EQ(Cur_Player, 0);
  // Player 1 answers wrong: the turn passes to player 2 through the level start screen.
  clickAt(kBoxCentre[2][0], kBoxCentre[2][1]);
  clock.advanceMs(kResultTimeMs);
  frame();
  EXPECT_EQ(CUR_SCR, SCREEN_LEVEL_START);
  EXPECT_EQ(Cur_Player, 1);
  clickAt(400, 300);
  frame();
  EXPECT_EQ(GetReady, 1) << "a following player's turn begins with the panel";
  clickAt(400, 300);
  frame();
  ASSERT_EQ(StartLevel, 1);
  // Player 2 loses all lives at once; player 3 follows, then player 1 again.
  Player[1].lives = 1;
  clickAt(kBoxCentre[4][0], kBoxCentre[4][1]);
  clock.advanceMs(kResultTimeMs);
  frame();
  EXPECT_EQ(Cur_Player, 2);
  Player[2].lives = 1;
  clickAt(400, 300); // level start
  clickAt(400, 300); // panel
  frame();
  clickAt(kBoxCentre[4][0], kBoxCentre[4][1]);
  clock.advanceMs(kResultTimeMs);
  frame();
  EXPECT_EQ(Cur_Player, 0) << "player 2 has no lives and is skipped";
  // Everybody out: the title shows the ranked results.
  Player[0].score = 4000;
  Player[0].questionNumber = 20;
  Player[1].score = 6500;
  Player[1].questionNumber = 31;
  Player[2].score = 4000;
  Player[2].questionNumber = 22;
  Player[0].lives = 1;
  clickAt(400, 300);
  clickAt(400, 300);
  frame();
  clickAt(kBoxCentre[4][0], kBoxCentre[4][1]);
  clock.advanceMs(kResultTimeMs);
  frame();
  ASSERT_EQ(CUR_SCR, SCREEN_TITLE);
  EXPECT_EQ(ShowScores, 1);
  EXPECT_EQ(Player[0].score, 6500);
  EXPECT_STREQ(Player[0].name, "Player 2");
  EXPECT_STREQ(Player[1].name, "Player 3");
  EXPECT_EQ(Player[1].questionNumber, 22);
  EXPECT_STREQ(Player[2].name, "Player 1");
  // A click anywhere closes the table.
  clearSounds();
  clickAt(700, 100);
  EXPECT_EQ(ShowScores, 0);
  EXPECT_EQ(played(snd_Click), 1);
  EXPECT_EQ(CUR_SCR, SCREEN_TITLE);
}

// A score server that holds the qualify check until the test lets it answer
// "yes" (also when the test fails first, so the server can stop).
struct HeldServer {
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  bool let = false;
  testsupport::CannedHttpServer server{[f = released](const std::string &target) {
    if (target.find("ishighscore") != std::string::npos)
      f.wait();
    return testsupport::CannedHttpServer::http(200, "yes");
  }};
  std::string base = server.baseUrl();
  HeldServer() { setScoreServer(base.c_str()); }
  void answer() {
    if (!let)
      release.set_value();
    let = true;
  }
  ~HeldServer() {
    answer();
    WaitForOnlineRequests();
    setScoreServer("http://127.0.0.1:8642");
  }
};

TEST_F(PlayTest, TheEndOfAGameWaitsForTheScoreServerFrameByFrame) {
  HeldServer held;
  GV.submitOnline = 1;
  openGameWindow();
  loadQuestions(30, 0);
  startGame(1);
  frame();
  Player_t &p = Player[0];
  p.lives = 1;
  clickAt(kBoxCentre[2][0], kBoxCentre[2][1]); // wrong: the last life goes
  p.score = 9000;
  clock.advanceMs(kResultTimeMs);
  frame(); // the turn end asks the server
  EXPECT_EQ(OnlineWait, ONLINE_WAIT_QUALIFY);
  // The server says nothing yet: frames go on, the screen stays, the line says why.
  for (int i = 0; i < 50; i++) {
    clock.advanceMs(100);
    ASSERT_TRUE(frame());
  }
  EXPECT_EQ(CUR_SCR, SCREEN_GAME);
  EXPECT_EQ(SubmitScore, 0);
  EXPECT_STREQ(OnlineNotice(), "Connecting to the high-score server...");
  held.answer();
  WaitForOnlineRequests();
  frame();
  ASSERT_EQ(SubmitScore, 1) << "the qualifying score opens the name form";
  lastchar = 'Z';
  frame();
  tapKey(K_VK_RETURN);
  EXPECT_EQ(OnlineWait, ONLINE_WAIT_SUBMIT);
  WaitForOnlineRequests();
  frame();
  EXPECT_EQ(OnlineWait, 0);
  EXPECT_EQ(held.server.targets().back(), "/highscores/trivello/scoresubmit.php?name=Z&score=9000");
  clock.advanceMs(kResultTimeMs);
  frame();
  EXPECT_EQ(CUR_SCR, SCREEN_TITLE) << "then the game ends as before";
}

TEST_F(PlayTest, LevelChangesBeforeQuestions15And30) {
  openGameWindow();
  loadQuestions(12, 0);
  StartNewGame(1);
  struct Case {
    int16_t number, level;
    bool newLevel;
    int16_t levelAfter;
  } cases[] = {{13, 0, false, 0}, {14, 0, true, 1},  {14, 1, false, 1}, {28, 1, false, 1},
               {29, 1, true, 2},  {29, 0, false, 0}, {44, 2, false, 2}};
  for (const Case &c : cases) {
    GoToScreen(SCREEN_GAME);
    Player[0].questionNumber = c.number;
    Player[0].level = c.level;
    bool drawn = NewQuestion();
    EXPECT_EQ(drawn, !c.newLevel) << c.number;
    EXPECT_EQ(CUR_SCR, c.newLevel ? SCREEN_LEVEL_START : SCREEN_GAME) << c.number;
    EXPECT_EQ(Player[0].level, c.levelAfter) << c.number;
    if (drawn) {
      EXPECT_EQ(QuestionLevel(Question[CUR_QUE].ID), c.levelAfter);
      EXPECT_EQ(Time, 0) << "a new question's clock starts at 0";
    }
  }
}

TEST_F(PlayTest, PuzzlesOnlyAtMultiplesOfFiveAndNoneAfterF9) {
  openGameWindow();
  loadQuestions(20, 30);
  StartNewGame(1);
  GoToScreen(SCREEN_GAME);
  Player[0].level = 2;
  for (int n = 1; n <= 50; n++) {
    Player[0].questionNumber = (int16_t)(n - 1);
    ASSERT_TRUE(NewQuestion());
    EXPECT_EQ(PuzzleType != PUZZLE_NONE, n % 5 == 0) << n;
    EXPECT_EQ(IsPuzzle(Question[CUR_QUE].ID), n % 5 == 0) << n;
    if (n % 5 == 0) {
      EXPECT_EQ(QuestionType, CATEGORY_NONE);
    }
    StartLevel = 0;
  }
  AllAnswered = 1;
  for (int i = 0; i < 10; i++) {
    ASSERT_TRUE(NewQuestion());
    EXPECT_EQ(Player[0].questionNumber, 41);
    EXPECT_EQ(Player[0].level, 2);
    EXPECT_EQ(PuzzleType, PUZZLE_NONE);
  }
}

TEST_F(PlayTest, AnExtraLifeComesWithItsSoundWhenTheNextQuestionIsDrawn) {
  openGameWindow();
  loadQuestions(12, 0);
  StartNewGame(1);
  GoToScreen(SCREEN_GAME);
  Player[0].score = 10300;
  clearSounds();
  ASSERT_TRUE(NewQuestion());
  EXPECT_EQ(Player[0].lives, 4);
  EXPECT_EQ(played(snd_Clear), 1);
  StartLevel = 0;
  Player[0].score = 19999;
  ASSERT_TRUE(NewQuestion());
  EXPECT_EQ(Player[0].lives, 4);
  EXPECT_EQ(played(snd_Clear), 1);
}

TEST_F(PlayTest, QuestionFortyFiveAtTheHardLevelEndsTheGameHoweverItIsLeft) {
  openGameWindow();
  loadQuestions(12, 0);
  StartNewGame(1);
  GoToScreen(SCREEN_GAME);
  Player_t &p = Player[0];
  // The picture in slot 6 against `file`, both drawn side by side and compared
  // on a grid of points.
  auto slotShows = [&](const char *file) {
    const int spare = 20;
    if (!LoadNewIMG(spare, file))
      return false;
    gameWindow->setWorldView(0, 0, 0, 1.0f, true);
    DrawIMG(SLOT_PICTURE, 0, 0, DRAW_OPAQUE, 0, 1.0f, 1.0f);
    DrawIMG(spare, 400, 0, DRAW_OPAQUE, 0, 1.0f, 1.0f);
    testsupport::PixelReader px(800, 600);
    px.capture();
    for (int y = 10; y < 300; y += 37)
      for (int x = 10; x < 400; x += 41)
        if (!testsupport::near(px.at(x, y), px.at(x + 400, y), 8))
          return false;
    return true;
  };
  struct Case {
    int answer; // 1 right, 2 wrong, 0 time-out
    int16_t level, livesBefore, livesAfter;
    const char *picture;
    bool gameOver;
  } cases[] = {
      {1, 2, 3, 0, "gfx\\endgame.jpg", true}, {2, 2, 3, 0, "gfx\\endgame.jpg", true},
      {0, 2, 3, 0, "gfx\\endgame.jpg", true}, {0, 2, 1, 0, "gfx\\youlose.jpg", true},
      {0, 1, 3, 2, nullptr, false}, // not the hard level: play goes on with 46
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << "answer kind " << c.answer << ", level " << c.level);
    GoToScreen(SCREEN_GAME);
    WellDone = Incorrect = OutofTime = GetReady = Submitted = 0;
    p.level = c.level;
    p.questionNumber = 44;
    p.lives = c.livesBefore;
    ASSERT_TRUE(NewQuestion());
    ASSERT_EQ(p.questionNumber, 45);
    if (c.answer == 1)
      AnswerCorrect(1);
    else if (c.answer == 2)
      AnswerWrong(2);
    else {
      clock.advanceMs(kAnswerTimeMs);
      CheckTimeOut();
    }
    EXPECT_EQ(p.lives, c.livesAfter);
    if (c.picture) {
      EXPECT_TRUE(slotShows(c.picture));
    }
    clock.advanceMs(kResultTimeMs);
    TurnEnd();
    EXPECT_EQ(CUR_SCR, c.gameOver ? SCREEN_TITLE : SCREEN_GAME);
    if (!c.gameOver) {
      GetReady = 0;
      ASSERT_TRUE(NewQuestion());
      EXPECT_EQ(p.questionNumber, 46);
    }
  }
}

TEST_F(PlayTest, SkillPenaltyNeverLeavesANegativeScore) {
  openGameWindow();
  loadQuestions(12, 0);
  StartNewGame(1);
  GoToScreen(SCREEN_GAME);
  Player_t &p = Player[0];
  p.skill = CATEGORY_HISTORY;
  p.score = 600;
  ASSERT_TRUE(NewQuestion());
  QuestionType = CATEGORY_HISTORY;
  AnswerWrong(2);
  EXPECT_EQ(p.score, 0);
  EXPECT_EQ(Points, -1000);
  // The same in another category costs nothing.
  Incorrect = 0;
  p.score = 600;
  ASSERT_TRUE(NewQuestion());
  QuestionType = CATEGORY_SPORT;
  AnswerWrong(2);
  EXPECT_EQ(p.score, 600);
  EXPECT_EQ(Points, 0);
  // Double points in the skill category.
  Incorrect = 0;
  ASSERT_TRUE(NewQuestion());
  QuestionType = CATEGORY_HISTORY;
  Time = 44;
  AnswerCorrect(1);
  EXPECT_EQ(Points, 900);
}

TEST_F(PlayTest, AQuestionWithAPhotoHasNoCategory) {
  openGameWindow();
  std::vector<QuestionSpec> qs = {Q("E-St", 1, "italy")};
  writeResource("data/eng.ini", testsupport::QuestionFile(qs, {}));
  ReadQuestions();
  StartNewGame(1);
  Player[0].skill = CATEGORY_HISTORY;
  GoToScreen(SCREEN_GAME);
  QuestionType = CATEGORY_HISTORY; // left by the question before
  ASSERT_TRUE(NewQuestion());
  EXPECT_EQ(QuestionType, CATEGORY_NONE);
  SCR_DRAW();
  EXPECT_EQ(QuestionType, CATEGORY_NONE);
  Time = 0;
  AnswerCorrect(1);
  EXPECT_EQ(Points, 550) << "no double points through a category the question does not show";
}

TEST_F(PlayTest, JollyRemovesTwoWrongAnswersWhateverTheSolution) {
  openGameWindow();
  for (int solution : {0, 1, 2, 3, 4, 9}) {
    for (int round = 0; round < 20; round++) {
      Question[0].Solution = (int16_t)solution;
      CUR_QUE = 0;
      for (int i = 0; i < 4; i++) {
        OkShow[i] = 1;
        GUIButton[i + 1].state = 1;
      }
      UseJolly();
      int shown = OkShow[0] + OkShow[1] + OkShow[2] + OkShow[3];
      EXPECT_EQ(shown, 2) << "solution " << solution;
      if (solution >= 1 && solution <= 4) {
        EXPECT_EQ(OkShow[solution - 1], 1);
      }
      for (int i = 0; i < 4; i++)
        EXPECT_EQ(GUIButton[i + 1].state, OkShow[i] ? 1 : -1);
    }
  }
  // With one wrong answer left, only that one goes.
  Question[0].Solution = 1;
  OkShow[0] = OkShow[1] = 1;
  OkShow[2] = OkShow[3] = 0;
  UseJolly();
  EXPECT_EQ(OkShow[0], 1);
  EXPECT_EQ(OkShow[1], 0);
}

TEST_F(PlayTest, AFileWithoutQuestionsEndsTheGameOnTheTitle) {
  openGameWindow();
  std::vector<QuestionSpec> easyOnly = {Q("E-Sci"), Q("E-Geo")};
  writeResource("data/eng.ini", testsupport::QuestionFile(easyOnly, {}));
  ReadQuestions();
  StartNewGame(2);
  GoToScreen(SCREEN_GAME);
  Player[0].questionNumber = 4; // a puzzle is due but the file has none
  ASSERT_TRUE(NewQuestion());
  EXPECT_EQ(PuzzleType, PUZZLE_NONE);
  EXPECT_FALSE(IsPuzzle(Question[CUR_QUE].ID));
  Player[0].level = 1; // no medium question at all
  StartLevel = 0;
  EXPECT_FALSE(NewQuestion());
  EXPECT_EQ(CUR_SCR, SCREEN_TITLE);
  EXPECT_EQ(ShowScores, 1);
}

// A game that cannot draw its next question returns to the title with the
// reason on the notice line, which goes after its few seconds.
TEST_F(PlayTest, AGameThatCannotGoOnTellsWhyOnTheTitle) {
  struct Case {
    const char *file; // null: no question file at all
    int16_t level;
    const char *reason;
  } cases[] = {
      {nullptr, 0, "The question file is missing or cannot be read"},
      {"\x01\x02 not a question file\n", 0, "The question file is missing or cannot be read"},
      {"easy only", 1, "The question file has no questions of this level"},
  };
  openGameWindow();
  for (const Case &c : cases) {
    std::string path = resDir + "/data/eng.ini";
    std::remove(path.c_str());
    if (c.file && std::string(c.file) == "easy only")
      writeResource("data/eng.ini", testsupport::QuestionFile({Q("E-Sci"), Q("E-Geo")}, {}));
    else if (c.file)
      writeResource("data/eng.ini", c.file);
    ReadQuestions();
    StartNewGame(1);
    GoToScreen(SCREEN_GAME);
    Player[0].level = c.level;
    StartLevel = 0;
    EXPECT_FALSE(NewQuestion()) << c.reason;
    EXPECT_EQ(CUR_SCR, SCREEN_TITLE);
    EXPECT_STREQ(OnlineNotice(), c.reason);
    clock.advanceMs(kNoticeMs - 1);
    EXPECT_STREQ(OnlineNotice(), c.reason);
    clock.advanceMs(1);
    EXPECT_EQ(OnlineNotice(), nullptr);
  }
}

TEST_F(PlayTest, TimeOutIsNeverEarlyAcrossTheClockWrapAndTimeStaysInRange) {
  openGameWindow();
  loadQuestions(12, 0);
  StartNewGame(1);
  GoToScreen(SCREEN_GAME);
  // 2 s before the millisecond clock falls back to 0.
  clock.now = (uint64_t)(kClockPeriodMs - 2000) * 1000;
  frame();
  ASSERT_EQ(StartLevel, 1);
  for (int i = 0; i < 14; i++) {
    clock.advanceMs(1000);
    frame();
  }
  EXPECT_EQ(OutofTime, 0) << "not early because the clock wrapped";
  EXPECT_LE(Time, 150);
  EXPECT_GE(Time, 139);
  clock.advanceMs(1002); // the clock's period is 0.296 ms longer than whole milliseconds
  frame();
  EXPECT_EQ(OutofTime, 1);
  // A long stall never pushes Time past the clock's end.
  OutofTime = 0;
  GetReady = 0;
  StartLevel = 0;
  frame();
  clock.advanceMs(14000);
  IntroTimer = Now() - 60000;
  SCR_DRAW();
  EXPECT_LE(Time, 150);
}

TEST_F(PlayTest, NoTimeOutWhileTheNextQuestionPanelWaits) {
  openGameWindow();
  loadQuestions(12, 0);
  StartNewGame(1);
  GoToScreen(SCREEN_GAME);
  frame();
  clickAt(kBoxCentre[1][0], kBoxCentre[1][1]);
  clock.advanceMs(kResultTimeMs);
  frame();
  ASSERT_EQ(GetReady, 1);
  clock.advanceMs(60000); // the window was busy for a minute
  frame();
  EXPECT_EQ(OutofTime, 0);
  EXPECT_EQ(Player[0].lives, 3);
}

TEST_F(PlayTest, KeysAnswerUseTheJollyAndDismissThePanelOncePerPress) {
  openGameWindow();
  loadQuestions(12, 0, 2);
  StartNewGame(1);
  GoToScreen(SCREEN_GAME);
  frame();
  tapKey(K_VK_J);
  EXPECT_EQ(Jolly, 1);
  EXPECT_EQ(OkShow[1], 1);
  tapKey(K_VK_B);
  EXPECT_EQ(WellDone, 1);
  EXPECT_EQ(Clicked, 2);
  clock.advanceMs(kResultTimeMs);
  frame();
  ASSERT_EQ(GetReady, 1);
  // Space held: it dismisses the panel once, and does not act again.
  KInput::injectKey(K_VK_SPACE, true);
  frame();
  EXPECT_EQ(GetReady, 0);
  frame();
  frame();
  KInput::injectKey(K_VK_SPACE, false);
  EXPECT_EQ(StartLevel, 1);
  tapKey(K_VK_3);
  EXPECT_EQ(Incorrect, 1);
  EXPECT_EQ(Clicked, 3);
}

} // namespace
