// KText: look-up, measuring, breaks, and line and multi-line drawing against
// a recording picture.
#include "KText.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <unistd.h>
#include <vector>

#include "KNUX.h"
#include "KWindow.h"
#include "fonttables.h"
#include "support/NullGraphic.h"
#include "support/PixelReader.h"

namespace {

// A font whose glyphs are easy to tell apart: glyph i's rectangle starts at
// column 10 i, every glyph 10 pixels wide and 16 tall. The blank and the
// marks are glyphs too, so that a drawn break would show.
const char kGlyphs[] = "ABCDEFGHIJ .,!-024";

std::vector<KFont> uniformFont() {
  std::vector<KFont> table;
  for (short i = 0; kGlyphs[i] != 0; i++)
    table.push_back({kGlyphs[i], (short)(10 * i), 0, (short)(10 * i + 9), 15, 10, 16});
  table.push_back({0, 0, 0, 0, 0, 0, 0});
  return table;
}
std::vector<KFont> gUniform = uniformFont();

using Color = std::array<float, 4>;

// Records what the text asks of its picture.
class RecordingGraphic : public testsupport::NullGraphic {
public:
  explicit RecordingGraphic(bool *deleted = nullptr) : _deleted(deleted) {}
  ~RecordingGraphic() override {
    if (_deleted != nullptr)
      *_deleted = true;
  }
  void blitAlphaRect(float x1, float y1, float x2, float y2, short destX, short destY, bool flipx,
                     bool flipy) override {
    // The source is the glyph's rectangle one past its inclusive corners, not flipped.
    EXPECT_TRUE(y1 == 0 && x2 == x1 + 10 && y2 == 16 && !flipx && !flipy);
    drawn += kGlyphs[(int)x1 / 10];
    xs.push_back(destX);
    ys.push_back(destY);
    calls += 'b';
  }
  void setBlitColor(float r, float g, float b, float a) override {
    colors.push_back({r, g, b, a});
    calls += 'c';
  }
  void clear() {
    drawn.clear();
    calls.clear();
    xs.clear();
    ys.clear();
    colors.clear();
  }

