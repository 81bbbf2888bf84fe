// The top ten (see online.h): the three requests to the score server run
// beside the frame loop, the offer of a score at the end of a player's game,
// the name-entry form drawn over the game screen, the top-ten view drawn over
// the title screen, and the line that tells what the network is doing.
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
#include "access.h"
#include "clock.h"
#include "globals.h"
#include "images.h"
#include "localscores.h"
#include "netjob.h"
#include "players.h"
#include "toolkit.h"
#include "userfiles.h"

// The build sets the server's address; this default is for builds that do not.
#ifndef TRIVELLO_SCORE_SERVER
#define TRIVELLO_SCORE_SERVER "http://127.0.0.1:8642"
#endif

namespace {

// Where the server's address may be written: in the player's config folder,
// then for every user of the computer.
const char kServerFile[] = "scores-server";
const char kSystemServerFile[] = "/etc/trivello/scores-server";
// The score lists of the data folder.
const char kLocalTableFile[] = "local-scores";
const char kQueueFile[] = "pending-scores";

const char kConnecting[] = "Connecting to the high-score server...";
const char kUnreachable[] = "The high-score server cannot be reached";
const char kRefused[] = "The high-score server refused the score";

// The address set through setScoreServer; until then the one read from the files.
bool gServerSet = false;
const char *gScoreServer = nullptr;

const int kMinOnlineScore = 500; // a score must be above this to be offered
const char kYourName[] = "Your Name";
const char kBackspace = 8;

// What Return in the name form does with the score.
enum OfferKind {
  OFFER_ONLINE,       // the server said it qualifies: send it (and keep it here)
  OFFER_LOCAL,        // only this computer's table
  OFFER_LOCAL_QUEUED, // this computer's table, and the server's queue (it could not be reached)
};
OfferKind gOfferKind = OFFER_LOCAL;

NetJobRef gTurnJob;   // the qualify check or the submit the game screen waits for
NetJobRef gTopTenJob; // the top ten the title waits for
ScoreEntry gSent;     // the score gTurnJob submits, queued again if it fails

// Builds "<server><path and query>" into url. The format is always fixed
// text; the server and a name only ever go in as "%s" arguments. False, with
// nothing to send, when the server is switched off or the URL would not fit:
// a cut URL is never sent.
bool buildUrl(char *url, size_t size, const char *server, const char *format, ...)
    __attribute__((format(printf, 4, 5)));
bool buildUrl(char *url, size_t size, const char *server, const char *format, ...) {
  url[0] = '\0';
  if (server == nullptr || server[0] == '\0')
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

// The submit URL for name (percent-encoded) and score; false when it cannot be made.
bool submitUrl(char *url, size_t size, const char *server, const char *name, int32_t score) {
  char escaped[3 * sizeof ManagerName + 1];
  if (strlen(name) >= sizeof ManagerName || !KWeb::escapeQueryValue(name, escaped, sizeof escaped))
    return false;
  return buildUrl(url, size, server, "/highscores/trivello/scoresubmit.php?name=%s&score=%d", escaped, score);
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

// Blanks at both ends and slashes at the end off the text.
std::string trimmedSetting(const char *text) {
  std::string s(text);
  s.erase(0, s.find_first_not_of(" \t\r\n"));
  s.erase(s.find_last_not_of(" \t\r\n") + 1);
  s.erase(s.find_last_not_of('/') + 1);
  return s;
}

// Whether score would enter this computer's table.
bool entersLocalTable(int32_t score) { return LocalRank(ReadLocalTable(DataFilePath(kLocalTableFile)), score) >= 0; }

// Opens the name form with the preset name; Return then does what `kind` says.
void openForm(OfferKind kind) {
  gOfferKind = kind;
  snprintf(ManagerName, sizeof ManagerName, "%s", kYourName);
  bufferPosition = 0;
  SubmitScore = 1;
}

} // namespace

// ---- the server's address --------------------------------------------------------

std::string ReadScoreServerSetting(const std::string &userFile, const std::string &systemFile,
                                   const char *buildDefault) {
  for (const std::string *path : {&userFile, &systemFile}) {
    FILE *f = fopen(path->c_str(), "r");
    if (f == nullptr)
      continue;
    char line[512];
    bool read = fgets(line, sizeof line, f) != nullptr;
    bool broken = !read && ferror(f); // a folder, or a file that cannot be read
    fclose(f);
    if (broken)
      continue;
    return trimmedSetting(read ? line : "");
  }
  return trimmedSetting(buildDefault == nullptr ? "" : buildDefault);
}

void setScoreServer(const char *baseUrl) {
  gScoreServer = baseUrl;
  gServerSet = true;
}

const char *getScoreServer() {
  if (!gServerSet) {
    static std::string fromFiles; // read once the folders are known
    fromFiles = ReadScoreServerSetting(ConfigFilePath(kServerFile), kSystemServerFile, TRIVELLO_SCORE_SERVER);
    gScoreServer = fromFiles.c_str();
    gServerSet = true;
  }
  return gScoreServer == nullptr ? "" : gScoreServer;
}

// ---- the score offer ---------------------------------------------------------------

int StartScoreOffer() {
  int32_t score = CurrentPlayer().score;
  if (GV.submitOnline != 1 || score <= kMinOnlineScore)
    return 0;
  char url[260];
  // Only games on the standard clock go to the online top ten; a relaxed
  // game's score may still enter this computer's table, with its clock.
  if (ClockIsStandard() &&
      buildUrl(url, sizeof url, getScoreServer(), "/highscores/trivello/ishighscore.php?subscore=%d", score)) {
    gTurnJob = NetStart(url);
    OnlineWait = ONLINE_WAIT_QUALIFY;
    return 1;
  }
  if (!entersLocalTable(score))
    return 0;
  openForm(OFFER_LOCAL);
  return 1;
}

OnlineWaitResult OnlineWaitStep() {
  std::string body;
  // Waiting without a request (never made) counts as a server not reached.
  NetOutcome outcome = gTurnJob ? NetPoll(gTurnJob, &body) : NET_UNREACHABLE;
  if (outcome == NET_WAITING && OnlineWait != ONLINE_IDLE)
    return ONLINE_STILL_WAITING;
  gTurnJob.reset();
  int32_t waited = OnlineWait;
  OnlineWait = ONLINE_IDLE;
  if (waited == ONLINE_WAIT_SUBMIT) {
    if (outcome == NET_REFUSED) {
      ShowNotice(kRefused);
    } else if (outcome == NET_UNREACHABLE) {
      QueueScore(DataFilePath(kQueueFile), gSent.name, gSent.score);
      ShowNotice(kUnreachable);
    }
    return ONLINE_DONE;
  }
  if (waited != ONLINE_WAIT_QUALIFY)
    return ONLINE_DONE;
  if (outcome == NET_OK && strstr(body.c_str(), "yes") != nullptr) {
    openForm(OFFER_ONLINE);
    return ONLINE_DONE;
  }
  if (outcome != NET_OK)
    ShowNotice(outcome == NET_REFUSED ? kRefused : kUnreachable);
  if (!entersLocalTable(CurrentPlayer().score))
    return ONLINE_NO_OFFER;
  // Only a server that could not be reached may take the score later.
  openForm(outcome == NET_UNREACHABLE ? OFFER_LOCAL_QUEUED : OFFER_LOCAL);
  return ONLINE_DONE;
}

void FinishNameEntry() {
  SubmitScore = 0;
  ManagerName[sizeof ManagerName - 1] = '\0';
  int32_t score = CurrentPlayer().score;
  AddLocalScore(DataFilePath(kLocalTableFile), ManagerName, score, ClockIsStandard() ? "" : ClockModeLabel());
  if (gOfferKind == OFFER_LOCAL_QUEUED) {
    QueueScore(DataFilePath(kQueueFile), ManagerName, score);
  } else if (gOfferKind == OFFER_ONLINE && GV.submitOnline == 1) {
    char url[260];
    if (submitUrl(url, sizeof url, getScoreServer(), ManagerName, score)) {
      gSent = ScoreEntry{ManagerName, score};
      gTurnJob = NetStart(url);
      OnlineWait = ONLINE_WAIT_SUBMIT;
    }
  }
  gOfferKind = OFFER_LOCAL;
}

NetJobRef StartResendingScores() {
  std::string server = getScoreServer();
  std::string queue = DataFilePath(kQueueFile);
  if (server.empty())
    return nullptr; // kept until a server is set
  return NetRun([server, queue](std::string *) {
    SendQueuedScores(queue, [&server](const ScoreEntry &e) {
      char url[260];
      if (!submitUrl(url, sizeof url, server.c_str(), e.name.c_str(), e.score))
        return NET_REFUSED; // can never be sent: no use keeping it
      return FetchNow(url, nullptr);
    });
    return NET_OK;
  });
}

// ---- the top-ten view ----------------------------------------------------------------

void RequestTopTen() {
  if (gTopTenJob)
    return; // already asked
  char url[256];
  if (!buildUrl(url, sizeof url, getScoreServer(), "/highscores/trivello/shown.php")) {
    ShowLocalTopTen();
    return;
  }
  gTopTenJob = NetStart(url);
}

void TopTenStep() {
  std::string body;
  NetOutcome outcome = NetPoll(gTopTenJob, &body);
  if (outcome == NET_WAITING)
    return;
  gTopTenJob.reset();
  if (CUR_SCR != SCREEN_TITLE || ShowScores == 1)
    return;
  if (outcome == NET_OK) {
    extractPlayers(&body[0]);
    TopTenOffline = 0;
    ShowHighscores = 1;
    return;
  }
  ShowNotice(kUnreachable);
  ShowLocalTopTen();
}

void ShowLocalTopTen() {
  memset(LocalScore, 0, sizeof LocalScore);
  std::vector<ScoreEntry> table = ReadLocalTable(DataFilePath(kLocalTableFile));
  for (size_t i = 0; i < table.size() && i < MAX_ONLINE_SCORES; i++) {
    if (table[i].clock.empty())
      snprintf(LocalScore[i].name, sizeof LocalScore[i].name, "%s", table[i].name.c_str());
    else
      snprintf(LocalScore[i].name, sizeof LocalScore[i].name, "%s (%s)", table[i].name.c_str(), table[i].clock.c_str());
    LocalScore[i].score = table[i].score;
  }
  TopTenOffline = 1;
  ShowHighscores = 1;
}

// ---- the network line ------------------------------------------------------------------

const char *OnlineNotice() {
  if (gTopTenJob || OnlineWait != ONLINE_IDLE)
    return kConnecting;
  return NoticeText(); // a failure's reason, or the game's own
}

void DrawOnlineNotice() {
  const char *text = OnlineNotice();
  if (text == nullptr || ktext_small == nullptr)
    return;
  // a dark band along the top of the screen, the line centred on it
  if (KGraphic *pen = ktext_small->getKGraphicPtr())
    pen->drawRect(0, 0, 800, 30, 0, 0, 0, 0.75f);
  DrawCentred(ktext_small, text, 5);
}

void WaitForOnlineRequests() {
  NetWait(gTurnJob);
  NetWait(gTopTenJob);
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

// How long the name entry's caret stays shown, then hidden.
const uint32_t kCaretBlinkMs = 1000;

// The name-entry form: typing, the blinking caret and the texts.
void DrawNameEntry() {
  if (CheckInput(ManagerName, ktext_small, 250, 24) == 1)
    FinishNameEntry();
  if (ElapsedMs(IntroTimer) > kCaretBlinkMs) {
    IntroTimer = Now();
    CleanUp = CleanUp == 1 ? 0 : 1;
  }
  if (ktext_small == nullptr || ktext_font == nullptr)
    return;
  long w = textWidth(ktext_small, ManagerName);
  KGraphic *pen = ktext_small->getKGraphicPtr();
  // the caret, an opaque white bar after the name
  if (CleanUp == 1 && pen != nullptr)
    pen->drawRect(300 + w, 250, 310 + w, 269, 1, 1, 1, 1);
  bool finished = CurrentPlayer().questionNumber == kLastQuestion;
  DrawCentred(ktext_font, finished ? "You finished the game!" : "Congratulations!", 80);
  DrawCentred(ktext_font, "You made a high score!", 120);
  DrawCentred(ktext_small, "Please enter your name below", 170);
  DrawCentred(ktext_small, "then press enter to submit", 200);
  ktext_small->drawStringFromLeft(ManagerName, 300, 250, 0);
}

// The top ten over the title: the results table's frame, the heading, ten rows.
void DrawTopTen() {
  DrawResultsFrame();
  if (ktext_font == nullptr)
    return;
  const OnlineScore_t *rows = TopTenOffline == 1 ? LocalScore : OnlineScore;
  DrawCentred(ktext_font, TopTenOffline == 1 ? "Top Ten On This Computer" : "Top Ten Highscores", 140);
  DrawCentred(ktext_font, "Press Mouse Button To Go Back", 557);
  char rank[16];
  for (int i = 0; i < MAX_ONLINE_SCORES; i++) {
    long y = 200 + 32 * i;
    snprintf(rank, sizeof rank, "%d)", i + 1);
    ktext_font->drawStringFromRight(rank, 200, y, 0);
    ktext_font->drawStringFromLeft(rows[i].name, 210, y, 0);
    ktext_font->drawStringFromRight((long)rows[i].score, 640, y, 0);
  }
}

// The two hover lines of the title's second button.
void DrawTopTenHoverText() {
  if (ktext_font == nullptr)
    return;
  DrawCentred(ktext_font, "View Online Highscores", 150);
  ktext_font->drawStringCentered(ByLanguage("(Internet Connection Required To View Them)",
                                            "(Connessione a Internet necessaria)",
                                            "(Necesitas conexi\xF3n a Internet)"),
                                 0, 800, 175, 0);
}
