// The one way the game measures elapsed time. KMiscTools::getMilliseconds is
// the low 32 bits of a microsecond counter divided by 1000, so it runs from 0
// up to 4 294 967 and then falls back to 0 (every ~71.6 minutes). A plain
// "now - stamp" across that fall would read as about 49 days, so a question
// would time out at once and every animation would jump; these helpers add the
// clock's period back when the clock has wrapped since the stamp.
#ifndef TRIVELLO_CLOCK_H
#define TRIVELLO_CLOCK_H

#include <cstdint>

#include "KMiscTools.h"

// Milliseconds in one turn of getMilliseconds (2^32 microseconds).
const uint32_t kClockPeriodMs = 4294967u;

// Milliseconds from `stamp` to `now`, both readings of getMilliseconds.
inline uint32_t ElapsedBetween(uint32_t stamp, uint32_t now) {
  return now >= stamp ? now - stamp : now + kClockPeriodMs - stamp;
}

// The current reading of the game's clock, as stored in the timer globals.
inline int32_t Now() { return (int32_t)KMiscTools::getMilliseconds(); }

// Milliseconds since a timer global was stamped with Now().
inline uint32_t ElapsedMs(int32_t stamp) { return ElapsedBetween((uint32_t)stamp, KMiscTools::getMilliseconds()); }

#endif
