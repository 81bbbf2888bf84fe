// The question loader over any question file.
#include "FuzzSupport.h"
#include "KIniReader.h"
#include "entry.h"
#include "globals.h"
#include "play.h" // GameInit
#include "questions.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  fuzz::quietEngine();
  KIniReader ini;
  if (!ini.setIni(reinterpret_cast<const char *>(data), (long)size))
    return 0;
  ReadQuestionsFromReader(ini, nullptr);
  if (MAX_QUESTIONS < 0 || MAX_PUZZLES < 0 || MAX_QUESTIONS + MAX_PUZZLES > MAX_QUESTION_RECORDS)
    abort();
  for (int i = 0; i < MAX_QUESTIONS + MAX_PUZZLES; i++)
    if (Question[i].Solution < 0 || Question[i].Solution > 4)
      abort();
  GameInit();
  for (int level = 0; level < 3 && MAX_QUESTIONS > 0; level++)
    PickQuestion(level);
  PickPuzzle();
  return 0;
}
