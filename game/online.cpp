// The online top ten (see online.h): the three requests to the score server,
// the name-entry form drawn over the game screen and the top-ten view drawn
// over the title screen.
#include "online.h"

#include <cerrno>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "KGraphic.h"
#include "KInput.h"
#include "KMiscTools.h"
#include "KText.h"
#include "KWeb.h"
#include "globals.h"
#include "images.h"
#include "players.h"

// The build sets the server's address; this default is for builds that do not.
#ifndef TRIVELLO_SCORE_SERVER
#define TRIVELLO_SCORE_SERVER "http://127.0.0.1:8642"
#endif

namespace {

#ifdef TRIVELLO_SCORE_SERVER_FROM_RESOURCES
// The end-to-end test build only: the server's address is the first line of
// the file "score-server" in the resource folder, which the test writes after
// its own server took a free port. The shipped game has no such file and no
// other way to be configured.
const char *ScoreServerFromResources() {
  static char url[128];
  FILE *f = fopen(KMiscTools::makeFilePath("score-server"), "r");
  if (f) {
    if (!fgets(url, sizeof url, f))
      url[0] = '\0';
    fclose(f);
  }
  url[strcspn(url, "\r\n")] = '\0';
  return url;
}
#endif

// The address set through setScoreServer; until then the build's own.
bool gServerSet = false;
const char *gScoreServer = nullptr;

const int kMinOnlineScore = 500; // a score must be above this to be offered
const char kYourName[] = "Your Name";
const char kBackspace = 8;

// Builds "<server><path and query>" into url. The format is always fixed
// text; the server and a name only ever go in as "%s" arguments. False, with
// nothing to send, when the server is switched off or the URL would not fit:
// a cut URL is never sent.
bool buildUrl(char *url, size_t size, const char *format, ...) __attribute__((format(printf, 3, 4)));
bool buildUrl(char *url, size_t size, const char *format, ...) {
  url[0] = '\0';
  const char *server = getScoreServer();
  if (server[0] == '\0')
    return false;
  int base = snprintf(url, size, "%s", server);
  if (base < 0 || (size_t)base >= size)
    return false;
  va_list args;
  va_start(args, format);
  int rest = vsnprintf(url + base, size - base, format, args);
  va_end(args);
  if (rest < 0 || (size_t)(base + rest) >= size) {
    url[0] = '\0';
    return false;
  }
  return true;
}

// Fetches url with a KWeb of its own; calls use(reply) on success.
template <typename Use> bool fetch(const char *url, Use use) {
  KWeb web;
  char *reply = web.callURL(url, false);
  if (reply == nullptr)
    return false;
  use(reply);
  return true;
}

// A score token as atoi reads it (blanks, sign, digits), but a value that does
// not fit a signed 32-bit score counts as 0 instead of being undefined.
int32_t parseScore(const char *token) {
  errno = 0;
  char *end = nullptr;
  long long v = strtoll(token, &end, 10);
  if (errno == ERANGE || v < INT32_MIN || v > INT32_MAX)
    return 0;
  return (int32_t)v;
}

// True for the bytes a name must not hold: ASCII and Latin-1 control codes.
bool isControl(unsigned char c) { return c < 32 || c == 127 || (c >= 128 && c < 160); }

// Width of text in font (0 without a font or for an empty text).
long textWidth(KText *font, const char *text) {
  long w = font == nullptr ? 0 : font->getStringWidth(text, 0);
  return w < 0 ? 0 : w;
}

} // namespace

// Points the requests at another server (tests); null or "" switches them off.
void setScoreServer(const char *baseUrl) {
  gScoreServer = baseUrl;
  gServerSet = true;
}

// The base URL requests go to.
const char *getScoreServer() {
  if (!gServerSet) {
#ifdef TRIVELLO_SCORE_SERVER_FROM_RESOURCES
    gScoreServer = ScoreServerFromResources(); // read once the resource folder is known
#else
    gScoreServer = TRIVELLO_SCORE_SERVER;
#endif
    gServerSet = true;
  }
  return gScoreServer == nullptr ? "" : gScoreServer;
}

// Asks the server whether the current player's score enters the top ten.
int isOnlineScore() {
  int32_t score = Player[Cur_Player].score;
  if (score <= kMinOnlineScore)
    return 0;
  char url[260];
  if (!buildUrl(url, sizeof url, "/highscores/trivello/ishighscore.php?subscore=%d", score))
    return 0;
  int yes = 0;
  fetch(url, [&](char *reply) { yes = strstr(reply, "yes") != nullptr; });
  return yes;
}

// Opens the name-entry form when the option is on and the score qualifies.
int OfferOnlineScore() {
  if (GV.submitOnline != 1 || Player[Cur_Player].score <= kMinOnlineScore || !isOnlineScore())
    return 0;
  snprintf(ManagerName, sizeof ManagerName, "%s", kYourName);
  SubmitScore = 1;
  return 1;
}

// Sends the typed name, percent-encoded, with the current player's score.
void submitOnlineScore() {
  if (GV.submitOnline != 1)
    return;
  char name[3 * sizeof ManagerName + 1];
  char url[260];
  ManagerName[sizeof ManagerName - 1] = '\0';
  if (!KWeb::escapeQueryValue(ManagerName, name, sizeof name))
    return;
  if (!buildUrl(url, sizeof url, "/highscores/trivello/scoresubmit.php?name=%s&score=%d", name,
                Player[Cur_Player].score))
    return;
  fetch(url, [](char *) {});
}

