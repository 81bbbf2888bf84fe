// NullGraphic: a KGraphic that draws nothing and loads everything, for tests
// that only need to observe a few calls (derive and override those).
#ifndef TESTSUPPORT_NULLGRAPHIC_H
#define TESTSUPPORT_NULLGRAPHIC_H

#include "KGraphic.h"

namespace testsupport {

class NullGraphic : public KGraphic {
public:
  bool loadPicture(const char *, bool, bool) override { return true; }
  void freePicture() override {}
  float getWidth() override { return 1024; }
  float getHeight() override { return 1024; }
  void setTextureQuality(bool) override {}
  void drawRect(float, float, float, float, float, float, float, float) override {}
  void drawLine(float, float, float, float, float, float, float, float) override {}
  void plotPixel(float, float, float, float, float, float) override {}
  void blitRect(float, float, float, float, short, short, bool, bool) override {}
  void blitRectFx(float, float, float, float, short, short, float, float, bool, bool, float, float) override {}
  void blitAlphaRect(float, float, float, float, short, short, bool, bool) override {}
  void blitAlphaRectFx(float, float, float, float, short, short, float, float, float, bool, bool, float,
                       float) override {}
  void blitTiledRect(short, short, short, short, float, float) override {}
  void blitArbitraryQuad(float, float, float, float, float, float, float, float, float, float, float, float, float,
                         float, float, float) override {}
  void blitRectF(float, float, float, float, float, float, bool, bool) override {}
  void blitRectFxF(float, float, float, float, float, float, float, float, bool, bool, float, float) override {}
  void blitAlphaRectF(float, float, float, float, float, float, bool, bool) override {}
  void blitAlphaRectFxF(float, float, float, float, float, float, float, float, float, bool, bool, float,
                        float) override {}
  void setAlphaMode(bool) override {}
  void stretchAlphaRect(float, float, float, float, float, float, float, float, float, float, bool, bool) override {}
  bool grabBackBuffer() override { return false; }
  bool grabFrontBuffer() override { return false; }
  void setColorKey(bool, uint8_t, uint8_t, uint8_t) override {}
  void allowTextureWrap(bool) override {}
  void setBlitColor(float, float, float, float) override {}
  bool makePictureFromArray(uint32_t *, long, long, bool, bool) override { return false; }
  void pollArray() override {}
  void selectTexture() override {}
};

} // namespace testsupport

#endif
