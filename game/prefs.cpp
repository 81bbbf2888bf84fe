// Reading and writing the preferences record "prefs" (see prefs.h).
#include "prefs.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "userfiles.h"

namespace {

void put16(uint8_t *p, int16_t v) {
  p[0] = (uint8_t)((uint16_t)v >> 8);
  p[1] = (uint8_t)v;
}
void put32(uint8_t *p, int32_t v) {
  uint32_t u = (uint32_t)v;
  p[0] = (uint8_t)(u >> 24);
  p[1] = (uint8_t)(u >> 16);
  p[2] = (uint8_t)(u >> 8);
  p[3] = (uint8_t)u;
}
int16_t get16(const uint8_t *p) { return (int16_t)(uint16_t)((p[0] << 8) | p[1]); }
int32_t get32(const uint8_t *p) {
  return (int32_t)(((uint32_t)p[0] << 24) | ((uint32_t)p[1] << 16) | ((uint32_t)p[2] << 8) | p[3]);
}

// A field that the file holds only in part keeps its default; one outside
// [lo, hi] is clamped (volumes) or takes its default (flags and choices).
template <typename T>
void keepInRange(T &field, T fallback, size_t end, size_t bytesRead, long lo, long hi, bool clamp) {
  if (end > bytesRead)
    field = fallback;
  else if (field < lo || field > hi)
    field = clamp ? (T)(field < lo ? lo : hi) : fallback;
}

// Brings every field read from a file of `bytesRead` bytes into its range.
void sanitizePrefs(GameValues &v, const GameValues &defaults, size_t bytesRead) {
  keepInRange(v.sfxVolume, defaults.sfxVolume, 2, bytesRead, 0, 100, true);
  keepInRange(v.musicVolume, defaults.musicVolume, 4, bytesRead, 0, 100, true);
  keepInRange(v.windowed, defaults.windowed, 12, bytesRead, 0, 1, false);
  keepInRange(v.rendererChoice, defaults.rendererChoice, 16, bytesRead, 0, 1, false);
  keepInRange(v.language, defaults.language, 18, bytesRead, LANGUAGE_ENGLISH, LANGUAGE_SPANISH, false);
  keepInRange(v.submitOnline, defaults.submitOnline, 24, bytesRead, 0, 1, false);
  keepInRange(v.showCorrect, defaults.showCorrect, 28, bytesRead, 0, 1, false);
}

} // namespace

void EncodePrefs(const GameValues &v, uint8_t out[80]) {
  put16(out + 0, v.sfxVolume);
  put16(out + 2, v.musicVolume);
  memcpy(out + 4, v.reserved4, 4);
  put32(out + 8, v.windowed);
  put32(out + 12, v.rendererChoice);
  put16(out + 16, v.language);
  memcpy(out + 18, v.reserved18, 2);
  put32(out + 20, v.submitOnline);
  put32(out + 24, v.showCorrect);
  memcpy(out + 28, v.reserved28, 52);
}

void DecodePrefs(const uint8_t in[80], GameValues &v) {
  v.sfxVolume = get16(in + 0);
  v.musicVolume = get16(in + 2);
  memcpy(v.reserved4, in + 4, 4);
  v.windowed = get32(in + 8);
  v.rendererChoice = get32(in + 12);
  v.language = get16(in + 16);
  memcpy(v.reserved18, in + 18, 2);
  v.submitOnline = get32(in + 20);
  v.showCorrect = get32(in + 24);
  memcpy(v.reserved28, in + 28, 52);
}

bool ReadPrefs(const char *path) {
  FILE *f = fopen(path, "rb");
  if (!f)
    return false;
  const GameValues defaults = GV;
  uint8_t bytes[80];
  EncodePrefs(GV, bytes); // bytes the file does not hold keep their values
  size_t n = fread(bytes, 1, sizeof(bytes), f);
  fclose(f);
  DecodePrefs(bytes, GV);
  sanitizePrefs(GV, defaults, n);
  return true;
}

bool ReadStartPrefs(const char *path) {
  GV.sfxVolume = kDefaultSfxVolume;
  GV.musicVolume = kDefaultMusicVolume;
  return ReadPrefs(path);
}

bool WritePrefs(const char *path) {
  uint8_t bytes[80];
  EncodePrefs(GV, bytes);

  return WriteFileAtomically(path, std::string((const char *)bytes, sizeof(bytes)));
}

void SavePrefs() { WritePrefs(PrefsPath()); }
