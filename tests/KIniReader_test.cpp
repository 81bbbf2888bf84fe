// INI look-ups: the matching rules of the plain search, the section index
// giving the same answers, loading from files and texts, and numbers.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <type_traits>

#include "KIniReader.h"

namespace {

// The value found, or "!" and what the buffer holds after a failed look-up.
std::string get(KIniReader &ini, const std::string &section, const std::string &key, long len = 256) {
  std::string buf((size_t)len + 1, '#');
  bool found = ini.getString(section.c_str(), key.c_str(), &buf[0], len);
  return (found ? "" : "!") + std::string(buf.c_str());
}

TEST(IniReader, LookUpRulesOfTheQuestionFilesWithAndWithoutTheIndex) {
  const std::string longName(300, 'a');
  const std::string text = "[GENERAL]\r\nMaxQuestions=3\r\nName= spaced \r\n"
                           "[1]\nAnswer1=one\nSubText=sub first\nText=real text\nEmpty=\nBlank = x\n"
                           ";Comment=still a key\n"
                           "[2]\nText=second text\nOnlyInTwo=later\nHint=see [3] below\n[" +
                           longName + "]\n" + longName + "=v\n[3]\nText=third\nLast=no line end";
  // CR LF ends lines; blanks are kept; values are cut to the buffer, and a
  // buffer too small is left alone; a key matches as a substring and the
  // search runs into later sections; blanks around '=' hide a key and the
  // buffer is cleared; there is no comment syntax; the last value runs to the
  // end of the text; "[3]" inside a value of section 2 counts as the header;
  // names are case-sensitive. Both patterns keep their first 255 characters:
  // "[" and 254 a's find the long header, 255 a's (the "=" cut off) find the
  // header's own letters, and the value is what follows them on that line.
  const struct {
    std::string section, key, expected;
  } cases[] = {{"1", "Empty", ""},     {"1", "Answer1", "one"},      {"GENERAL", "Name", " spaced "},
               {"3", "Hint", "!"},     {"1", "Text", "sub first"},   {"1", "Comment", "still a key"},
               {"4", "Text", "!"},     {"1", "OnlyInTwo", "later"},  {"GENERAL", "MaxQuestions", "3"},
               {"1", "Blank", "!"},    {"3", "Last", "no line end"}, {"gENERAL", "MaxQuestions", "!"},
               {"3", "Text", "third"}, {"2", "Text", "second text"}};
  for (bool indexed : {true, false}) {
    SCOPED_TRACE(indexed);
    KIniReader ini;
    ini.setIndexed(indexed);
    ASSERT_TRUE(ini.setIni(text.c_str(), (long)text.size()));
    for (const auto &c : cases)
      EXPECT_EQ(get(ini, c.section, c.key), c.expected) << c.section << "/" << c.key;
    EXPECT_EQ(get(ini, "GENERAL", "Name", 4), " sp");
    EXPECT_EQ(get(ini, "GENERAL", "Name", 1), "!##");
    EXPECT_EQ(get(ini, longName + "b", longName), std::string(45, 'a') + "]");
    EXPECT_EQ(get(ini, longName, longName + "x"), std::string(45, 'a') + "]");
  }
}

TEST(IniReader, NumbersSaturateAndAnEmptyReaderGivesZero) {
  static_assert(std::is_same<decltype(KIniReader::memIniLen), int32_t>::value, "a signed 32-bit length");
  static_assert(std::is_same<decltype(std::declval<KIniReader>().getValue("", "", 0)), int32_t>::value,
                "a signed 32-bit value");
  KIniReader ini;
  EXPECT_EQ(ini.getValue("s", "n", 42), 0); // nothing loaded: 0, not the default
  EXPECT_EQ(get(ini, "s", "n"), "!");
  const std::string text = "[s]\nn=  -17xyz\ne=\nw=abc\nbig=2147483647\nhuge=4294967297\nlow=-99999999999\n";
  ASSERT_TRUE(ini.setIni(text.c_str(), (long)text.size()));
  // Past 32 bits the value saturates (it once wrapped: 4294967297 read as 1).
  const std::pair<const char *, int32_t> cases[] = {
      {"n", -17}, {"e", 0}, {"w", 0}, {"missing", 5}, {"big", INT32_MAX}, {"huge", INT32_MAX}, {"low", INT32_MIN}};
  for (const auto &c : cases)
    EXPECT_EQ(ini.getValue("s", c.first, 5), c.second) << c.first;
}

TEST(IniReader, LoadsFromFilesAndTextsAndEveryFailedLoadLeavesNoText) {
  const std::string dir = "/tmp/trivello-ini-" + std::to_string(getpid());
  mkdir(dir.c_str(), 0755);
  const std::string file = dir + "/r.ini", empty = dir + "/empty.ini", longName(300, 'x');
  std::ofstream(file, std::ios::binary) << "[s]\nk=from file\n";
  std::ofstream(empty, std::ios::binary);
  KIniReader ini;
  ASSERT_TRUE(ini.setIni(file.c_str()));
  EXPECT_EQ(ini.memIniLen, 16);
  EXPECT_EQ(ini.iniFilename, file);
  ASSERT_TRUE(ini.setIni(ini.iniFilename));           // the name it holds
  ASSERT_TRUE(ini.setIni(ini.memIni, ini.memIniLen)); // the text it holds
  EXPECT_EQ(get(ini, "s", "k"), "from file");
  // The name may even lie inside the text being replaced.
  const std::string named = "[s]\nk=x\n" + file;
  ASSERT_TRUE(ini.setIni(named.c_str(), (long)named.size()));
  ASSERT_TRUE(ini.setIni(strchr(ini.memIni, '/')));
  EXPECT_EQ(get(ini, "s", "k"), "from file");

  const std::function<bool()> failedLoads[] = {
      [&] { return ini.setIni(empty.c_str()); },    [&] { return ini.setIni((dir + "/missing.ini").c_str()); },
      [&] { return ini.setIni(longName.c_str()); }, [&] { return ini.setIni(nullptr); },
      [&] { return ini.setIni(nullptr, 4); },       [&] { return ini.setIni("[s]", -1); }};
  for (const auto &load : failedLoads) {
    ASSERT_TRUE(ini.setIni("[s]\nk=1\n", 8));
    EXPECT_FALSE(load());
    EXPECT_EQ(ini.memIni, nullptr);
    EXPECT_EQ(ini.memIniLen, 0);
    EXPECT_EQ(ini.getValue("s", "k", 7), 0);
  }
  EXPECT_EQ(strlen(ini.iniFilename), 259u); // the long name was cut
  system(("rm -rf " + dir).c_str());
}

// Random files built to trip an index that is not exactly the plain search:
// section names inside values, keys that are suffixes of other keys, keys
// missing from their section, headers not at a line start, stray brackets.
const char *const kKeys[] = {"ID", "Text", "SubText", "Answer1", "Answer12", "Solution", "Photo", "xID", "Nope"};

std::string adversarialIni(std::mt19937 &rng, int sections) {
  std::string s;
  for (int i = 1; i <= sections; i++) {
    const std::string n = std::to_string(i);
    const std::string before[] = {"junk [" + n + "] ", "[[" + n + "]\n", "", "", "", ""};
    s += before[rng() % 6] + "[" + n + "]" + (rng() % 2 ? "\r\n" : "\n");
    for (int k = 0; k < 8; k++) {
      const std::string values[] = {"see [" + std::to_string(1 + rng() % (sections + 3)) + "]", "] odd [ brackets", "",
                                    "value " + std::to_string(rng() % 1000)};
      if (rng() % 3)
        s += kKeys[k] + ("=" + values[rng() % 4]) + (rng() % 4 ? "\n" : "\r\n");
    }
  }
  return s;
}

TEST(IniReader, IndexAgreesWithThePlainSearch) {
  std::mt19937 rng(1234);
  for (int round = 0; round < 40; round++) {
    const std::string text = adversarialIni(rng, 5 + round * 3);
    KIniReader indexed, plain;
    plain.setIndexed(false);
    ASSERT_TRUE(indexed.setIni(text.c_str(), (long)text.size()));
    ASSERT_TRUE(plain.setIni(text.c_str(), (long)text.size()));
    for (int sec = 0; sec <= 5 + round * 3 + 2; sec++) {
      const std::string name = std::to_string(sec);
      for (const std::string &section : {name, "[" + name, name + "]", std::string("")})
        for (const char *k : kKeys)
          ASSERT_EQ(get(indexed, section, k), get(plain, section, k)) << round << " '" << section << "' " << k;
    }
  }
}

} // namespace
