// Rules of play on the game screen, and whole games played through the real
// SCR_DRAW / SCR_CLICK in a window, with the fake clock and injected input.
#include <gtest/gtest.h>

#include <cstdio>
#include <future>
#include <string>

#include "KWindow.h"
#include "clock.h"
#include "images.h"
#include "online.h"
#include "play.h"
#include "puzzle.h"
#include "questions.h"
#include "screens.h"
#include "support/CannedHttpServer.h"
#include "support/GameFixture.h"
#include "support/PixelReader.h"

using namespace testsupport;

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

TEST(PlayRules, ExtraLifeOncePerThresholdAtMostOnePerQuestionAndSixInAll) {
  // 45 000 passes three thresholds at once: one life now, one per later question.
  struct Step {
    int32_t score;
    bool life;
  } steps[] = {
      {9800, false}, {10300, true},  {10300, false},  {45000, true},   {45000, true},
      {45000, true}, {45000, false}, {1000000, true}, {1000000, true}, {1000000, false},
  };
  Player_t p{};
  p.lives = 1;
  for (const Step &s : steps) {
    p.score = s.score;
    EXPECT_EQ(GrantExtraLife(p), s.life) << s.score;
  }
  EXPECT_EQ(p.extraLives, 6);
  EXPECT_EQ(p.lives, 7);
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
  for (int16_t next : {2, 0}) {
    EXPECT_TRUE(NextPlayerWithLives());
    EXPECT_EQ(Cur_Player, next);
  }
  Player[0].lives = Player[2].lives = 0;
  EXPECT_FALSE(NextPlayerWithLives());
  EXPECT_EQ(Cur_Player, 0);
  Max_Players = 0;
}

// ---- the game screen in a window ---------------------------------------------------
// Every question's right answer is box 1 unless said otherwise.

using PlayTest = GameFixture;

TEST_F(PlayTest, OnePlayerGameFromTheFirstQuestionToGameOverByMouseAndKeys) {
  openGameWindow();
  loadQuestions(30, 10);
  startGame(1, CATEGORY_HISTORY);
  play({
      "frame => StartLevel=1 question0=1", // the first game of a run begins with a question at once
      "wait 4400",
      "box 1 => WellDone=1 lives0=3" // an easy question outside the skill category
  });
  EXPECT_EQ(played(snd_Clap), 1);
  int32_t score = Player[0].score;
  EXPECT_GE(score, 400);
  play({
      "wait 3000 => GetReady=1",            // the next-question panel
      "wait 60000 => OutofTime=0 lives0=3", // never times out, even after a stalled minute
      "click 400 300", "frame => question0=2 StartLevel=1",
      "key 3 => Incorrect=1 Clicked=3 lives0=2", // a wrong answer by its key
      "wait 3000 => GetReady=1", "click 400 300", "frame",
      "wait 14989 => OutofTime=0", // a time-out at 15 000 ms, not at 14 999
      "wait 20 => OutofTime=1 lives0=1", "wait 3000 => GetReady=1",
      "hold SPACE => GetReady=0", // Space held dismisses the panel once
      "frames 2 => StartLevel=1 GetReady=0", "release SPACE",
      "key J => Jolly=1 shown=2" // the jolly takes two wrong answers away
  });
  EXPECT_EQ(Player[0].score, score);
  EXPECT_EQ(OkShow[0], 1) << "never the right one";
  // The jolly's animation runs its eight frames.
  play({"wait 200", "wait 200", "wait 200", "wait 200", "wait 200", "wait 200", "wait 200",
        "wait 200 => jollyFrame=8 StartJolly=0"});
  // A removed box cannot be clicked; the last life lost by a letter key ends
  // the game on the title screen without a results table.
  clickBox(OkShow[1] == 0 ? 2 : 3);
  EXPECT_EQ(WellDone + Incorrect, 0);
  const EKeyboardLayout letter[5] = {K_VK_A, K_VK_A, K_VK_B, K_VK_C, K_VK_D};
  tapKey(letter[OkShow[1] ? 2 : (OkShow[2] ? 3 : 4)]);
  play({"=> lives0=0 Jolly=0", // a one-player game gets its jolly back after a wrong answer
        "wait 3000 => screen=1 ShowScores=0"});
  EXPECT_EQ(SND[MUSIC_GAME], nullptr);
  EXPECT_NE(SND[MUSIC_TITLE], nullptr);
  // The next game begins with the next-question panel.
  startGame(1, CATEGORY_HISTORY);
  play({"frame => GetReady=1 StartLevel=0"});
}

