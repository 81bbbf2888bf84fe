// Image slots drawn in the game's window.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include "stb_image_write.h"

#include "KMiscTools.h"
#include "KWindow.h"
#include "globals.h"
#include "images.h"
#include "loading.h"
#include "toolkit.h"
#include "support/GameFixture.h"
#include "support/PixelReader.h"

using namespace testsupport;

namespace {

const Rgba kGrey{128, 128, 128, 255};

class ImagesTest : public GameFixture {
protected:
  void SetUp() override {
    GameFixture::SetUp();
    openGameWindow();
    gameWindow->setClearColor(0.5f, 0.5f, 0.5f, 1);
    gameWindow->setWorldView(0, 0, 0, 1.0f, true);
  }
};

TEST_F(ImagesTest, ASlotDrawsTheFrameItIsSetToAndAMissingPictureLeavesItEmpty) {
  // A strip of six 10x8 frames, three per row, each a solid colour.
  const Rgba colours[6] = {
      {255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}, {255, 255, 0, 255}, {0, 255, 255, 255}, {255, 0, 255, 255},
  };
  std::vector<Rgba> px(30 * 16);
  for (int y = 0; y < 16; y++)
    for (int x = 0; x < 30; x++)
      px[y * 30 + x] = colours[(y / 8) * 3 + x / 10];
  ASSERT_EQ(system(("mkdir -p '" + resDir + "/test'").c_str()), 0);
  stbi_write_png((resDir + "/test/strip.png").c_str(), 30, 16, 4, px.data(), 30 * 4);

  ASSERT_TRUE(LoadNewIMG(4, "test\\Strip.PNG")); // stored lower case on disk
  EXPECT_EQ(IMG[4].width, 30);
  EXPECT_EQ(IMG[4].height, 16);
  EXPECT_EQ(IMG[4].frameWidth, 30);
  IMG[4].frameWidth = 10;
  IMG[4].frameHeight = 8;
  for (short frame = 0; frame < 6; frame++) {
    IMG[4].frame = frame;
    DrawIMG(4, (short)(100 + frame * 20), 50, 1, 0, 1.0f, 1.0f);
  }
  DrawIMG(4, 300, 50, 7, 0, 1.0f, 1.0f); // an unknown mode draws nothing
  // A slot whose new picture is missing is left empty; nothing draws from
  // an empty slot, a slot out of range, or a load into one.
  ASSERT_TRUE(LoadNewIMG(9, "test\\strip.png"));
  EXPECT_FALSE(LoadNewIMG(9, "test\\missing.jpg"));
  EXPECT_EQ(IMG[9].picture, nullptr);
  DrawIMG(9, 0, 0, 1, 0, 1.0f, 1.0f);
  DrawIMG(200, 0, 0, 1, 0, 1.0f, 1.0f);
  EXPECT_FALSE(LoadNewIMG(-1, "test\\strip.png"));
  PixelReader r(800, 600);
  r.capture();
  for (int frame = 0; frame < 6; frame++)
    EXPECT_TRUE(r.allNear(100 + frame * 20, 50, 110 + frame * 20, 58, colours[frame], 2)) << frame;
  EXPECT_TRUE(r.allNear(300, 50, 310, 58, kGrey, 2));
  EXPECT_TRUE(r.allNear(0, 0, 40, 20, kGrey, 2));
  FreeIMG(4);
  EXPECT_EQ(IMG[4].picture, nullptr);
}

} // namespace
