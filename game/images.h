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

#endif
