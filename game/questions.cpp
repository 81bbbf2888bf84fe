// The question bank (see questions.h): one INI file per language, read once
// after the game window opens; questions are drawn with rand() and marked in
// QuestionAsked by the quiz rules.
#include "questions.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "KIniReader.h"
#include "KMiscTools.h"
#include "KResource.h"

#include "loading.h"

static const char *const kLevelTokens[3] = {"E-", "M-", "H-"};

const char *QuestionFileName(int16_t language) {
  switch (language) {
  case 1:
    return "data\\ita.ini";
  case 2:
    return "data\\spanish.ini";
  default:
    return "data\\eng.ini";
  }
}

void ReadQuestions() {
  DrawLoadingScreen();
  ReadQuestionsFrom(KMiscTools::makeFilePath(QuestionFileName(GV.language)), DrawLoadingScreen);
}

void ReadQuestionsFrom(const char *path, void (*afterCounts)()) {
  KIniReader ini;
  ini.setIni(path); // a missing file leaves the reader empty: both counts read 0
  ReadQuestionsFromReader(ini, afterCounts);
}

void ReadQuestionsFromReader(KIniReader &ini, void (*afterCounts)()) {
  long questions = ini.getValue("GENERAL", "MaxQuestions", 0);
  long puzzles = ini.getValue("GENERAL", "MaxPuzzles", 0);
  // The table holds 2000 records: negative counts read as none, and the
  // puzzles give way to the ordinary questions when the sum is too large.
  if (questions < 0)
    questions = 0;
  if (puzzles < 0)
    puzzles = 0;
  if (questions > MAX_QUESTION_RECORDS)
    questions = MAX_QUESTION_RECORDS;
  if (puzzles > MAX_QUESTION_RECORDS - questions)
    puzzles = MAX_QUESTION_RECORDS - questions;
  MAX_QUESTIONS = (int16_t)questions;
  MAX_PUZZLES = (int16_t)puzzles;

  if (afterCounts)
    afterCounts();

  for (int i = 0; i < MAX_QUESTIONS + MAX_PUZZLES; i++) {
    QuestionRecord &q = Question[i];
    char section[16];
    snprintf(section, sizeof(section), "%d", i + 1);
    ini.getString(section, "ID", q.ID, sizeof(q.ID));
    ini.getString(section, "Text", q.Text, sizeof(q.Text));
    ini.getString(section, "Answer1", q.Answer1, sizeof(q.Answer1));
    ini.getString(section, "Answer2", q.Answer2, sizeof(q.Answer2));
    ini.getString(section, "Answer3", q.Answer3, sizeof(q.Answer3));
    ini.getString(section, "Answer4", q.Answer4, sizeof(q.Answer4));
    // Only 1 to 4 name an answer box; anything else (65537 included, which
    // a 16-bit cut would turn into 1) matches none.
    int32_t solution = ini.getValue(section, "Solution", 0);
    q.Solution = (int16_t)(solution >= 1 && solution <= 4 ? solution : 0);
    ini.getString(section, "Photo", q.Photo, sizeof(q.Photo));
  }
}

int QuestionLevel(const char *id) {
  for (int level = 0; level < 3; level++)
    if (strstr(id, kLevelTokens[level]))
      return level;
  return -1;
}

bool IsPuzzle(const char *id) { return strstr(id, "Puzzl") != nullptr; }

// Draws an index below `range` until `accept` takes one. Before drawing, it
// makes sure one can be taken: with no record of the kind at all it answers
// -1, and when all of them were asked it clears their marks.
static int16_t PickRecord(int range, bool (*ofKind)(const QuestionRecord &, int), int arg) {
  if (range <= 0)
    return -1;
  bool any = false, unasked = false;
  for (int i = 0; i < range; i++) {
    if (ofKind(Question[i], arg)) {
      any = true;
      if (QuestionAsked[i] != 1)
        unasked = true;
    }
  }
  if (!any)
    return -1;
  if (!unasked)
    for (int i = 0; i < range; i++)
      if (ofKind(Question[i], arg))
        QuestionAsked[i] = 0;
  for (;;) {
    int i = rand() % range;
    if (ofKind(Question[i], arg) && QuestionAsked[i] != 1)
      return (int16_t)i;
  }
}

static bool OfLevel(const QuestionRecord &q, int level) { return strstr(q.ID, kLevelTokens[level]) != nullptr; }
static bool OfPuzzle(const QuestionRecord &q, int) { return IsPuzzle(q.ID); }

int16_t PickQuestion(int level) {
  if (level < 0 || level > 2)
    return -1;
  return PickRecord(MAX_QUESTIONS, OfLevel, level);
}

int16_t PickPuzzle() { return PickRecord(MAX_QUESTIONS + MAX_PUZZLES, OfPuzzle, 0); }

int16_t CategoryAtPick(const QuestionRecord &q, int16_t category) {
  if (HasPhoto(q))
    return category;
  if (strstr(q.ID, "Sp"))
    category = 2;
  if (strstr(q.ID, "Att"))
    category = 5;
  return category;
}

int16_t CategoryWhileShown(const QuestionRecord &q, int16_t category) {
  if (HasPhoto(q))
    return category;
  if (strstr(q.ID, "Geo"))
    category = 3;
  if (strstr(q.ID, "St"))
    category = 4;
  if (strstr(q.ID, "Lett"))
    category = 0;
  if (strstr(q.ID, "Sci"))
    category = 1;
  return category;
}

bool HasPhoto(const QuestionRecord &q) { return q.Photo[0] != 0 && strchr(q.Photo, '0') == nullptr; }

bool PhotoFileName(const QuestionRecord &q, char *out, size_t outSize) {
  if (!HasPhoto(q))
    return false;
  snprintf(out, outSize, "photos\\%s.jpg", q.Photo);
  KResource probe; // through the resource layer, so archives and case rules apply
  if (probe.open(KMiscTools::makeFilePath(out), K_RES_READ) == K_RES_OK) {
    probe.close();
    return true;
  }
  snprintf(out, outSize, "photos\\%s.png", q.Photo);
  return true;
}
