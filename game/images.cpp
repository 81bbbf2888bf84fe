// Image slots (see images.h).
#include "images.h"

#include "KGraphic.h"
#include "KMiscTools.h"
#include "KNUX.h"
#include "globals.h"

void FreeIMG(int slot) {
  if (slot < 0 || slot >= MAX_IMAGES)
    return;
  delete IMG[slot].picture;
  IMG[slot].picture = nullptr;
}

bool LoadNewIMG(int slot, const char *file) {
  if (slot < 0 || slot >= MAX_IMAGES)
    return false;
  // A picture already held by the slot is released first, so reloading a
  // slot (the backgrounds) does not leak its texture.
  FreeIMG(slot);
  ImageSlot &img = IMG[slot];
  img.picture = KNUX::createKGraphic();
  if (!img.picture)
    return false;
  if (!img.picture->loadPicture(KMiscTools::makeFilePath(file), true, true)) {
    FreeIMG(slot);
    return false;
  }
  img.picture->setTextureQuality(true);
  img.frame = 0;
  // Through 32 bits, so a size beyond 16 bits is cut rather than undefined.
  img.width = img.frameWidth = (int16_t)(int32_t)img.picture->getWidth();
  img.height = img.frameHeight = (int16_t)(int32_t)img.picture->getHeight();
  return true;
}

void DrawIMG(short slot, short x, short y, short mode, short angle, float zoom, float blend) {
  if (slot < 0 || slot >= MAX_IMAGES)
    return;
  const ImageSlot &img = IMG[slot];
  if (!img.picture || img.frameWidth <= 0 || img.frameHeight <= 0)
    return;
  int row = 0, column = 0;
  if (img.frame > 0) {
    int perRow = img.width / img.frameWidth;
    if (perRow <= 0)
      perRow = 1;
    row = img.frame / perRow;
    column = img.frame - row * perRow;
  }
  float x1 = (float)(img.frameWidth * column), y1 = (float)(img.frameHeight * row);
  float x2 = (float)(img.frameWidth * (column + 1)), y2 = (float)(img.frameHeight * (row + 1));
  switch (mode) {
  case 1:
    img.picture->blitRect(x1, y1, x2, y2, x, y, false, false);
    break;
  case 2:
    img.picture->blitAlphaRect(x1, y1, x2, y2, x, y, false, false);
    break;
  case 3:
    img.picture->blitAlphaRectFx(x1, y1, x2, y2, x, y, (float)angle, zoom, blend, false, false, 0, 0);
    break;
  default:
    break;
  }
}

// The slot's picture, or null for an empty or unknown slot.
static KGraphic *SlotPicture(short slot) { return slot >= 0 && slot < MAX_IMAGES ? IMG[slot].picture : nullptr; }

void BlitIMG(short slot, float x1, float y1, float x2, float y2, short x, short y) {
  if (KGraphic *g = SlotPicture(slot))
    g->blitRect(x1, y1, x2, y2, x, y, false, false);
}

void BlitIMGAlpha(short slot, float x1, float y1, float x2, float y2, short x, short y) {
  if (KGraphic *g = SlotPicture(slot))
    g->blitAlphaRect(x1, y1, x2, y2, x, y, false, false);
}

void BlitIMGFx(short slot, float x1, float y1, float x2, float y2, short x, short y, float angle, float zoom,
               float blend) {
  if (KGraphic *g = SlotPicture(slot))
    g->blitAlphaRectFx(x1, y1, x2, y2, x, y, angle, zoom, blend, false, false, 0, 0);
}

void FillRectUsing(short slot, float x1, float y1, float x2, float y2, float r, float g, float b, float blend) {
  if (KGraphic *pic = SlotPicture(slot))
    pic->drawRect(x1, y1, x2, y2, r, g, b, blend);
}
