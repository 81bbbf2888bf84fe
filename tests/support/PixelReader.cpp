// PixelReader: see PixelReader.h. Reads with glReadPixels (OpenGL).
#include "support/PixelReader.h"

#include <GL/gl.h>

#include <cstdlib>

namespace testsupport {

PixelReader::PixelReader(int screenWidth, int screenHeight)
    : _w(screenWidth), _h(screenHeight), _pixels((size_t)screenWidth * screenHeight * 4) {}

void PixelReader::capture() {
  glFinish();
  std::vector<uint8_t> raw((size_t)_w * _h * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadBuffer(GL_BACK);
  glReadPixels(0, 0, _w, _h, GL_RGBA, GL_UNSIGNED_BYTE, raw.data());
  for (int y = 0; y < _h; y++) {
    const uint8_t *src = &raw[(size_t)(_h - 1 - y) * _w * 4];
    std::copy(src, src + (size_t)_w * 4, &_pixels[(size_t)y * _w * 4]);
  }
}

Rgba PixelReader::at(int x, int y) const {
  if (x < 0 || y < 0 || x >= _w || y >= _h)
    return Rgba{0, 0, 0, 0};
  const uint8_t *p = &_pixels[((size_t)y * _w + x) * 4];
  return Rgba{p[0], p[1], p[2], p[3]};
}

bool near(Rgba a, Rgba b, int tolerance) {
  return abs(a.r - b.r) <= tolerance && abs(a.g - b.g) <= tolerance && abs(a.b - b.b) <= tolerance;
}

bool PixelReader::allNear(int x1, int y1, int x2, int y2, Rgba c, int tolerance) const {
  return x2 <= x1 || y2 <= y1 || countNear(x1, y1, x2, y2, c, tolerance) == (x2 - x1) * (y2 - y1);
}

int PixelReader::countNear(int x1, int y1, int x2, int y2, Rgba c, int tolerance) const {
  int n = 0;
  for (int y = y1; y < y2; y++)
    for (int x = x1; x < x2; x++)
      if (near(at(x, y), c, tolerance))
        n++;
  return n;
}

} // namespace testsupport
