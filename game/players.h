// Players: the game start, the skill choice, the ranking and the results
// table shown over the title screen after a game of several players.
#ifndef TRIVELLO_PLAYERS_H
#define TRIVELLO_PLAYERS_H

#include <cstdint>

#include "globals.h"

// Skill categories, the same numbers as the question categories.
enum Category : int16_t {
  CATEGORY_NONE = -1,
  CATEGORY_LETTERS = 0,
  CATEGORY_SCIENCE = 1,
  CATEGORY_SPORT = 2,
  CATEGORY_GEOGRAPHY = 3,
  CATEGORY_HISTORY = 4,
  CATEGORY_VARIOUS = 5,
};

const int16_t kStartLives = 3;
// The number of a player's last question; answering it ends the game.
const int16_t kLastQuestion = 45;

// The game start for `players` (1 to 6; other values are brought into that
// range): the records in use are reset, AllAnswered and Cur_Player become 0.
void StartNewGame(int16_t players);
// Max_Players brought into 1..6: the number of player records in use.
int16_t PlayersInUse();
// Stores the current player's skill and passes to the next player; true
// when that was the last player (Cur_Player is then 0 again).
bool ChooseSkill(int16_t skill);
// The current player's record (Cur_Player kept within the table).
Player_t &CurrentPlayer();

// 1 when a ranks strictly above b: the higher score, on equal scores the
// higher question number.
int compareBoxer(Player_t *a, Player_t *b);
int compareBoxerSpecial(Player_t *a, Player_t *b);
// Orders the first Max_Players records from best to worst.
void sortCategory();
// Names the records in use "Player 1", "Player 2", ... in the order of play.
void NamePlayers();

// Level names: the game screen's side panel and the results table differ.
const char *PanelLevelName(int16_t level);
const char *ResultsLevelName(int16_t level);

// The skill screen.
void DrawSkillScreen();
// The results table's frame (also the top ten's): the title background, its
// panel and the title logo.
void DrawResultsFrame();
// The results table over the title screen.
void DrawResultsTable();

#endif
