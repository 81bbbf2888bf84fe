// Pictures and blits drawn into a real 800 x 600 window (Xvfb, Mesa) and read
// back: texture choice and quality, colour key, file names, hostile files,
// the binding cache, and the geometry and colour of every kind of blit.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "KGraphicGL.h"
#include "KResource.h"
#include "platform/PictureDecoder.h"
#include "support/GLWindowFixture.h"

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#include <stb_image_write.h>
#pragma GCC diagnostic pop

using testsupport::PixelReader;
using testsupport::Rgba;

namespace {

const int W = 800, H = 600;
const Rgba kClear{0, 0, 255, 255}; // no pattern pixel has blue 255
const Rgba kWhite{255, 255, 255, 255}, kGreen{0, 255, 0, 255};
const std::string kHostileDir = TRIVELLO_SOURCE_DIR "/tests/data/hostile/";

// Pattern pixel: red and green the low bytes of x and y, blue their high
// bits, so every pixel of a picture up to 1024 x 1024 tells where it came from.
Rgba patternAt(int x, int y) {
  return Rgba{(uint8_t)(x & 0xFF), (uint8_t)(y & 0xFF), (uint8_t)(((x >> 8) << 4) | (y >> 8)), 255};
}

std::vector<uint32_t> patternPixels(int w, int h) {
  std::vector<uint32_t> px((size_t)w * h);
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++) {
      Rgba c = patternAt(x, y);
      memcpy(&px[(size_t)y * w + x], &c, 4);
    }
  return px;
}

// Source coordinates encoded in a screen pixel, false for the clear colour.
bool decode(Rgba c, int *sx, int *sy) {
  *sx = c.r | ((c.b >> 4) << 8);
  *sy = c.g | ((c.b & 15) << 8);
  return c.b != 255;
}

void writePng(const std::string &path, int w, int h, const std::vector<uint32_t> &px) {
  stbi_write_png(path.c_str(), w, h, 4, px.data(), w * 4);
}

// A JPEG of the pixels through the engine's own writer (stb_image_write's
// JPEG writer shifts negative values, which UndefinedBehaviorSanitizer stops).
void writeJpeg(const std::string &path, int w, int h, const std::vector<uint32_t> &px, int quality) {
  std::vector<unsigned char> rgb;
  for (uint32_t p : px)
    rgb.insert(rgb.end(), {(unsigned char)p, (unsigned char)(p >> 8), (unsigned char)(p >> 16)});
  ASSERT_TRUE(writeJpegFile(path.c_str(), rgb.data(), w, h, quality));
}

// The texels of a picture's texture, R, G, B, A from the top row.
std::vector<uint8_t> texels(KGraphicGL &g) {
  std::vector<uint8_t> out((size_t)g.getWidth() * g.getHeight() * 4);
  glBindTexture(g._glEnum, g.texture);
  glGetTexImage(g._glEnum, 0, GL_RGBA, GL_UNSIGNED_BYTE, out.data());
  KGraphicGL::_oldBindedText = 0xFFFFFFFFu;
  return out;
}

// Pixels of row y, x in [x1, x2), that are neither black nor white.
int greys(const PixelReader &r, int x1, int y, int x2) {
  int n = 0;
  for (int x = x1; x < x2; x++)
    n += r.at(x, y).r > 20 && r.at(x, y).r < 235;
  return n;
}

// The source pixel a screen pixel should show; false where the screen must
// keep the clear colour. A source of -1 accepts any pixel of the picture.
using SourceOf = std::function<bool(int x, int y, int *sx, int *sy)>;

// Screen pixels of [x1, x2) x [y1, y2) that do not show what `expect` says.
int mismatches(const PixelReader &r, int x1, int y1, int x2, int y2, const SourceOf &expect) {
  int bad = 0;
  for (int y = std::max(y1, 0); y < std::min(y2, H); y++)
    for (int x = std::max(x1, 0); x < std::min(x2, W); x++) {
      int sx, sy, ex = -1, ey = -1;
      bool shown = decode(r.at(x, y), &sx, &sy);
      bool wanted = expect(x, y, &ex, &ey);
      bad += shown != wanted || (wanted && ex >= 0 && (sx != ex || sy != ey));
    }
  return bad;
}

