// Definitions and initial values of the game's globals (see globals.h).
#include "globals.h"

int16_t CUR_SCR = 6; // the launcher is the first screen of a run
int16_t CUR_BUT = 0;
int16_t PRV_BUT = 0;
int16_t ACT_BUT = 0;
int32_t ButtDown = 0;
int16_t mx = 0, my = 0;
int32_t StartGame = 0;
int32_t Finish = 0;
int32_t Timer = 0;
int32_t IntroTimer = 0;
int16_t QuestionM = 150;
int16_t UPTXT = 0;
int32_t AllAnswered = 0;
char lastchar = 0;

KWindow *launchWindow = nullptr, *gameWindow = nullptr;
KText *ktext_font = nullptr, *ktext_small = nullptr;
KGraphic *surf_Pointer = nullptr, *surf_Pointer2 = nullptr, *surf_PointerS = nullptr;
KSound *snd_Click = nullptr, *snd_Over = nullptr, *snd_Clap = nullptr, *snd_Clear = nullptr, *snd_Swirl = nullptr,
       *snd_Pop = nullptr, *snd_Set = nullptr, *snd_Move = nullptr, *snd_Levelup = nullptr;
ImageSlot IMG[MAX_IMAGES];
KSound *SND[MAX_SOUNDS];
GuiButton GUIButton[MAX_BUTTONS];

QuestionRecord Question[MAX_QUESTION_RECORDS];
int16_t MAX_QUESTIONS = 0, MAX_PUZZLES = 0;
int32_t QuestionAsked[MAX_QUESTION_RECORDS];
int16_t CUR_QUE = 0;
int16_t QuestionType = 0;
int16_t PuzzleType = 0;
float Blocks[4][3], ABlocks[4][3];
int16_t Time = 0;
int32_t StartLevel = 0;
int32_t WellDone = 0, Incorrect = 0, OutofTime = 0;
int32_t GetReady = 0;
int16_t Getr = 0;
float Getz = 0;
int32_t LevelComplete = 0;
int16_t Points = 0;
int16_t Clicked = 0;
int32_t OkShow[4];
int32_t Jolly = 0, StartJolly = 0;
int32_t JollyTimer = 0;
int16_t RandomHelp = 0;
Player_t Player[MAX_PLAYER_RECORDS];
int16_t Max_Players = 0, Cur_Player = 0;
int32_t ShowScores = 0;
int32_t ShowHighscores = 0;
OnlineScore_t OnlineScore[MAX_ONLINE_SCORES];
char ManagerName[32];
int16_t bufferPosition = 0;
int32_t SubmitScore = 0, Submitted = 0;
int32_t CleanUp = 0;
int32_t OnlineWait = 0;
int32_t TopTenOffline = 0;
OnlineScore_t LocalScore[MAX_ONLINE_SCORES];

GameValues GV;
