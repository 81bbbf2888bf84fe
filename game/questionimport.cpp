// Question import and export (see questionimport.h).
#include "questionimport.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>

#include "PictureDecoder.h" // reads and writes the puzzle pictures
#include "questionrules.h"
#include "questions.h"
#include "userfiles.h"

namespace {

// ---- UTF-8 -------------------------------------------------------------------

// The next code point of `s` at `i` (advanced past it); -1 for a byte that
// does not start a well-formed UTF-8 sequence.
long NextCodePoint(const std::string &s, size_t &i) {
  unsigned char c = (unsigned char)s[i++];
  if (c < 0x80)
    return c;
  int more = c >= 0xf0 && c <= 0xf4 ? 3 : c >= 0xe0 ? 2 : c >= 0xc2 && c < 0xe0 ? 1 : -1;
  if (more < 0)
    return -1;
  long code = c & (0x3f >> more);
  for (int k = 0; k < more; k++) {
    if (i >= s.size() || ((unsigned char)s[i] & 0xc0) != 0x80)
      return -1;
    code = (code << 6) | ((unsigned char)s[i++] & 0x3f);
  }
  static const long kLeast[4] = {0, 0x80, 0x800, 0x10000};
  if (code < kLeast[more] || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff))
    return -1; // overlong forms and surrogates are not UTF-8
  return code;
}

void AppendUtf8(std::string &out, long code) {
  if (code < 0x80) {
    out += (char)code;
  } else if (code < 0x800) {
    out += (char)(0xc0 | (code >> 6));
    out += (char)(0x80 | (code & 0x3f));
  } else if (code < 0x10000) {
    out += (char)(0xe0 | (code >> 12));
    out += (char)(0x80 | ((code >> 6) & 0x3f));
    out += (char)(0x80 | (code & 0x3f));
  } else {
    out += (char)(0xf0 | (code >> 18));
    out += (char)(0x80 | ((code >> 12) & 0x3f));
    out += (char)(0x80 | ((code >> 6) & 0x3f));
    out += (char)(0x80 | (code & 0x3f));
  }
}

// Line breaks and tabs inside a field become blanks, runs of blanks one,
// and the ends are trimmed: the game shows every text on one line.
std::string OneLine(const std::string &s) {
  std::string out;
  for (char c : s) {
    if (c == '\r' || c == '\n' || c == '\t')
      c = ' ';
    if (c == ' ' && (out.empty() || out.back() == ' '))
      continue;
    out += c;
  }
  while (!out.empty() && out.back() == ' ')
    out.pop_back();
  return out;
}

std::string Lower(std::string s) {
  for (char &c : s)
    c = (char)tolower((unsigned char)c);
  return s;
}

// ---- HTML character references -----------------------------------------------

// The names of ISO 8859-1 codes 160 to 255, in order.
const char *const kLatin1Entities[96] = {
    "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",   "uml",    "copy",   "ordf",
    "laquo",  "not",    "shy",    "reg",    "macr",   "deg",    "plusmn", "sup2",   "sup3",   "acute",  "micro",
    "para",   "middot", "cedil",  "sup1",   "ordm",   "raquo",  "frac14", "frac12", "frac34", "iquest", "Agrave",
    "Aacute", "Acirc",  "Atilde", "Auml",   "Aring",  "AElig",  "Ccedil", "Egrave", "Eacute", "Ecirc",  "Euml",
    "Igrave", "Iacute", "Icirc",  "Iuml",   "ETH",    "Ntilde", "Ograve", "Oacute", "Ocirc",  "Otilde", "Ouml",
    "times",  "Oslash", "Ugrave", "Uacute", "Ucirc",  "Uuml",   "Yacute", "THORN",  "szlig",  "agrave", "aacute",
    "acirc",  "atilde", "auml",   "aring",  "aelig",  "ccedil", "egrave", "eacute", "ecirc",  "euml",   "igrave",
    "iacute", "icirc",  "iuml",   "eth",    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   "divide",
    "oslash", "ugrave", "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml"};

const struct {
  const char *name;
  long code;
} kOtherEntities[] = {{"quot", 34},    {"amp", 38},     {"apos", 39},    {"lt", 60},      {"gt", 62},
                      {"OElig", 338},  {"oelig", 339},  {"Scaron", 352}, {"scaron", 353}, {"Yuml", 376},
                      {"ndash", 8211}, {"mdash", 8212}, {"lsquo", 8216}, {"rsquo", 8217}, {"sbquo", 8218},
                      {"ldquo", 8220}, {"rdquo", 8221}, {"bdquo", 8222}, {"bull", 8226},  {"hellip", 8230},
                      {"prime", 8242}, {"Prime", 8243}, {"euro", 8364},  {"trade", 8482}, {"minus", 8722},
                      {"pi", 960}};

