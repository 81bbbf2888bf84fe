// The question bank: loading a language's question file and handing out
// questions and photo puzzles at random without repeats within a game.
#ifndef TRIVELLO_QUESTIONS_H
#define TRIVELLO_QUESTIONS_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "globals.h"
#include "questionrules.h" // the ID tokens and the photo test

class KIniReader;

// Question files by the preference `language` (0 English, 1 Italian, 2 Spanish).
const char *QuestionFileName(int16_t language);

// Loads the current language's file into Question, MAX_QUESTIONS and
// MAX_PUZZLES, drawing the loading screen before and after reading the counts.
// The player's own file (UserQuestionFile) is played when it passes every
// check, else the game's own. The questions asked before with this language
// are marked from the record kept in the player's question folder.
void ReadQuestions();
// The game's own file of a language, and the player's own file in the
// player's question folder ("eng.ini", "ita.ini", "spanish.ini").
std::string BuiltInQuestionFile(int16_t language);
std::string UserQuestionFile(int16_t language);
// The file ReadQuestions would play for `language`: the player's own when it
// exists and passes the checks, else the game's own.
std::string PlayedQuestionFile(int16_t language);
// Loads a question file at an absolute path; `afterCounts` (may be null) runs
// once the counts are known. A missing file leaves both counts 0.
void ReadQuestionsFrom(const char *path, void (*afterCounts)());
// The same from a reader that already holds the text.
void ReadQuestionsFromReader(KIniReader &ini, void (*afterCounts)());

// Reads `count` records of a question file into `table` with the game's
// look-ups; `questions` and `puzzles` get the counts, clamped to the table.
void ReadQuestionRecords(KIniReader &ini, QuestionRecord *table, int16_t &questions, int16_t &puzzles);

// The questions already asked, remembered across games and runs: a set of
// QuestionHash values kept in a file, rewritten whole (atomically) after
// each change. UseAskedRecord reads it (none at all when the file is
// missing or `path` is empty) and marks the loaded records it names;
// MarkAsked marks record i as asked and saves; ApplyAskedMarks sets every
// loaded record's mark from the set (a new game keeps the marks).
void UseAskedRecord(const std::string &path);
void MarkAsked(int16_t index);
void ApplyAskedMarks();
// The file of asked questions for a language, in the player's question folder.
std::string AskedRecordFile(int16_t language);

// Index of an unasked ordinary question of `level` (0, 1, 2), drawn with
// rand(); -1 when the file has no question of that level. When every one
// was asked, their marks are cleared (and forgotten in the asked record) and
// the level starts over.
int16_t PickQuestion(int level);
// Index of an unasked photo puzzle, likewise; -1 when there is none.
int16_t PickPuzzle();

// The game file name of the record's photo: "photos\<stem>.jpg" when that file
// opens, else "photos\<stem>.png"; a picture of the player's own file, in the
// "photos" folder beside it, comes first as an absolute path. False for a
// record without a photo.
bool PhotoFileName(const QuestionRecord &record, char *out, size_t outSize);

#endif
