// KText: look-up, measuring, line and multi-line drawing against a recording
// picture, and (under a display) real glyphs drawn into an OpenGL window.
#include "KText.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <type_traits>
#include <unistd.h>
#include <vector>

#include "KNUX.h"
#include "KWindow.h"
#include "fonttables.h"
#include "support/NullGraphic.h"
#include "support/PixelReader.h"

namespace {

// ---- a picture that records what the text asks of it ------------------------

struct Blit {
  float x1, y1, x2, y2;
  short destX, destY;
  bool flipx, flipy;
};

class RecordingGraphic : public testsupport::NullGraphic {
public:
  explicit RecordingGraphic(bool *deleted = nullptr) : _deleted(deleted) {}
  ~RecordingGraphic() override {
    if (_deleted != nullptr)
      *_deleted = true;
  }

  std::vector<Blit> blits;
  std::vector<std::array<float, 4>> colors;
  std::string calls; // every call in order: 'c' for a colour, 'b' for a blit

  void blitAlphaRect(float x1, float y1, float x2, float y2, short destX, short destY, bool flipx,
                     bool flipy) override {
    blits.push_back({x1, y1, x2, y2, destX, destY, flipx, flipy});
    calls += 'b';
  }
  void setBlitColor(float r, float g, float b, float a) override {
    colors.push_back({r, g, b, a});
    calls += 'c';
  }
  std::vector<short> destXs() const {
    std::vector<short> xs;
    for (const Blit &b : blits)
      xs.push_back(b.destX);
    return xs;
  }
  void clear() {
    blits.clear();
    colors.clear();
    calls.clear();
  }

