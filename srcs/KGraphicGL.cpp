// KGraphicGL: pictures as OpenGL textures and their drawing operations.
// Files are read through KResource (plain files or tar members) and decoded
// by PictureDecoder (libjpeg-turbo, libpng, stb_image for TGA and BMP) into
// one RGBA buffer, top row first, where the colour key is applied and which
// is uploaded as it is: a 2D texture (square power of two) or a rectangle
// texture of exactly the picture's size. A picture larger than the driver's
// texture limit is refused before it is decoded. Drawing uses the OpenGL
// fixed pipeline in immediate mode. Owns its texture and its load buffer.
#include "KGraphicGL.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "KMiscTools.h"
#include "KResource.h"
#include "KWindowGL.h"
#include "platform/SdlVideo.h"

#include "platform/PictureDecoder.h" // picture files to RGBA pixels

#ifndef GL_TEXTURE_RECTANGLE_ARB
#define GL_TEXTURE_RECTANGLE_ARB 0x84F5
#endif
#ifndef GL_MAX_RECTANGLE_TEXTURE_SIZE_ARB
#define GL_MAX_RECTANGLE_TEXTURE_SIZE_ARB 0x84F8
#endif

// ---- constants ---------------------------------------------------------------

static const GLenum kRectTarget = GL_TEXTURE_RECTANGLE_ARB;
// Refuse picture files above this size, and pictures above this width or
// height whatever the driver allows (a 16384 x 16384 RGBA picture is 1 GB).
static const size_t kMaxFileBytes = 256u * 1024 * 1024;
static const long kMaxPictureSide = 16384;
static const uint32_t kNoTexture = 0xFFFFFFFFu;

// ---- file-local helpers ------------------------------------------------------

// The smallest power of two that is at least n and at least 4.
static long powerOfTwoAtLeast(long n) {
  long p = 4;
  while (p < n)
    p *= 2;
  return p;
}

static float clamp01(float v) {
  if (v < 0.0f)
    return 0.0f;
  if (v > 1.0f)
    return 1.0f;
  return v;
}

// Both texture targets off (untextured drawing).
static void texturesOff() {
  glDisable(GL_TEXTURE_2D);
  glDisable(kRectTarget);
}

// Reads a file (plain or archive member) whole; null when it cannot be
// opened, is empty, larger than kMaxFileBytes or cannot be read.
static unsigned char *readWholeResource(const char *name, size_t &size) {
  KResource res;
  if (res.open(name, K_RES_READ) != K_RES_OK)
    return nullptr;
  int end = 0;
  if (res.seek(K_RES_END, 0) != K_RES_OK || res.tell(end) != K_RES_OK || end <= 0 || (size_t)end > kMaxFileBytes ||
      res.seek(K_RES_BEGIN, 0) != K_RES_OK)
    return nullptr;
  unsigned char *data = (unsigned char *)malloc((size_t)end);
  if (!data) {
    KMiscTools::messageBox(" hImageDF == 0 ", name);
    return nullptr;
  }
  if (res.read(data, (unsigned long)end) != K_RES_OK) {
    free(data);
    return nullptr;
  }
  size = (size_t)end;
  return data;
}

// The largest width or height a texture may have: the smaller of the 2D and
// rectangle limits the driver reports, and never more than kMaxPictureSide.
static long maxTextureSide() {
  GLint side2d = 0, sideRect = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &side2d);
  glGetIntegerv(GL_MAX_RECTANGLE_TEXTURE_SIZE_ARB, &sideRect);
  while (glGetError() != GL_NO_ERROR) {
  }
  long side = kMaxPictureSide;
  if (side2d > 0 && side2d < side)
    side = side2d;
  if (sideRect > 0 && sideRect < side)
    side = sideRect;
  return side;
}

// ---- class-wide state ----------------------------------------------------------

short KGraphicGL::screenWidth = 0;
short KGraphicGL::screenHeight = 0;
short KGraphicGL::screenDepth = 0;
bool KGraphicGL::_graphicQuality = true;
uint32_t KGraphicGL::_oldBindedText = kNoTexture;

// ---- construction -----------------------------------------------------------------

