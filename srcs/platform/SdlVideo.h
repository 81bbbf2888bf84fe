// SdlVideo: what the window, the pictures and the input share about the
// open SDL window: the drawing size, where the drawing area lies inside the
// window (it is letterboxed in full screen), and reading its pixels back.
#ifndef SDLVIDEO_H
#define SDLVIDEO_H

#include <SDL.h>

struct SdlDisplayMapping {
  SDL_Window *window = nullptr; // the open window, null when none
  int drawWidth = 0;            // the game's drawing size in pixels
  int drawHeight = 0;
  int areaX = 0, areaY = 0;     // top-left of the drawing area in window pixels (y down)
  int areaW = 0, areaH = 0;     // its size in window pixels
  int windowW = 0, windowH = 0; // the window's drawable size
};

// The mapping of the window that is open now.
SdlDisplayMapping &sdlDisplayMapping();

// Recomputes the drawing area for a window of windowW x windowH pixels:
// the drawing size scaled as large as fits with its aspect kept, centred.
void sdlComputeLetterbox(SdlDisplayMapping &m, int windowW, int windowH);

// Turns a position in window pixels into drawing pixels (it may fall
// outside the drawing size; rounding is toward minus infinity).
void sdlWindowToDrawing(const SdlDisplayMapping &m, int wx, int wy, int *dx, int *dy);

// Reads the drawing area of the given GL buffer (GL_BACK or GL_FRONT) as
// drawWidth x drawHeight RGBA pixels, bottom row first, scaled back from the
// letterbox when the window is larger than the drawing size.
bool sdlReadDrawingPixels(unsigned int glBuffer, unsigned char *rgba);

#endif
