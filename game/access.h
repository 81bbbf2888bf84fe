// Settings that make the game playable by more people: questions read
// aloud and a relaxed answer clock. They are kept in their own small file,
// "access", beside "prefs" (the 80-byte "prefs" record has no room for them
// and stays as it is).
#ifndef TRIVELLO_ACCESS_H
#define TRIVELLO_ACCESS_H

#include <cstdint>
#include <string>

// How long a question may be answered.
enum ClockMode {
  CLOCK_STANDARD = 0, // 15 s, the game's own clock
  CLOCK_30 = 1,       // 30 s
  CLOCK_60 = 2,       // 60 s
  CLOCK_NONE = 3,     // no time limit
  CLOCK_MODES = 4
};

struct AccessOptions {
  int32_t readAloud = 0; // 1: questions, answers and results are spoken
  int32_t clockMode = CLOCK_STANDARD;
};

extern AccessOptions AO;

// The file's text: one "key=value" line per setting.
std::string EncodeAccess(const AccessOptions &options);
// Reads what the text holds over `options`: unknown keys, values out of range
// and broken lines are skipped, so a damaged file never gives a bad setting.
void DecodeAccess(const std::string &text, AccessOptions &options);
// Reads the file at `path` into AO; false (AO untouched) when it cannot be read.
bool ReadAccess(const char *path);
// Writes AO to `path` through a temporary file renamed over it, so an
// interrupted write leaves the old file whole. False when it failed.
bool WriteAccess(const char *path);

// ---- the answer clock --------------------------------------------------------
// Milliseconds a question may take in `mode`; 0 for no limit.
uint32_t ClockLimitMs(int mode);
// The current mode's limit in tenths of a second; 0 for no limit.
int32_t ClockLimitTenths();
// True in the standard 15-second mode: only those scores go to the online top ten.
bool ClockIsStandard();
// The time used, `tenths` of a second, as the standard clock's tenths
// (0 to 150) for the same share of the answer time, so a quick answer is
// worth the same in every mode. With no limit every answer counts as a
// mid-speed one (75).
int16_t StandardTenths(int32_t tenths, int mode);
// A short name of the mode for tables and screens: "15 s", "30 s", "60 s",
// "no limit".
const char *ClockModeLabel(int mode);
// The same for the mode in use now.
const char *ClockModeLabel();

#endif
