// The playing-help page of the options screen (see optionshelp.h).
#include "optionshelp.h"

#include "KText.h"

#include "access.h"
#include "globals.h"
#include "images.h"
#include "toolkit.h"
#include "speech.h"
#include "userfiles.h"

int16_t OptionsPageShown = OPTIONS_MAIN;

namespace {

// Where things are in "gfx\access.png" and on the screen.
const short kPanel[4] = {0, 0, 505, 355};
const short kPanelAt[2] = {143, 154};
const short kCheck[4] = {570, 0, 607, 37};
const short kCheckAt[2] = {165, 219};
const short kMoreIdle[4] = {810, 0, 940, 48};
const short kMoreAt[2] = {505, 429};

short ClockX(int k) { return (short)(177 + 112 * k); }
const short kClockY = 305;

void SetPageButtons(bool help) {
  for (int b = 1; b <= BUTTON_MORE; b++)
    GUIButton[b].state = help ? -1 : 1;
  for (int b = BUTTON_READ_ALOUD; b <= BUTTON_HELP_OK; b++)
    GUIButton[b].state = help ? 1 : -1;
}

// The help lines of the page, by pointer position.
void HelpPageLines() {
  if (Inside(mx, my, 150, 205, 640, 262)) {
    DrawCentred(ktext_font, "The questions, the answers and the results", 530);
    DrawCentred(ktext_font, "are spoken in the language of the questions", 550);
    DrawCentred(ktext_font, "The clock starts when the reading ends", 570);
  }
  if (Inside(mx, my, 150, 290, 640, 350)) {
    DrawCentred(ktext_font, "How long you have to answer each question", 530);
    DrawCentred(ktext_font, "Points count the share of the time you use", 550);
    DrawCentred(ktext_font, "Only 15 s games go to the online top ten", 570);
  }
}

} // namespace

void SetUpOptionsMore() {
  OptionsPageShown = OPTIONS_MAIN;
  LoadNewIMG(SLOT_ACCESS, "gfx\\access.png");
  SetGUIButton(BUTTON_MORE, 512, 50, 130, 48, kMoreAt[0], kMoreAt[1], 1, DRAW_ALPHA, SLOT_ACCESS);
  SetGUIButton(BUTTON_READ_ALOUD, 512, 0, 50, 45, 160, 213, -1, DRAW_ALPHA, SLOT_ACCESS);
  for (int k = 0; k < CLOCK_MODES; k++)
    SetGUIButton((short)(BUTTON_CLOCK_FIRST + k), (short)(512 + 102 * k), 150, 100, 40, ClockX(k), kClockY, -1,
                 DRAW_ALPHA, SLOT_ACCESS);
  SetGUIButton(BUTTON_HELP_OK, 620, 0, 185, 48, 307, 429, -1, DRAW_ALPHA, SLOT_ACCESS);
  ACT_BUT = BUTTON_HELP_OK + 1;
}

void EnterHelpPage() {
  OptionsPageShown = OPTIONS_HELP;
  SetPageButtons(true);
}

void LeaveHelpPage() {
  OptionsPageShown = OPTIONS_MAIN;
  SetPageButtons(false);
}

void DrawMoreButton() {
  BlitIMGAlpha(SLOT_ACCESS, kMoreIdle[0], kMoreIdle[1], kMoreIdle[2], kMoreIdle[3], kMoreAt[0], kMoreAt[1]);
}

void MoreHelpLine() {
  if (Inside(mx, my, kMoreAt[0], kMoreAt[1], kMoreAt[0] + 130, kMoreAt[1] + 48))
    DrawCentred(ktext_font, "Reading aloud and the time to answer", 550);
}

void DrawHelpPage() {
  DrawIMG(SLOT_BACKGROUND, 0, 0, DRAW_OPAQUE, 0, 1.0f, 1.0f);
  BlitIMG(SLOT_BACKGROUND, 0, 638, 274, 975, 255, 206); // the menu panel
  BlitIMGAlpha(SLOT_ACCESS, kPanel[0], kPanel[1], kPanel[2], kPanel[3], kPanelAt[0], kPanelAt[1]);
  Show_But();
  if (AO.readAloud == 1)
    BlitIMGAlpha(SLOT_ACCESS, kCheck[0], kCheck[1], kCheck[2], kCheck[3], kCheckAt[0], kCheckAt[1]);
  // the chosen clock carries a tick as well as its green colour
  int k = AO.clockMode >= 0 && AO.clockMode < CLOCK_MODES ? AO.clockMode : CLOCK_STANDARD;
  float x = (float)(512 + 102 * k);
  BlitIMGAlpha(SLOT_ACCESS, x, 100, x + 100, 140, ClockX(k), kClockY);
}

void ClickHelpPage() {
  HelpPageLines();
  if (ButtDown == 0 || CUR_BUT < BUTTON_READ_ALOUD || CUR_BUT > BUTTON_HELP_OK)
    return;
  PlaySound(snd_Click);
  waitForMouseButton(ScreenWindow());
  if (CUR_BUT == BUTTON_READ_ALOUD) {
    AO.readAloud = AO.readAloud == 1 ? 0 : 1;
    if (AO.readAloud == 0)
      StopSpeaking();
  } else if (CUR_BUT == BUTTON_HELP_OK) {
    WriteAccess(AccessPath()); // a failed write is ignored, as for "prefs"
    LeaveHelpPage();
  } else {
    AO.clockMode = CUR_BUT - BUTTON_CLOCK_FIRST;
  }
}
