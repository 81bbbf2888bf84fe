// The game screen and the level start screen (see play.h).
#include "play.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "KInput.h"
#include "KText.h"

#include "access.h"
#include "clock.h"
#include "images.h"
#include "online.h"
#include "players.h"
#include "puzzle.h"
#include "questions.h"
#include "screens.h"
#include "speech.h"

namespace {

// Top-left corners of the four answer boxes.
const short kBoxX[4] = {63, 483, 63, 483};
const short kBoxY[4] = {461, 461, 533, 533};
const int16_t kJollyButton = 5;
const int16_t kJollyLastFrame = 8;

// Extra lives: (score reached, extra lives granted so far), tested from the top.
const struct {
  int32_t score;
  int16_t granted;
} kExtraLives[] = {{60000, 5}, {50000, 4}, {40000, 3}, {30000, 2}, {20000, 1}, {10000, 0}};

// Where the tick or cross sits in a highlight strip (its box is 23 x 23).
const short kMarkLeft = 5, kMarkTop = 5;

// With no time limit the time used is still counted, up to this many tenths.
const int16_t kNoLimitTenthsCap = 32000;

// The clock of a question read aloud waits until the reading has ended.
bool g_holdClock = false;

bool ResultShown() { return WellDone || Incorrect || OutofTime; }
bool QuestionIdle() { return !ResultShown() && !GetReady; }
bool AnswerBox(int16_t n) { return n >= 1 && n <= 4; }

const QuestionRecord &CurrentQuestion() {
  if (CUR_QUE < 0 || CUR_QUE >= MAX_QUESTION_RECORDS)
    CUR_QUE = 0;
  return Question[CUR_QUE];
}

bool InSkillCategory(const Player_t &p) { return QuestionType >= 0 && p.skill == QuestionType; }

void TakeLife(Player_t &p) {
  if (p.lives > 0)
    p.lives--;
}

bool AnyPlayerAlive() {
  for (int i = 0; i < PlayersInUse(); i++)
    if (Player[i].lives > 0)
      return true;
  return false;
}

// The picture that goes with a new question: the photo, or the artwork of
// the sport and various categories.
void LoadQuestionPicture(const QuestionRecord &q) {
  if (HasPhoto(q)) {
    // A photo question shows no category, so it cannot earn double points or
    // cost the skill penalty through a category it does not show.
    QuestionType = CATEGORY_NONE;
    char file[1024]; // the player's own pictures come with their whole path
    if (PhotoFileName(q, file, sizeof(file)))
      LoadNewIMG(SLOT_PICTURE, file);
    return;
  }
  if (strstr(q.ID, "Sp"))
    LoadNewIMG(SLOT_PICTURE, "gfx\\sport.jpg");
  if (strstr(q.ID, "Att"))
    LoadNewIMG(SLOT_PICTURE, "gfx\\various.jpg");
  QuestionType = CategoryAtPick(q, QuestionType);
}

void AddSentence(std::string &out, const char *text) {
  if (!text || !text[0])
    return;
  if (!out.empty())
    out += ' ';
  out += text;
  char last = out.back();
  if (last != '.' && last != '?' && last != '!' && last != ':')
    out += '.';
}

// The same player goes on after the next-question panel.
void ContinueWithPanel() {
  GetReady = 1;
  OutofTime = 0;
  Getr = -180;
  Getz = 0;
  WellDone = 0;
  Incorrect = 0;
}

// ---- drawing of the game screen, in frame order ----

// The question's picture area when no result or panel is shown.
void DrawQuestionArea() {
  const QuestionRecord &q = CurrentQuestion();
  if (HasPhoto(q)) {
    if (PuzzleType == PUZZLE_NONE)
      DrawIMG(SLOT_PICTURE, 191, 28, DRAW_OPAQUE, 0, 1.0f, 1.0f);
    else
      DrawPuzzle();
    return;
  }
  QuestionType = CategoryWhileShown(q, QuestionType);
  if (strstr(q.ID, "Geo"))
    BlitIMG(SLOT_INGAME, 0, 601, 400, 900, 191, 28);
  if (strstr(q.ID, "St"))
    BlitIMG(SLOT_INGAME, 401, 601, 800, 900, 191, 28);
  if (strstr(q.ID, "Sp") || strstr(q.ID, "Att"))
    DrawIMG(SLOT_PICTURE, 191, 28, DRAW_OPAQUE, 0, 1.0f, 1.0f);
  if (strstr(q.ID, "Lett")) {
    BlitIMG(SLOT_INGAME, 801, 0, 1000, 300, 191, 28);
    BlitIMG(SLOT_INGAME, 801, 300, 1000, 600, 390, 28);
  }
  if (strstr(q.ID, "Sci")) {
    BlitIMG(SLOT_INGAME, 801, 601, 1000, 900, 191, 28);
    BlitIMG(SLOT_INGAME, 0, 900, 200, 1000, 390, 27);
    BlitIMG(SLOT_INGAME, 201, 900, 400, 1000, 390, 127);
    BlitIMG(SLOT_INGAME, 401, 900, 600, 1000, 390, 227);
  }
}

// One thick line of a mark, stamped as small squares of half-size `half`.
void MarkLine(float x1, float y1, float x2, float y2, float half, float shade) {
  float dx = x2 - x1, dy = y2 - y1;
  int steps = (int)(2 * (fabsf(dx) > fabsf(dy) ? fabsf(dx) : fabsf(dy))) + 1;
  for (int i = 0; i <= steps; i++) {
    float x = x1 + dx * i / steps, y = y1 + dy * i / steps;
    FillRectUsing(SLOT_INGAME, x - half, y - half, x + half, y + half, shade, shade, shade, 1);
  }
}

} // namespace

