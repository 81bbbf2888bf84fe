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

// Every score some run of right answers, wrong answers (with or without the
// skill penalty) and time-outs can leave after each of the 45 questions,
// whatever the lives; the possible-score rule must take all of them, and
// nothing off its steps or beyond the bound.
TEST(ScoreLimit, NoScoreTheRuleCanProduceIsRefused) {
  std::set<int> reachable = {0};
  for (int n = 1; n <= kLastQuestion; n++) {
    std::set<int> points;
    for (int time = -5; time <= 160; time++) // times outside 0 to 150 count as the nearest
      for (bool skill : {false, true})
        points.insert(PointsFor((int16_t)time, (int16_t)LevelOfQuestion(n), skill));
    ASSERT_EQ(*points.rbegin(), BestPoints(LevelOfQuestion(n))) << "question " << n;
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
  for (int64_t s : {501LL, 549LL, kMaxGameScore + 50LL, -50LL, 2147483647LL, 2147483650LL})
    EXPECT_FALSE(IsPossibleScore(s)) << s;
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
    for (int i = 0; i < 20; i++)
      qs.push_back({id, "Q", {"a", "b", "c", "d"}, 1});
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
