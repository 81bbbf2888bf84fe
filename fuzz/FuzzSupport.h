// Shared set-up of the fuzz targets: quiet engine messages, SDL's dummy
// audio, and a scratch file per process for loaders that take a path.
#ifndef FUZZSUPPORT_H
#define FUZZSUPPORT_H

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "KMiscTools.h"

namespace fuzz {

inline void ignoreMessage(const char *, const char *) {}

// Once per process: no dialogs, no sound device, no display needed.
inline void quietEngine() {
  static bool done = false;
  if (done)
    return;
  done = true;
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  KMiscTools::setMessageBoxHandler(ignoreMessage);
}

// Writes the input to this process's scratch file (with `suffix`, which
// some loaders look at) and returns its path.
inline std::string scratchFile(const uint8_t *data, size_t size, const char *suffix) {
  std::string path = "/tmp/trivello-fuzz-" + std::to_string(getpid()) + suffix;
  FILE *f = fopen(path.c_str(), "wb");
  if (!f)
    abort();
  if (size && fwrite(data, 1, size, f) != size)
    abort();
  fclose(f);
  return path;
}

} // namespace fuzz

#endif
