// Image slots: the pictures of the current screen, loaded into IMG and drawn
// by animation frame.
#ifndef TRIVELLO_IMAGES_H
#define TRIVELLO_IMAGES_H

// Loads a game file ("gfx\back.jpg") into an image slot; false when it does
// not load (the slot is then empty and draws nothing).
bool LoadNewIMG(int slot, const char *file);
// Draws the slot's current frame with its top-left corner at (x, y): mode 1
// opaque, 2 with the picture's alpha, 3 rotated, zoomed and blended; any other
// mode draws nothing.
void DrawIMG(short slot, short x, short y, short mode, short angle, float zoom, float blend);
// Deletes the slot's picture, leaving it empty.
void FreeIMG(int slot);

// Copies the rectangle (x1, y1)-(x2, y2) of the slot's picture to (x, y):
// opaque, with the picture's alpha, or rotated, zoomed and blended. An empty
// slot draws nothing.
void BlitIMG(short slot, float x1, float y1, float x2, float y2, short x, short y);
void BlitIMGAlpha(short slot, float x1, float y1, float x2, float y2, short x, short y);
// Fills the screen rectangle (x1, y1)-(x2, y2) with a colour, through the
// slot's picture (any picture can draw a plain rectangle); nothing when empty.
void FillRectUsing(short slot, float x1, float y1, float x2, float y2, float r, float g, float b, float blend);
void BlitIMGFx(short slot, float x1, float y1, float x2, float y2, short x, short y, float angle, float zoom,
               float blend);

#endif
