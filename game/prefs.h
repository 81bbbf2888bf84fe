// The preferences record "prefs": 80 bytes, multi-byte fields big-endian.
#ifndef TRIVELLO_PREFS_H
#define TRIVELLO_PREFS_H

#include <cstdint>

#include "globals.h"

// Stores the record in its file layout (big-endian fields, reserved bytes as held).
void EncodePrefs(const GameValues &values, uint8_t out[80]);
// Reads the record from its file layout.
void DecodePrefs(const uint8_t in[80], GameValues &values);

// Reads "prefs" at `path` into GV: a missing file leaves GV as it is, a short
// file fills only the fields it holds whole (the others keep the values GV
// held), a longer one is read up to 80 bytes. A volume outside 0..100 is
// clamped; a flag, renderer choice or language outside its values keeps the
// value GV held. False when the file could not be opened.
bool ReadPrefs(const char *path);
// Writes GV to `path` through a temporary file in the same folder that is
// then renamed over it, so an interrupted write never leaves a truncated
// file. False when it could not be written (the old file is then untouched).
bool WritePrefs(const char *path);

// The volumes a player hears until he sets his own: effects 90, music 60.
const int16_t kDefaultSfxVolume = 90;
const int16_t kDefaultMusicVolume = 60;
// Start-up: the default volumes, then "prefs" at `path` read over them, so
// the volumes the player saved stand and the defaults remain only where the
// file does not hold them (no file, or one too short). Every other field
// keeps the value GV held (0 at program start). False as ReadPrefs.
bool ReadStartPrefs(const char *path);

// Writes the preferences record to "prefs" in the resource folder.
void SavePrefs();

#endif
