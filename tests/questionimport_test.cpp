// Question import and export: CSV as spreadsheets write it, Open Trivia DB
// replies, the right answers spread over the boxes, pictures, and the round
// trip from export back to import.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "KIniReader.h"
#include "platform/PictureDecoder.h"
#include "questionimport.h"
#include "questionrules.h"
#include "questions.h"

namespace {

const char kHeader[] = "question,correct,wrong1,wrong2,wrong3,level,category\n";

std::vector<QuestionRecord> Records(const std::string &text, int &questions) {
  KIniReader ini;
  ini.setIni(text.c_str(), (long)text.size());
  int16_t q = 0, p = 0;
  ReadQuestionRecords(ini, nullptr, q, p);
  std::vector<QuestionRecord> records((size_t)(q + p));
  ReadQuestionRecords(ini, records.data(), q, p);
  questions = q;
  return records;
}

// A CSV of `perLevel` questions of each level, numbered from `first`.
std::string Csv(int perLevel, int first = 1) {
  const char *levels[3] = {"easy", "medium", "hard"};
  const char *categories[6] = {"Letters", "Science", "Sport", "Geography", "History", "Various"};
  std::string s = kHeader;
  for (int l = 0; l < 3; l++)
    for (int i = 0; i < perLevel; i++) {
      int n = first + l * perLevel + i;
      s += "Question " + std::to_string(n) + "?,right " + std::to_string(n) + ",w1,w2,w3," + levels[l] + "," +
           categories[n % 6] + "\n";
    }
  return s;
}

// The questions of a file as (text, right answer, wrong answers sorted,
// ID tokens, photo), in file order.
std::vector<std::string> Questions(const std::vector<QuestionRecord> &records, int questions) {
  std::vector<std::string> out;
  for (size_t i = 0; i < records.size(); i++) {
    const QuestionRecord &q = records[i];
    const char *a[4] = {q.Answer1, q.Answer2, q.Answer3, q.Answer4};
    std::multiset<std::string> wrong;
    for (int k = 0; k < 4; k++)
      if (k != q.Solution - 1)
        wrong.insert(a[k]);
    std::string s = std::string(q.Text) + "|" + a[q.Solution - 1] + "|";
    for (const std::string &w : wrong)
      s += w + ";";
    if ((int)i < questions)
      s += std::string("|") + LevelName(QuestionLevel(q.ID)) + CategoryName(CategoryOfId(q.ID));
    out.push_back(s + "|" + q.Photo);
  }
  return out;
}

struct Messages {
  std::vector<ImportRow> rows;
  std::vector<ImportMessage> refused, notes;
  std::string refusedAt(const std::string &line) const {
    for (const ImportMessage &m : refused)
      if (m.where == "q.csv:" + line)
        return m.text;
    return "(none)";
  }
};

TEST(QuestionImport, CsvFieldsAsSpreadsheetsWriteThem) {
  struct Case {
    const char *name;
    std::string csv;
    const char *question, *correct, *wrong3;
  } cases[] = {
      {"plain", std::string(kHeader) + "Capital of Italy?,Rome,Milan,Turin,Naples,easy,Geography\n",
       "Capital of Italy?", "Rome", "Naples"},
      {"quotes and commas",
       std::string(kHeader) + "\"Who said \"\"yes, no\"\"?\",\"Smith, John\",a,b,\"c,d\",easy,Letters\n",
       "Who said \"yes, no\"?", "Smith, John", "c,d"},
      {"line breaks inside quotes become blanks",
       std::string(kHeader) + "\"Two\r\nlines?\",\"a\nb\",x,y,z,easy,Letters\n", "Two lines?", "a b", "z"},
      {"byte-order mark and CR LF",
       "\xef\xbb\xbf" + std::string("Question,Correct,Wrong1,Wrong2,Wrong3,Level,Category\r\n") +
           "Q?,A,B,C,D,hard,Sport\r\n",
       "Q?", "A", "D"},
      {"columns in another order, semicolons",
       "category;level;wrong3;wrong2;wrong1;correct;question\nSport;easy;D;C;B;A;Q?\n", "Q?", "A", "D"},
      {"no line end at the end", std::string(kHeader) + "Q?,A,B,C,D,easy,Sport", "Q?", "A", "D"},
      {"UTF-8 letters to Latin-1",
       std::string(kHeader) + "\xc2\xbf"
                              "D\xc3\xb3nde est\xc3\xa1 Espa\xc3\xb1"
                              "a?,Europa,Asia,\xc3\x81"
                              "frica,"
                              "Am\xc3\xa9rica,f\xc3\xa1"
                              "cil,Geograf\xc3\xad"
                              "a\n",
       "\xbf"
       "D\xf3nde est\xe1 Espa\xf1"
       "a?",
       "Europa", "Am\xe9rica"},
      {"typographic quotes",
       std::string(kHeader) + "It\xe2\x80\x99s \xe2\x80\x9cX\xe2\x80\x9d\xe2\x80\xa6?,A,B,C,D,easy,Sport\n",
       "It's \"X\"...?", "A", "D"},
  };
  for (const Case &c : cases) {
    Messages m;
    ReadCsvQuestions("q.csv", c.csv, m.rows, m.refused);
    ASSERT_EQ(m.refused.size(), 0u) << c.name << ": " << m.refused[0].text;
    ASSERT_EQ(m.rows.size(), 1u) << c.name;
    EXPECT_EQ(m.rows[0].question, c.question) << c.name;
    EXPECT_EQ(m.rows[0].correct, c.correct) << c.name;
    EXPECT_EQ(m.rows[0].wrong[2], c.wrong3) << c.name;
  }
}

TEST(QuestionImport, RefusedCsvRowsNameTheirLineAndWhy) {
  std::string csv = std::string(kHeader) + "Fine?,A,B,C,D,easy,Sport\n"      // line 2
                                           "\"Spread\nover lines\",A,B,C\n"  // line 3, short
                                           "Unknown?,A,B,C,D,easy,Cooking\n" // line 5
                                           "Level?,A,B,C,D,trivial,Sport\n"  // line 6
                                           "\xc5\x81\xc3\xb3"
                                           "d\xc5\xba?,A,B,C,D,easy,Sport\n"    // line 7, Polish letters
                                           "Bad \xff byte,A,B,C,D,easy,Sport\n" // line 8
                                           ",,,,,,\n"                           // line 9, an empty row
                                           "Last?,A,B,C,D,easy,Sport\n";        // line 10
  Messages m;
  ReadCsvQuestions("q.csv", csv, m.rows, m.refused);
  EXPECT_EQ(m.rows.size(), 2u);
  EXPECT_EQ(m.rows[1].where, "q.csv:10");
  EXPECT_EQ(m.refusedAt("3"), "the column wrong3 is missing");
  EXPECT_EQ(m.refusedAt("5").substr(0, 26), "unknown category 'Cooking'");
  EXPECT_EQ(m.refusedAt("6").substr(0, 23), "unknown level 'trivial'");
  EXPECT_EQ(m.refusedAt("7"), "question: a letter the fonts cannot draw: '\xc5\x81'");
  EXPECT_EQ(m.refusedAt("8").substr(0, 27), "question: not UTF-8 text (s");
  EXPECT_EQ(m.refused.size(), 5u);

  Messages header;
  ReadCsvQuestions("q.csv", "question,correct,wrong1,wrong3,level,category\nQ,A,B,C,easy,Sport\n", header.rows,
                   header.refused);
  ASSERT_EQ(header.refused.size(), 1u);
  EXPECT_EQ(header.refused[0].where, "q.csv:1");
  EXPECT_NE(header.refused[0].text.find("lacks the column wrong2"), std::string::npos);

  Messages open;
  ReadCsvQuestions("q.csv", std::string(kHeader) + "Q?,A,B,C,D,easy,Sport\n\"Never closed,A\n", open.rows,
                   open.refused);
  ASSERT_EQ(open.refused.size(), 1u);
  EXPECT_EQ(open.refused[0].where, "q.csv:3");
  EXPECT_EQ(open.rows.size(), 0u) << "a broken file gives no rows at all";
}

TEST(QuestionImport, RowsTheGameCannotShowAreRefusedWithTheirLine) {
  struct Case {
    std::string row, fault;
  } cases[] = {
      {"Far too long a question for the screen of the game since it goes on and on and on and on?,A,B,C,D,easy,"
       "Sport",
       "question is too long for the screen"},
      {"Q?,WWWWWWWWWWWWWWWWWWWWWWWW,B,C,D,easy,Sport", "an answer is too long for the screen"},
      {"Q?,A,B,C,D\xc2\xab,easy,Sport", "an answer has letters the game's font cannot draw: code 171"},
      {"Q?,A,a,C,D,easy,Sport", "repeats another answer"},
      {"Question 3?,A,B,C,D,easy,Sport", "a duplicate: the same question as q.csv:4"},
  };
  for (const Case &c : cases) {
    Messages m;
    ReadCsvQuestions("q.csv", Csv(16) + c.row + "\n", m.rows, m.refused);
    ASSERT_TRUE(m.refused.empty()) << m.refused[0].text;
    ImportPlan plan;
    EXPECT_FALSE(PlanImport({}, 0, m.rows, {}, plan)) << c.row;
    bool found = false;
    for (const ImportMessage &r : plan.refused)
      found = found || (r.where == "q.csv:50" && r.text.find(c.fault) != std::string::npos);
    EXPECT_TRUE(found) << c.fault
                       << (plan.refused.empty() ? "" : " / " + plan.refused[0].where + " " + plan.refused[0].text);
  }
}

TEST(QuestionImport, TheRightAnswersAreSpreadEvenlyAndTheFileIsPlayable) {
  Messages m;
  ReadCsvQuestions("q.csv", Csv(17), m.rows, m.refused);
  ImportPlan plan;
  ASSERT_TRUE(PlanImport({}, 0, m.rows, {}, plan)) << plan.refused[0].where << " " << plan.refused[0].text;
  int questions = 0;
  std::vector<QuestionRecord> records = Records(plan.text, questions);
  ASSERT_EQ(questions, 51);
  int boxes[5] = {0};
  for (const QuestionRecord &q : records) {
    boxes[q.Solution]++;
    const char *a[4] = {q.Answer1, q.Answer2, q.Answer3, q.Answer4};
    EXPECT_EQ(std::string(a[q.Solution - 1]).substr(0, 6), "right ") << q.Text;
  }
  for (int b = 1; b <= 4; b++)
    EXPECT_TRUE(boxes[b] == 12 || boxes[b] == 13) << "box " << b << ": " << boxes[b];
  // The same source gives the same file.
  ImportPlan again;
  PlanImport({}, 0, m.rows, {}, again);
  EXPECT_EQ(again.text, plan.text);
  QuestionFileCheck check;
  EXPECT_TRUE(CheckQuestionText(plan.text, {}, check));
}

TEST(QuestionImport, AddingKeepsTheGamesQuestionsAndMergesExactCopies) {
  Messages base;
  ReadCsvQuestions("base.csv", Csv(16), base.rows, base.refused);
  ImportPlan built;
  ASSERT_TRUE(PlanImport({}, 0, base.rows, {}, built));
  int keptQuestions = 0;
  std::vector<QuestionRecord> kept = Records(built.text, keptQuestions);

  Messages m;
  ReadCsvQuestions("q.csv",
                   std::string(kHeader) + "New one?,A,B,C,D,easy,Sport\n"
                                          "Question 5?,right 5,w3,w2,w1,easy,Sport\n" // the same question
                                          "Question 6?,other,w1,w2,w3,easy,Sport\n",  // same text, other answers
                   m.rows, m.refused);
  ImportPlan plan;
  EXPECT_FALSE(PlanImport(kept, keptQuestions, m.rows, {}, plan));
  ASSERT_EQ(plan.refused.size(), 1u);
  EXPECT_EQ(plan.refused[0].where, "q.csv:4");
  EXPECT_EQ(plan.refused[0].text, "a duplicate: the same question as the game's question [6]");
  ASSERT_EQ(plan.notes.size(), 1u);
  EXPECT_EQ(plan.notes[0].where, "q.csv:3");

  m.rows.pop_back();
  ASSERT_TRUE(PlanImport(kept, keptQuestions, m.rows, {}, plan));
  EXPECT_EQ(plan.questions, 49);
  EXPECT_EQ(plan.imported, 1);
}

TEST(QuestionImport, OpenTriviaDbReplyWithEntities) {
  std::string reply =
      "{\"response_code\":0,\"results\":[\n"
      "{\"type\":\"multiple\",\"difficulty\":\"medium\",\"category\":\"Entertainment: Books\",\n"
      " \"question\":\"Who wrote &quot;Emma&quot;? It&#039;s &ldquo;Austen&rdquo;&hellip;\",\n"
      " \"correct_answer\":\"Jane Austen\",\"incorrect_answers\":[\"Charlotte Bront&euml;\",\"Mary &amp; Percy\","
      "\"Jos\\u00e9 &#x41;\"]},\n"
      "{\"type\":\"boolean\",\"difficulty\":\"easy\",\"category\":\"Sports\",\"question\":\"True?\","
      "\"correct_answer\":\"True\",\"incorrect_answers\":[\"False\"]},\n"
      "{\"type\":\"multiple\",\"difficulty\":\"hard\",\"category\":\"Science: Computers\",\"question\":\"&#12354;?\","
      "\"correct_answer\":\"a\",\"incorrect_answers\":[\"b\",\"c\",\"d\"]},\n"
      "{\"type\":\"multiple\",\"difficulty\":\"easy\",\"category\":\"Geography\",\"question\":\"Q?\","
      "\"correct_answer\":\"a\",\"incorrect_answers\":[\"b\",\"c\"]}\n"
      "]}";
  Messages m;
  ReadImportSource("q.json", reply, m.rows, m.refused, m.notes);
  ASSERT_EQ(m.rows.size(), 1u);
  EXPECT_EQ(m.rows[0].question, "Who wrote \"Emma\"? It's \"Austen\"...");
  EXPECT_EQ(m.rows[0].wrong[0], "Charlotte Bront\xeb");
  EXPECT_EQ(m.rows[0].wrong[1], "Mary & Percy");
  EXPECT_EQ(m.rows[0].wrong[2], "Jos\xe9 A");
  EXPECT_EQ(m.rows[0].level, 1);
  EXPECT_EQ(m.rows[0].category, 0);
  EXPECT_EQ(m.rows[0].where, "q.json:2");
  ASSERT_EQ(m.notes.size(), 1u);
  EXPECT_EQ(m.notes[0].where, "q.json:5");
  ASSERT_EQ(m.refused.size(), 2u);
  EXPECT_EQ(m.refused[0].where, "q.json:6");
  EXPECT_NE(m.refused[0].text.find("cannot draw"), std::string::npos);
  EXPECT_EQ(m.refused[1].text, "incorrect_answers must hold three answers");

  struct Broken {
    std::string json, fault;
  } broken[] = {{"{\"response_code\":1,\"results\":[]}", "response_code 1"},
                {"{\"results\":[}", "not a JSON reply"},
                {"{\"results\":[{\"question\":\"a\\ud800\"}]}", "lone surrogate"},
                {"{\"response_code\":0}", "no \"results\" list"}};
  for (const Broken &b : broken) {
    Messages bm;
    ReadImportSource("q.json", b.json, bm.rows, bm.refused, bm.notes);
    ASSERT_EQ(bm.refused.size(), 1u) << b.json;
    EXPECT_NE(bm.refused[0].text.find(b.fault), std::string::npos) << bm.refused[0].text;
  }
  struct Category {
    const char *name;
    int category;
  } categories[] = {{"Entertainment: Film", 5}, {"Science & Nature", 1}, {"Sports", 2}, {"Politics", 4}, {"Art", 0},
                    {"Geography", 3},           {"Something new", 5}};
  for (const Category &c : categories)
    EXPECT_EQ(OpenTriviaCategory(c.name), c.category) << c.name;
}

class QuestionImportFiles : public ::testing::Test {
protected:
  void SetUp() override {
    dir = "/tmp/trivello-import-test-" + std::to_string(getpid());
    system(("rm -rf " + dir + " && mkdir -p " + dir + "/photos").c_str());
  }
  void TearDown() override { system(("rm -rf " + dir).c_str()); }
  std::string dir;
};

TEST_F(QuestionImportFiles, PicturesBecomePuzzlesAtTheSizeOfThePuzzleArea) {
  // A 200 by 200 picture, which must be made 400 by 300.
  std::vector<unsigned char> rgb(200 * 200 * 3, 90);
  ASSERT_TRUE(writeJpegFile((dir + "/Square Shot0.jpg").c_str(), rgb.data(), 200, 200, 90));
  std::string flag = std::string(TRIVELLO_SOURCE_DIR) + "/assets/photos/italy.jpg";
  std::string csv = std::string("question,correct,wrong1,wrong2,wrong3,level,category,picture\n") +
                    "Which flag?,Italy,France,Ireland,Mexico,,,\"" + flag + "\"\n" +
                    "What is this?,A square,A circle,A star,A line,,,Square Shot0.jpg\n" +
                    "And this?,Nothing,a,b,c,,,missing.png\n";
  Messages m;
  ReadCsvQuestions(dir + "/q.csv", csv, m.rows, m.refused);
  ASSERT_EQ(m.rows.size(), 3u);
  ImportPlan plan;
  std::string gamePhotos = std::string(TRIVELLO_SOURCE_DIR) + "/assets/photos";
  EXPECT_FALSE(PlanImport({}, 0, m.rows, {dir + "/photos", gamePhotos}, plan));
  ASSERT_FALSE(plan.refused.empty());
  EXPECT_EQ(plan.refused[0].where, dir + "/q.csv:4");
  EXPECT_NE(plan.refused[0].text.find("cannot read the picture"), std::string::npos);

  m.rows.pop_back();
  plan = ImportPlan();
  PlanImport({}, 0, m.rows, {dir + "/photos", gamePhotos}, plan);
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

TEST_F(QuestionImportFiles, ExportThenImportGivesTheSameQuestions) {
  std::string csv = Csv(16) + "\"Comma, \"\"quote\"\" and \xc3\xb1?\",S\xc3\xad,No,\" lead\",x,hard,Various\n";
  csv = "question,correct,wrong1,wrong2,wrong3,level,category,picture\n" + csv.substr(strlen(kHeader));
  csv += "Which flag?,Italy,France,Ireland,Mexico,,,\"" + std::string(TRIVELLO_SOURCE_DIR) +
         "/assets/photos/italy.jpg\"\n";
  Messages m;
  ReadCsvQuestions(dir + "/q.csv", csv, m.rows, m.refused);
  ASSERT_TRUE(m.refused.empty()) << m.refused[0].text;
  std::vector<std::string> folders = {dir + "/photos", std::string(TRIVELLO_SOURCE_DIR) + "/assets/photos"};
  ImportPlan first;
  ASSERT_TRUE(PlanImport({}, 0, m.rows, folders, first)) << first.refused[0].where << " " << first.refused[0].text;
  int questions = 0;
  std::vector<QuestionRecord> records = Records(first.text, questions);

  std::string exported = ExportCsv(records, questions, folders);
  EXPECT_EQ(exported.substr(0, 3), "\xef\xbb\xbf");
  Messages back;
  ReadCsvQuestions(dir + "/export.csv", exported, back.rows, back.refused);
  ASSERT_TRUE(back.refused.empty()) << back.refused[0].text;
  ImportPlan second;
  ASSERT_TRUE(PlanImport({}, 0, back.rows, folders, second));
  int questionsAgain = 0;
  std::vector<QuestionRecord> again = Records(second.text, questionsAgain);
  EXPECT_EQ(questionsAgain, questions);
  EXPECT_EQ(Questions(again, questionsAgain), Questions(records, questions));
  EXPECT_EQ(second.text, first.text) << "the same questions come back in the same boxes";
}

} // namespace