void DrawAnswerMark(short x, short y, bool right) {
  // Each line twice: a dark outline, then white, so the mark stands out on
  // the green and the red strip alike.
  const float lines[2][2][4] = {
      {{x + 1.0f, y + 12.0f, x + 8.0f, y + 19.0f}, {x + 8.0f, y + 19.0f, x + 21.0f, y + 4.0f}},  // tick
      {{x + 3.0f, y + 3.0f, x + 19.0f, y + 19.0f}, {x + 19.0f, y + 3.0f, x + 3.0f, y + 19.0f}}}; // cross
  const auto &mark = lines[right ? 0 : 1];
  for (float half : {3.0f, 2.0f})
    for (const auto &l : mark)
      MarkLine(l[0], l[1], l[2], l[3], half, half > 2.5f ? 0.05f : 1.0f);
}

namespace {

// A highlight strip over answer box `box` (1 to 4): right or wrong. The
// strip's colour is not the only sign: a tick or a cross sits at its left end.
void Strip(int16_t box, bool right) {
  if (!AnswerBox(box))
    return;
  short x = (short)(kBoxX[box - 1] + 4), y = (short)(kBoxY[box - 1] + 4);
  if (right)
    BlitIMG(SLOT_INGAME, 647, 988, 895, 1021, x, y);
  else
    BlitIMG(SLOT_INGAME, 647, 953, 895, 986, x, y);
  DrawAnswerMark((short)(x + kMarkLeft), (short)(y + kMarkTop), right);
}

void DrawHighlights() {
  if (Clicked > 0 && WellDone == 1)
    Strip(Clicked, true);
  if ((Incorrect == 1 || OutofTime == 1) && GV.showCorrect == 1)
    Strip(CurrentQuestion().Solution, true); // only a Solution of 1 to 4 has a box
  if (Clicked > 0 && Incorrect == 1)
    Strip(Clicked, false);
}

void DrawJolly() {
  if (StartJolly == 1 && ElapsedMs(JollyTimer) >= 200) {
    IMG[SLOT_JOLLY].frame++;
    JollyTimer = Now();
    if (IMG[SLOT_JOLLY].frame >= kJollyLastFrame)
      StartJolly = 0;
  }
  DrawIMG(SLOT_JOLLY, 320, 441, DRAW_OPAQUE, 0, 1.0f, 1.0f);
}

void DrawQuestionTexts() {
  if (GetReady != 0 || !ktext_small)
    return;
  const QuestionRecord &q = CurrentQuestion();
  DrawCentred(ktext_small, q.Text, 385, -1);
  const char *answers[4] = {q.Answer1, q.Answer2, q.Answer3, q.Answer4};
  // Where each answer is centred: (x1, x2, y).
  const short where[4][3] = {{75, 315, 473}, {484, 724, 473}, {75, 315, 545}, {484, 724, 545}};
  for (int i = 0; i < 4; i++)
    if (OkShow[i] == 1)
      ktext_small->drawStringCentered(answers[i], where[i][0], where[i][1], where[i][2], 0);
}

void DrawSidePanel() {
  if (!ktext_font)
    return;
  const Player_t &p = CurrentPlayer();
  ktext_font->drawStringCentered((long)p.lives, 690, 740, 68, 0);
  ktext_font->drawStringCentered((long)p.score, 690, 740, 137, 0);
  ktext_font->drawStringCentered((long)p.questionNumber, 690, 740, 234, 0);
  ktext_font->drawStringCentered(PanelLevelName(p.level), 690, 740, 305, 0);
}

void DrawResult() {
  char text[48];
  if (WellDone == 1) {
    DrawIMG(SLOT_PICTURE, 191, 28, DRAW_OPAQUE, 0, 1.0f, 1.0f);
    if (Points != 0 && CurrentPlayer().questionNumber < kLastQuestion) {
      snprintf(text, sizeof(text), "SCORE: %d", Points);
      DrawCentred(ktext_font, text, 305);
    }
  }
  if (Incorrect == 1) {
    DrawIMG(SLOT_PICTURE, 191, 28, DRAW_OPAQUE, 0, 1.0f, 1.0f);
    if (Points == -1000) {
      snprintf(text, sizeof(text), "SKILL PENALTY: %d", -1000);
      DrawCentred(ktext_font, text, 305);
    }
  }
}

// The next-question panel turns and grows in; once whole it waits with its texts.
void PanelStep() {
  if (GetReady == 1 && Getr < 0 && ElapsedMs(IntroTimer) >= 10) {
    IntroTimer = Now();
    Getr++;
    Getz += 0.007f;
    if (Getz > 1.0f)
      Getz = 1.0f;
  }
  if (GetReady == 1 && Getz == 1.0f) {
    IntroTimer = Now(); // no time-out while the panel waits
    char text[32];
    snprintf(text, sizeof(text), "Player %d", Cur_Player + 1);
    DrawCentred(ktext_small, text, 75);
    DrawCentred(ktext_small, "CLICK MOUSE", 265);
    DrawCentred(ktext_small, "FOR NEXT QUESTION", 285);
  }
}

void DrawHint() {
  if (GetReady != 1)
    return;
  switch (RandomHelp) {
  case 1:
    DrawCentred(ktext_small,
                ByLanguage("hint: get an extra life every 10.000 points", "tip: ottieni vita extra ogni 10.000 punti",
                           "consejo: cada 10.000 puntos ganas una vida extra"),
                385);
    break;
  case 2:
    DrawCentred(ktext_small,
                ByLanguage("hint: click the J to use the jolly", "tip: clicca la J per usare il jolly",
                           "consejo: pulsa la J para usar el comod\xEDn"),
                375);
    DrawCentred(ktext_small,
                ByLanguage("it will eliminate 2 wrong answers for you", "che elimina 2 risposte sbagliate",
                           "que elimina 2 respuestas incorrectas"),
                395);
    break;
  case 3:
    DrawCentred(ktext_small,
                ByLanguage("hint: every level of difficulty gives you", "tip: i punti ottenuti aumentano in base al",
                           "consejo: cuanto m\xE1s alto es el nivel de dificultad,"),
                375);
    DrawCentred(ktext_small,
                ByLanguage("more points of each correct answer", "livello di difficolt\xE0 raggiunto",
                           "m\xE1s puntos vale cada respuesta correcta"),
                395);
    break;
  default:
    break;
  }
}

void UpdateTime() {
  if (WellDone || Incorrect || GetReady)
    return;
  uint32_t tenths = ElapsedMs(IntroTimer) / 100;
  int32_t limit = ClockLimitTenths();
  uint32_t cap = limit > 0 ? (uint32_t)limit : (uint32_t)kNoLimitTenthsCap;
  Time = (int16_t)(tenths > cap ? cap : tenths); // a stalled frame cannot push it past the clock
}

// The last seconds are marked by a shape as well as by the red colour row:
// dark stripes across the red part of the bar and a warning sign above
// it, so a player who cannot tell red from green still
// sees that time is running out.
void DrawHurryMarks(int16_t barTime) {
  for (int y = barTime + 149; y <= 298; y += 6)
    for (int k = 0; k < 2; k++)
      FillRectUsing(SLOT_INGAME, 24, (float)(y + k), 99, (float)(y + k + 1), 0.1f, 0.0f, 0.0f, 0.55f);
  // a warning triangle with an exclamation mark, drawn from plain rows in
  // the emptied top of the bar (by then the bar has shrunk below y 249)
  const int top = 165, height = 22, cx = 61;
  for (int r = 0; r < height; r++) {
    float half = 1.0f + r * 0.6f;
    FillRectUsing(SLOT_INGAME, cx - half, (float)(top + r), cx + half, (float)(top + r + 1), 1.0f, 0.85f, 0.1f, 1);
  }
  FillRectUsing(SLOT_INGAME, cx - 1.5f, top + 6, cx + 1.5f, top + 15, 0, 0, 0, 1);
  FillRectUsing(SLOT_INGAME, cx - 1.5f, top + 17, cx + 1.5f, top + 20, 0, 0, 0, 1);
}

// The time bar shrinks from the top; its colour row changes at 100 standard
// tenths (the last third of the time, the last 5 s of the standard clock).
// With no time limit the bar stays full and says so instead of counting.
void DrawTimeBar() {
  bool noLimit = ClockLimitTenths() == 0;
  int16_t barTime = noLimit ? 0 : StandardTenths(Time, AO.clockMode);
  FillRectUsing(SLOT_INGAME, 23, 300, 100, barTime + 148, 0, 0, 0, 1);
  float row = 1000 + barTime / 100;
  for (int y = barTime + 149; y <= 298; y++)
    BlitIMG(SLOT_INGAME, 0, row, 75, row + 1, 24, (short)y);
  if (noLimit) {
    if (ktext_small) {
      ktext_small->drawStringCentered(ByLanguage("NO", "NESSUN", "SIN"), 0, 120, 205, 0);
      ktext_small->drawStringCentered(ByLanguage("LIMIT", "LIMITE", "L\xCDMITE"), 0, 120, 225, 0);
    }
    if (ktext_font)
      ktext_font->drawStringCentered("--", 0, 120, 320, 0);
    return;
  }
  if (ktext_font)
    ktext_font->drawStringCentered((long)(SecondsLeft(Time)), 0, 120, 320, 0);
  if (barTime >= 100)
    DrawHurryMarks(barTime);
}

} // namespace

