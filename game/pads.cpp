// Party controllers on the game's screens (see pads.h). A pad press becomes
// the same press of a button that a mouse click is, so every screen's own
// click rules decide what it does; the mouse and keyboard keep working.
#include "pads.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "KMiscTools.h"
#include "KText.h"

#include "images.h"
#include "play.h" // RepeatReading
#include "toolkit.h"

int16_t PadOfPlayer[MAX_PLAYER_RECORDS] = {-1, -1, -1, -1, -1, -1, -1, -1};
int16_t PadFocus = 0;
int32_t PadHighlight = 0;

namespace {

int16_t g_lastScreen = -1;
int16_t g_lastMx = -32768, g_lastMy = -32768;
// What the buzzer lights were last set to, so the files are written only
// when the turn or the devices change.
bool g_lit[KPad::kMaxPads];
bool g_litConnected[KPad::kMaxPads];
bool g_lightsKnown = false;

bool MenuScreen() {
  return CUR_SCR == SCREEN_TITLE || CUR_SCR == SCREEN_PLAYERS || CUR_SCR == SCREEN_SKILL ||
         CUR_SCR == SCREEN_LAUNCHER || CUR_SCR == SCREEN_OPTIONS;
}

// Screens on which only the pads of the player whose turn it is act.
bool TurnScreen() { return CUR_SCR == SCREEN_GAME || CUR_SCR == SCREEN_LEVEL_START || CUR_SCR == SCREEN_SKILL; }

bool Active(int b) { return b >= 1 && b < ACT_BUT && b < MAX_BUTTONS && GUIButton[b].state > 0; }

int FirstActive() {
  for (int b = 1; b < ACT_BUT && b < MAX_BUTTONS; b++)
    if (Active(b))
      return b;
  return 0;
}

int CentreX(int b) { return GUIButton[b].x + GUIButton[b].width / 2; }
int CentreY(int b) { return GUIButton[b].y + GUIButton[b].height / 2; }

int16_t Owner(int pad) {
  for (int p = 0; p < MAX_PLAYER_RECORDS; p++)
    if (PadOfPlayer[p] == pad)
      return (int16_t)p;
  return -1;
}

// The highlight moves to the nearest button in the direction (dx, dy): the
// distance along it counts once, the distance across it twice.
int Neighbour(int from, int dx, int dy) {
  int best = 0, bestScore = 1 << 30;
  for (int b = 1; b < ACT_BUT && b < MAX_BUTTONS; b++) {
    if (!Active(b) || b == from)
      continue;
    int vx = CentreX(b) - CentreX(from), vy = CentreY(b) - CentreY(from);
    int along = vx * dx + vy * dy, across = abs(vx * dy) + abs(vy * dx);
    if (along <= 0 || across > 2 * along)
      continue;
    int score = along + 2 * across;
    if (score < bestScore)
      best = b, bestScore = score;
  }
  return best ? best : from;
}

// The next (step 1) or previous (-1) active button in number order, round.
int Cycle(int from, int step) {
  int n = ACT_BUT < (int)MAX_BUTTONS ? (int)ACT_BUT : (int)MAX_BUTTONS;
  for (int i = 1; i < n; i++) {
    int b = ((from - 1 + step * i) % (n - 1) + (n - 1)) % (n - 1) + 1;
    if (Active(b))
      return b;
  }
  return from;
}

// This frame's press of button `b` (0: a press on no button, mid-screen).
void Press(int b) {
  CUR_BUT = (int16_t)b;
  ButtDown = 1;
  mx = (int16_t)(b ? CentreX(b) : 400);
  my = (int16_t)(b ? CentreY(b) : 300);
}

bool IsConfirm(EPadButton button) { return button == K_PAD_SOUTH || button == K_PAD_START || button == K_PAD_BUZZ_RED; }

// A menu press: moves the highlight, or presses the highlighted button.
// True when it pressed.
bool MenuPress(EPadButton button) {
  if (ShowScores == 1 || ShowHighscores == 1) { // any confirm closes the view
    if (IsConfirm(button)) {
      Press(0);
      return true;
    }
    return false;
  }
  // The first press shows the highlight, on the button it was last on or
  // on the screen's first one.
  if (!PadHighlight || !Active(PadFocus)) {
    if (!Active(PadFocus))
      PadFocus = (int16_t)FirstActive();
    PadHighlight = PadFocus ? 1 : 0;
    return false;
  }
  int moved = PadFocus;
  switch (button) {
  case K_PAD_UP:
    moved = Neighbour(PadFocus, 0, -1);
    break;
  case K_PAD_DOWN:
    moved = Neighbour(PadFocus, 0, 1);
    break;
  case K_PAD_LEFT:
    moved = Neighbour(PadFocus, -1, 0);
    break;
  case K_PAD_RIGHT:
    moved = Neighbour(PadFocus, 1, 0);
    break;
  case K_PAD_BUZZ_BLUE:
  case K_PAD_BUZZ_ORANGE:
    moved = Cycle(PadFocus, -1);
    break;
  case K_PAD_BUZZ_GREEN:
  case K_PAD_BUZZ_YELLOW:
    moved = Cycle(PadFocus, 1);
    break;
  default:
    if (IsConfirm(button)) {
      Press(PadFocus);
      return true;
    }
    break;
  }
  if (moved != PadFocus)
    PlaySound(snd_Over);
  PadFocus = (int16_t)moved;
  return false;
}

// A game-screen press: the panel goes away with A, Start or red; otherwise
// the answer boxes and the jolly. True when it pressed.
bool GamePress(EPadButton button) {
  if (SubmitScore == 1)
    return false; // the name is typed on the keyboard
  if (GetReady == 1) {
    if (!IsConfirm(button))
      return false;
    Press(0);
    return true;
  }
  int16_t box = PadAnswerBox(button);
  if (box == 0 && (button == K_PAD_SHOULDER || button == K_PAD_BUZZ_RED))
    box = 5; // the jolly button
  if (!Active(box))
    return false;
  Press(box);
  return true;
}

// The pad acts on the current screen; true when the press is this frame's.
bool Act(int pad, EPadButton button) {
  if (CUR_SCR == SCREEN_SKILL && Owner(pad) < 0 && Cur_Player >= 0 && Cur_Player < MAX_PLAYER_RECORDS &&
      !KPad::isConnected(PadOfPlayer[Cur_Player])) {
    PadOfPlayer[Cur_Player] = (int16_t)pad; // claimed: this press only claims
    PlaySound(snd_Click);
    return false;
  }
  // Back reads the question, the result or the level screen again, as R does.
  if (button == K_PAD_BACK && (CUR_SCR == SCREEN_GAME || CUR_SCR == SCREEN_LEVEL_START)) {
    RepeatReading();
    return false;
  }
  if (CUR_SCR == SCREEN_GAME)
    return GamePress(button);
  if (CUR_SCR == SCREEN_LEVEL_START) {
    if (!IsConfirm(button))
      return false;
    Press(0);
    return true;
  }
  if (MenuScreen())
    return MenuPress(button);
  return false;
}

bool MayAct(int pad) {
  if (!KPad::isConnected(pad))
    return false;
  if (!TurnScreen())
    return true;
  int16_t owner = Owner(pad);
  return owner < 0 || owner == Cur_Player;
}

// Lights the handset of the player whose turn it is while a game runs.
void UpdateLights() {
  bool on[KPad::kMaxPads] = {};
  bool connected[KPad::kMaxPads] = {};
  bool playing = CUR_SCR == SCREEN_GAME || CUR_SCR == SCREEN_LEVEL_START || CUR_SCR == SCREEN_SKILL;
  int16_t mine = Cur_Player >= 0 && Cur_Player < MAX_PLAYER_RECORDS ? PadOfPlayer[Cur_Player] : -1;
  for (int p = 0; p < KPad::padCount() && p < KPad::kMaxPads; p++) {
    connected[p] = KPad::isConnected(p);
    on[p] = playing && p == mine && KPad::kind(p) == K_PAD_KIND_BUZZER;
  }
  if (g_lightsKnown && memcmp(on, g_lit, sizeof(on)) == 0 && memcmp(connected, g_litConnected, sizeof(on)) == 0)
    return;
  memcpy(g_lit, on, sizeof(on));
  memcpy(g_litConnected, connected, sizeof(on));
  g_lightsKnown = true;
  KPad::lightBuzzers(on);
}

void Outline(int b) {
  const GuiButton &g = GUIButton[b];
  short slot = IMG[SLOT_BACKGROUND].picture ? SLOT_BACKGROUND : SLOT_SKILL;
  float x1 = g.x - 3, y1 = g.y - 3, x2 = g.x + g.width + 3, y2 = g.y + g.height + 3;
  FillRectUsing(slot, x1, y1, x2, y1 + 2, 1, 0.85f, 0, 1);
  FillRectUsing(slot, x1, y2 - 2, x2, y2, 1, 0.85f, 0, 1);
  FillRectUsing(slot, x1, y1, x1 + 2, y2, 1, 0.85f, 0, 1);
  FillRectUsing(slot, x2 - 2, y1, x2, y2, 1, 0.85f, 0, 1);
}

} // namespace

