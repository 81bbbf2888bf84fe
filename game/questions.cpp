// The question bank (see questions.h): one INI file per language, read once
// after the game window opens; questions are drawn with rand() and marked in
// QuestionAsked by the quiz rules.
#include "questions.h"

#include <sys/stat.h> // mkdir

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

#include "KIniReader.h"
#include "KMiscTools.h"
#include "KResource.h"

#include "loading.h"
#include "questionrules.h"
#include "userfiles.h"

// The pictures of the player's own file, when that file is being played.
static std::string g_ownPhotos;
// The questions asked so far (hashes) and the file that keeps them.
static std::set<uint64_t> g_asked;
static std::string g_askedPath;

const char *QuestionFileName(int16_t language) {
  switch (language) {
  case LANGUAGE_ITALIAN:
    return "data\\ita.ini";
  case LANGUAGE_SPANISH:
    return "data\\spanish.ini";
  default:
    return "data\\eng.ini";
  }
}

std::string BuiltInQuestionFile(int16_t language) { return KMiscTools::makeFilePath(QuestionFileName(language)); }

std::string UserQuestionFile(int16_t language) {
  const char *name = QuestionFileName(language);
  return UserQuestionFolder() + "/" + (strchr(name, '\\') + 1);
}

std::string PlayedQuestionFile(int16_t language) {
  std::string own = UserQuestionFile(language);
  struct stat st;
  QuestionFileCheck check;
  if (stat(own.c_str(), &st) == 0 && CheckQuestionFile(own, check))
    return own;
  return BuiltInQuestionFile(language);
}

std::string AskedRecordFile(int16_t language) {
  std::string name = strchr(QuestionFileName(language), '\\') + 1;
  return UserQuestionFolder() + "/asked-" + name.substr(0, name.rfind('.')) + ".txt";
}

void ReadQuestions() {
  DrawLoadingScreen();
  std::string path = PlayedQuestionFile(GV.language);
  ReadQuestionsFrom(path.c_str(), DrawLoadingScreen);
  if (path != BuiltInQuestionFile(GV.language))
    g_ownPhotos = PhotoFoldersFor(path)[0];
  UseAskedRecord(AskedRecordFile(GV.language));
}

void ReadQuestionsFrom(const char *path, void (*afterCounts)()) {
  KIniReader ini;
  ini.setIni(path); // a missing file leaves the reader empty: both counts read 0
  ReadQuestionsFromReader(ini, afterCounts);
}

void ReadQuestionsFromReader(KIniReader &ini, void (*afterCounts)()) {
  // A new table: the pictures and the asked record of the one before go.
  g_ownPhotos.clear();
  g_asked.clear();
  g_askedPath.clear();
  int16_t questions = 0, puzzles = 0;
  ReadQuestionRecords(ini, nullptr, questions, puzzles);
  MAX_QUESTIONS = questions;
  MAX_PUZZLES = puzzles;
  if (afterCounts)
    afterCounts();
  ReadQuestionRecords(ini, Question, questions, puzzles);
}

void ReadQuestionRecords(KIniReader &ini, QuestionRecord *table, int16_t &outQuestions, int16_t &outPuzzles) {
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
  outQuestions = (int16_t)questions;
  outPuzzles = (int16_t)puzzles;
  if (!table)
    return;

  for (int i = 0; i < questions + puzzles; i++) {
    QuestionRecord &q = table[i];
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

// Writes the asked record, when there is a file for it. A failure keeps
// the game going; the marks of this run stay in memory.
static void SaveAsked() {
  if (g_askedPath.empty())
    return;
  std::string text;
  char line[24];
  for (uint64_t h : g_asked) {
    snprintf(line, sizeof(line), "%016" PRIx64 "\n", h);
    text += line;
  }
  mkdir(g_askedPath.substr(0, g_askedPath.rfind('/')).c_str(), 0700);
  WriteFileAtomically(g_askedPath, text);
}

void UseAskedRecord(const std::string &path) {
  g_asked.clear();
  g_askedPath = path;
  std::string text;
  if (!path.empty() && ReadWholeFile(path, text)) {
    for (size_t at = 0; at < text.size();) {
      size_t end = text.find('\n', at);
      if (end == std::string::npos)
        end = text.size();
      std::string hex = text.substr(at, end - at);
      char *stop = nullptr;
      uint64_t h = strtoull(hex.c_str(), &stop, 16);
      if (hex.size() == 16 && *stop == 0) // anything else is not ours: skipped
        g_asked.insert(h);
      at = end + 1;
    }
  }
  ApplyAskedMarks();
}

void ApplyAskedMarks() {
  for (int i = 0; i < MAX_QUESTIONS + MAX_PUZZLES; i++)
    QuestionAsked[i] = g_asked.count(QuestionHash(Question[i])) ? 1 : 0;
}

void MarkAsked(int16_t index) {
  if (index < 0 || index >= MAX_QUESTION_RECORDS)
    return;
  QuestionAsked[index] = 1;
  if (g_asked.insert(QuestionHash(Question[index])).second)
    SaveAsked();
}

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
  if (!unasked) { // every one was asked: this kind starts over
    for (int i = 0; i < range; i++)
      if (ofKind(Question[i], arg)) {
        QuestionAsked[i] = 0;
        g_asked.erase(QuestionHash(Question[i]));
      }
    SaveAsked();
  }
  for (;;) {
    int i = rand() % range;
    if (ofKind(Question[i], arg) && QuestionAsked[i] != 1)
      return (int16_t)i;
  }
}

static bool OfLevel(const QuestionRecord &q, int level) { return strstr(q.ID, LevelToken(level)) != nullptr; }
static bool OfPuzzle(const QuestionRecord &q, int) { return IsPuzzle(q.ID); }

int16_t PickQuestion(int level) {
  if (level < 0 || level > 2)
    return -1;
  return PickRecord(MAX_QUESTIONS, OfLevel, level);
}

int16_t PickPuzzle() { return PickRecord(MAX_QUESTIONS + MAX_PUZZLES, OfPuzzle, 0); }

bool PhotoFileName(const QuestionRecord &q, char *out, size_t outSize) {
  if (!HasPhoto(q))
    return false;
  if (!g_ownPhotos.empty()) {
    std::string own = FindPhoto({g_ownPhotos}, q.Photo);
    if (!own.empty() && own.size() < outSize) {
      snprintf(out, outSize, "%s", own.c_str());
      return true;
    }
  }
  snprintf(out, outSize, "photos\\%s.jpg", q.Photo);
  KResource probe; // through the resource layer, so archives and case rules apply
  if (probe.open(KMiscTools::makeFilePath(out), K_RES_READ) == K_RES_OK) {
    probe.close();
    return true;
  }
  snprintf(out, outSize, "photos\\%s.png", q.Photo);
  return true;
}