// The picture's pixel at the same offset from (x0, y0) as the screen pixel
// from (dx, dy).
SourceOf shifted(int x0, int y0, int dx, int dy) {
  return [=](int x, int y, int *sx, int *sy) { return *sx = x0 + x - dx, *sy = y0 + y - dy, true; };
}

class GraphicTest : public testsupport::GLWindowFixture {
protected:
  static void SetUpTestSuite() { openWindow(W, H, false, "KGraphicGL test"); }
  void SetUp() override {
    GLWindowFixture::SetUp();
    window->setClearColor(0, 0, 1, 1);
    window->setWorldView(0, 0, 0, 1.0f, true);
    glColor4f(1, 1, 1, 1);
  }
  // A picture made from an array of w x h pixels (the pattern by default).
  KGraphicGL *picture(int w, int h, uint32_t colour = 0, bool quality = false) {
    arrays.push_back(colour ? std::vector<uint32_t>((size_t)w * h, colour) : patternPixels(w, h));
    owned.emplace_back(new KGraphicGL());
    EXPECT_TRUE(owned.back()->makePictureFromArray(arrays.back().data(), w, h, true, false));
    owned.back()->setTextureQuality(quality);
    return owned.back().get();
  }
  std::vector<std::vector<uint32_t>> arrays;
  std::vector<std::unique_ptr<KGraphicGL>> owned;
};

// ---- files and textures ------------------------------------------------------------

// Missing, undecodable and hostile files leave the picture empty; a size
// above the limit is refused before it is decoded, with its message.
TEST_F(GraphicTest, BadPicturesAreRefusedAndLeaveThePictureEmpty) {
  FILE *f = fopen((dir + "/junk.png").c_str(), "wb");
  fputs("not a picture", f);
  fclose(f);
  const struct {
    std::string path;
    int erreurMessages; // "Impossible to create  GWorld": the size is refused
  } cases[] = {
      {dir + "/nothing.png", 0},        {dir + "/junk.png", 0},
      {kHostileDir + "huge.png", 1},    // 8192 x 8192 in 8 KB: once 256 MB allocated and success reported
      {kHostileDir + "wide.png", 1},    // 70000 wide: once loaded as 4464 wide
      {kHostileDir + "huffman.jpg", 0}, // more than 256 Huffman codes: once a write out of bounds
  };
  for (const auto &c : cases) {
    recorder->clear();
    KGraphicGL g;
    EXPECT_FALSE(g.loadPicture(c.path.c_str(), true, true)) << c.path;
    EXPECT_EQ(g.getWidth(), 0);
    EXPECT_EQ(g.getHeight(), 0);
    EXPECT_EQ(recorder->count("erreur"), c.erreurMessages) << c.path;
  }
  // Sizes are full integers up to the limit given.
  std::string wide = testsupport::readFile(kHostileDir + "wide.png");
  DecodedPicture p;
  EXPECT_EQ(decodePicture((const unsigned char *)wide.data(), wide.size(), 16384, p), kPictureTooLarge);
  EXPECT_EQ(p.rgba, nullptr);
  ASSERT_EQ(decodePicture((const unsigned char *)wide.data(), wide.size(), 100000, p), kPictureOk);
  EXPECT_EQ(p.width, 70000);
  EXPECT_EQ(p.height, 1);
  free(p.rgba);
}

