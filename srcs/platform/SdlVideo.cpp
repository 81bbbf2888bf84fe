// SdlVideo: shared state of the open window (drawing size and letterbox)
// and pixel read-back. Depends on SDL2 and OpenGL.
#include "platform/SdlVideo.h"

#include <GL/gl.h>

#include <cmath>
#include <vector>

SdlDisplayMapping &sdlDisplayMapping() {
  static SdlDisplayMapping mapping;
  return mapping;
}

void sdlComputeLetterbox(SdlDisplayMapping &m, int windowW, int windowH) {
  m.windowW = windowW;
  m.windowH = windowH;
  if (m.drawWidth <= 0 || m.drawHeight <= 0 || windowW <= 0 || windowH <= 0) {
    m.areaX = m.areaY = 0;
    m.areaW = m.drawWidth;
    m.areaH = m.drawHeight;
    return;
  }
  if (windowW == m.drawWidth && windowH == m.drawHeight) {
    m.areaX = m.areaY = 0;
    m.areaW = windowW;
    m.areaH = windowH;
    return;
  }
  // Largest scale that fits both ways; the bars go where the aspect differs.
  double sx = (double)windowW / m.drawWidth;
  double sy = (double)windowH / m.drawHeight;
  double s = sx < sy ? sx : sy;
  m.areaW = (int)std::lround(m.drawWidth * s);
  m.areaH = (int)std::lround(m.drawHeight * s);
  m.areaX = (windowW - m.areaW) / 2;
  m.areaY = (windowH - m.areaH) / 2;
}

void sdlWindowToDrawing(const SdlDisplayMapping &m, int wx, int wy, int *dx, int *dy) {
  if (m.areaW <= 0 || m.areaH <= 0 || (m.areaW == m.drawWidth && m.areaH == m.drawHeight)) {
    *dx = wx - m.areaX;
    *dy = wy - m.areaY;
    return;
  }
  *dx = (int)std::floor((double)(wx - m.areaX) * m.drawWidth / m.areaW);
  *dy = (int)std::floor((double)(wy - m.areaY) * m.drawHeight / m.areaH);
}

bool sdlReadDrawingPixels(unsigned int glBuffer, unsigned char *rgba) {
  const SdlDisplayMapping &m = sdlDisplayMapping();
  int w = m.drawWidth, h = m.drawHeight;
  if (w <= 0 || h <= 0 || !rgba)
    return false;
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadBuffer(glBuffer);
  if (m.areaW == w && m.areaH == h) {
    // GL rows count from the bottom of the window.
    int glY = m.windowH > 0 ? m.windowH - m.areaY - h : 0;
    glReadPixels(m.areaX, glY, w, h, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
  } else {
    // Full screen: read the scaled area and sample it back to drawing size.
    std::vector<unsigned char> area((size_t)m.areaW * m.areaH * 4);
    int glY = m.windowH - m.areaY - m.areaH;
    glReadPixels(m.areaX, glY, m.areaW, m.areaH, GL_RGBA, GL_UNSIGNED_BYTE, area.data());
    for (int y = 0; y < h; y++) {
      int sy = (int)(((long long)y * 2 + 1) * m.areaH / (2LL * h));
      for (int x = 0; x < w; x++) {
        int sx = (int)(((long long)x * 2 + 1) * m.areaW / (2LL * w));
        const unsigned char *s = &area[((size_t)sy * m.areaW + sx) * 4];
        unsigned char *d = &rgba[((size_t)y * w + x) * 4];
        d[0] = s[0];
        d[1] = s[1];
        d[2] = s[2];
        d[3] = s[3];
      }
    }
  }
  glReadBuffer(GL_BACK);
  return true;
}