long EntityCode(const std::string &name) {
  if (name.size() > 1 && name[0] == '#') {
    bool hex = name[1] == 'x' || name[1] == 'X';
    std::string digits = name.substr(hex ? 2 : 1);
    if (digits.empty() || digits.size() > 7)
      return -1;
    for (char c : digits)
      if (!(hex ? isxdigit((unsigned char)c) : isdigit((unsigned char)c)))
        return -1;
    long code = strtol(digits.c_str(), nullptr, hex ? 16 : 10);
    return code > 0 && code <= 0x10ffff && !(code >= 0xd800 && code <= 0xdfff) ? code : -1;
  }
  for (int i = 0; i < 96; i++)
    if (name == kLatin1Entities[i])
      return 160 + i;
  for (const auto &e : kOtherEntities)
    if (name == e.name)
      return e.code;
  return -1;
}

// ---- a small JSON reader --------------------------------------------------------
// Enough JSON for an Open Trivia DB reply: every value remembers the line it
// starts on, so a refused question can be named by its line.

struct JsonValue {
  enum Kind { kNull, kBool, kNumber, kString, kArray, kObject } kind = kNull;
  int line = 0;
  std::string text; // a string's UTF-8 text, a number's or true/false's spelling
  std::vector<JsonValue> items;
  std::vector<std::pair<std::string, JsonValue>> members;

  const JsonValue *get(const std::string &key) const {
    for (const auto &m : members)
      if (m.first == key)
        return &m.second;
    return nullptr;
  }
};

class JsonReader {
public:
  explicit JsonReader(const std::string &text) : s_(text) {}

  bool read(JsonValue &out, std::string &error, int &errorLine) {
    skipBlanks();
    if (!value(out, 0)) {
      error = error_;
      errorLine = line_;
      return false;
    }
    skipBlanks();
    if (at_ != s_.size()) {
      error = "text after the end of the JSON value";
      errorLine = line_;
      return false;
    }
    return true;
  }

private:
  bool fail(const char *why) {
    if (error_.empty())
      error_ = why;
    return false;
  }
  void skipBlanks() {
    while (at_ < s_.size() && strchr(" \t\r\n", s_[at_])) {
      if (s_[at_] == '\n')
        line_++;
      at_++;
    }
  }
  bool value(JsonValue &out, int depth) {
    if (depth > 64)
      return fail("values nested too deep");
    if (at_ >= s_.size())
      return fail("the JSON text ends early");
    out.line = line_;
    char c = s_[at_];
    if (c == '{')
      return object(out, depth);
    if (c == '[')
      return array(out, depth);
    if (c == '"') {
      out.kind = JsonValue::kString;
      return string(out.text);
    }
    size_t start = at_;
    while (at_ < s_.size() && (isalnum((unsigned char)s_[at_]) || strchr("+-.", s_[at_])))
      at_++;
    out.text = s_.substr(start, at_ - start);
    if (out.text == "true" || out.text == "false")
      out.kind = JsonValue::kBool;
    else if (out.text == "null")
      out.kind = JsonValue::kNull;
    else if (!out.text.empty() && (isdigit((unsigned char)out.text[0]) || out.text[0] == '-'))
      out.kind = JsonValue::kNumber;
    else
      return fail("not a JSON value");
    return true;
  }
  // Steps over `c` when it comes next.
  bool take(char c) {
    if (at_ >= s_.size() || s_[at_] != c)
      return false;
    at_++;
    return true;
  }
  bool object(JsonValue &out, int depth) {
    out.kind = JsonValue::kObject;
    at_++;
    skipBlanks();
    if (take('}'))
      return true;
    for (;;) {
      skipBlanks();
      std::string key;
      if (at_ >= s_.size() || s_[at_] != '"' || !string(key))
        return fail("an object member needs a quoted name");
      skipBlanks();
      if (!take(':'))
        return fail("':' missing after a member name");
      skipBlanks();
      out.members.emplace_back(key, JsonValue());
      if (!value(out.members.back().second, depth + 1))
        return false;
      skipBlanks();
      if (take(','))
        continue;
      if (take('}'))
        return true;
      return fail("',' or '}' missing in an object");
    }
  }
  bool array(JsonValue &out, int depth) {
    out.kind = JsonValue::kArray;
    at_++;
    skipBlanks();
    if (take(']'))
      return true;
    for (;;) {
      skipBlanks();
      out.items.emplace_back();
      if (!value(out.items.back(), depth + 1))
        return false;
      skipBlanks();
      if (take(','))
        continue;
      if (take(']'))
        return true;
      return fail("',' or ']' missing in an array");
    }
  }
  bool hex4(long &code) {
    if (at_ + 4 > s_.size())
      return false;
    code = 0;
    for (int k = 0; k < 4; k++) {
      char c = s_[at_++];
      if (!isxdigit((unsigned char)c))
        return false;
      code = code * 16 + (isdigit((unsigned char)c) ? c - '0' : (tolower(c) - 'a' + 10));
    }
    return true;
  }
  bool string(std::string &out) {
    at_++; // the opening quote
    for (;;) {
      if (at_ >= s_.size())
        return fail("a string is not closed");
      char c = s_[at_++];
      if (c == '"')
        return true;
      if ((unsigned char)c < 0x20)
        return fail("a control character inside a string");
      if (c != '\\') {
        out += c;
        continue;
      }
      if (at_ >= s_.size())
        return fail("a string is not closed");
      char e = s_[at_++];
      const char *plain = strchr("\"\\/bfnrt", e);
      if (plain && e != 'u') {
        static const char kMeaning[] = "\"\\/\b\f\n\r\t";
        out += kMeaning[plain - "\"\\/bfnrt"];
        continue;
      }
      long code = 0;
      if (e != 'u' || !hex4(code))
        return fail("a bad escape in a string");
      if (code >= 0xd800 && code <= 0xdbff) { // a pair of surrogates
        long low = 0;
        if (at_ + 1 < s_.size() && s_[at_] == '\\' && s_[at_ + 1] == 'u') {
          at_ += 2;
          if (!hex4(low) || low < 0xdc00 || low > 0xdfff)
            return fail("a bad surrogate pair in a string");
          code = 0x10000 + ((code - 0xd800) << 10) + (low - 0xdc00);
        } else {
          return fail("a lone surrogate in a string");
        }
      } else if (code >= 0xdc00 && code <= 0xdfff) {
        return fail("a lone surrogate in a string");
      }
      AppendUtf8(out, code);
    }
  }

