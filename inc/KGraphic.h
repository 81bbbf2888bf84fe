// KGraphic: the engine's picture interface. A picture is one image file or
// pixel array held as one OpenGL texture, plus the drawing state its blits
// use (blend factors, blend colour, filtering, wrapping, colour key).
// Pictures are made by KNUX::createKGraphic and deleted through the virtual
// destructor. The order of the virtual operations below is part of the
// interface: callers reach pictures only through these slots.
#ifndef KGRAPHIC_H
#define KGRAPHIC_H

#include <cstdint>

class KGraphic {
public:
  KGraphic() : _userPixelPtr(nullptr), _userHiDef(false) {}

  // slots 0, 1
  virtual ~KGraphic() {}

  // ---- loading and state ----
  // slot 2: decodes a JPEG, TGA or PNG file (plain or in a registered tar
  // archive) into the picture's texture. The name is lower-cased in place.
  virtual bool loadPicture(const char *filename, bool hidef, bool hasalpha) = 0;
  // slot 3: deletes the texture; the picture is empty afterwards.
  virtual void freePicture() = 0;
  // slots 4, 5: the picture's size in pixels, 0 when empty.
  virtual float getWidth() = 0;
  virtual float getHeight() = 0;
  // slot 6: linear (true) or nearest (false) filtering of this texture.
  virtual void setTextureQuality(bool quality) = 0;

  // ---- untextured primitives (screen pixels, origin top-left) ----
  // slot 7
  virtual void drawRect(float x1, float y1, float x2, float y2, float r, float g, float b, float blend) = 0;
  // slot 8
  virtual void drawLine(float x1, float y1, float x2, float y2, float r, float g, float b, float blend) = 0;
  // slot 9
  virtual void plotPixel(float x1, float y1, float r, float g, float b, float blend) = 0;

  // ---- blits: source rectangle (x1, y1)-(x2, y2), x2 and y2 exclusive ----
  // slot 10
  virtual void blitRect(float x1, float y1, float x2, float y2, short destX, short destY, bool flipx, bool flipy) = 0;
  // slot 11
  virtual void blitRectFx(float x1, float y1, float x2, float y2, short destX, short destY, float angle, float zoom,
                          bool flipx, bool flipy, float centerX, float centerY) = 0;
  // slot 12
  virtual void blitAlphaRect(float x1, float y1, float x2, float y2, short destX, short destY, bool flipx,
                             bool flipy) = 0;
  // slot 13
  virtual void blitAlphaRectFx(float x1, float y1, float x2, float y2, short destX, short destY, float angle,
                               float zoom, float blend, bool flipx, bool flipy, float centerX, float centerY) = 0;
  // slot 14
  virtual void blitTiledRect(short destX, short destY, short width, short height, float tileFactor, float angle) = 0;
  // slot 15
  virtual void blitArbitraryQuad(float sx1, float sy1, float sx2, float sy2, float sx3, float sy3, float sx4, float sy4,
                                 float dx1, float dy1, float dx2, float dy2, float dx3, float dy3, float dx4,
                                 float dy4) = 0;
  // slot 16
  virtual void blitRectF(float x1, float y1, float x2, float y2, float destX, float destY, bool flipx, bool flipy) = 0;
  // slot 17
  virtual void blitRectFxF(float x1, float y1, float x2, float y2, float destX, float destY, float angle, float zoom,
                           bool flipx, bool flipy, float centerX, float centerY) = 0;
  // slot 18
  virtual void blitAlphaRectF(float x1, float y1, float x2, float y2, float destX, float destY, bool flipx,
                              bool flipy) = 0;
  // slot 19
  virtual void blitAlphaRectFxF(float x1, float y1, float x2, float y2, float destX, float destY, float angle,
                                float zoom, float blend, bool flipx, bool flipy, float centerX, float centerY) = 0;
  // slot 20: true = normal alpha blending, false = additive.
  virtual void setAlphaMode(bool alphamode) = 0;
  // slot 21
  virtual void stretchAlphaRect(float sx1, float sy1, float sx2, float sy2, float dx1, float dy1, float dx2, float dy2,
                                float blend, float angle, bool flipx, bool flipy) = 0;

  // ---- screen grabs, keys, wrapping, colour, arrays ----
  // slot 22, 23: copy the back / front buffer into this (empty) picture.
  virtual bool grabBackBuffer() = 0;
  virtual bool grabFrontBuffer() = 0;
  // slot 24: the colour key, applied while pixels are converted (set it
  // before loading).
  virtual void setColorKey(bool activate, uint8_t r, uint8_t g, uint8_t b) = 0;
  // slot 25: square power-of-two textures repeat instead of clamping.
  virtual void allowTextureWrap(bool allow) = 0;
  // slot 26: blend colour of the alpha blits, each component clamped to 0..1.
  virtual void setBlitColor(float r, float g, float b, float a) = 0;
  // slot 27: width x height pixels, 4 bytes each in memory as R, G, B, A,
  // top row first. The array stays the caller's and is kept for pollArray.
  virtual bool makePictureFromArray(uint32_t *userPixelPtr, long width, long height, bool hiDef, bool flipEndians) = 0;
  // slot 28: re-uploads the array of makePictureFromArray.
  virtual void pollArray() = 0;
  // slot 29: binds the texture to the 2D target for the caller's own drawing.
  virtual void selectTexture() = 0;

  uint32_t *_userPixelPtr; // caller's pixel array of makePictureFromArray, or null
  bool _userHiDef;         // the hiDef passed to makePictureFromArray
};

#endif
