// The 80-byte preferences record: byte layout, partial files, safe writes.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "globals.h"
#include "prefs.h"

namespace {

class PrefsTest : public ::testing::Test {
protected:
  void SetUp() override {
    dir = "/tmp/trivello-prefs-" + std::to_string(getpid());
    system(("rm -rf " + dir + " && mkdir -p " + dir).c_str());
    path = dir + "/prefs";
    memset(&GV, 0, sizeof(GV));
  }
  void TearDown() override {
    chmod(dir.c_str(), 0755);
    system(("rm -rf " + dir).c_str());
  }
  std::vector<uint8_t> fileBytes() {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  std::string dir, path;
};

TEST_F(PrefsTest, FieldsAreStoredBigEndianAtTheirOffsets) {
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
  ASSERT_TRUE(WritePrefs(path.c_str()));
  std::vector<uint8_t> b = fileBytes();
  ASSERT_EQ(b.size(), 80u);
  std::vector<uint8_t> expected(80, 0);
  expected[1] = 90;
  expected[2] = 0x12, expected[3] = 0x34;
  expected[4] = 0xaa;
  expected[11] = 1;
  expected[12] = 1, expected[13] = 2, expected[14] = 3, expected[15] = 4;
  expected[17] = 2;
  expected[19] = 0xbb;
  expected[23] = 1;
  expected[24] = 0xff, expected[25] = 0xff, expected[26] = 0xff, expected[27] = 0xfe;
  expected[79] = 0xcc;
  EXPECT_EQ(b, expected);
}

TEST_F(PrefsTest, RoundTripReproducesEveryByte) {
  std::vector<uint8_t> original(80);
  for (int i = 0; i < 80; i++)
    original[i] = (uint8_t)(i * 37 + 11);
  // Fields with values in their ranges; reserved bytes anything.
  const uint8_t fields[] = {0, 90, 0, 60, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 2};
  for (size_t i = 0; i < sizeof(fields); i++)
    if (i < 4 || i >= 8)
      original[i] = fields[i];
  for (int i : {20, 21, 22, 24, 25, 26})
    original[i] = 0;
  original[23] = 1, original[27] = 0;
  std::ofstream(path, std::ios::binary).write((const char *)original.data(), 80);
  ASSERT_TRUE(ReadPrefs(path.c_str()));
  ASSERT_TRUE(WritePrefs(path.c_str()));
  EXPECT_EQ(fileBytes(), original);
}

TEST_F(PrefsTest, MissingShortAndLongFiles) {
  GV.language = 1;
  EXPECT_FALSE(ReadPrefs((dir + "/none").c_str()));
  EXPECT_EQ(GV.language, 1); // untouched

  memset(&GV, 0, sizeof(GV));
  const uint8_t shortFile[] = {0, 50, 0, 60, 9, 9, 9, 9, 0, 0, 0, 1, 0};
  std::ofstream(path, std::ios::binary).write((const char *)shortFile, sizeof(shortFile));
  ASSERT_TRUE(ReadPrefs(path.c_str()));
  EXPECT_EQ(GV.sfxVolume, 50);
  EXPECT_EQ(GV.musicVolume, 60);
  EXPECT_EQ(GV.windowed, 1);
  EXPECT_EQ(GV.rendererChoice, 0); // only byte 12 of it was in the file
  EXPECT_EQ(GV.language, 0);

  std::vector<uint8_t> longFile(200, 0);
  longFile[17] = 2;
  longFile[100] = 7;
  std::ofstream(path, std::ios::binary).write((const char *)longFile.data(), 200);
  ASSERT_TRUE(ReadPrefs(path.c_str()));
  EXPECT_EQ(GV.language, 2);
}

TEST_F(PrefsTest, ValuesOutsideTheirRangesBehaveAsDefaults) {
  struct Case {
    int offset;
    std::vector<uint8_t> bytes;
    int sfx, music, windowed, renderer, language, online, correct;
  } cases[] = {
      {0, {0x7f, 0xff}, 100, 60, 1, 0, 1, 1, 0},    // sfx 32767: clamped
      {0, {0xff, 0xfe}, 0, 60, 1, 0, 1, 1, 0},      // sfx -2: clamped
      {2, {0x01, 0x2c}, 90, 100, 1, 0, 1, 1, 0},    // music 300: clamped
      {8, {0, 0, 0, 2}, 90, 60, 1, 0, 1, 1, 0},     // windowed 2: default
      {12, {0xff, 0, 0, 0}, 90, 60, 1, 0, 1, 1, 0}, // renderer negative: default
      {16, {0, 3}, 90, 60, 1, 0, 1, 1, 0},          // language 3: default
      {20, {0, 0, 0, 9}, 90, 60, 1, 0, 1, 1, 0},    // online 9: default
      {24, {0x80, 0, 0, 0}, 90, 60, 1, 0, 1, 1, 0}, // correct negative: default
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.offset);
    std::vector<uint8_t> file(80, 0);
    file[1] = 90, file[3] = 60, file[11] = 1, file[17] = 1, file[23] = 1;
    std::copy(c.bytes.begin(), c.bytes.end(), file.begin() + c.offset);
    std::ofstream(path, std::ios::binary).write((const char *)file.data(), 80);
    memset(&GV, 0, sizeof(GV));
    GV.sfxVolume = 90, GV.musicVolume = 60, GV.windowed = 1, GV.language = 1, GV.submitOnline = 1;
    ASSERT_TRUE(ReadPrefs(path.c_str()));
    EXPECT_EQ(GV.sfxVolume, c.sfx);
    EXPECT_EQ(GV.musicVolume, c.music);
    EXPECT_EQ(GV.windowed, c.windowed);
    EXPECT_EQ(GV.rendererChoice, c.renderer);
    EXPECT_EQ(GV.language, c.language);
    EXPECT_EQ(GV.submitOnline, c.online);
    EXPECT_EQ(GV.showCorrect, c.correct);
  }
}

TEST_F(PrefsTest, AFieldTheShortFileHoldsOnlyInPartKeepsItsDefault) {
  GV.sfxVolume = 90, GV.musicVolume = 60, GV.windowed = 1;
  const uint8_t cut[] = {0, 40, 0, 50, 0, 0, 0, 0, 0, 1}; // ends inside `windowed`
  std::ofstream(path, std::ios::binary).write((const char *)cut, sizeof(cut));
  ASSERT_TRUE(ReadPrefs(path.c_str()));
  EXPECT_EQ(GV.sfxVolume, 40);
  EXPECT_EQ(GV.musicVolume, 50);
  EXPECT_EQ(GV.windowed, 1); // formerly 65537: two bytes from the file, two from GV
}

TEST_F(PrefsTest, FailedWriteKeepsTheOldFileAndLeavesNoTemporaries) {
  GV.language = 1;
  ASSERT_TRUE(WritePrefs(path.c_str()));
  std::vector<uint8_t> before = fileBytes();
  if (geteuid() != 0) { // root may write anywhere; the folder check would not hold
    chmod(dir.c_str(), 0555);
    GV.language = 2;
    EXPECT_FALSE(WritePrefs(path.c_str()));
    chmod(dir.c_str(), 0755);
    EXPECT_EQ(fileBytes(), before);
  }
  EXPECT_FALSE(WritePrefs((dir + "/no/such/folder/prefs").c_str()));
  // Only the prefs file itself is in the folder.
  int entries = 0;
  DIR *d = opendir(dir.c_str());
  while (struct dirent *e = readdir(d))
    if (e->d_name[0] != '.')
      entries++;
  closedir(d);
  EXPECT_EQ(entries, 1);
}

} // namespace
