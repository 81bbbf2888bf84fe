// KText: bitmap-font text. Draws each character as an alpha-blended blit of
// its glyph rectangle from the font picture (a KGraphic made by KNUX), tinted
// by the text's colour; measures strings and word-wraps them. Owns the font
// picture; the glyph table stays the caller's.
#include "KText.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "KNUX.h"

// ---- file-local helpers ----------------------------------------------------

// The characters at which a wrapped line may end. The break character itself
// is not drawn.
static bool isBreakChar(char c) {
  return c == '\n' || c == '\r' || c == ' ' || c == '.' || c == ',' || c == '!' || c == 0;
}

// ---- KText -----------------------------------------------------------------

KText::KText() : _surf_Fonts(nullptr), _fontTable(nullptr), _blendFactor(1.0f), _red(1.0f), _green(1.0f), _blue(1.0f) {}

KText::KText(char *font_Filename, KFont *table) : KText() {
  loadFontBitmap(font_Filename);
  _fontTable = table;
}

KText::~KText() { delete _surf_Fonts; }

// Creates and loads the font picture unless one is already held.
void KText::loadFontBitmap(char *font_Filename) {
  if (_surf_Fonts != nullptr)
    return;
  _surf_Fonts = KNUX::createKGraphic();
  if (_surf_Fonts != nullptr && font_Filename != nullptr)
    _surf_Fonts->loadPicture(font_Filename, true, true);
}

// Takes ownership of the picture; a different picture held before is deleted
// so that it does not leak.
void KText::setKGraphic(KGraphic *kgrptr) {
  if (_surf_Fonts != kgrptr)
    delete _surf_Fonts;
  _surf_Fonts = kgrptr;
}

KGraphic *KText::getKGraphicPtr() { return _surf_Fonts; }

void KText::setFontTable(KFont *table) { _fontTable = table; }

void KText::setColor(float red, float green, float blue, float blendFactor) {
  _red = red;
  _green = green;
  _blue = blue;
  _blendFactor = blendFactor;
}

// Draws at most `count` characters of txt (stopping at its end) from the pen
// (x, y) rightwards. Shared by drawStringFromLeft and drawNCharFromLeft.
void KText::drawCharsFromLeft(const char *txt, long count, long x, long y, long kerning) {
  if (_surf_Fonts == nullptr || txt == nullptr || txt[0] == 0 || count <= 0)
    return;
  _surf_Fonts->setBlitColor(_red, _green, _blue, _blendFactor);
  for (long i = 0; i < count && txt[i] != 0; i++) {
    long index = getCharIndex(txt[i]);
    if (index < 0)
      continue;
    const KFont &g = _fontTable[index];
    _surf_Fonts->blitAlphaRect((short)g._x1, (short)g._y1, (short)(g._x2 + 1), (short)(g._y2 + 1), (short)x, (short)y,
                               false, false);
    x += g._w + kerning;
  }
  _surf_Fonts->setBlitColor(1, 1, 1, 1);
}

void KText::drawStringFromLeft(const char *txt, long x, long y, long kerning) {
  if (txt == nullptr)
    return;
  drawCharsFromLeft(txt, (long)strlen(txt), x, y, kerning);
}

// Walks the text from its last character to its first, moving the pen left
// by each glyph's advance before drawing it, so the text ends at x.
void KText::drawStringFromRight(const char *txt, long x, long y, long kerning) {
  if (_surf_Fonts == nullptr || txt == nullptr || txt[0] == 0)
    return;
  _surf_Fonts->setBlitColor(_red, _green, _blue, _blendFactor);
  for (long i = (long)strlen(txt) - 1; i >= 0; i--) {
    long index = getCharIndex(txt[i]);
    if (index < 0)
      continue;
    const KFont &g = _fontTable[index];
    x -= g._w + kerning;
    _surf_Fonts->blitAlphaRect((short)g._x1, (short)g._y1, (short)(g._x2 + 1), (short)(g._y2 + 1), (short)x, (short)y,
                               false, false);
  }
  _surf_Fonts->setBlitColor(1, 1, 1, 1);
}

void KText::drawStringCentered(const char *txt, long x1, long x2, long y, long kerning) {
  if (_surf_Fonts == nullptr || txt == nullptr || txt[0] == 0 || _fontTable == nullptr)
    return;
  long width = getStringWidth(txt, kerning);
  if (width <= 0)
    return;
  drawStringFromLeft(txt, x1 + ((x2 - x1) - width) / 2, y, kerning);
}