  const std::string &s_;
  size_t at_ = 0;
  int line_ = 1;
  std::string error_;
};

// ---- pictures ----------------------------------------------------------------

std::string FolderOf(const std::string &path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

std::string StemOf(const std::string &path) {
  size_t slash = path.rfind('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  size_t dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

// The real path of a folder or file, for comparing folders; the path itself
// when it cannot be resolved.
std::string RealPath(const std::string &path) {
  char *real = realpath(path.c_str(), nullptr);
  std::string out = real ? real : path;
  free(real);
  return out;
}

// A stem the game accepts: lower case, no '0' (which means "no photo"), no
// dots or slashes, at most 31 bytes.
bool GoodStem(const std::string &stem) {
  if (stem.empty() || stem.size() > 31)
    return false;
  for (char c : stem)
    if (!(islower((unsigned char)c) || (c >= '1' && c <= '9') || c == '_' || c == '-'))
      return false;
  return true;
}

// A new picture's stem: its name cut to what the game accepts, and six
// letters from its content, so a different picture never takes the name of
// one a question file already uses.
std::string NewStem(const std::string &source, const std::string &content) {
  std::string base;
  for (char c : Lower(StemOf(source))) {
    if (base.size() >= 20)
      break;
    if (islower((unsigned char)c) || (c >= '1' && c <= '9'))
      base += c;
    else if (!base.empty() && base.back() != '_')
      base += '_';
  }
  while (!base.empty() && base.back() == '_')
    base.pop_back();
  uint64_t h = 14695981039346656037ull;
  for (unsigned char c : content) {
    h ^= c;
    h *= 1099511628211ull;
  }
  std::string tag;
  for (int k = 0; k < 6; k++, h /= 26)
    tag += (char)('a' + h % 26);
  return (base.empty() ? std::string("picture") : base) + "_" + tag;
}

// Scales RGBA pixels to cover 400 by 300 and cuts the middle, with
// bilinear filtering; the result is RGB.
std::vector<unsigned char> CoverPuzzleArea(const DecodedPicture &in) {
  const long W = kPuzzlePictureWidth, H = kPuzzlePictureHeight;
  double scale = std::max((double)W / in.width, (double)H / in.height);
  double offX = (in.width * scale - W) / 2, offY = (in.height * scale - H) / 2;
  std::vector<unsigned char> out((size_t)(W * H * 3));
  for (long y = 0; y < H; y++)
    for (long x = 0; x < W; x++) {
      double sx = std::min(std::max((x + offX + 0.5) / scale - 0.5, 0.0), (double)in.width - 1);
      double sy = std::min(std::max((y + offY + 0.5) / scale - 0.5, 0.0), (double)in.height - 1);
      long x0 = (long)sx, y0 = (long)sy;
      long x1 = std::min(x0 + 1, in.width - 1), y1 = std::min(y0 + 1, in.height - 1);
      double fx = sx - x0, fy = sy - y0;
      for (int c = 0; c < 3; c++) {
        auto px = [&](long px, long py) { return (double)in.rgba[(py * in.width + px) * 4 + c]; };
        double v = (px(x0, y0) * (1 - fx) + px(x1, y0) * fx) * (1 - fy) +
                   (px(x0, y1) * (1 - fx) + px(x1, y1) * fx) * fy;
        out[(size_t)((y * W + x) * 3 + c)] = (unsigned char)(v + 0.5);
      }
    }
  return out;
}

// Reads a picture for a puzzle into `picture`: copied as it is when it is
// already a 400 by 300 JPEG or PNG, else converted. Empty on success, else
// why it cannot be used.
std::string PreparePicture(const std::string &path, ImportPicture &picture) {
  std::string data;
  DecodedPicture decoded;
  bool jpeg = false;
  std::string fault = ReadPuzzlePicture(path, data, decoded, jpeg);
  if (!fault.empty())
    return fault;
  picture.stem = NewStem(path, data);
  if (decoded.width == kPuzzlePictureWidth && decoded.height == kPuzzlePictureHeight) {
    picture.extension = jpeg ? ".jpg" : ".png";
    picture.data = data;
    free(decoded.rgba);
    return std::string();
  }
  std::vector<unsigned char> rgb = CoverPuzzleArea(decoded);
  free(decoded.rgba);
  // The encoder writes a file; a private temporary one is read back.
  char temp[] = "/tmp/trivello-picture-XXXXXX";
  int fd = mkstemp(temp);
  if (fd < 0)
    return "cannot convert the picture " + path;
  close(fd);
  bool ok = writeJpegFile(temp, rgb.data(), kPuzzlePictureWidth, kPuzzlePictureHeight, 90) &&
            ReadWholeFile(temp, picture.data);
  unlink(temp);
  if (!ok)
    return "cannot convert the picture " + path;
  picture.extension = ".jpg";
  return std::string();
}

// ---- building ------------------------------------------------------------------

std::string Field(const std::string &key, const std::string &value) { return key + "=" + value + "\n"; }

void AppendRecord(std::string &text, int n, const QuestionRecord &q) {
  text += "\n[" + std::to_string(n) + "]\n";
  text += Field("ID", q.ID) + Field("Text", q.Text) + Field("Answer1", q.Answer1) + Field("Answer2", q.Answer2) +
          Field("Answer3", q.Answer3) + Field("Answer4", q.Answer4) + Field("Solution", std::to_string(q.Solution)) +
          Field("Photo", q.Photo[0] ? q.Photo : "0");
}

// Copies `s` into a fixed field; false when it does not fit (the check
// then names the field: the full text goes into an oversized spare).
bool Fits(const std::string &s, size_t capacity) { return s.size() <= capacity - 1; }

// A record's text fields in full, before they are cut to the record.
struct Texts {
  std::string id, text, answers[4], photo;
  int solution;
};

void AppendTexts(std::string &text, int n, const Texts &t) {
  text += "\n[" + std::to_string(n) + "]\n";
  text += Field("ID", t.id) + Field("Text", t.text);
  for (int a = 0; a < 4; a++)
    text += Field("Answer" + std::to_string(a + 1), t.answers[a]);
  text += Field("Solution", std::to_string(t.solution)) + Field("Photo", t.photo);
}

// The positions 1 to 4 for `count` right answers: each as often as the
// others (to one), in an order drawn from `seed`, the same on every run.
std::vector<int> SpreadPositions(size_t count, uint32_t seed) {
  std::vector<int> positions(count);
  for (size_t i = 0; i < count; i++)
    positions[i] = (int)(i % 4) + 1;
  std::mt19937 random(seed);
  for (size_t i = count; i > 1; i--) { // Fisher-Yates with the generator's raw output
    size_t j = random() % i;
    std::swap(positions[i - 1], positions[j]);
  }
  return positions;
}

std::string TrimmedLower(const std::string &s) { return Lower(OneLine(s)); }

} // namespace

// ---- text ------------------------------------------------------------------------

bool Utf8ToLatin1(const std::string &utf8, std::string &latin1, std::string &why) {
  latin1.clear();
  for (size_t i = 0; i < utf8.size();) {
    size_t start = i;
    long code = NextCodePoint(utf8, i);
    if (code < 0) {
      why = "not UTF-8 text (save the file as CSV UTF-8)";
      return false;
    }
    switch (code) {
    case 0x2018:
    case 0x2019:
    case 0x201a:
    case 0x2032:
      latin1 += '\'';
      continue;
    case 0x201c:
    case 0x201d:
    case 0x201e:
    case 0x2033:
      latin1 += '"';
      continue;
    case 0x2013:
    case 0x2014:
    case 0x2212:
      latin1 += '-';
      continue;
    case 0x2026:
      latin1 += "...";
      continue;
    case 0xa0:
      latin1 += ' ';
      continue;
    case 0xad: // a soft hyphen shows nothing
      continue;
    default:
      break;
    }
    if (code > 0xff) {
      why = "a letter the fonts cannot draw: '" + utf8.substr(start, i - start) + "'";
      return false;
    }
    latin1 += (char)code;
  }
  return true;
}

std::string Latin1ToUtf8(const std::string &latin1) {
  std::string out;
  for (unsigned char c : latin1)
    AppendUtf8(out, c);
  return out;
}

std::string DecodeHtmlEntities(const std::string &utf8) {
  std::string out;
  for (size_t i = 0; i < utf8.size(); i++) {
    if (utf8[i] == '&') {
      // Names are short: the search stops after ten characters, so a text
      // full of '&' takes no longer than any other.
      size_t end = utf8.substr(i + 1, 10).find(';');
      if (end != std::string::npos) {
        end += i + 1;
        long code = EntityCode(utf8.substr(i + 1, end - i - 1));
        if (code > 0) {
          AppendUtf8(out, code);
          i = end;
          continue;
        }
      }
    }
    out += utf8[i];
  }
  return out;
}

// ---- CSV -------------------------------------------------------------------------

bool ParseCsv(const std::string &text, std::vector<CsvRecord> &records, std::string &error, int &errorLine) {
  records.clear();
  size_t at = text.compare(0, 3, "\xef\xbb\xbf") == 0 ? 3 : 0;
  // The delimiter: what the header line uses outside quotes, comma first.
  char delimiter = ',';
  {
    bool quoted = false;
    int counts[3] = {0, 0, 0};
    for (size_t i = at; i < text.size() && (quoted || (text[i] != '\n' && text[i] != '\r')); i++) {
      if (text[i] == '"')
        quoted = !quoted;
      else if (!quoted)
        counts[0] += text[i] == ',', counts[1] += text[i] == ';', counts[2] += text[i] == '\t';
    }
    if (!counts[0] && counts[1])
      delimiter = ';';
    else if (!counts[0] && !counts[1] && counts[2])
      delimiter = '\t';
  }
  int line = 1;
  while (at < text.size()) {
    CsvRecord record;
    record.line = line;
    std::string field;
    bool ended = false;
    while (!ended) {
      if (at < text.size() && text[at] == '"') { // a quoted field
        int opened = line;
        at++;
        for (;;) {
          if (at >= text.size()) {
            error = "a quoted field is not closed";
            errorLine = opened;
            return false;
          }
          char c = text[at++];
          if (c == '"') {
            if (at < text.size() && text[at] == '"') {
              field += '"';
              at++;
              continue;
            }
            break;
          }
          if (c == '\n')
            line++;
          field += c;
        }
        // Anything after the closing quote up to the delimiter is kept, as
        // spreadsheets do with such text.
        while (at < text.size() && text[at] != delimiter && text[at] != '\n' && text[at] != '\r')
          field += text[at++];
      } else {
        while (at < text.size() && text[at] != delimiter && text[at] != '\n' && text[at] != '\r')
          field += text[at++];
      }
      record.fields.push_back(field);
      field.clear();
      if (at < text.size() && text[at] == delimiter) {
        at++;
        continue;
      }
      // The end of the record: CR LF, LF, a lone CR or the end of the text.
      if (at < text.size() && text[at] == '\r')
        at++;
      if (at < text.size() && text[at] == '\n')
        at++;
      line++;
      ended = true;
    }
    records.push_back(record);
  }
  return true;
}

std::string CsvField(const std::string &field) {
  bool quote = field.find_first_of(",;\"\r\n\t") != std::string::npos ||
               (!field.empty() && (field.front() == ' ' || field.back() == ' '));
  if (!quote)
    return field;
  std::string out = "\"";
  for (char c : field) {
    if (c == '"')
      out += '"';
    out += c;
  }
  return out + "\"";
}

// ---- reading sources ---------------------------------------------------------------

void ReadCsvQuestions(const std::string &file, const std::string &text, std::vector<ImportRow> &rows,
                      std::vector<ImportMessage> &refused) {
  std::vector<CsvRecord> records;
  std::string error;
  int errorLine = 0;
  if (!ParseCsv(text, records, error, errorLine)) {
    refused.push_back({file + ":" + std::to_string(errorLine), error});
    return;
  }
  if (records.empty()) {
    refused.push_back({file, "the file is empty"});
    return;
  }
  static const char *const kColumns[] = {"question", "correct", "wrong1",   "wrong2",
                                         "wrong3",   "level",   "category", "picture"};
  int column[8];
  std::string missing;
  for (int c = 0; c < 8; c++) {
    column[c] = -1;
    for (size_t f = 0; f < records[0].fields.size(); f++)
      if (TrimmedLower(records[0].fields[f]) == kColumns[c])
        column[c] = (int)f;
    if (column[c] < 0 && c < 7)
      missing += std::string(missing.empty() ? "" : ", ") + kColumns[c];
  }
  if (!missing.empty()) {
    refused.push_back({file + ":1", "the header row lacks the column " + missing +
                                        " (question, correct, wrong1, wrong2, wrong3, level, category, picture)"});
    return;
  }
  for (size_t r = 1; r < records.size(); r++) {
    const CsvRecord &record = records[r];
    std::string where = file + ":" + std::to_string(record.line);
    bool blank = true;
    for (const std::string &f : record.fields)
      blank = blank && OneLine(f).empty();
    if (blank)
      continue; // spreadsheets leave empty rows at the end
    std::string values[8], why;
    bool ok = true;
    for (int c = 0; c < 8 && ok; c++) {
      if (column[c] < 0)
        continue;
      if ((size_t)column[c] >= record.fields.size() && c == 7) {
        continue; // an empty picture cell at the end of a row may be left out
      } else if ((size_t)column[c] >= record.fields.size()) {
        refused.push_back({where, std::string("the column ") + kColumns[c] + " is missing"});
        ok = false;
      } else if (c == 7) {
        values[c] = OneLine(record.fields[column[c]]); // a path stays UTF-8
      } else if (!Utf8ToLatin1(OneLine(record.fields[column[c]]), values[c], why)) {
        refused.push_back({where, std::string(kColumns[c]) + ": " + why});
        ok = false;
      }
    }
    if (!ok)
      continue;
    ImportRow row;
    row.where = where;
    row.question = values[0];
    row.correct = values[1];
    for (int w = 0; w < 3; w++)
      row.wrong[w] = values[2 + w];
    if (!values[7].empty()) {
      row.picture = values[7][0] == '/' ? values[7] : FolderOf(file) + "/" + values[7];
    } else {
      row.level = LevelByName(Latin1ToUtf8(values[5]));
      row.category = CategoryByName(Latin1ToUtf8(values[6]));
      if (row.level < 0) {
        refused.push_back({where, "unknown level '" + Latin1ToUtf8(values[5]) + "' (easy, medium or hard)"});
        continue;
      }
      if (row.category < 0) {
        refused.push_back({where, "unknown category '" + Latin1ToUtf8(values[6]) +
                                      "' (Letters, Science, Sport, Geography, History or Various)"});
        continue;
      }
    }
    rows.push_back(row);
  }
}

int OpenTriviaCategory(const std::string &name) {
  static const struct {
    const char *prefix;
    int category;
  } kMap[] = {{"Entertainment: Books", 0},
              {"Entertainment: Music", 0},
              {"Entertainment: Musicals", 0},
              {"Art", 0},
              {"Mythology", 0},
              {"Science", 1},
              {"Animals", 1},
              {"Vehicles", 1},
              {"Sports", 2},
              {"Geography", 3},
              {"History", 4},
              {"Politics", 4},
              {"Celebrities", 5},
              {"General Knowledge", 5},
              {"Entertainment", 5}};
  for (const auto &m : kMap)
    if (name.compare(0, strlen(m.prefix), m.prefix) == 0)
      return m.category;
  return 5; // anything new goes to Various
}

void ReadOpenTriviaQuestions(const std::string &file, const std::string &text, std::vector<ImportRow> &rows,
                             std::vector<ImportMessage> &refused, std::vector<ImportMessage> &notes) {
  JsonValue root;
  std::string error;
  int errorLine = 0;
  if (!JsonReader(text).read(root, error, errorLine)) {
    refused.push_back({file + ":" + std::to_string(errorLine), "not a JSON reply: " + error});
    return;
  }
  const JsonValue *results = &root;
  if (root.kind == JsonValue::kObject) {
    const JsonValue *code = root.get("response_code");
    if (code && code->text != "0") {
      refused.push_back({file + ":" + std::to_string(code->line),
                         "the reply reports response_code " + code->text + ", not a list of questions"});
      return;
    }
    results = root.get("results");
  }
  if (!results || results->kind != JsonValue::kArray) {
    refused.push_back({file + ":1", "the reply has no \"results\" list"});
    return;
  }
  for (const JsonValue &item : results->items) {
    std::string where = file + ":" + std::to_string(item.line);
    auto text = [&](const char *key) -> std::string {
      const JsonValue *v = item.get(key);
      return v && v->kind == JsonValue::kString ? DecodeHtmlEntities(v->text) : std::string();
    };
    const JsonValue *wrong = item.get("incorrect_answers");
    if (item.kind != JsonValue::kObject) {
      refused.push_back({where, "a result that is not an object"});
      continue;
    }
    if (text("type") != "multiple") {
      notes.push_back({where, "skipped: not a multiple-choice question"});
      continue;
    }
    if (!wrong || wrong->kind != JsonValue::kArray || wrong->items.size() != 3) {
      refused.push_back({where, "incorrect_answers must hold three answers"});
      continue;
    }
    std::string fields[5] = {text("question"), text("correct_answer")}, why;
    for (int w = 0; w < 3; w++)
      fields[2 + w] = wrong->items[w].kind == JsonValue::kString ? DecodeHtmlEntities(wrong->items[w].text) : "";
    ImportRow row;
    row.where = where;
    std::string *targets[5] = {&row.question, &row.correct, &row.wrong[0], &row.wrong[1], &row.wrong[2]};
    bool ok = true;
    for (int f = 0; f < 5 && ok; f++)
      if (!Utf8ToLatin1(OneLine(fields[f]), *targets[f], why)) {
        refused.push_back({where, why});
        ok = false;
      }
    if (!ok)
      continue;
    row.level = LevelByName(text("difficulty"));
    if (row.level < 0) {
      refused.push_back({where, "unknown difficulty '" + text("difficulty") + "'"});
      continue;
    }
    row.category = OpenTriviaCategory(text("category"));
    rows.push_back(row);
  }
}

void ReadImportSource(const std::string &file, const std::string &text, std::vector<ImportRow> &rows,
                      std::vector<ImportMessage> &refused, std::vector<ImportMessage> &notes) {
  size_t first = text.find_first_not_of(" \t\r\n");
  size_t bom = text.compare(0, 3, "\xef\xbb\xbf") == 0 ? 3 : 0;
  if (first != std::string::npos && (text[first] == '{' || text[first] == '[') && first >= bom)
    ReadOpenTriviaQuestions(file, text.substr(bom), rows, refused, notes);
  else
    ReadCsvQuestions(file, text, rows, refused);
}

// ---- building --------------------------------------------------------------------

bool PlanImport(const std::vector<QuestionRecord> &kept, int keptQuestions, const std::vector<ImportRow> &rows,
                const std::vector<std::string> &gameFolders, ImportPlan &plan) {
  plan = ImportPlan();
  std::vector<std::string> realFolders;
  for (const std::string &f : gameFolders)
    realFolders.push_back(RealPath(f));

  // The texts already present, to find duplicates.
  std::map<std::string, std::string> seen; // folded text -> where
  std::map<std::string, uint64_t> seenHash;
  for (int i = 0; i < keptQuestions; i++) {
    seen[TrimmedLower(kept[i].Text)] = "the game's question [" + std::to_string(i + 1) + "]";
    seenHash[TrimmedLower(kept[i].Text)] = QuestionHash(kept[i]);
  }

  std::vector<Texts> newQuestions, newPuzzles;
  std::vector<std::string> questionWhere, puzzleWhere;
  std::map<std::string, std::string> pictureOf; // source path -> stem
  for (const ImportRow &row : rows) {
    Texts t;
    t.text = row.question;
    t.answers[0] = row.correct;
    for (int w = 0; w < 3; w++)
      t.answers[w + 1] = row.wrong[w];
    t.solution = 1;
    if (row.picture.empty()) {
      std::string key = TrimmedLower(row.question);
      if (seen.count(key)) {
        QuestionRecord probe{};
        bool fits = Fits(t.text, sizeof(probe.Text));
        for (int a = 0; a < 4; a++)
          fits = fits && Fits(t.answers[a], sizeof(probe.Answer1));
        if (fits) {
          snprintf(probe.Text, sizeof(probe.Text), "%s", t.text.c_str());
          snprintf(probe.Answer1, sizeof(probe.Answer1), "%s", t.answers[0].c_str());
          snprintf(probe.Answer2, sizeof(probe.Answer2), "%s", t.answers[1].c_str());
          snprintf(probe.Answer3, sizeof(probe.Answer3), "%s", t.answers[2].c_str());
          snprintf(probe.Answer4, sizeof(probe.Answer4), "%s", t.answers[3].c_str());
          probe.Solution = 1;
        }
        if (fits && seenHash.count(key) && seenHash[key] == QuestionHash(probe)) {
          plan.notes.push_back({row.where, "already among the game's questions: kept once"});
          continue;
        }
        plan.refused.push_back({row.where, "a duplicate: the same question as " + seen[key]});
        continue;
      }
      seen[key] = row.where;
      t.id = std::string(LevelToken(row.level)) + CategoryToken(row.category);
      t.photo = "0";
      newQuestions.push_back(t);
      questionWhere.push_back(row.where);
    } else {
      std::string stem;
      std::string real = RealPath(row.picture);
      if (pictureOf.count(real)) {
        stem = pictureOf[real];
      } else if (std::find(realFolders.begin(), realFolders.end(), RealPath(FolderOf(row.picture))) !=
                     realFolders.end() &&
                 GoodStem(StemOf(row.picture))) {
        stem = StemOf(row.picture); // already one of the game's pictures
      } else {
        ImportPicture picture;
        std::string why = PreparePicture(row.picture, picture);
        if (!why.empty()) {
          plan.refused.push_back({row.where, why});
          continue;
        }
        stem = picture.stem;
        bool known = false;
        for (const ImportPicture &p : plan.pictures)
          known = known || p.stem == stem;
        if (!known)
          plan.pictures.push_back(picture);
      }
      pictureOf[real] = stem;
      t.id = "Puzzl";
      t.photo = stem;
      newPuzzles.push_back(t);
      puzzleWhere.push_back(row.where);
    }
  }

  // The right answers' boxes, spread evenly in an order that depends on the
  // questions only, so the same source gives the same file.
  uint32_t seed = 2166136261u;
  for (const Texts &t : newQuestions)
    for (char c : t.text)
      seed = (seed ^ (unsigned char)c) * 16777619u;
  std::vector<int> questionBoxes = SpreadPositions(newQuestions.size(), seed);
  std::vector<int> puzzleBoxes = SpreadPositions(newPuzzles.size(), seed ^ 0x9e3779b9u);
  auto place = [](Texts &t, int box) {
    std::string right = t.answers[0];
    for (int a = 0; a < box - 1; a++)
      t.answers[a] = t.answers[a + 1];
    t.answers[box - 1] = right;
    t.solution = box;
  };
  std::map<std::string, int> numbers; // per ID prefix
  auto numbered = [&numbers](const std::string &prefix) {
    int n = ++numbers[prefix];
    int digits = 7 - (int)prefix.size();
    int limit = 1;
    for (int d = 0; d < digits; d++)
      limit *= 10;
    // IDs are labels only; a long file reuses the numbers of its group.
    return prefix + std::to_string((n - 1) % (limit - 1) + 1);
  };
  for (size_t i = 0; i < newQuestions.size(); i++) {
    place(newQuestions[i], questionBoxes[i]);
    newQuestions[i].id = numbered(newQuestions[i].id);
  }
  for (size_t i = 0; i < newPuzzles.size(); i++) {
    place(newPuzzles[i], puzzleBoxes[i]);
    newPuzzles[i].id = numbered("Puzzl");
  }

  int puzzlesKept = (int)kept.size() - keptQuestions;
  plan.questions = keptQuestions + (int)newQuestions.size();
  plan.puzzles = puzzlesKept + (int)newPuzzles.size();
  plan.imported = (int)(newQuestions.size() + newPuzzles.size());
  std::string &text = plan.text;
  text = "[GENERAL]\nMaxQuestions=" + std::to_string(plan.questions) + "\nMaxPuzzles=" + std::to_string(plan.puzzles) +
         "\n";
  // Where each record came from, for the check's messages.
  std::vector<std::string> whereOf = {""};
  int n = 1;
  for (int i = 0; i < keptQuestions; i++, n++) {
    AppendRecord(text, n, kept[i]);
    whereOf.push_back("the game's question [" + std::to_string(i + 1) + "]");
  }
  for (size_t i = 0; i < newQuestions.size(); i++, n++) {
    AppendTexts(text, n, newQuestions[i]);
    whereOf.push_back(questionWhere[i]);
  }
  for (int i = keptQuestions; i < (int)kept.size(); i++, n++) {
    AppendRecord(text, n, kept[i]);
    whereOf.push_back("the game's puzzle [" + std::to_string(i + 1) + "]");
  }
  for (size_t i = 0; i < newPuzzles.size(); i++, n++) {
    AppendTexts(text, n, newPuzzles[i]);
    whereOf.push_back(puzzleWhere[i]);
  }
  if (!plan.refused.empty())
    return false;

  // The whole file through the game's checks, with the new pictures in a
  // private folder for the look-ups.
  char staging[] = "/tmp/trivello-import-XXXXXX";
  if (!mkdtemp(staging)) {
    plan.refused.push_back({"", "cannot make a temporary folder"});
    return false;
  }
  for (const ImportPicture &p : plan.pictures)
    WriteFileAtomically(std::string(staging) + "/" + p.stem + p.extension, p.data);
  std::vector<std::string> folders = {staging};
  folders.insert(folders.end(), gameFolders.begin(), gameFolders.end());
  QuestionFileCheck check;
  bool ok = CheckQuestionText(text, folders, check);
  for (const ImportPicture &p : plan.pictures)
    unlink((std::string(staging) + "/" + p.stem + p.extension).c_str());
  rmdir(staging);
  for (const QuestionFault &f : check.faults) {
    std::string where = f.record > 0 && f.record < (int)whereOf.size() ? whereOf[f.record] : "";
    std::string message = f.message;
    // A field's name in the file is the column's in the source.
    static const struct { const char *key, *column; } kNames[] = {{"Text", "question"}};
    for (const auto &k : kNames)
      if (message.compare(0, strlen(k.key) + 1, std::string(k.key) + " ") == 0)
        message = std::string(k.column) + message.substr(strlen(k.key));
    if (message.compare(0, 6, "Answer") == 0 && f.record > 0 && f.record <= plan.questions + plan.puzzles)
      message = "an answer" + message.substr(7);
    plan.refused.push_back({where, message});
  }
  return ok;
}

std::string ExportCsv(const std::vector<QuestionRecord> &records, int questions,
                      const std::vector<std::string> &photoFolders) {
  std::string out = "\xef\xbb\xbfquestion,correct,wrong1,wrong2,wrong3,level,category,picture\r\n";
  for (size_t i = 0; i < records.size(); i++) {
    const QuestionRecord &q = records[i];
    const char *answers[4] = {q.Answer1, q.Answer2, q.Answer3, q.Answer4};
    int right = q.Solution >= 1 && q.Solution <= 4 ? q.Solution - 1 : 0;
    std::vector<std::string> fields = {q.Text, answers[right]};
    for (int a = 0; a < 4; a++)
      if (a != right)
        fields.push_back(answers[a]);
    bool puzzle = (int)i >= questions;
    if (puzzle) {
      fields.push_back("");
      fields.push_back("");
      fields.push_back(HasPhoto(q) ? FindPhoto(photoFolders, q.Photo) : "");
    } else {
      QuestionRecord copy = q;
      fields.push_back(LevelName(QuestionLevel(copy.ID)));
      fields.push_back(CategoryName(CategoryOfId(copy.ID)));
      fields.push_back("");
    }
    std::string line;
    for (size_t f = 0; f < fields.size(); f++)
      line += (f ? "," : "") + CsvField(f == 7 ? fields[f] : Latin1ToUtf8(fields[f]));
    out += line + "\r\n";
  }
  return out;
}