bool PadsStart() {
  for (int16_t &p : PadOfPlayer)
    p = -1;
  PadFocus = 0;
  PadHighlight = 0;
  g_lastScreen = -1;
  g_lightsKnown = false;
  return KPad::init(KMiscTools::makeFilePath("data\\gamecontrollerdb.txt"));
}

void PadsStop() {
  bool off[KPad::kMaxPads] = {};
  KPad::lightBuzzers(off);
  KPad::shutdown();
  g_lightsKnown = false;
}

void PadsClick() {
  if (CUR_SCR != g_lastScreen) {
    if (CUR_SCR == SCREEN_SKILL && g_lastScreen == SCREEN_PLAYERS)
      for (int16_t &p : PadOfPlayer) // a new game: pads are claimed afresh
        p = -1;
    PadFocus = 0;
    g_lastScreen = CUR_SCR;
  }
  if (mx != g_lastMx || my != g_lastMy)
    PadHighlight = 0; // the mouse moved: its pointer shows the way again
  g_lastMx = mx;
  g_lastMy = my;
  UpdateLights();

  bool acted = ButtDown != 0; // the mouse's press wins this frame
  for (int pad = 0; pad < KPad::padCount(); pad++) {
    EPadButton button;
    while (KPad::nextPress(pad, &button)) {
      if (acted || !MayAct(pad))
        continue; // read once, and gone
      acted = Act(pad, button);
    }
  }
  if (!ButtDown && PadHighlight && MenuScreen() && Active(PadFocus) && !ShowScores && !ShowHighscores)
    CUR_BUT = PadFocus; // the highlighted button shows its look
}

