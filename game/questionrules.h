// The rules a question file keeps so that the game can play it: field sizes,
// widths in the small font, letters the font draws, level and category
// tokens in the ID, enough questions per level, puzzles whose pictures load.
// The game checks a player's own file with them before playing it, and
// trivello-questions checks and writes files with the same code.
#ifndef TRIVELLO_QUESTIONRULES_H
#define TRIVELLO_QUESTIONRULES_H

#include <cstdint>
#include <string>
#include <vector>

#include "globals.h"

struct DecodedPicture; // a picture decoded by the engine's decoder

enum {
  kQuestionTextMaxPx = 790,  // the question line, drawn with kerning -1
  kAnswerMaxPx = 236,        // an answer box, drawn with kerning 0
  kPuzzlePictureWidth = 400, // the picture area of the game screen
  kPuzzlePictureHeight = 300,
};

// Ordinary questions one player meets at each level in a game (levels rise
// after the 14th and the 29th question; the 45th is the last).
extern const int kQuestionsPerLevelInAGame[3];

const char *LevelToken(int level); // "E-", "M-", "H-"
// Tokens of a record's ID.
int QuestionLevel(const char *id); // 0, 1, 2, or -1 without a level token
bool IsPuzzle(const char *id);
// A record has a photo when its Photo value is not empty and holds no '0'.
bool HasPhoto(const QuestionRecord &record);
// Category tests of the quiz rules: at pick time "Sp" then "Att"; while the
// question is shown "Geo", "St", "Lett", "Sci" in that order, a later match
// replacing an earlier one. Both leave `category` as it was for a record with
// a photo or without a matching token.
int16_t CategoryAtPick(const QuestionRecord &record, int16_t category);
int16_t CategoryWhileShown(const QuestionRecord &record, int16_t category);
const char *LevelName(int level);        // "easy", "medium", "hard"
const char *CategoryToken(int category); // "Lett", "Sci", "Sp", "Geo", "St", "Att"
const char *CategoryName(int category);  // "Letters", "Science", ...
// A level or category named in English, Italian or Spanish (case and
// accents do not matter; the text is UTF-8); -1 for an unknown name.
int LevelByName(const std::string &name);
int CategoryByName(const std::string &name);
// The one category token in `id`, or -1 when it holds none or several.
int CategoryOfId(const char *id);

// Whether the small font, which draws questions and answers, has a glyph
// for the ISO 8859-1 code `c`.
bool FontDraws(unsigned char c);
// Width in pixels of a Latin-1 text in the small font with `kerning`.
long SmallFontWidth(const std::string &latin1, long kerning);

// A fingerprint of a question: its text, its right answer and its wrong
// answers in any order, so moving the answers about keeps it.
uint64_t QuestionHash(const QuestionRecord &record);

// One fault: the line of the file (1-based; 0 for the file as a whole), the
// record it belongs to (1-based section number; 0 for none) and the text.
struct QuestionFault {
  int line;
  int record;
  std::string message;
};

struct QuestionFileCheck {
  std::vector<QuestionFault> faults;
  int questions = 0;
  int puzzles = 0;
  int perLevel[3] = {0, 0, 0};
};

// The file of a picture stem in the first of `folders` that holds
// "<stem>.jpg" or "<stem>.png"; empty when none does.
std::string FindPhoto(const std::vector<std::string> &folders, const std::string &stem);
// Reads the picture file at `path` into `data` and decodes it within the
// engine's limits into `decoded` (whose pixels the caller frees); `jpeg`
// tells JPEG from PNG. Empty on success, else why it cannot be used (and
// nothing to free).
std::string ReadPuzzlePicture(const std::string &path, std::string &data, DecodedPicture &decoded, bool &jpeg);
// Why the picture at `path` cannot be a puzzle picture (not JPEG or PNG,
// unreadable, beyond the engine's limits, not 400 by 300); empty when fine.
std::string PictureFault(const std::string &path);

// Checks the Latin-1 text of a question file as the game reads it; puzzle
// pictures are looked up in `photoFolders` in turn. True when the game can
// play it (no fault).
bool CheckQuestionText(const std::string &text, const std::vector<std::string> &photoFolders, QuestionFileCheck &out);
// The folders pictures of the question file at `path` come from: "photos"
// beside it, then the game's own.
std::vector<std::string> PhotoFoldersFor(const std::string &path);
// Reads and checks the file at `path` (pictures from PhotoFoldersFor).
bool CheckQuestionFile(const std::string &path, QuestionFileCheck &out);

#endif
