// Opening any bytes as an Ogg Vorbis stream and decoding a few buffers.
#include "SoundFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  fuzz::keepSoundSetUp();
  KSound sound;
  if (!sound.loadStreamFromPtr(const_cast<char *>(reinterpret_cast<const char *>(data)), size))
    return 0;
  // Each start decodes both buffers again from the beginning.
  sound.playStream(false);
  sound.playStream(true);
  sound.stopStream();
  return 0;
}
