// trivello-questions: checks a question file, imports questions from CSV or
// Open Trivia DB replies into the player's own question file of a language,
// and exports the questions the game would play as CSV.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "KIniReader.h"
#include "KMiscTools.h"
#include "questionimport.h"
#include "questionrules.h"
#include "questions.h"
#include "userfiles.h"

namespace {

const char kUsage[] = "usage: trivello-questions check FILE\n"
                      "       trivello-questions import --language eng|ita|spa [--add|--replace] FILE...\n"
                      "       trivello-questions export --language eng|ita|spa FILE.csv\n";

int Usage() {
  fputs(kUsage, stderr);
  return 2;
}

// The language number of a --language value; -1 for none.
int LanguageByCode(const std::string &code) {
  if (code == "eng")
    return LANGUAGE_ENGLISH;
  if (code == "ita")
    return LANGUAGE_ITALIAN;
  if (code == "spa")
    return LANGUAGE_SPANISH;
  return -1;
}

void Print(FILE *to, const std::string &where, const std::string &text) {
  if (where.empty())
    fprintf(to, "%s\n", text.c_str());
  else
    fprintf(to, "%s: %s\n", where.c_str(), text.c_str());
}

// The records of a question file as the game reads them.
bool LoadRecords(const std::string &path, std::vector<QuestionRecord> &records, int &questions) {
  KIniReader ini;
  if (!ini.setIni(path.c_str()))
    return false;
  int16_t q = 0, p = 0;
  ReadQuestionRecords(ini, nullptr, q, p);
  records.assign((size_t)(q + p), QuestionRecord());
  ReadQuestionRecords(ini, records.data(), q, p);
  questions = q;
  return true;
}

int Check(const std::string &path) {
  QuestionFileCheck check;
  bool ok = CheckQuestionFile(path, check);
  for (const QuestionFault &f : check.faults)
    Print(stdout, f.line > 0 ? path + ":" + std::to_string(f.line) : path, f.message);
  if (ok)
    printf("%s: playable: %d questions (%d easy, %d medium, %d hard), %d puzzles\n", path.c_str(), check.questions,
           check.perLevel[0], check.perLevel[1], check.perLevel[2], check.puzzles);
  else
    printf("%s: not playable: %zu faults\n", path.c_str(), check.faults.size());
  return ok ? 0 : 1;
}

int Import(int language, bool add, const std::vector<std::string> &sources) {
  std::vector<ImportRow> rows;
  std::vector<ImportMessage> refused, notes;
  for (const std::string &source : sources) {
    std::string text;
    if (!ReadWholeFile(source, text)) {
      refused.push_back({source, "cannot read the file"});
      continue;
    }
    ReadImportSource(source, text, rows, refused, notes);
  }
  std::vector<QuestionRecord> kept;
  int keptQuestions = 0;
  if (add && !LoadRecords(BuiltInQuestionFile((int16_t)language), kept, keptQuestions)) {
    fprintf(stderr, "cannot read the game's own questions %s\n", BuiltInQuestionFile((int16_t)language).c_str());
    return 1;
  }
  std::string folder = UserQuestionFolder();
  std::string photos = folder + "/photos";
  ImportPlan plan;
  // Planned even when some rows were refused, so every fault shows at once.
  bool ok = PlanImport(kept, keptQuestions, rows, {photos, std::string(KMiscTools::getCurrentPath()) + "/photos"},
                       plan);
  ok = ok && refused.empty();
  for (const ImportMessage &m : notes)
    Print(stdout, m.where, m.text);
  for (const ImportMessage &m : plan.notes)
    Print(stdout, m.where, m.text);
  for (const ImportMessage &m : refused)
    Print(stderr, m.where, m.text);
  for (const ImportMessage &m : plan.refused)
    Print(stderr, m.where, m.text);
  if (!ok) {
    fprintf(stderr, "nothing was written: mend the rows above and import again%s\n",
            add ? "" : " (or add the game's own questions with --add)");
    return 1;
  }

  // The pictures first (named after their content, so none replaces a
  // picture another file uses), then the question file in one step.
  mkdir(folder.c_str(), 0755);
  mkdir(photos.c_str(), 0755);
  for (const ImportPicture &p : plan.pictures)
    if (!WriteFileAtomically(photos + "/" + p.stem + p.extension, p.data)) {
      fprintf(stderr, "cannot write %s/%s%s; nothing was changed\n", photos.c_str(), p.stem.c_str(),
              p.extension.c_str());
      return 1;
    }
  std::string target = UserQuestionFile((int16_t)language);
  if (!WriteFileAtomically(target, plan.text)) {
    fprintf(stderr, "cannot write %s; nothing was changed\n", target.c_str());
    return 1;
  }
  printf("%s: %d questions and %d puzzles (%d imported, %d pictures)\n", target.c_str(), plan.questions, plan.puzzles,
         plan.imported, (int)plan.pictures.size());
  return 0;
}

int Export(int language, const std::string &target) {
  std::string played = PlayedQuestionFile((int16_t)language);
  std::vector<QuestionRecord> records;
  int questions = 0;
  if (!LoadRecords(played, records, questions)) {
    fprintf(stderr, "cannot read %s\n", played.c_str());
    return 1;
  }
  if (!WriteFileAtomically(target, ExportCsv(records, questions, PhotoFoldersFor(played)))) {
    fprintf(stderr, "cannot write %s\n", target.c_str());
    return 1;
  }
  printf("%s: %d questions and %d puzzles from %s\n", target.c_str(), questions, (int)records.size() - questions,
         played.c_str());
  return 0;
}

} // namespace

int main(int argc, char **argv) {
  KMiscTools::initMiscTools();
  KMiscTools::setFileSource(true);
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty())
    return Usage();
  std::string command = args[0];
  if (command == "--help" || command == "-h") {
    fputs(kUsage, stdout);
    return 0;
  }
  if (command == "check")
    return args.size() == 2 ? Check(args[1]) : Usage();

  int language = -1;
  int mode = 0; // 1 --add, 2 --replace
  std::vector<std::string> files;
  for (size_t i = 1; i < args.size(); i++) {
    if (args[i] == "--language" && i + 1 < args.size())
      language = LanguageByCode(args[++i]);
    else if (args[i].compare(0, 11, "--language=") == 0)
      language = LanguageByCode(args[i].substr(11));
    else if (args[i] == "--add" || args[i] == "--replace") {
      int wanted = args[i] == "--add" ? 1 : 2;
      if (mode && mode != wanted)
        return Usage();
      mode = wanted;
    } else if (args[i].compare(0, 2, "--") == 0)
      return Usage();
    else
      files.push_back(args[i]);
  }
  if (language < 0 || files.empty())
    return Usage();
  if (command == "import")
    return Import(language, mode != 2, files);
  if (command == "export" && files.size() == 1 && !mode)
    return Export(language, files[0]);
  return Usage();
}