TEST_F(GraphicTest, ColourKeyAppliesOnlyToLaterLoads) {
  // 8 x 4 picture: left half magenta, right half green.
  std::vector<uint32_t> px(8 * 4);
  for (int i = 0; i < 32; i++)
    px[i] = i % 8 < 4 ? 0xFFFF00FFu : 0xFF00FF00u;
  std::string path = dir + "/key.png";
  writePng(path, 8, 4, px);
  KGraphicGL keyed, late;
  keyed.setColorKey(true, 255, 0, 255);
  ASSERT_TRUE(keyed.loadPicture(path.c_str(), true, true));
  // The keyed texels are transparent and keep their colour; green stays opaque.
  std::vector<uint8_t> t = texels(keyed);
  EXPECT_EQ(std::vector<uint8_t>(t.begin(), t.begin() + 4), (std::vector<uint8_t>{255, 0, 255, 0}));
  EXPECT_EQ(t[4 * 4 + 3], 255);
  ASSERT_TRUE(late.loadPicture(path.c_str(), true, true));
  late.setColorKey(true, 255, 0, 255); // after the load: no effect
  keyed.blitAlphaRect(0, 0, 8, 4, 100, 100, false, false);
  late.blitAlphaRect(0, 0, 8, 4, 200, 100, false, false);
  PixelReader r = capture();
  EXPECT_EQ(r.at(101, 101), kClear); // keyed: background shows
  EXPECT_EQ(r.at(106, 101), kGreen);
  EXPECT_EQ(r.at(201, 101), (Rgba{255, 0, 255, 255})); // key set late: still magenta
}

TEST_F(GraphicTest, FileNameBelowResourceFolderIsOpenedAsPassedThenInLowerCase) {
  // The resource folder has capitals of its own, which are kept.
  std::string folder = dir + "/Game";
  ASSERT_EQ(system(("mkdir -p '" + folder + "/gfx' '" + folder + "/Photos'").c_str()), 0);
  writeJpeg(folder + "/gfx/menu.jpg", 16, 8, patternPixels(16, 8), 95);
  writeJpeg(folder + "/Photos/Eiffel.JPG", 24, 8, patternPixels(24, 8), 95);
  testsupport::ResourceFolder resources(folder);
  const struct {
    const char *name;
    float width; // 0: does not load
  } cases[] = {{"/GFX/Menu.JPG", 16}, {"/gfx/menu.jpg", 16}, {"/Photos/Eiffel.JPG", 24}, {"/photos/eiffel.jpg", 0}};
  for (const auto &c : cases) {
    std::string name = folder + c.name;
    KGraphicGL g;
    EXPECT_EQ(g.loadPicture(name.c_str(), true, true), c.width != 0) << name;
    EXPECT_EQ(g.getWidth(), c.width) << name;
    EXPECT_EQ(name, folder + c.name); // the caller's text is left alone
  }
  // A constant name is accepted (nothing is written into it).
  KGraphicGL h;
  EXPECT_FALSE(h.loadPicture("/nonexistent/Folder/X.PNG", true, true));
}

TEST_F(GraphicTest, PictureBeforeAnyWindowWarnsOncePerPicture) {
  short saved = KGraphicGL::screenWidth;
  KGraphicGL::screenWidth = 0;
  { KGraphicGL a, b; }
  KGraphicGL::screenWidth = saved;
  EXPECT_EQ(recorder->count("Screen Dimensions not specified, you will not see anything"), 2);
  EXPECT_EQ(recorder->messages()[0].second, "KGraphicGL::SetScreenSize Not Called!");
}

// ---- pictures from arrays and grabs ------------------------------------------------------

TEST_F(GraphicTest, MakePictureFromArrayValidatesFlipsInPlaceAndPollsRewrites) {
  KGraphicGL g;
  uint32_t px[2] = {0, 0};
  EXPECT_FALSE(g.makePictureFromArray(nullptr, 4, 4, true, false));
  EXPECT_FALSE(g.makePictureFromArray(px, 0, 4, true, false));
  EXPECT_FALSE(g.makePictureFromArray(px, 4, 0, true, false));
  EXPECT_EQ(g.getWidth(), 0);
  const uint8_t in[8] = {1, 2, 3, 4, 5, 6, 7, 8}, flipped[8] = {4, 3, 2, 1, 8, 7, 6, 5};
  memcpy(px, in, 8);
  ASSERT_TRUE(g.makePictureFromArray(px, 2, 1, true, true));
  EXPECT_EQ(memcmp(px, flipped, 8), 0);
  EXPECT_EQ(g._userPixelPtr, px);
  EXPECT_EQ(g._glEnum, (uint32_t)GL_TEXTURE_RECTANGLE_ARB);

  KGraphicGL *red = picture(4, 4, 0xFF0000FFu);
  std::fill(arrays.back().begin(), arrays.back().end(), 0xFF00FF00u); // now green
  red->pollArray();
  window->setWorldView(0, 0, 0, 1.0f, false);
  red->blitRect(0, 0, 4, 4, 50, 50, false, false);
  EXPECT_TRUE(capture().allNear(50, 50, 54, 54, kGreen));
}

