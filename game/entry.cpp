// Per-game set-up shared by the program's start and every new game.
#include "entry.h"

#include <cstring>

#include "globals.h"

void GameInit() {
  Jolly = 0;
  Time = 60;
  WellDone = 0;
  Incorrect = 0;
  if (MAX_QUESTIONS > 0)
    memset(QuestionAsked, 0, sizeof(QuestionAsked[0]) * (size_t)MAX_QUESTIONS);
}
