// The score bound the server trusts, checked against the rules of play: the
// best game played through NewQuestion and AnswerCorrect reaches it exactly,
// and no sequence of answers the point rule allows leaves it or its steps.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

#include "globals.h"
#include "play.h"
#include "players.h"
#include "questions.h"
#include "scorelimit.h"
#include "screens.h"
#include "support/GameFixture.h"

using namespace scorelimit;

namespace {

// The level of the n-th question (1-based), as NewQuestion moves it.
int LevelOfQuestion(int n) { return n <= 14 ? 0 : n <= 29 ? 1 : 2; }

TEST(ScoreLimit, EachAnswerStaysWithinTheBestPointsAndTheStep) {
  for (int level = 0; level <= 2; level++) {
    int best = 0;
    for (int time = -5; time <= 160; time++) {
      for (bool skill : {false, true}) {
        int points = PointsFor((int16_t)time, (int16_t)level, skill);
        EXPECT_LE(points, BestPoints(level)) << "time " << time << " level " << level;
        EXPECT_EQ(points % kScoreStep, 0) << "time " << time << " level " << level;
        best = std::max(best, points);
      }
    }
    EXPECT_EQ(best, BestPoints(level)) << level;
  }
}

// Every score some run of right answers, wrong answers (with or without the
// skill penalty) and time-outs can leave after each of the 45 questions,
// whatever the lives; the possible-score rule must take all of them.
TEST(ScoreLimit, NoScoreTheRuleCanProduceIsRefused) {
  std::set<int> reachable = {0};
  for (int n = 1; n <= kLastQuestion; n++) {
    std::set<int> points;
    for (int time = 0; time <= 150; time++)
      for (bool skill : {false, true})
        points.insert(PointsFor((int16_t)time, (int16_t)LevelOfQuestion(n), skill));
    std::set<int> next;
    for (int s : reachable) {
      next.insert(s);                     // a time-out or a wrong answer
      next.insert(std::max(0, s - 1000)); // a wrong answer in the skill category
      for (int p : points)
        next.insert(s + p);
    }
    reachable.swap(next);
  }
  EXPECT_EQ(*reachable.rbegin(), kMaxGameScore);
  for (int s : reachable)
    ASSERT_TRUE(IsPossibleScore(s)) << s;
}

TEST(ScoreLimit, PossibleScoresAreStepsUpToTheBound) {
  struct Case {
    int64_t score;
    bool possible;
  } cases[] = {{0, true},
               {50, true},
               {550, true},
               {501, false},
               {549, false},
               {kMaxGameScore, true},
               {kMaxGameScore + 50, false},
               {-50, false},
               {2147483647, false},
               {2147483650LL, false}};
  for (const Case &c : cases)
    EXPECT_EQ(IsPossibleScore(c.score), c.possible) << c.score;
}

// The best game through the real rules: every question answered at once and
// counted in the skill category, level screens included, until the game ends.
class BestGame : public testsupport::GameFixture {};

TEST_F(BestGame, ReachesTheBoundExactlyAfterFortyFiveAnswers) {
  openGameWindow();
  srand(1);
  std::vector<testsupport::QuestionSpec> qs;
  const char *levels[3] = {"E-St", "M-St", "H-St"};
  for (const char *id : levels)
    for (int i = 0; i < 20; i++) {
      testsupport::QuestionSpec q;
      q.id = id;
      q.text = "Q";
      q.answers[0] = "a", q.answers[1] = "b", q.answers[2] = "c", q.answers[3] = "d";
      q.solution = 1;
      qs.push_back(q);
    }
  writeResource("data/eng.ini", testsupport::QuestionFile(qs, {}));
  ReadQuestions();
  StartNewGame(1);
  Player_t &p = Player[0];
  p.skill = CATEGORY_HISTORY;
  GoToScreen(SCREEN_GAME);
  int answered = 0;
  for (int guard = 0; p.lives > 0 && guard < 200; guard++) {
    WellDone = 0;
    if (!NewQuestion()) {
      ASSERT_EQ(CUR_SCR, SCREEN_LEVEL_START);
      GoToScreen(SCREEN_GAME);
      continue;
    }
    QuestionType = p.skill;
    Time = 0;
    AnswerCorrect(1);
    EXPECT_EQ(Points, BestPoints(LevelOfQuestion(p.questionNumber))) << p.questionNumber;
    answered++;
  }
  EXPECT_EQ(answered, kLastQuestion);
  EXPECT_EQ(p.score, kMaxGameScore);
}

} // namespace