// Making or grabbing a picture again releases its earlier texture; an upload
// the driver refuses leaves the picture empty.
TEST_F(GraphicTest, RemadeOrRefusedPicturesLeaveNoTextureBehind) {
  GLint side = 0, rectSide = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &side);
  glGetIntegerv(GL_MAX_RECTANGLE_TEXTURE_SIZE_ARB, &rectSide);
  std::vector<uint32_t> px(std::max(side, rectSide) + 1, 0xFF0000FFu);
  KGraphicGL g;
  ASSERT_TRUE(g.makePictureFromArray(px.data(), 8, 8, true, false));
  GLuint first = g.texture;
  ASSERT_TRUE(g.makePictureFromArray(px.data(), 4, 4, true, false));
  EXPECT_TRUE(g.texture == first || !glIsTexture(first)); // the name may be handed out again once freed
  GLuint second = g.texture;
  ASSERT_TRUE(g.grabBackBuffer());
  EXPECT_TRUE(g.texture == second || !glIsTexture(second));
  EXPECT_EQ(g.getWidth(), W);
  EXPECT_FALSE(g.makePictureFromArray(px.data(), (long)px.size(), 1, true, false));
  EXPECT_EQ(g.getWidth(), 0);
  EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST_F(GraphicTest, GrabBackBufferCopiesTheScreenTheRightWayUp) {
  // With rectangle textures a screen-sized rectangle, without them a
  // 1024 x 1024 2D texture; blits address both in screen pixels.
  for (bool rectangleCap : {true, false}) {
    window->setRectangleTexCap(rectangleCap);
    window->setWorldView(0, 0, 0, 1.0f, true);
    picture(800, 600)->blitRect(0, 0, 800, 600, 0, 0, false, false);
    KGraphicGL grab;
    bool grabbed = grab.grabBackBuffer();
    window->setRectangleTexCap(true);
    ASSERT_TRUE(grabbed);
    EXPECT_EQ(grab._glEnum, rectangleCap ? (uint32_t)GL_TEXTURE_RECTANGLE_ARB : (uint32_t)GL_TEXTURE_2D);
    EXPECT_EQ(grab._ftextureWIDTH, rectangleCap ? 800 : 1024);
    EXPECT_EQ(grab.getWidth(), 800);
    EXPECT_EQ(grab.getHeight(), 600);
    window->setWorldView(0, 0, 0, 1.0f, true);
    grab.blitRect(100, 50, 300, 150, 10, 10, false, false);
    EXPECT_EQ(mismatches(capture(), 10, 10, 210, 110, shifted(100, 50, 10, 10)), 0) << "rectangle " << rectangleCap;
  }
}

// ---- texture state: binding cache, targets and filters --------------------------------------

TEST_F(GraphicTest, BindingCacheBindsOnceAndUntexturedDrawingOrFreeingInvalidatesIt) {
  KGraphicGL *a = picture(64, 64);
  a->blitRect(0, 0, 8, 8, 0, 0, false, false);
  EXPECT_EQ(KGraphicGL::_oldBindedText, a->texture);
  a->drawRect(0, 0, 1, 1, 0, 0, 0, 1);
  EXPECT_EQ(KGraphicGL::_oldBindedText, 0xFFFFFFFFu);
  a->blitAlphaRect(0, 0, 8, 8, 0, 0, false, false);
  EXPECT_EQ(KGraphicGL::_oldBindedText, a->texture);
  a->drawLine(0, 0, 5, 5, 1, 1, 1, 1);
  EXPECT_EQ(KGraphicGL::_oldBindedText, 0xFFFFFFFFu);
  // Freeing the bound texture forgets it: a new picture (which may get the
  // same name) binds its own.
  a->blitRect(0, 0, 16, 16, 0, 0, false, false);
  a->freePicture();
  EXPECT_EQ(a->getWidth(), 0);
  EXPECT_NE(KGraphicGL::_oldBindedText, 0u);
  KGraphicGL *b = picture(16, 16);
  window->setWorldView(0, 0, 0, 1.0f, true);
  b->blitRect(0, 0, 16, 16, 20, 20, false, false);
  EXPECT_EQ(mismatches(capture(), 20, 20, 36, 36, shifted(0, 0, 20, 20)), 0);
}