// ---- rules ------------------------------------------------------------------

int16_t PointsFor(int16_t time, int16_t level, bool skillCategory) {
  if (time < 0)
    time = 0;
  if (time > 150)
    time = 150;
  if (level < 0)
    level = 0;
  if (level > 2)
    level = 2;
  int multiplier = skillCategory ? 2 : 1;
  return (int16_t)((11 - time / 15) * multiplier * (level + 1) * 50);
}

std::string QuestionSpeech() {
  const QuestionRecord &q = CurrentQuestion();
  std::string out;
  AddSentence(out, q.Text);
  const char *answers[4] = {q.Answer1, q.Answer2, q.Answer3, q.Answer4};
  const char *letters[4] = {"A:", "B:", "C:", "D:"};
  for (int i = 0; i < 4; i++) {
    if (OkShow[i] != 1 || !answers[i][0])
      continue;
    AddSentence(out, letters[i]);
    AddSentence(out, answers[i]);
  }
  return out;
}

std::string ResultSpeech() {
  std::string out;
  AddSentence(out, ResultWords());
  char text[64];
  if (WellDone == 1 && Points > 0) {
    snprintf(text, sizeof(text), ByLanguage("%d points", "%d punti", "%d puntos"), Points);
    AddSentence(out, text);
  }
  if ((Incorrect == 1 || OutofTime == 1) && GV.showCorrect == 1) {
    const QuestionRecord &q = CurrentQuestion();
    const char *answers[4] = {q.Answer1, q.Answer2, q.Answer3, q.Answer4};
    if (AnswerBox(q.Solution)) {
      AddSentence(out, ByLanguage("The right answer is:", "La risposta giusta \xE8:", "La respuesta correcta es:"));
      AddSentence(out, answers[q.Solution - 1]);
    }
  }
  return out;
}

