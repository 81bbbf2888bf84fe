// The screens' dispatch (see screens.h): each screen's set-up with its button
// table, drawing and clicks.
#include "screens.h"

#include <cstring>

#include "KGraphic.h"
#include "KMiscTools.h"
#include "KSound.h"

#include "clock.h"
#include "flow.h"
#include "globals.h"
#include "images.h"
#include "menus.h"
#include "online.h"
#include "optionshelp.h"
#include "pads.h"
#include "play.h"
#include "speech.h"
#include "players.h"

namespace {

// One row of the button table: which screen, which button, and its values.
struct ButtonDef {
  int16_t screen, index, srcX, srcY, width, height, x, y, drawMode, image;
};

// Every screen's buttons; each is set active (state 1) when its screen is set up.
const ButtonDef kButtons[] = {
    // title: new game, top ten, options, quit (place 4 is artwork, no button)
    {SCREEN_TITLE, 1, 0, 0, 258, 42, 264, 214, DRAW_OPAQUE, SLOT_TITLE_BUTTONS},
    {SCREEN_TITLE, 2, 0, 45, 258, 40, 264, 284, DRAW_OPAQUE, SLOT_TITLE_BUTTONS},
    {SCREEN_TITLE, 3, 0, 87, 258, 46, 264, 353, DRAW_OPAQUE, SLOT_TITLE_BUTTONS},
    {SCREEN_TITLE, 5, 0, 179, 258, 40, 264, 495, DRAW_OPAQUE, SLOT_TITLE_BUTTONS},
    // number of players 1 to 6, then back
    {SCREEN_PLAYERS, 1, 800, 0, 92, 88, 234, 198, DRAW_OPAQUE, SLOT_BACKGROUND},
    {SCREEN_PLAYERS, 2, 801, 90, 115, 88, 456, 198, DRAW_OPAQUE, SLOT_BACKGROUND},
    {SCREEN_PLAYERS, 3, 800, 180, 146, 88, 210, 288, DRAW_OPAQUE, SLOT_BACKGROUND},
    {SCREEN_PLAYERS, 4, 800, 268, 180, 88, 426, 288, DRAW_OPAQUE, SLOT_BACKGROUND},
    {SCREEN_PLAYERS, 5, 800, 358, 208, 88, 178, 377, DRAW_OPAQUE, SLOT_BACKGROUND},
    {SCREEN_PLAYERS, 6, 800, 446, 222, 88, 407, 378, DRAW_OPAQUE, SLOT_BACKGROUND},
    {SCREEN_PLAYERS, 7, 833, 642, 150, 50, 20, 95, DRAW_OPAQUE, SLOT_BACKGROUND},
    // game: the four answer boxes and the jolly, hot areas only
    {SCREEN_GAME, 1, 0, 0, 240, 38, 63, 461, DRAW_HOT_AREA, SLOT_JOLLY},
    {SCREEN_GAME, 2, 0, 0, 240, 38, 483, 461, DRAW_HOT_AREA, SLOT_JOLLY},
    {SCREEN_GAME, 3, 0, 0, 240, 40, 63, 533, DRAW_HOT_AREA, SLOT_JOLLY},
    {SCREEN_GAME, 4, 0, 0, 240, 40, 483, 533, DRAW_HOT_AREA, SLOT_JOLLY},
    {SCREEN_GAME, 5, 0, 0, 159, 156, 320, 441, DRAW_HOT_AREA, SLOT_JOLLY},
    // skill: the six categories, then back
    {SCREEN_SKILL, 1, 801, 2, 215, 44, 285, 214, DRAW_OPAQUE, SLOT_SKILL},
    {SCREEN_SKILL, 2, 801, 48, 215, 44, 285, 260, DRAW_OPAQUE, SLOT_SKILL},
    {SCREEN_SKILL, 3, 801, 94, 215, 44, 285, 306, DRAW_OPAQUE, SLOT_SKILL},
    {SCREEN_SKILL, 4, 801, 140, 215, 44, 285, 352, DRAW_OPAQUE, SLOT_SKILL},
    {SCREEN_SKILL, 5, 801, 186, 215, 44, 285, 398, DRAW_OPAQUE, SLOT_SKILL},
    {SCREEN_SKILL, 6, 801, 232, 215, 44, 285, 444, DRAW_OPAQUE, SLOT_SKILL},
    {SCREEN_SKILL, 7, 833, 642, 150, 50, 20, 95, DRAW_OPAQUE, SLOT_BACKGROUND},
    // launcher: texture box, English, Italiano, Español, Start
    {SCREEN_LAUNCHER, 1, 40, 310, 16, 16, 70, 175, DRAW_ALPHA, SLOT_BACKGROUND},
    {SCREEN_LAUNCHER, 2, 40, 310, 16, 16, 30, 235, DRAW_ALPHA, SLOT_BACKGROUND},
    {SCREEN_LAUNCHER, 3, 40, 310, 16, 16, 155, 235, DRAW_ALPHA, SLOT_BACKGROUND},
    {SCREEN_LAUNCHER, 4, 40, 310, 16, 16, 280, 235, DRAW_ALPHA, SLOT_BACKGROUND},
    {SCREEN_LAUNCHER, 5, 69, 304, 100, 30, 149, 267, DRAW_OPAQUE, SLOT_BACKGROUND},
    // options: window mode, online, show correct, OK
    {SCREEN_OPTIONS, 1, 781, 645, 50, 45, 160, 213, DRAW_OPAQUE, SLOT_BACKGROUND},
    {SCREEN_OPTIONS, 2, 781, 705, 50, 45, 160, 258, DRAW_OPAQUE, SLOT_BACKGROUND},
    {SCREEN_OPTIONS, 3, 781, 765, 50, 45, 160, 303, DRAW_OPAQUE, SLOT_BACKGROUND},
    {SCREEN_OPTIONS, 4, 800, 535, 185, 48, 307, 429, DRAW_OPAQUE, SLOT_BACKGROUND},
};

// Activates every button of `screen` from the table.
void SetScreenButtons(int16_t screen) {
  for (const ButtonDef &b : kButtons)
    if (b.screen == screen)
      SetGUIButton(b.index, b.srcX, b.srcY, b.width, b.height, b.x, b.y, 1, b.drawMode, b.image);
}

void LoadSlotFrames(int slot, const char *file, int16_t frameWidth, int16_t frameHeight) {
  if (LoadNewIMG(slot, file)) {
    IMG[slot].frameWidth = frameWidth;
    IMG[slot].frameHeight = frameHeight;
  }
}

} // namespace