TEST_F(GraphicTest, SquarePictureLoadedAfterARectangleBlitDrawsItself) {
  // The rectangle target of the picture drawn before must not stay on over
  // the new 2D texture (the load leaves it bound, so the blit binds nothing).
  picture(100, 50)->blitRect(0, 0, 100, 50, 0, 0, false, false);
  std::string path = dir + "/green64.png";
  writePng(path, 64, 64, std::vector<uint32_t>(64 * 64, 0xFF00FF00u));
  KGraphicGL square;
  ASSERT_TRUE(square.loadPicture(path.c_str(), true, true));
  ASSERT_EQ(square._glEnum, (uint32_t)GL_TEXTURE_2D);
  square.blitRect(0, 0, 64, 64, 200, 200, false, false);
  EXPECT_TRUE(capture().allNear(200, 200, 264, 264, kGreen));
}

TEST_F(GraphicTest, LinearQualityInterpolatesOnlyScaledPicturesAndOnlyTheirOwnTexture) {
  // 4 x 4 squares (2D textures): two black columns, two white ones.
  std::vector<uint32_t> px(4 * 4);
  for (int i = 0; i < 16; i++)
    px[i] = (i % 4) < 2 ? 0xFF000000u : 0xFFFFFFFFu;
  KGraphicGL sharp, g;
  ASSERT_TRUE(sharp.makePictureFromArray(px.data(), 4, 4, true, false));
  ASSERT_TRUE(g.makePictureFromArray(px.data(), 4, 4, true, false));
  sharp.setTextureQuality(false);
  // Another picture on the rectangle target asks for linear filtering
  // while the sharp one is still bound to the 2D target.
  picture(8, 4)->setTextureQuality(true);
  sharp.blitAlphaRectFx(0, 0, 4, 4, 100, 300, 0, 8.0f, 1.0f, false, false, 0, 0);
  g.setTextureQuality(true);
  // Unscaled: exactly the texels. Scaled by a zoom, a stretch or a zoomed
  // world view: grey between.
  g.blitRect(0, 0, 4, 4, 10, 10, false, false);
  g.blitAlphaRectFx(0, 0, 4, 4, 100, 100, 0, 8.0f, 1.0f, false, false, 0, 0);
  g.stretchAlphaRect(0, 0, 4, 4, 200, 100, 232, 132, 1.0f, 0, false, false);
  PixelReader r = capture();
  EXPECT_EQ(greys(r, 86, 301, 118), 0);
  EXPECT_EQ(greys(r, 10, 11, 14), 0);
  EXPECT_GT(greys(r, 86, 101, 118), 0);
  EXPECT_GT(greys(r, 200, 110, 232), 0);
  window->setWorldView(0, 0, 0, 4.0f, true);
  g.blitRect(0, 0, 4, 4, 398, 298, false, false);
  r.capture();
  EXPECT_GT(greys(r, 390, 300, 410), 0);
  // And back at natural size the texels are exact again.
  window->setWorldView(0, 0, 0, 1.0f, true);
  g.blitRect(0, 0, 4, 4, 10, 10, false, false);
  r.capture();
  EXPECT_EQ(greys(r, 10, 11, 14), 0);
  EXPECT_EQ(r.at(11, 11).r, 0);
  EXPECT_EQ(r.at(12, 11).r, 255);
}

// ---- blit geometry ------------------------------------------------------------------

struct BlitCase {
  const char *name;
  int w, h; // the pattern picture's size
  std::function<void(KGraphicGL *)> draw;
  int x1, y1, x2, y2;   // the screen rectangle drawn
  int marginX, marginY; // clear pixels checked around it
  SourceOf source;
};

