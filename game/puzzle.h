// Photo puzzles: every fifth question's photo is revealed while the clock
// runs, by fading in, by zooming out from four times its size, or by tiles
// that fade away one after the other.
#ifndef TRIVELLO_PUZZLE_H
#define TRIVELLO_PUZZLE_H

#include <cstdint>

// Values of PuzzleType.
enum PuzzleKind : int16_t { PUZZLE_NONE = -1, PUZZLE_FADE = 0, PUZZLE_ZOOM = 1, PUZZLE_TILES = 2 };

// Whether a player's question number calls for a puzzle: 5, 10, ..., 105.
bool IsPuzzleNumber(int16_t questionNumber);
// Chooses the reveal, clears the category and times the tiles.
void PreparePuzzle();
// Opacity of the cover over tile (col, row) at `time` tenths of a second:
// 1.0 for a tile that never fades, down to 0 once its time has passed.
float TileCover(int col, int row, int16_t time);
// Draws the puzzle photo (image slot 6) into the picture area as Time says.
void DrawPuzzle();

#endif
