// Pictures and blits drawn into a real 800 x 600 window (Xvfb, Mesa) and read
// back: texture choice, colour key, file names, archives, and the geometry of
// every kind of blit (position, source rectangle, flips, rotation, zoom).
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glext.h>

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "KGraphicGL.h"
#include "KMiscTools.h"
#include "KNUX.h"
#include "KResource.h"
#include "KWindowGL.h"
#include "support/MessageBoxRecorder.h"
#include "platform/PictureDecoder.h"
#include "support/PixelReader.h"

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
      uint8_t *b = (uint8_t *)&px[(size_t)y * w + x];
      b[0] = c.r, b[1] = c.g, b[2] = c.b, b[3] = c.a;
    }
  return px;
}

// Source coordinates encoded in a screen pixel, false for the clear colour.
bool decode(Rgba c, int *sx, int *sy) {
  if (c.b == 255)
    return false;
  *sx = c.r | ((c.b >> 4) << 8);
  *sy = c.g | ((c.b & 15) << 8);
  return true;
}

std::string tempDir() {
  char tmpl[] = "/tmp/kgraphic_testXXXXXX";
  char *d = mkdtemp(tmpl);
  return d ? std::string(d) : std::string("/tmp");
}

void writePng(const std::string &path, int w, int h, const std::vector<uint32_t> &px) {
  stbi_write_png(path.c_str(), w, h, 4, px.data(), w * 4);
}

// A JPEG of the pixels through the engine's own writer (stb_image_write's
// JPEG writer shifts negative values, which UndefinedBehaviorSanitizer stops).
void writeJpeg(const std::string &path, int w, int h, const std::vector<uint32_t> &px, int quality) {
  std::vector<unsigned char> rgb;
  for (uint32_t p : px) {
    const unsigned char *b = (const unsigned char *)&p;
    rgb.insert(rgb.end(), {b[0], b[1], b[2]});
  }
  ASSERT_TRUE(writeJpegFile(path.c_str(), rgb.data(), w, h, quality));
}

class GraphicTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    recorder = new testsupport::MessageBoxRecorder();
    window = new KWindowGL();
    ASSERT_TRUE(window->createGameWindow(W, H, 16, true, "KGraphicGL test"));
    dir = tempDir();
  }
  static void TearDownTestSuite() {
    delete window;
    window = nullptr;
    delete recorder;
    recorder = nullptr;
    std::string cmd = "rm -rf '" + dir + "'";
    if (system(cmd.c_str()) != 0)
      fprintf(stderr, "could not remove %s\n", dir.c_str());
  }
  void SetUp() override {
    window->setClearColor(0, 0, 1, 1);
    window->setWorldView(0, 0, 0, 1.0f, true);
    glColor4f(1, 1, 1, 1);
  }
  // A picture of the pattern, w x h, made from an array.
  KGraphicGL *pattern(int w, int h) {
    arrays.push_back(patternPixels(w, h));
    KGraphicGL *g = new KGraphicGL();
    EXPECT_TRUE(g->makePictureFromArray(arrays.back().data(), w, h, true, false));
    g->setTextureQuality(false);
    owned.emplace_back(g);
    return g;
  }
  PixelReader capture() {
    PixelReader r(W, H);
    r.capture();
    return r;
  }

  static KWindowGL *window;
  static testsupport::MessageBoxRecorder *recorder;
  static std::string dir;
  std::vector<std::vector<uint32_t>> arrays;
  std::vector<std::unique_ptr<KGraphicGL>> owned;
};

KWindowGL *GraphicTest::window = nullptr;
testsupport::MessageBoxRecorder *GraphicTest::recorder = nullptr;
std::string GraphicTest::dir;

// Counts screen pixels of [x1, x2) x [y1, y2) whose source is not `expect`.
template <typename F> int mismatches(const PixelReader &r, int x1, int y1, int x2, int y2, F expect) {
  int bad = 0;
  for (int y = y1; y < y2; y++)
    for (int x = x1; x < x2; x++) {
      int sx, sy, ex = -1, ey = -1;
      expect(x, y, &ex, &ey);
      if (!decode(r.at(x, y), &sx, &sy) || sx != ex || sy != ey)
        bad++;
    }
  return bad;
}

// ---- textures -------------------------------------------------------------------

struct TextureCase {
  int w, h;
  GLenum target;
  float textureSize;
};

TEST_F(GraphicTest, TextureKindFollowsSquarePowerOfTwoRule) {
  const TextureCase cases[] = {
      {256, 256, GL_TEXTURE_2D, 256}, {256, 128, GL_TEXTURE_RECTANGLE_ARB, 256},  {2, 2, GL_TEXTURE_RECTANGLE_ARB, 4},
      {4, 4, GL_TEXTURE_2D, 4},       {800, 600, GL_TEXTURE_RECTANGLE_ARB, 1024},
  };
  for (const TextureCase &c : cases) {
    std::string path = dir + "/tex" + std::to_string(c.w) + "x" + std::to_string(c.h) + ".png";
    writePng(path, c.w, c.h, patternPixels(c.w, c.h));
    KGraphicGL g;
    ASSERT_TRUE(g.loadPicture(path.c_str(), true, true)) << path;
    EXPECT_EQ(g._glEnum, c.target) << path;
    EXPECT_EQ(g.ftextureSize, c.textureSize) << path;
    EXPECT_EQ(g.getWidth(), c.w);
    EXPECT_EQ(g.getHeight(), c.h);
    // The texture itself has exactly the picture's size.
    glBindTexture(c.target, g.texture);
    GLint tw = 0, th = 0;
    glGetTexLevelParameteriv(c.target, 0, GL_TEXTURE_WIDTH, &tw);
    glGetTexLevelParameteriv(c.target, 0, GL_TEXTURE_HEIGHT, &th);
    EXPECT_EQ(tw, c.w) << path;
    EXPECT_EQ(th, c.h) << path;
    KGraphicGL::_oldBindedText = 0xFFFFFFFFu;
  }
}

