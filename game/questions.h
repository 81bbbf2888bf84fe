// The question bank: loading a language's question file and handing out
// questions and photo puzzles at random without repeats within a game.
#ifndef TRIVELLO_QUESTIONS_H
#define TRIVELLO_QUESTIONS_H

#include <cstddef>
#include <cstdint>

#include "globals.h"

class KIniReader;

// Question files by the preference `language` (0 English, 1 Italian, 2 Spanish).
const char *QuestionFileName(int16_t language);

// Loads the current language's file into Question, MAX_QUESTIONS and
// MAX_PUZZLES, drawing the loading screen before and after reading the counts.
void ReadQuestions();
// Loads a question file at an absolute path; `afterCounts` (may be null) runs
// once the counts are known. A missing file leaves both counts 0.
void ReadQuestionsFrom(const char *path, void (*afterCounts)());
// The same from a reader that already holds the text.
void ReadQuestionsFromReader(KIniReader &ini, void (*afterCounts)());

// Index of an unasked ordinary question of `level` (0, 1, 2), drawn with
// rand(); -1 when the file has no question of that level. When every one
// was asked, their marks are cleared and the draw starts over.
int16_t PickQuestion(int level);
// Index of an unasked photo puzzle, likewise; -1 when there is none.
int16_t PickPuzzle();

// Tokens of a record's ID.
int QuestionLevel(const char *id);   // 0, 1, 2, or -1 without a level token
bool IsPuzzle(const char *id);
// Category tests of the quiz rules: at pick time "Sp" then "Att"; while the
// question is shown "Geo", "St", "Lett", "Sci" in that order, a later match
// replacing an earlier one. Both leave `category` as it was for a record with
// a photo or without a matching token.
int16_t CategoryAtPick(const QuestionRecord &record, int16_t category);
int16_t CategoryWhileShown(const QuestionRecord &record, int16_t category);

// A record has a photo when its Photo value is not empty and holds no '0'.
bool HasPhoto(const QuestionRecord &record);
// The game file name of the record's photo: "photos\<stem>.jpg" when that file
// opens, else "photos\<stem>.png". False for a record without a photo.
bool PhotoFileName(const QuestionRecord &record, char *out, size_t outSize);

#endif
