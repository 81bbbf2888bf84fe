// The rules of a playable question file: each fault found with its line,
// names of levels and categories, the font's letters and widths.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "questionrules.h"

namespace {

// A file with `perLevel` ordinary questions of each level (their texts told
// apart by number) and `extra` appended records, counted as puzzles.
std::string File(int perLevel, const std::string &extra = "", int puzzles = 0) {
  std::string s = "[GENERAL]\nMaxQuestions=" + std::to_string(3 * perLevel) +
                  "\nMaxPuzzles=" + std::to_string(puzzles) + "\n";
  const char *levels[3] = {"E-", "M-", "H-"};
  int n = 1;
  for (int l = 0; l < 3; l++)
    for (int i = 0; i < perLevel; i++, n++)
      s += "\n[" + std::to_string(n) + "]\nID=" + levels[l] + "Geo1\nText=Question number " + std::to_string(n) +
           "?\nAnswer1=one\nAnswer2=two\nAnswer3=three\nAnswer4=four\nSolution=" + std::to_string(n % 4 + 1) +
           "\nPhoto=0\n";
  return s + extra;
}

// The text of the file with the record `n` line `key=...` changed to `value`.
std::string WithField(std::string text, int n, const std::string &key, const std::string &value) {
  size_t section = text.find("\n[" + std::to_string(n) + "]\n");
  size_t at = text.find("\n" + key + "=", section);
  size_t end = text.find('\n', at + 1);
  return text.replace(at + 1, end - at - 1, key + "=" + value);
}

bool HasFault(const QuestionFileCheck &check, int line, const std::string &part) {
  for (const QuestionFault &f : check.faults)
    if ((line < 0 || f.line == line) && f.message.find(part) != std::string::npos)
      return true;
  return false;
}

std::string Dump(const QuestionFileCheck &check) {
  std::string s;
  for (const QuestionFault &f : check.faults)
    s += std::to_string(f.line) + ": " + f.message + "\n";
  return s;
}

TEST(QuestionRules, AFileWithEnoughQuestionsPerLevelIsPlayable) {
  QuestionFileCheck check;
  EXPECT_TRUE(CheckQuestionText(File(16), {}, check)) << Dump(check);
  EXPECT_EQ(check.questions, 48);
  EXPECT_EQ(check.perLevel[2], 16);
  // One player meets 14 easy, 15 medium and 16 hard questions in a game.
  EXPECT_FALSE(CheckQuestionText(File(15), {}, check));
  EXPECT_TRUE(HasFault(check, 0, "15 hard questions; a game needs at least 16"));
  EXPECT_FALSE(HasFault(check, 0, "medium"));
}

// Record 2 of File(16) starts on line 15: its ID on 16, Text 17, Answer1 18,
// Answer2 19, Answer3 20, Answer4 21, Solution 22, Photo 23.
TEST(QuestionRules, EachFaultOfARecordIsFoundOnItsLine) {
  struct Case {
    const char *key;
    std::string value;
    int line;
    const char *fault;
  } cases[] = {
      {"Solution", "5", 22, "Solution must be 1, 2, 3 or 4"},
      {"Solution", "", 22, "Solution must be 1, 2, 3 or 4"},
      {"ID", "X-Geo1", 16, "needs one level"},
      {"ID", "E-M-Geo", 16, "needs one level"},
      {"ID", "E-Blah", 16, "needs one category"},
      {"ID", "E-GeoSt", 16, "needs one category"},
      {"ID", "E-Sp[1]", 16, "other than letters"},
      {"ID", "E-Geo1234", 16, "longer than 7 bytes"},
      {"Text", "", 17, "Text is empty"},
      {"Text", std::string(60, 'W'), 17, "too long for the screen"},
      {"Text", std::string(130, 'i'), 17, "longer than 127 bytes"},
      {"Text", "Tab\there?", 17, "cannot draw: code 9"},
      {"Text", "Caf\xe9 \xab ok \xbb?", 17, "cannot draw: code 171, code 187"},
      {"Text", "Where is Answer3=Paris?", 20, "the game would not read Answer3"},
      {"Answer2", "ONE", 19, "repeats another answer"},
      {"Answer3", "Wwwwwwwwwwwwwwww", 20, "too long for the screen"},
      {"Answer4", "  ", 21, "Answer4 is empty"},
      {"Photo", "nowhere", 23, "no picture nowhere.jpg or nowhere.png"},
      {"Photo", "Italy", 23, "lower-case file name"},
  };
  for (const Case &c : cases) {
    QuestionFileCheck check;
    std::string text = WithField(File(16), 2, c.key, c.value);
    EXPECT_FALSE(CheckQuestionText(text, {}, check)) << c.key << "=" << c.value;
    EXPECT_TRUE(HasFault(check, c.line, c.fault)) << c.key << "=" << c.value << "\n" << Dump(check);
  }
}

TEST(QuestionRules, FileWideFaults) {
  struct Case {
    std::string text;
    const char *fault;
  } cases[] = {
      {"[GENERAL]\nMaxPuzzles=0\n", "[GENERAL] has no MaxQuestions"},
      {"[GENERAL]\nMaxQuestions=1500\nMaxPuzzles=600\n", "more than 2000 records"},
      {"[GENERAL]\nMaxQuestions=x\nMaxPuzzles=0\n", "MaxQuestions is not a count"},
      {File(16).substr(0, File(16).find("[48]")), "section [48] is missing"},
      {File(16) + std::string("\0", 1), "NUL byte"},
      {File(16,
            "\n[49]\nID=Puzzl1\nText=Which flag?\nAnswer1=a\nAnswer2=b\nAnswer3=c\nAnswer4=d\nSolution=1\nPhoto=0\n",
            1),
       "a puzzle needs a photo"},
      {File(16,
            "\n[49]\nID=E-Geo1\nText=Which flag?\nAnswer1=a\nAnswer2=b\nAnswer3=c\nAnswer4=d\nSolution=1\nPhoto=x\n",
            1),
       "must hold Puzzl"},
      {WithField(File(16), 3, "Text", "question NUMBER 1?"), "the same question as [1]"},
  };
  for (const Case &c : cases) {
    QuestionFileCheck check;
    EXPECT_FALSE(CheckQuestionText(c.text, {}, check)) << c.fault;
    EXPECT_TRUE(HasFault(check, -1, c.fault)) << c.fault << "\n" << Dump(check);
  }
}

TEST(QuestionRules, PuzzlePicturesMustLoadAtTheSizeOfThePuzzleArea) {
  std::string photos = std::string(TRIVELLO_SOURCE_DIR) + "/assets/photos";
  std::string puzzle = "\n[49]\nID=Puzzl1\nText=Which flag?\nAnswer1=Italy\nAnswer2=b\nAnswer3=c\nAnswer4=d\n"
                       "Solution=1\nPhoto=";
  QuestionFileCheck check;
  EXPECT_TRUE(CheckQuestionText(File(16, puzzle + "italy\n", 1), {"/nonexistent", photos}, check)) << Dump(check);

  std::string dir = "/tmp/trivello-rules-" + std::to_string(getpid());
  system(("mkdir -p " + dir).c_str());
  std::ofstream(dir + "/broken.jpg") << "\xff\xd8\xff not really a picture";
  std::ofstream(dir + "/text.png") << "hello";
  system(("cp " + std::string(TRIVELLO_SOURCE_DIR) + "/assets/gfx/bflogo.jpg " + dir + "/logo.jpg").c_str());
  struct Case {
    const char *stem, *fault;
  } cases[] = {
      {"broken", "cannot be decoded"}, {"text", "neither JPEG nor PNG"}, {"logo", "the puzzle area is 400 by 300"}};
  for (const Case &c : cases) {
    EXPECT_FALSE(CheckQuestionText(File(16, puzzle + c.stem + "\n", 1), {dir}, check));
    EXPECT_TRUE(HasFault(check, -1, c.fault)) << c.stem << "\n" << Dump(check);
  }
  system(("rm -rf " + dir).c_str());
}

TEST(QuestionRules, TheGamesOwnFilesPass) {
  for (const char *name : {"eng.ini", "ita.ini", "spanish.ini"}) {
    QuestionFileCheck check;
    std::string root = std::string(TRIVELLO_SOURCE_DIR) + "/assets";
    std::string text;
    std::ifstream in(root + "/data/" + name, std::ios::binary);
    text.assign(std::istreambuf_iterator<char>(in), {});
    EXPECT_TRUE(CheckQuestionText(text, {root + "/photos"}, check)) << name << "\n" << Dump(check);
  }
}

TEST(QuestionRules, LevelsAndCategoriesByTheirNamesInThreeLanguages) {
  struct Case {
    const char *name;
    int level, category;
  } cases[] = {
      {"easy", 0, -1},
      {" Hard ", 2, -1},
      {"f\xc3\xa1"
       "cil",
       0, -1},
      {"DIF\xc3\x8d"
       "CIL",
       2, -1},
      {"media", 1, -1},
      {"Letters", -1, 0},
      {"Lettere", -1, 0},
      {"scienze", -1, 1},
      {"Deportes", -1, 2},
      {"Geograf\xc3\xad"
       "a",
       -1, 3},
      {"Storia", -1, 4},
      {"Varios", -1, 5},
      {"Att", -1, 5},
      {"cooking", -1, -1},
      {"", -1, -1},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(LevelByName(c.name), c.level) << c.name;
    EXPECT_EQ(CategoryByName(c.name), c.category) << c.name;
  }
}

TEST(QuestionRules, TheFontTablesDecideLettersAndWidths) {
  EXPECT_TRUE(FontDraws('A'));
  EXPECT_TRUE(FontDraws(' '));
  EXPECT_TRUE(FontDraws(0xe9)); // é
  EXPECT_FALSE(FontDraws('\t'));
  EXPECT_FALSE(FontDraws(0));
  long a = SmallFontWidth("A", 0);
  EXPECT_GT(a, 0);
  EXPECT_EQ(SmallFontWidth("AA", -1), 2 * (a - 1));
  EXPECT_EQ(SmallFontWidth("A\t", 0), a) << "a letter without a glyph takes no room";
}

TEST(QuestionRules, TheHashFollowsTheQuestionNotTheBoxes) {
  QuestionRecord a{}, b{};
  snprintf(a.Text, sizeof(a.Text), "Capital of Italy?");
  snprintf(a.Answer1, sizeof(a.Answer1), "Rome");
  snprintf(a.Answer2, sizeof(a.Answer2), "Milan");
  snprintf(a.Answer3, sizeof(a.Answer3), "Turin");
  snprintf(a.Answer4, sizeof(a.Answer4), "Naples");
  a.Solution = 1;
  b = a;
  snprintf(b.Answer1, sizeof(b.Answer1), "Turin");
  snprintf(b.Answer3, sizeof(b.Answer3), "Rome");
  b.Solution = 3;
  EXPECT_EQ(QuestionHash(a), QuestionHash(b));
  b.Solution = 1; // the same answers, another one right
  EXPECT_NE(QuestionHash(a), QuestionHash(b));
  b = a;
  snprintf(b.Text, sizeof(b.Text), "Capital of Italy!");
  EXPECT_NE(QuestionHash(a), QuestionHash(b));
}

} // namespace
