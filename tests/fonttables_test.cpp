// The game's two glyph tables against their font pictures: every letter the
// game's texts may hold is there once, each glyph's rectangle holds ink and
// no ink lies outside the rectangles, advances fit the glyphs, and letters
// share a baseline.
#include "fonttables.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

namespace {

// What the game writes: Latin letters, digits, the blank, its marks, and
// every letter of Italian and Spanish text (ISO 8859-1 bytes: accented small
// letters, n with tilde, the opening question and exclamation marks,
// accented capitals, U and u with diaeresis, C and c with cedilla).
const std::string kLetters = std::string(
                                 "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 !'\"?:.,<>()$%/+=-") +
                             "\xE8\xE0\xF2\xF9\xEC\xF1\xBF\xE9\xED\xF3\xE1\xFA\xA1" +
                             "\xC0\xC8\xC9\xCC\xD2\xD9\xC1\xCD\xD3\xDA\xD1\xDC\xC7\xFC\xE7";

struct Font {
  const char *picture;
  KFont *table;
  int width = 0, height = 0;
  std::vector<unsigned char> alpha; // one byte a pixel

  Font(const char *file, KFont *glyphs) : picture(file), table(glyphs) {
    int channels = 0;
    unsigned char *rgba = stbi_load(file, &width, &height, &channels, 4);
    for (int i = 0; rgba != nullptr && i < width * height; i++)
      alpha.push_back(rgba[4 * i + 3]);
    stbi_image_free(rgba);
  }
  const KFont &glyph(char c) const {
    const KFont *g = table;
    while (g->_c != c && g->_c != 0)
      g++;
    return *g;
  }
  // The first and last rows of c's rectangle holding ink of at least half opacity.
  std::pair<int, int> inkRows(char c) const {
    const KFont &g = glyph(c);
    int first = -1, last = -1;
    for (int y = g._y1; y <= g._y2; y++)
      for (int x = g._x1; x <= g._x2; x++)
        if (alpha[(size_t)(y * width + x)] >= 128) {
          first = first < 0 ? y - g._y1 : first;
          last = y - g._y1;
        }
    return {first, last};
  }
};

std::vector<Font> fonts() {
  return {Font(TRIVELLO_SOURCE_DIR "/assets/gfx/letters01.tga", fontTable),
          Font(TRIVELLO_SOURCE_DIR "/assets/gfx/letters02.png", fontTable2)};
}

TEST(FontTables, EveryLetterOnceWithInkOnlyInItsOwnRectangleAndAFittingAdvance) {
  for (const Font &f : fonts()) {
    SCOPED_TRACE(f.picture);
    ASSERT_EQ(f.width, 256);
    ASSERT_EQ(f.height, 256);
    std::vector<int> owner(f.alpha.size(), -1), ink;
    std::multiset<char> listed;
    for (int i = 0; f.table[i]._c != 0; i++) {
      const KFont &g = f.table[i];
      SCOPED_TRACE((unsigned char)g._c);
      listed.insert(g._c);
      ASSERT_TRUE(g._x1 >= 0 && g._y1 >= 0 && g._x1 <= g._x2 && g._y1 <= g._y2 && g._x2 < 256 && g._y2 < 256);
      for (int y = g._y1; y <= g._y2; y++)
        for (int x = g._x1; x <= g._x2; x++) {
          EXPECT_EQ(owner[(size_t)(y * 256 + x)], -1) << "rectangles overlap at " << x << "," << y;
          owner[(size_t)(y * 256 + x)] = i;
        }
      // The advance stays close to the glyph's width; glyphs are at least 12 rows tall.
      EXPECT_GE(g._w, 3);
      EXPECT_LE(g._w, g._x2 - g._x1 + 2);
      EXPECT_GE(g._w, g._x2 - g._x1 - 1);
      EXPECT_GE(g._y2 - g._y1 + 1, 12);
      ink.push_back(0);
    }
    EXPECT_EQ(listed, std::multiset<char>(kLetters.begin(), kLetters.end()));
    int stray = 0;
    for (size_t p = 0; p < f.alpha.size(); p++)
      if (f.alpha[p] > 0 && owner[p] < 0)
        stray++;
      else if (f.alpha[p] > 0)
        ink[(size_t)owner[p]]++;
    EXPECT_EQ(stray, 0) << "ink outside every glyph rectangle";
    for (size_t i = 0; i < ink.size(); i++)
      EXPECT_TRUE(f.table[i]._c == ' ' ? ink[i] == 0 : ink[i] > 2) << "ink of " << (unsigned char)f.table[i]._c;
    EXPECT_LT(f.glyph(' ')._w, f.glyph('M')._w);
  }
}

// Glyphs are drawn with their rectangle's top at the pen, so letters that
// sit on the baseline must end on the same row of their rectangles.
TEST(FontTables, GlyphsShareABaselineAndAccentsStandAboveTheirLetters) {
  for (const Font &f : fonts()) {
    SCOPED_TRACE(f.picture);
    const int top = f.inkRows('H').first, base = f.inkRows('H').second;
    for (char c : std::string("ABEFHIKLMNTXZ14abdhklmnrxz:!\xC0\xC8\xC9\xCC\xD2\xD9\xC1\xCD\xD3\xDA\xD1\xDC\xFC"))
      EXPECT_NEAR(f.inkRows(c).second, base, 1) << c;
    // Descenders, the cedillas and the opening exclamation mark hang below it.
    for (char c : std::string("gjpqy\xC7\xE7\xA1"))
      EXPECT_GE(f.inkRows(c).second, base + 2) << c;
    for (char c : std::string("ABEFIKLMNTXZ"))
      EXPECT_NEAR(f.inkRows(c).first, top, 1) << c;
    for (char c : std::string("acemnorsuvwxz"))
      EXPECT_GE(f.inkRows(c).first, top + 2) << c;
    // An accented letter's mark stands above the plain letter's top, inside
    // the line; a cedilla leaves the top alone.
    const std::string accented = "\xC0\xC8\xC9\xCC\xD2\xD9\xC1\xCD\xD3\xDA\xD1\xDC\xFC", plain = "AEEIOUAIOUNUu";
    for (size_t i = 0; i < plain.size(); i++) {
      EXPECT_LT(f.inkRows(accented[i]).first, f.inkRows(plain[i]).first) << plain[i];
      EXPECT_GE(f.inkRows(accented[i]).first, 0) << plain[i];
    }
    EXPECT_NEAR(f.inkRows('\xC7').first, f.inkRows('C').first, 1);
    EXPECT_NEAR(f.inkRows('\xE7').first, f.inkRows('c').first, 1);
  }
}

} // namespace