// An empty picture with normal alpha blending and an opaque white blend colour.
KGraphicGL::KGraphicGL()
    : texture(0), _textureWidth(0), _pixels(nullptr), _sourceAlpha(GL_SRC_ALPHA), _destAlpha(GL_ONE_MINUS_SRC_ALPHA),
      _glEnum(GL_TEXTURE_2D), offscreenSurface(nullptr), _activeck(false), _ckr(0), _ckg(0), _ckb(0), _allowWrap(false),
      _blitColorChanged(false), _blitRed(1.0f), _blitGreen(1.0f), _blitBlue(1.0f), _blitAlpha(1.0f), ftextureSize(0),
      fimageWidth(0), fimageHeight(0), _ftextureWIDTH(0), _ftextureHEIGHT(0), picX1(0), picY1(0), hx1(0), hy1(0),
      hx2(0), hy2(0), left(0), top(0), _textureQuality(false), _decodedWidth(0), _decodedHeight(0),
      _nearestInForce(true) {
  filename[0] = 0;
  if (screenWidth == 0)
    KMiscTools::messageBox("Screen Dimensions not specified, you will not see anything",
                           "KGraphicGL::SetScreenSize Not Called!");
  setAlphaMode(true);
}

// Frees the load buffers and the texture.
KGraphicGL::~KGraphicGL() {
  free(_pixels);
  _pixels = nullptr;
  free(offscreenSurface);
  offscreenSurface = nullptr;
  freePicture();
}

// ---- decoding ---------------------------------------------------------------------

// Decodes the file into offscreenSurface: RGBA, top row first, the buffer
// that is uploaded as it is. The colour key gives matching pixels alpha 0
// and keeps their colour. False (with the decoder's messages) on failure.
bool KGraphicGL::LoadGeneric(const char *name) {
  free(offscreenSurface);
  offscreenSurface = nullptr;
  _decodedWidth = _decodedHeight = 0;
  size_t size = 0;
  unsigned char *data = readWholeResource(name, size);
  if (!data)
    return false;
  DecodedPicture picture;
  PictureResult result = decodePicture(data, size, maxTextureSide(), picture);
  free(data);
  if (result == kPictureTooLarge)
    KMiscTools::messageBox("erreur", "Impossible to create  GWorld");
  else if (result == kPictureNoMemory)
    KMiscTools::messageBox("out of memory (tmpBitmapBits)", "error");
  if (result != kPictureOk)
    return false; // other decoder failures are silent
  offscreenSurface = picture.rgba;
  _decodedWidth = picture.width;
  _decodedHeight = picture.height;
  if (_activeck) {
    const size_t count = (size_t)picture.width * picture.height;
    for (unsigned char *q = offscreenSurface; q < offscreenSurface + count * 4; q += 4)
      if (q[0] == _ckr && q[1] == _ckg && q[2] == _ckb)
        q[3] = 0;
  }
  return true;
}

// Generates this picture's texture on _glEnum and uploads w x h pixels of
// `format` into it with the given internal format and wrap mode. Every
// picture's texture is made here. When the driver refuses the upload (no
// memory, a size it cannot hold) the texture is deleted and the result is
// false.
bool KGraphicGL::uploadTexture(const void *pixels, long w, long h, int internal, unsigned format, int wrap) {
  while (glGetError() != GL_NO_ERROR) {
  }
  // Only this picture's target on: with both on, the rectangle one wins.
  texturesOff();
  glEnable(_glEnum);
  GLuint name = 0;
  glGenTextures(1, &name);
  texture = name;
  glBindTexture(_glEnum, texture);
  _oldBindedText = texture;
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(_glEnum, 0, internal, (GLsizei)w, (GLsizei)h, 0, format, GL_UNSIGNED_BYTE, pixels);
  if (glGetError() != GL_NO_ERROR) {
    glDeleteTextures(1, &name);
    texture = 0;
    _oldBindedText = kNoTexture;
    fimageWidth = fimageHeight = 0;
    return false;
  }
  glTexParameteri(_glEnum, GL_TEXTURE_WRAP_S, wrap);
  glTexParameteri(_glEnum, GL_TEXTURE_WRAP_T, wrap);
  return true;
}

// Picks the texture target for a picture of w x h: a 2D texture when it is a
// square power of two (at least 4), else a rectangle texture of its size.
void KGraphicGL::chooseTarget(long w, long h) {
  long p = powerOfTwoAtLeast(w > h ? w : h);
  _glEnum = (w == p && h == p) ? GL_TEXTURE_2D : kRectTarget;
  ftextureSize = (float)p;
  _textureWidth = (int32_t)p;
  fimageWidth = _ftextureWIDTH = (float)w;
  fimageHeight = _ftextureHEIGHT = (float)h;
}

// ---- loading and state --------------------------------------------------------------