std::string LevelStartSpeech() {
  std::string out;
  char text[64];
  if (Max_Players > 1) {
    snprintf(text, sizeof(text), ByLanguage("Player %d", "Giocatore %d", "Jugador %d"), Cur_Player + 1);
    AddSentence(out, text);
  }
  const char *levels[3] = {ByLanguage("Level easy", "Livello facile",
                                      "Nivel f\xE1"
                                      "cil"),
                           ByLanguage("Level medium", "Livello medio", "Nivel medio"),
                           ByLanguage("Level hard", "Livello difficile",
                                      "Nivel dif\xED"
                                      "cil")};
  int16_t level = CurrentPlayer().level;
  AddSentence(out, levels[level >= 0 && level <= 2 ? level : 0]);
  AddSentence(out, ByLanguage("Click the mouse to start", "Clicca il mouse per iniziare",
                              "Haz clic con el rat\xF3n para empezar"));
  return out;
}

std::string FinalResultsSpeech() {
  std::string out = ByLanguage("Final results", "Classifica finale", "Resultados finales");
  out += '.';
  char text[96];
  for (int i = 0; i < PlayersInUse(); i++) {
    snprintf(text, sizeof(text), ByLanguage("%d: %s, %d points", "%d: %s, %d punti", "%d: %s, %d puntos"), i + 1,
             Player[i].name, (int)Player[i].score);
    AddSentence(out, text);
  }
  return out;
}

