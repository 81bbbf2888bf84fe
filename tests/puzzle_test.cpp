// The three puzzle reveals drawn in a window at 7.5 s (Time 75), read back
// by pixels, and the tile timings.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include "stb_image_write.h"

#include "KWindow.h"
#include "clock.h"
#include "globals.h"
#include "play.h"
#include "players.h"
#include "puzzle.h"
#include "questions.h"
#include "screens.h"
#include "support/GameFixture.h"
#include "support/PixelReader.h"

using testsupport::GameFixture;
using testsupport::PixelReader;
using testsupport::Rgba;

namespace {

const Rgba kRed{255, 0, 0, 255}, kGreen{0, 255, 0, 255};

class PuzzleTest : public GameFixture {
protected:
  void SetUp() override {
    GameFixture::SetUp();
    // A photo of our own: red with a green square of 40 in its middle.
    ASSERT_EQ(system(("rm '" + resDir + "/photos' && mkdir '" + resDir + "/photos'").c_str()), 0);
    std::vector<uint8_t> rgb(400 * 300 * 3);
    for (int y = 0; y < 300; y++)
      for (int x = 0; x < 400; x++) {
        bool square = x >= 180 && x < 220 && y >= 130 && y < 170;
        uint8_t *p = &rgb[(y * 400 + x) * 3];
        p[0] = square ? 0 : 255;
        p[1] = square ? 255 : 0;
        p[2] = 0;
      }
    ASSERT_TRUE(stbi_write_png((resDir + "/photos/testpic.png").c_str(), 400, 300, 3, rgb.data(), 400 * 3));
    openGameWindow();
    testsupport::QuestionSpec ordinary{"E-Sci", "Q", {"a", "b", "c", "d"}, 1};
    testsupport::QuestionSpec puzzle{"Puzzl1", "Which flag?", {"a", "b", "c", "d"}, 1, "testpic"};
    writeResource("data/eng.ini", testsupport::QuestionFile({ordinary}, {puzzle}));
    ReadQuestions();
    StartNewGame(1);
    GoToScreen(SCREEN_GAME);
  }

  // Draws question 5 as a puzzle of `kind` at Time 75 and reads the screen.
  PixelReader showPuzzleAt75(int16_t kind) {
    for (unsigned seed = 1;; seed++) {
      srand(seed);
      Player[0].questionNumber = 4;
      StartLevel = 0;
      EXPECT_TRUE(NewQuestion());
      if (PuzzleType == kind)
        break;
    }
    EXPECT_TRUE(IsPuzzle(Question[CUR_QUE].ID));
    Time = 75;
    IntroTimer = Now() - 7500;
    gameWindow->setWorldView(0, 0, 0, 1.0f, true);
    SCR_DRAW();
    EXPECT_EQ(Time, 75);
    PixelReader px(800, 600);
    px.capture();
    return px;
  }
};

TEST_F(PuzzleTest, FadeInIsHalfWayAtSevenAndAHalfSeconds) {
  PixelReader px = showPuzzleAt75(PUZZLE_FADE);
  Rgba c = px.at(300, 100); // over the black fill of the picture area
  EXPECT_NEAR(c.r, 128, 12);
  EXPECT_LE(c.g, 10);
}

TEST_F(PuzzleTest, ZoomOutIsTwoAndAHalfTimesAtSevenAndAHalfSecondsInsideItsFrame) {
  PixelReader px = showPuzzleAt75(PUZZLE_ZOOM);
  // 40 pixels right of the area's centre is 16 photo pixels at zoom 2.5:
  // inside the green square; 60 pixels right is 24, outside it.
  EXPECT_TRUE(testsupport::near(px.at(391 + 40, 178), kGreen, 40));
  EXPECT_TRUE(testsupport::near(px.at(391 + 60, 178), kRed, 40));
  EXPECT_TRUE(testsupport::near(px.at(391 - 40, 178 + 40), kGreen, 40));
  // The magnified photo shows only inside the picture area.
  EXPECT_FALSE(testsupport::near(px.at(100, 200), kRed, 60));
  EXPECT_FALSE(testsupport::near(px.at(400, 420), kRed, 60));
}

TEST_F(PuzzleTest, TileRevealLeavesExactlyThreeTilesCoveredAfterSevenSeconds) {
  PixelReader px = showPuzzleAt75(PUZZLE_TILES);
  int photoTiles = 0, timed = 0;
  for (int col = 0; col < 4; col++)
    for (int row = 0; row < 3; row++) {
      bool showsPhoto = testsupport::near(px.at(191 + 100 * col + 30, 28 + 100 * row + 80), kRed, 40);
      photoTiles += showsPhoto;
      timed += Blocks[col][row] > 0;
      EXPECT_EQ(showsPhoto, Blocks[col][row] > 0) << col << "," << row;
    }
  EXPECT_EQ(timed, 9);
  EXPECT_EQ(photoTiles, 9);
}

TEST_F(PuzzleTest, TileTimingsAreDistinctAndWithinTheirRanges) {
  for (unsigned seed = 1; seed < 200; seed++) {
    srand(seed);
    do
      PreparePuzzle();
    while (PuzzleType != PUZZLE_TILES);
    std::vector<float> times;
    for (auto &column : Blocks)
      for (float t : column)
        if (t > 0)
          times.push_back(t);
    ASSERT_EQ(times.size(), 9u);
    for (float t : times)
      EXPECT_LE(t, 8 * 8 + 5);
    // Opacity falls from 1 to 0 over a tile's time and never goes below 0.
    for (int col = 0; col < 4; col++)
      for (int row = 0; row < 3; row++) {
        EXPECT_FLOAT_EQ(TileCover(col, row, 0), 1.0f);
        EXPECT_GE(TileCover(col, row, 150), 0.0f);
        EXPECT_EQ(TileCover(col, row, 150) == 0.0f, Blocks[col][row] > 0);
      }
  }
}

} // namespace
