// The online top ten: the requests the game sends (and does not send), the
// queue of scores that could not be sent, the parsing of the top ten, typing
// a name and the name-entry form.
#include "online.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "KInput.h"
#include "KMiscTools.h"
#include "KText.h"
#include "KWeb.h"
#include "access.h"
#include "globals.h"
#include "localscores.h"
#include "screens.h"
#include "support/CannedHttpServer.h"
#include "support/GameFixture.h"
#include "support/NullGraphic.h"

using testsupport::CannedHttpServer;

namespace {

const char kConnecting[] = "Connecting to the high-score server...";
const char kUnreachable[] = "The high-score server cannot be reached";
const char kRefused[] = "The high-score server refused the score";

// A picture that records rectangles and opaque blits and counts glyphs.
class RecordingGraphic : public testsupport::NullGraphic {
public:
  std::vector<std::array<float, 4>> rects;
  std::vector<std::array<float, 6>> blits; // source corners and destination
  int glyphs = 0;

  void drawRect(float x1, float y1, float x2, float y2, float, float, float, float) override {
    rects.push_back({x1, y1, x2, y2});
  }
  void blitRect(float x1, float y1, float x2, float y2, short dx, short dy, bool, bool) override {
    blits.push_back({x1, y1, x2, y2, (float)dx, (float)dy});
  }
  void blitAlphaRect(float, float, float, float, short, short, bool, bool) override { glyphs++; }
};

// Every glyph 10 pixels wide, except 'W' at 30.
KFont gFont[] = {
    {'a', 0, 0, 9, 15, 10, 16},     {'b', 10, 0, 19, 15, 10, 16},   {'x', 20, 0, 29, 15, 10, 16},
    {'W', 30, 0, 59, 15, 30, 16},   {' ', 60, 0, 69, 15, 10, 16},   {'Y', 70, 0, 79, 15, 10, 16},
    {'o', 80, 0, 89, 15, 10, 16},   {'u', 90, 0, 99, 15, 10, 16},   {'r', 100, 0, 109, 15, 10, 16},
    {'N', 110, 0, 119, 15, 10, 16}, {'m', 120, 0, 129, 15, 10, 16}, {'e', 130, 0, 139, 15, 10, 16},
    {0, 0, 0, 0, 0, 0, 0},
};

// A server answering every request with the same body.
CannedHttpServer::Handler answering(const std::string &body) {
  return [body](const std::string &) { return CannedHttpServer::http(200, body); };
}

// "yes" to the qualify check and `status` to a submit.
CannedHttpServer::Handler qualifyingThenSubmit(int status) {
  return [status](const std::string &target) {
    return CannedHttpServer::http(target.find("scoresubmit") == std::string::npos ? 200 : status, "yes");
  };
}

// What the screens show of the online state, in one line: the request waited
// for, the name form, the top-ten view (and whether it is this computer's
// table), and the network line.
std::string State() {
  const char *notice = OnlineNotice();
  return "wait " + std::to_string(OnlineWait) + " form " + std::to_string(SubmitScore) + " view " +
         std::to_string(ShowHighscores) + " offline " + std::to_string(TopTenOffline) + " | " + (notice ? notice : "");
}

// The game's globals, a private application folder whose resource folder is
// the writable data folder for the score lists, the fake clock, and a font
// of known widths that draws into a RecordingGraphic.
class OnlineTest : public testsupport::GameFixture {
protected:
  void SetUp() override {
    KMiscTools::initMiscTools(); // the engine's own start, before the fixture points it at its folder
    GameFixture::SetUp();
    font.setKGraphic(pen);
    font.setFontTable(gFont);
    ktext_font = ktext_small = &font;
    GV.submitOnline = 1;
    CUR_SCR = SCREEN_TITLE;
    strcpy(ManagerName, "Your Name");
  }
  void TearDown() override {
    WaitForOnlineRequests();
    OnlineWait = 0;
    OnlineWaitStep(); // forgets the request and the offer
    TopTenStep();
    if (ktext_font == &font)
      ktext_font = ktext_small = nullptr;
    setScoreServer("http://127.0.0.1:8642");
    KWeb::resetLimits();
    GameFixture::TearDown();
  }
  // Types one character as the window's callback would deliver it.
  int type(char c) {
    lastchar = c;
    return CheckInput(ManagerName, &font, 250, 24);
  }
  // Points the game at `url` (kept alive here).
  void use(const std::string &url) {
    base = url;
    setScoreServer(base.c_str());
  }
  std::string refusedServer() { return "http://127.0.0.1:" + std::to_string(CannedHttpServer::refusedPort()); }
  // The turn end's offer worked through to its outcome, as the game screen
  // does over several frames.
  OnlineWaitResult offer() {
    if (StartScoreOffer() == 0)
      return ONLINE_NO_OFFER;
    WaitForOnlineRequests();
    return OnlineWaitStep();
  }
  // Return in the open form with `name`, and the submit worked through.
  void finish(const std::string &name) {
    snprintf(ManagerName, sizeof ManagerName, "%s", name.c_str());
    FinishNameEntry();
    WaitForOnlineRequests();
    OnlineWaitStep();
  }
  std::string file(const char *name) { return resDir + "/" + name; }
  // This computer's table full of scores no game here will beat.
  void fillLocalTable() {
    ASSERT_TRUE(WriteScoreFile(file("local-scores"), std::vector<ScoreEntry>(10, ScoreEntry{"Champion", 2000000})));
  }

