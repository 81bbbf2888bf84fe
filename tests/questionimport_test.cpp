// Question import and export: CSV as spreadsheets write it, Open Trivia DB
// replies, the right answers spread over the boxes, pictures, and the round
// trip from export back to import.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "KIniReader.h"
#include "globals.h"
#include "platform/PictureDecoder.h"
#include "questionimport.h"
#include "questions.h"
#include "support/ScratchFolder.h"

namespace {

const char kHeader[] = "question,correct,wrong1,wrong2,wrong3,level,category,picture\n";
const std::string kPhotos = std::string(TRIVELLO_SOURCE_DIR) + "/assets/photos";

struct Source {
  std::vector<ImportRow> rows;
  std::vector<ImportMessage> refused, notes;
};
Source Read(const std::string &file, const std::string &text) {
  Source s;
  ReadImportSource(file, text, s.rows, s.refused, s.notes);
  return s;
}

// The text of the message about `where`, or "(none)".
std::string At(const std::vector<ImportMessage> &messages, const std::string &where) {
  for (const ImportMessage &m : messages)
    if (m.where == where)
      return m.text;
  return "(none)";
}

// The records of a question file, the first `questions` of them ordinary.
std::vector<QuestionRecord> Records(const std::string &text, int &questions) {
  KIniReader ini;
  ini.setIni(text.c_str(), (long)text.size());
  ReadQuestionsFromReader(ini, nullptr);
  questions = MAX_QUESTIONS;
  return std::vector<QuestionRecord>(Question, Question + MAX_QUESTIONS + MAX_PUZZLES);
}

// A CSV of `perLevel` questions of each level: "Question <n>?", "right <n>".
std::string Csv(int perLevel) {
  const char *levels[3] = {"easy", "medium", "hard"};
  const char *categories[6] = {"Letters", "Science", "Sport", "Geography", "History", "Various"};
  std::string s = kHeader;
  for (int n = 1; n <= 3 * perLevel; n++)
    s += "Question " + std::to_string(n) + "?,right " + std::to_string(n) + ",w1,w2,w3," + levels[(n - 1) / perLevel] +
         "," + categories[n % 6] + "\n";
  return s;
}

TEST(QuestionImport, CsvFieldsAsSpreadsheetsWriteThem) {
  // The CSV, and the question, right answer and third wrong answer read from it.
  std::tuple<std::string, std::string, std::string, std::string> cases[] = {
      {std::string(kHeader) + "Capital of Italy?,Rome,Milan,Turin,Naples,easy,Geography\n", "Capital of Italy?", "Rome",
       "Naples"},
      {std::string(kHeader) + "\"Who said \"\"yes, no\"\"?\",\"Smith, John\",a,b,\"c,d\",easy,Letters\n",
       "Who said \"yes, no\"?", "Smith, John", "c,d"},
      // line breaks inside quotes become blanks
      {std::string(kHeader) + "\"Two\r\nlines?\",\"a\nb\",x,y,z,easy,Letters\n", "Two lines?", "a b", "z"},
      {"\xef\xbb\xbfQuestion,Correct,Wrong1,Wrong2,Wrong3,Level,Category\r\nQ?,A,B,C,D,hard,Sport\r\n", "Q?", "A", "D"},
      {"category;level;wrong3;wrong2;wrong1;correct;question\nSport;easy;D;C;B;A;Q?\n", "Q?", "A", "D"},
      {std::string(kHeader) + "Q?,A,B,C,D,easy,Sport", "Q?", "A", "D"}, // no line end at the end
      // UTF-8 letters become Latin-1, typographic quotes plain ones
      {std::string(kHeader) + "\302\277D\303\263nde?,Europa,Asia,\303\201frica,Am\303\251rica,f\303\241cil,Sport\n",
       "\277D\363nde?", "Europa", "Am\351rica"},
      {std::string(kHeader) + "It\342\200\231s \342\200\234X\342\200\235\342\200\246?,A,B,C,D,easy,Sport\n",
       "It's \"X\"...?", "A", "D"},
  };
  for (const auto &[csv, question, correct, wrong3] : cases) {
    Source s = Read("q.csv", csv);
    ASSERT_EQ(s.refused.size(), 0u) << csv << ": " << s.refused[0].text;
    ASSERT_EQ(s.rows.size(), 1u) << csv;
    EXPECT_EQ(std::make_tuple(s.rows[0].question, s.rows[0].correct, s.rows[0].wrong[2]),
              std::make_tuple(question, correct, wrong3));
  }
}

// Each row is read after the 48 good ones of Csv(16), so it starts on line 50;
// a row the reader takes is then checked by the planner.
TEST(QuestionImport, RefusedRowsNameTheirLineAndWhy) {
  // The rows, the line of the message and a part of it.
  std::tuple<std::string, int, std::string> cases[] = {
      {"\"Spread\nover lines\",A,B,C\nUnknown?,A,B,C,D,easy,Cooking", 50, "the column wrong3 is missing"},
      {"\"Spread\nover lines\",A,B,C\nUnknown?,A,B,C,D,easy,Cooking", 52, "unknown category 'Cooking'"},
      {"Level?,A,B,C,D,trivial,Sport", 50, "unknown level 'trivial'"},
      {"\305\201\303\263d\305\272?,A,B,C,D,easy,Sport", 50, "question: a letter the fonts cannot draw: '\305\201'"},
      {"Bad \377 byte,A,B,C,D,easy,Sport", 50, "question: not UTF-8 text (s"},
      {",,,,,,", 50, "(none)"}, // an empty row is skipped
      {"Far too long a question for the screen of the game since it goes on and on and on and on?,A,B,C,D,easy,Sport",
       50, "question is too long for the screen"},
      {"Q?,WWWWWWWWWWWWWWWWWWWWWWWW,B,C,D,easy,Sport", 50, "an answer is too long for the screen"},
      {"Q?,A,B,C,D\302\253,easy,Sport", 50, "an answer has letters the game's font cannot draw: code 171"},
      {"Q?,A,a,C,D,easy,Sport", 50, "repeats another answer"},
      {"Question 3?,A,B,C,D,easy,Sport", 50, "a duplicate: the same question as q.csv:4"},
  };
  for (const auto &[rows, line, part] : cases) {
    Source s = Read("q.csv", Csv(16) + rows + "\n");
    std::string where = "q.csv:" + std::to_string(line);
    std::string fault = At(s.refused, where);
    ImportPlan plan;
    if (s.refused.empty() && !PlanImport({}, 0, s.rows, {}, plan))
      fault = At(plan.refused, where);
    EXPECT_NE(fault.find(part), std::string::npos) << rows << ": " << fault;
  }
  Source header = Read("q.csv", "question,correct,wrong1,wrong3,level,category\nQ,A,B,C,easy,Sport\n");
  EXPECT_NE(At(header.refused, "q.csv:1").find("lacks the column wrong2"), std::string::npos);
  Source open = Read("q.csv", Csv(16) + "\"Never closed,A\n");
  EXPECT_NE(At(open.refused, "q.csv:50"), "(none)");
  EXPECT_TRUE(open.rows.empty()) << "a broken file gives no rows at all";
}

TEST(QuestionImport, AddingKeepsTheGamesQuestionsAndMergesExactCopies) {
  ImportPlan built;
  ASSERT_TRUE(PlanImport({}, 0, Read("base.csv", Csv(16)).rows, {}, built));
  int keptQuestions = 0;
  std::vector<QuestionRecord> kept = Records(built.text, keptQuestions);
  Source s = Read("q.csv", std::string(kHeader) + "New one?,A,B,C,D,easy,Sport\n"
                                                  "Question 5?,right 5,w3,w2,w1,easy,Sport\n" // the same question
                                                  "Question 6?,other,w1,w2,w3,easy,Sport\n"); // other answers
  ImportPlan plan;
  EXPECT_FALSE(PlanImport(kept, keptQuestions, s.rows, {}, plan));
  ASSERT_EQ(plan.refused.size(), 1u);
  EXPECT_EQ(At(plan.refused, "q.csv:4"), "a duplicate: the same question as the game's question [6]");
  ASSERT_EQ(plan.notes.size(), 1u);
  EXPECT_EQ(plan.notes[0].where, "q.csv:3");
  s.rows.pop_back();
  ASSERT_TRUE(PlanImport(kept, keptQuestions, s.rows, {}, plan));
  EXPECT_EQ(plan.questions, 49);
  EXPECT_EQ(plan.imported, 1);
}

TEST(QuestionImport, OpenTriviaDbReplyWithEntities) {
  Source s = Read("q.json", "{\"response_code\":0,\"results\":[\n"
                            "{\"type\":\"multiple\",\"difficulty\":\"medium\",\"category\":\"Entertainment: Books\",\n"
                            " \"question\":\"Who wrote &quot;Emma&quot;? It&#039;s &ldquo;Austen&rdquo;&hellip;\",\n"
                            " \"correct_answer\":\"Jane Austen\",\"incorrect_answers\":[\"Charlotte Bront&euml;\","
                            "\"Mary &amp; Percy\",\"Jos\\u00e9 &#x41;\"]},\n"
                            "{\"type\":\"boolean\",\"difficulty\":\"easy\",\"category\":\"Sports\",\"question\":"
                            "\"True?\",\"correct_answer\":\"True\",\"incorrect_answers\":[\"False\"]},\n"
                            "{\"type\":\"multiple\",\"difficulty\":\"hard\",\"category\":\"Science: Computers\","
                            "\"question\":\"&#12354;?\",\"correct_answer\":\"a\",\"incorrect_answers\":[\"b\",\"c\","
                            "\"d\"]},\n"
                            "{\"type\":\"multiple\",\"difficulty\":\"easy\",\"category\":\"Geography\",\"question\":"
                            "\"Q?\",\"correct_answer\":\"a\",\"incorrect_answers\":[\"b\",\"c\"]}\n"
                            "]}");
  ASSERT_EQ(s.rows.size(), 1u);
  const ImportRow &row = s.rows[0];
  EXPECT_EQ(row.question, "Who wrote \"Emma\"? It's \"Austen\"...");
  EXPECT_EQ(row.wrong[0] + "|" + row.wrong[1] + "|" + row.wrong[2], "Charlotte Bront\353|Mary & Percy|Jos\351 A");
  EXPECT_EQ(row.level, 1);
  EXPECT_EQ(row.category, 0);
  EXPECT_EQ(row.where, "q.json:2");
  EXPECT_NE(At(s.notes, "q.json:5"), "(none)"); // not multiple choice
  EXPECT_NE(At(s.refused, "q.json:6").find("cannot draw"), std::string::npos);
  EXPECT_EQ(At(s.refused, "q.json:7"), "incorrect_answers must hold three answers");
  std::pair<std::string, std::string> broken[] = {{"{\"response_code\":1,\"results\":[]}", "response_code 1"},
                                                  {"{\"results\":[}", "not a JSON reply"},
                                                  {"{\"results\":[{\"question\":\"a\\ud800\"}]}", "lone surrogate"},
                                                  {"{\"response_code\":0}", "no \"results\" list"}};
  for (const auto &[json, fault] : broken) {
    Source bs = Read("q.json", json);
    ASSERT_EQ(bs.refused.size(), 1u) << json;
    EXPECT_NE(bs.refused[0].text.find(fault), std::string::npos) << bs.refused[0].text;
  }
  std::pair<const char *, int> categories[] = {
      {"Entertainment: Film", 5}, {"Science & Nature", 1}, {"Sports", 2}, {"Politics", 4}, {"Art", 0},
      {"Geography", 3},           {"Something new", 5}};
  for (const auto &[name, category] : categories)
    EXPECT_EQ(OpenTriviaCategory(name), category) << name;
}

TEST(QuestionImport, PicturesBecomePuzzlesAtTheSizeOfThePuzzleArea) {
  testsupport::ScratchFolder dir;
  ASSERT_EQ(system(("mkdir '" + dir / "photos" + "'").c_str()), 0);
  // A 200 by 200 picture, which must be made 400 by 300.
  std::vector<unsigned char> rgb(200 * 200 * 3, 90);
  ASSERT_TRUE(writeJpegFile((dir / "Square Shot0.jpg").c_str(), rgb.data(), 200, 200, 90));
  std::string csv = std::string(kHeader) + "Which flag?,Italy,France,Ireland,Mexico,,,\"" + kPhotos + "/italy.jpg\"\n" +
                    "What is this?,A square,A circle,A star,A line,,,Square Shot0.jpg\n" +
                    "And this?,Nothing,a,b,c,,,missing.png\n";
  Source s = Read(dir / "q.csv", csv);
  ASSERT_EQ(s.rows.size(), 3u);
  ImportPlan plan;
  EXPECT_FALSE(PlanImport({}, 0, s.rows, {dir / "photos", kPhotos}, plan));
  EXPECT_NE(At(plan.refused, dir / "q.csv:4").find("cannot read the picture"), std::string::npos);
  s.rows.pop_back();
  PlanImport({}, 0, s.rows, {dir / "photos", kPhotos}, plan);
  EXPECT_EQ(plan.puzzles, 2);
  ASSERT_EQ(plan.pictures.size(), 1u) << "the game's own picture is used where it is";
  const ImportPicture &p = plan.pictures[0];
  EXPECT_EQ(p.extension, ".jpg");
  EXPECT_EQ(p.stem.substr(0, 12), "square_shot_");
  EXPECT_EQ(p.stem.find('0'), std::string::npos) << "a 0 in Photo means no photo";
  DecodedPicture decoded;
  ASSERT_EQ(decodePicture((const unsigned char *)p.data.data(), p.data.size(), 4096, decoded), kPictureOk);
  EXPECT_EQ(decoded.width, 400);
  EXPECT_EQ(decoded.height, 300);
  free(decoded.rgba);
  EXPECT_NE(plan.text.find("Photo=italy\n"), std::string::npos);
  EXPECT_NE(plan.text.find("Photo=" + p.stem + "\n"), std::string::npos);
}

// The right answers are spread evenly over the boxes, and exporting the file
// and importing the export gives the same file again.
TEST(QuestionImport, TheAnswersAreSpreadEvenlyAndExportThenImportGivesTheSameFile) {
  std::string csv = Csv(16) + "\"Comma, \"\"quote\"\" and \303\261?\",S\303\255,No,\" lead\",x,hard,Various\n" +
                    "Which flag?,Italy,France,Ireland,Mexico,,,\"" + kPhotos + "/italy.jpg\"\n";
  Source s = Read("q.csv", csv);
  ASSERT_TRUE(s.refused.empty()) << s.refused[0].text;
  ImportPlan first;
  ASSERT_TRUE(PlanImport({}, 0, s.rows, {kPhotos}, first)) << first.refused[0].text;
  int questions = 0;
  std::vector<QuestionRecord> records = Records(first.text, questions);
  ASSERT_EQ(questions, 49);
  int boxes[5] = {0};
  for (int i = 0; i < questions; i++) {
    const QuestionRecord &q = records[i];
    boxes[q.Solution]++;
    const char *answers[4] = {q.Answer1, q.Answer2, q.Answer3, q.Answer4};
    if (std::string(q.Text).rfind("Question ", 0) == 0) {
      EXPECT_EQ(std::string(answers[q.Solution - 1]).substr(0, 6), "right ") << q.Text;
    }
  }
  for (int b = 1; b <= 4; b++)
    EXPECT_TRUE(boxes[b] == 12 || boxes[b] == 13) << "box " << b << ": " << boxes[b];

  std::string exported = ExportCsv(records, questions, {kPhotos});
  EXPECT_EQ(exported.substr(0, 3), "\xef\xbb\xbf");
  Source back = Read("export.csv", exported);
  ASSERT_TRUE(back.refused.empty()) << back.refused[0].text;
  ImportPlan second;
  ASSERT_TRUE(PlanImport({}, 0, back.rows, {kPhotos}, second));
  EXPECT_EQ(second.text, first.text) << "the same questions come back in the same boxes";
}

} // namespace