// Decodes the file into this picture's texture. KResource opens the name
// as passed, else lower-cased below the resource folder (where the game's
// own pictures are stored lower-case), so a player's picture with capitals
// in its name loads too.
bool KGraphicGL::loadPicture(const char *filenameArg, bool hidef, bool hasalpha) {
  freePicture();
  if (!filenameArg)
    return false;
  if (!LoadGeneric(filenameArg)) {
    KLog::logFormat(kError, "cannot load the picture %s", filenameArg);
    return false;
  }
  chooseTarget(_decodedWidth, _decodedHeight);

  // A load starts from a plain model-view: a world view set before it no
  // longer applies until the next setWorldView.
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();

  GLint internal;
  if (hidef && hasalpha)
    internal = GL_RGBA8;
  else if (hidef)
    internal = GL_RGB8;
  else if (hasalpha)
    internal = GL_RGBA;
  else
    internal = GL_RGB;
  GLint wrap = (_glEnum == GL_TEXTURE_2D && _allowWrap) ? GL_REPEAT : GL_CLAMP_TO_EDGE;
  bool uploaded = uploadTexture(offscreenSurface, _decodedWidth, _decodedHeight, internal, GL_RGBA, wrap);
  free(offscreenSurface);
  offscreenSurface = nullptr;
  if (!uploaded) {
    KLog::logFormat(kError, "cannot make a texture of the picture %s", filenameArg);
    return false;
  }
  setTextureQuality(_textureQuality);
  return true;
}

// Deletes the texture; the picture is empty afterwards.
void KGraphicGL::freePicture() {
  if (fimageWidth > 0) {
    if (texture) {
      GLuint name = texture;
      glDeleteTextures(1, &name);
      // The name may be handed out again: it is no longer the bound one.
      if (_oldBindedText == texture)
        _oldBindedText = kNoTexture;
    }
    texture = 0;
    fimageWidth = 0;
    fimageHeight = 0;
    _textureWidth = 0;
  }
}

float KGraphicGL::getWidth() { return fimageWidth; }

float KGraphicGL::getHeight() { return fimageHeight; }

// Linear (true) or nearest (false) filtering of this picture's texture.
// Only the picture's own target is touched, so no other texture changes.
void KGraphicGL::setTextureQuality(bool quality) {
  _textureQuality = quality;
  if (!texture)
    return;
  nux_glBindTexture();
  GLint filter = quality ? GL_LINEAR : GL_NEAREST;
  glTexParameteri(_glEnum, GL_TEXTURE_MIN_FILTER, filter);
  glTexParameteri(_glEnum, GL_TEXTURE_MAG_FILTER, filter);
  _nearestInForce = !quality;
}

// Normal (source alpha, one minus source alpha) or additive blending.
void KGraphicGL::setAlphaMode(bool alphamode) {
  _sourceAlpha = GL_SRC_ALPHA;
  _destAlpha = alphamode ? GL_ONE_MINUS_SRC_ALPHA : GL_ONE;
}

// The colour key used by the next load or array conversion.
void KGraphicGL::setColorKey(bool activate, uint8_t r, uint8_t g, uint8_t b) {
  _activeck = activate;
  _ckr = r;
  _ckg = g;
  _ckb = b;
}

// Repeat or clamp this texture; a rectangle texture can only clamp.
void KGraphicGL::allowTextureWrap(bool allow) {
  _allowWrap = allow;
  if (!texture)
    return;
  nux_glBindTexture();
  GLint wrap = (allow && _glEnum == GL_TEXTURE_2D) ? GL_REPEAT : GL_CLAMP_TO_EDGE;
  glTexParameteri(_glEnum, GL_TEXTURE_WRAP_S, wrap);
  glTexParameteri(_glEnum, GL_TEXTURE_WRAP_T, wrap);
}

// The blend colour of the alpha blits, each component clamped to 0..1.
void KGraphicGL::setBlitColor(float r, float g, float b, float a) {
  _blitRed = clamp01(r);
  _blitGreen = clamp01(g);
  _blitBlue = clamp01(b);
  _blitAlpha = clamp01(a);
  _blitColorChanged = true;
}

// Makes the texture from the caller's pixel array (R, G, B, A bytes, top row
// first). flipEndians and the colour key change the caller's array in place.
bool KGraphicGL::makePictureFromArray(uint32_t *userPixelPtr, long width, long height, bool hiDef, bool flipEndians) {
  if (!userPixelPtr || width < 1 || height < 1)
    return false;
  // A picture made again gives its earlier texture back first.
  freePicture();
  size_t count = (size_t)width * height;
  unsigned char *bytes = (unsigned char *)userPixelPtr;
  if (flipEndians) {
    for (size_t i = 0; i < count; i++) {
      unsigned char *q = bytes + i * 4;
      unsigned char t0 = q[0], t1 = q[1];
      q[0] = q[3];
      q[1] = q[2];
      q[2] = t1;
      q[3] = t0;
    }
  }
  if (_activeck) {
    for (size_t i = 0; i < count; i++) {
      unsigned char *q = bytes + i * 4;
      if (q[0] == _ckr && q[1] == _ckg && q[2] == _ckb)
        q[0] = q[1] = q[2] = q[3] = 0;
    }
  }
  _userPixelPtr = userPixelPtr;
  _userHiDef = hiDef;
  chooseTarget(width, height);
  if (!uploadTexture(userPixelPtr, width, height, hiDef ? GL_RGBA8 : GL_RGBA, GL_RGBA, GL_CLAMP_TO_EDGE)) {
    _userPixelPtr = nullptr;
    return false;
  }
  setTextureQuality(_graphicQuality);
  free(_pixels);
  _pixels = nullptr;
  return true;
}

