// The game's screens: the per-screen dispatch (set-up, drawing, clicks) and
// the move from one screen to another. The toolkit the screens share is in
// toolkit.h.
#ifndef TRIVELLO_SCREENS_H
#define TRIVELLO_SCREENS_H

#include <cstdint>

#include "toolkit.h"

// Sets up screen CUR_SCR: empties image slots 1 to 99, deactivates every
// button, then loads the screen's pictures, buttons and music. Always true.
bool SCR_INIT();
// Draws screen CUR_SCR and advances its time-driven rules.
void SCR_DRAW();
// Samples the mouse, finds the hovered button and acts on a press.
void SCR_CLICK();
// CUR_SCR = screen, then SCR_INIT(): the one way a screen moves to another.
void GoToScreen(int16_t screen);

#endif
