// Program entry helpers shared by the launcher and the game loop.
#ifndef TRIVELLO_ENTRY_H
#define TRIVELLO_ENTRY_H

// Resets the per-game values and the asked marks of the ordinary questions.
void GameInit();

#endif
