// ManualClock: see ManualClock.h.
#include "support/ManualClock.h"

namespace testsupport {

uint64_t ManualClock::microseconds() { return now; }

void ManualClock::sleep(uint32_t milliseconds) {
  now += (uint64_t)milliseconds * 1000;
  sleptMs += milliseconds;
  sleepCalls++;
  if (onSleep)
    onSleep(milliseconds);
}

} // namespace testsupport