  std::string drawn; // the glyphs blitted, in order
  std::string calls; // every call in order: 'c' for a colour, 'b' for a blit
  std::vector<short> xs, ys;
  std::vector<Color> colors;

private:
  bool *_deleted;
};

class KTextTest : public ::testing::Test {
protected:
  KTextTest() : pic(new RecordingGraphic) {
    text.setKGraphic(pic);
    text.setFontTable(gUniform.data());
  }
  KText text;
  RecordingGraphic *pic; // owned by text
};

// ---- look-up and measuring -----------------------------------------------------

TEST_F(KTextTest, LookUpAndWidths) {
  EXPECT_EQ(text.getCharIndex('A'), 0);
  EXPECT_EQ(text.getCharIndex('!'), 13);
  EXPECT_EQ(text.getCharIndex('Z'), -1);
  EXPECT_EQ(text.getCharIndex('\0'), -1) << "the end mark is never found";

  const long kAll = LONG_MIN; // the whole text
  struct Case {
    const char *txt;
    long kerning, ccount, expected;
  } cases[] = {
      {"AB", 0, kAll, 20},   {"AB", 2, kAll, 24}, // the kerning follows every glyph, the last one included
      {"A\tB", 0, kAll, 20},                      // a character without a glyph takes no room
      {"A", -3, kAll, 7},    {"", 0, kAll, -1},   {nullptr, 0, kAll, -1}, {"ABCD", 0, 2, 20}, {"ABCD", 1, 3, 33},
      {"ABCD", 0, 0, -1},    {"ABCD", 0, -2, -1}, {"AB", 0, 50, 20}, // never reads past the end of the text
      {"A\tB", 0, 2, 10},    {"", 0, 3, -1},      {nullptr, 0, 3, -1},
  };
  for (const Case &c : cases)
    EXPECT_EQ(c.ccount == kAll ? text.getStringWidth(c.txt, c.kerning)
                               : text.getStringWidth(c.txt, c.kerning, c.ccount),
              c.expected)
        << (c.txt ? c.txt : "(null)") << " kerning " << c.kerning << " ccount " << c.ccount;

  KFont twice[] = {{'x', 0, 0, 1, 1, 2, 2}, {'x', 5, 5, 6, 6, 9, 2}, {0, 0, 0, 0, 0, 0, 0}};
  text.setFontTable(twice);
  EXPECT_EQ(text.getCharIndex('x'), 0) << "the first record wins";
}

TEST(KText, NothingIsFoundMeasuredOrDrawnWithoutPictureOrTable) {
  KText bare;
  bare.setFontTable(gUniform.data());
  EXPECT_EQ(bare.getCharIndex('A'), -1) << "no picture";
  EXPECT_EQ(bare.getStringWidth("AB", 0), -1);

  KText noTable;
  RecordingGraphic *pic = new RecordingGraphic;
  noTable.setKGraphic(pic);
  EXPECT_EQ(noTable.getCharIndex('A'), -1) << "no table";
  EXPECT_EQ(noTable.getStringWidth("AB", 0), -1);
  noTable.drawStringFromLeft("AB", 0, 0, 0);
  noTable.drawMultiLine((char *)"AB AB AB", 0, 15, 0, 0, 0, 0);
  EXPECT_EQ(pic->drawn, "");
}

// ---- single lines -------------------------------------------------------------

TEST_F(KTextTest, EmptyOrMissingTextDrawsNothing) {
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
}

static_assert(!std::is_copy_constructible_v<KText> && !std::is_copy_assignable_v<KText>,
              "a copy would delete the font picture twice");

TEST_F(KTextTest, SingleLineDrawsPlaceTheirGlyphsTinted) {
  const Color tint = {0.5f, 0.25f, 1.0f, 0.75f}, white = {1, 1, 1, 1};
  text.setColor(tint[0], tint[1], tint[2], tint[3]);
  struct Case {
    const char *name;
    std::function<void()> draw;
    std::string drawn;
    short firstX, lastX;
  } cases[] = {
      {"left: a tab is skipped without moving the pen", [&] { text.drawStringFromLeft("AB\tC", 100, 40, 3); }, "ABC",
       100, 126},
      {"right: backwards from the last glyph", [&] { text.drawStringFromRight("AB\tC", 100, 0, 2); }, "CBA", 88, 64},
      {"centred: (101 - 50) / 2", [&] { text.drawStringCentered("ABCDE", 0, 101, 5, 0); }, "ABCDE", 25, 65},
      {"centred in its width", [&] { text.drawStringCentered("ABCDE", 0, 50, 5, 0); }, "ABCDE", 0, 40},
      {"(49 - 50) / 2 is 0, not -1", [&] { text.drawStringCentered("ABCDE", 10, 59, 5, 0); }, "ABCDE", 10, 50},
      {"(47 - 50) / 2 is -1", [&] { text.drawStringCentered("ABCDE", 0, 47, 5, 0); }, "ABCDE", -1, 39},
      {"centred in nothing", [&] { text.drawStringCentered("ABCDEF", 0, 0, 5, 0); }, "ABCDEF", -30, 20},
      {"centred width 0: nothing at all", [&] { text.drawStringCentered("\t\t", 0, 100, 0, 0); }, "", 0, 0},
      {"number from the left", [&] { text.drawStringFromLeft(-42L, 10, 0, 0); }, "-42", 10, 30},
      {"number from the right", [&] { text.drawStringFromRight(420L, 100, 0, 0); }, "024", 90, 70},
      {"number centred", [&] { text.drawStringCentered(0L, 0, 100, 0, 0); }, "0", 45, 45},
      {"first 2 characters", [&] { text.drawNCharFromLeft((char *)"ABCD", 2, 0, 0, 0); }, "AB", 0, 10},
      {"first 4 of 4", [&] { text.drawNCharFromLeft((char *)"ABCD", 4, 0, 0, 0); }, "ABCD", 0, 30},
      {"first 9 of 2: stops at the end", [&] { text.drawNCharFromLeft((char *)"AB", 9, 0, 0, 0); }, "AB", 0, 10},
      {"first 2 with a tab", [&] { text.drawNCharFromLeft((char *)"A\tB", 2, 0, 0, 0); }, "A", 0, 0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    pic->clear();
    c.draw();
    EXPECT_EQ(pic->drawn, c.drawn);
    if (c.drawn.empty()) {
      EXPECT_EQ(pic->calls, "");
      continue;
    }
    // Tinted, then the colour turns white again.
    EXPECT_EQ(pic->calls, "c" + std::string(c.drawn.size(), 'b') + "c");
    EXPECT_EQ(pic->colors.front(), tint);
    EXPECT_EQ(pic->colors.back(), white);
    EXPECT_EQ(pic->xs.front(), c.firstX);
    EXPECT_EQ(pic->xs.back(), c.lastX);
  }
}

// ---- wrapping ---------------------------------------------------------------------

TEST_F(KTextTest, ClosestBreak) {
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
      {nullptr, 50, 0, 0},
  };
  for (const Case &c : cases)
    EXPECT_EQ(text.findClosestBreak((char *)c.txt, c.maxwidth, c.kerning), c.expected)
        << '"' << (c.txt ? c.txt : "(null)") << "\" width " << c.maxwidth << " kerning " << c.kerning;
}

TEST_F(KTextTest, WrappedLinesAndTheirPositions) {
  struct Line {
    short x, y;
    std::string text;
    bool operator==(const Line &o) const { return x == o.x && y == o.y && text == o.text; }
  };
  struct Case {
    const char *txt;
    long x1, x2, style, kerning;
    std::vector<Line> lines;
  } cases[] = {
      // Lines go down by the first record's height (16) plus the spacing (4).
      {"AAA BBB CCC", 100, 155, 0, 0, {{100, 50, "AAA"}, {100, 70, "BBB"}, {100, 90, "CCC"}}},
      // style 1, right: the last glyph's right edge meets x2
      {"AAA BBB CCC", 100, 155, 1, 0, {{125, 50, "AAA"}, {125, 70, "BBB"}, {125, 90, "CCC"}}},
      // with kerning 2 the line is 36 wide and its last glyph ends at 121 + 24 + 10 = 155
      {"AAA BBB CCC", 100, 155, 1, 2, {{121, 50, "AAA"}, {121, 70, "BBB"}, {121, 90, "CCC"}}},
      // style 2, centred: 100 + (55 - 30) / 2
      {"AAA BBB CCC", 100, 155, 2, 0, {{112, 50, "AAA"}, {112, 70, "BBB"}, {112, 90, "CCC"}}},
      // an unknown style draws nothing
      {"AAA BBB CCC", 100, 155, 7, 0, {}},
      // a text that fits is drawn from the left whatever the style
      {"AB CD", 0, 200, 1, 0, {{0, 50, "AB CD"}}},
      {"AB CD", 0, 200, 2, 0, {{0, 50, "AB CD"}}},
      // the break character is consumed: no blank opens a line, no full stop is drawn
      {"AB.CD EF", 0, 35, 0, 0, {{0, 50, "AB"}, {0, 70, "CD"}, {0, 90, "EF"}}},
      {"AA BB CC DD", 0, 55, 0, 0, {{0, 50, "AA BB"}, {0, 70, "CC DD"}}},
      // a line end starts a new line
      {"AAAA\nBB CCCC", 0, 55, 0, 0, {{0, 50, "AAAA"}, {0, 70, "BB"}, {0, 90, "CCCC"}}},
      // a word longer than the line is cut, and no letter of it is lost
      {"ABCDEFGHIJ", 0, 35, 0, 0, {{0, 50, "ABCD"}, {0, 70, "EFGH"}, {0, 90, "IJ"}}},
      // a cut line is wider than the box: centring truncates toward zero, (35 - 40) / 2 = -2
      {"ABCDEFGHIJ", 0, 35, 2, 0, {{-2, 50, "ABCD"}, {-2, 70, "EFGH"}, {7, 90, "IJ"}}},
      // a break at the line's second character is no break: the word is cut after the blank
      {"A BCDEFGHIJ", 0, 35, 0, 0, {{0, 50, "A BC"}, {0, 70, "DEFG"}, {0, 90, "HIJ"}}},
      // a text that fits is one line: its line ends are skipped like any unknown character
      {"AB\nCD", 0, 200, 0, 0, {{0, 50, "ABCD"}}},
      // a zero-width line still ends: one glyph per line
      {"ABC", 0, 0, 0, 0, {{0, 50, "A"}, {0, 70, "B"}, {0, 90, "C"}}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << '"' << c.txt << "\" from " << c.x1 << " to " << c.x2 << " style " << c.style
                                    << " kerning " << c.kerning);
    pic->clear();
    text.drawMultiLine((char *)c.txt, c.x1, c.x2, 50, c.style, c.kerning, 4);
    EXPECT_EQ(std::count(pic->calls.begin(), pic->calls.end(), 'c'), 2 * (long)c.lines.size()) << "each line tinted";
    std::vector<Line> lines; // a new line whenever the pen's y changes
    for (size_t i = 0; i < pic->drawn.size(); i++) {
      if (lines.empty() || lines.back().y != pic->ys[i])
        lines.push_back({pic->xs[i], pic->ys[i], ""});
      lines.back().text += pic->drawn[i];
    }
    ASSERT_EQ(lines.size(), c.lines.size());
    for (size_t i = 0; i < lines.size(); i++)
      EXPECT_TRUE(lines[i] == c.lines[i])
          << "line " << i << " at " << lines[i].x << "," << lines[i].y << ": " << lines[i].text;
  }
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
    RecordingGraphic *second = new RecordingGraphic(&secondDeleted);
    text.setKGraphic(second);
    EXPECT_TRUE(firstDeleted) << "a replaced picture is freed";
    text.loadFontBitmap((char *)"gfx/none.png");
    EXPECT_EQ(text.getKGraphicPtr(), second) << "loading a font keeps a picture already held";
    EXPECT_FALSE(secondDeleted);
  }
  EXPECT_TRUE(secondDeleted) << "the picture goes with the text";
}

TEST(KText, StruprUpperCasesInPlace) {
  struct Case {
    const char *in, *out;
  } cases[] = {{"abc", "ABC"}, {"Score: 10!", "SCORE: 10!"}, {"", ""}, {"\xE8t\xE0", "\xE8T\xE0"}};
  for (const Case &c : cases) {
    char buffer[32];
    strcpy(buffer, c.in);
    EXPECT_EQ(_strupr(buffer), buffer);
    EXPECT_STREQ(buffer, c.out);
  }
  EXPECT_EQ(_strupr(nullptr), nullptr);
}

} // namespace
