// Fuzzes the reading of questions to import with arbitrary files, as CSV and
// as Open Trivia DB replies: no read outside the text, no runaway recursion
// in nested JSON, and every row that comes out holds only ISO 8859-1 text on
// one line, with a level and category in range or none (a puzzle).
#include <cstdint>
#include <string>
#include <vector>

#include "questionimport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  std::string text(reinterpret_cast<const char *>(data), size);
  std::vector<ImportRow> rows;
  std::vector<ImportMessage> refused, notes;
  ReadCsvQuestions("fuzz.csv", text, rows, refused);
  ReadOpenTriviaQuestions("fuzz.json", text, rows, refused, notes);
  for (const ImportRow &row : rows) {
    for (const std::string *s : {&row.question, &row.correct, &row.wrong[0], &row.wrong[1], &row.wrong[2]})
      if (s->find_first_of("\r\n") != std::string::npos)
        __builtin_trap();
    if (row.picture.empty() && (row.level < 0 || row.level > 2 || row.category < 0 || row.category > 5))
      __builtin_trap();
  }
  std::string latin1, why;
  Utf8ToLatin1(DecodeHtmlEntities(text), latin1, why);
  return 0;
}
