// KText: single-byte (ISO 8859-1) text drawn with a bitmap font. A font is
// one picture holding every glyph plus a table of KFont records that maps a
// character code to its glyph rectangle and advance width. Each glyph is an
// alpha-blended rectangle blit of the picture, tinted by the text's colour.
#ifndef KTEXT_H
#define KTEXT_H

#include "KGraphic.h"

// One glyph of a font table. A table is an array of these in any order,
// closed by a record whose _c is 0 (its other fields 0 too).
struct KFont {
  char _c;   // character code (ISO 8859-1 byte); 0 ends the table
  short _x1; // left column of the glyph in the font picture
  short _y1; // top row of the glyph
  short _x2; // right column, inclusive
  short _y2; // bottom row, inclusive
  short _w;  // advance: how far the pen moves after the glyph
  short _h;  // height; the first record's _h is the font's line height
};

class KText {
public:
  // No picture, no table, colour and blend 1.0.
  KText();
  // Creates a picture through KNUX and loads font_Filename into it (the
  // load's result is not checked); keeps `table`, which stays the caller's.
  KText(char *font_Filename, KFont *table);
  // Deletes the font picture.
  ~KText();
  KText(const KText &) = delete;
  KText &operator=(const KText &) = delete;

  // Creates and loads the font picture, only when none is held yet.
  void loadFontBitmap(char *font_Filename);
  // Hands a picture to the text, which deletes it when destroyed (or when
  // another picture is set).
  void setKGraphic(KGraphic *kgrptr);
  KGraphic *getKGraphicPtr();
  void setFontTable(KFont *table);
  // Tint and opacity of every glyph drawn afterwards, 0.0 to 1.0.
  void setColor(float red, float green, float blue, float blendFactor);

  // ---- drawing; kerning is extra spacing after every glyph, may be negative
  // Left edge of the text at x, top at y.
  void drawStringFromLeft(const char *txt, long x, long y, long kerning);
  // The text ends at x (the kerning after the last glyph included).
  void drawStringFromRight(const char *txt, long x, long y, long kerning);
  // Centred between x1 and x2.
  void drawStringCentered(const char *txt, long x1, long x2, long y, long kerning);
  // Like drawStringFromLeft for the first nchar characters only.
  void drawNCharFromLeft(char *txt, long nchar, long x, long y, long kerning);
  // Word-wrapped between x1 and x2, lines going down from y; style 0 left,
  // 1 right, 2 centred. A text that fits on one line is drawn from the left
  // whatever the style.
  void drawMultiLine(char *text, long x1, long x2, long y, long style, long kerning, long yspacing);
  // The number written with "%d", drawn like the text variants.
  void drawStringFromLeft(long value, long x, long y, long kerning);
  void drawStringFromRight(long value, long x, long y, long kerning);
  void drawStringCentered(long value, long x1, long x2, long y, long kerning);

  // ---- measuring
  // Sum of (advance + kerning) over the characters that have a glyph; -1
  // without picture, text or table, or for an empty text.
  long getStringWidth(const char *txt, long kerning);
  // The same over the first ccount characters (never past the text's end);
  // -1 also when ccount is 0 or less.
  long getStringWidth(const char *txt, long kerning, long ccount);
  // Index of the glyph record of c, or -1 (always -1 without picture or table).
  long getCharIndex(char c);
  // How many characters of text go on the next wrapped line of maxwidth
  // pixels. The character at that index is normally the break (a blank, line
  // end or punctuation); a word too long for the line is cut inside instead.
  // 0 for a null or empty text.
  long findClosestBreak(char *text, long maxwidth, long kerning);

private:
  void drawCharsFromLeft(const char *txt, long count, long x, long y, long kerning);

  KGraphic *_surf_Fonts; // the font picture, owned; null when none
  KFont *_fontTable;     // the glyph table, not owned; null when none
  float _blendFactor;
  float _red;
  float _green;
  float _blue;
};

// Upper-cases s in place through the current locale; returns s (null for null).
char *_strupr(char *s);

#endif