// Uploads the current contents of the array of makePictureFromArray.
void KGraphicGL::pollArray() {
  if (!_userPixelPtr || !texture)
    return;
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  texturesOff();
  glEnable(_glEnum);
  nux_glBindTexture();
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexSubImage2D(_glEnum, 0, 0, 0, (GLsizei)fimageWidth, (GLsizei)fimageHeight, GL_RGBA, GL_UNSIGNED_BYTE,
                  _userPixelPtr);
}

// Binds the texture to the 2D target for drawing with the caller's own
// primitives; the binding cache is left alone.
void KGraphicGL::selectTexture() {
  glDisable(kRectTarget);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, texture);
}

// Remembers the drawing size of the window just opened.
void KGraphicGL::setScreenSize(short width, short height, short depth) {
  screenWidth = width;
  screenHeight = height;
  screenDepth = depth;
  glEnable(GL_TEXTURE_2D);
  glShadeModel(GL_FLAT);
}

// Binds this texture unless it is the one last bound by a picture.
void KGraphicGL::nux_glBindTexture() {
  if (_oldBindedText != texture) {
    texturesOff();
    glEnable(_glEnum);
    glBindTexture(_glEnum, texture);
    _oldBindedText = texture;
  }
}

// Forgets the last bound texture: the next blit of any picture binds again.
void KGraphicGL::forgetBoundTexture() { _oldBindedText = kNoTexture; }

// ---- screen grabs -------------------------------------------------------------------

// Copies the back or front buffer into this picture, the right way up.
bool KGraphicGL::grabBuffer(bool front) {
  long sw = screenWidth, sh = screenHeight;
  if (sw <= 0 || sh <= 0)
    return false;
  long p = powerOfTwoAtLeast(sw > sh ? sw : sh);
  bool rect = KWindowGL::hasRectangleText;
  long texW = rect ? sw : p, texH = rect ? sh : p;
  unsigned char *screen = (unsigned char *)malloc((size_t)sw * sh * 4);
  unsigned char *image = (unsigned char *)calloc((size_t)p * p, 4);
  if (!screen || !image) {
    free(screen);
    free(image);
    return false;
  }
  // A picture grabbed again gives its earlier texture back first.
  freePicture();
  sdlReadDrawingPixels(front ? GL_FRONT : GL_BACK, screen);
  for (long y = 0; y < sh; y++) {
    const unsigned char *s = screen + (size_t)(sh - 1 - y) * sw * 4;
    unsigned char *d = image + (size_t)y * texW * 3;
    for (long x = 0; x < sw; x++) {
      d[x * 3] = s[x * 4];
      d[x * 3 + 1] = s[x * 4 + 1];
      d[x * 3 + 2] = s[x * 4 + 2];
    }
  }
  _glEnum = rect ? kRectTarget : GL_TEXTURE_2D;
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  bool uploaded = uploadTexture(image, texW, texH, GL_RGB, GL_RGB, GL_CLAMP_TO_EDGE);
  free(screen);
  free(image);
  if (!uploaded)
    return false;
  _ftextureWIDTH = (float)texW;
  _ftextureHEIGHT = (float)texH;
  GLint filter = _textureQuality ? GL_LINEAR : GL_NEAREST;
  glTexParameteri(_glEnum, GL_TEXTURE_MIN_FILTER, filter);
  glTexParameteri(_glEnum, GL_TEXTURE_MAG_FILTER, filter);
  _nearestInForce = !_textureQuality;
  fimageWidth = (float)sw;
  fimageHeight = (float)sh;
  ftextureSize = (float)p;
  _textureWidth = (int32_t)p;
  return true;
}

bool KGraphicGL::grabBackBuffer() { return grabBuffer(false); }

bool KGraphicGL::grabFrontBuffer() { return grabBuffer(true); }

// ---- quad emission --------------------------------------------------------------------