void KText::drawNCharFromLeft(char *txt, long nchar, long x, long y, long kerning) {
  drawCharsFromLeft(txt, nchar, x, y, kerning);
}

// Word-wraps the text between x1 and x2. Each line holds what
// findClosestBreak allows; the break character after it (blank, line end or
// punctuation) is skipped. A word too long for a line is cut, and then no
// character is skipped, so nothing of the word is lost.
void KText::drawMultiLine(char *text, long x1, long x2, long y, long style, long kerning, long yspacing) {
  long maxWidth = x2 - x1;
  if (text == nullptr || text[0] == 0 || maxWidth < 0)
    return;
  if (getStringWidth(text, kerning) <= maxWidth) {
    drawStringFromLeft(text, x1, y, kerning);
    return;
  }
  long length = (long)strlen(text);
  long lineHeight = _fontTable != nullptr ? _fontTable[0]._h : 0;
  long positionStart = 0;
  for (;;) {
    char *line = text + positionStart;
    long n = findClosestBreak(line, maxWidth, kerning);
    long w = getStringWidth(line, kerning, n);
    switch (style) {
    case 0:
      drawNCharFromLeft(line, n, x1, y, kerning);
      break;
    case 1:
      // The last glyph's own right edge, without its kerning, meets x2.
      drawNCharFromLeft(line, n, x2 - (w - kerning), y, kerning);
      break;
    case 2:
      drawNCharFromLeft(line, n, x1 + (maxWidth - w) / 2, y, kerning);
      break;
    default:
      break;
    }
    positionStart += isBreakChar(line[n]) ? n + 1 : n;
    if (positionStart >= length)
      break;
    y += lineHeight + yspacing;
  }
}

void KText::drawStringFromLeft(long value, long x, long y, long kerning) {
  char buffer[256];
  snprintf(buffer, sizeof buffer, "%d", (int)value);
  drawStringFromLeft(buffer, x, y, kerning);
}

void KText::drawStringFromRight(long value, long x, long y, long kerning) {
  char buffer[256];
  snprintf(buffer, sizeof buffer, "%d", (int)value);
  drawStringFromRight(buffer, x, y, kerning);
}

void KText::drawStringCentered(long value, long x1, long x2, long y, long kerning) {
  char buffer[256];
  snprintf(buffer, sizeof buffer, "%d", (int)value);
  drawStringCentered(buffer, x1, x2, y, kerning);
}

long KText::getStringWidth(const char *txt, long kerning) {
  if (txt == nullptr)
    return -1;
  return getStringWidth(txt, kerning, (long)strlen(txt));
}

// The kerning after the last glyph is part of the width.
long KText::getStringWidth(const char *txt, long kerning, long ccount) {
  if (_surf_Fonts == nullptr || txt == nullptr || _fontTable == nullptr || txt[0] == 0 || ccount <= 0)
    return -1;
  long width = 0;
  for (long i = 0; i < ccount && txt[i] != 0; i++) {
    long index = getCharIndex(txt[i]);
    if (index >= 0)
      width += _fontTable[index]._w + kerning;
  }
  return width;
}

// The first record for c wins; the end mark stops the search, so code 0 is
// never found.
long KText::getCharIndex(char c) {
  if (_surf_Fonts == nullptr || _fontTable == nullptr)
    return -1;
  for (long i = 0;; i++) {
    if (_fontTable[i]._c == 0)
      return -1;
    if (_fontTable[i]._c == c)
      return i;
  }
}

// Scans forward to the first prefix whose width reaches maxwidth (or to a
// line end, or the text's end), then back to the nearest break character.
// When that leaves at most one character, the line is cut where it overflowed.
long KText::findClosestBreak(char *text, long maxwidth, long kerning) {
  if (text == nullptr || text[0] == 0)
    return 0;
  long position = 1;
  for (;;) {
    if (getStringWidth(text, kerning, position) >= maxwidth)
      break;
    char c = text[position];
    if (c == '\n' || c == '\r' || c == 0)
      break;
    position++;
  }
  long oldpos = position;
  while (position > 0 && !isBreakChar(text[position]))
    position--;
  return position > 1 ? position : oldpos;
}

// ---- free functions --------------------------------------------------------

char *_strupr(char *s) {
  if (s == nullptr)
    return nullptr;
  for (char *p = s; *p != 0; p++)
    *p = (char)toupper((unsigned char)*p);
  return s;
}