TEST_F(GraphicTest, RectangleTexturesAreAvailable) {
  // Mesa's llvmpipe advertises GL_ARB_texture_rectangle.
  EXPECT_TRUE(window->getRectangleTexCap());
}

TEST_F(GraphicTest, MissingOrUndecodableFileLeavesPictureEmpty) {
  KGraphicGL g;
  EXPECT_FALSE(g.loadPicture((dir + "/nothing.png").c_str(), true, true));
  EXPECT_EQ(g.getWidth(), 0);
  std::string junk = dir + "/junk.png";
  FILE *f = fopen(junk.c_str(), "wb");
  fputs("not a picture", f);
  fclose(f);
  EXPECT_FALSE(g.loadPicture(junk.c_str(), true, true));
  EXPECT_EQ(g.getWidth(), 0);
  EXPECT_EQ(recorder->count("erreur"), 0);
}

TEST_F(GraphicTest, ColourKeyAppliesOnlyToLaterLoads) {
  // 8 x 4 picture: left half magenta, right half green.
  std::vector<uint32_t> px(8 * 4);
  for (int y = 0; y < 4; y++)
    for (int x = 0; x < 8; x++) {
      uint8_t *b = (uint8_t *)&px[y * 8 + x];
      b[0] = x < 4 ? 255 : 0, b[1] = x < 4 ? 0 : 255, b[2] = x < 4 ? 255 : 0, b[3] = 255;
    }
  std::string path = dir + "/key.png";
  writePng(path, 8, 4, px);

  KGraphicGL keyed;
  keyed.setColorKey(true, 255, 0, 255);
  ASSERT_TRUE(keyed.loadPicture(path.c_str(), true, true));
  // The keyed texels are transparent and keep their colour.
  std::vector<uint8_t> texels(8 * 4 * 4);
  glBindTexture(keyed._glEnum, keyed.texture);
  glGetTexImage(keyed._glEnum, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
  EXPECT_EQ(texels[0], 255);
  EXPECT_EQ(texels[1], 0);
  EXPECT_EQ(texels[2], 255);
  EXPECT_EQ(texels[3], 0);
  EXPECT_EQ(texels[4 * 4 + 3], 255); // green half stays opaque
  KGraphicGL::_oldBindedText = 0xFFFFFFFFu;

  KGraphicGL late;
  ASSERT_TRUE(late.loadPicture(path.c_str(), true, true));
  late.setColorKey(true, 255, 0, 255); // after the load: no effect

  keyed.blitAlphaRect(0, 0, 8, 4, 100, 100, false, false);
  late.blitAlphaRect(0, 0, 8, 4, 200, 100, false, false);
  PixelReader r = capture();
  EXPECT_EQ(r.at(101, 101), kClear); // keyed: background shows
  EXPECT_EQ(r.at(106, 101), (Rgba{0, 255, 0, 255}));
  EXPECT_EQ(r.at(201, 101), (Rgba{255, 0, 255, 255})); // key set late: still magenta
}

// Points the resource folder (getCurrentPath) at a folder for one scope.
class ResourceFolder {
public:
  explicit ResourceFolder(const std::string &folder) {
    strcpy(_path, KMiscTools::currentFilePath);
    strcpy(_app, KMiscTools::currentAppPath);
    _package = KMiscTools::_inPackage;
    snprintf(KMiscTools::currentFilePath, 260, "%s", folder.c_str());
    snprintf(KMiscTools::currentAppPath, 260, "%s/app", folder.c_str());
    KMiscTools::_inPackage = false;
  }
  ~ResourceFolder() {
    strcpy(KMiscTools::currentFilePath, _path);
    strcpy(KMiscTools::currentAppPath, _app);
    KMiscTools::_inPackage = _package;
  }

private:
  char _path[260], _app[260];
  bool _package;
};

TEST_F(GraphicTest, FileNameBelowResourceFolderIsOpenedAsPassedThenInLowerCase) {
  // The resource folder has capitals of its own, which are kept.
  std::string folder = dir + "/Game";
  std::string cmd = "mkdir -p '" + folder + "/gfx' '" + folder + "/Photos'";
  ASSERT_EQ(system(cmd.c_str()), 0);
  writeJpeg(folder + "/gfx/menu.jpg", 16, 8, patternPixels(16, 8), 95);
  writeJpeg(folder + "/Photos/Eiffel.JPG", 24, 8, patternPixels(24, 8), 95);
  ResourceFolder resources(folder);
  const struct {
    const char *name;
    float width; // 0: does not load
  } cases[] = {{"/GFX/Menu.JPG", 16}, {"/gfx/menu.jpg", 16}, {"/Photos/Eiffel.JPG", 24}, {"/photos/eiffel.jpg", 0}};
  for (const auto &c : cases) {
    std::string name = folder + c.name;
    SCOPED_TRACE(name);
    KGraphicGL g;
    EXPECT_EQ(g.loadPicture(name.c_str(), true, true), c.width != 0);
    EXPECT_EQ(g.getWidth(), c.width);
    EXPECT_EQ(name, folder + c.name); // the caller's text is left alone
  }
  // A constant name is accepted (nothing is written into it).
  KGraphicGL h;
  EXPECT_FALSE(h.loadPicture("/nonexistent/Folder/X.PNG", true, true));
}

TEST_F(GraphicTest, PictureLoadsFromTarArchive) {
  // The archive holds gfx/tile.png relative to the resource folder; no plain
  // file of that name exists.
  std::string root = dir + "/arc";
  std::string src = root + "/src";
  std::string cmd = "mkdir -p '" + src + "/gfx'";
  ASSERT_EQ(system(cmd.c_str()), 0);
  writePng(src + "/gfx/tile.png", 32, 16, patternPixels(32, 16));
  cmd = "tar -cf '" + root + "/pics.tar' -C '" + src + "' gfx/tile.png && rm -rf '" + src + "'";
  ASSERT_EQ(system(cmd.c_str()), 0);

  ResourceFolder resources(root);
  ASSERT_EQ(KResource::addArchive((root + "/pics.tar").c_str()), K_RES_OK);
  KGraphicGL g;
  bool loaded = g.loadPicture((root + "/gfx/tile.png").c_str(), true, true);
  KResource::removeAllArchives();

  ASSERT_TRUE(loaded);
  EXPECT_EQ(g.getWidth(), 32);
  g.setTextureQuality(false);
  g.blitRect(0, 0, 32, 16, 10, 10, false, false);
  PixelReader r = capture();
  EXPECT_EQ(mismatches(r, 10, 10, 42, 26, [](int x, int y, int *ex, int *ey) { *ex = x - 10, *ey = y - 10; }), 0);
}

TEST_F(GraphicTest, PictureBeforeAnyWindowWarnsOncePerPicture) {
  short saved = KGraphicGL::screenWidth;
  KGraphicGL::screenWidth = 0;
  recorder->clear();
  { KGraphicGL a, b; }
  KGraphicGL::screenWidth = saved;
  EXPECT_EQ(recorder->count("Screen Dimensions not specified, you will not see anything"), 2);
  EXPECT_EQ(recorder->messages()[0].second, "KGraphicGL::SetScreenSize Not Called!");
}

TEST_F(GraphicTest, MakePictureFromArrayValidatesAndFlipsInPlace) {
  KGraphicGL g;
  EXPECT_FALSE(g.makePictureFromArray(nullptr, 4, 4, true, false));
  uint32_t one = 0;
  EXPECT_FALSE(g.makePictureFromArray(&one, 0, 4, true, false));
  EXPECT_FALSE(g.makePictureFromArray(&one, 4, 0, true, false));
  EXPECT_EQ(g.getWidth(), 0);

  uint32_t px[2];
  uint8_t *b = (uint8_t *)px;
  const uint8_t in[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  memcpy(b, in, 8);
  ASSERT_TRUE(g.makePictureFromArray(px, 2, 1, true, true));
  const uint8_t flipped[8] = {4, 3, 2, 1, 8, 7, 6, 5};
  EXPECT_EQ(memcmp(b, flipped, 8), 0);
  EXPECT_EQ(g._userPixelPtr, px);
  EXPECT_EQ(g._glEnum, (uint32_t)GL_TEXTURE_RECTANGLE_ARB);
}

TEST_F(GraphicTest, PollArrayUploadsRewrittenPixels) {
  std::vector<uint32_t> px(4 * 4, 0xFF0000FFu); // opaque red (R in the low byte)
  KGraphicGL g;
  ASSERT_TRUE(g.makePictureFromArray(px.data(), 4, 4, true, false));
  g.setTextureQuality(false);
  std::fill(px.begin(), px.end(), 0xFF00FF00u); // opaque green
  g.pollArray();
  window->setWorldView(0, 0, 0, 1.0f, false);
  g.blitRect(0, 0, 4, 4, 50, 50, false, false);
  PixelReader r = capture();
  EXPECT_TRUE(r.allNear(50, 50, 54, 54, Rgba{0, 255, 0, 255}));
}

TEST_F(GraphicTest, MakingOrGrabbingAgainReleasesTheEarlierTexture) {
  std::vector<uint32_t> px(8 * 8, 0xFF0000FFu);
  KGraphicGL g;
  ASSERT_TRUE(g.makePictureFromArray(px.data(), 8, 8, true, false));
  GLuint first = g.texture;
  ASSERT_TRUE(g.makePictureFromArray(px.data(), 4, 4, true, false));
  if (g.texture != first) { // the name may be handed out again once freed
    EXPECT_FALSE(glIsTexture(first));
  }
  GLuint second = g.texture;
  ASSERT_TRUE(g.grabBackBuffer());
  if (g.texture != second) {
    EXPECT_FALSE(glIsTexture(second));
  }
  EXPECT_EQ(g.getWidth(), W);
}

TEST_F(GraphicTest, SquarePictureLoadedAfterARectangleBlitDrawsItself) {
  // The rectangle target of the picture drawn before must not stay on over
  // the new 2D texture (the load leaves it bound, so the blit binds nothing).
  KGraphicGL *rect = pattern(100, 50);
  rect->blitRect(0, 0, 100, 50, 0, 0, false, false);
  std::string path = dir + "/green64.png";
  writePng(path, 64, 64, std::vector<uint32_t>(64 * 64, 0xFF00FF00u));
  KGraphicGL square;
  ASSERT_TRUE(square.loadPicture(path.c_str(), true, true));
  ASSERT_EQ(square._glEnum, (uint32_t)GL_TEXTURE_2D);
  square.blitRect(0, 0, 64, 64, 200, 200, false, false);
  PixelReader r = capture();
  EXPECT_TRUE(r.allNear(200, 200, 264, 264, Rgba{0, 255, 0, 255}));
}

TEST_F(GraphicTest, TextureQualityChangesOnlyThePicturesOwnTexture) {
  // 4 x 4 square (2D texture): two black columns, two white ones, nearest.
  std::vector<uint32_t> px(4 * 4);
  for (int i = 0; i < 16; i++)
    px[i] = (i % 4) < 2 ? 0xFF000000u : 0xFFFFFFFFu;
  KGraphicGL sharp;
  ASSERT_TRUE(sharp.makePictureFromArray(px.data(), 4, 4, true, false));
  sharp.setTextureQuality(false);
  // Another picture on the rectangle target asks for linear filtering
  // while the sharp one is still bound to the 2D target.
  KGraphicGL *soft = pattern(8, 4);
  soft->setTextureQuality(true);
  sharp.blitAlphaRectFx(0, 0, 4, 4, 100, 100, 0, 8.0f, 1.0f, false, false, 0, 0);
  PixelReader r = capture();
  int greys = 0;
  for (int x = 86; x < 118; x++)
    if (r.at(x, 101).r > 20 && r.at(x, 101).r < 235)
      greys++;
  EXPECT_EQ(greys, 0);
}

TEST_F(GraphicTest, BindingCacheBindsOnceAndUntexturedDrawingInvalidatesIt) {
  KGraphicGL *a = pattern(64, 64);
  a->blitRect(0, 0, 8, 8, 0, 0, false, false);
  EXPECT_EQ(KGraphicGL::_oldBindedText, a->texture);
  a->drawRect(0, 0, 1, 1, 0, 0, 0, 1);
  EXPECT_EQ(KGraphicGL::_oldBindedText, 0xFFFFFFFFu);
  a->blitAlphaRect(0, 0, 8, 8, 0, 0, false, false);
  EXPECT_EQ(KGraphicGL::_oldBindedText, a->texture);
  a->drawLine(0, 0, 5, 5, 1, 1, 1, 1);
  EXPECT_EQ(KGraphicGL::_oldBindedText, 0xFFFFFFFFu);
}

TEST_F(GraphicTest, FreeingTheBoundTextureForgetsTheBinding) {
  KGraphicGL *a = pattern(16, 16);
  a->blitRect(0, 0, 16, 16, 0, 0, false, false);
  a->freePicture();
  EXPECT_EQ(a->getWidth(), 0);
  EXPECT_NE(KGraphicGL::_oldBindedText, 0u);
  // A new picture drawn afterwards binds its own texture.
  KGraphicGL *b = pattern(16, 16);
  window->setWorldView(0, 0, 0, 1.0f, true);
  b->blitRect(0, 0, 16, 16, 20, 20, false, false);
  PixelReader r = capture();
  EXPECT_EQ(mismatches(r, 20, 20, 36, 36, [](int x, int y, int *ex, int *ey) { *ex = x - 20, *ey = y - 20; }), 0);
}

// ---- blit geometry ------------------------------------------------------------------

TEST_F(GraphicTest, FullWindowBlitOfLoadedPictureFillsWindowExactly) {
  std::string path = dir + "/full.png";
  writePng(path, 800, 600, patternPixels(800, 600));
  KGraphicGL g;
  ASSERT_TRUE(g.loadPicture(path.c_str(), true, true));
  g.setTextureQuality(false);
  window->setWorldView(0, 0, 0, 1.0f, true);
  g.blitRect(0, 0, 800, 600, 0, 0, false, false);
  PixelReader r = capture();
  EXPECT_EQ(mismatches(r, 0, 0, W, H, [](int x, int y, int *ex, int *ey) { *ex = x, *ey = y; }), 0);
}

TEST_F(GraphicTest, SourceRectangleLandsAtDestination) {
  KGraphicGL *g = pattern(800, 600);
  g->blitAlphaRect(248, 71, 535, 269, 100, 50, false, false);
  PixelReader r = capture();
  EXPECT_EQ(mismatches(r, 100, 50, 100 + 287, 50 + 198,
                       [](int x, int y, int *ex, int *ey) { *ex = 248 + x - 100, *ey = 71 + y - 50; }),
            0);
  // Nothing beyond the 287 x 198 rectangle.
  EXPECT_TRUE(r.allNear(99, 50, 100, 248, kClear));
  EXPECT_TRUE(r.allNear(387, 50, 388, 248, kClear));
  EXPECT_TRUE(r.allNear(100, 49, 387, 50, kClear));
  EXPECT_TRUE(r.allNear(100, 248, 387, 249, kClear));
}

struct FlipCase {
  bool flipx, flipy;
};

TEST_F(GraphicTest, FlipsMirrorInsideTheSameRectangle) {
  const FlipCase cases[] = {{false, false}, {true, false}, {false, true}, {true, true}};
  // Both kinds of texture: rectangle (800 x 600) and 2D (256 x 256).
  for (int kind = 0; kind < 2; kind++) {
    KGraphicGL *g = kind == 0 ? pattern(800, 600) : pattern(256, 256);
    for (const FlipCase &c : cases) {
      window->setWorldView(0, 0, 0, 1.0f, true);
      g->blitRect(10, 20, 110, 70, 300, 200, c.flipx, c.flipy);
      PixelReader r = capture();
      int bad = mismatches(r, 300, 200, 400, 250, [&](int x, int y, int *ex, int *ey) {
        int i = x - 300, j = y - 200;
        *ex = c.flipx ? 109 - i : 10 + i;
        *ey = c.flipy ? 69 - j : 20 + j;
      });
      EXPECT_EQ(bad, 0) << "kind " << kind << " flipx " << c.flipx << " flipy " << c.flipy;
      EXPECT_TRUE(r.allNear(299, 200, 300, 250, kClear));
      EXPECT_TRUE(r.allNear(400, 200, 401, 250, kClear));
    }
  }
}

TEST_F(GraphicTest, FloatBlitsMatchIntegerBlitsAtWholePixels) {
  KGraphicGL *g = pattern(800, 600);
  g->blitRect(10, 20, 110, 70, 300, 200, true, false);
  PixelReader a = capture();
  window->setWorldView(0, 0, 0, 1.0f, true);
  g->blitRectF(10, 20, 110, 70, 300, 200, true, false);
  PixelReader b = capture();
  EXPECT_EQ(mismatches(b, 300, 200, 400, 250, [&](int x, int y, int *ex, int *ey) { decode(a.at(x, y), ex, ey); }), 0);
}

TEST_F(GraphicTest, FxWithoutTransformEqualsAlphaBlit) {
  KGraphicGL *g = pattern(800, 600);
  g->blitAlphaRect(248, 71, 535, 269, 40, 30, false, true);
  PixelReader a = capture();
  window->setWorldView(0, 0, 0, 1.0f, true);
  g->blitAlphaRectFx(248, 71, 535, 269, 40, 30, 0, 1.0f, 1.0f, false, true, 0, 0);
  PixelReader b = capture();
  for (int y = 0; y < H; y += 3)
    for (int x = 0; x < W; x += 3)
      ASSERT_EQ(a.at(x, y), b.at(x, y)) << x << "," << y;
}

TEST_F(GraphicTest, RotationBy90TurnsCounterClockwiseAboutTheCentre) {
  // A 100 x 50 region drawn at (10, 20): its centre is the screen point (60, 45).
  KGraphicGL *g = pattern(800, 600);
  g->blitAlphaRectFx(200, 100, 300, 150, 10, 20, 90, 1.0f, 1.0f, false, false, 0, 0);
  PixelReader r = capture();
  // Turned, it covers x 35..84 and y -5..94. The picture's right edge is
  // now at the top: screen (X, Y) shows source (249 - (Y - 45), 125 + (X - 60)).
  EXPECT_EQ(mismatches(r, 35, 0, 85, 95,
                       [](int x, int y, int *ex, int *ey) {
                         *ex = 200 + 49 - (y - 45);
                         *ey = 100 + 25 + (x - 60);
                       }),
            0);
  EXPECT_TRUE(r.allNear(20, 30, 34, 60, kClear)); // left of the turned region
  EXPECT_TRUE(r.allNear(85, 30, 110, 60, kClear));
}

TEST_F(GraphicTest, ZoomTwoScalesAboutTheCentre) {
  KGraphicGL *g = pattern(800, 600);
  g->blitAlphaRectFx(200, 100, 300, 150, 10, 20, 0, 2.0f, 1.0f, false, false, 0, 0);
  PixelReader r = capture();
  // 200 x 100 around (60, 45): x -40..159, y -5..94.
  EXPECT_EQ(mismatches(r, 0, 0, 160, 95,
                       [](int x, int y, int *ex, int *ey) {
                         *ex = 250 + (int)floorf((x - 60 + 0.5f) / 2.0f);
                         *ey = 125 + (int)floorf((y - 45 + 0.5f) / 2.0f);
                       }),
            0);
  EXPECT_TRUE(r.allNear(160, 0, 200, 95, kClear));
  EXPECT_TRUE(r.allNear(0, 95, 160, 120, kClear));
}

TEST_F(GraphicTest, PivotOffsetMovesTheRotationCentre) {
  KGraphicGL *g = pattern(800, 600);
  // Centre moved 50 right and 25 down: the pivot is the region's bottom-right
  // corner, screen (400, 250) for a 100 x 50 region at (300, 200).
  g->blitAlphaRectFx(200, 100, 300, 150, 300, 200, 180, 1.0f, 1.0f, false, false, 50, 25);
  PixelReader r = capture();
  EXPECT_EQ(mismatches(r, 400, 250, 500, 300,
                       [](int x, int y, int *ex, int *ey) {
                         *ex = 200 + 99 - (x - 400);
                         *ey = 100 + 49 - (y - 250);
                       }),
            0);
}

TEST_F(GraphicTest, ZeroZoomOrNonPositiveBlendDrawsNothing) {
  KGraphicGL *g = pattern(800, 600);
  g->blitAlphaRectFx(0, 0, 100, 100, 10, 10, 0, 0.0f, 1.0f, false, false, 0, 0);
  g->blitAlphaRectFx(0, 0, 100, 100, 10, 10, 30, 1.0f, 0.0f, false, false, 0, 0);
  g->blitAlphaRectFx(0, 0, 100, 100, 10, 10, 0, 1.0f, -0.5f, false, false, 0, 0);
  g->blitAlphaRectFxF(0, 0, 100, 100, 10, 10, 0, 1.0f, 0.0f, false, false, 0, 0);
  g->blitRectFx(0, 0, 100, 100, 10, 10, 45, 0.0f, false, false, 0, 0);
  g->blitRectFxF(0, 0, 100, 100, 10, 10, 45, 0.0f, false, false, 0, 0);
  PixelReader r = capture();
  EXPECT_TRUE(r.allNear(0, 0, 200, 200, kClear));
}

TEST_F(GraphicTest, OddWidthUnderRotationDropsTheHalfPixelTowardThePivot) {
  // 101 x 50 turned by 90 about (350.5, 225): the quad's long side spans
  // drawing y -50 .. +51 around the pivot (-50.5 truncated toward zero), so
  // screen rows 174 .. 274 are covered and row 275 is not.
  KGraphicGL *g = pattern(800, 600);
  g->blitAlphaRectFx(0, 0, 101, 50, 300, 200, 90, 1.0f, 1.0f, false, false, 0, 0);
  PixelReader r = capture();
  int sx, sy;
  for (int x = 330; x < 370; x++) {
    EXPECT_TRUE(decode(r.at(x, 174), &sx, &sy)) << x;
    EXPECT_TRUE(decode(r.at(x, 274), &sx, &sy)) << x;
    EXPECT_EQ(r.at(x, 275), kClear) << x;
    EXPECT_EQ(r.at(x, 173), kClear) << x;
  }
}

TEST_F(GraphicTest, BlitRectFxTurnsOpaqueCopy) {
  KGraphicGL *g = pattern(800, 600);
  g->blitRectFx(200, 100, 300, 150, 10, 20, 90, 1.0f, false, false, 0, 0);
  PixelReader r = capture();
  EXPECT_EQ(mismatches(r, 35, 0, 85, 95,
                       [](int x, int y, int *ex, int *ey) {
                         *ex = 249 - (y - 45);
                         *ey = 125 + (x - 60);
                       }),
            0);
}

TEST_F(GraphicTest, StretchMapsSourceOntoScreenRectangle) {
  KGraphicGL *g = pattern(800, 600);
  // 50 x 25 source stretched onto 100 x 50 screen pixels.
  g->stretchAlphaRect(100, 100, 150, 125, 200, 300, 300, 350, 1.0f, 0, false, false);
  PixelReader r = capture();
  EXPECT_EQ(mismatches(r, 200, 300, 300, 350,
                       [](int x, int y, int *ex, int *ey) { *ex = 100 + (x - 200) / 2, *ey = 100 + (y - 300) / 2; }),
            0);
  EXPECT_TRUE(r.allNear(300, 300, 301, 350, kClear));
}

TEST_F(GraphicTest, StretchBlendZeroIsTransparentAndNegativeIsOpaque) {
  std::vector<uint32_t> white(16 * 16, 0xFFFFFFFFu);
  KGraphicGL g;
  ASSERT_TRUE(g.makePictureFromArray(white.data(), 16, 16, true, false));
  g.stretchAlphaRect(0, 0, 16, 16, 10, 10, 26, 26, 0.0f, 0, false, false);
  g.stretchAlphaRect(0, 0, 16, 16, 40, 10, 56, 26, -1.0f, 0, false, false);
  g.stretchAlphaRect(0, 0, 16, 16, 70, 10, 86, 26, 0.5f, 0, false, false);
  PixelReader r = capture();
  EXPECT_TRUE(r.allNear(10, 10, 26, 26, kClear));
  EXPECT_TRUE(r.allNear(40, 10, 56, 26, Rgba{255, 255, 255, 255}));
  EXPECT_TRUE(r.allNear(70, 10, 86, 26, Rgba{128, 128, 255, 255}, 2));
}

TEST_F(GraphicTest, ArbitraryQuadMapsPointsInOrder) {
  KGraphicGL *g = pattern(800, 600);
  // Source rectangle corners onto an axis-aligned screen rectangle, mirrored
  // left-right by the order of the points.
  g->blitArbitraryQuad(10, 10, 60, 10, 60, 40, 10, 40, 150, 100, 100, 100, 100, 130, 150, 130);
  PixelReader r = capture();
  EXPECT_EQ(mismatches(r, 100, 100, 150, 130,
                       [](int x, int y, int *ex, int *ey) { *ex = 10 + (149 - x), *ey = 10 + (y - 100); }),
            0);
}

TEST_F(GraphicTest, TiledRectRepeatsAWrappingTexture) {
  KGraphicGL *g = pattern(64, 64);
  g->allowTextureWrap(true);
  g->blitTiledRect(100, 100, 128, 128, 2.0f, 0);
  PixelReader r = capture();
  // Two tiles each way, each turned by 180 degrees relative to blitRect.
  EXPECT_EQ(mismatches(r, 100, 100, 228, 228,
                       [](int x, int y, int *ex, int *ey) {
                         *ex = 63 - ((x - 100) % 64);
                         *ey = 63 - ((y - 100) % 64);
                       }),
            0);
}

// ---- untextured primitives and colour state ------------------------------------------

TEST_F(GraphicTest, DrawRectOpaqueAndHalf) {
  KGraphicGL g;
  window->setClearColor(1, 1, 1, 1);
  window->setWorldView(0, 0, 0, 1.0f, true);
  g.drawRect(0, 0, 800, 25, 0, 0, 0, 1);
  g.drawRect(0, 100, 800, 125, 0, 0, 0, 0.5f);
  PixelReader r = capture();
  EXPECT_TRUE(r.allNear(0, 0, 800, 25, Rgba{0, 0, 0, 255}));
  EXPECT_TRUE(r.allNear(0, 25, 800, 26, Rgba{255, 255, 255, 255}));
  EXPECT_TRUE(r.allNear(0, 100, 800, 125, Rgba{127, 127, 127, 255}, 2));
  EXPECT_TRUE(r.allNear(0, 125, 800, 126, Rgba{255, 255, 255, 255}));
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
}

TEST_F(GraphicTest, PlotPixelDrawsOnePixelAtTheScreenPoint) {
  KGraphicGL g;
  g.plotPixel(10, 10, 1, 0, 0, 1);
  PixelReader r = capture();
  const Rgba red{255, 0, 0, 255};
  int nearPoint = r.countNear(10, 9, 12, 11, red);
  EXPECT_GE(nearPoint, 1);
  EXPECT_LE(nearPoint, 2);
  EXPECT_EQ(r.countNear(0, 0, 40, 40, red), nearPoint); // nothing elsewhere
  EXPECT_TRUE(glIsEnabled(GL_BLEND));                   // lines leave blending on
}

TEST_F(GraphicTest, BlitRectAfterTintedAlphaBlitKeepsTheTint) {
  std::vector<uint32_t> white(16 * 16, 0xFFFFFFFFu);
  KGraphicGL g;
  ASSERT_TRUE(g.makePictureFromArray(white.data(), 16, 16, true, false));
  g.setBlitColor(0.5f, 0.5f, 0.5f, 1);
  g.blitAlphaRect(0, 0, 16, 16, 0, 0, false, false);
  g.blitRect(0, 0, 16, 16, 20, 0, false, false); // drawn in the colour left behind
  g.drawRect(700, 500, 701, 501, 0, 0, 0, 1);    // leaves opaque white
  g.blitRect(0, 0, 16, 16, 40, 0, false, false);
  PixelReader r = capture();
  EXPECT_TRUE(r.allNear(0, 0, 16, 16, Rgba{128, 128, 128, 255}, 1));
  EXPECT_TRUE(r.allNear(20, 0, 36, 16, Rgba{128, 128, 128, 255}, 1));
  EXPECT_TRUE(r.allNear(40, 0, 56, 16, Rgba{255, 255, 255, 255}));
}

TEST_F(GraphicTest, AdditiveModeAddsToTheBackground) {
  std::vector<uint32_t> half(8 * 8, 0x80000080u); // red 128, alpha 128
  KGraphicGL g;
  ASSERT_TRUE(g.makePictureFromArray(half.data(), 8, 8, true, false));
  window->setClearColor(0, 0, 0.5f, 1);
  window->setWorldView(0, 0, 0, 1.0f, true);
  g.setAlphaMode(false);
  g.blitAlphaRect(0, 0, 8, 8, 0, 0, false, false);
  g.setAlphaMode(true);
  g.blitAlphaRect(0, 0, 8, 8, 10, 0, false, false);
  PixelReader r = capture();
  EXPECT_TRUE(r.allNear(0, 0, 8, 8, Rgba{64, 0, 128, 255}, 2));  // added
  EXPECT_TRUE(r.allNear(10, 0, 18, 8, Rgba{64, 0, 64, 255}, 2)); // mixed
}

TEST_F(GraphicTest, LinearQualityInterpolatesWheneverThePictureIsScaled) {
  // 4 x 4 picture: two black columns, two white ones.
  std::vector<uint32_t> px(4 * 4);
  for (int i = 0; i < 16; i++)
    px[i] = (i % 4) < 2 ? 0xFF000000u : 0xFFFFFFFFu;
  KGraphicGL g;
  ASSERT_TRUE(g.makePictureFromArray(px.data(), 4, 4, true, false));
  g.setTextureQuality(true);
  auto greys = [](const PixelReader &r, int x1, int y, int x2) {
    int n = 0;
    for (int x = x1; x < x2; x++)
      if (r.at(x, y).r > 20 && r.at(x, y).r < 235)
        n++;
    return n;
  };
  // Unscaled: exactly the texels, no grey.
  g.blitRect(0, 0, 4, 4, 10, 10, false, false);
  // Scaled by a zoom, a stretch and a zoomed world view: grey between.
  g.blitAlphaRectFx(0, 0, 4, 4, 100, 100, 0, 8.0f, 1.0f, false, false, 0, 0);
  g.stretchAlphaRect(0, 0, 4, 4, 200, 100, 232, 132, 1.0f, 0, false, false);
  PixelReader r = capture();
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

TEST_F(GraphicTest, GrabBackBufferCopiesTheScreenTheRightWayUp) {
  // With rectangle textures a screen-sized rectangle, without them a
  // 1024 x 1024 2D texture; blits address both in screen pixels.
  const bool rectangleCaps[] = {true, false};
  for (bool rectangleCap : rectangleCaps) {
    window->setRectangleTexCap(rectangleCap);
    window->setWorldView(0, 0, 0, 1.0f, true);
    KGraphicGL *g = pattern(800, 600);
    g->blitRect(0, 0, 800, 600, 0, 0, false, false);
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
    PixelReader r = capture();
    EXPECT_EQ(
        mismatches(r, 10, 10, 210, 110, [](int x, int y, int *ex, int *ey) { *ex = 100 + x - 10, *ey = 50 + y - 10; }),
        0)
        << "rectangle " << rectangleCap;
  }
}

} // namespace

// ---- hostile and unusual files ---------------------------------------------------

const std::string kHostileDir = TRIVELLO_SOURCE_DIR "/tests/data/hostile/";

TEST_F(GraphicTest, HostilePicturesAreRefusedBeforeTheyAreDecoded) {
  struct Case {
    const char *file;
    int erreurMessages; // "Impossible to create  GWorld": the size is refused
  } cases[] = {
      {"huge.png", 1},    // 8192 x 8192 in 8 KB: once 256 MB allocated and success reported
      {"wide.png", 1},    // 70000 wide: once loaded as 4464 wide
      {"huffman.jpg", 0}, // more than 256 Huffman codes: once a write out of bounds
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.file);
    recorder->clear();
    KGraphicGL g;
    EXPECT_FALSE(g.loadPicture((kHostileDir + c.file).c_str(), true, true));
    EXPECT_EQ(g.getWidth(), 0);
    EXPECT_EQ(g.getHeight(), 0);
    EXPECT_EQ(recorder->count("erreur"), c.erreurMessages);
  }
}

TEST_F(GraphicTest, SizesAreFullIntegersUpToTheLimitGiven) {
  FILE *f = fopen((kHostileDir + "wide.png").c_str(), "rb");
  ASSERT_TRUE(f);
  std::vector<unsigned char> bytes(1 << 16);
  bytes.resize(fread(bytes.data(), 1, bytes.size(), f));
  fclose(f);
  DecodedPicture p;
  EXPECT_EQ(decodePicture(bytes.data(), bytes.size(), 16384, p), kPictureTooLarge);
  EXPECT_EQ(p.rgba, nullptr);
  ASSERT_EQ(decodePicture(bytes.data(), bytes.size(), 100000, p), kPictureOk);
  EXPECT_EQ(p.width, 70000);
  EXPECT_EQ(p.height, 1);
  free(p.rgba);
}

TEST_F(GraphicTest, EveryFormatDecodesToTheSamePixels) {
  std::vector<uint32_t> px = patternPixels(20, 12);
  const std::string base = dir + "/formats.";
  stbi_write_png((base + "png").c_str(), 20, 12, 4, px.data(), 20 * 4);
  stbi_write_tga((base + "tga").c_str(), 20, 12, 4, px.data());
  stbi_write_bmp((base + "bmp").c_str(), 20, 12, 4, px.data());
  writeJpeg(base + "jpg", 20, 12, px, 100);
  for (const char *ext : {"png", "tga", "bmp", "jpg"}) {
    SCOPED_TRACE(ext);
    KGraphicGL g;
    ASSERT_TRUE(g.loadPicture((base + ext).c_str(), true, true));
    EXPECT_EQ(g.getWidth(), 20);
    EXPECT_EQ(g.getHeight(), 12);
    std::vector<unsigned char> texels(20 * 12 * 4);
    glBindTexture(g._glEnum, g.texture);
    glGetTexImage(g._glEnum, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    KGraphicGL::_oldBindedText = 0xFFFFFFFFu;
    const int tolerance = std::string(ext) == "jpg" ? 24 : 0;
    int bad = 0;
    for (int y = 0; y < 12; y++)
      for (int x = 0; x < 20; x++) {
        Rgba want = patternAt(x, y);
        const unsigned char *t = &texels[(size_t)(y * 20 + x) * 4];
        if (std::abs(t[0] - want.r) > tolerance || std::abs(t[1] - want.g) > tolerance || t[3] != 255)
          bad++;
      }
    EXPECT_EQ(bad, 0);
  }
}

TEST_F(GraphicTest, RefusedUploadLeavesThePictureEmpty) {
  GLint side = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &side);
  GLint rectSide = 0;
  glGetIntegerv(GL_MAX_RECTANGLE_TEXTURE_SIZE_ARB, &rectSide);
  long tooWide = std::max(side, rectSide) + 1L;
  std::vector<uint32_t> px((size_t)tooWide, 0xffffffffu);
  KGraphicGL g;
  EXPECT_FALSE(g.makePictureFromArray(px.data(), tooWide, 1, true, false));
  EXPECT_EQ(g.getWidth(), 0);
  EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}
