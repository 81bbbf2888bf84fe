// PixelReader: reads the current GL context's back buffer in screen
// coordinates (origin top-left, y down), as rendering tests need.
#ifndef TESTSUPPORT_PIXELREADER_H
#define TESTSUPPORT_PIXELREADER_H

#include <cstdint>
#include <vector>

namespace testsupport {

struct Rgba {
  uint8_t r, g, b, a;
  bool operator==(const Rgba &o) const { return r == o.r && g == o.g && b == o.b; }
  bool operator!=(const Rgba &o) const { return !(*this == o); }
};

// The back buffer of a screenWidth x screenHeight drawing area, rows from
// the top, 4 bytes (R, G, B, A) per pixel.
class PixelReader {
public:
  PixelReader(int screenWidth, int screenHeight);
  // Reads the whole area (finishes drawing first).
  void capture();
  // One pixel of the last capture; screen coordinates.
  Rgba at(int x, int y) const;
  // Whether every pixel of the last capture is within `tolerance` of `c`
  // (alpha ignored) in the screen rectangle [x1, x2) x [y1, y2).
  bool allNear(int x1, int y1, int x2, int y2, Rgba c, int tolerance = 0) const;
  // Number of pixels within `tolerance` of `c` in that rectangle.
  int countNear(int x1, int y1, int x2, int y2, Rgba c, int tolerance = 0) const;
  int width() const { return _w; }
  int height() const { return _h; }

private:
  int _w, _h;
  std::vector<uint8_t> _pixels;
};

bool near(Rgba a, Rgba b, int tolerance);

} // namespace testsupport

#endif
