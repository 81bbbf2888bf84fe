// What one player's game can score, worked out from the point rule of
// play.cpp, so that the score server can tell a real score from a forged one.
// Header only, with no dependency on the rest of the game: the server
// includes it too.
//
// The rule: a right answer earns (11 - Time / 15) x 50 x (level + 1) points,
// doubled in the player's skill category; Time is at least 0, so the first
// factor is at most 11. Questions 1 to 14 are easy (level 0), 15 to 29 medium
// (level 1), 30 to 45 hard (level 2), and the game ends with question 45.
// Wrong answers and time-outs earn nothing; a wrong answer in the skill
// category costs 1000 points, never below 0. Extra lives only let a player
// go on; they do not add questions beyond the 45th. (A game in which the
// skip-ahead key F9 was pressed asks question 41 again and again until the
// lives run out, so it has no bound; the server refuses such a score above
// the one below.)
//
// The best game answers all 45 questions within 1.5 s each, all in the skill
// category:
//   14 x 1100 + 15 x 2200 + 16 x 3300 = 15 400 + 33 000 + 52 800 = 101 200.
//
// Every amount the rule adds or takes is a multiple of 50 (the factor times
// 50, or 1000), and a score never drops below 0, so every score is a multiple
// of 50. (A few multiples of 50 just under the top, such as 101 150, cannot be
// reached either; they are let through, as refusing a real score would be
// worse than accepting one of those.)
#ifndef TRIVELLO_SCORELIMIT_H
#define TRIVELLO_SCORELIMIT_H

#include <cstdint>

namespace scorelimit {

constexpr int32_t kBestFactor = 11; // answered within the first 1.5 s
constexpr int32_t kPointUnit = 50;  // every point amount is a multiple of this
constexpr int32_t kSkillMultiplier = 2;
constexpr int32_t kEasyQuestions = 14;   // questions 1 to 14
constexpr int32_t kMediumQuestions = 15; // questions 15 to 29
constexpr int32_t kHardQuestions = 16;   // questions 30 to 45

// The most one right answer at `level` (0 to 2) can earn.
constexpr int32_t BestPoints(int32_t level) { return kBestFactor * kPointUnit * (level + 1) * kSkillMultiplier; }

// The highest score one player's game can reach.
constexpr int32_t kMaxGameScore = kEasyQuestions * BestPoints(0) + kMediumQuestions * BestPoints(1) +
                                  kHardQuestions * BestPoints(2);
static_assert(kMaxGameScore == 101200, "the derivation above no longer matches");

// Every score the rule produces is a multiple of this.
constexpr int32_t kScoreStep = kPointUnit;

// True for a score some game could end with: 0 to kMaxGameScore, in steps of
// kScoreStep.
constexpr bool IsPossibleScore(int64_t score) {
  return score >= 0 && score <= kMaxGameScore && score % kScoreStep == 0;
}

} // namespace scorelimit

#endif
