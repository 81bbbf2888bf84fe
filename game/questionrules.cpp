// The rules of a playable question file (see questionrules.h).
#include "questionrules.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

#include "KIniReader.h"
#include "KMiscTools.h"
#include "PictureDecoder.h" // decodes puzzle pictures as the engine will
#include "fonttables.h"
#include "userfiles.h"

const int kQuestionsPerLevelInAGame[3] = {14, 15, 16};

namespace {

const char *const kLevelTokens[3] = {"E-", "M-", "H-"};
const char *const kLevelNames[3] = {"easy", "medium", "hard"};
const char *const kCategoryTokens[6] = {"Lett", "Sci", "Sp", "Geo", "St", "Att"};
const char *const kCategoryNames[6] = {"Letters", "Science", "Sport", "Geography", "History", "Various"};

// Names accepted on import, folded (lower case, no accents), by number.
const char *const kLevelAliases[][6] = {
    {"easy", "facile", "facil", nullptr},
    {"medium", "medio", "media", "normal", nullptr},
    {"hard", "difficile", "dificil", nullptr},
};
const char *const kCategoryAliases[][8] = {
    {"letters", "lettere", "letras", "literature", "letteratura", "literatura", "arts", nullptr},
    {"science", "scienze", "scienza", "ciencias", "ciencia", nullptr},
    {"sport", "sports", "deporte", "deportes", nullptr},
    {"geography", "geografia", nullptr},
    {"history", "storia", "historia", nullptr},
    {"various", "varie", "varios", "varias", "miscellaneous", "general", nullptr},
};

// A name in UTF-8, trimmed, lower case, with the accents of Latin letters
// dropped, for comparing with the names above.
std::string Fold(const std::string &utf8) {
  static const char *const kFrom = "\xe0\xe1\xe2\xe3\xe4\xe5\xe8\xe9\xea\xeb\xec\xed\xee\xef\xf2\xf3\xf4\xf5\xf6"
                                   "\xf9\xfa\xfb\xfc\xf1\xe7";
  static const char *const kTo = "aaaaaaeeeeiiiiooooouuuunc";
  std::string out;
  for (size_t i = 0; i < utf8.size(); i++) {
    unsigned char c = (unsigned char)utf8[i];
    if ((c == 0xc2 || c == 0xc3) && i + 1 < utf8.size()) { // a Latin-1 letter in two bytes
      unsigned code = ((c & 0x1fu) << 6) | ((unsigned char)utf8[i + 1] & 0x3fu);
      i++;
      if (code >= 0xc0 && code <= 0xde && code != 0xd7)
        code += 0x20; // capital to small
      const char *at = strchr(kFrom, (char)code);
      out += at ? kTo[at - kFrom] : '?';
    } else {
      out += (char)tolower(c);
    }
  }
  size_t a = out.find_first_not_of(" \t"), b = out.find_last_not_of(" \t");
  return a == std::string::npos ? std::string() : out.substr(a, b - a + 1);
}

// The number of the row of `table` (rows of `width` names, each ended by a
// null) that names `name`, or whose token in `tokens` it is; -1 for none.
int ByAlias(const std::string &name, const char *const *table, size_t width, size_t rows, const char *const *tokens) {
  std::string folded = Fold(name);
  for (size_t n = 0; n < rows; n++) {
    for (const char *const *a = table + n * width; *a; a++)
      if (folded == *a)
        return (int)n;
    if (tokens && Fold(tokens[n]) == folded)
      return (int)n;
  }
  return -1;
}

uint64_t Fnv(uint64_t h, const char *s) {
  for (; *s; s++) {
    h ^= (unsigned char)*s;
    h *= 1099511628211ull;
  }
  h ^= 0xff; // ends the field, so "ab"+"c" differs from "a"+"bc"
  return h * 1099511628211ull;
}

bool FileExists(const std::string &path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// A file's text split into lines as a person reads it, with the first
// section of each name and the first line of each key in it.
struct ParsedSection {
  int line = 0;
  std::map<std::string, std::pair<std::string, int>> keys; // key -> value, line
};

std::map<std::string, ParsedSection> ParseSections(const std::string &text) {
  std::map<std::string, ParsedSection> sections;
  ParsedSection *current = nullptr;
  int line = 0;
  for (size_t at = 0; at <= text.size();) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos)
      end = text.size();
    std::string s = text.substr(at, end - at);
    if (!s.empty() && s.back() == '\r')
      s.pop_back();
    line++;
    if (s.size() >= 2 && s[0] == '[' && s.back() == ']') {
      std::string name = s.substr(1, s.size() - 2);
      current = sections.count(name) ? nullptr : &sections[name];
      if (current)
        current->line = line;
    } else if (current) {
      size_t eq = s.find('=');
      if (eq != std::string::npos && !current->keys.count(s.substr(0, eq)))
        current->keys[s.substr(0, eq)] = {s.substr(eq + 1), line};
    }
    at = end + 1;
  }
  return sections;
}

