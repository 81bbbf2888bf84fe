// Photo puzzles (see puzzle.h).
#include "puzzle.h"

#include <cstdlib>

#include "globals.h"
#include "images.h"
#include "players.h"
#include "toolkit.h"

namespace {

// The picture area: 400 by 300 at (191, 28), four by three tiles of 100.
const short kAreaX = 191, kAreaY = 28;

// The zoomed photo is drawn over the whole screen; the frame around the
// picture area is drawn again from the game screen's background.
void RedrawFrameAroundArea() {
  BlitIMG(SLOT_INGAME, 0, 0, 800, 25, 0, 0);
  BlitIMG(SLOT_INGAME, 0, 25, 186, 331, 0, 25);
  BlitIMG(SLOT_INGAME, 595, 25, 800, 330, 595, 25);
  BlitIMG(SLOT_INGAME, 0, 330, 800, 600, 0, 330);
}

void DrawTiles() {
  DrawIMG(SLOT_PICTURE, kAreaX, kAreaY, DRAW_OPAQUE, 0, 1.0f, 1.0f);
  for (int col = 0; col < 4; col++) {
    for (int row = 0; row < 3; row++) {
      short x = (short)(kAreaX + 100 * col), y = (short)(kAreaY + 100 * row);
      if (Blocks[col][row] <= 0)
        DrawIMG(SLOT_PUZZLE_COVER, x, y, DRAW_OPAQUE, 0, 1.0f, 1.0f);
      else
        DrawIMG(SLOT_PUZZLE_COVER, x, y, DRAW_FX, 0, 1.0f, TileCover(col, row, Time));
    }
  }
}

} // namespace

bool IsPuzzleNumber(int16_t n) { return n >= 5 && n <= 105 && n % 5 == 0; }

void PreparePuzzle() {
  PuzzleType = (int16_t)(rand() % 3);
  QuestionType = CATEGORY_NONE; // a puzzle never earns double points nor costs the penalty
  for (int col = 0; col < 4; col++) {
    for (int row = 0; row < 3; row++) {
      Blocks[col][row] = 0;
      ABlocks[col][row] = 1.0f;
    }
  }
  if (PuzzleType != PUZZLE_TILES)
    return;
  // Nine of the twelve tiles get a fading time, the n-th timed tile within
  // n x 5 + 5 to n x 8 + 5 tenths; the other three stay covered.
  for (int n = 0; n <= 8;) {
    int col = rand() % 4;
    int row = rand() % 3;
    if (Blocks[col][row] == 0) {
      Blocks[col][row] = (float)(n * (rand() % 4 + 5) + 5);
      n++;
    }
  }
}

float TileCover(int col, int row, int16_t time) {
  if (col < 0 || col > 3 || row < 0 || row > 2)
    return 1.0f;
  if (Blocks[col][row] <= 0)
    return ABlocks[col][row];
  float cover = ABlocks[col][row] - time / Blocks[col][row];
  return cover < 0 ? 0 : cover;
}

void DrawPuzzle() {
  switch (PuzzleType) {
  case PUZZLE_FADE:
    DrawIMG(SLOT_PICTURE, kAreaX, kAreaY, DRAW_FX, 0, 1.0f, Time / 150.0f);
    break;
  case PUZZLE_ZOOM:
    BlitIMGFx(SLOT_PICTURE, 0, 0, 400, 300, kAreaX, kAreaY, 0, 4.0f - Time / 50.0f, 1.0f);
    RedrawFrameAroundArea();
    break;
  case PUZZLE_TILES:
    DrawTiles();
    break;
  default:
    break;
  }
}