// One texture coordinate in picture pixels: texels for a rectangle texture,
// normalised by the texture size for a 2D texture.
void KGraphicGL::texCoord(float sx, float sy) {
  if (_glEnum == GL_TEXTURE_2D && _ftextureWIDTH > 0 && _ftextureHEIGHT > 0)
    glTexCoord2f(sx / _ftextureWIDTH, sy / _ftextureHEIGHT);
  else
    glTexCoord2f(sx, sy);
}

// Whether a quad of w x h drawing pixels at (destX, destY) shows the source
// rectangle texel for pixel: the source size equals the drawn size, every
// offset is whole, the model-view is a whole-pixel translation and the
// projection and viewport are the window's own. Linear filtering then
// samples texel centres only, so nearest sampling gives the same pixels for
// much less work in a software renderer.
bool KGraphicGL::isPixelExact(float x1, float y1, float sw, float sh, float destX, float destY, float w,
                              float h) const {
  if (sw != w || sh != h || x1 != floorf(x1) || y1 != floorf(y1))
    return false;
  const SdlDisplayMapping &m = sdlDisplayMapping();
  if (m.areaW != m.drawWidth || m.areaH != m.drawHeight || m.drawHeight != screenHeight)
    return false;
  GLfloat mv[16], pr[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, mv);
  if (mv[0] != 1 || mv[5] != 1 || mv[1] != 0 || mv[4] != 0 || mv[3] != 0 || mv[7] != 0 || mv[15] != 1)
    return false;
  float tx = mv[12] + destX, ty = mv[13] + destY;
  if (tx != floorf(tx) || ty != floorf(ty))
    return false;
  glGetFloatv(GL_PROJECTION_MATRIX, pr);
  return pr[0] == 2.0f / m.drawWidth && pr[5] == 2.0f / m.drawHeight && pr[1] == 0 && pr[4] == 0 && pr[12] == -1.0f &&
         pr[13] == -1.0f && pr[3] == 0 && pr[7] == 0;
}

// Sets the texture's filters for the next quad: the picture's quality, or
// nearest for a pixel-exact quad (the same pixels). Filters change only when
// they differ from those last set on this texture.
void KGraphicGL::prepareFilter(bool exact) {
  bool nearest = !_textureQuality || exact;
  if (nearest == _nearestInForce)
    return;
  GLint filter = nearest ? GL_NEAREST : GL_LINEAR;
  glTexParameteri(_glEnum, GL_TEXTURE_MIN_FILTER, filter);
  glTexParameteri(_glEnum, GL_TEXTURE_MAG_FILTER, filter);
  _nearestInForce = nearest;
}

// One quad of the source rectangle with its top-left at (destX, destY) of
// drawing space (y up), integer corners, size truncated toward zero.
void KGraphicGL::GenericBlit(float x1, float y1, float x2, float y2, short destX, short destY, bool flipx, bool flipy) {
  nux_glBindTexture();
  int w = (int)(x2 - x1);
  int h = (int)(y2 - y1);
  prepareFilter(_textureQuality && isPixelExact(x1, y1, x2 - x1, y2 - y1, destX, destY, w, h));
  float left = flipx ? x2 : x1, right = flipx ? x1 : x2;
  float topS = flipy ? y2 : y1, bottomS = flipy ? y1 : y2;
  glBegin(GL_QUADS);
  texCoord(left, topS);
  glVertex2i(destX, destY);
  texCoord(left, bottomS);
  glVertex2i(destX, destY - h);
  texCoord(right, bottomS);
  glVertex2i(destX + w, destY - h);
  texCoord(right, topS);
  glVertex2i(destX + w, destY);
  glEnd();
}

// GenericBlit with float corners, nothing truncated.
void KGraphicGL::GenericBlitF(float x1, float y1, float x2, float y2, float destX, float destY, bool flipx,
                              bool flipy) {
  nux_glBindTexture();
  float w = x2 - x1;
  float h = y2 - y1;
  prepareFilter(_textureQuality && isPixelExact(x1, y1, w, h, destX, destY, w, h));
  float left = flipx ? x2 : x1, right = flipx ? x1 : x2;
  float topS = flipy ? y2 : y1, bottomS = flipy ? y1 : y2;
  glBegin(GL_QUADS);
  texCoord(left, topS);
  glVertex2f(destX, destY);
  texCoord(left, bottomS);
  glVertex2f(destX, destY - h);
  texCoord(right, bottomS);
  glVertex2f(destX + w, destY - h);
  texCoord(right, topS);
  glVertex2f(destX + w, destY);
  glEnd();
}

// ---- untextured primitives --------------------------------------------------------------

