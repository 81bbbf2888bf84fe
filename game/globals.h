// Trivello's game state: every global variable and fixed-size table of the
// quiz, with its type and meaning. The screen routines read and change them
// in place; engine objects are plain pointers the game creates and deletes.
#ifndef TRIVELLO_GLOBALS_H
#define TRIVELLO_GLOBALS_H

#include <cstdint>

class KWindow;
class KGraphic;
class KText;
class KSound;

// ---- shared records ----------------------------------------------------------

// One image slot: a picture of the current screen.
struct ImageSlot {
  KGraphic *picture; // null when the slot is empty
  int16_t frame;     // animation frame drawn (0 = top-left frame)
  int16_t width;     // picture size as loaded
  int16_t height;
  int16_t frameWidth; // size of one animation frame
  int16_t frameHeight;
};

// One GUI button of the current screen.
struct GuiButton {
  int16_t srcX, srcY;    // top-left of the hover look in the button's picture
  int16_t width, height; // hit area and drawn look
  int16_t x, y;          // top-left on the screen
  int16_t state;         // above 0: active
  int16_t drawMode;      // 1 opaque, 2 with alpha, other: invisible hot area
  int16_t image;         // image slot holding the button's picture
};

// One question record (field capacities include the terminating NUL).
struct QuestionRecord {
  char ID[8];
  char Text[128];
  char Answer1[32];
  char Answer2[32];
  char Answer3[32];
  char Answer4[32];
  int16_t Solution;
  char Photo[32];
};

// One player's record.
struct Player_t {
  int16_t skill; // chosen skill category 0..5, -1 before the choice
  int32_t score;
  int16_t lives;
  int16_t level; // 0 easy, 1 medium, 2 hard
  int16_t questionNumber;
  int16_t answers; // correct answers
  int16_t extraLives;
  char name[18];
};

// One row of the online top ten.
struct OnlineScore_t {
  char name[256];
  int32_t score;
};

// ---- the preferences record "prefs" ------------------------------------------

// The 80-byte record stored as the file "prefs". Multi-byte fields are held
// in memory in the host's order and stored big-endian by WritePrefs/ReadPrefs;
// the reserved bytes are kept exactly as read.
struct GameValues {
  int16_t sfxVolume;   // 0..100
  int16_t musicVolume; // 0..100
  uint8_t reserved4[4];
  int32_t windowed;       // 1 window, 0 full screen
  int32_t rendererChoice; // 0: "Use 16-bit textures" ticked
  int16_t language;       // 0 English, 1 Italian, 2 Spanish
  uint8_t reserved18[2];
  int32_t submitOnline;
  int32_t showCorrect;
  uint8_t reserved28[52];
};
static_assert(sizeof(GameValues) == 80, "the prefs record is 80 bytes");

// ---- table sizes -------------------------------------------------------------

enum {
  MAX_IMAGES = 100,
  MAX_SOUNDS = 10,
  MAX_BUTTONS = 50,
  MAX_QUESTION_RECORDS = 2000,
  MAX_PLAYER_RECORDS = 8,
  MAX_ONLINE_SCORES = 10,
};

// ---- flow and screens --------------------------------------------------------

extern int16_t CUR_SCR;     // current screen number (enum Screen in screens.h); starts at the launcher
extern int16_t CUR_BUT;     // GUI button under the pointer this frame, 0 for none
extern int16_t PRV_BUT;     // the last non-zero CUR_BUT, to notice a change of hovered button
extern int16_t ACT_BUT;     // one more than the current screen's number of buttons
extern int32_t ButtDown;    // left mouse button sampled this frame (1 down)
extern int16_t mx, my;      // pointer position sampled this frame by the click routine
extern int32_t StartGame;   // 1 once the launcher's Start button was pressed
extern int32_t Finish;      // 1 asks the current frame loop to end (quit)
extern int32_t Timer;       // timestamp: program start, set again by screens 1, 6, 8; paces the credit line
extern int32_t IntroTimer;  // timestamp: title logo animation; on the game screen the question clock
extern int16_t QuestionM;   // delay in ms before the next logo animation step (150, 250, 260 or 2000)
extern int16_t UPTXT;       // which credit line the title shows, 0 to 5
extern int32_t AllAnswered; // skip-ahead request set by F9: every later question is a hard one
extern char lastchar;       // last character typed (from the event callback), 0 for none

// ---- engine objects ----------------------------------------------------------