void PadsDraw() {
  if (MenuScreen() && PadHighlight && Active(PadFocus) && !ShowScores && !ShowHighscores)
    Outline(PadFocus);
  int16_t pad = PadOfTurn();
  bool anyPad = false;
  for (int p = 0; p < KPad::padCount(); p++)
    anyPad = anyPad || KPad::isConnected(p);
  if (CUR_SCR == SCREEN_SKILL && ktext_font && anyPad) {
    bool mine = Cur_Player >= 0 && Cur_Player < MAX_PLAYER_RECORDS && KPad::isConnected(PadOfPlayer[Cur_Player]);
    const char *line = mine ? ByLanguage("Your pad is ready", "Il tuo controller \xE8 pronto", "Tu mando est\xE1 listo")
                            : ByLanguage("Press a button on your pad to make it yours",
                                         "Premi un tasto del tuo controller per averlo",
                                         "Pulsa un bot\xF3n de tu mando para que sea tuyo");
    DrawCentred(ktext_font, line, 515);
  }
  if (CUR_SCR != SCREEN_GAME || pad < 0 || GetReady == 1 || SubmitScore == 1 || !ktext_small)
    return;
  // Each answer box's pad button, in yellow at the box's left end, and the
  // jolly's under the jolly.
  ktext_small->setColor(1, 0.85f, 0, 1);
  for (int box = 1; box <= 4; box++)
    if (OkShow[box - 1] == 1 && GUIButton[box].state >= 0)
      ktext_small->drawStringFromLeft(PadButtonName(KPad::kind(pad), box), GUIButton[box].x + 8, GUIButton[box].y + 12,
                                      0);
  if (GUIButton[5].state > 0)
    ktext_small->drawStringCentered(PadButtonName(KPad::kind(pad), 5), 320, 479, 582, 0);
  ktext_small->setColor(1, 1, 1, 1);
}

int16_t PadAnswerBox(EPadButton button) {
  switch (button) {
  case K_PAD_WEST:
  case K_PAD_BUZZ_BLUE:
    return 1;
  case K_PAD_NORTH:
  case K_PAD_BUZZ_ORANGE:
    return 2;
  case K_PAD_SOUTH:
  case K_PAD_BUZZ_GREEN:
    return 3;
  case K_PAD_EAST:
  case K_PAD_BUZZ_YELLOW:
    return 4;
  default:
    return 0;
  }
}

const char *PadButtonName(EPadKind kind, int box) {
  static const char *const kNames[][5] = {
      {"X", "Y", "A", "B", "LB / RB"},                      // Xbox and the rest
      {"SQUARE", "TRIANGLE", "CROSS", "CIRCLE", "L1 / R1"}, // PlayStation
      {"Y", "X", "B", "A", "L / R"},                        // Nintendo
      {"BLUE", "ORANGE", "GREEN", "YELLOW", "RED"},         // buzzer handset
  };
  if (box < 1 || box > 5)
    return "";
  int row = kind == K_PAD_KIND_PLAYSTATION ? 1 : kind == K_PAD_KIND_NINTENDO ? 2 : kind == K_PAD_KIND_BUZZER ? 3 : 0;
  return kNames[row][box - 1];
}

int16_t PadOfTurn() {
  if (Cur_Player >= 0 && Cur_Player < MAX_PLAYER_RECORDS && KPad::isConnected(PadOfPlayer[Cur_Player]))
    return PadOfPlayer[Cur_Player];
  for (int pad = 0; pad < KPad::padCount(); pad++)
    if (KPad::isConnected(pad) && Owner(pad) < 0)
      return (int16_t)pad;
  return -1;
}
