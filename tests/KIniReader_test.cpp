// INI look-ups: the matching rules of the plain search, and the section index
// giving the same answers.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "KIniReader.h"
#include "KMiscTools.h"

namespace {

void load(KIniReader &ini, const std::string &text) { ASSERT_TRUE(ini.setIni(text.c_str(), (long)text.size())); }

std::string get(KIniReader &ini, const char *section, const char *key, long len = 256) {
  std::vector<char> buf((size_t)len + 1, '#');
  if (!ini.getString(section, key, buf.data(), len))
    return "<none>";
  return buf.data();
}

TEST(IniReader, LookUpRulesOfTheQuestionFiles) {
  const std::string text = "[GENERAL]\r\nMaxQuestions=3\r\nName= spaced \r\n"
                           "[1]\nAnswer1=one\nSubText=sub first\nText=real text\nEmpty=\nBlank = x\n"
                           ";Comment=still a key\n"
                           "[2]\nText=second text\nOnlyInTwo=later\nHint=see [3] below\n"
                           "[3]\nText=third\nLast=no line end";
  for (bool indexed : {true, false}) {
    KIniReader ini;
    ini.setIndexed(indexed);
    load(ini, text);
    struct Case {
      const char *section, *key, *expected;
    } cases[] = {
        {"GENERAL", "MaxQuestions", "3"}, // CR LF line ends
        {"GENERAL", "Name", " spaced "},  // blanks are kept
        {"1", "Text", "sub first"},       // substring key match comes first
        {"1", "Answer1", "one"},
        {"1", "OnlyInTwo", "later"},     // the key search runs into later sections
        {"1", "Empty", ""},              // empty value
        {"1", "Blank", "<none>"},        // blanks around '=' hide the key
        {"1", "Comment", "still a key"}, // no comment syntax
        {"3", "Last", "no line end"},    // value runs to the end of the text
        {"4", "Text", "<none>"},
        {"gENERAL", "MaxQuestions", "<none>"}, // names are case-sensitive
    };
    for (const Case &c : cases) {
      EXPECT_EQ(get(ini, c.section, c.key), c.expected) << c.section << "/" << c.key << " indexed=" << indexed;
    }
    // "[3]" inside the value of section 2 counts as section 3's header.
    EXPECT_EQ(get(ini, "3", "Text"), "third");
    EXPECT_EQ(get(ini, "3", "Hint"), "<none>");
    EXPECT_EQ(get(ini, "2", "Text"), "second text");
  }
}

TEST(IniReader, SectionNamedInsideAnEarlierValueIsFoundThere) {
  KIniReader ini;
  load(ini, "[A]\nNote=go to [B]\nKey=from A\n[B]\nKey=from B\n");
  EXPECT_EQ(get(ini, "B", "Key"), "from A");
}

TEST(IniReader, BufferLengthRules) {
  KIniReader ini;
  load(ini, "[s]\nk=0123456789\n");
  char buf[16];
  memset(buf, 'z', sizeof(buf));
  EXPECT_FALSE(ini.getString("s", "k", buf, 1));
  EXPECT_EQ(buf[0], 'z'); // untouched
  EXPECT_TRUE(ini.getString("s", "k", buf, 8));
  EXPECT_STREQ(buf, "0123456");
  EXPECT_FALSE(ini.getString("s", "missing", buf, 16));
  EXPECT_STREQ(buf, ""); // cleared before the search
}

TEST(IniReader, NumbersAndDefaults) {
  KIniReader empty;
  EXPECT_EQ(empty.getValue("s", "n", 42), 0); // nothing loaded: 0, not the default
  char buf[8];
  EXPECT_FALSE(empty.getString("s", "n", buf, sizeof(buf)));

  KIniReader ini;
  load(ini, "[s]\nn=  -17xyz\ne=\nw=abc\nbig=2147483647\nhuge=4294967297\nlow=-99999999999\n");
  EXPECT_EQ(ini.getValue("s", "n", 5), -17);
  EXPECT_EQ(ini.getValue("s", "e", 5), 0);
  EXPECT_EQ(ini.getValue("s", "w", 5), 0);
  EXPECT_EQ(ini.getValue("s", "missing", 5), 5);
  EXPECT_EQ(ini.getValue("s", "big", 5), 2147483647);
  // Past 32 bits the value saturates (it once wrapped: 4294967297 read as 1).
  EXPECT_EQ(ini.getValue("s", "huge", 5), 2147483647);
  EXPECT_EQ(ini.getValue("s", "low", 5), INT32_MIN);
}

TEST(IniReader, LoadingFromFiles) {
  std::string dir = "/tmp/trivello-ini-" + std::to_string(getpid());
  system(("mkdir -p " + dir).c_str());
  std::ofstream(dir + "/q.ini", std::ios::binary) << "[GENERAL]\nMaxQuestions=450\n";
  std::ofstream(dir + "/empty.ini", std::ios::binary);

  KIniReader ini;
  ASSERT_TRUE(ini.setIni((dir + "/q.ini").c_str()));
  EXPECT_EQ(ini.memIniLen, 27);
  EXPECT_STREQ(ini.iniFilename, (dir + "/q.ini").c_str());
  EXPECT_EQ(ini.getValue("GENERAL", "MaxQuestions", 0), 450);

  // A failed load leaves the reader without text.
  EXPECT_FALSE(ini.setIni((dir + "/empty.ini").c_str()));
  EXPECT_EQ(ini.memIni, nullptr);
  EXPECT_EQ(ini.getValue("GENERAL", "MaxQuestions", 9), 0);
  EXPECT_FALSE(ini.setIni((dir + "/missing.ini").c_str()));
  std::string longName(300, 'x');
  EXPECT_FALSE(ini.setIni(longName.c_str()));
  EXPECT_EQ(strlen(ini.iniFilename), 259u);
  system(("rm -rf " + dir).c_str());
}

TEST(IniReader, ReloadingFromItsOwnNameOrTextAndFailedLoads) {
  static_assert(std::is_same<decltype(KIniReader::memIniLen), int32_t>::value, "a signed 32-bit length");
  static_assert(std::is_same<decltype(std::declval<KIniReader>().getValue("", "", 0)), int32_t>::value,
                "a signed 32-bit value");
  std::string dir = "/tmp/trivello-ini-reload-" + std::to_string(getpid());
  system(("mkdir -p " + dir).c_str());
  std::ofstream(dir + "/r.ini", std::ios::binary) << "[s]\nk=from file\n";

  KIniReader ini;
  ASSERT_TRUE(ini.setIni((dir + "/r.ini").c_str()));
  ASSERT_TRUE(ini.setIni(ini.iniFilename)); // the name it holds
  EXPECT_EQ(get(ini, "s", "k"), "from file");
  ASSERT_TRUE(ini.setIni(ini.memIni, ini.memIniLen)); // the text it holds
  EXPECT_EQ(get(ini, "s", "k"), "from file");
  EXPECT_EQ(ini.memIniLen, 16);

  // The name may even lie inside the text being replaced.
  std::string named = "[s]\nk=x\n" + dir + "/r.ini";
  load(ini, named);
  ASSERT_TRUE(ini.setIni(strchr(ini.memIni, '/')));
  EXPECT_EQ(get(ini, "s", "k"), "from file");

  // Every failed load leaves the reader without text.
  EXPECT_FALSE(ini.setIni(nullptr));
  EXPECT_EQ(ini.memIni, nullptr);
  EXPECT_EQ(ini.memIniLen, 0);
  load(ini, "[s]\nk=1\n");
  EXPECT_FALSE(ini.setIni(nullptr, 4));
  EXPECT_EQ(ini.memIni, nullptr);
  load(ini, "[s]\nk=1\n");
  EXPECT_FALSE(ini.setIni("[s]", -1));
  EXPECT_EQ(ini.getValue("s", "k", 7), 0);
  system(("rm -rf " + dir).c_str());
}

// Random files built to trip an index that is not exactly the plain search:
// section names inside values, keys that are suffixes of other keys, keys
// missing from their section, headers not at a line start, stray brackets.
std::string adversarialIni(std::mt19937 &rng, int sections) {
  const char *keys[] = {"ID", "Text", "SubText", "Answer1", "Answer12", "Solution", "Photo", "xID"};
  std::string s;
  for (int i = 1; i <= sections; i++) {
    int kind = (int)(rng() % 10);
    if (kind == 0)
      s += "junk [" + std::to_string(i) + "] ";
    else if (kind == 1)
      s += "[[" + std::to_string(i) + "]\n";
    s += "[" + std::to_string(i) + "]" + (rng() % 2 ? "\r\n" : "\n");
    for (const char *k : keys) {
      if (rng() % 3 == 0)
        continue;
      s += std::string(k) + "=";
      switch (rng() % 6) {
      case 0:
        s += "see [" + std::to_string(1 + rng() % (sections + 3)) + "]";
        break;
      case 1:
        s += "] odd [ brackets";
        break;
      case 2:
        break;
      default:
        s += "value " + std::to_string(rng() % 1000);
      }
      s += rng() % 4 ? "\n" : "\r\n";
    }
  }
  return s;
}

TEST(IniReader, OverlongNamesAreCutLikeTheFormattedPatterns) {
  std::string longName(300, 'a');
  for (bool indexed : {true, false}) {
    KIniReader ini;
    ini.setIndexed(indexed);
    load(ini, "[" + longName + "]\n" + longName + "=v\n");
    // Both patterns keep their first 255 characters: "[" and 254 a's finds
    // the header, 255 a's (the "=" cut off) finds the key's first letters,
    // and the value is what follows them on that line.
    std::string rest = std::string(45, 'a') + "]";
    EXPECT_EQ(get(ini, (longName + "b").c_str(), longName.c_str()), rest) << indexed;
    EXPECT_EQ(get(ini, longName.c_str(), (longName + "x").c_str()), rest) << indexed;
  }
}

TEST(IniReader, IndexAgreesWithThePlainSearch) {
  std::mt19937 rng(1234);
  const char *keys[] = {"ID", "Text", "SubText", "Answer1", "Answer12", "Solution", "Photo", "xID", "Nope"};
  for (int round = 0; round < 40; round++) {
    std::string text = adversarialIni(rng, 5 + round * 3);
    KIniReader indexed, plain;
    plain.setIndexed(false);
    load(indexed, text);
    load(plain, text);
    for (int sec = 0; sec <= 5 + round * 3 + 2; sec++) {
      std::string name = std::to_string(sec);
      for (const std::string &section : {name, "[" + name, name + "]", std::string("")}) {
        for (const char *k : keys) {
          ASSERT_EQ(get(indexed, section.c_str(), k), get(plain, section.c_str(), k))
              << "round " << round << " section '" << section << "' key " << k;
        }
      }
    }
  }
}

} // namespace