std::string Trimmed(const std::string &s) {
  size_t a = s.find_first_not_of(' '), b = s.find_last_not_of(' ');
  return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

std::string LowerLatin1(const std::string &s) {
  std::string out = s;
  for (char &c : out)
    c = (char)tolower((unsigned char)c);
  return out;
}

// The faults of one text shown to the player.
void CheckShownText(const std::string &key, const std::string &value, long maxPx, long kerning, int line, int record,
                    std::vector<QuestionFault> &faults) {
  if (Trimmed(value).empty()) {
    faults.push_back({line, record, key + " is empty"});
    return;
  }
  std::string missing;
  for (unsigned char c : value)
    if (!FontDraws(c) && missing.find((char)c) == std::string::npos)
      missing += (char)c;
  if (!missing.empty()) {
    std::string shown;
    for (unsigned char c : missing) {
      char code[16];
      snprintf(code, sizeof(code), c >= 32 && c < 127 ? "'%c'" : "code %u", c);
      shown += (shown.empty() ? "" : ", ") + std::string(code);
    }
    faults.push_back({line, record, key + " has letters the game's font cannot draw: " + shown});
  }
  long width = SmallFontWidth(value, kerning);
  if (width > maxPx)
    faults.push_back({line, record,
                      key + " is too long for the screen: " + std::to_string(width) + " pixels wide, at most " +
                          std::to_string(maxPx)});
}

} // namespace

const char *LevelToken(int level) { return level >= 0 && level < 3 ? kLevelTokens[level] : ""; }

int QuestionLevel(const char *id) {
  for (int level = 0; level < 3; level++)
    if (strstr(id, kLevelTokens[level]))
      return level;
  return -1;
}

bool IsPuzzle(const char *id) { return strstr(id, "Puzzl") != nullptr; }

bool HasPhoto(const QuestionRecord &q) { return q.Photo[0] != 0 && strchr(q.Photo, '0') == nullptr; }

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
const char *LevelName(int level) { return level >= 0 && level < 3 ? kLevelNames[level] : ""; }
const char *CategoryToken(int category) { return category >= 0 && category < 6 ? kCategoryTokens[category] : ""; }
const char *CategoryName(int category) { return category >= 0 && category < 6 ? kCategoryNames[category] : ""; }

int LevelByName(const std::string &name) { return ByAlias(name, kLevelAliases[0], 6, 3, nullptr); }
int CategoryByName(const std::string &name) { return ByAlias(name, kCategoryAliases[0], 8, 6, kCategoryTokens); }

int CategoryOfId(const char *id) {
  int found = -1;
  for (int c = 0; c < 6; c++) {
    if (strstr(id, kCategoryTokens[c])) {
      if (found >= 0)
        return -1;
      found = c;
    }
  }
  return found;
}

bool FontDraws(unsigned char c) {
  if (c == 0)
    return false;
  for (const KFont *f = fontTable2; f->_c; f++)
    if ((unsigned char)f->_c == c)
      return true;
  return false;
}

long SmallFontWidth(const std::string &latin1, long kerning) {
  long width = 0;
  for (unsigned char c : latin1)
    for (const KFont *f = fontTable2; f->_c; f++)
      if ((unsigned char)f->_c == c) {
        width += f->_w + kerning;
        break;
      }
  return width;
}

uint64_t QuestionHash(const QuestionRecord &q) {
  const char *answers[4] = {q.Answer1, q.Answer2, q.Answer3, q.Answer4};
  uint64_t h = Fnv(14695981039346656037ull, q.Text);
  if (q.Solution >= 1 && q.Solution <= 4)
    h = Fnv(h, answers[q.Solution - 1]);
  // The other answers in a fixed order, whatever boxes they sit in.
  std::vector<std::string> others;
  for (int i = 0; i < 4; i++)
    if (i != q.Solution - 1)
      others.push_back(answers[i]);
  std::sort(others.begin(), others.end());
  for (const std::string &a : others)
    h = Fnv(h, a.c_str());
  return h;
}

std::string FindPhoto(const std::vector<std::string> &folders, const std::string &stem) {
  for (const std::string &folder : folders)
    for (const char *ext : {".jpg", ".png"})
      if (FileExists(folder + "/" + stem + ext))
        return folder + "/" + stem + ext;
  return std::string();
}

