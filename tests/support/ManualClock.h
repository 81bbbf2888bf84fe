// ManualClock: a KClock for tests. Time stands still until a test advances
// it or the code under test sleeps (a sleep advances the time at once).
// An optional hook runs on every sleep, so a test can change the world while
// the code waits (release a key, push an event).
#ifndef TESTSUPPORT_MANUALCLOCK_H
#define TESTSUPPORT_MANUALCLOCK_H

#include <cstdint>
#include <functional>

#include "KMiscTools.h"

namespace testsupport {

class ManualClock : public KClock {
public:
  uint64_t now = 0;        // microseconds
  uint64_t sleptMs = 0;    // total milliseconds slept
  uint64_t sleepCalls = 0; // number of sleep calls
  std::function<void(uint32_t ms)> onSleep;

  uint64_t microseconds() override { return now; }
  void sleep(uint32_t milliseconds) override {
    now += (uint64_t)milliseconds * 1000;
    sleptMs += milliseconds;
    sleepCalls++;
    if (onSleep)
      onSleep(milliseconds);
  }
  void advanceMs(uint32_t milliseconds) { now += (uint64_t)milliseconds * 1000; }
};

// Installs a clock with KMiscTools::setClock for the scope's lifetime and
// puts the system clock back afterwards.
class ScopedClock {
public:
  explicit ScopedClock(KClock *clock) { KMiscTools::setClock(clock); }
  ~ScopedClock() { KMiscTools::setClock(nullptr); }
  ScopedClock(const ScopedClock &) = delete;
  ScopedClock &operator=(const ScopedClock &) = delete;
};

} // namespace testsupport

#endif
