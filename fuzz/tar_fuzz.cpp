// Registering a tar archive of any content and reading members from it.
#include <cstring>
#include <vector>

#include "FuzzSupport.h"
#include "KResource.h"
#include "KResourceArchive.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  fuzz::quietEngine();
  std::string path = fuzz::scratchFile(data, size, ".tar");
  KResource::removeAllArchives();
  if (KResource::addArchive(path.c_str()) != K_RES_OK)
    return 0;
  // Ask for the names the archive's first headers hold, and two others.
  std::vector<std::string> names = {"data/eng.ini", "gfx/back.jpg"};
  for (size_t at = 0; at + 512 <= size && names.size() < 6; at += 512)
    names.push_back(std::string(reinterpret_cast<const char *>(data + at),
                                strnlen(reinterpret_cast<const char *>(data + at), 100)));
  KResource first, second;
  for (const std::string &name : names) {
    first.close();
    if (first.open(name.c_str(), K_RES_READ) != K_RES_OK)
      continue;
    int end = 0;
    first.seek(K_RES_END, 0);
    first.tell(end);
    first.seek(K_RES_BEGIN, 0);
    char buffer[700];
    for (int i = 0; i < 4 && first.read(buffer, sizeof(buffer) / (i + 1)) == K_RES_OK; i++) {
      if (second._nMode == K_RES_CLOSED)
        second.open(name.c_str(), K_RES_READ);
      second.read(buffer, 3);
    }
    first.seek(K_RES_CURRENT, -5);
    first.read(buffer, 1);
  }
  second.close();
  first.close();
  KResource::removeAllArchives();
  return 0;
}
