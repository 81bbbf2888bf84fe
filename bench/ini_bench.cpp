// Loading a 2000-record question file: the indexed INI reader against the
// plain search that re-reads the text from its start for every look-up.
// Prints both times and their ratio. Target: indexed <= 20 ms, >= 20x faster.
#include <chrono>
#include <cstdio>
#include <string>

#include "KIniReader.h"
#include "globals.h"
#include "questions.h"

static std::string makeQuestionFile(int records) {
  std::string s = "[GENERAL]\r\nMaxQuestions=" + std::to_string(records - 66) + "\r\nMaxPuzzles=66\r\n\r\n";
  const char *levels[] = {"E-", "M-", "H-"};
  const char *cats[] = {"Lett", "Sci", "Sp", "Geo", "St", "Att"};
  for (int i = 1; i <= records; i++) {
    s += "[" + std::to_string(i) + "]\r\n";
    s += std::string("ID=") + levels[i % 3] + cats[i % 6] + std::to_string(i % 10) + "\r\n";
    s += "Text=Which of these answers belongs to generated question number " + std::to_string(i) + "?\r\n";
    for (int a = 1; a <= 4; a++)
      s += "Answer" + std::to_string(a) + "=Answer " + std::to_string(a) + " of " + std::to_string(i) + "\r\n";
    s += "Solution=" + std::to_string(1 + i % 4) + "\r\nPhoto=0\r\n\r\n";
  }
  return s;
}

// The question loader's look-ups, into the game's table; the sum of the
// Solution values tells that both readers found the same records.
static long loadAll(const std::string &text, bool indexed) {
  KIniReader ini;
  ini.setIndexed(indexed);
  ini.setIni(text.c_str(), (long)text.size());
  ReadQuestionsFromReader(ini, nullptr);
  long check = 0;
  for (int i = 0; i < MAX_QUESTIONS + MAX_PUZZLES; i++)
    check += Question[i].Solution;
  return check;
}

static double timeLoad(const std::string &text, bool indexed, int runs, long &check) {
  double best = 1e30;
  for (int r = 0; r < runs; r++) {
    auto t0 = std::chrono::steady_clock::now();
    check = loadAll(text, indexed);
    double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    if (ms < best)
      best = ms;
  }
  return best;
}

int main() {
  std::string text = makeQuestionFile(2000);
  long checkIndexed = 0, checkPlain = 0;
  double indexed = timeLoad(text, true, 5, checkIndexed);
  double plain = timeLoad(text, false, 2, checkPlain);
  printf("question file: 2000 records, %zu bytes\n", text.size());
  printf("indexed reader: %.2f ms\n", indexed);
  printf("plain search:   %.2f ms\n", plain);
  printf("speed-up:       %.1fx\n", plain / indexed);
  bool ok = checkIndexed == checkPlain && indexed <= 20.0 && plain / indexed >= 20.0;
  printf("%s (targets: indexed <= 20 ms, >= 20x)\n", ok ? "within targets" : "OUTSIDE TARGETS");
  return checkIndexed == checkPlain ? 0 : 1;
}
