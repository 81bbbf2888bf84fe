// Drawing of the menu screens (see menus.h). Coordinates are the screens'
// layout, next to what they draw.
#include "menus.h"

#include "KText.h"

#include "clock.h"
#include "globals.h"
#include "images.h"
#include "online.h"
#include "optionshelp.h"
#include "players.h"
#include "toolkit.h"

namespace {

// The hover line of the title's button under the pointer.
void TitleHoverLine() {
  switch (CUR_BUT) {
  case 1:
    DrawCentred(ktext_font,
                ByLanguage("Click Here To Start A New Game", "Clicca qui per una nuova partita",
                           "Haz clic aqu\xED para empezar una partida"),
                150);
    break;
  case 2:
    DrawTopTenHoverText();
    break;
  case 3:
    DrawCentred(ktext_font, "Setup Game Options", 150);
    break;
  case 5:
    DrawCentred(ktext_font, "Quit The Game", 150);
    break;
  default:
    break;
  }
}

// Buttons first..last of the screen drawn from their own rectangles in their
// picture, a little transparent (their idle look).
void DrawIdleButtons(int first, int last) {
  for (int b = first; b <= last; b++) {
    const GuiButton &g = GUIButton[b];
    BlitIMGFx(g.image, g.srcX, g.srcY, g.srcX + g.width, g.srcY + g.height, g.x, g.y, 0, 1.0f, 0.7f);
  }
}

// A check mark of the launcher, 2 pixels left of and 8 above a button.
void LauncherTick(int button) {
  const GuiButton &g = GUIButton[button];
  BlitIMGAlpha(SLOT_BACKGROUND, 5, 305, 25, 325, g.x - 2, g.y - 8);
}

// A volume bar of the options screen: 1 + 2.2 x volume pixels long.
void VolumeBar(int16_t volume, short y) { BlitIMG(SLOT_BACKGROUND, 800, 585, 801 + 2.2f * volume, 609, 332, y); }

const char *const kCreditLines[4] = {
    "Game design and questions by the Trivello team",
    "Programming by the Trivello team",
    "Artwork, sounds and music made for Trivello",
    "Thank you for playing Trivello!",
};

} // namespace

void LogoAnimationStep() {
  if (ElapsedMs(IntroTimer) <= (uint32_t)(QuestionM < 0 ? 0 : QuestionM))
    return;
  int16_t &f = IMG[SLOT_TITLE].frame;
  if (QuestionM == 2000 && f == 0)
    QuestionM = 250;
  if (QuestionM == 2000 && f == 6)
    QuestionM = 260;
  if (f < 6 && QuestionM == 250)
    f++;
  if (f > 0 && QuestionM == 260)
    f--;
  if (f == 6 || f == 0)
    QuestionM = 2000;
  IntroTimer = Now();
}

void CreditLineStep() {
  if (ElapsedMs(Timer) <= 5000)
    return;
  UPTXT = UPTXT >= 5 ? 0 : UPTXT + 1;
  Timer = Now();
}

const char *CreditLine(int line) { return line >= 1 && line <= 4 ? kCreditLines[line - 1] : nullptr; }

void DrawTitleScreen() {
  BlitIMG(SLOT_BACKGROUND, 0, 0, 800, 600, 0, 0);
  DrawIMG(SLOT_TITLE, 255, 11, DRAW_ALPHA, 0, 1.0f, 1.0f);
  LogoAnimationStep();
  CreditLineStep();
  TitleHoverLine();
  if (UPTXT == 0)
    DrawIMG(SLOT_ENGINE_LOGO, 370, 560, DRAW_OPAQUE, 0, 1.0f, 1.0f);
  else if (const char *line = CreditLine(UPTXT))
    DrawCentred(ktext_font, line, 565);
  BlitIMG(SLOT_BACKGROUND, 0, 840, 274, 905, 255, 408); // artwork over the fourth button place
  if (ShowScores == 1)
    DrawResultsTable();
  if (ShowHighscores == 1)
    DrawTopTen();
  if (ShowScores == 1 || ShowHighscores == 1)
    return;
  Show_But();
}

void DrawPlayersScreen() {
  BlitIMG(SLOT_BACKGROUND, 0, 0, 800, 600, 0, 0);
  BlitIMG(SLOT_BACKGROUND, 0, 601, 800, 638, 0, 151);   // the players header
  BlitIMG(SLOT_BACKGROUND, 0, 638, 274, 975, 255, 206); // the menu panel
  DrawIMG(SLOT_TITLE, 255, 11, DRAW_ALPHA, 0, 1.0f, 1.0f);
  LogoAnimationStep();
  DrawIdleButtons(1, 6);
  DrawCentred(ktext_font,
              ByLanguage("Choose the number of human players that will play",
                         "Scegli il numero di giocatori che parteciperanno",
                         "Elige el n\xFAmero de jugadores que van a tomar"),
              530);
  DrawCentred(ktext_font,
              ByLanguage("the game. The one who make more points will be the",
                         "al gioco. Quello che far\xE0 maggior punti sar\xE0 il",
                         "parte en la partida. \xA1Quien consiga m\xE1s puntos"),
              550);
  DrawCentred(ktext_font,
              ByLanguage("winner of the competition!", "vincitore del torneo!", "ser\xE1 el ganador del torneo!"), 570);
  BlitIMG(SLOT_BACKGROUND, 833, 690, 983, 740, 20, 95); // the back button's label
  Show_But();
}

void DrawLauncherScreen() {
  DrawIMG(SLOT_BACKGROUND, 0, 0, DRAW_OPAQUE, 0, 1.0f, 1.0f);
  DrawIdleButtons(1, 4);
  if (KText *f = ktext_small) {
    f->drawStringCentered("Available game options", 0, 400, 142, 0);
    f->drawStringFromLeft("Use 16-bit textures", 105, 175, -1);
    f->drawStringCentered("Select questions language", 0, 400, 205, 0);
    f->drawStringFromLeft("English", 55, 235, 0);
    f->drawStringFromLeft("Italiano", 180, 235, 0);
    f->drawStringFromLeft("Espa\xF1ol", 300, 235, 0);
  }
  Show_But();
  if (GV.rendererChoice == 0)
    LauncherTick(1);
  if (GV.language >= LANGUAGE_ENGLISH && GV.language <= LANGUAGE_SPANISH) // a value from the file may be anything
    LauncherTick(2 + GV.language);
}

void DrawOptionsScreen() {
  if (OptionsPageShown == OPTIONS_HELP) {
    DrawHelpPage();
    return;
  }
  DrawIMG(SLOT_BACKGROUND, 0, 0, DRAW_OPAQUE, 0, 1.0f, 1.0f);
  BlitIMG(SLOT_BACKGROUND, 0, 638, 274, 975, 255, 206);   // the menu panel
  BlitIMG(SLOT_BACKGROUND, 275, 638, 780, 993, 143, 154); // the options panel
  DrawIdleButtons(1, 3);
  DrawMoreButton();
  Show_But();
  // check marks: full screen, online, show correct
  if (GV.windowed == 0)
    BlitIMG(SLOT_BACKGROUND, 781, 817, 818, 854, 165, 219);
  if (GV.submitOnline == 1)
    BlitIMG(SLOT_BACKGROUND, 781, 817, 818, 854, 165, 264);
  if (GV.showCorrect == 1)
    BlitIMG(SLOT_BACKGROUND, 781, 817, 818, 854, 165, 309);
  VolumeBar(GV.musicVolume, 360);
  VolumeBar(GV.sfxVolume, 395);
}
