// The rules of a playable question file: each fault found with its line,
// names of levels and categories, puzzle pictures, the question's hash.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "questionrules.h"
#include "support/ScratchFolder.h"

namespace {

const std::string kAssets = std::string(TRIVELLO_SOURCE_DIR) + "/assets";

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

// Record 49, after File(16)'s 48 questions.
std::string Record49(const std::string &id, const std::string &photo) {
  return "\n[49]\nID=" + id +
         "\nText=Which flag?\nAnswer1=a\nAnswer2=b\nAnswer3=c\nAnswer4=d\nSolution=1\nPhoto=" + photo + "\n";
}

// The text of the file with the record `n` line `key=...` changed to `value`.
std::string WithField(std::string text, int n, const std::string &key, const std::string &value) {
  size_t section = text.find("\n[" + std::to_string(n) + "]\n");
  size_t at = text.find("\n" + key + "=", section);
  size_t end = text.find('\n', at + 1);
  return text.replace(at + 1, end - at - 1, key + "=" + value);
}

// The faults found in `text`, one "line: message" a line.
std::string Faults(const std::string &text, const std::vector<std::string> &folders = {}) {
  QuestionFileCheck check;
  bool playable = CheckQuestionText(text, folders, check);
  std::string s;
  for (const QuestionFault &f : check.faults)
    s += std::to_string(f.line) + ": " + f.message + "\n";
  EXPECT_EQ(playable, s.empty()) << s;
  return s;
}

TEST(QuestionRules, AFileWithEnoughQuestionsPerLevelIsPlayable) {
  QuestionFileCheck check;
  EXPECT_TRUE(CheckQuestionText(File(16), {}, check));
  EXPECT_EQ(check.questions, 48);
  EXPECT_EQ(check.perLevel[2], 16);
  // A puzzle's picture is looked for in each folder in turn.
  EXPECT_EQ(Faults(File(16, Record49("Puzzl1", "italy"), 1), {"/nonexistent", kAssets + "/photos"}), "");
  EXPECT_FALSE(FontDraws(0)) << "the NUL that ends a text is no letter of the font";
  // One player meets 14 easy, 15 medium and 16 hard questions in a game.
  EXPECT_EQ(Faults(File(15)), "0: 15 hard questions; a game needs at least 16\n");
  for (const char *name : {"eng.ini", "ita.ini", "spanish.ini"}) {
    std::ifstream in(kAssets + "/data/" + name, std::ios::binary);
    EXPECT_EQ(Faults(std::string(std::istreambuf_iterator<char>(in), {}), {kAssets + "/photos"}), "") << name;
  }
}

// Record 2 of File(16) starts on line 15: its ID on 16, Text 17, Answer1 18,
// Answer2 19, Answer3 20, Answer4 21, Solution 22, Photo 23. Line 0 is the
// file as a whole. Puzzle pictures come from a folder of broken ones.
TEST(QuestionRules, EachFaultIsFoundOnItsLine) {
  testsupport::ScratchFolder dir;
  dir.write("broken.jpg", "\xff\xd8\xff not really a picture");
  dir.write("text.png", "hello");
  ASSERT_EQ(system(("cp '" + kAssets + "/gfx/bflogo.jpg' '" + dir / "logo.jpg" + "'").c_str()), 0);
  const std::string f = File(16);
  std::pair<std::string, const char *> cases[] = {
      {WithField(f, 2, "Solution", "5"), "22: Solution must be 1, 2, 3 or 4"},
      {WithField(f, 2, "Solution", ""), "22: Solution must be 1, 2, 3 or 4"},
      {WithField(f, 2, "ID", "X-Geo1"), "16: ID X-Geo1 needs one level"},
      {WithField(f, 2, "ID", "E-M-Geo"), "16: ID E-M-Geo needs one level"},
      {WithField(f, 2, "ID", "E-Blah"), "16: ID E-Blah needs one category"},
      {WithField(f, 2, "ID", "E-GeoSt"), "16: ID E-GeoSt needs one category"},
      {WithField(f, 2, "ID", "E-Sp[1]"), "16: ID holds a character other than letters"},
      {WithField(f, 2, "ID", "E-Geo1234"), "16: ID is longer than 7 bytes"},
      {WithField(f, 2, "Text", ""), "17: Text is empty"},
      {WithField(f, 2, "Text", std::string(60, 'W')), "17: Text is too long for the screen"},
      {WithField(f, 2, "Text", std::string(130, 'i')), "17: Text is longer than 127 bytes"},
      {WithField(f, 2, "Text", "Tab\there?"), "17: Text has letters the game's font cannot draw: code 9\n"},
      {WithField(f, 2, "Text", "Caf\xe9 \xab ok \xbb?"),
       "17: Text has letters the game's font cannot draw: code 171, code 187\n"},
      {WithField(f, 2, "Text", "Where is Answer3=Paris?"), "20: the game would not read Answer3"},
      {WithField(f, 2, "Answer2", "ONE"), "19: Answer2 repeats another answer"},
      {WithField(f, 2, "Answer3", "Wwwwwwwwwwwwwwww"), "20: Answer3 is too long for the screen"},
      {WithField(f, 2, "Answer4", "  "), "21: Answer4 is empty"},
      {WithField(f, 2, "Photo", "nowhere"), "23: no picture nowhere.jpg or nowhere.png"},
      {WithField(f, 2, "Photo", "Italy"), "23: Photo must be a lower-case file name"},
      {WithField(f, 3, "Text", "question NUMBER 1?"), "the same question as [1]"},
      {"[GENERAL]\nMaxPuzzles=0\n", "[GENERAL] has no MaxQuestions"},
      {"[GENERAL]\nMaxQuestions=1500\nMaxPuzzles=600\n", "0: more than 2000 records"},
      {"[GENERAL]\nMaxQuestions=x\nMaxPuzzles=0\n", "MaxQuestions is not a count"},
      {f.substr(0, f.find("[48]")), "section [48] is missing"},
      {f + std::string("\0", 1), "0: the file holds a NUL byte"},
      {File(16, Record49("Puzzl1", "0"), 1), "a puzzle needs a photo"},
      {File(16, Record49("E-Geo1", "x"), 1), "must hold Puzzl"},
      {File(16, Record49("Puzzl1", "broken"), 1), "cannot be decoded"},
      {File(16, Record49("Puzzl1", "text"), 1), "neither JPEG nor PNG"},
      {File(16, Record49("Puzzl1", "logo"), 1), "the puzzle area is 400 by 300"},
  };
  for (const auto &c : cases)
    EXPECT_NE(Faults(c.first, {dir.path}).find(c.second), std::string::npos) << c.second;
}

// Names in English, Italian and Spanish; case, blanks and accents do not matter.
TEST(QuestionRules, LevelsAndCategoriesByTheirNamesInThreeLanguages) {
  std::vector<std::vector<std::string>> levels = {{"easy", "f\303\241cil"}, {"media"}, {" Hard ", "DIF\303\215CIL"}};
  std::vector<std::vector<std::string>> categories = {{"Letters", "Lettere"}, {"scienze"}, {"Deportes"},
                                                      {"Geograf\303\255a"},   {"Storia"},  {"Varios", "Att"}};
  auto named = [](const std::string &name) { return std::make_pair(LevelByName(name), CategoryByName(name)); };
  for (int level = 0; level < 3; level++)
    for (const std::string &name : levels[level])
      EXPECT_EQ(named(name), std::make_pair(level, -1)) << name;
  for (int category = 0; category < 6; category++)
    for (const std::string &name : categories[category])
      EXPECT_EQ(named(name), std::make_pair(-1, category)) << name;
  for (const char *unknown : {"cooking", ""})
    EXPECT_EQ(named(unknown), std::make_pair(-1, -1)) << unknown;
}

TEST(QuestionRules, TheHashFollowsTheQuestionNotTheBoxes) {
  auto hash = [](const char *text, const char *first, const char *third, int16_t solution) {
    QuestionRecord q{};
    snprintf(q.Text, sizeof q.Text, "%s", text);
    snprintf(q.Answer1, sizeof q.Answer1, "%s", first);
    snprintf(q.Answer2, sizeof q.Answer2, "Milan");
    snprintf(q.Answer3, sizeof q.Answer3, "%s", third);
    snprintf(q.Answer4, sizeof q.Answer4, "Naples");
    q.Solution = solution;
    return QuestionHash(q);
  };
  uint64_t rome = hash("Capital of Italy?", "Rome", "Turin", 1);
  EXPECT_EQ(hash("Capital of Italy?", "Turin", "Rome", 3), rome);
  EXPECT_NE(hash("Capital of Italy?", "Turin", "Rome", 1), rome); // the same answers, another one right
  EXPECT_NE(hash("Capital of Italy!", "Rome", "Turin", 1), rome);
}

} // namespace
