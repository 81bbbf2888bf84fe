// Score lists in the data folder (see localscores.h).
#include "localscores.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "userfiles.h"

namespace {

const size_t kMaxLineBytes = 256;        // a longer line is not one of ours
const size_t kMaxClockBytes = 12;        // a clock's label, "no limit" the longest
const size_t kMaxFileBytes = 256 * 1024; // what is read of a list file at most

// Every read-change-write of a list file holds this, so the game and the
// worker resending scores never write over each other's change.
std::mutex gFileLock;

// "123\tname" into an entry; false for anything else.
bool ParseLine(const char *line, ScoreEntry *entry) {
  const char *tab = strchr(line, '\t');
  if (tab == nullptr || tab == line || tab - line > 10)
    return false;
  long long value = 0;
  for (const char *p = line; p < tab; p++) {
    if (*p < '0' || *p > '9')
      return false;
    value = value * 10 + (*p - '0');
  }
  if (value > INT32_MAX)
    return false;
  std::string name(tab + 1);
  name.erase(name.find_last_not_of("\r\n") + 1);
  // A relaxed game's clock follows the name after a second tab (a name never
  // holds a tab: the name rule drops control bytes).
  std::string clock;
  size_t second = name.find('\t');
  if (second != std::string::npos) {
    std::string label = name.substr(second + 1);
    if (label.find_first_not_of(' ') != std::string::npos)
      clock = CleanScoreName(label).substr(0, kMaxClockBytes);
    name.erase(second);
  }
  if (name.empty())
    return false;
  entry->name = CleanScoreName(name);
  entry->score = (int32_t)value;
  entry->clock = clock;
  return true;
}

// Removes one entry equal to `e` from list; false when there is none.
bool RemoveOne(std::vector<ScoreEntry> &list, const ScoreEntry &e) {
  for (size_t i = 0; i < list.size(); i++)
    if (list[i].score == e.score && list[i].name == e.name) {
      list.erase(list.begin() + (long)i);
      return true;
    }
  return false;
}

} // namespace

std::vector<ScoreEntry> ReadScoreFile(const std::string &path, size_t max) {
  std::vector<ScoreEntry> list;
  FILE *f = fopen(path.c_str(), "rb");
  if (f == nullptr)
    return list;
  // Our lists are small; a file far larger is not one of ours and only its
  // start is looked at.
  std::string text(kMaxFileBytes, '\0');
  text.resize(fread(&text[0], 1, text.size(), f));
  fclose(f);
  size_t start = 0;
  while (start < text.size() && list.size() < max) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos)
      end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    ScoreEntry e;
    if (line.size() <= kMaxLineBytes && line.find('\0') == std::string::npos && ParseLine(line.c_str(), &e))
      list.push_back(e);
  }
  return list;
}

bool WriteScoreFile(const std::string &path, const std::vector<ScoreEntry> &list) {
  if (list.empty())
    return remove(path.c_str()) == 0 || errno == ENOENT;
  std::string text;
  for (const ScoreEntry &e : list)
    text += std::to_string(e.score) + "\t" + CleanScoreName(e.name) + (e.clock.empty() ? "" : "\t" + e.clock) + "\n";
  return WriteFileAtomically(path, text);
}

std::vector<ScoreEntry> ReadLocalTable(const std::string &path) {
  // A file edited by hand may be longer or out of order: rank what it holds.
  std::vector<ScoreEntry> table = ReadScoreFile(path, 100);
  std::stable_sort(table.begin(), table.end(),
                   [](const ScoreEntry &a, const ScoreEntry &b) { return a.score > b.score; });
  if (table.size() > kLocalTableSize)
    table.resize(kLocalTableSize);
  return table;
}

int LocalRank(const std::vector<ScoreEntry> &table, int32_t score) {
  size_t place = 0;
  while (place < table.size() && table[place].score >= score)
    place++;
  return place < kLocalTableSize ? (int)place : -1;
}

int AddLocalScore(const std::string &path, const std::string &name, int32_t score, const std::string &clock) {
  std::lock_guard<std::mutex> hold(gFileLock);
  std::vector<ScoreEntry> table = ReadLocalTable(path);
  int place = LocalRank(table, score);
  if (place < 0)
    return -1;
  table.insert(table.begin() + place, ScoreEntry{CleanScoreName(name), score, clock});
  if (table.size() > kLocalTableSize)
    table.resize(kLocalTableSize);
  return WriteScoreFile(path, table) ? place : -1;
}

bool QueueScore(const std::string &path, const std::string &name, int32_t score) {
  std::lock_guard<std::mutex> hold(gFileLock);
  std::vector<ScoreEntry> queue = ReadScoreFile(path, kMaxQueuedScores);
  if (queue.size() >= kMaxQueuedScores)
    return false;
  queue.push_back(ScoreEntry{CleanScoreName(name), score});
  return WriteScoreFile(path, queue);
}

void SendQueuedScores(const std::string &path, const std::function<NetOutcome(const ScoreEntry &)> &send) {
  std::vector<ScoreEntry> queue;
  {
    std::lock_guard<std::mutex> hold(gFileLock);
    queue = ReadScoreFile(path, kMaxQueuedScores);
  }
  // The network is used without the lock, so the game can queue meanwhile.
  std::vector<ScoreEntry> settled;
  for (const ScoreEntry &e : queue) {
    NetOutcome outcome = send(e);
    if (outcome != NET_OK && outcome != NET_REFUSED)
      break;
    settled.push_back(e);
  }
  if (settled.empty())
    return;
  std::lock_guard<std::mutex> hold(gFileLock);
  std::vector<ScoreEntry> now = ReadScoreFile(path, kMaxQueuedScores);
  for (const ScoreEntry &e : settled)
    RemoveOne(now, e);
  WriteScoreFile(path, now);
}