TEST_F(PlayTest, ThreePlayersTakeTurnsSkipThePlayerOutAndEndWithRankedResults) {
  openGameWindow();
  loadQuestions(30, 10);
  startGame(3, CATEGORY_HISTORY);
  // Player 1 answers wrong; the turn passes through the level start screen,
  // and a following player's turn begins with the panel.
  play({"frame", "box 2", "wait 3000 => screen=5 player=1", "click 400 300", "frame => GetReady=1"});
  // Each later turn: the panel, then a wrong answer that costs the last life.
  auto lastLifeTurn = [&](bool levelStart) {
    if (levelStart)
      clickAt(400, 300);
    play({"click 400 300", "frame => StartLevel=1"});
    CurrentPlayer().lives = 1;
    play({"box 4", "wait 3000"});
  };
  lastLifeTurn(false);
  EXPECT_EQ(Cur_Player, 2);
  lastLifeTurn(true);
  EXPECT_EQ(Cur_Player, 0) << "player 2 has no lives and is skipped";
  // Everybody out: the title shows the ranked results.
  const int32_t scores[3] = {4000, 6500, 4000};
  const int16_t numbers[3] = {20, 31, 22};
  for (int i = 0; i < 3; i++) {
    Player[i].score = scores[i];
    Player[i].questionNumber = numbers[i];
  }
  lastLifeTurn(true);
  play({"=> screen=1 ShowScores=1 score0=6500 question1=22"});
  EXPECT_STREQ(Player[0].name, "Player 2");
  EXPECT_STREQ(Player[1].name, "Player 3");
  EXPECT_STREQ(Player[2].name, "Player 1");
  play({"click 700 100 => ShowScores=0 clickSounds=1"}); // a click anywhere closes the table
}

