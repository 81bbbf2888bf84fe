// The reading-aloud and answer-clock settings and their file (see access.h).
#include "access.h"

#include <sys/stat.h> // fchmod, umask
#include <unistd.h>   // mkstemp, fsync, close

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

AccessOptions AO;

namespace {

const uint32_t kLimitMs[CLOCK_MODES] = {15000, 30000, 60000, 0};
const char *const kLabels[CLOCK_MODES] = {"15 s", "30 s", "60 s", "no limit"};
// The standard clock's tenths: a right answer with no limit scores as one
// given halfway through the standard time.
const int16_t kStandardTenths = 150;
const int16_t kMidSpeedTenths = 75;

bool ValidMode(int mode) { return mode >= 0 && mode < CLOCK_MODES; }

// A whole number made only of digits (no sign, no blanks), at most 9 of them.
bool ParseSmall(const std::string &s, int32_t &out) {
  if (s.empty() || s.size() > 9)
    return false;
  for (char c : s)
    if (c < '0' || c > '9')
      return false;
  out = (int32_t)atol(s.c_str());
  return true;
}

} // namespace

std::string EncodeAccess(const AccessOptions &o) {
  std::ostringstream out;
  out << "read_aloud=" << o.readAloud << "\n";
  out << "clock=" << o.clockMode << "\n";
  return out.str();
}

void DecodeAccess(const std::string &text, AccessOptions &o) {
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    size_t eq = line.find('=');
    if (eq == std::string::npos)
      continue;
    std::string key = line.substr(0, eq);
    int32_t value;
    if (!ParseSmall(line.substr(eq + 1), value))
      continue;
    if (key == "read_aloud" && (value == 0 || value == 1))
      o.readAloud = value;
    else if (key == "clock" && ValidMode(value))
      o.clockMode = value;
  }
}

bool ReadAccess(const char *path) {
  FILE *f = fopen(path, "rb");
  if (!f)
    return false;
  std::string text;
  char chunk[256];
  size_t n;
  // The file is a few bytes; anything past 4 KB is not ours.
  while (text.size() < 4096 && (n = fread(chunk, 1, sizeof(chunk), f)) > 0)
    text.append(chunk, n);
  fclose(f);
  DecodeAccess(text, AO);
  return true;
}

bool WriteAccess(const char *path) {
  std::string text = EncodeAccess(AO);
  std::string tmp = std::string(path) + ".XXXXXX";
  int fd = mkstemp(&tmp[0]);
  if (fd < 0)
    return false;
  mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  bool ok = write(fd, text.data(), text.size()) == (ssize_t)text.size() && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  if (ok)
    ok = rename(tmp.c_str(), path) == 0;
  if (!ok)
    unlink(tmp.c_str());
  return ok;
}

uint32_t ClockLimitMs(int mode) { return ValidMode(mode) ? kLimitMs[mode] : kLimitMs[CLOCK_STANDARD]; }

int32_t ClockLimitTenths() { return (int32_t)(ClockLimitMs(AO.clockMode) / 100); }

bool ClockIsStandard() { return !ValidMode(AO.clockMode) || AO.clockMode == CLOCK_STANDARD; }

int16_t StandardTenths(int32_t tenths, int mode) {
  uint32_t limitMs = ClockLimitMs(mode);
  if (limitMs == 0)
    return kMidSpeedTenths;
  int32_t limit = (int32_t)(limitMs / 100);
  if (tenths < 0)
    tenths = 0;
  if (tenths > limit)
    tenths = limit;
  return (int16_t)(tenths * kStandardTenths / limit);
}

const char *ClockModeLabel(int mode) { return kLabels[ValidMode(mode) ? mode : CLOCK_STANDARD]; }

const char *ClockModeLabel() { return ClockModeLabel(AO.clockMode); }
