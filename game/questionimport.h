// Bringing questions in and out of the game's format: CSV (RFC 4180, as a
// spreadsheet saves it) and Open Trivia DB replies in UTF-8 become question
// files in the game's ISO 8859-1 format, and question files become CSV
// again. The rules of what the game can play are questionrules.h's.
#ifndef TRIVELLO_QUESTIONIMPORT_H
#define TRIVELLO_QUESTIONIMPORT_H

#include <string>
#include <vector>

#include "globals.h"

// ---- text --------------------------------------------------------------------

// UTF-8 to ISO 8859-1. Typographic quotes, dashes and the ellipsis become
// their plain forms ("'", '"', "-", "..."), a no-break space a blank. False
// with `why` set for text that is not UTF-8 or holds a letter outside
// ISO 8859-1 (which no font of the game can draw).
bool Utf8ToLatin1(const std::string &utf8, std::string &latin1, std::string &why);
std::string Latin1ToUtf8(const std::string &latin1);
// Decodes HTML character references (&quot; &#039; &eacute; &#x2019; ...)
// in UTF-8 text; unknown ones are left as written.
std::string DecodeHtmlEntities(const std::string &utf8);

// ---- CSV ---------------------------------------------------------------------

struct CsvRecord {
  int line; // the line the record starts on (1-based)
  std::vector<std::string> fields;
};
// Splits CSV text into records: fields separated by the delimiter the first
// line uses (comma, semicolon or tab), quoted fields holding delimiters,
// doubled quotes and line breaks, CR LF or LF line ends, a leading UTF-8
// byte-order mark skipped. False with `error` and `errorLine` for a quote
// left open.
bool ParseCsv(const std::string &text, std::vector<CsvRecord> &records, std::string &error, int &errorLine);
// One CSV field as written for a spreadsheet: quoted when it needs to be.
std::string CsvField(const std::string &field);

// ---- questions to import -----------------------------------------------------

// One question read from a source, its texts in ISO 8859-1.
struct ImportRow {
  std::string where; // "file:line", for messages
  std::string question, correct, wrong[3];
  int level = -1;      // 0 to 2; -1 for a puzzle
  int category = -1;   // 0 to 5; -1 for a puzzle
  std::string picture; // the puzzle picture's path; empty for a question
};

// A refused row (or a fault of the whole source), or a note.
struct ImportMessage {
  std::string where;
  std::string text;
};

// Reads the questions of a CSV file (`file` names it in messages; pictures
// named relative to it are found beside it).
void ReadCsvQuestions(const std::string &file, const std::string &text, std::vector<ImportRow> &rows,
                      std::vector<ImportMessage> &refused);
// Reads an Open Trivia DB reply: multiple-choice questions only (others
// are skipped with a note), entities decoded, difficulty as the level and
// its categories mapped onto the game's six.
void ReadOpenTriviaQuestions(const std::string &file, const std::string &text, std::vector<ImportRow> &rows,
                             std::vector<ImportMessage> &refused, std::vector<ImportMessage> &notes);
// The game's category for an Open Trivia DB category name.
int OpenTriviaCategory(const std::string &name);
// Reads a source of either kind, by its content.
void ReadImportSource(const std::string &file, const std::string &text, std::vector<ImportRow> &rows,
                      std::vector<ImportMessage> &refused, std::vector<ImportMessage> &notes);

// ---- building a question file ------------------------------------------------

// A picture to put beside the new file: `data` is the file's bytes.
struct ImportPicture {
  std::string stem, extension, data;
};

struct ImportPlan {
  std::string text;                    // the new question file
  std::vector<ImportPicture> pictures; // new pictures for its "photos" folder
  std::vector<ImportMessage> refused;
  std::vector<ImportMessage> notes;
  int questions = 0, puzzles = 0, imported = 0;
};

// Builds the question file from the records kept (the game's own with
// --add: the first `keptQuestions` of `kept` are ordinary questions, the
// rest puzzles) and the rows read. Puzzle pictures already in one of
// `gameFolders` keep their name; others are converted to 400 by 300 and
// named after their content. The right answers of the new rows are spread
// evenly over the four boxes. True when the result passes every check
// (pictures looked up in `gameFolders` and among the new ones).
bool PlanImport(const std::vector<QuestionRecord> &kept, int keptQuestions, const std::vector<ImportRow> &rows,
                const std::vector<std::string> &gameFolders, ImportPlan &plan);

// The records of a question file as CSV (UTF-8 with a byte-order mark, CR LF
// line ends): the first `questions` of `records` with their level and
// category, the rest as puzzles with the path of their picture, found in
// `photoFolders`.
std::string ExportCsv(const std::vector<QuestionRecord> &records, int questions,
                      const std::vector<std::string> &photoFolders);

#endif
