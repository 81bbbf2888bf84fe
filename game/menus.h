// Drawing of the menu screens: title (logo animation, credit lines, hover
// lines, results and top-ten views), number of players, launcher, options.
#ifndef TRIVELLO_MENUS_H
#define TRIVELLO_MENUS_H

void DrawTitleScreen();
void DrawPlayersScreen();
void DrawLauncherScreen();
void DrawOptionsScreen();

// One step of the title logo's animation when its delay has passed: it rests
// 2 s on frame 0, runs forward to frame 6, rests 2 s and runs back.
void LogoAnimationStep();
// Moves to the next credit line every 5 s (0 to 5, then 0 again).
void CreditLineStep();
// The text of credit line 1 to 4 (null for the others).
const char *CreditLine(int line);

#endif
