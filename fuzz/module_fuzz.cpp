// Loading any file as a tracker module and rendering its start.
#include "SoundFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  fuzz::keepSoundSetUp();
  std::string path = fuzz::scratchFile(data, size, ".mod");
  KSound sound;
  if (!sound.loadModule(path.c_str()))
    return 0;
  char out[] = "/dev/null";
  sound.modToRaw(out, 64 * 1024); // about 0.4 s of rendering
  sound.setModulePosition(data[0]);
  return 0;
}
