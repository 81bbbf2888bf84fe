// The 80-byte preferences record: byte layout, files of any length or
// content, safe writes.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "globals.h"
#include "prefs.h"
#include "support/ScratchFolder.h"

namespace {

using Bytes = std::vector<std::pair<int, int>>; // offset, value

// An 80-byte file image, zero but for `bytes`.
std::string Image(const Bytes &bytes) {
  std::string s(80, '\0');
  for (const auto &b : bytes)
    s[b.first] = (char)b.second;
  return s;
}

std::vector<int> Fields() {
  return {GV.sfxVolume, GV.musicVolume, GV.windowed, GV.rendererChoice, GV.language, GV.submitOnline, GV.showCorrect};
}

TEST(Prefs, FieldsAreStoredBigEndianAndEveryByteComesBack) {
  testsupport::ScratchFolder dir;
  memset(&GV, 0, sizeof(GV));
  GV.sfxVolume = 90;
  GV.musicVolume = 0x1234;
  GV.windowed = 1;
  GV.rendererChoice = 0x01020304;
  GV.language = 2;
  GV.submitOnline = 1;
  GV.showCorrect = -2;
  GV.reserved4[0] = 0xaa;
  GV.reserved18[1] = 0xbb;
  GV.reserved28[51] = 0xcc;
  ASSERT_TRUE(WritePrefs((dir / "prefs").c_str()));
  std::string file = dir.read("prefs");
  std::string head;
  for (unsigned char c : file.substr(0, 28)) {
    char hex[3];
    snprintf(hex, sizeof hex, "%02x", c);
    head += hex;
  }
  // sfx, music, reserved, windowed, renderer, language, reserved, online, show-correct
  std::string fields = "005a 1234 aa000000 00000001 01020304 0002 00bb 00000001 fffffffe";
  fields.erase(std::remove(fields.begin(), fields.end(), ' '), fields.end());
  EXPECT_EQ(head, fields);
  EXPECT_EQ(file.substr(28), std::string(51, '\0') + "\xcc");
  // Fields in their ranges and reserved bytes of any value survive a read and a write.
  std::string original = Image({{1, 90}, {3, 60}, {11, 1}, {17, 2}, {23, 1}});
  for (int i = 0; i < 80; i++)
    if ((i >= 4 && i < 8) || i == 18 || i == 19 || i >= 28)
      original[i] = (char)(i * 37 + 11);
  dir.write("prefs", original);
  ASSERT_TRUE(ReadPrefs((dir / "prefs").c_str()));
  ASSERT_TRUE(WritePrefs((dir / "prefs").c_str()));
  EXPECT_EQ(dir.read("prefs"), original);
}

// Before each read GV holds 40, 50, 1, 0, 2, 0, 0: a field the file holds only
// in part, or holds outside its values, keeps that (volumes are clamped).
TEST(Prefs, ShortLongAndOutOfRangeFilesKeepTheValuesGvHeld) {
  testsupport::ScratchFolder dir;
  const std::vector<int> held = {40, 50, 1, 0, 2, 0, 0};
  const Bytes usual = {{1, 90}, {3, 60}, {15, 1}, {17, 1}, {23, 1}, {27, 1}};
  // Bytes changed in the usual file, its length, and the fields read.
  std::tuple<Bytes, size_t, std::vector<int>> cases[] = {
      {{}, 80, {90, 60, 0, 1, 1, 1, 1}},
      {{}, 200, {90, 60, 0, 1, 1, 1, 1}},        // only the first 80 bytes count
      {{}, 13, {90, 60, 0, 0, 2, 0, 0}},         // only the fields it holds whole
      {{{9, 1}}, 10, {90, 60, 1, 0, 2, 0, 0}},   // ends inside windowed: formerly 65537
      {{{0, 0x01}}, 1, {40, 50, 1, 0, 2, 0, 0}}, // ends inside sfx: 40 kept, not 296 clamped
      {{{0, 0x7f}, {1, 0xff}}, 80, {100, 60, 0, 1, 1, 1, 1}},
      {{{0, 0xff}, {1, 0xfe}}, 80, {0, 60, 0, 1, 1, 1, 1}},
      {{{2, 0x01}, {3, 0x2c}}, 80, {90, 100, 0, 1, 1, 1, 1}},
      {{{11, 2}}, 80, {90, 60, 1, 1, 1, 1, 1}},
      {{{12, 0xff}}, 80, {90, 60, 0, 0, 1, 1, 1}},
      {{{17, 3}}, 80, {90, 60, 0, 1, 2, 1, 1}},
      {{{23, 9}}, 80, {90, 60, 0, 1, 1, 0, 1}},
      {{{24, 0x80}}, 80, {90, 60, 0, 1, 1, 1, 0}},
  };
  for (const auto &[patch, length, fields] : cases) {
    std::string file = Image(usual);
    for (const auto &b : patch)
      file[b.first] = (char)b.second;
    file.resize(length, '\x07');
    dir.write("prefs", file);
    GV = GameValues{40, 50, {}, 1, 0, 2, {}, 0, 0, {}};
    ASSERT_TRUE(ReadPrefs((dir / "prefs").c_str()));
    EXPECT_EQ(Fields(), fields) << "length " << length << ", first patched byte "
                                << (patch.empty() ? -1 : patch[0].first);
  }
  GV = GameValues{40, 50, {}, 1, 0, 2, {}, 0, 0, {}};
  EXPECT_FALSE(ReadPrefs((dir / "none").c_str()));
  EXPECT_EQ(Fields(), held) << "a missing file leaves GV as it was";
}

TEST(Prefs, AFailedWriteKeepsTheOldFileAndLeavesNoTemporaries) {
  testsupport::ScratchFolder dir;
  GV.language = 1;
  ASSERT_TRUE(WritePrefs((dir / "prefs").c_str()));
  std::string before = dir.read("prefs");
  if (geteuid() != 0) { // root may write anywhere; the folder check would not hold
    chmod(dir.path.c_str(), 0555);
    GV.language = 2;
    EXPECT_FALSE(WritePrefs((dir / "prefs").c_str()));
    chmod(dir.path.c_str(), 0755);
    EXPECT_EQ(dir.read("prefs"), before);
  }
  EXPECT_FALSE(WritePrefs((dir / "no/such/folder/prefs").c_str()));
  EXPECT_EQ(system(("test $(ls -A '" + dir.path + "' | wc -l) -eq 1").c_str()), 0) << "only prefs is left";
}

} // namespace