// A filled rectangle between two screen corners; opaque when blend is 1.
void KGraphicGL::drawRect(float x1, float y1, float x2, float y2, float r, float g, float b, float blend) {
  texturesOff();
  if (blend == 1.0f) {
    glDisable(GL_BLEND);
    glColor3f(r, g, b);
  } else {
    glEnable(GL_BLEND);
    glColor4f(r, g, b, blend);
    glBlendFunc(_sourceAlpha, _destAlpha);
  }
  float H = screenHeight;
  glBegin(GL_QUADS);
  glVertex2i((int)x1, (int)(H - y1));
  glVertex2i((int)x2, (int)(H - y1));
  glVertex2i((int)x2, (int)(H - y2));
  glVertex2i((int)x1, (int)(H - y2));
  glEnd();
  _oldBindedText = kNoTexture;
  glDisable(GL_BLEND);
  glColor4f(1, 1, 1, 1);
}

// A blended segment between two screen points; blending stays on.
void KGraphicGL::drawLine(float x1, float y1, float x2, float y2, float r, float g, float b, float blend) {
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  texturesOff();
  glColor4f(r, g, b, blend);
  float H = screenHeight;
  glBegin(GL_LINE_LOOP);
  glVertex2f(x1, H - y1);
  glVertex2f(x2, H - y2);
  glEnd();
  _oldBindedText = kNoTexture;
  glColor4f(1, 1, 1, 1);
}

// A one-pixel horizontal segment at the screen point.
void KGraphicGL::plotPixel(float x1, float y1, float r, float g, float b, float blend) {
  drawLine(x1, y1, x1 + 1, y1, r, g, b, blend);
}

// ---- blits ----------------------------------------------------------------------------------

// The colour the alpha blits draw in: the blend colour when one was set,
// else opaque white, its alpha scaled by `blend`.
void KGraphicGL::applyBlitColor(float blend) {
  if (_blitColorChanged)
    glColor4f(_blitRed, _blitGreen, _blitBlue, _blitAlpha * blend);
  else
    glColor4f(1, 1, 1, blend);
}

// Opens the two model-view levels of an opaque Fx blit: moved to the pivot,
// turned and zoomed, blending off. The caller pops both.
void KGraphicGL::pushOpaqueFx(float destX, float dy, float mx, float my, float angle, float zoom) {
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glTranslatef(destX + mx, dy - my, 0);
  glRotatef(angle, 0, 0, 1);
  glScalef(zoom, zoom, 0);
  glDisable(GL_BLEND);
  glPushMatrix();
}

// Opens the two model-view levels of an alpha Fx blit, transformed only when
// it turns or zooms, with the blit colour and blending set. The caller pops
// both. Returns whether it transforms.
bool KGraphicGL::pushAlphaFx(float destX, float dy, float mx, float my, float angle, float zoom, float blend) {
  bool transform = angle != 0.0f || zoom != 1.0f;
  glPushMatrix();
  if (transform) {
    glTranslatef(destX + mx, dy - my, 0);
    if (angle != 0.0f)
      glRotatef(angle, 0, 0, 1);
    if (zoom != 1.0f)
      glScalef(zoom, zoom, 0);
  }
  applyBlitColor(blend);
  glEnable(GL_BLEND);
  glBlendFunc(_sourceAlpha, _destAlpha);
  glPushMatrix();
  return transform;
}

// Opaque copy of the source rectangle with its top-left at the screen point.
void KGraphicGL::blitRect(float x1, float y1, float x2, float y2, short destX, short destY, bool flipx, bool flipy) {
  glDisable(GL_BLEND);
  short dy = (short)(screenHeight - destY);
  glPushMatrix();
  GenericBlit(x1, y1, x2, y2, destX, dy, flipx, flipy);
  glPopMatrix();
}

// Blended copy in the blend colour (or opaque white); leaves that colour set.
void KGraphicGL::blitAlphaRect(float x1, float y1, float x2, float y2, short destX, short destY, bool flipx,
                               bool flipy) {
  glEnable(GL_BLEND);
  glBlendFunc(_sourceAlpha, _destAlpha);
  short dy = (short)(screenHeight - destY);
  glPushMatrix();
  applyBlitColor(1.0f);
  GenericBlit(x1, y1, x2, y2, destX, dy, flipx, flipy);
  glPopMatrix();
}

