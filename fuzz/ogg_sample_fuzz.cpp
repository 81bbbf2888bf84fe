// Loading any file as an Ogg Vorbis sample (decoded whole).
#include "SoundFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  fuzz::keepSoundSetUp();
  std::string path = fuzz::scratchFile(data, size, ".ogg");
  KSound sound;
  if (sound.loadSample(path.c_str(), 100, false, 1))
    sound.playSample();
  return 0;
}
