// Players and results (see players.h).
#include "players.h"

#include <cstdio>
#include <cstring>
#include <utility>

#include "KText.h"

#include "images.h"
#include "toolkit.h"

namespace {

void Centered(KText *font, const char *text, long x1, long x2, long y) {
  if (font)
    font->drawStringCentered(text, x1, x2, y, 0);
}

} // namespace

int16_t PlayersInUse() {
  if (Max_Players < 1)
    return 1;
  if (Max_Players > 6)
    return 6;
  return Max_Players;
}

void StartNewGame(int16_t players) {
  Max_Players = players;
  Max_Players = PlayersInUse();
  for (int i = 0; i < Max_Players; i++) {
    Player_t &p = Player[i];
    p.score = 0;
    p.lives = kStartLives;
    p.level = 0;
    p.questionNumber = 0;
    p.answers = 0;
    p.extraLives = 0;
    p.skill = CATEGORY_NONE;
  }
  AllAnswered = 0;
  Cur_Player = 0;
}

Player_t &CurrentPlayer() {
  if (Cur_Player < 0 || Cur_Player >= MAX_PLAYER_RECORDS)
    Cur_Player = 0;
  return Player[Cur_Player];
}

bool ChooseSkill(int16_t skill) {
  CurrentPlayer().skill = skill;
  Cur_Player++;
  if (Cur_Player >= PlayersInUse()) {
    Cur_Player = 0;
    return true;
  }
  return false;
}

int compareBoxerSpecial(Player_t *a, Player_t *b) { return a->questionNumber > b->questionNumber ? 1 : 0; }

int compareBoxer(Player_t *a, Player_t *b) {
  if (a->score != b->score)
    return a->score > b->score ? 1 : 0;
  return compareBoxerSpecial(a, b);
}

void sortCategory() {
  int n = PlayersInUse();
  // Every pair (i, j), j over all records: an exchange whenever record i
  // ranks above record j leaves the table ordered from the best down.
  for (int i = 0; i < n; i++)
    for (int j = 0; j < n; j++)
      if (compareBoxer(&Player[i], &Player[j]))
        std::swap(Player[i], Player[j]);
}

void NamePlayers() {
  int n = PlayersInUse();
  for (int i = 0; i < n; i++)
    snprintf(Player[i].name, 14, "Player %u", (unsigned)(unsigned char)(i + 1)); // at most six players
}

const char *PanelLevelName(int16_t level) {
  switch (level) {
  case 0:
    return "Easy";
  case 1:
    return "Medium";
  case 2:
    return "Hard";
  default:
    return "";
  }
}

const char *ResultsLevelName(int16_t level) { return level == 1 ? "Average" : PanelLevelName(level); }

void DrawSkillScreen() {
  DrawIMG(SLOT_SKILL, 0, 0, DRAW_OPAQUE, 0, 1.0f, 1.0f);
  if (Cur_Player > 0) // the label of the player who chooses now
    BlitIMG(SLOT_SKILL, 0, 38 * Cur_Player + 563, 799, 38 * Cur_Player + 600, 0, 151);
  Centered(ktext_font,
           ByLanguage("You'll get double points for correct answers", "Otterrai il doppio dei punti per le domande",
                      "Ganar\xE1s el doble de puntos con las preguntas"),
           0, 800, 550);
  Centered(ktext_font,
           ByLanguage("in questions related to your skill", "relative allo skill scelto",
                      "de la categor\xED"
                      "a que has elegido"),
           0, 800, 570);
  BlitIMG(SLOT_BACKGROUND, 833, 690, 983, 740, 20, 95); // the back button's label
  Show_But();
}

void DrawResultsFrame() {
  BlitIMG(SLOT_BACKGROUND, 0, 0, 800, 600, 0, 0);
  BlitIMG(SLOT_BACKGROUND, 0, 638, 274, 975, 255, 206); // the menu panel
  DrawIMG(SLOT_TITLE, 255, 11, DRAW_ALPHA, 0, 1.0f, 1.0f);
}

void DrawResultsTable() {
  DrawResultsFrame();
  KText *f = ktext_font;
  if (!f)
    return;
  f->drawStringCentered("Results for Multiplayer Game", 0, 800, 140, 0);
  f->drawStringCentered("Press Mouse Button To Finish", 0, 800, 557, 0);
  f->drawStringFromLeft("Rank", 100, 190, 0);
  f->drawStringCentered("Answers", 310, 420, 190, 0);
  f->drawStringCentered("Level", 450, 580, 190, 0);
  f->drawStringCentered("Score", 600, 700, 190, 0);
  int n = PlayersInUse();
  for (int i = 0; i < n; i++) {
    const Player_t &p = Player[i];
    long y = 230 + 32 * i;
    char rank[16];
    snprintf(rank, sizeof(rank), "%d)", i + 1);
    f->drawStringFromRight(rank, 120, y, 0);
    f->drawStringFromLeft(p.name, 130, y, 0);
    f->drawStringCentered((long)p.answers, 310, 420, y, 0);
    f->drawStringFromRight((long)p.score, 690, y, 0);
    f->drawStringCentered(ResultsLevelName(p.level), 450, 580, y, 0);
  }
}
