// The game's two glyph tables against their font pictures: record counts,
// character sets, the fixed rows the game's layout relies on, rectangles
// inside the picture and apart from each other, ink where the tables say
// and nowhere else, sensible advances and a common baseline.
#include "fonttables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

namespace {

struct Picture {
  int width = 0, height = 0;
  std::vector<unsigned char> rgba;
  int alpha(int x, int y) const { return rgba[(size_t)(y * width + x) * 4 + 3]; }
};

Picture load(const char *file) {
  Picture p;
  int channels = 0;
  unsigned char *data = stbi_load(file, &p.width, &p.height, &channels, 4);
  if (data != nullptr) {
    p.rgba.assign(data, data + (size_t)p.width * p.height * 4);
    stbi_image_free(data);
  }
  return p;
}

// Character codes as ISO 8859-1 bytes.
std::string latin1(std::initializer_list<int> codes) {
  std::string s;
  for (int c : codes)
    s += (char)c;
  return s;
}

const std::string kCommon = std::string("ABCDEFGHIJKLMNOPQRSTUVWXYZ") + "abcdefghijklmnopqrstuvwxyz" + "0123456789" +
                            " " + "!'\"?:.,<>()$%/+=-" + latin1({0xE8, 0xE0, 0xF2, 0xF9, 0xEC}); // e a o u i grave
const std::string kSpanish = latin1({0xF1, 0xBF, 0xE9, 0xED, 0xF3, 0xE1, 0xFA});                 // n~ ? e i o a u acute
// The rest of what Italian and Spanish text needs: accented capitals, U and u
// with diaeresis, C and c cedilla, the opening exclamation mark.
const std::string kAccentedCapitals = latin1({0xC0, 0xC8, 0xC9, 0xCC, 0xD2, 0xD9, 0xC1, 0xCD, 0xD3, 0xDA, 0xD1, 0xDC});
const std::string kMore = latin1({0xC7, 0xFC, 0xE7, 0xA1});

struct FontCase {
  const char *name;
  KFont *table;
  size_t records; // with the end mark
  const char *picture;
  std::string characters;
};

std::vector<FontCase> fonts() {
  const std::string all = kCommon + kSpanish + kAccentedCapitals + kMore;
  return {{"fontTable", fontTable, 109, TRIVELLO_SOURCE_DIR "/assets/gfx/letters01.tga", all},
          {"fontTable2", fontTable2, 109, TRIVELLO_SOURCE_DIR "/assets/gfx/letters02.png", all}};
}

size_t recordCount(const KFont *table) {
  size_t n = 0;
  while (table[n]._c != 0)
    n++;
  return n + 1;
}

long indexOf(const KFont *table, char c) {
  for (long i = 0; table[i]._c != 0; i++)
    if (table[i]._c == c)
      return i;
  return -1;
}

TEST(FontTables, RecordCountsCharacterSetsAndEndMarks) {
  for (const FontCase &f : fonts()) {
    SCOPED_TRACE(f.name);
    ASSERT_EQ(recordCount(f.table), f.records);
    const KFont &end = f.table[f.records - 1];
    EXPECT_EQ(end._x1 | end._y1 | end._x2 | end._y2 | end._w | end._h, 0);

    std::multiset<unsigned char> listed;
    for (size_t i = 0; i + 1 < f.records; i++)
      listed.insert((unsigned char)f.table[i]._c);
    std::set<unsigned char> unique(listed.begin(), listed.end());
    EXPECT_EQ(unique.size(), listed.size()) << "a character is listed twice";
    std::set<unsigned char> expected(f.characters.begin(), f.characters.end());
    EXPECT_EQ(unique, expected);
  }
}

TEST(FontTables, FixedRowsAreExact) {
  struct Row {
    KFont *table;
    KFont row;
  } rows[] = {
      {fontTable, {'A', 22, 4, 40, 19, 19, 16}},
      {fontTable, {'I', 174, 4, 186, 19, 13, 16}},
      {fontTable, {'M', 41, 27, 63, 44, 23, 18}},
      {fontTable, {' ', 0, 171, 10, 183, 11, 13}},
      {fontTable2, {'A', 10, 8, 23, 23, 14, 16}},
      {fontTable2, {'I', 179, 8, 182, 23, 4, 16}},
      {fontTable2, {(char)0xF1, 119, 232, 130, 247, 10, 16}},
      {fontTable2, {(char)0xBF, 209, 203, 220, 225, 11, 12}},
      {fontTable2, {' ', 130, 64, 138, 79, 10, 16}},
  };
  for (const Row &r : rows) {
    SCOPED_TRACE(std::string(r.table == fontTable ? "fontTable " : "fontTable2 ") +
                 std::to_string((unsigned char)r.row._c));
    long i = indexOf(r.table, r.row._c);
    ASSERT_GE(i, 0);
    const KFont &g = r.table[i];
    EXPECT_EQ(std::vector<int>({g._x1, g._y1, g._x2, g._y2, g._w, g._h}),
              std::vector<int>({r.row._x1, r.row._y1, r.row._x2, r.row._y2, r.row._w, r.row._h}));
  }
  // 'A' opens both tables: its height is the line height
  EXPECT_EQ(fontTable[0]._c, 'A');
  EXPECT_EQ(fontTable2[0]._c, 'A');
  EXPECT_EQ(fontTable[0]._h, 16);
  EXPECT_EQ(fontTable2[0]._h, 16);
  // not in code order
  EXPECT_LT(indexOf(fontTable, 'K'), indexOf(fontTable, 'R'));
  EXPECT_LT(indexOf(fontTable, 'R'), indexOf(fontTable, 'L'));
  EXPECT_LT(indexOf(fontTable2, 'W'), indexOf(fontTable2, 'V'));
}

TEST(FontTables, RectanglesLieInsideThePictureAndApart) {
  for (const FontCase &f : fonts()) {
    SCOPED_TRACE(f.name);
    Picture pic = load(f.picture);
    ASSERT_FALSE(pic.rgba.empty()) << f.picture;
    EXPECT_EQ(pic.width, 256);
    EXPECT_EQ(pic.height, 256);
    for (size_t i = 0; i + 1 < f.records; i++) {
      const KFont &a = f.table[i];
      SCOPED_TRACE(std::to_string((unsigned char)a._c));
      EXPECT_TRUE(a._x1 >= 0 && a._y1 >= 0 && a._x1 <= a._x2 && a._y1 <= a._y2);
      EXPECT_TRUE(a._x2 < pic.width && a._y2 < pic.height);
      for (size_t j = i + 1; j + 1 < f.records; j++) {
        const KFont &b = f.table[j];
        bool apart = a._x2 < b._x1 || b._x2 < a._x1 || a._y2 < b._y1 || b._y2 < a._y1;
        EXPECT_TRUE(apart) << "overlaps " << (unsigned char)b._c;
      }
    }
  }
}

TEST(FontTables, InkOnlyInsideGlyphRectanglesAndEveryGlyphHasSome) {
  for (const FontCase &f : fonts()) {
    SCOPED_TRACE(f.name);
    Picture pic = load(f.picture);
    ASSERT_FALSE(pic.rgba.empty());
    std::vector<int> owner((size_t)pic.width * pic.height, -1);
    for (size_t i = 0; i + 1 < f.records; i++) {
      const KFont &g = f.table[i];
      for (int y = g._y1; y <= g._y2; y++)
        for (int x = g._x1; x <= g._x2; x++)
          owner[(size_t)y * pic.width + x] = (int)i;
    }
    std::vector<int> ink(f.records, 0);
    int stray = 0;
    for (int y = 0; y < pic.height; y++)
      for (int x = 0; x < pic.width; x++)
        if (pic.alpha(x, y) > 0) {
          int o = owner[(size_t)y * pic.width + x];
          if (o < 0)
            stray++;
          else
            ink[o]++;
        }
    EXPECT_EQ(stray, 0) << "pixels outside every glyph rectangle";
    for (size_t i = 0; i + 1 < f.records; i++) {
      char c = f.table[i]._c;
      if (c == ' ')
        EXPECT_EQ(ink[i], 0) << "the blank is empty";
      else
        EXPECT_GT(ink[i], 2) << "no ink for " << (unsigned char)c;
    }
  }
}

// Advances stay close to the glyph's width, and the blank is narrower than a
// capital but wider than nothing.
TEST(FontTables, AdvancesAreSensible) {
  for (const FontCase &f : fonts()) {
    SCOPED_TRACE(f.name);
    for (size_t i = 0; i + 1 < f.records; i++) {
      const KFont &g = f.table[i];
      int width = g._x2 - g._x1 + 1;
      EXPECT_GE(g._w, 3) << (unsigned char)g._c;
      EXPECT_LE(g._w, width + 1) << (unsigned char)g._c;
      EXPECT_GE(g._w, width - 2) << (unsigned char)g._c;
      EXPECT_GE(g._y2 - g._y1 + 1, 12) << (unsigned char)g._c;
    }
    const KFont &space = f.table[indexOf(f.table, ' ')];
    const KFont &m = f.table[indexOf(f.table, 'M')];
    EXPECT_LT(space._w, m._w);
  }
}

// Glyphs are drawn with their rectangle's top at the pen, so letters that
// sit on the baseline must end on the same row of their rectangles, and
// descenders must reach below it.
TEST(FontTables, GlyphsShareABaseline) {
  for (const FontCase &f : fonts()) {
    SCOPED_TRACE(f.name);
    Picture pic = load(f.picture);
    ASSERT_FALSE(pic.rgba.empty());
    auto lastInkRow = [&](char c) {
      const KFont &g = f.table[indexOf(f.table, c)];
      int last = -1;
      for (int y = g._y1; y <= g._y2; y++)
        for (int x = g._x1; x <= g._x2; x++)
          if (pic.alpha(x, y) >= 128)
            last = y - g._y1;
      return last;
    };
    auto firstInkRow = [&](char c) {
      const KFont &g = f.table[indexOf(f.table, c)];
      for (int y = g._y1; y <= g._y2; y++)
        for (int x = g._x1; x <= g._x2; x++)
          if (pic.alpha(x, y) >= 128)
            return y - g._y1;
      return -1;
    };
    int base = lastInkRow('H');
    for (char c : std::string("ABEFHIKLMNTXZ14abdhklmnrxz:!"))
      EXPECT_NEAR(lastInkRow(c), base, 1) << c;
    for (char c : std::string("gjpqy"))
      EXPECT_GE(lastInkRow(c), base + 2) << c;
    // capitals share a top row, and small letters start below it
    int top = firstInkRow('H');
    for (char c : std::string("ABEFIKLMNTXZ"))
      EXPECT_NEAR(firstInkRow(c), top, 1) << c;
    for (char c : std::string("acemnorsuvwxz"))
      EXPECT_GE(firstInkRow(c), top + 2) << c;
    // An accented capital stands on the same baseline as its plain letter
    // and carries its accent above that letter's top, inside the line.
    struct Pair {
      int accented;
      char plain;
    } pairs[] = {{0xC0, 'A'}, {0xC8, 'E'}, {0xC9, 'E'}, {0xCC, 'I'}, {0xD2, 'O'}, {0xD9, 'U'}, {0xC1, 'A'}, {0xCD, 'I'},
                 {0xD3, 'O'}, {0xDA, 'U'}, {0xD1, 'N'}, {0xDC, 'U'}, {0xC7, 'C'}, {0xFC, 'u'}, {0xE7, 'c'}};
    for (const Pair &p : pairs) {
      SCOPED_TRACE(p.accented);
      char c = (char)p.accented;
      if (p.accented == 0xC7 || p.accented == 0xE7) {
        EXPECT_GE(lastInkRow(c), base + 2) << "the cedilla hangs below the baseline";
        EXPECT_NEAR(firstInkRow(c), firstInkRow(p.plain), 1);
      } else {
        EXPECT_NEAR(lastInkRow(c), base, 1);
        EXPECT_LT(firstInkRow(c), firstInkRow(p.plain)) << "the mark stands above the letter";
      }
      EXPECT_GE(firstInkRow(c), 0);
    }
    EXPECT_GE(lastInkRow((char)0xA1), base + 2) << "the opening exclamation mark hangs below the line";
  }
}

} // namespace