// Screen (X, Y) of a 100 x 50 region drawn at (10, 20) and turned by 90
// degrees about its centre (60, 45) shows source (249 - (Y - 45), 125 + (X - 60)).
bool turned(int x, int y, int *sx, int *sy) { return *sx = 249 - (y - 45), *sy = 125 + (x - 60), true; }

TEST_F(GraphicTest, EveryBlitPutsEachSourcePixelWhereItBelongs) {
  const BlitCase cases[] = {
      {"source rectangle", 800, 600, [](KGraphicGL *g) { g->blitAlphaRect(248, 71, 535, 269, 100, 50, false, false); },
       100, 50, 387, 248, 1, 1, shifted(248, 71, 100, 50)},
      {"flip x", 800, 600, [](KGraphicGL *g) { g->blitRect(10, 20, 110, 70, 300, 200, true, false); }, 300, 200, 400,
       250, 1, 1, [](int x, int y, int *sx, int *sy) { return *sx = 109 - (x - 300), *sy = 20 + y - 200, true; }},
      {"2D flip y", 256, 256, [](KGraphicGL *g) { g->blitRect(10, 20, 110, 70, 300, 200, false, true); }, 300, 200, 400,
       250, 1, 1, [](int x, int y, int *sx, int *sy) { return *sx = 10 + x - 300, *sy = 69 - (y - 200), true; }},
      {"2D flip both", 256, 256, [](KGraphicGL *g) { g->blitRect(10, 20, 110, 70, 300, 200, true, true); }, 300, 200,
       400, 250, 1, 1,
       [](int x, int y, int *sx, int *sy) { return *sx = 109 - (x - 300), *sy = 69 - (y - 200), true; }},
      {"float flip x", 800, 600, [](KGraphicGL *g) { g->blitRectF(10, 20, 110, 70, 300, 200, true, false); }, 300, 200,
       400, 250, 1, 1, [](int x, int y, int *sx, int *sy) { return *sx = 109 - (x - 300), *sy = 20 + y - 200, true; }},
      {"float alpha", 800, 600, [](KGraphicGL *g) { g->blitAlphaRectF(10, 20, 110, 70, 300, 200, false, false); }, 300,
       200, 400, 250, 1, 1, shifted(10, 20, 300, 200)},
      {"fx untransformed", 800, 600,
       [](KGraphicGL *g) { g->blitAlphaRectFx(248, 71, 535, 269, 40, 30, 0, 1.0f, 1.0f, false, true, 0, 0); }, 40, 30,
       327, 228, 1, 1, [](int x, int y, int *sx, int *sy) { return *sx = 248 + x - 40, *sy = 268 - (y - 30), true; }},
      {"float fx untransformed", 800, 600,
       [](KGraphicGL *g) { g->blitAlphaRectFxF(10, 20, 110, 70, 300, 200, 0, 1.0f, 1.0f, false, false, 0, 0); }, 300,
       200, 400, 250, 1, 1, shifted(10, 20, 300, 200)},
      // Turned, it covers x 35..84 and y -5..94; the picture's right edge is now at the top.
      {"turned 90", 800, 600,
       [](KGraphicGL *g) { g->blitAlphaRectFx(200, 100, 300, 150, 10, 20, 90, 1.0f, 1.0f, false, false, 0, 0); }, 35,
       -5, 85, 95, 1, 1, turned},
      {"opaque turned 90", 800, 600,
       [](KGraphicGL *g) { g->blitRectFx(200, 100, 300, 150, 10, 20, 90, 1.0f, false, false, 0, 0); }, 35, -5, 85, 95,
       1, 1, turned},
      {"float opaque turned 90", 800, 600,
       [](KGraphicGL *g) { g->blitRectFxF(200, 100, 300, 150, 10, 20, 90, 1.0f, false, false, 0, 0); }, 35, -5, 85, 95,
       1, 1, turned},
      {"float turned 90", 800, 600,
       [](KGraphicGL *g) { g->blitAlphaRectFxF(200, 100, 300, 150, 10, 20, 90, 1.0f, 1.0f, false, false, 0, 0); }, 35,
       -5, 85, 95, 1, 1, turned},
      // Zoom 2: 200 x 100 around (60, 45).
      {"zoom 2", 800, 600,
       [](KGraphicGL *g) { g->blitAlphaRectFx(200, 100, 300, 150, 10, 20, 0, 2.0f, 1.0f, false, false, 0, 0); }, -40,
       -5, 160, 95, 1, 1,
       [](int x, int y, int *sx, int *sy) {
         *sx = 250 + (int)floorf((x - 60 + 0.5f) / 2.0f);
         *sy = 125 + (int)floorf((y - 45 + 0.5f) / 2.0f);
         return true;
       }},
      // The pivot moved 50 right and 25 down is the region's bottom-right
      // corner, screen (400, 250) for a 100 x 50 region at (300, 200).
      {"pivot", 800, 600,
       [](KGraphicGL *g) { g->blitAlphaRectFx(200, 100, 300, 150, 300, 200, 180, 1.0f, 1.0f, false, false, 50, 25); },
       400, 250, 500, 300, 1, 1,
       [](int x, int y, int *sx, int *sy) { return *sx = 299 - (x - 400), *sy = 149 - (y - 250), true; }},
      // 101 x 50 turned about (350.5, 225): the long side spans drawing y
      // -50 .. +51 around the pivot (-50.5 truncated toward zero), so screen
      // rows 174 .. 274 are covered and row 275 is not.
      {"odd width turned", 800, 600,
       [](KGraphicGL *g) { g->blitAlphaRectFx(0, 0, 101, 50, 300, 200, 90, 1.0f, 1.0f, false, false, 0, 0); }, 330, 174,
       370, 275, 0, 1, [](int, int, int *, int *) { return true; }},
      {"stretch", 800, 600,
       [](KGraphicGL *g) { g->stretchAlphaRect(100, 100, 150, 125, 200, 300, 300, 350, 1.0f, 0, false, false); }, 200,
       300, 300, 350, 1, 1,
       [](int x, int y, int *sx, int *sy) { return *sx = 100 + (x - 200) / 2, *sy = 100 + (y - 300) / 2, true; }},
      // Corners onto an axis-aligned rectangle, mirrored by the points' order.
      {"arbitrary quad", 800, 600,
       [](KGraphicGL *g) {
         g->blitArbitraryQuad(10, 10, 60, 10, 60, 40, 10, 40, 150, 100, 100, 100, 100, 130, 150, 130);
       },
       100, 100, 150, 130, 1, 1,
       [](int x, int y, int *sx, int *sy) { return *sx = 10 + (149 - x), *sy = 10 + (y - 100), true; }},
      // Two tiles each way, each turned by 180 degrees relative to blitRect.
      {"tiled", 64, 64,
       [](KGraphicGL *g) {
         g->allowTextureWrap(true);
         g->blitTiledRect(100, 100, 128, 128, 2.0f, 0);
       },
       100, 100, 228, 228, 1, 1,
       [](int x, int y, int *sx, int *sy) { return *sx = 63 - (x - 100) % 64, *sy = 63 - (y - 100) % 64, true; }},
  };
  for (const BlitCase &c : cases) {
    window->setWorldView(0, 0, 0, 1.0f, true);
    c.draw(picture(c.w, c.h));
    PixelReader r = capture();
    auto expect = [&](int x, int y, int *sx, int *sy) {
      return x >= c.x1 && x < c.x2 && y >= c.y1 && y < c.y2 && c.source(x, y, sx, sy);
    };
    EXPECT_EQ(mismatches(r, c.x1 - c.marginX, c.y1 - c.marginY, c.x2 + c.marginX, c.y2 + c.marginY, expect), 0)
        << c.name;
  }
}