std::string ReadPuzzlePicture(const std::string &path, std::string &data, DecodedPicture &decoded, bool &jpeg) {
  decoded = DecodedPicture();
  if (!ReadWholeFile(path, data))
    return "cannot read the picture " + path;
  const unsigned char *bytes = (const unsigned char *)data.data();
  jpeg = data.size() > 3 && bytes[0] == 0xff && bytes[1] == 0xd8 && bytes[2] == 0xff;
  bool png = data.size() > 8 && memcmp(bytes, "\x89PNG\r\n\x1a\n", 8) == 0;
  if (!jpeg && !png)
    return "the picture " + path + " is neither JPEG nor PNG";
  PictureResult result = decodePicture(bytes, data.size(), 16384, decoded);
  if (result == kPictureOk)
    return std::string();
  free(decoded.rgba);
  decoded.rgba = nullptr;
  if (result == kPictureTooLarge || result == kPictureNoMemory)
    return "the picture " + path + " is too large for the game";
  return "the picture " + path + " cannot be decoded";
}

std::string PictureFault(const std::string &path) {
  std::string data;
  DecodedPicture picture;
  bool jpeg = false;
  std::string fault = ReadPuzzlePicture(path, data, picture, jpeg);
  if (!fault.empty())
    return fault;
  long w = picture.width, h = picture.height;
  free(picture.rgba);
  if (w != kPuzzlePictureWidth || h != kPuzzlePictureHeight)
    return "the picture " + path + " is " + std::to_string(w) + " by " + std::to_string(h) +
           " pixels; the puzzle area is 400 by 300";
  return std::string();
}