// A score server that holds the qualify check until the test lets it answer
// "yes" (also when the test fails first, so the server can stop).
struct HeldServer {
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  bool let = false;
  CannedHttpServer server{[f = released](const std::string &target) {
    if (target.find("ishighscore") != std::string::npos)
      f.wait();
    return CannedHttpServer::http(200, "yes");
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
  startGame(1, CATEGORY_HISTORY);
  Player[0].lives = 1;
  play({"frame", "box 2"}); // wrong: the last life goes
  Player[0].score = 9000;
  play({"wait 3000 => OnlineWait=1"}); // the turn end asks the server
  // The server says nothing yet: frames go on, the screen stays, the line says why.
  for (int i = 0; i < 50; i++)
    play({"wait 100 => screen=3 SubmitScore=0"});
  EXPECT_STREQ(OnlineNotice(), "Connecting to the high-score server...");
  held.answer();
  WaitForOnlineRequests();
  play({"frame => SubmitScore=1"}); // the qualifying score opens the name form
  lastchar = 'Z';
  play({"frame", "key RETURN => OnlineWait=2"});
  WaitForOnlineRequests();
  play({"frame => OnlineWait=0"});
  EXPECT_EQ(held.server.targets().back(), "/highscores/trivello/scoresubmit.php?name=Z&score=9000");
  play({"wait 3000 => screen=1"}); // then the game ends as before
}

TEST_F(PlayTest, LevelsChangeBeforeQuestions15And30AndExtraLivesComeWithTheirSound) {
  openGameWindow();
  loadQuestions(12, 0);
  playOnGameScreen();
  struct Case {
    int16_t number, level;
    bool newLevel;
    int16_t levelAfter;
  } cases[] = {
      {13, 0, false, 0}, {14, 0, true, 1},  {14, 1, false, 1}, {28, 1, false, 1},
      {29, 1, true, 2},  {29, 0, false, 0}, {44, 2, false, 2},
  };
  for (const Case &c : cases) {
    GoToScreen(SCREEN_GAME);
    Player[0].questionNumber = c.number;
    Player[0].level = c.level;
    Time = 99;
    EXPECT_EQ(NewQuestion(), !c.newLevel) << c.number;
    EXPECT_EQ(CUR_SCR, c.newLevel ? SCREEN_LEVEL_START : SCREEN_GAME) << c.number;
    EXPECT_EQ(Player[0].level, c.levelAfter) << c.number;
    if (!c.newLevel) {
      EXPECT_EQ(QuestionLevel(Question[CUR_QUE].ID), c.levelAfter);
      EXPECT_EQ(Time, 0) << "a new question's clock starts at 0";
    }
  }
  // 10 300 points: a life and its sound; nothing more before 20 000.
  GoToScreen(SCREEN_GAME);
  Player[0].questionNumber = 1;
  clearSounds();
  for (int32_t score : {10300, 19999}) {
    Player[0].score = score;
    StartLevel = 0;
    ASSERT_TRUE(NewQuestion());
    EXPECT_EQ(Player[0].lives, 4);
    EXPECT_EQ(played(snd_Clear), 1);
  }
}

TEST_F(PlayTest, PuzzlesOnlyAtMultiplesOfFiveAndNoneAfterF9) {
  openGameWindow();
  loadQuestions(20, 30);
  playOnGameScreen();
  Player[0].level = 2;
  for (int n = 1; n <= 50; n++) {
    Player[0].questionNumber = (int16_t)(n - 1);
    StartLevel = 0;
    ASSERT_TRUE(NewQuestion());
    EXPECT_EQ(PuzzleType != PUZZLE_NONE, n % 5 == 0) << n;
    EXPECT_EQ(IsPuzzle(Question[CUR_QUE].ID), n % 5 == 0) << n;
    if (n % 5 == 0) {
      EXPECT_EQ(QuestionType, CATEGORY_NONE);
    }
  }
  AllAnswered = 1; // F9: every later question is the 41st, hard, never a puzzle
  for (int i = 0; i < 10; i++) {
    ASSERT_TRUE(NewQuestion());
    EXPECT_EQ(Player[0].questionNumber, 41);
    EXPECT_EQ(Player[0].level, 2);
    EXPECT_EQ(PuzzleType, PUZZLE_NONE);
  }
}

TEST_F(PlayTest, QuestionFortyFiveAtTheHardLevelEndsTheGameHoweverItIsLeft) {
  openGameWindow();
  loadQuestions(12, 0);
  playOnGameScreen();
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
    PixelReader px(800, 600);
    px.capture();
    for (int y = 10; y < 300; y += 37)
      for (int x = 10; x < 400; x += 41)
        if (!near(px.at(x, y), px.at(x + 400, y), 8))
          return false;
    return true;
  };
  struct Case {
    int answer; // 1 right, 2 wrong, 0 time-out
    int16_t level, livesBefore, livesAfter;
    const char *picture;
    bool gameOver;
  } cases[] = {
      {1, 2, 3, 0, "gfx\\endgame.jpg", true},
      {2, 2, 3, 0, "gfx\\endgame.jpg", true},
      {0, 2, 3, 0, "gfx\\endgame.jpg", true},
      {0, 2, 1, 0, "gfx\\youlose.jpg", true},
      {0, 1, 3, 2, nullptr, false} // not the hard level: play goes on with 46
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

// Only the question's own category doubles the points or costs the -1000
// penalty (never below 0), and a question with a photo has none, whatever
// the question before had.
TEST_F(PlayTest, TheSkillCategoryDoublesOrCostsAndAPhotoQuestionHasNoCategory) {
  openGameWindow();
  writeResource("data/eng.ini", QuestionFile({Ask("E-St", 1, "italy")}, {}));
  ReadQuestions();
  playOnGameScreen();
  Player_t &p = Player[0];
  p.skill = CATEGORY_HISTORY;
  QuestionType = CATEGORY_HISTORY; // left by the question before
  ASSERT_TRUE(NewQuestion());
  EXPECT_EQ(QuestionType, CATEGORY_NONE);
  SCR_DRAW();
  EXPECT_EQ(QuestionType, CATEGORY_NONE);
  AnswerCorrect(1);
  EXPECT_EQ(Points, 550);
  struct Case {
    int16_t category;
    bool right;
    int16_t points;
    int32_t scoreAfter;
  } cases[] = {
      {CATEGORY_HISTORY, false, -1000, 0}, {CATEGORY_SPORT, false, 0, 600}, {CATEGORY_HISTORY, true, 900, 1500}};
  for (const Case &c : cases) {
    WellDone = Incorrect = 0;
    p.score = 600;
    ASSERT_TRUE(NewQuestion());
    QuestionType = c.category;
    Time = 44;
    if (c.right)
      AnswerCorrect(1);
    else
      AnswerWrong(2);
    EXPECT_EQ(Points, c.points) << c.category;
    EXPECT_EQ(p.score, c.scoreAfter) << c.category;
  }
}

TEST_F(PlayTest, JollyRemovesTwoWrongAnswersWhateverTheSolution) {
  openGameWindow();
  for (int solution : {0, 1, 2, 3, 4, 9}) {
    for (int round = 0; round < 20; round++) {
      Question[0].Solution = (int16_t)solution;
      CUR_QUE = 0;
      for (int i = 0; i < 4; i++)
        OkShow[i] = GUIButton[i + 1].state = 1;
      UseJolly();
      EXPECT_EQ(OkShow[0] + OkShow[1] + OkShow[2] + OkShow[3], 2) << "solution " << solution;
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

// A game that cannot draw its next question returns to the title with the
// results and the reason on the notice line, which goes after its few seconds.
TEST_F(PlayTest, AGameThatCannotGoOnEndsOnTheTitleAndTellsWhy) {
  struct Case {
    const char *file; // null: no question file at all
    const char *reason;
  } cases[] = {
      {nullptr, "The question file is missing or cannot be read"},
      {"\x01\x02 not a question file\n", "The question file is missing or cannot be read"},
      {"easy only", "The question file has no questions of this level"},
  };
  openGameWindow();
  for (const Case &c : cases) {
    SCOPED_TRACE(c.reason);
    std::remove((resDir + "/data/eng.ini").c_str());
    if (c.file && std::string(c.file) == "easy only")
      writeResource("data/eng.ini", QuestionFile({Ask("E-Sci"), Ask("E-Geo")}, {}));
    else if (c.file)
      writeResource("data/eng.ini", c.file);
    ReadQuestions();
    playOnGameScreen(2);
    if (MAX_QUESTIONS > 0) {
      Player[0].questionNumber = 4; // a puzzle is due but the file has none
      ASSERT_TRUE(NewQuestion());
      EXPECT_EQ(PuzzleType, PUZZLE_NONE);
      EXPECT_FALSE(IsPuzzle(Question[CUR_QUE].ID));
      Player[0].level = 1; // no medium question at all
      StartLevel = 0;
    }
    EXPECT_FALSE(NewQuestion());
    EXPECT_EQ(CUR_SCR, SCREEN_TITLE);
    EXPECT_EQ(ShowScores, 1);
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
  playOnGameScreen();
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
  OutofTime = GetReady = StartLevel = 0;
  frame();
  clock.advanceMs(14000);
  IntroTimer = Now() - 60000;
  SCR_DRAW();
  EXPECT_LE(Time, 150);
}

} // namespace
