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
  KGraphic *picture;   // null when the slot is empty
  int16_t frame;       // animation frame drawn (0 = top-left frame)
  int16_t width;       // picture size as loaded
  int16_t height;
  int16_t frameWidth;  // size of one animation frame
  int16_t frameHeight;
};

// One GUI button of the current screen.
struct GuiButton {
  int16_t srcX, srcY;     // top-left of the hover look in the button's picture
  int16_t width, height;  // hit area and drawn look
  int16_t x, y;           // top-left on the screen
  int16_t state;          // above 0: active
  int16_t drawMode;       // 1 opaque, 2 with alpha, other: invisible hot area
  int16_t image;          // image slot holding the button's picture
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
  int16_t skill;          // chosen skill category 0..5, -1 before the choice
  int32_t score;
  int16_t lives;
  int16_t level;          // 0 easy, 1 medium, 2 hard
  int16_t questionNumber;
  int16_t answers;        // correct answers
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
  int16_t sfxVolume;          // 0..100
  int16_t musicVolume;        // 0..100
  uint8_t reserved4[4];
  int32_t windowed;           // 1 window, 0 full screen
  int32_t rendererChoice;     // 0: "Use 16-bit textures" ticked
  int16_t language;           // 0 English, 1 Italian, 2 Spanish
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

extern int16_t CUR_SCR;
extern int16_t CUR_BUT;
extern int16_t PRV_BUT;
extern int16_t ACT_BUT;
extern int32_t ButtDown;
extern int16_t mx, my;
extern int32_t StartGame;
extern int32_t Finish;
extern int32_t Timer;
extern int32_t IntroTimer;
extern int16_t QuestionM;
extern int16_t UPTXT;
extern int32_t AllAnswered;
extern char lastchar;

// ---- engine objects ----------------------------------------------------------

extern KWindow *launchWindow, *gameWindow;
extern KText *ktext_font, *ktext_small;
extern KGraphic *surf_Pointer, *surf_Pointer2, *surf_PointerS;
extern KSound *snd_Click, *snd_Over, *snd_Clap, *snd_Clear, *snd_Swirl, *snd_Pop, *snd_Set, *snd_Move,
    *snd_Levelup;
extern ImageSlot IMG[MAX_IMAGES];
extern KSound *SND[MAX_SOUNDS];
extern GuiButton GUIButton[MAX_BUTTONS];

// ---- game, players and questions ---------------------------------------------

extern QuestionRecord Question[MAX_QUESTION_RECORDS];
extern int16_t MAX_QUESTIONS, MAX_PUZZLES;
extern int32_t QuestionAsked[MAX_QUESTION_RECORDS];
extern int16_t CUR_QUE;
extern int16_t QuestionType;
extern int16_t PuzzleType;
extern float Blocks[4][3], ABlocks[4][3];
extern int16_t Time;
extern int32_t StartLevel;
extern int32_t WellDone, Incorrect, OutofTime;
extern int32_t GetReady;
extern int16_t Getr;
extern float Getz;
extern int32_t LevelComplete;
extern int16_t Points;
extern int16_t Clicked;
extern int32_t OkShow[4];
extern int32_t Jolly, StartJolly;
extern int32_t JollyTimer;
extern int16_t RandomHelp;
extern Player_t Player[MAX_PLAYER_RECORDS];
extern int16_t Max_Players, Cur_Player;
extern int32_t ShowScores;
extern int32_t ShowHighscores;
extern OnlineScore_t OnlineScore[MAX_ONLINE_SCORES];
extern char ManagerName[32];
extern int16_t bufferPosition;
extern int32_t SubmitScore, Submitted;
extern int32_t CleanUp;

extern GameValues GV;

#endif
