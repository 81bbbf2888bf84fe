// The program's entry routine: start-up, the launcher window and its frame
// loop, the game window and its frame loop, and shutdown, plus the event
// callback both windows use.
#ifndef TRIVELLO_ENTRY_H
#define TRIVELLO_ENTRY_H

class KWindow;
struct KEvent;

// The whole program; main() only calls it. Returns 0 on every path.
int TrivelloMain();

// The callback installed on both windows: keeps the last typed character in
// lastchar. True lets the window go on with its own handling of the event.
bool ourOwnEventCallback(KEvent *event);

// ---- the steps of TrivelloMain, in order (tests drive them one by one) ----
// Engine tools, preferences, sounds, random seed, per-game values, title.
void StartUp();
// Opens the launcher window with its screen, fonts and pointer; false when
// no window could be made.
bool OpenLauncher();
// One frame of the launcher; false when its loop ends.
bool LauncherFrame();
// Saves the preferences and deletes the launcher window and its pictures.
void CloseLauncher();
// Opens the game window on the title screen and loads the questions; false
// when the program must end instead.
bool OpenGameWindow();
// One frame of the game window; false when its loop ends.
bool GameFrame();
// Deletes the game window and everything made for it.
void CloseGameWindow();
// Deletes whatever is still held (fonts, pointers, pictures, windows,
// samples, music), so that every way out leaves nothing behind.
void ReleaseEverything();

// The window title: "Trivello", a notice and the year (at most 63 characters).
const char *WindowTitle();

// Called after every presented frame of either loop when set; only the
// benchmarks set it, to count frames.
extern void (*g_frameObserver)();

#endif
