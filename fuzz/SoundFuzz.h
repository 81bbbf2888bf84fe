// What the sound fuzz targets share: one sound kept alive for the whole run,
// so that the audio device and the module library stay set up between
// inputs.
#ifndef SOUNDFUZZ_H
#define SOUNDFUZZ_H

#include "FuzzSupport.h"
#include "KSound.h"

namespace fuzz {

inline void keepSoundSetUp() {
  quietEngine();
  static KSound *keeper = new KSound();
  (void)keeper;
}

} // namespace fuzz

#endif