void SpeakIfReadingAloud(const std::string &text) {
  if (AO.readAloud == 1 && !text.empty())
    SpeakText(text);
}

void RepeatReading() {
  if (CUR_SCR == SCREEN_LEVEL_START)
    SpeakText(LevelStartSpeech());
  else if (CUR_SCR == SCREEN_GAME && (ResultShown()))
    SpeakText(ResultSpeech());
  else if (CUR_SCR == SCREEN_GAME && StartLevel == 1 && QuestionIdle())
    SpeakText(QuestionSpeech()); // the clock goes on: only the first reading holds it
}

void HoldClockWhileReading() {
  if (!g_holdClock)
    return;
  if (StartLevel != 1 || !QuestionIdle() || !SpeechBusy()) {
    g_holdClock = false; // the reading ended: the clock runs from here
    return;
  }
  // Keep the time used where it stands: stamp the clock that many tenths ago.
  uint32_t now = KMiscTools::getMilliseconds(), used = (uint32_t)(Time < 0 ? 0 : Time) * 100u;
  IntroTimer = (int32_t)(now >= used ? now - used : now + kClockPeriodMs - used);
}

bool ClockHeldForReading() { return g_holdClock; }

const char *ResultWords() {
  if (WellDone == 1)
    return ByLanguage("RIGHT ANSWER", "RISPOSTA GIUSTA", "RESPUESTA CORRECTA");
  if (Incorrect == 1)
    return ByLanguage("WRONG ANSWER", "RISPOSTA SBAGLIATA", "RESPUESTA INCORRECTA");
  if (OutofTime == 1)
    return ByLanguage("TIME IS UP", "TEMPO SCADUTO", "SE ACAB\xD3 EL TIEMPO");
  return "";
}

bool GrantExtraLife(Player_t &p) {
  for (const auto &step : kExtraLives) {
    if (p.score >= step.score && p.extraLives == step.granted) {
      p.lives++;
      p.extraLives++;
      return true; // at most one life per question
    }
  }
  return false;
}

void EnterGameScreen() {
  IntroTimer = Now();
  StartLevel = 0;
  Jolly = 0;
}