// Fetches and parses the top ten; 0 leaves OnlineScore as it was.
int GetHighScores() {
  char url[256];
  if (!buildUrl(url, sizeof url, "/highscores/trivello/shown.php"))
    return 0;
  return fetch(url, [](char *reply) { extractPlayers(reply); }) ? 1 : 0;
}

// Cuts "name,score,..." into at most ten records; names longer than the
// record are cut to 255 bytes, scores that do not fit 32 bits read as 0.
void extractPlayers(char *reply) {
  memset(OnlineScore, 0, sizeof OnlineScore);
  if (reply == nullptr)
    return;
  char *save = nullptr;
  char *token = strtok_r(reply, ",", &save);
  for (int i = 0; i < MAX_ONLINE_SCORES && token != nullptr; i++) {
    snprintf(OnlineScore[i].name, sizeof OnlineScore[i].name, "%s", token);
    token = strtok_r(nullptr, ",", &save);
    if (token == nullptr)
      break;
    OnlineScore[i].score = parseScore(token);
    token = strtok_r(nullptr, ",", &save);
  }
}

// One frame of typing: Return finishes, Backspace deletes, a printable
// character is added while the text stays within maxLength and maxWidth.
int CheckInput(char *buffer, KText *font, short maxWidth, short maxLength) {
  char ch = lastchar;
  lastchar = 0;
  bool enter = KInput::isPressed(K_VK_RETURN);
  if (ch == 0 && !enter)
    return 0;
  if (bufferPosition == 0 && !enter)
    memset(buffer, 0, (size_t)maxLength + 1);
  if (enter) {
    KInput::waitForKeyRelease(K_VK_RETURN);
    bufferPosition = 0;
    return 1;
  }
  if (ch == kBackspace) {
    if (bufferPosition > 0)
      bufferPosition--;
    buffer[bufferPosition] = '\0';
    return 0;
  }
  // Tab, Escape, Delete and the other control codes are not typed.
  if (isControl((unsigned char)ch))
    return 0;
  if (bufferPosition < maxLength && textWidth(font, buffer) < maxWidth) {
    buffer[bufferPosition++] = ch;
    if (textWidth(font, buffer) > maxWidth - 1)
      buffer[--bufferPosition] = '\0';
  }
  return 0;
}

// The name-entry form: typing, the blinking caret and the texts.
void DrawNameEntry() {
  if (CheckInput(ManagerName, ktext_small, 250, 24) == 1) {
    submitOnlineScore();
    SubmitScore = 0;
  }
  uint32_t now = KMiscTools::getMilliseconds();
  if (now - (uint32_t)IntroTimer > 1000) {
    IntroTimer = (int32_t)now;
    CleanUp = CleanUp == 1 ? 0 : 1;
  }
  if (ktext_small == nullptr || ktext_font == nullptr)
    return;
  long w = textWidth(ktext_small, ManagerName);
  KGraphic *pen = ktext_small->getKGraphicPtr();
  // the caret, an opaque white bar after the name
  if (CleanUp == 1 && pen != nullptr)
    pen->drawRect(300 + w, 250, 310 + w, 269, 1, 1, 1, 1);
  bool finished = Player[Cur_Player].questionNumber == 45;
  ktext_font->drawStringCentered(finished ? "You finished the game!" : "Congratulations!", 0, 800, 80, 0);
  ktext_font->drawStringCentered("You made a high score!", 0, 800, 120, 0);
  ktext_small->drawStringCentered("Please enter your name below", 0, 800, 170, 0);
  ktext_small->drawStringCentered("then press enter to submit", 0, 800, 200, 0);
  ktext_small->drawStringFromLeft(ManagerName, 300, 250, 0);
}

// The top ten over the title: the results table's frame, the heading, ten rows.
void DrawTopTen() {
  DrawResultsFrame();
  if (ktext_font == nullptr)
    return;
  ktext_font->drawStringCentered("Top Ten Highscores", 0, 800, 140, 0);
  ktext_font->drawStringCentered("Press Mouse Button To Go Back", 0, 800, 557, 0);
  char rank[8];
  for (int i = 0; i < MAX_ONLINE_SCORES; i++) {
    long y = 200 + 32 * i;
    snprintf(rank, sizeof rank, "%d)", i + 1);
    ktext_font->drawStringFromRight(rank, 200, y, 0);
    ktext_font->drawStringFromLeft(OnlineScore[i].name, 210, y, 0);
    ktext_font->drawStringFromRight((long)OnlineScore[i].score, 640, y, 0);
  }
}

// The two hover lines of the title's second button.
void DrawTopTenHoverText() {
  if (ktext_font == nullptr)
    return;
  ktext_font->drawStringCentered("View Online Highscores", 0, 800, 150, 0);
  ktext_font->drawStringCentered(ByLanguage("(Internet Connection Required To View Them)",
                                            "(Connessione a Internet necessaria)",
                                            "(Necesitas conexi\xF3n a Internet)"),
                                 0, 800, 175, 0);
}