// ---- colour and blending --------------------------------------------------------------

// One frame of drawings on blue, then the colour each one left.
TEST_F(GraphicTest, EachDrawingLeavesItsColourAndTheStateAfterIt) {
  KGraphicGL *white = picture(16, 16, 0xFFFFFFFFu), *tinted = picture(16, 16, 0xFFFFFFFFu);
  KGraphicGL *half = picture(8, 8, 0x80000080u); // red 128, alpha 128
  KGraphicGL *pattern = picture(800, 600);
  KGraphicGL g;
  g.drawRect(0, 100, 800, 125, 0, 0, 0, 1);
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  g.drawRect(0, 150, 800, 175, 0, 0, 0, 0.5f);
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  g.plotPixel(10, 10, 1, 0, 0, 1);
  EXPECT_TRUE(glIsEnabled(GL_BLEND)); // lines leave blending on
  // Blend 0 is transparent, a negative blend opaque.
  white->stretchAlphaRect(0, 0, 16, 16, 10, 200, 26, 216, 0.0f, 0, false, false);
  white->stretchAlphaRect(0, 0, 16, 16, 40, 200, 56, 216, -1.0f, 0, false, false);
  white->stretchAlphaRect(0, 0, 16, 16, 70, 200, 86, 216, 0.5f, 0, false, false);
  // A tinted alpha blit leaves its colour for blitRect until an untextured drawing.
  tinted->setBlitColor(0.5f, 0.5f, 0.5f, 1);
  tinted->blitAlphaRect(0, 0, 16, 16, 100, 200, false, false);
  tinted->blitRect(0, 0, 16, 16, 120, 200, false, false);
  g.drawRect(700, 500, 701, 501, 0, 0, 0, 1);
  tinted->blitRect(0, 0, 16, 16, 140, 200, false, false);
  half->blitAlphaRect(0, 0, 8, 8, 200, 200, false, false);
  half->setAlphaMode(false);
  half->blitAlphaRect(0, 0, 8, 8, 210, 200, false, false);
  // Zoom 0 or a blend of 0 or less draws nothing.
  pattern->blitAlphaRectFx(0, 0, 100, 100, 300, 200, 0, 0.0f, 1.0f, false, false, 0, 0);
  pattern->blitAlphaRectFx(0, 0, 100, 100, 300, 200, 30, 1.0f, 0.0f, false, false, 0, 0);
  pattern->blitAlphaRectFx(0, 0, 100, 100, 300, 200, 0, 1.0f, -0.5f, false, false, 0, 0);
  pattern->blitAlphaRectFxF(0, 0, 100, 100, 300, 200, 0, 1.0f, 0.0f, false, false, 0, 0);
  pattern->blitRectFx(0, 0, 100, 100, 300, 200, 45, 0.0f, false, false, 0, 0);
  pattern->blitRectFxF(0, 0, 100, 100, 300, 200, 45, 0.0f, false, false, 0, 0);
  PixelReader r = capture();
  const Rgba red{255, 0, 0, 255}, grey{128, 128, 128, 255};
  const struct {
    int x1, y1, x2, y2;
    Rgba colour;
    int tolerance;
  } expected[] = {
      {0, 100, 800, 125, {0, 0, 0, 255}, 0},
      {0, 125, 800, 126, kClear, 0},
      {0, 150, 800, 175, {0, 0, 127, 255}, 2},
      {0, 175, 800, 176, kClear, 0},
      {10, 200, 26, 216, kClear, 0},
      {40, 200, 56, 216, kWhite, 0},
      {70, 200, 86, 216, {128, 128, 255, 255}, 2},
      {100, 200, 116, 216, grey, 1},
      {120, 200, 136, 216, grey, 1},
      {140, 200, 156, 216, kWhite, 0},
      {200, 200, 208, 208, {64, 0, 128, 255}, 2},
      {210, 200, 218, 208, {64, 0, 255, 255}, 2}, // added to the blue
      {290, 190, 500, 400, kClear, 0},
  };
  for (const auto &e : expected)
    EXPECT_TRUE(r.allNear(e.x1, e.y1, e.x2, e.y2, e.colour, e.tolerance)) << e.x1 << "," << e.y1;
  // The pixel plotted: one or two pixels at the point, nothing elsewhere.
  int nearPoint = r.countNear(10, 9, 12, 11, red);
  EXPECT_GE(nearPoint, 1);
  EXPECT_LE(nearPoint, 2);
  EXPECT_EQ(r.countNear(0, 0, 40, 40, red), nearPoint);
}

} // namespace
