// Image slots and the loading screen, drawn in a real window.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include "stb_image_write.h"

#include "KGraphic.h"
#include "KMiscTools.h"
#include "KNUX.h"
#include "KText.h"
#include "KWindow.h"
#include "fonttables.h"
#include "globals.h"
#include "images.h"
#include "loading.h"
#include "support/MessageBoxRecorder.h"
#include "support/PixelReader.h"

using testsupport::PixelReader;
using testsupport::Rgba;

namespace {

const Rgba kFrameColours[6] = {{255, 0, 0, 255},   {0, 255, 0, 255},   {0, 0, 255, 255},
                               {255, 255, 0, 255}, {0, 255, 255, 255}, {255, 0, 255, 255}};

class ImagesTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    recorder = new testsupport::MessageBoxRecorder();
    window = KNUX::createKWindow(K_OPENGL, false);
    ASSERT_TRUE(window->createGameWindow(800, 600, 16, true, "images test"));
  }
  static void TearDownTestSuite() {
    for (int i = 0; i < MAX_IMAGES; i++)
      FreeIMG(i);
    delete window;
    delete recorder;
  }
  void SetUp() override {
    dir = "/tmp/trivello-images-" + std::to_string(getpid());
    system(("mkdir -p " + dir + "/App/Contents/Resources/gfx").c_str());
    strcpy(KMiscTools::currentAppPath, (dir + "/App").c_str());
    strcpy(KMiscTools::currentFilePath, dir.c_str());
    KMiscTools::setFileSource(true);
    window->setClearColor(0.5f, 0.5f, 0.5f, 1);
    window->setWorldView(0, 0, 0, 1.0f, true);
  }
  void TearDown() override { system(("rm -rf " + dir).c_str()); }

  // A strip of six 10x8 frames, three per row, each a solid colour.
  void writeStrip(const std::string &name) {
    std::vector<uint8_t> px(30 * 16 * 4);
    for (int y = 0; y < 16; y++)
      for (int x = 0; x < 30; x++) {
        const Rgba &c = kFrameColours[(y / 8) * 3 + x / 10];
        uint8_t *p = &px[(y * 30 + x) * 4];
        p[0] = c.r, p[1] = c.g, p[2] = c.b, p[3] = 255;
      }
    stbi_write_png((dir + "/App/Contents/Resources/gfx/" + name).c_str(), 30, 16, 4, px.data(), 30 * 4);
  }

  static KWindow *window;
  static testsupport::MessageBoxRecorder *recorder;
  std::string dir;
};
KWindow *ImagesTest::window = nullptr;
testsupport::MessageBoxRecorder *ImagesTest::recorder = nullptr;

TEST_F(ImagesTest, LoadedSlotDrawsTheFrameItIsSetTo) {
  writeStrip("strip.png");
  ASSERT_TRUE(LoadNewIMG(4, "gfx\\Strip.PNG")); // stored lower case on disk
  EXPECT_EQ(IMG[4].width, 30);
  EXPECT_EQ(IMG[4].height, 16);
  EXPECT_EQ(IMG[4].frameWidth, 30);
  IMG[4].frameWidth = 10;
  IMG[4].frameHeight = 8;
  for (short frame = 0; frame < 6; frame++) {
    IMG[4].frame = frame;
    DrawIMG(4, (short)(100 + frame * 20), 50, 1, 0, 1.0f, 1.0f);
  }
  IMG[4].frame = 4;
  DrawIMG(4, 300, 50, 7, 0, 1.0f, 1.0f); // an unknown mode draws nothing
  PixelReader r(800, 600);
  r.capture();
  for (int frame = 0; frame < 6; frame++)
    EXPECT_TRUE(r.allNear(100 + frame * 20, 50, 110 + frame * 20, 58, kFrameColours[frame], 2)) << frame;
  EXPECT_TRUE(r.allNear(300, 50, 310, 58, Rgba{128, 128, 128, 255}, 2));
  FreeIMG(4);
  EXPECT_EQ(IMG[4].picture, nullptr);
}

TEST_F(ImagesTest, MissingPictureLeavesTheSlotEmptyAndDrawsNothing) {
  writeStrip("strip.png");
  ASSERT_TRUE(LoadNewIMG(9, "gfx\\strip.png"));
  EXPECT_FALSE(LoadNewIMG(9, "gfx\\missing.jpg"));
  EXPECT_EQ(IMG[9].picture, nullptr);
  DrawIMG(9, 0, 0, 1, 0, 1.0f, 1.0f);
  DrawIMG(200, 0, 0, 1, 0, 1.0f, 1.0f);
  EXPECT_FALSE(LoadNewIMG(-1, "gfx\\strip.png"));
  PixelReader r(800, 600);
  r.capture();
  EXPECT_TRUE(r.allNear(0, 0, 40, 20, Rgba{128, 128, 128, 255}, 2));
}

TEST_F(ImagesTest, LoadingScreenShowsTheLogoAndTheLineOnBlack) {
  // The real logo and small font from the built application folder.
  std::string app = std::string(TRIVELLO_BINARY_DIR) + "/Trivello";
  strcpy(KMiscTools::currentAppPath, app.c_str());
  ktext_small = new KText(KMiscTools::makeFilePath("gfx\\letters02.png"), fontTable2);
  FreeIMG(7);
  RenderLoadingScreen();
  ASSERT_NE(IMG[7].picture, nullptr);
  int logoW = IMG[7].width, logoH = IMG[7].height;
  PixelReader r(800, 600);
  r.capture();
  EXPECT_TRUE(r.allNear(0, 0, 800, 150, Rgba{0, 0, 0, 255}, 0));
  EXPECT_TRUE(r.allNear(0, 150, 200, 370, Rgba{0, 0, 0, 255}, 0));
  // The logo (mostly dark, made for a black screen) is there, and the text
  // line has bright pixels.
  EXPECT_LT(r.countNear(200, 150, 200 + logoW, 150 + logoH, Rgba{0, 0, 0, 255}, 8), logoW * logoH * 9 / 10);
  EXPECT_GT(r.countNear(250, 380, 550, 398, Rgba{255, 255, 255, 255}, 40), 100);
  delete ktext_small;
  ktext_small = nullptr;
  FreeIMG(7);
}

} // namespace