bool NewQuestion() {
  RandomHelp = (int16_t)(rand() % 3 + 1);
  for (int b = 1; b <= 4; b++)
    GUIButton[b].state = 1;
  Player_t &p = CurrentPlayer();
  if (GrantExtraLife(p))
    PlaySound(snd_Clear);
  if (AllAnswered == 1) {
    p.questionNumber = 40;
    p.level = 2;
  }
  if ((p.questionNumber == 14 && p.level == 0) || (p.questionNumber == 29 && p.level == 1)) {
    p.level++;
    GoToScreen(SCREEN_LEVEL_START);
    return false;
  }
  p.questionNumber++;
  PuzzleType = PUZZLE_NONE;
  for (int i = 0; i < 4; i++)
    OkShow[i] = 1;
  Clicked = 0;
  int16_t pick = PickQuestion(p.level);
  if (pick < 0) { // a file without questions of this level: the game cannot go on
    ShowNotice(MAX_QUESTIONS == 0 ? "The question file is missing or cannot be read"
                                  : "The question file has no questions of this level");
    EndGame();
    return false;
  }
  CUR_QUE = pick;
  if (IsPuzzleNumber(p.questionNumber)) {
    PreparePuzzle();
    int16_t puzzle = PickPuzzle();
    if (puzzle >= 0)
      CUR_QUE = puzzle;
    else
      PuzzleType = PUZZLE_NONE; // no puzzle left: the ordinary question stays
  }
  StartLevel = 1;
  MarkAsked(CUR_QUE);
  IntroTimer = Now();
  Time = 0; // the clock of the new question starts at 0, not where the last one stopped
  LoadQuestionPicture(CurrentQuestion());
  g_holdClock = AO.readAloud == 1;
  SpeakIfReadingAloud(QuestionSpeech());
  return true;
}

int32_t SecondsLeft(int16_t time) {
  int32_t limit = ClockLimitTenths();
  return limit / 10 - time / 10;
}

void CheckTimeOut() {
  // Not while the next-question panel waits: a stalled frame there must not
  // cost a life for a question that is not on screen. Never without a limit.
  uint32_t limit = ClockLimitMs(AO.clockMode);
  if (limit == 0 || ResultShown() || GetReady || ElapsedMs(IntroTimer) < limit)
    return;
  Player_t &p = CurrentPlayer();
  TakeLife(p);
  OutofTime = 1;
  if (Max_Players == 1)
    GiveJollyBack();
  if (p.lives == 0) {
    LoadNewIMG(SLOT_PICTURE, "gfx\\youlose.jpg");
  } else if (p.questionNumber == kLastQuestion && p.level == 2) {
    // The last question ends the player's game however it is left, so a
    // time-out cannot carry play on past it.
    LoadNewIMG(SLOT_PICTURE, "gfx\\endgame.jpg");
    p.lives = 0;
  }
  IntroTimer = Now();
  PlaySound(snd_Swirl);
  StartLevel = 0;
  SpeakIfReadingAloud(ResultSpeech());
}

void AnswerCorrect(int16_t box) {
  PlaySound(snd_Clap);
  Player_t &p = CurrentPlayer();
  // Points go by the share of the answer time used, so a quick answer is
  // worth the same with every clock (the standard clock's points exactly).
  Points = PointsFor(StandardTenths(Time, AO.clockMode), p.level, InSkillCategory(p));
  p.score += Points;
  p.answers++;
  WellDone = 1;
  StartLevel = 0;
  Clicked = box;
  if (p.questionNumber == kLastQuestion && p.level == 2)
    p.lives = 0; // the game is finished
  LoadNewIMG(SLOT_PICTURE, Points > 975 ? "gfx\\wow.jpg" : "gfx\\welldone.jpg");
  if (p.questionNumber == kLastQuestion)
    LoadNewIMG(SLOT_PICTURE, "gfx\\endgame.jpg");
  IntroTimer = Now();
  if (Jolly == 0)
    IMG[SLOT_JOLLY].frame = 0;
  SpeakIfReadingAloud(ResultSpeech());
}