  // the rest of the interface is not used by text
  float getWidth() override { return 256; }
  float getHeight() override { return 256; }

private:
  bool *_deleted;
};

// A font whose glyphs are easy to tell apart: every glyph is 10 pixels wide
// (its rectangle's left column is 10 x its position), 16 rows tall; the
// blank and the full stop are glyphs too, so a drawn break would show.
KFont gUniform[] = {
    {'A', 0, 0, 9, 15, 10, 16},     {'B', 10, 0, 19, 15, 10, 16},   {'C', 20, 0, 29, 15, 10, 16},
    {'D', 30, 0, 39, 15, 10, 16},   {'E', 40, 0, 49, 15, 10, 16},   {'F', 50, 0, 59, 15, 10, 16},
    {'G', 60, 0, 69, 15, 10, 16},   {'H', 70, 0, 79, 15, 10, 16},   {'I', 80, 0, 89, 15, 10, 16},
    {'J', 90, 0, 99, 15, 10, 16},   {' ', 100, 0, 109, 15, 10, 16}, {'.', 110, 0, 119, 15, 10, 16},
    {',', 120, 0, 129, 15, 10, 16}, {'!', 130, 0, 139, 15, 10, 16}, {0, 0, 0, 0, 0, 0, 0},
};

// The character a recorded blit drew from gUniform.
char glyphOf(const Blit &b) {
  for (const KFont *g = gUniform; g->_c != 0; g++)
    if ((float)g->_x1 == b.x1 && (float)g->_y1 == b.y1)
      return g->_c;
  return '?';
}

struct Line {
  short x, y;
  std::string text;
};

// Groups the recorded blits into lines (a new line whenever destY changes).
std::vector<Line> linesOf(const RecordingGraphic &g) {
  std::vector<Line> lines;
  for (const Blit &b : g.blits) {
    if (lines.empty() || lines.back().y != b.destY)
      lines.push_back({b.destX, b.destY, ""});
    lines.back().text += glyphOf(b);
  }
  return lines;
}

class KTextFixture : public ::testing::Test {
protected:
  KTextFixture() : pic(new RecordingGraphic) {
    text.setKGraphic(pic);
    text.setFontTable(gUniform);
  }
  KText text;
  RecordingGraphic *pic; // owned by text
};

// ---- look-up and measuring -----------------------------------------------------

TEST_F(KTextFixture, CharIndexFindsFirstRecordAndNeverTheEndMark) {
  EXPECT_EQ(text.getCharIndex('A'), 0);
  EXPECT_EQ(text.getCharIndex('!'), 13);
  EXPECT_EQ(text.getCharIndex('Z'), -1);
  EXPECT_EQ(text.getCharIndex('\0'), -1);

  KFont twice[] = {{'x', 0, 0, 1, 1, 2, 2}, {'x', 5, 5, 6, 6, 9, 2}, {0, 0, 0, 0, 0, 0, 0}};
  text.setFontTable(twice);
  EXPECT_EQ(text.getCharIndex('x'), 0);
}

TEST(KText, NothingIsFoundOrMeasuredWithoutPictureOrTable) {
  KText bare;
  bare.setFontTable(gUniform);
  EXPECT_EQ(bare.getCharIndex('A'), -1) << "no picture";
  EXPECT_EQ(bare.getStringWidth("AB", 0), -1);

  KText noTable;
  noTable.setKGraphic(new RecordingGraphic);
  EXPECT_EQ(noTable.getCharIndex('A'), -1) << "no table";
  EXPECT_EQ(noTable.getStringWidth("AB", 0), -1);
  noTable.drawStringFromLeft("AB", 0, 0, 0);
  noTable.drawMultiLine((char *)"AB AB AB", 0, 15, 0, 0, 0, 0);
  EXPECT_TRUE(static_cast<RecordingGraphic *>(noTable.getKGraphicPtr())->blits.empty());
}

TEST(KText, WidthWithTheGameFont) {
  KText text;
  text.setKGraphic(new RecordingGraphic);
  text.setFontTable(fontTable);
  struct Case {
    const char *txt;
    long kerning;
    long expected;
  } cases[] = {
      {"AI", 0, 32},   // 19 + 13
      {"AI", 2, 36},   // kerning after every glyph, the last one included
      {"A\tI", 0, 32}, // a character without a glyph takes no room
      {"A", -3, 16},   {"", 0, -1}, {nullptr, 0, -1},
  };
  for (const Case &c : cases)
    EXPECT_EQ(text.getStringWidth(c.txt, c.kerning), c.expected) << (c.txt ? c.txt : "(null)");
}

TEST_F(KTextFixture, WidthOfTheFirstCharacters) {
  struct Case {
    const char *txt;
    long kerning, ccount, expected;
  } cases[] = {
      {"ABCD", 0, 2, 20},  {"ABCD", 1, 3, 33}, {"ABCD", 0, 0, -1},
      {"ABCD", 0, -2, -1}, {"AB", 0, 50, 20}, // never reads past the end of the text
      {"A\tB", 0, 2, 10},  {"", 0, 3, -1},
  };
  for (const Case &c : cases)
    EXPECT_EQ(text.getStringWidth(c.txt, c.kerning, c.ccount), c.expected) << c.txt << " ccount " << c.ccount;
}

// ---- single lines -------------------------------------------------------------

TEST_F(KTextFixture, DrawFromLeftBlitsEachGlyphAtThePenTintedAndThenResetsTheColour) {
  text.setColor(0.5f, 0.25f, 1.0f, 0.75f);
  text.drawStringFromLeft("AB\tC", 100, 40, 3);

  ASSERT_EQ(pic->calls, "cbbbc");
  EXPECT_EQ(pic->colors[0], (std::array<float, 4>{0.5f, 0.25f, 1.0f, 0.75f}));
  EXPECT_EQ(pic->colors[1], (std::array<float, 4>{1, 1, 1, 1}));
  // the tab is skipped without moving the pen
  EXPECT_EQ(pic->destXs(), (std::vector<short>{100, 113, 126}));
  // source rectangle one past the inclusive corners, no flipping
  const Blit &b = pic->blits[1];
  EXPECT_EQ(b.x1, 10);
  EXPECT_EQ(b.y1, 0);
  EXPECT_EQ(b.x2, 20);
  EXPECT_EQ(b.y2, 16);
  EXPECT_EQ(b.destY, 40);
  EXPECT_FALSE(b.flipx || b.flipy);
}

TEST_F(KTextFixture, EmptyOrMissingTextDrawsNothing) {
  text.drawStringFromLeft("", 0, 0, 0);
  text.drawStringFromLeft((const char *)nullptr, 0, 0, 0);
  text.drawStringFromRight("", 0, 0, 0);
  text.drawStringFromRight((const char *)nullptr, 0, 0, 0);
  text.drawStringCentered("", 0, 100, 0, 0);
  text.drawStringCentered((const char *)nullptr, 0, 100, 0, 0);
  text.drawNCharFromLeft((char *)"AB", 0, 0, 0, 0);
  text.drawNCharFromLeft(nullptr, 5, 0, 0, 0);
  text.drawMultiLine((char *)"", 0, 100, 0, 0, 0, 0);
  text.drawMultiLine(nullptr, 0, 100, 0, 0, 0, 0);
  text.drawMultiLine((char *)"AB", 10, 5, 0, 0, 0, 0); // negative width
  EXPECT_EQ(pic->calls, "");
  EXPECT_EQ(text.getStringWidth(nullptr, 0, 3), -1);
  EXPECT_EQ(text.findClosestBreak(nullptr, 50, 0), 0);
}

static_assert(!std::is_copy_constructible_v<KText> && !std::is_copy_assignable_v<KText>,
              "a copy would delete the font picture twice");

TEST(KText, DrawFromRightEndsAtXWithTheGameFont) {
  KText text;
  RecordingGraphic *pic = new RecordingGraphic;
  text.setKGraphic(pic);
  text.setFontTable(fontTable);
  text.drawStringFromRight("A", 100, 7, 1); // _w 19 + kerning 1
  ASSERT_EQ(pic->blits.size(), 1u);
  EXPECT_EQ(pic->blits[0].destX, 80);
  EXPECT_EQ(pic->blits[0].x1, 22);
  EXPECT_EQ(pic->blits[0].x2, 41);
}

TEST_F(KTextFixture, DrawFromRightWalksBackwardsFromTheLastGlyph) {
  text.drawStringFromRight("AB\tC", 100, 0, 2);
  std::string order;
  for (const Blit &b : pic->blits)
    order += glyphOf(b);
  EXPECT_EQ(order, "CBA");
  EXPECT_EQ(pic->destXs(), (std::vector<short>{88, 76, 64}));
  EXPECT_EQ(pic->calls.front(), 'c');
  EXPECT_EQ(pic->calls.back(), 'c');
}

TEST_F(KTextFixture, CentredStartTruncatesTowardZero) {
  struct Case {
    const char *txt;
    long x1, x2, expectedX;
  } cases[] = {
      {"ABCDE", 0, 101, 25},                        // (101 - 50) / 2
      {"ABCDE", 0, 50, 0},   {"ABCDE", 10, 59, 10}, // (49 - 50) / 2 is 0, not -1
      {"ABCDE", 0, 47, -1},                         // (47 - 50) / 2
      {"ABCDEF", 0, 0, -30},
  };
  for (const Case &c : cases) {
    pic->clear();
    text.drawStringCentered(c.txt, c.x1, c.x2, 5, 0);
    ASSERT_FALSE(pic->blits.empty()) << c.txt;
    EXPECT_EQ(pic->blits[0].destX, c.expectedX) << c.txt << " between " << c.x1 << " and " << c.x2;
  }
  pic->clear();
  text.drawStringCentered("\t\t", 0, 100, 0, 0); // width 0: nothing at all
  EXPECT_EQ(pic->calls, "");
}

TEST_F(KTextFixture, NumbersAreDrawnLikeTheirText) {
  KFont digits[] = {{'-', 0, 0, 4, 15, 5, 16},
                    {'0', 10, 0, 17, 15, 8, 16},
                    {'4', 20, 0, 27, 15, 8, 16},
                    {'2', 30, 0, 37, 15, 8, 16},
                    {0, 0, 0, 0, 0, 0, 0}};
  text.setFontTable(digits);
  text.drawStringFromLeft(-42L, 10, 0, 0);
  EXPECT_EQ(pic->destXs(), (std::vector<short>{10, 15, 23}));
  pic->clear();
  text.drawStringFromRight(420L, 100, 0, 0);
  EXPECT_EQ(pic->destXs(), (std::vector<short>{92, 84, 76}));
  pic->clear();
  text.drawStringCentered(0L, 0, 100, 0, 0);
  EXPECT_EQ(pic->destXs(), (std::vector<short>{46}));
}

TEST_F(KTextFixture, DrawNCharStopsAfterNCharactersOrAtTheEnd) {
  struct Case {
    const char *txt;
    long nchar;
    std::string drawn;
  } cases[] = {{"ABCD", 2, "AB"}, {"ABCD", 4, "ABCD"}, {"AB", 9, "AB"}, {"A\tB", 2, "A"}};
  for (const Case &c : cases) {
    pic->clear();
    text.drawNCharFromLeft((char *)c.txt, c.nchar, 0, 0, 0);
    std::string drawn;
    for (const Blit &b : pic->blits)
      drawn += glyphOf(b);
    EXPECT_EQ(drawn, c.drawn) << c.txt << " n " << c.nchar;
  }
}

// ---- wrapping ---------------------------------------------------------------------

TEST_F(KTextFixture, ClosestBreak) {
  struct Case {
    const char *txt;
    long maxwidth, kerning, expected;
  } cases[] = {
      {"AAA BBB CCC", 55, 0, 3},                              // back from the overflow to the blank
      {"AAA BBB CCC", 80, 0, 7}, {"AAA BBB CCC", 200, 0, 11}, // everything fits: the end of the text
      {"AAAA BBB", 40, 0, 4},                                 // a prefix exactly as wide as the line stops the scan
      {"AAA BBBB", 80, 0, 8},    {"AAA BBBB", 70, 0, 3},
      {"ABCDEFGH", 40, 0, 4}, // cut after the glyph that reaches the width
      {"AB.CD EF", 35, 0, 2}, // the full stop is the break
      {"AB,CD", 35, 0, 2},       {"AB!CD", 35, 0, 2},
      {"AB\nCD EF", 200, 0, 2},                            // a line end ends the line whatever the width
      {"AB\rCD", 200, 0, 2},     {"ABCDEFGHIJ", 35, 0, 4}, // a word longer than the line is cut where it overflows
      {"A BCDEFG", 35, 0, 4},                              // a break at 1 is no break: cut instead
      {"AAA BBB", 55, 5, 3},                               // 15 per glyph: 4 glyphs reach 60
      {"AAA BBB", 45, -5, 7},                              // 5 per glyph: 35 for all
      {"AB", 0, 0, 1},           {"", 50, 0, 0},
  };
  for (const Case &c : cases)
    EXPECT_EQ(text.findClosestBreak((char *)c.txt, c.maxwidth, c.kerning), c.expected)
        << '"' << c.txt << "\" width " << c.maxwidth << " kerning " << c.kerning;
}

struct WrapCase {
  const char *txt;
  long x1, x2, style, kerning;
  std::vector<Line> lines;
};

void PrintTo(const WrapCase &c, std::ostream *os) {
  *os << '"' << c.txt << "\" from " << c.x1 << " to " << c.x2 << " style " << c.style << " kerning " << c.kerning;
}

class WrapTest : public KTextFixture, public ::testing::WithParamInterface<WrapCase> {};

TEST_P(WrapTest, LinesAndPositions) {
  const WrapCase &c = GetParam();
  text.drawMultiLine((char *)c.txt, c.x1, c.x2, 50, c.style, c.kerning, 4);
  std::vector<Line> got = linesOf(*pic);
  ASSERT_EQ(got.size(), c.lines.size()) << c.txt;
  for (size_t i = 0; i < got.size(); i++) {
    EXPECT_EQ(got[i].text, c.lines[i].text) << "line " << i;
    EXPECT_EQ(got[i].x, c.lines[i].x) << "line " << i;
    EXPECT_EQ(got[i].y, c.lines[i].y) << "line " << i;
  }
}

// Lines go down by the first record's height (16) plus the spacing (4).
INSTANTIATE_TEST_SUITE_P(
    KText, WrapTest,
    ::testing::Values(
        // style 0, left
        WrapCase{"AAA BBB CCC", 100, 155, 0, 0, {{100, 50, "AAA"}, {100, 70, "BBB"}, {100, 90, "CCC"}}},
        // style 1, right: the last glyph's right edge meets x2
        WrapCase{"AAA BBB CCC", 100, 155, 1, 0, {{125, 50, "AAA"}, {125, 70, "BBB"}, {125, 90, "CCC"}}},
        // with kerning 2 the line is 36 wide and its last glyph ends at 121 + 24 + 10 = 155
        WrapCase{"AAA BBB CCC", 100, 155, 1, 2, {{121, 50, "AAA"}, {121, 70, "BBB"}, {121, 90, "CCC"}}},
        // style 2, centred: 100 + (55 - 30) / 2
        WrapCase{"AAA BBB CCC", 100, 155, 2, 0, {{112, 50, "AAA"}, {112, 70, "BBB"}, {112, 90, "CCC"}}},
        // an unknown style draws nothing
        WrapCase{"AAA BBB CCC", 100, 155, 7, 0, {}},
        // a text that fits is drawn from the left whatever the style
        WrapCase{"AB CD", 0, 200, 1, 0, {{0, 50, "AB CD"}}}, WrapCase{"AB CD", 0, 200, 2, 0, {{0, 50, "AB CD"}}},
        // the break character is consumed: no blank opens a line, no full stop is drawn
        WrapCase{"AB.CD EF", 0, 35, 0, 0, {{0, 50, "AB"}, {0, 70, "CD"}, {0, 90, "EF"}}},
        WrapCase{"AA BB CC DD", 0, 55, 0, 0, {{0, 50, "AA BB"}, {0, 70, "CC DD"}}},
        // a line end starts a new line
        WrapCase{"AAAA\nBB CCCC", 0, 55, 0, 0, {{0, 50, "AAAA"}, {0, 70, "BB"}, {0, 90, "CCCC"}}},
        // a word longer than the line is cut, and no letter of it is lost
        WrapCase{"ABCDEFGHIJ", 0, 35, 0, 0, {{0, 50, "ABCD"}, {0, 70, "EFGH"}, {0, 90, "IJ"}}},
        // a cut line is wider than the box: centring truncates toward zero, (35 - 40) / 2 = -2
        WrapCase{"ABCDEFGHIJ", 0, 35, 2, 0, {{-2, 50, "ABCD"}, {-2, 70, "EFGH"}, {7, 90, "IJ"}}},
        // a break at the line's second character is no break: the word is cut after the blank
        WrapCase{"A BCDEFGHIJ", 0, 35, 0, 0, {{0, 50, "A BC"}, {0, 70, "DEFG"}, {0, 90, "HIJ"}}},
        // a text that fits is one line: its line ends are skipped like any unknown character
        WrapCase{"AB\nCD", 0, 200, 0, 0, {{0, 50, "ABCD"}}},
        // a zero-width line still ends: one glyph per line
        WrapCase{"ABC", 0, 0, 0, 0, {{0, 50, "A"}, {0, 70, "B"}, {0, 90, "C"}}}));

TEST_F(KTextFixture, WrappedLinesAreTintedAndLeaveTheColourWhite) {
  text.setColor(1, 0, 0, 0.5f);
  text.drawMultiLine((char *)"AAA BBB", 0, 35, 0, 0, 0, 0);
  ASSERT_EQ(pic->calls, "cbbbccbbbc");
  EXPECT_EQ(pic->colors[0], (std::array<float, 4>{1, 0, 0, 0.5f}));
  EXPECT_EQ(pic->colors.back(), (std::array<float, 4>{1, 1, 1, 1}));
}

// ---- ownership and helpers -----------------------------------------------------------

TEST(KText, OwnsItsPicture) {
  bool firstDeleted = false, secondDeleted = false;
  {
    KText text;
    RecordingGraphic *first = new RecordingGraphic(&firstDeleted);
    text.setKGraphic(first);
    text.setKGraphic(first); // the same picture again is kept
    EXPECT_FALSE(firstDeleted);
    text.setKGraphic(new RecordingGraphic(&secondDeleted));
    EXPECT_TRUE(firstDeleted) << "a replaced picture is freed";
    EXPECT_FALSE(secondDeleted);
  }
  EXPECT_TRUE(secondDeleted) << "the picture goes with the text";
}

TEST(KText, LoadFontBitmapKeepsAPictureAlreadyHeld) {
  KText text;
  RecordingGraphic *pic = new RecordingGraphic;
  text.setKGraphic(pic);
  text.loadFontBitmap((char *)"gfx/none.png");
  EXPECT_EQ(text.getKGraphicPtr(), pic);
}

TEST(KText, StruprUpperCasesInPlace) {
  struct Case {
    const char *in, *out;
  } cases[] = {{"abc", "ABC"}, {"Score: 10!", "SCORE: 10!"}, {"", ""}, {"ALREADY", "ALREADY"}};
  for (const Case &c : cases) {
    char buffer[32];
    strcpy(buffer, c.in);
    EXPECT_EQ(_strupr(buffer), buffer);
    EXPECT_STREQ(buffer, c.out);
  }
  EXPECT_EQ(_strupr(nullptr), nullptr);
}

// ---- on screen ----------------------------------------------------------------------------

// Copies a font picture to a lower-case path (pictures are opened by their
// lower-cased name, and the source tree's path may hold capitals).
std::filesystem::path copyFolder() {
  return std::filesystem::path("/tmp") / ("trivello_ktext_" + std::to_string(getpid()));
}

std::string lowerCaseCopy(const char *source, const char *name) {
  namespace fs = std::filesystem;
  std::error_code error;
  fs::path dir = copyFolder();
  fs::create_directories(dir, error);
  fs::copy_file(source, dir / name, fs::copy_options::overwrite_existing, error);
  return error ? std::string() : (dir / name).string();
}

class KTextOnScreen : public ::testing::Test {
protected:
  void SetUp() override {
    if (getenv("DISPLAY") == nullptr)
      GTEST_SKIP() << "no display (run under xvfb-run)";
    window = KNUX::createKWindow(K_OPENGL, false);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(window->createGameWindow(800, 600, 32, true, "KText test"));
  }
  void TearDown() override { delete window; }
  static void TearDownTestSuite() {
    std::error_code error;
    std::filesystem::remove_all(copyFolder(), error);
  }

