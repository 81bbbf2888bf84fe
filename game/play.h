// The game screen (screen 3) and the level start screen (screen 5): the
// rules of play as functions that do not draw, then the drawing, then the
// clicks and keys.
#ifndef TRIVELLO_PLAY_H
#define TRIVELLO_PLAY_H

#include <cstdint>
#include <string>

#include "globals.h"
#include "players.h" // kLastQuestion

// ---- rules -----------------------------------------------------------------
const uint32_t kAnswerTimeMs = 15000; // a question times out after 14 999 ms
const uint32_t kResultTimeMs = 3000;  // how long a result is shown

// Points of a correct answer after `time` tenths of a second at `level`,
// doubled in the player's skill category.
int16_t PointsFor(int16_t time, int16_t level, bool skillCategory);
// Whole seconds left on the answer clock after `time` tenths (the standard
// clock shows 15 - time / 10); 0 or less once it ran out.
int32_t SecondsLeft(int16_t time);
// The outcome of the last answer in words ("RIGHT ANSWER", ...), "" before
// one: what is read aloud (the outcome pictures carry their own words).
const char *ResultWords();
// Draws the mark of an answer strip with the top-left corner of its 23 x 23
// box at (x, y): a tick for the right answer, a cross for a wrong one.
void DrawAnswerMark(short x, short y, bool right);
// ---- reading aloud ----------------------------------------------------------
// What is read for the question on screen (its text, then each answer still
// shown with its letter), for the last result, for the level start screen
// and for the final results table.
std::string QuestionSpeech();
std::string ResultSpeech();
std::string LevelStartSpeech();
std::string FinalResultsSpeech();
// Speaks `text` when reading aloud is on.
void SpeakIfReadingAloud(const std::string &text);
// The R key: reads again what the screen shows (question, result, level start).
void RepeatReading();
// While the first reading of a question goes on, its clock does not run;
// it starts when the reading ends.
void HoldClockWhileReading();
bool ClockHeldForReading();
// Grants one extra life at 10 000, 20 000, ... 60 000 points; true when it did.
bool GrantExtraLife(Player_t &player);
// The set-up of screen 3: a fresh question is due and the jolly is back.
void EnterGameScreen();
// A new question for the current player (extra life, skip-ahead, level
// change, the pick, puzzles, its picture). False when the frame ends
// instead: a new level's start screen, or the game over for want of questions.
bool NewQuestion();
// Takes a life when the answer time has run out; on the last question at
// the hard level the time-out ends the player's game, as a wrong answer does.
void CheckTimeOut();
// The answer box `box` was the right one, or a wrong one.
void AnswerCorrect(int16_t box);
void AnswerWrong(int16_t box);
// Uses the jolly: two wrong answers disappear.
void UseJolly();
// In one-player games the jolly comes back after a wrong answer or a time-out.
void GiveJollyBack();

// What the turn end did to the frame.
enum TurnEndResult {
  TURN_GOES_ON,       // the same frame goes on (next-question panel)
  TURN_FRAME_ENDS,    // the score offer starts (the server's reply awaited, or the name-entry form)
  TURN_SCREEN_CHANGED // level start for the next player, or the title after the game
};
TurnEndResult TurnEnd();
// Passes the turn to the next player in order who has lives left (the
// current one when nobody else has); false when no player has lives left.
bool NextPlayerWithLives();
// The game is over: with several players the ranked results table shows
// over the title screen.
void EndGame();

// ---- screens ---------------------------------------------------------------
void DrawGameScreen();
void ClickGame();
void DrawLevelStartScreen();

// Resets the per-game values and the asked marks of the ordinary questions.
void GameInit();

#endif
