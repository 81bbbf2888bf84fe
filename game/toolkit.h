// The small toolkit every screen shares: screen and image-slot numbers, GUI
// buttons, the mouse pointer pictures, the sound effects, the two music
// streams, key presses and the wait for a button's release. It knows no
// screen; the screens use it.
#ifndef TRIVELLO_TOOLKIT_H
#define TRIVELLO_TOOLKIT_H

#include <cstdint>

#include "KInput.h"

class KSound;
class KText;
class KWindow;

// Values of CUR_SCR.
enum Screen : int16_t {
  SCREEN_TITLE = 1,       // title menu (results and top-ten views over it)
  SCREEN_PLAYERS = 2,     // number of players
  SCREEN_GAME = 3,        // the quiz itself
  SCREEN_SKILL = 4,       // skill choice, one player after the other
  SCREEN_LEVEL_START = 5, // "click mouse to start" before a level or a turn
  SCREEN_LAUNCHER = 6,    // the launcher window's only screen
  SCREEN_OPTIONS = 8,     // options
};

// Image slots (indices into IMG).
enum ImageSlotIndex : int16_t {
  SLOT_BACKGROUND = 0,    // "gfx\back.jpg" or "gfx\launcher.png", kept across screens
  SLOT_ENGINE_LOGO = 1,   // "gfx\NUX.tga" among the title's credits
  SLOT_TITLE = 2,         // "gfx\titolo.tga", seven frames of 61 by 70
  SLOT_TITLE_BUTTONS = 3, // "gfx\bottoni.tga", the title buttons' hover looks
  SLOT_JOLLY = 4,         // "gfx\jolly.jpg", nine frames of 159 by 157
  SLOT_INGAME = 5,        // "gfx\ingame.jpg", the game screen and its artwork
  SLOT_PICTURE = 6,       // the game screen's picture of the moment
  SLOT_MAKER_LOGO = 7,    // the loading screen's logo
  SLOT_SKILL = 8,         // "gfx\skill.jpg"
  SLOT_NEW_LEVEL = 9,     // "gfx\newlevel.jpg"
  SLOT_PUZZLE_COVER = 10, // "gfx\puzzle.jpg", one tile of the tile reveal
  SLOT_ACCESS = 11,       // "gfx\access.png", the options screen's playing-help page
};

// Draw modes of DrawIMG and of GUI buttons.
enum DrawMode : int16_t {
  DRAW_HOT_AREA = 0, // never drawn
  DRAW_OPAQUE = 1,
  DRAW_ALPHA = 2,
  DRAW_FX = 3, // rotated, zoomed and blended (DrawIMG only)
};

// Indices into SND.
enum MusicIndex { MUSIC_TITLE = 1, MUSIC_GAME = 3 };

// Stores the nine values in GUIButton[index] in that order.
void SetGUIButton(short index, short srcX, short srcY, short width, short height, short x, short y, short state,
                  short drawMode, short image);
// Samples the left button into ButtDown and draws the hovered button's look.
void Show_But();
// Whether (px, py) lies in (x1, y1)-(x2, y2), edges included.
bool Inside(float px, float py, float x1, float y1, float x2, float y2);

// Width of the game screen, across which centred lines are drawn.
const long kScreenWidth = 800;
// Draws `text` centred across the screen at height y in `font` (the big or the
// small one); nothing while that font is not made.
void DrawCentred(KText *font, const char *text, long y, long kerning = 0);

// The line that tells the player why something did not happen: shown over
// the top of every screen for kNoticeMs after ShowNotice (texts live as long
// as the program).
const uint32_t kNoticeMs = 4000;
void ShowNotice(const char *text);
// The line shown now; null once its time is over or when there is none.
const char *NoticeText();

// The three pointer pictures: made after each window opens, freed before it goes.
void LoadPointer();
void freePointer();
// Draws the pointer's shadow and the pointer (the one over a button when
// CUR_BUT > 0) with its top-left corner at (x, y).
void DrawPointer(int16_t x, int16_t y);

// The nine sound-effect samples; LoadSounds ends by applying the volumes GV
// holds (read from "prefs" at start-up).
void LoadSounds();
void FreeSounds();
// Plays a sample when it exists.
void PlaySound(KSound *sound);
// Told of every sample the screens play (tests only; null otherwise).
extern void (*g_soundObserver)(KSound *sound);
// Starts the title music (SND[1]) unless it plays; stops the game music.
void StartTitleMusic();
// Starts the game music (SND[3]) unless it plays; stops the title music.
void StartGameMusic();
// Deletes a music stream, which stops it.
void StopMusic(int index);
// Deletes both music streams.
void FreeMusic();

// Deletes the pictures of image slots from..99.
void FreeImageSlots(int from);

// Returns once the left mouse button is up (or the window was asked to
// close), pumping the window's events and sleeping 1 ms between polls.
void waitForMouseButton(KWindow *window);

// The window of the current screen (the launcher's or the game's).
KWindow *ScreenWindow();
// True once per press of `key`: the frame it goes down (keys held across
// screens do not act again).
bool KeyHit(EKeyboardLayout key);

#endif