// Blended copy turned by angle and scaled by zoom about the rectangle's
// centre moved by (centerX, centerY); nothing for zoom 0 or blend <= 0.
void KGraphicGL::blitAlphaRectFx(float x1, float y1, float x2, float y2, short destX, short destY, float angle,
                                 float zoom, float blend, bool flipx, bool flipy, float centerX, float centerY) {
  if (zoom == 0.0f || blend <= 0.0f)
    return;
  short dy = (short)(screenHeight - destY);
  float mx = (x2 - x1) * 0.5f + centerX;
  float my = (y2 - y1) * 0.5f + centerY;
  bool transform = pushAlphaFx(destX, dy, mx, my, angle, zoom, blend);
  if (transform)
    GenericBlit(x1, y1, x2, y2, (short)(int)(-mx), (short)(int)my, flipx, flipy);
  else
    GenericBlit(x1, y1, x2, y2, destX, dy, flipx, flipy);
  glPopMatrix();
  glColor4f(1, 1, 1, 1);
  glPopMatrix();
}

// Opaque copy turned and scaled about the pivot; nothing for zoom 0.
void KGraphicGL::blitRectFx(float x1, float y1, float x2, float y2, short destX, short destY, float angle, float zoom,
                            bool flipx, bool flipy, float centerX, float centerY) {
  if (zoom == 0.0f)
    return;
  short dy = (short)(screenHeight - destY);
  float mx = (x2 - x1) * 0.5f + centerX;
  float my = (y2 - y1) * 0.5f + centerY;
  pushOpaqueFx(destX, dy, mx, my, angle, zoom);
  GenericBlit(x1, y1, x2, y2, (short)(int)(-mx), (short)(int)my, flipx, flipy);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
}

// The picture repeated tileFactor times across a screen rectangle, turned
// by angle about its centre.
void KGraphicGL::blitTiledRect(short destX, short destY, short width, short height, float tileFactor, float angle) {
  int hw = width / 2;
  int hh = height / 2;
  glDisable(GL_BLEND);
  nux_glBindTexture();
  prepareFilter(false);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glTranslatef((float)(destX + hw), (float)((screenHeight - destY) - hh), 0);
  glRotatef(angle, 0, 0, 1);
  glBegin(GL_QUADS);
  glTexCoord2f(tileFactor, tileFactor);
  glVertex2i(-hw, hh);
  glTexCoord2f(tileFactor, 0);
  glVertex2i(-hw, -hh);
  glTexCoord2f(0, 0);
  glVertex2i(hw, -hh);
  glTexCoord2f(0, tileFactor);
  glVertex2i(hw, hh);
  glEnd();
  glPopMatrix();
}

// The four source points drawn onto the four screen points, in order.
void KGraphicGL::genericArbitraryBlit(const float *src, const float *dst) {
  nux_glBindTexture();
  prepareFilter(false);
  GLenum other = _glEnum == GL_TEXTURE_2D ? kRectTarget : GL_TEXTURE_2D;
  glDisable(other);
  glEnable(_glEnum);
  glBegin(GL_QUADS);
  for (int i = 0; i < 4; i++) {
    texCoord(src[i * 2], src[i * 2 + 1]);
    glVertex2i((int)dst[i * 2], (int)dst[i * 2 + 1]);
  }
  glEnd();
}

// Blended copy of any source quadrilateral onto any screen quadrilateral.
void KGraphicGL::blitArbitraryQuad(float sx1, float sy1, float sx2, float sy2, float sx3, float sy3, float sx4,
                                   float sy4, float dx1, float dy1, float dx2, float dy2, float dx3, float dy3,
                                   float dx4, float dy4) {
  glEnable(GL_BLEND);
  glBlendFunc(_sourceAlpha, _destAlpha);
  glPushMatrix();
  float H = screenHeight;
  const float src[8] = {sx1, sy1, sx2, sy2, sx3, sy3, sx4, sy4};
  const float dst[8] = {dx1, H - dy1, dx2, H - dy2, dx3, H - dy3, dx4, H - dy4};
  genericArbitraryBlit(src, dst);
  glPopMatrix();
}

// blitRect with a float destination.
void KGraphicGL::blitRectF(float x1, float y1, float x2, float y2, float destX, float destY, bool flipx, bool flipy) {
  nux_glBindTexture();
  glDisable(GL_BLEND);
  float dy = screenHeight - destY;
  glPushMatrix();
  GenericBlitF(x1, y1, x2, y2, destX, dy, flipx, flipy);
  glPopMatrix();
}

// blitRectFx with a float destination.
void KGraphicGL::blitRectFxF(float x1, float y1, float x2, float y2, float destX, float destY, float angle, float zoom,
                             bool flipx, bool flipy, float centerX, float centerY) {
  if (zoom == 0.0f)
    return;
  nux_glBindTexture();
  float dy = screenHeight - destY;
  float mx = (x2 - x1) * 0.5f + centerX;
  float my = (y2 - y1) * 0.5f + centerY;
  pushOpaqueFx(destX, dy, mx, my, angle, zoom);
  GenericBlitF(x1, y1, x2, y2, -mx, my, flipx, flipy);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
}