bool SCR_INIT() {
  FreeImageSlots(1);
  for (int i = 0; i < MAX_BUTTONS; i++)
    GUIButton[i].state = -1;

  switch (CUR_SCR) {
  case SCREEN_TITLE:
    StartTitleMusic();
    IntroTimer = Now();
    Timer = Now();
    LoadNewIMG(SLOT_BACKGROUND, "gfx\\back.jpg");
    LoadNewIMG(SLOT_ENGINE_LOGO, "gfx\\NUX.tga");
    LoadSlotFrames(SLOT_TITLE, "gfx\\titolo.tga", 61, 70);
    LoadNewIMG(SLOT_TITLE_BUTTONS, "gfx\\bottoni.tga");
    SetScreenButtons(SCREEN_TITLE);
    ACT_BUT = 6;
    break;
  case SCREEN_PLAYERS:
    LoadSlotFrames(SLOT_TITLE, "gfx\\titolo.tga", 61, 70);
    GameInit();
    SetScreenButtons(SCREEN_PLAYERS);
    ACT_BUT = 8;
    break;
  case SCREEN_GAME:
    StartGameMusic();
    EnterGameScreen();
    LoadNewIMG(SLOT_INGAME, "gfx\\ingame.jpg");
    LoadNewIMG(SLOT_PUZZLE_COVER, "gfx\\puzzle.jpg");
    LoadSlotFrames(SLOT_JOLLY, "gfx\\jolly.jpg", 159, 157);
    SetScreenButtons(SCREEN_GAME);
    ACT_BUT = 6;
    break;
  case SCREEN_SKILL:
    LoadNewIMG(SLOT_SKILL, "gfx\\skill.jpg");
    SetScreenButtons(SCREEN_SKILL);
    ACT_BUT = 8;
    break;
  case SCREEN_LEVEL_START:
    StopMusic(MUSIC_TITLE);
    KSound::setGlobalVolumes(GV.musicVolume, GV.sfxVolume);
    LoadNewIMG(SLOT_NEW_LEVEL, "gfx\\newlevel.jpg");
    ACT_BUT = 0;
    SpeakIfReadingAloud(LevelStartSpeech());
    break;
  case SCREEN_LAUNCHER:
    Timer = Now();
    LoadNewIMG(SLOT_BACKGROUND, "gfx\\launcher.png");
    SetScreenButtons(SCREEN_LAUNCHER);
    ACT_BUT = 6;
    break;
  case SCREEN_OPTIONS:
    Timer = Now();
    LoadNewIMG(SLOT_BACKGROUND, "gfx\\back.jpg");
    SetScreenButtons(SCREEN_OPTIONS);
    ACT_BUT = 5;
    SetUpOptionsMore(); // the MORE button and the playing-help page
    break;
  default: // 7 and unknown numbers only clear
    break;
  }
  return true;
}

void SCR_DRAW() {
  TopTenStep();  // a top ten that has come opens its view in this frame
  SpeechFrame(); // a reading made beside the loop starts as soon as it is ready
  switch (CUR_SCR) {
  case SCREEN_TITLE:
    DrawTitleScreen();
    break;
  case SCREEN_PLAYERS:
    DrawPlayersScreen();
    break;
  case SCREEN_GAME:
    DrawGameScreen();
    break;
  case SCREEN_SKILL:
    DrawSkillScreen();
    break;
  case SCREEN_LEVEL_START:
    DrawLevelStartScreen();
    break;
  case SCREEN_LAUNCHER:
    DrawLauncherScreen();
    break;
  case SCREEN_OPTIONS:
    DrawOptionsScreen();
    break;
  default:
    break;
  }
  DrawOnlineNotice(); // over every screen, while the network has something to say
  PadsDraw();
}

void SCR_CLICK() {
  SampleMouseAndHover();
  PadsClick();
  switch (CUR_SCR) {
  case SCREEN_TITLE:
    ClickTitle();
    break;
  case SCREEN_PLAYERS:
    ClickPlayers();
    break;
  case SCREEN_GAME:
    ClickGame();
    break;
  case SCREEN_SKILL:
    ClickSkill();
    break;
  case SCREEN_LEVEL_START:
    ClickLevelStart();
    break;
  case SCREEN_LAUNCHER:
    ClickLauncher();
    break;
  case SCREEN_OPTIONS:
    ClickOptions();
    break;
  default:
    break;
  }
}

void GoToScreen(int16_t screen) {
  CUR_SCR = screen;
  SCR_INIT();
}
