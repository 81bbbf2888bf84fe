// KGraphicGL: the OpenGL picture. One texture (2D when the picture is a
// square power of two of at least 4 pixels, a rectangle texture of exactly
// the picture's size otherwise) plus the state its blits use.
#ifndef KGRAPHICGL_H
#define KGRAPHICGL_H

#include <cstdint>

#include "KGraphic.h"

class KGraphicGL : public KGraphic {
public:
  KGraphicGL();
  ~KGraphicGL() override;

  bool loadPicture(const char *filename, bool hidef, bool hasalpha) override;
  void freePicture() override;
  float getWidth() override;
  float getHeight() override;
  void setTextureQuality(bool quality) override;
  void drawRect(float x1, float y1, float x2, float y2, float r, float g, float b, float blend) override;
  void drawLine(float x1, float y1, float x2, float y2, float r, float g, float b, float blend) override;
  void plotPixel(float x1, float y1, float r, float g, float b, float blend) override;
  void blitRect(float x1, float y1, float x2, float y2, short destX, short destY, bool flipx, bool flipy) override;
  void blitRectFx(float x1, float y1, float x2, float y2, short destX, short destY, float angle, float zoom, bool flipx,
                  bool flipy, float centerX, float centerY) override;
  void blitAlphaRect(float x1, float y1, float x2, float y2, short destX, short destY, bool flipx, bool flipy) override;
  void blitAlphaRectFx(float x1, float y1, float x2, float y2, short destX, short destY, float angle, float zoom,
                       float blend, bool flipx, bool flipy, float centerX, float centerY) override;
  void blitTiledRect(short destX, short destY, short width, short height, float tileFactor, float angle) override;
  void blitArbitraryQuad(float sx1, float sy1, float sx2, float sy2, float sx3, float sy3, float sx4, float sy4,
                         float dx1, float dy1, float dx2, float dy2, float dx3, float dy3, float dx4,
                         float dy4) override;
  void blitRectF(float x1, float y1, float x2, float y2, float destX, float destY, bool flipx, bool flipy) override;
  void blitRectFxF(float x1, float y1, float x2, float y2, float destX, float destY, float angle, float zoom,
                   bool flipx, bool flipy, float centerX, float centerY) override;
  void blitAlphaRectF(float x1, float y1, float x2, float y2, float destX, float destY, bool flipx,
                      bool flipy) override;
  void blitAlphaRectFxF(float x1, float y1, float x2, float y2, float destX, float destY, float angle, float zoom,
                        float blend, bool flipx, bool flipy, float centerX, float centerY) override;
  void setAlphaMode(bool alphamode) override;
  void stretchAlphaRect(float sx1, float sy1, float sx2, float sy2, float dx1, float dy1, float dx2, float dy2,
                        float blend, float angle, bool flipx, bool flipy) override;
  bool grabBackBuffer() override;
  bool grabFrontBuffer() override;
  void setColorKey(bool activate, uint8_t r, uint8_t g, uint8_t b) override;
  void allowTextureWrap(bool allow) override;
  void setBlitColor(float r, float g, float b, float a) override;
  bool makePictureFromArray(uint32_t *userPixelPtr, long width, long height, bool hiDef, bool flipEndians) override;
  void pollArray() override;
  void selectTexture() override;

  // Remembers the drawing size of the window just opened (its height turns
  // screen y into drawing y for every blit), enables 2D texturing.
  static void setScreenSize(short width, short height, short depth);
  // The one-entry binding cache: binds this texture unless it is the one
  // last bound by a picture.
  void nux_glBindTexture();
  // Forgets which texture the pictures last bound, so the next blit binds
  // its own. For drawing code that binds or switches textures itself (the
  // meshes of K3D).
  static void forgetBoundTexture();

  uint32_t texture;                  // OpenGL texture name, 0 when none
  char filename[260];                // declared; not filled
  int32_t _textureWidth;             // power-of-two size of the last load; 0 when empty
  unsigned char *_pixels;            // temporary RGBA buffer during a load
  uint16_t _sourceAlpha, _destAlpha; // blend factors of the alpha blits
  uint32_t _glEnum;                  // texture target: GL_TEXTURE_2D or the rectangle target
  unsigned char *offscreenSurface;   // decoded RGBA pixels during a load
  bool _activeck;                    // colour key in force
  uint8_t _ckr, _ckg, _ckb;
  bool _allowWrap;        // square power-of-two textures repeat
  bool _blitColorChanged; // the blend colour is in force
  float _blitRed, _blitGreen, _blitBlue, _blitAlpha;
  float ftextureSize;                    // power-of-two size of the last load or grab
  float fimageWidth, fimageHeight;       // picture size; 0 when empty
  float _ftextureWIDTH, _ftextureHEIGHT; // texture size in pixels
  float picX1, picY1;                    // declared, not used
  int32_t hx1, hy1, hx2, hy2, left, top; // declared, not used
  bool _textureQuality;                  // linear (true) or nearest filtering

  static short screenWidth, screenHeight, screenDepth;
  static bool _graphicQuality;    // filtering of pictures made from arrays
  static uint32_t _oldBindedText; // texture last bound by a picture; all ones = none

private:
  bool LoadGeneric(const char *name);
  void chooseTarget(long w, long h);
  bool uploadTexture(const void *pixels, long w, long h, int internal, unsigned format, int wrap);
  void GenericBlit(float x1, float y1, float x2, float y2, short destX, short destY, bool flipx, bool flipy);
  void GenericBlitF(float x1, float y1, float x2, float y2, float destX, float destY, bool flipx, bool flipy);
  void genericStretchBlit(float sx1, float sy1, float sx2, float sy2, float dx1, float dy1, float dx2, float dy2,
                          bool flipx, bool flipy);
  void genericArbitraryBlit(const float *src, const float *dst);
  void texCoord(float sx, float sy);
  // Shared steps of the blits: the blend colour scaled by `blend`; the
  // turn-and-zoom transform about (destX + mx, dy - my) of the Fx blits.
  void applyBlitColor(float blend);
  void pushOpaqueFx(float destX, float dy, float mx, float my, float angle, float zoom);
  bool pushAlphaFx(float destX, float dy, float mx, float my, float angle, float zoom, float blend);
  bool grabBuffer(bool front);
  bool isPixelExact(float x1, float y1, float sw, float sh, float destX, float destY, float w, float h) const;
  void prepareFilter(bool exact);
  long _decodedWidth, _decodedHeight; // size of offscreenSurface (full integers)
  bool _nearestInForce;               // the filters last set on the texture are nearest
};

#endif
