// The game screen (screen 3) and the level start screen (screen 5): the
// rules of play as functions that do not draw, then the drawing, then the
// clicks and keys.
#ifndef TRIVELLO_PLAY_H
#define TRIVELLO_PLAY_H

#include <cstdint>

#include "globals.h"

// ---- rules -----------------------------------------------------------------
const uint32_t kAnswerTimeMs = 15000; // a question times out after 14 999 ms
const uint32_t kResultTimeMs = 3000;  // how long a result is shown
const int16_t kLastQuestion = 45;

// Points of a correct answer after `time` tenths of a second at `level`,
// doubled in the player's skill category.
int16_t PointsFor(int16_t time, int16_t level, bool skillCategory);
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

#endif