void AnswerWrong(int16_t box) {
  Points = 0;
  PlaySound(snd_Click);
  Player_t &p = CurrentPlayer();
  if (InSkillCategory(p)) {
    p.score -= 1000;
    Points = -1000;
  }
  Incorrect = 1;
  Clicked = box;
  StartLevel = 0;
  TakeLife(p);
  if (Max_Players == 1)
    GiveJollyBack();
  if (p.lives == 0) {
    LoadNewIMG(SLOT_PICTURE, "gfx\\youlose.jpg");
  } else {
    LoadNewIMG(SLOT_PICTURE, "gfx\\incorrect.jpg");
    if (p.questionNumber == kLastQuestion && p.level == 2) {
      LoadNewIMG(SLOT_PICTURE, "gfx\\endgame.jpg");
      p.lives = 0;
    }
  }
  IntroTimer = Now();
  if (p.score < 0)
    p.score = 0;
  SpeakIfReadingAloud(ResultSpeech());
}

void UseJolly() {
  Jolly = 1;
  StartJolly = 1;
  GUIButton[kJollyButton].state = 0;
  int16_t solution = CurrentQuestion().Solution;
  // Two of the shown wrong answers go (fewer when fewer are left, so the
  // draw always ends; with a Solution outside 1..4 any two may go).
  int removable = 0;
  for (int k = 1; k <= 4; k++)
    if (k != solution && OkShow[k - 1] == 1)
      removable++;
  for (int left = removable < 2 ? removable : 2; left > 0;) {
    int k = rand() % 4 + 1;
    if (k != solution && OkShow[k - 1] == 1) {
      OkShow[k - 1] = 0;
      GUIButton[k].state = -1;
      left--;
    }
  }
}

void GiveJollyBack() {
  GUIButton[kJollyButton].state = 1;
  Jolly = 0;
  IMG[SLOT_JOLLY].frame = 0;
}

bool NextPlayerWithLives() {
  int n = PlayersInUse();
  for (int step = 1; step <= n; step++) { // one round at most
    int candidate = (Cur_Player + step) % n;
    if (Player[candidate].lives > 0) {
      Cur_Player = (int16_t)candidate;
      return true;
    }
  }
  return false;
}

void EndGame() {
  if (Max_Players > 1) {
    ShowScores = 1;
    NamePlayers();
    sortCategory();
    SpeakIfReadingAloud(FinalResultsSpeech());
  }
  GoToScreen(SCREEN_TITLE);
}

TurnEndResult TurnEnd() {
  IntroTimer = Now();
  Player_t &p = CurrentPlayer();
  if (p.lives <= 0 && Submitted == 0) {
    Submitted = 1;
    if (StartScoreOffer() == 1) {
      bufferPosition = 0;
      return TURN_FRAME_ENDS;
    }
  }
  if (Incorrect == 0 && OutofTime == 0 && Submitted == 0) { // a right answer that did not end the game
    ContinueWithPanel();
    return TURN_GOES_ON;
  }
  Incorrect = WellDone = Submitted = OutofTime = 0;
  GetReady = 1;
  Getr = -180;
  Getz = 0;
  ShowScores = 0;
  if (!AnyPlayerAlive()) {
    EndGame();
    return TURN_SCREEN_CHANGED;
  }
  NextPlayerWithLives();
  if (Max_Players <= 1) {
    ContinueWithPanel();
    return TURN_GOES_ON;
  }
  GoToScreen(SCREEN_LEVEL_START);
  return TURN_SCREEN_CHANGED;
}

// ---- screens ------------------------------------------------------------------

