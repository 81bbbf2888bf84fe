// Measuring and wrapping any text with the game's two font tables.
#include <cstring>
#include <string>

#include "FuzzSupport.h"
#include "KGraphicGL.h"
#include "KText.h"
#include "fonttables.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  fuzz::quietEngine();
  if (size < 3)
    return 0;
  KGraphicGL::screenWidth = 800; // no window: the picture stays empty
  KGraphicGL::screenHeight = 600;
  const long kerning = (int8_t)data[0];
  const long width = data[1] * 4;
  std::string text(reinterpret_cast<const char *>(data + 3), size - 3);
  KText font;
  font.setKGraphic(new KGraphicGL());
  font.setFontTable(data[2] & 1 ? fontTable2 : fontTable);
  font.getStringWidth(text.c_str(), kerning);
  font.getStringWidth(text.c_str(), kerning, (long)data[2]);
  std::string wrapped = text;
  for (char *p = &wrapped[0]; *p;) {
    long n = font.findClosestBreak(p, width, kerning);
    if (n <= 0)
      break;
    p += n < (long)strlen(p) ? n : (long)strlen(p);
  }
  return 0;
}
