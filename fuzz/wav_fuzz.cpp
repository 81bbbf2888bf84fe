// Loading any file as a WAV sample and playing it.
#include "SoundFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  fuzz::keepSoundSetUp();
  std::string path = fuzz::scratchFile(data, size, ".wav");
  KSound sound;
  if (sound.loadSample(path.c_str(), 100, false, 2)) {
    sound.playSample();
    sound.setFrequency(data[0] * 1000L);
    sound.stopSample();
  }
  return 0;
}
