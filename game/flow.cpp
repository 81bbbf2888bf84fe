// Hover and click rules of the menu screens (see flow.h).
#include "flow.h"

#include "KInput.h"
#include "KMiscTools.h"
#include "KSound.h"
#include "KText.h"
#include "KWindow.h"

#include "globals.h"
#include "online.h"
#include "optionshelp.h"
#include "play.h"
#include "players.h"
#include "prefs.h"
#include "screens.h"
#include "userfiles.h"

namespace {

bool Pressed() { return ButtDown != 0; }

// Waits for the release of the button on the window of the current screen.
void WaitRelease() { waitForMouseButton(ScreenWindow()); }

// The usual start of a button's click: the click sound, then the release.
void ClickAndWait() {
  PlaySound(snd_Click);
  WaitRelease();
}

// 0 becomes 1, anything else 0.
int32_t Flip(int32_t flag) { return flag == 0 ? 1 : 0; }

// One volume bar: while the button is down the pointer sets the volume; the
// volume is then kept within 0..100 and both volumes are applied.
void VolumeBar(int16_t &volume) {
  if (Pressed())
    volume = VolumeAt(mx);
  if (volume > 100)
    volume = 100;
  if (volume < 0)
    volume = 0;
  KSound::setGlobalVolumes(GV.musicVolume, GV.sfxVolume);
}

void OptionsHelpAndBars() {
  if (Inside(mx, my, 170, 215, 620, 259)) {
    DrawCentred(ktext_font, "Changes the window mode", 550);
    DrawCentred(ktext_font, "Effective immediatly", 570);
  }
  if (Inside(mx, my, 170, 260, 620, 300))
    DrawCentred(ktext_font, "Try to connect to internet to submit your score", 550);
  if (Inside(mx, my, 170, 301, 620, 350)) {
    DrawCentred(ktext_font, "Every time you answer incorrectly, the game", 530);
    DrawCentred(ktext_font, "shows you the correct answer for the question", 550);
    DrawCentred(ktext_font, "marked with a tick, and your answer with a cross", 570);
  }
  if (Inside(mx, my, 325, 365, 550, 385)) {
    DrawCentred(ktext_font, "Adjust the music volume by clicking on the bar", 550);
    VolumeBar(GV.musicVolume);
  }
  MoreHelpLine();
  if (Inside(mx, my, 325, 393, 550, 423)) {
    DrawCentred(ktext_font, "Adjust the SFX volume by clicking on the bar", 550);
    VolumeBar(GV.sfxVolume);
  }
}

} // namespace

void SampleMouseAndHover() {
  ButtDown = KInput::getLeftButtonState() ? 1 : 0;
  mx = (int16_t)KInput::getMouseX();
  my = (int16_t)KInput::getMouseY();
  if (CUR_BUT > 0)
    PRV_BUT = CUR_BUT;
  CUR_BUT = 0;
  for (int b = 1; b < ACT_BUT && b < MAX_BUTTONS; b++) {
    const GuiButton &g = GUIButton[b];
    if (g.state > 0 && g.x <= mx && mx <= g.x + g.width && g.y <= my && my <= g.y + g.height) {
      CUR_BUT = (int16_t)b;
      if (CUR_BUT != PRV_BUT && !ShowHighscores && !ShowScores)
        PlaySound(snd_Over);
      break;
    }
  }
}

void ClickTitle() {
  if (!Pressed())
    return;
  if (CUR_BUT >= 1 && !ShowHighscores && !ShowScores) {
    PlaySound(snd_Click);
    switch (CUR_BUT) {
    case 1:
      ClickAndWait();
      GoToScreen(SCREEN_PLAYERS);
      break;
    case 2:
      ClickAndWait();
      RequestTopTen(); // the view opens when the list is there
      break;
    case 3:
      ClickAndWait();
      GoToScreen(SCREEN_OPTIONS);
      break;
    case 5:
      Finish = 1;
      break;
    default:
      break;
    }
    return;
  }
  // A press anywhere closes the view on the title, and does nothing else.
  if (ShowHighscores == 1) {
    PlaySound(snd_Click);
    ShowHighscores = 0;
    WaitRelease();
  }
  if (ShowScores == 1) {
    PlaySound(snd_Click);
    ShowScores = 0;
    WaitRelease();
  }
}

void ClickPlayers() {
  if (!Pressed() || CUR_BUT < 1)
    return;
  ClickAndWait();
  if (CUR_BUT == 7) {
    GoToScreen(SCREEN_TITLE);
  } else if (CUR_BUT <= 6) {
    StartNewGame(CUR_BUT);
    GoToScreen(SCREEN_SKILL);
  }
}

void ClickSkill() {
  if (!Pressed() || CUR_BUT < 1)
    return;
  ClickAndWait();
  if (CUR_BUT == 7)
    GoToScreen(SCREEN_PLAYERS);
  else if (CUR_BUT <= 6 && ChooseSkill(CUR_BUT - 1))
    GoToScreen(SCREEN_LEVEL_START);
}

void ClickLevelStart() {
  // Space or Return at a shared keyboard act as the click.
  bool space = KeyHit(K_VK_SPACE), enter = KeyHit(K_VK_RETURN); // both read, so neither press waits
  bool key = space || enter;
  if (KeyHit(K_VK_R)) // reads the screen again
    RepeatReading();
  if (Pressed()) {
    ClickAndWait();
  } else if (key) {
    PlaySound(snd_Click);
  } else {
    return;
  }
  GoToScreen(SCREEN_GAME);
}

void ClickLauncher() {
  if (!Pressed() || CUR_BUT < 1 || CUR_BUT > 5)
    return;
  ClickAndWait();
  switch (CUR_BUT) {
  case 1:
    GV.rendererChoice = GV.rendererChoice == 1 ? 0 : 1;
    break;
  case 2:
  case 3:
  case 4:
    GV.language = (int16_t)(LANGUAGE_ENGLISH + CUR_BUT - 2); // English, Italiano, Español
    break;
  case 5:
    StartGame = 1;
    break;
  }
}

void ClickOptions() {
  if (OptionsPageShown == OPTIONS_HELP) {
    ClickHelpPage();
    return;
  }
  OptionsHelpAndBars();
  if (!Pressed() || CUR_BUT < 1)
    return;
  ClickAndWait();
  switch (CUR_BUT) {
  case 1:
    GV.windowed = Flip(GV.windowed);
    if (gameWindow)
      gameWindow->toggleFullScreen(GV.windowed == 0);
    break;
  case 2:
    GV.submitOnline = Flip(GV.submitOnline);
    break;
  case 3:
    GV.showCorrect = Flip(GV.showCorrect);
    break;
  case 4:
    SavePrefs(); // a failed write is ignored; the screen still returns
    GoToScreen(SCREEN_TITLE);
    break;
  case BUTTON_MORE:
    EnterHelpPage();
    break;
  default:
    break;
  }
}

int16_t VolumeAt(int16_t x) { return (int16_t)(int)((x - 330) / 2.2); }
