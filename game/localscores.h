// Score lists the game keeps in files of its data folder: the ten best scores
// made on this computer (the offline top ten, "local-scores") and the scores
// still to be sent to the score server ("pending-scores"). Both are text, one
// "score<TAB>name" a line, and are always replaced whole through a new file
// renamed over the old one, so a crash or a full disk never leaves half a list.
#ifndef TRIVELLO_LOCALSCORES_H
#define TRIVELLO_LOCALSCORES_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "netjob.h"
#include "scorename.h" // CleanScoreName, the server's name rule

struct ScoreEntry {
  std::string name;
  int32_t score;
  std::string clock = ""; // the answer clock of a relaxed game ("60 s"); empty for the standard one
};

// Reads at most `max` entries in file order: "score<tab>name", and for a
// relaxed game "<tab>clock" after the name. Lines without a score 0 to
// 2147483647, a tab and a name are skipped; names are cleaned. A missing or
// unreadable file is an empty list.
std::vector<ScoreEntry> ReadScoreFile(const std::string &path, size_t max);
// Replaces the file with `list` (an empty list removes it); false when the
// new file could not be written whole, in which case the old one stays.
bool WriteScoreFile(const std::string &path, const std::vector<ScoreEntry> &list);

// ---- the offline top ten ----
const size_t kLocalTableSize = 10;
// The table in the file: best first, an equal score after the earlier one.
std::vector<ScoreEntry> ReadLocalTable(const std::string &path);
// The place (0 to 9) `score` would take in `table`, or -1 when it does not
// enter: it goes below every equal score, which was made earlier.
int LocalRank(const std::vector<ScoreEntry> &table, int32_t score);
// Puts name and score into the table file when the score enters; its place,
// or -1 (not entering, or the file could not be written).
int AddLocalScore(const std::string &path, const std::string &name, int32_t score, const std::string &clock = "");

// ---- scores waiting for the server ----
const size_t kMaxQueuedScores = 1000;
// Adds a score to the end of the queue file; false when it could not be kept.
bool QueueScore(const std::string &path, const std::string &name, int32_t score);
// Sends the queued scores in order with send(entry). Those the server took
// or refused leave the queue; at the first one that cannot be delivered the
// rest wait for the next time. Scores queued meanwhile are kept.
void SendQueuedScores(const std::string &path, const std::function<NetOutcome(const ScoreEntry &)> &send);

#endif