void DrawGameScreen() {
  if (QuestionIdle() && !StartLevel && !LevelComplete && !NewQuestion())
    return;
  HoldClockWhileReading();
  CheckTimeOut();
  DrawIMG(SLOT_INGAME, 0, 0, DRAW_OPAQUE, 0, 1.0f, 1.0f);
  if (OutofTime == 0)
    FillRectUsing(SLOT_INGAME, 248, 71, 535, 269, 0, 0, 0, 1);
  if (CurrentPlayer().lives <= 0 && OutofTime == 1)
    DrawIMG(SLOT_PICTURE, 191, 28, DRAW_OPAQUE, 0, 1.0f, 1.0f);
  if (QuestionIdle() && !LevelComplete)
    DrawQuestionArea();
  DrawHighlights();
  DrawJolly();
  DrawQuestionTexts();
  DrawSidePanel();
  // A request of the turn end is under way: the screen stays as it is (the
  // network line says what goes on) until its outcome.
  if (OnlineWait != 0) {
    if (OnlineWaitStep() == ONLINE_NO_OFFER)
      TurnEnd();
    return;
  }
  if (SubmitScore == 1) {
    DrawNameEntry();
    return;
  }
  if (ResultShown() && ElapsedMs(IntroTimer) >= kResultTimeMs) {
    TurnEnd();
    return;
  }
  DrawResult();
  PanelStep();
  DrawHint();
  if (GetReady == 1)
    BlitIMGFx(SLOT_INGAME, 630, 905, 956, 950, 230, 150, Getr, Getz, 1.0f);
  UpdateTime();
  if (OutofTime == 1 || GetReady == 1)
    return;
  DrawTimeBar();
}

void ClickGame() {
  // Keys at a shared keyboard: 1-4 or A-D answer, J uses the jolly, Space or
  // Return dismiss the panel. Each acts once per press, like a click.
  bool space = KeyHit(K_VK_SPACE), enter = KeyHit(K_VK_RETURN); // both read, so neither press waits
  bool dismissKey = space || enter;
  int16_t keyButton = 0;
  const EKeyboardLayout answerKeys[4][2] = {{K_VK_1, K_VK_A}, {K_VK_2, K_VK_B}, {K_VK_3, K_VK_C}, {K_VK_4, K_VK_D}};
  for (int k = 0; k < 4; k++) {
    bool digit = KeyHit(answerKeys[k][0]), letter = KeyHit(answerKeys[k][1]); // both read
    if ((digit || letter) && GUIButton[k + 1].state > 0)
      keyButton = (int16_t)(k + 1);
  }
  if (KeyHit(K_VK_J) && GUIButton[kJollyButton].state > 0)
    keyButton = kJollyButton;
  if (KeyHit(K_VK_R)) // R reads the question or the result again
    RepeatReading();

  bool mouse = ButtDown != 0;
  int16_t button = mouse ? CUR_BUT : keyButton;
  bool dismiss = mouse ? Inside(mx, my, 0, 0, 800, 600) : dismissKey;
  // The first case that applies: dismiss the panel, use the jolly, answer.
  enum { NOTHING, DISMISS, JOLLY, ANSWER } action = NOTHING;
  bool idle = QuestionIdle();
  if (dismiss && GetReady == 1 && CurrentPlayer().lives > 0)
    action = DISMISS;
  else if (button == kJollyButton && Jolly == 0 && idle)
    action = JOLLY;
  else if (AnswerBox(button) && idle)
    action = ANSWER;
  if (action == NOTHING)
    return;
  if (mouse)
    waitForMouseButton(gameWindow);
  if (action == DISMISS)
    GetReady = 0;
  else if (action == JOLLY)
    UseJolly();
  else if (button == CurrentQuestion().Solution)
    AnswerCorrect(button);
  else
    AnswerWrong(button);
}

void DrawLevelStartScreen() {
  DrawIMG(SLOT_NEW_LEVEL, 0, 0, DRAW_OPAQUE, 0, 1.0f, 1.0f);
  DrawCentred(ktext_font, "CLICK MOUSE TO START", 100);
  int16_t level = CurrentPlayer().level;
  if (level == 1)
    BlitIMG(SLOT_NEW_LEVEL, 220, 606, 600, 680, 220, 503);
  else if (level == 2)
    BlitIMG(SLOT_NEW_LEVEL, 220, 688, 600, 762, 220, 503);
  if (Cur_Player > 0) // the label of the player whose turn it is
    BlitIMG(SLOT_NEW_LEVEL, 801, 52 * Cur_Player - 52, 950, 52 * Cur_Player - 2, 452, 24);
}

void GameInit() {
  Jolly = 0;
  Time = 60;
  WellDone = 0;
  Incorrect = 0;
  ApplyAskedMarks(); // questions asked in earlier games stay asked
}