bool CheckQuestionText(const std::string &text, const std::vector<std::string> &photoFolders, QuestionFileCheck &out) {
  out = QuestionFileCheck();
  std::vector<QuestionFault> &faults = out.faults;
  if (text.find('\0') != std::string::npos)
    faults.push_back({0, 0, "the file holds a NUL byte, where the game stops reading"});
  std::map<std::string, ParsedSection> sections = ParseSections(text);
  KIniReader ini;
  ini.setIni(const_cast<char *>(text.c_str()), (long)text.size());

  auto count = [&](const char *key) {
    auto general = sections.find("GENERAL");
    if (general == sections.end() || !general->second.keys.count(key)) {
      faults.push_back(
          {general == sections.end() ? 0 : general->second.line, 0, std::string("[GENERAL] has no ") + key});
      return 0L;
    }
    const auto &value = general->second.keys[key];
    char *end = nullptr;
    long n = strtol(value.first.c_str(), &end, 10);
    if (value.first.empty() || *end || n < 0) {
      faults.push_back({value.second, 0, std::string(key) + " is not a count"});
      return 0L;
    }
    if (ini.getValue("GENERAL", key, -1) != n)
      faults.push_back({value.second, 0, std::string("the game would not read ") + key + " as " + value.first});
    return n;
  };
  long questions = count("MaxQuestions"), puzzles = count("MaxPuzzles");
  if (questions + puzzles > MAX_QUESTION_RECORDS) {
    faults.push_back({0, 0, "more than " + std::to_string(MAX_QUESTION_RECORDS) + " records"});
    return false;
  }
  out.questions = (int)questions;
  out.puzzles = (int)puzzles;

  static const struct {
    const char *key;
    size_t capacity;
  } kFields[] = {{"ID", sizeof(QuestionRecord::ID)},
                 {"Text", sizeof(QuestionRecord::Text)},
                 {"Answer1", sizeof(QuestionRecord::Answer1)},
                 {"Answer2", sizeof(QuestionRecord::Answer2)},
                 {"Answer3", sizeof(QuestionRecord::Answer3)},
                 {"Answer4", sizeof(QuestionRecord::Answer4)},
                 {"Solution", 16},
                 {"Photo", sizeof(QuestionRecord::Photo)}};
  std::map<std::string, int> seenTexts;
  for (int n = 1; n <= questions + puzzles; n++) {
    std::string name = std::to_string(n);
    auto found = sections.find(name);
    if (found == sections.end()) {
      faults.push_back({0, n, "section [" + name + "] is missing"});
      continue;
    }
    const ParsedSection &section = found->second;
    bool puzzle = n > questions;
    std::map<std::string, std::string> value;
    std::map<std::string, int> lineOf;
    bool complete = true;
    for (const auto &field : kFields) {
      auto key = section.keys.find(field.key);
      if (key == section.keys.end()) {
        faults.push_back({section.line, n, std::string("[") + name + "] has no " + field.key});
        complete = false;
        continue;
      }
      const std::string &v = key->second.first;
      int line = key->second.second;
      value[field.key] = v;
      lineOf[field.key] = line;
      if (v.size() > field.capacity - 1) {
        faults.push_back(
            {line, n, std::string(field.key) + " is longer than " + std::to_string(field.capacity - 1) + " bytes"});
        continue;
      }
      // The game finds a key by searching for "key=" after the section
      // header; a value that holds another key's pattern could be read in
      // its place.
      char read[256]; // cut as the game cuts it
      if (!ini.getString(name.c_str(), field.key, read, (long)std::min(field.capacity, sizeof(read))) || v != read)
        faults.push_back({line, n, std::string("the game would not read ") + field.key + " as written"});
    }
    if (!complete)
      continue;

    const std::string &id = value["ID"];
    int idLine = lineOf["ID"];
    for (char c : id)
      if (!isalnum((unsigned char)c) && c != '-') {
        faults.push_back({idLine, n, "ID holds a character other than letters, digits and '-'"});
        break;
      }
    QuestionRecord probe{};
    snprintf(probe.ID, sizeof(probe.ID), "%s", id.c_str());
    snprintf(probe.Photo, sizeof(probe.Photo), "%s", value["Photo"].c_str());
    if (puzzle) {
      if (!IsPuzzle(probe.ID))
        faults.push_back({idLine, n, "a puzzle's ID must hold Puzzl"});
      if (!HasPhoto(probe))
        faults.push_back({lineOf["Photo"], n, "a puzzle needs a photo"});
    } else {
      int levels = 0;
      for (int l = 0; l < 3; l++)
        levels += strstr(probe.ID, kLevelTokens[l]) != nullptr;
      int category = CategoryOfId(probe.ID);
      if (levels != 1)
        faults.push_back({idLine, n, "ID " + id + " needs one level: E-, M- or H-"});
      else
        out.perLevel[QuestionLevel(probe.ID)]++;
      if (category < 0)
        faults.push_back({idLine, n, "ID " + id + " needs one category: Lett, Sci, Sp, Geo, St or Att"});
      else if (!HasPhoto(probe) && CategoryWhileShown(probe, CategoryAtPick(probe, -1)) != category)
        faults.push_back({idLine, n, "the game would not give ID " + id + " its category"});
      if (IsPuzzle(probe.ID))
        faults.push_back({idLine, n, "an ordinary question's ID holds Puzzl"});
      std::string key = LowerLatin1(Trimmed(value["Text"]));
      if (seenTexts.count(key))
        faults.push_back({lineOf["Text"], n, "the same question as [" + std::to_string(seenTexts[key]) + "]"});
      else
        seenTexts[key] = n;
    }
    const std::string &solution = value["Solution"];
    if (solution.size() != 1 || solution[0] < '1' || solution[0] > '4')
      faults.push_back({lineOf["Solution"], n, "Solution must be 1, 2, 3 or 4"});

    CheckShownText("Text", value["Text"], kQuestionTextMaxPx, -1, lineOf["Text"], n, faults);
    std::vector<std::string> answers;
    for (int a = 1; a <= 4; a++) {
      std::string key = "Answer" + std::to_string(a);
      CheckShownText(key, value[key], kAnswerMaxPx, 0, lineOf[key], n, faults);
      std::string folded = LowerLatin1(Trimmed(value[key]));
      for (const std::string &other : answers)
        if (!folded.empty() && folded == other) {
          faults.push_back({lineOf[key], n, key + " repeats another answer"});
          break;
        }
      answers.push_back(folded);
    }
    if (HasPhoto(probe)) {
      const std::string &stem = value["Photo"];
      int line = lineOf["Photo"];
      if (stem != LowerLatin1(stem) || stem.find_first_of("/\\.") != std::string::npos)
        faults.push_back({line, n, "Photo must be a lower-case file name without extension"});
      else {
        std::string path = FindPhoto(photoFolders, stem);
        std::string fault = path.empty() ? "no picture " + stem + ".jpg or " + stem + ".png" : PictureFault(path);
        if (!fault.empty())
          faults.push_back({line, n, fault});
      }
    }
  }
  if (questions < 1)
    faults.push_back({0, 0, "the file has no ordinary question"});
  for (int l = 0; l < 3; l++)
    if (out.perLevel[l] < kQuestionsPerLevelInAGame[l])
      faults.push_back({0, 0,
                        std::to_string(out.perLevel[l]) + " " + kLevelNames[l] + " questions; a game needs at least " +
                            std::to_string(kQuestionsPerLevelInAGame[l])});
  return faults.empty();
}

std::vector<std::string> PhotoFoldersFor(const std::string &path) {
  size_t slash = path.rfind('/');
  std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
  return {folder + "/photos", std::string(KMiscTools::getCurrentPath()) + "/photos"};
}

bool CheckQuestionFile(const std::string &path, QuestionFileCheck &out) {
  std::string text;
  if (!ReadWholeFile(path, text)) {
    out = QuestionFileCheck();
    out.faults.push_back({0, 0, "cannot read the file"});
    return false;
  }
  return CheckQuestionText(text, PhotoFoldersFor(path), out);
}
