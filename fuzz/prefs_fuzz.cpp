// Reading a preferences file of any length and content.
#include <cstring>

#include "FuzzSupport.h"
#include "globals.h"
#include "prefs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  fuzz::quietEngine();
  std::string path = fuzz::scratchFile(data, size, "-prefs");
  memset(&GV, 0, sizeof(GV));
  if (!ReadPrefs(path.c_str()))
    abort();
  if (GV.sfxVolume < 0 || GV.sfxVolume > 100 || GV.musicVolume < 0 || GV.musicVolume > 100 || GV.language < 0 ||
      GV.language > 2 || (GV.windowed & ~1) || (GV.submitOnline & ~1) || (GV.showCorrect & ~1) ||
      (GV.rendererChoice & ~1))
    abort();
  return 0;
}
