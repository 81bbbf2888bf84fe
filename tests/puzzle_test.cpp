// The three puzzle reveals drawn in a window at 7.5 s (Time 75), read back
// by pixels.
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

using namespace testsupport;

namespace {

const Rgba kRed{255, 0, 0, 255}, kGreen{0, 255, 0, 255};

class PuzzleTest : public GameFixture {
protected:
  void SetUp() override {
    GameFixture::SetUp();
    // A photo of our own: red with a green square of 40 in its middle.
    ASSERT_EQ(system(("rm '" + resDir + "/photos' && mkdir '" + resDir + "/photos'").c_str()), 0);
    std::vector<Rgba> rgba(400 * 300);
    for (int y = 0; y < 300; y++)
      for (int x = 0; x < 400; x++)
        rgba[y * 400 + x] = x >= 180 && x < 220 && y >= 130 && y < 170 ? kGreen : kRed;
    ASSERT_TRUE(stbi_write_png((resDir + "/photos/testpic.png").c_str(), 400, 300, 4, rgba.data(), 400 * 4));
    openGameWindow();
    writeResource("data/eng.ini", QuestionFile({Ask("E-Sci")}, {Ask("Puzzl1", 1, "testpic")}));
    ReadQuestions();
    playOnGameScreen();
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

// The fade at blend 0.5; the zoom at 2.5 shown only inside the picture
// area; exactly three tiles still covered, the others timed.
TEST_F(PuzzleTest, EachRevealAtSevenAndAHalfSeconds) {
  PixelReader px = showPuzzleAt75(PUZZLE_FADE);
  Rgba c = px.at(300, 100); // over the black fill of the picture area
  EXPECT_NEAR(c.r, 128, 12);
  EXPECT_LE(c.g, 10);

  px = showPuzzleAt75(PUZZLE_ZOOM);
  // 40 pixels right of the area's centre is 16 photo pixels at zoom 2.5:
  // inside the green square; 60 pixels right is 24, outside it.
  EXPECT_TRUE(near(px.at(391 + 40, 178), kGreen, 40));
  EXPECT_TRUE(near(px.at(391 + 60, 178), kRed, 40));
  EXPECT_TRUE(near(px.at(391 - 40, 178 + 40), kGreen, 40));
  EXPECT_FALSE(near(px.at(100, 200), kRed, 60));
  EXPECT_FALSE(near(px.at(400, 420), kRed, 60));

  px = showPuzzleAt75(PUZZLE_TILES);
  int photoTiles = 0, timed = 0;
  for (int col = 0; col < 4; col++)
    for (int row = 0; row < 3; row++) {
      bool showsPhoto = near(px.at(191 + 100 * col + 30, 28 + 100 * row + 80), kRed, 40);
      photoTiles += showsPhoto;
      timed += Blocks[col][row] > 0;
      EXPECT_EQ(showsPhoto, Blocks[col][row] > 0) << col << "," << row;
    }
  EXPECT_EQ(timed, 9);
  EXPECT_EQ(photoTiles, 9);
}

} // namespace