  void clearTo(float r, float g, float b) {
    window->setWorldView(0, 0, 0, 1.0f, false);
    glClearColor(r, g, b, 1);
    glClear(GL_COLOR_BUFFER_BIT);
  }

  KWindow *window = nullptr;
};

TEST_F(KTextOnScreen, GameFontsDrawWhiteGlyphsWithDarkOutlinesWhereTheTableSays) {
  struct Font {
    const char *file, *name;
    KFont *table;
  } fonts[] = {{TRIVELLO_SOURCE_DIR "/assets/gfx/letters01.tga", "letters01.tga", fontTable},
               {TRIVELLO_SOURCE_DIR "/assets/gfx/letters02.png", "letters02.png", fontTable2}};
  for (const Font &f : fonts) {
    std::string path = lowerCaseCopy(f.file, f.name);
    ASSERT_FALSE(path.empty());
    KText text((char *)path.c_str(), f.table);
    ASSERT_NE(text.getKGraphicPtr(), nullptr);
    ASSERT_EQ(text.getKGraphicPtr()->getWidth(), 256.0f) << f.name;

    // a mid-grey background shows both the white fill and the dark outline
    clearTo(0.5f, 0.5f, 0.5f);
    const char *sample = "MAIL 42";
    long width = text.getStringWidth(sample, 0);
    text.drawStringFromLeft(sample, 100, 200, 0);
    testsupport::PixelReader px(800, 600);
    px.capture();
    int white = px.countNear(100, 200, 100 + width, 216, {255, 255, 255, 255}, 40);
    int dark = px.countNear(100, 200, 100 + width, 216, {0, 0, 0, 255}, 70);
    EXPECT_GT(white, 40) << f.name;
    EXPECT_GT(dark, 20) << f.name;
    // nothing outside the text's box
    EXPECT_TRUE(px.allNear(90, 185, 100, 230, {128, 128, 128, 255}, 2)) << f.name;
    EXPECT_TRUE(px.allNear(100 + width + 4, 185, 100 + width + 20, 230, {128, 128, 128, 255}, 2)) << f.name;
    EXPECT_TRUE(px.allNear(100, 180, 100 + width, 200, {128, 128, 128, 255}, 2)) << f.name;

    // a red tint turns the white fill red and leaves the outline dark
    clearTo(0.5f, 0.5f, 0.5f);
    text.setColor(1, 0, 0, 1);
    text.drawStringFromLeft(sample, 100, 200, 0);
    px.capture();
    EXPECT_EQ(px.countNear(100, 200, 100 + width, 216, {255, 255, 255, 255}, 40), 0) << f.name;
    EXPECT_GT(px.countNear(100, 200, 100 + width, 216, {255, 0, 0, 255}, 40), 40) << f.name;

    // half opacity: the fill blends halfway with the background
    clearTo(0, 0, 0);
    text.setColor(1, 1, 1, 0.5f);
    text.drawStringFromLeft("I", 100, 200, 0);
    px.capture();
    int brightest = 0;
    for (int y = 200; y < 216; y++)
      for (int x = 100; x < 120; x++)
        brightest = std::max(brightest, (int)px.at(x, y).g);
    EXPECT_NEAR(brightest, 128, 12) << f.name;
  }
}

} // namespace