extern KWindow *launchWindow, *gameWindow;                              // the launcher and the game window
extern KText *ktext_font;                                               // the big font, "gfx\letters01.tga"
extern KText *ktext_small;                                              // the small font, "gfx\letters02.png"
extern KGraphic *surf_Pointer, *surf_Pointer2, *surf_PointerS;          // pointer, pointer over a button, its shadow
extern KSound *snd_Click, *snd_Over, *snd_Clap, *snd_Clear, *snd_Swirl; // the effects the screens play
extern KSound *snd_Pop, *snd_Set, *snd_Move, *snd_Levelup;              // loaded with the others, never played
extern ImageSlot IMG[MAX_IMAGES];        // pictures of the current screen (enum ImageSlotIndex)
extern KSound *SND[MAX_SOUNDS];          // music streams: [1] title music, [3] game music
extern GuiButton GUIButton[MAX_BUTTONS]; // buttons of the current screen; [0] never used

// ---- game, players and questions ---------------------------------------------

extern QuestionRecord Question[MAX_QUESTION_RECORDS]; // the question table of the chosen language
extern int16_t MAX_QUESTIONS, MAX_PUZZLES;            // ordinary questions and photo puzzles loaded
extern int32_t QuestionAsked[MAX_QUESTION_RECORDS];   // 1 = that record was already asked
extern int16_t CUR_QUE;                               // index of the current question record
extern int16_t QuestionType;                          // category of the current question, -1 for none (puzzles)
extern int16_t PuzzleType;                            // -1 ordinary question, 0 fade-in, 1 zoom-out, 2 tile reveal
extern float Blocks[4][3];                  // tile reveal: tenths of a second at which each tile has faded, 0 never
extern float ABlocks[4][3];                 // tile reveal: each tile's starting opacity (1.0)
extern int16_t Time;                        // tenths of a second used on the current question, 0 to 150
extern int32_t StartLevel;                  // 1 while a question is on screen
extern int32_t WellDone;                    // 1 while the result of a correct answer is shown
extern int32_t Incorrect;                   // 1 while the result of a wrong answer is shown
extern int32_t OutofTime;                   // 1 while the result of a time-out is shown
extern int32_t GetReady;                    // 1 while the next-question panel waits for a click
extern int16_t Getr;                        // rotation of that panel, -180 up to 0
extern float Getz;                          // zoom of that panel, 0 up to 1.0
extern int32_t LevelComplete;               // must be 0 for a question to be drawn; nothing sets it
extern int16_t Points;                      // points of the last answer, -1000 after a skill penalty
extern int16_t Clicked;                     // answer box (1 to 4) clicked on the current question, 0 before
extern int32_t OkShow[4];                   // 1 while answer box 1..4 is shown (the jolly hides two)
extern int32_t Jolly;                       // 1 once the jolly was used
extern int32_t StartJolly;                  // 1 while the jolly button's animation runs
extern int32_t JollyTimer;                  // timestamp of the last jolly animation step
extern int16_t RandomHelp;                  // which hint (1 to 3) the next-question panel shows
extern Player_t Player[MAX_PLAYER_RECORDS]; // player records; the first Max_Players are in use
extern int16_t Max_Players;                 // players in the game, 1 to 6
extern int16_t Cur_Player;                  // index of the player whose turn it is
extern int32_t ShowScores;                  // 1 while the results table covers the title screen
extern int32_t ShowHighscores;              // 1 while the online top ten covers the title screen
extern OnlineScore_t OnlineScore[MAX_ONLINE_SCORES]; // the top ten as last fetched
extern char ManagerName[32];                         // the name typed for the online top ten
extern int16_t bufferPosition;                       // caret index in the name being typed
extern int32_t SubmitScore;                          // 1 while the name-entry form is shown
extern int32_t Submitted;     // 1 once the online check was made for the player whose lives ran out
extern int32_t CleanUp;       // caret blink state, toggled every 1000 ms
extern int32_t OnlineWait;    // the turn end's request under way: 0 none, 1 the qualify check, 2 the submit
extern int32_t TopTenOffline; // 1 when the top-ten view shows LocalScore, the table of this computer
extern OnlineScore_t LocalScore[MAX_ONLINE_SCORES]; // the ten best scores made on this computer, as last read

// Values of the preference `language`: the questions' and the texts' language.
enum Language : int16_t {
  LANGUAGE_ENGLISH = 0,
  LANGUAGE_ITALIAN = 1,
  LANGUAGE_SPANISH = 2,
};

extern GameValues GV; // the preferences record, stored as the file "prefs"

// The line of the player's interface language (the preference `language`):
// Italian or Spanish by their number, English for any other value.
inline const char *ByLanguage(const char *english, const char *italian, const char *spanish) {
  return GV.language == LANGUAGE_ITALIAN ? italian : GV.language == LANGUAGE_SPANISH ? spanish : english;
}

#endif