  std::string base;
  RecordingGraphic *pen = new RecordingGraphic; // owned by font
  KText font;
};

// The title's tests open the game window with its real fonts.
class OnlineTitleTest : public OnlineTest {};

// ---- requests ------------------------------------------------------------------

TEST_F(OnlineTest, OnlyAScoreAbove500WithTheOptionOnIsOffered) {
  CannedHttpServer server(answering("yes"));
  use(server.baseUrl());
  GV.submitOnline = 0;
  Player[0].score = 9000;
  EXPECT_EQ(StartScoreOffer(), 0);
  GV.submitOnline = 1;
  Player[0].score = 500;
  EXPECT_EQ(StartScoreOffer(), 0);
  EXPECT_EQ(State(), "wait 0 form 0 view 0 offline 0 | ");
  EXPECT_TRUE(server.targets().empty());
  Player[0].score = 501;
  EXPECT_EQ(StartScoreOffer(), 1);
  EXPECT_EQ(State(), "wait 1 form 0 view 0 offline 0 | Connecting to the high-score server...");
  WaitForOnlineRequests();
  EXPECT_EQ(OnlineWaitStep(), ONLINE_DONE);
  EXPECT_EQ(State(), "wait 0 form 1 view 0 offline 0 | ");
  EXPECT_STREQ(ManagerName, "Your Name");
  EXPECT_EQ(server.targets(), std::vector<std::string>{"/highscores/trivello/ishighscore.php?subscore=501"});
}

// What the qualify check's reply leads to when the score cannot enter this
// computer's table: only a lower-case "yes" opens the form, and a failure
// says why on the network line.
TEST_F(OnlineTest, QualifyReplyOpensTheFormOnlyWithLowerCaseYes) {
  struct Case {
    int status;
    const char *body;
    OnlineWaitResult result;
    const char *notice;
  } cases[] = {
      {200, "yes", ONLINE_DONE, nullptr},      {200, "well... yes", ONLINE_DONE, nullptr},
      {200, "YES", ONLINE_NO_OFFER, nullptr},  {200, "no", ONLINE_NO_OFFER, nullptr},
      {400, "yes", ONLINE_NO_OFFER, kRefused}, {503, "yes", ONLINE_NO_OFFER, kUnreachable},
  };
  fillLocalTable();
  Player[0].score = 1000;
  for (const Case &c : cases) {
    CannedHttpServer server([&](const std::string &) { return CannedHttpServer::http(c.status, c.body); });
    use(server.baseUrl());
    SubmitScore = 0;
    clock.advanceMs(10000); // the last case's line is gone
    EXPECT_EQ(offer(), c.result) << c.status << " " << c.body;
    EXPECT_EQ(SubmitScore, c.result == ONLINE_DONE ? 1 : 0) << c.status << " " << c.body;
    EXPECT_STREQ(OnlineNotice(), c.notice) << c.status << " " << c.body;
  }
}

// The name is percent-encoded: "Your Name" as it is would make a malformed
// request, and a name could forge a score. A URL that does not fit its
// 260-byte buffer is not sent at all rather than cut.
TEST_F(OnlineTest, TheNameIsPercentEncodedAndAUrlThatDoesNotFitIsNotSent) {
  CannedHttpServer server(answering("yes"));
  std::string accents(24, '\xE9'), encoded;
  for (int i = 0; i < 24; i++)
    encoded += "%E9";
  // A path after the server's address, the name, and its query (empty: nothing sent).
  std::tuple<std::string, std::string, std::string> cases[] = {
      {"", "Your Name", "name=Your%20Name"},      {"", "a&score=99999999#", "name=a%26score%3D99999999%23"},
      {"", "100%,x", "name=100%25%2Cx"},          {"", "\xE8t\xE9", "name=%E8t%E9"},
      {"", "%s%n%d", "name=%25s%25n%25d"},        {"", accents, "name=" + encoded},
      {"/" + std::string(120, 'p'), accents, ""},
  };
  Player[0].score = 2147483647;
  for (const auto &[path, name, query] : cases) {
    use(server.baseUrl() + path);
    size_t before = server.targets().size();
    ASSERT_EQ(offer(), ONLINE_DONE);
    finish(name);
    std::vector<std::string> sent = server.targets();
    ASSERT_EQ(sent.size(), before + (query.empty() ? 1 : 2)) << name;
    if (!query.empty()) {
      EXPECT_EQ(sent.back(), "/highscores/trivello/scoresubmit.php?" + query + "&score=2147483647");
    }
  }
}

TEST_F(OnlineTest, TheTopTenComesFromTheServerElseFromThisComputer) {
  ASSERT_TRUE(WriteScoreFile(file("local-scores"), {{"Here", 700}}));
  {
    CannedHttpServer server(answering("Ann,9000,Bob,800"));
    use(server.baseUrl());
    RequestTopTen();
    EXPECT_EQ(State(), "wait 0 form 0 view 0 offline 0 | Connecting to the high-score server...");
    WaitForOnlineRequests();
    TopTenStep();
    EXPECT_EQ(State(), "wait 0 form 0 view 1 offline 0 | ");
    EXPECT_EQ(server.targets(), std::vector<std::string>{"/highscores/trivello/shown.php"});
    EXPECT_STREQ(OnlineScore[1].name, "Bob");
    // A list that comes after the player left the title is dropped.
    ShowHighscores = 0;
    RequestTopTen();
    CUR_SCR = SCREEN_OPTIONS;
    WaitForOnlineRequests();
    TopTenStep();
    EXPECT_EQ(State(), "wait 0 form 0 view 0 offline 0 | ");
    CUR_SCR = SCREEN_TITLE;
  }
  use(refusedServer());
  RequestTopTen();
  WaitForOnlineRequests();
  TopTenStep();
  EXPECT_EQ(State(), "wait 0 form 0 view 1 offline 1 | The high-score server cannot be reached");
  EXPECT_STREQ(LocalScore[0].name, "Here");
  EXPECT_STREQ(OnlineScore[0].name, "Ann"); // the last list stays
  clock.advanceMs(3999);
  EXPECT_NE(OnlineNotice(), nullptr);
  clock.advanceMs(2);
  EXPECT_EQ(OnlineNotice(), nullptr);
  // With no server at all this computer's table serves at once, for the
  // view and for the offer.
  for (const char *off : {"", (const char *)nullptr}) {
    setScoreServer(off);
    ShowHighscores = TopTenOffline = SubmitScore = 0;
    RequestTopTen();
    Player[0].score = 9000;
    EXPECT_EQ(StartScoreOffer(), 1);
    EXPECT_EQ(State(), "wait 0 form 1 view 1 offline 1 | ");
  }
}

TEST_F(OnlineTitleTest, TheTitleKeepsAnimatingWhileTheServerSaysNothing) {
  // Long enough that the fetch never gives up on its own during the test.
  KWeb::setLimits(3000, 120000, KWeb::kDefaultMaxBodyBytes);
  auto server = std::make_unique<CannedHttpServer>([](const std::string &) {
    return CannedHttpServer::Reply{"", true};
  });
  use(server->baseUrl());
  writeResource("local-scores", "4321\tHere\n");
  openGameWindow();
  clickAt(393, 300); // the top-ten button
  std::set<int16_t> logoFrames;
  for (int i = 0; i < 60; i++) {
    clock.advanceMs(100);
    ASSERT_TRUE(frame());
    logoFrames.insert(IMG[SLOT_TITLE].frame);
    ASSERT_STREQ(OnlineNotice(), kConnecting) << "frame " << i;
  }
  EXPECT_GT(logoFrames.size(), 2u) << "the logo kept turning";
  EXPECT_EQ(ShowHighscores, 0);
  EXPECT_EQ(server->targets(), std::vector<std::string>{"/highscores/trivello/shown.php"});
  server.reset(); // hangs up without a word
  WaitForOnlineRequests();
  frame();
  EXPECT_EQ(State(), "wait 0 form 0 view 1 offline 1 | The high-score server cannot be reached");
  EXPECT_STREQ(LocalScore[0].name, "Here");
}

// ---- scores that could not be sent ------------------------------------------------

TEST_F(OnlineTest, AScoreTheServerCouldNotTakeIsQueuedAndSentAtTheNextStart) {
  Player[0].score = 4321;
  {
    CannedHttpServer failing(qualifyingThenSubmit(503));
    use(failing.baseUrl());
    ASSERT_EQ(offer(), ONLINE_DONE);
    finish("Zo\xE9");
    EXPECT_STREQ(OnlineNotice(), kUnreachable);
    NetWait(StartResendingScores()); // the next start, the server still failing: the score stays queued
    EXPECT_EQ(failing.targets().size(), 3u);
  }
  {
    CannedHttpServer refusing(qualifyingThenSubmit(400));
    use(refusing.baseUrl());
    ASSERT_EQ(offer(), ONLINE_DONE);
    finish("Ann");
    EXPECT_STREQ(OnlineNotice(), kRefused); // final: not queued
  }
  // A server that cannot be reached: this computer's table is offered, and the score queued.
  use(refusedServer());
  Player[0].score = 800;
  ASSERT_EQ(offer(), ONLINE_DONE);
  EXPECT_EQ(State(), "wait 0 form 1 view 0 offline 0 | The high-score server cannot be reached");
  finish("Bob");
  EXPECT_EQ(ReadLocalTable(file("local-scores")).size(), 3u);
  EXPECT_EQ(ReadScoreFile(file("pending-scores"), 10).size(), 2u);
  CannedHttpServer working(qualifyingThenSubmit(200));
  use(working.baseUrl());
  EXPECT_EQ(NetWait(StartResendingScores()), NET_OK);
  EXPECT_EQ(working.targets(), (std::vector<std::string>{"/highscores/trivello/scoresubmit.php?name=Zo%E9&score=4321",
                                                         "/highscores/trivello/scoresubmit.php?name=Bob&score=800"}));
  EXPECT_TRUE(ReadScoreFile(file("pending-scores"), 10).empty());
  // Unreachable, and this computer's table does not take the score: no offer.
  fillLocalTable();
  use(refusedServer());
  SubmitScore = 0;
  EXPECT_EQ(offer(), ONLINE_NO_OFFER);
  EXPECT_EQ(SubmitScore, 0);
}

TEST_F(OnlineTest, ARelaxedClocksScoreStaysOnThisComputerWithItsClockShown) {
  CannedHttpServer server(answering("yes"));
  use(server.baseUrl());
  AO.clockMode = CLOCK_60;
  Player[0].score = 800;
  ASSERT_EQ(StartScoreOffer(), 1);
  EXPECT_EQ(State(), "wait 0 form 1 view 0 offline 0 | "); // the form, for this computer's table only
  finish("Ann");
  AO.clockMode = CLOCK_STANDARD;
  EXPECT_TRUE(server.targets().empty()); // the server is never asked
  EXPECT_TRUE(ReadScoreFile(file("pending-scores"), 10).empty());
  ShowLocalTopTen();
  EXPECT_STREQ(LocalScore[0].name, "Ann (60 s)");
}

// ---- the server's address and the top ten's text ------------------------------------

TEST_F(OnlineTest, TheServerSettingComesFromTheUserFileThenTheSystemFileThenTheBuild) {
  std::string user = file("user"), sys = file("system");
  // The user's file and the system's (null: missing), and the setting.
  std::tuple<const char *, const char *, const char *> cases[] = {
      {"http://club:8642\n", "http://etc:1", "http://club:8642"},
      {nullptr, "http://etc:1\nsecond line\n", "http://etc:1"},
      {nullptr, nullptr, "http://default:2"},
      {"", "http://etc:1", ""},       // an empty file switches it off
      {"  \r\n", "http://etc:1", ""}, // so does a blank one
      {nullptr, "", ""},
      {"  http://club:8642//  \r\n", nullptr, "http://club:8642"},
  };
  for (const auto &[userText, systemText, expected] : cases) {
    remove(user.c_str());
    remove(sys.c_str());
    if (userText)
      writeResource("user", userText);
    if (systemText)
      writeResource("system", systemText);
    EXPECT_EQ(ReadScoreServerSetting(user, sys, "http://default:2/"), expected) << (userText ? userText : "-");
  }
  writeResource("system", "http://etc:1");
  EXPECT_EQ(ReadScoreServerSetting(file("data"), sys, ""), "http://etc:1") << "a folder counts as no file";
  EXPECT_EQ(ReadScoreServerSetting(file("missing"), file("missing"), nullptr), "");
}

TEST(ExtractPlayers, FillsTenRecordsInOrderAndLeavesTheRestEmpty) {
  std::string twelve;
  for (int i = 0; i < 12; i++)
    twelve += (i == 3 ? std::string(300, 'n') : "p" + std::to_string(i)) + "," + std::to_string(1000 - i) + ",";
  std::vector<std::pair<std::string, int32_t>> ten;
  for (int i = 0; i < 10; i++)
    ten.push_back({i == 3 ? std::string(255, 'n') : "p" + std::to_string(i), 1000 - i}); // names cut to 255
  std::pair<std::string, std::vector<std::pair<std::string, int32_t>>> cases[] = {
      {"Ann,9000,Bob,800", {{"Ann", 9000}, {"Bob", 800}}},
      {"Ann,9000,Bob", {{"Ann", 9000}, {"Bob", 0}}},
      {",,Ann,,,9000,,Bob,800,,", {{"Ann", 9000}, {"Bob", 800}}},
      {"", {}},
      {",,,", {}},
      {"a,99999999999,b,-2147483649,c,2147483647,d,-5,e,12abc,f,abc",
       {{"a", 0}, {"b", 0}, {"c", 2147483647}, {"d", -5}, {"e", 12}, {"f", 0}}},
      {twelve, ten},
  };
  for (auto &[reply, rows] : cases) {
    std::string text = reply; // cut up in place
    memset(OnlineScore, 'x', sizeof OnlineScore);
    extractPlayers(&text[0]);
    rows.resize(MAX_ONLINE_SCORES, {"", 0});
    for (size_t i = 0; i < MAX_ONLINE_SCORES; i++)
      EXPECT_EQ(std::make_pair(std::string(OnlineScore[i].name), OnlineScore[i].score), rows[i])
          << reply << " row " << i;
  }
}

// ---- typing, the form and the view ---------------------------------------------------

TEST_F(OnlineTest, TypingKeepsTheNameShortNarrowAndFreeOfControlCharacters) {
  std::pair<std::string, std::string> cases[] = {
      {"ab", "ab"},                                        // the first letter replaces "Your Name"
      {std::string(30, 'a') + "\b", std::string(23, 'a')}, // the 25th letter is dropped; Backspace takes the last
      {std::string(10, 'W') + "a", "WWWWWWWW"},            // 8 x 30 = 240 fits 250; 250 is a pixel too wide
      {"a\b\b", ""},                                       // Backspace at the start stays there
      {"a\t\x1b\x7f\x01\n\x85\xE9", "a\xE9"},              // a Latin-1 letter is typed, control codes are not
  };
  for (const auto &c : cases) {
    strcpy(ManagerName, "Your Name");
    bufferPosition = 0;
    for (char ch : c.first)
      EXPECT_EQ(type(ch), 0);
    EXPECT_EQ(ManagerName, c.second);
    EXPECT_EQ(bufferPosition, (int)c.second.size());
  }
}

TEST_F(OnlineTest, ReturnAtOnceInTheFormSubmitsYourNameAndClosesIt) {
  CannedHttpServer server(answering("yes"));
  use(server.baseUrl());
  Player[0].score = 777;
  ASSERT_EQ(offer(), ONLINE_DONE);
  clock.onSleep = [](uint32_t) { KInput::injectKey(K_VK_RETURN, false); };
  KInput::injectKey(K_VK_RETURN, true);
  DrawNameEntry();
  EXPECT_FALSE(KInput::isPressed(K_VK_RETURN));
  EXPECT_EQ(State(), "wait 2 form 0 view 0 offline 0 | Connecting to the high-score server...");
  WaitForOnlineRequests();
  EXPECT_EQ(OnlineWaitStep(), ONLINE_DONE);
  EXPECT_EQ(server.targets().back(), "/highscores/trivello/scoresubmit.php?name=Your%20Name&score=777");
}

} // namespace