// blitAlphaRect with a float destination.
void KGraphicGL::blitAlphaRectF(float x1, float y1, float x2, float y2, float destX, float destY, bool flipx,
                                bool flipy) {
  nux_glBindTexture();
  glEnable(GL_BLEND);
  glBlendFunc(_sourceAlpha, _destAlpha);
  float dy = screenHeight - destY;
  glPushMatrix();
  applyBlitColor(1.0f);
  GenericBlitF(x1, y1, x2, y2, destX, dy, flipx, flipy);
  glPopMatrix();
}

// blitAlphaRectFx with a float destination.
void KGraphicGL::blitAlphaRectFxF(float x1, float y1, float x2, float y2, float destX, float destY, float angle,
                                  float zoom, float blend, bool flipx, bool flipy, float centerX, float centerY) {
  if (zoom == 0.0f || blend <= 0.0f)
    return;
  nux_glBindTexture();
  float dy = screenHeight - destY;
  float mx = (x2 - x1) * 0.5f + centerX;
  float my = (y2 - y1) * 0.5f + centerY;
  bool transform = pushAlphaFx(destX, dy, mx, my, angle, zoom, blend);
  if (transform)
    GenericBlitF(x1, y1, x2, y2, -mx, my, flipx, flipy);
  else
    GenericBlitF(x1, y1, x2, y2, destX, dy, flipx, flipy);
  glPopMatrix();
  glColor4f(1, 1, 1, 1);
  glPopMatrix();
}

// One quad from source (sx1, sy1)-(sx2, sy2) onto drawing corners
// (dx1, gy1)-(dx2, gy2), integer vertices.
void KGraphicGL::genericStretchBlit(float sx1, float sy1, float sx2, float sy2, float dx1, float gy1, float dx2,
                                    float gy2, bool flipx, bool flipy) {
  glPushMatrix();
  nux_glBindTexture();
  prepareFilter(_textureQuality && isPixelExact(sx1, sy1, sx2 - sx1, sy2 - sy1, (float)(int)dx1, (float)(int)gy1,
                                                (float)((int)dx2 - (int)dx1), (float)((int)gy1 - (int)gy2)));
  if (flipx) {
    float t = sx1;
    sx1 = sx2;
    sx2 = t;
  }
  if (flipy) {
    float t = sy1;
    sy1 = sy2;
    sy2 = t;
  }
  glBegin(GL_QUADS);
  texCoord(sx1, sy1);
  glVertex2i((int)dx1, (int)gy1);
  texCoord(sx1, sy2);
  glVertex2i((int)dx1, (int)gy2);
  texCoord(sx2, sy2);
  glVertex2i((int)dx2, (int)gy2);
  texCoord(sx2, sy1);
  glVertex2i((int)dx2, (int)gy1);
  glEnd();
  glPopMatrix();
}

// The source rectangle stretched onto the screen rectangle (dx1, dy1) top-left
// to (dx2, dy2) bottom-right, optionally turned about its centre.
void KGraphicGL::stretchAlphaRect(float sx1, float sy1, float sx2, float sy2, float dx1, float dy1, float dx2,
                                  float dy2, float blend, float angle, bool flipx, bool flipy) {
  nux_glBindTexture();
  glEnable(GL_BLEND);
  glBlendFunc(_sourceAlpha, _destAlpha);
  if (_blitColorChanged)
    glColor4f(_blitRed, _blitGreen, _blitBlue, _blitAlpha * blend);
  else if (blend < 0.0f || blend == 1.0f)
    glColor4f(1, 1, 1, 1);
  else
    glColor4f(1, 1, 1, blend);
  float H = screenHeight;
  float gy1 = H - dy1, gy2 = H - dy2;
  float hw = (dx2 - dx1) * 0.5f, hh = (dy2 - dy1) * 0.5f;
  glPushMatrix();
  if (angle != 0.0f) {
    glTranslatef(dx1 + hw, gy1 - hh, 0);
    glRotatef(angle, 0, 0, 1);
    float ndx2 = dx2 - dx1 - hw;
    float ngy2 = hh + gy2 - gy1;
    dx1 = -hw;
    gy1 = hh;
    dx2 = ndx2;
    gy2 = ngy2;
  }
  genericStretchBlit(sx1, sy1, sx2, sy2, dx1, gy1, dx2, gy2, flipx, flipy);
  glColor4f(1, 1, 1, 1);
  glPopMatrix();
}
