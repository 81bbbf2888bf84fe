// The online top ten: the requests the game sends (and does not send), the
// parsing of the top ten, typing a name, the name-entry form and the view.
#include "online.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <array>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <set>
#include <cstring>
#include <string>
#include <vector>

#include "KInput.h"
#include "KMiscTools.h"
#include "KText.h"
#include "access.h"
#include "globals.h"
#include "entry.h"
#include "KWeb.h"
#include "localscores.h"
#include "screens.h"
#include "support/CannedHttpServer.h"
#include "support/GameFixture.h"
#include "support/ManualClock.h"
#include "support/NullGraphic.h"

using testsupport::CannedHttpServer;

namespace {

// A picture that records rectangles and opaque blits and does nothing else.
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

// A private application folder (whose resource folder is the writable data
// folder for the score lists), the globals the online code reads reset, and
// the fake clock.
class OnlineTest : public ::testing::Test {
protected:
  OnlineTest() {
    const char *tmp = getenv("TMPDIR");
    appDir = std::string(tmp && *tmp ? tmp : "/tmp") + "/trivello-online-" + std::to_string(getpid()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name();
    dataDir = appDir + "/Contents/Resources";
    system(("rm -rf '" + appDir + "' && mkdir -p '" + dataDir + "'").c_str());
    KMiscTools::initMiscTools();
    savedAppPath = KMiscTools::currentAppPath;
    snprintf(KMiscTools::currentAppPath, sizeof KMiscTools::currentAppPath, "%s", appDir.c_str());
    KMiscTools::setFileSource(true);
    clock.now = 1000000000ull;
    KMiscTools::setClock(&clock);
    font.setKGraphic(pen);
    font.setFontTable(gFont);
    ktext_font = ktext_small = &font;
    GV.submitOnline = 1;
    Cur_Player = 0;
    CUR_SCR = SCREEN_TITLE;
    Player[0] = Player_t{};
    memset(OnlineScore, 0, sizeof OnlineScore);
    memset(LocalScore, 0, sizeof LocalScore);
    strcpy(ManagerName, "Your Name");
    bufferPosition = 0;
    lastchar = 0;
    SubmitScore = ShowHighscores = ShowScores = TopTenOffline = OnlineWait = 0;
  }
  ~OnlineTest() override {
    WaitForOnlineRequests();
    OnlineWait = 0;
    OnlineWaitStep(); // forgets the request and the offer
    TopTenStep();
    ktext_font = ktext_small = nullptr;
    setScoreServer("http://127.0.0.1:8642");
    KInput::clearInjectedInput();
    KMiscTools::setClock(nullptr);
    snprintf(KMiscTools::currentAppPath, sizeof KMiscTools::currentAppPath, "%s", savedAppPath.c_str());
    KMiscTools::setFileSource(false);
    system(("rm -rf '" + appDir + "'").c_str());
  }
  // Types one character as the window's callback would deliver it.
  int type(char c) {
    lastchar = c;
    return CheckInput(ManagerName, &font, 250, 24);
  }
  // Points the game at `server`.
  void use(CannedHttpServer &server) {
    base = server.baseUrl();
    setScoreServer(base.c_str());
  }
  // The turn end's offer worked through to its outcome, as the game screen
  // does over several frames.
  OnlineWaitResult offer() {
    if (StartScoreOffer() == 0)
      return ONLINE_NO_OFFER;
    WaitForOnlineRequests();
    return OnlineWaitStep();
  }
  // Return in the open form with `name`, and the submit worked through.
  void finish(const char *name) {
    strcpy(ManagerName, name);
    FinishNameEntry();
    WaitForOnlineRequests();
    OnlineWaitStep();
  }
  std::string file(const char *name) { return dataDir + "/" + name; }
  // This computer's table full of scores no game here will beat.
  void fillLocalTable() {
    std::vector<ScoreEntry> best(10, ScoreEntry{"Champion", 2000000});
    ASSERT_TRUE(WriteScoreFile(file("local-scores"), best));
  }

  std::string appDir, dataDir, base, savedAppPath;
  testsupport::ManualClock clock;
  RecordingGraphic *pen = new RecordingGraphic; // owned by font
  KText font;
};

// A server answering every request with the same body.
CannedHttpServer::Handler answering(const std::string &body) {
  return [body](const std::string &) { return CannedHttpServer::http(200, body); };
}

// "yes" to the qualify check and `status` to a submit.
CannedHttpServer::Handler qualifyingThenSubmit(int status) {
  return [status](const std::string &target) {
    return target.find("scoresubmit") == std::string::npos ? CannedHttpServer::http(200, "yes")
                                                           : CannedHttpServer::http(status, "x");
  };
}

std::string refusedServer() { return "http://127.0.0.1:" + std::to_string(CannedHttpServer::refusedPort()); }

// ---- requests ------------------------------------------------------------------

TEST_F(OnlineTest, AScoreOf500IsNeverSentAnd501IsAsked) {
  CannedHttpServer server(answering("yes"));
  use(server);
  Player[0].score = 500;
  EXPECT_EQ(StartScoreOffer(), 0);
  EXPECT_EQ(SubmitScore, 0);
  Player[0].score = 501;
  EXPECT_EQ(StartScoreOffer(), 1);
  EXPECT_EQ(OnlineWait, ONLINE_WAIT_QUALIFY);
  EXPECT_STREQ(OnlineNotice(), "Connecting to the high-score server...");
  WaitForOnlineRequests();
  EXPECT_EQ(OnlineWaitStep(), ONLINE_DONE);
  EXPECT_EQ(OnlineWait, 0);
  EXPECT_EQ(SubmitScore, 1);
  EXPECT_STREQ(ManagerName, "Your Name");
  EXPECT_EQ(server.targets(), std::vector<std::string>{"/highscores/trivello/ishighscore.php?subscore=501"});
}

TEST_F(OnlineTest, TheOfferNeedsTheOptionOn) {
  CannedHttpServer server(answering("yes"));
  use(server);
  GV.submitOnline = 0;
  Player[0].score = 9000;
  EXPECT_EQ(StartScoreOffer(), 0);
  EXPECT_EQ(SubmitScore, 0);
  setScoreServer("");
  EXPECT_EQ(StartScoreOffer(), 0);
  EXPECT_EQ(SubmitScore, 0);
  EXPECT_TRUE(server.targets().empty());
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
      {200, "yes", ONLINE_DONE, nullptr},
      {200, "well... yes", ONLINE_DONE, nullptr},
      {200, "YES", ONLINE_NO_OFFER, nullptr},
      {200, "no", ONLINE_NO_OFFER, nullptr},
      {400, "yes", ONLINE_NO_OFFER, "The high-score server refused the score"},
      {503, "yes", ONLINE_NO_OFFER, "The high-score server cannot be reached"},
  };
  fillLocalTable();
  Player[0].score = 1000;
  for (const Case &c : cases) {
    CannedHttpServer server([&](const std::string &) { return CannedHttpServer::http(c.status, c.body); });
    use(server);
    SubmitScore = 0;
    clock.advanceMs(10000); // the last case's line is gone
    EXPECT_EQ(offer(), c.result) << c.status << " " << c.body;
    EXPECT_EQ(SubmitScore, c.result == ONLINE_DONE ? 1 : 0) << c.status << " " << c.body;
    EXPECT_STREQ(OnlineNotice(), c.notice) << c.status << " " << c.body;
  }
}

TEST_F(OnlineTest, TheNameIsPercentEncodedIntoTheSubmitQuery) {
  struct Case {
    const char *name, *query;
  } cases[] = {
      {"Your Name", "name=Your%20Name&score=1234"}, {"a&score=99999999#", "name=a%26score%3D99999999%23&score=1234"},
      {"100%,x", "name=100%25%2Cx&score=1234"},     {"\xE8t\xE9", "name=%E8t%E9&score=1234"},
      {"%s%n%d", "name=%25s%25n%25d&score=1234"},
  };
  Player[0].score = 1234;
  for (const Case &c : cases) {
    CannedHttpServer server(answering("yes"));
    use(server);
    ASSERT_EQ(offer(), ONLINE_DONE);
    finish(c.name);
    ASSERT_EQ(server.targets().size(), 2u);
    EXPECT_EQ(server.targets()[1], std::string("/highscores/trivello/scoresubmit.php?") + c.query);
  }
}

TEST_F(OnlineTest, AUrlThatDoesNotFitItsBufferIsNotSent) {
  CannedHttpServer server(answering("yes"));
  // 24 accented letters encode to 72 bytes; the submit URL no longer fits 260.
  std::string longBase = server.baseUrl() + "/" + std::string(120, 'p');
  setScoreServer(longBase.c_str());
  std::string name(24, '\xE9');
  Player[0].score = 2147483647;
  ASSERT_EQ(offer(), ONLINE_DONE);
  finish(name.c_str());
  EXPECT_EQ(server.targets().size(), 1u);
  // The same name with a short base fits and is sent whole.
  use(server);
  ASSERT_EQ(offer(), ONLINE_DONE);
  finish(name.c_str());
  ASSERT_EQ(server.targets().size(), 3u);
  EXPECT_NE(server.targets()[2].find("&score=2147483647"), std::string::npos);
}

TEST_F(OnlineTest, WithNoServerThisComputersTableServesAtOnce) {
  for (const char *off : {"", (const char *)nullptr}) {
    setScoreServer(off);
    Player[0].score = 9000;
    SubmitScore = ShowHighscores = TopTenOffline = 0;
    EXPECT_EQ(StartScoreOffer(), 1);
    EXPECT_EQ(OnlineWait, 0);
    EXPECT_EQ(SubmitScore, 1);
    RequestTopTen();
    EXPECT_EQ(ShowHighscores, 1);
    EXPECT_EQ(TopTenOffline, 1);
    EXPECT_EQ(OnlineNotice(), nullptr);
  }
}

TEST_F(OnlineTest, TopTenButtonWithTheServerUpAndDown) {
  {
    CannedHttpServer server(answering("Ann,9000,Bob,800"));
    use(server);
    RequestTopTen();
    EXPECT_STREQ(OnlineNotice(), "Connecting to the high-score server...");
    WaitForOnlineRequests();
    TopTenStep();
    EXPECT_EQ(ShowHighscores, 1);
    EXPECT_EQ(TopTenOffline, 0);
    EXPECT_EQ(OnlineNotice(), nullptr);
    EXPECT_EQ(server.targets(), std::vector<std::string>{"/highscores/trivello/shown.php"});
  }
  EXPECT_STREQ(OnlineScore[0].name, "Ann");
  EXPECT_EQ(OnlineScore[1].score, 800);
  ASSERT_TRUE(WriteScoreFile(file("local-scores"), {{"Here", 700}}));
  ShowHighscores = 0;
  std::string down = refusedServer();
  setScoreServer(down.c_str());
  RequestTopTen();
  WaitForOnlineRequests();
  TopTenStep();
  EXPECT_EQ(ShowHighscores, 1);
  EXPECT_EQ(TopTenOffline, 1);
  EXPECT_STREQ(LocalScore[0].name, "Here");
  EXPECT_STREQ(OnlineScore[0].name, "Ann"); // the last list stays
  EXPECT_STREQ(OnlineNotice(), "The high-score server cannot be reached");
  clock.advanceMs(3999);
  EXPECT_NE(OnlineNotice(), nullptr);
  clock.advanceMs(2);
  EXPECT_EQ(OnlineNotice(), nullptr);
}

TEST_F(OnlineTest, ATopTenThatComesAfterThePlayerLeftTheTitleIsDropped) {
  CannedHttpServer server(answering("Ann,9000"));
  use(server);
  RequestTopTen();
  CUR_SCR = SCREEN_OPTIONS;
  WaitForOnlineRequests();
  TopTenStep();
  EXPECT_EQ(ShowHighscores, 0);
  EXPECT_EQ(OnlineNotice(), nullptr);
}

// ---- scores that could not be sent ------------------------------------------------

TEST_F(OnlineTest, AFailedSubmitIsQueuedAndSentAgainOnceTheServerWorks) {
  Player[0].score = 4321;
  {
    CannedHttpServer failing(qualifyingThenSubmit(503));
    use(failing);
    ASSERT_EQ(offer(), ONLINE_DONE);
    finish("Zo\xE9");
    EXPECT_STREQ(OnlineNotice(), "The high-score server cannot be reached");
    // The next start, the server still failing: the score stays queued.
    NetWait(StartResendingScores());
    EXPECT_EQ(failing.targets().size(), 3u);
  }
  std::vector<ScoreEntry> queued = ReadScoreFile(file("pending-scores"), 10);
  ASSERT_EQ(queued.size(), 1u);
  EXPECT_EQ(queued[0].name, "Zo\xE9");
  EXPECT_EQ(queued[0].score, 4321);
  EXPECT_EQ(ReadLocalTable(file("local-scores")).at(0).score, 4321);
  // A start with the server working sends it and empties the queue.
  CannedHttpServer working(qualifyingThenSubmit(200));
  use(working);
  EXPECT_EQ(NetWait(StartResendingScores()), NET_OK);
  EXPECT_EQ(working.targets(), std::vector<std::string>{"/highscores/trivello/scoresubmit.php?name=Zo%E9&score=4321"});
  EXPECT_TRUE(ReadScoreFile(file("pending-scores"), 10).empty());
}

TEST_F(OnlineTest, ARefusedSubmitSaysSoAndIsNotQueued) {
  CannedHttpServer server(qualifyingThenSubmit(400));
  use(server);
  Player[0].score = 4321;
  ASSERT_EQ(offer(), ONLINE_DONE);
  finish("Ann");
  EXPECT_STREQ(OnlineNotice(), "The high-score server refused the score");
  EXPECT_TRUE(ReadScoreFile(file("pending-scores"), 10).empty());
}

TEST_F(OnlineTest, AnUnreachableServerOffersThisComputersTableAndQueuesTheScore) {
  std::string down = refusedServer();
  setScoreServer(down.c_str());
  Player[0].score = 800;
  ASSERT_EQ(offer(), ONLINE_DONE);
  EXPECT_EQ(SubmitScore, 1);
  EXPECT_STREQ(OnlineNotice(), "The high-score server cannot be reached");
  finish("Ann");
  EXPECT_EQ(ReadLocalTable(file("local-scores")).size(), 1u);
  std::vector<ScoreEntry> queued = ReadScoreFile(file("pending-scores"), 10);
  ASSERT_EQ(queued.size(), 1u);
  EXPECT_EQ(queued[0].score, 800);
  // A score this computer's table does not take is not offered.
  fillLocalTable();
  SubmitScore = 0;
  EXPECT_EQ(offer(), ONLINE_NO_OFFER);
  EXPECT_EQ(SubmitScore, 0);
}

TEST_F(OnlineTest, ARelaxedClocksScoreStaysOnThisComputerWithItsClockShown) {
  CannedHttpServer server(answering("yes"));
  use(server);
  AO.clockMode = CLOCK_60;
  Player[0].score = 800;
  ASSERT_EQ(StartScoreOffer(), 1); // the form, for this computer's table only
  EXPECT_EQ(OnlineWait, 0);
  EXPECT_EQ(SubmitScore, 1);
  finish("Ann");
  AO.clockMode = CLOCK_STANDARD;
  EXPECT_TRUE(server.targets().empty()); // the server is never asked
  EXPECT_TRUE(ReadScoreFile(file("pending-scores"), 10).empty());
  std::vector<ScoreEntry> table = ReadLocalTable(file("local-scores"));
  ASSERT_EQ(table.size(), 1u);
  EXPECT_EQ(table[0].clock, "60 s");
  ShowLocalTopTen();
  EXPECT_STREQ(LocalScore[0].name, "Ann (60 s)");
}

// ---- the title with a server that never answers --------------------------------------

class OnlineTitleTest : public testsupport::GameFixture {
protected:
  void TearDown() override {
    WaitForOnlineRequests();
    setScoreServer("http://127.0.0.1:8642");
    KWeb::resetLimits();
    testsupport::GameFixture::TearDown();
  }
};

TEST_F(OnlineTitleTest, TheTitleKeepsAnimatingWhileTheServerSaysNothing) {
  // Long enough that the fetch never gives up on its own during the test.
  KWeb::setLimits(3000, 120000, KWeb::kDefaultMaxBodyBytes);
  auto server = std::make_unique<CannedHttpServer>([](const std::string &) {
    CannedHttpServer::Reply silent;
    silent.silent = true;
    return silent;
  });
  std::string base = server->baseUrl();
  setScoreServer(base.c_str());
  writeResource("local-scores", "4321\tHere\n");
  openGameWindow();
  clickAt(393, 300); // the top-ten button
  std::vector<int16_t> logoFrames;
  for (int i = 0; i < 60; i++) {
    clock.advanceMs(100);
    ASSERT_TRUE(frame());
    logoFrames.push_back(IMG[SLOT_TITLE].frame);
    ASSERT_STREQ(OnlineNotice(), "Connecting to the high-score server...") << "frame " << i;
  }
  EXPECT_GT(std::set<int16_t>(logoFrames.begin(), logoFrames.end()).size(), 2u) << "the logo kept turning";
  EXPECT_EQ(ShowHighscores, 0);
  EXPECT_EQ(server->targets(), std::vector<std::string>{"/highscores/trivello/shown.php"});
  server.reset(); // hangs up without a word
  WaitForOnlineRequests();
  frame();
  EXPECT_EQ(ShowHighscores, 1);
  EXPECT_EQ(TopTenOffline, 1);
  EXPECT_STREQ(LocalScore[0].name, "Here");
  EXPECT_STREQ(OnlineNotice(), "The high-score server cannot be reached");
}

// ---- the server's address ----------------------------------------------------------

TEST(ScoreServerSetting, TheUserFileThenTheSystemFileThenTheBuildDefault) {
  std::string dir = std::string(getenv("TMPDIR") && *getenv("TMPDIR") ? getenv("TMPDIR") : "/tmp") +
                    "/trivello-setting-" + std::to_string(getpid());
  system(("rm -rf '" + dir + "' && mkdir -p '" + dir + "/folder'").c_str());
  std::string user = dir + "/user", system_ = dir + "/system", missing = dir + "/missing";
  auto write = [](const std::string &path, const std::string &text) { std::ofstream(path) << text; };
  struct Case {
    const char *user;   // null: the file does not exist
    const char *system; // likewise
    const char *expected;
  } cases[] = {
      {"http://club:8642\n", "http://etc:1", "http://club:8642"},
      {nullptr, "http://etc:1\nsecond line\n", "http://etc:1"},
      {nullptr, nullptr, "http://default:2"},
      {"", "http://etc:1", ""},       // an empty file switches it off
      {"  \r\n", "http://etc:1", ""}, // so does a blank one
      {nullptr, "", ""},
      {"  http://club:8642//  \r\n", nullptr, "http://club:8642"},
  };
  for (const Case &c : cases) {
    remove(user.c_str());
    remove(system_.c_str());
    if (c.user)
      write(user, c.user);
    if (c.system)
      write(system_, c.system);
    EXPECT_EQ(ReadScoreServerSetting(user, system_, "http://default:2/"), c.expected)
        << (c.user ? c.user : "(none)") << " | " << (c.system ? c.system : "(none)");
  }
  // A folder where the file should be counts as no file.
  write(system_, "http://etc:1");
  EXPECT_EQ(ReadScoreServerSetting(dir + "/folder", system_, ""), "http://etc:1");
  EXPECT_EQ(ReadScoreServerSetting(missing, missing, nullptr), "");
  system(("rm -rf '" + dir + "'").c_str());
}

// ---- parsing the top ten ---------------------------------------------------------

TEST(ExtractPlayers, FillsRecordsInOrderAndLeavesTheRestEmpty) {
  struct Case {
    std::string reply;
    std::vector<std::pair<std::string, int32_t>> rows;
  } cases[] = {
      {"Ann,9000,Bob,800", {{"Ann", 9000}, {"Bob", 800}}},
      {"Ann,9000,Bob", {{"Ann", 9000}, {"Bob", 0}}},
      {",,Ann,,,9000,,Bob,800,,", {{"Ann", 9000}, {"Bob", 800}}},
      {"", {}},
      {",,,", {}},
      {"a,99999999999,b,-2147483649,c,2147483647,d,-5,e,12abc,f,abc",
       {{"a", 0}, {"b", 0}, {"c", 2147483647}, {"d", -5}, {"e", 12}, {"f", 0}}},
  };
  for (Case &c : cases) {
    memset(OnlineScore, 'x', sizeof OnlineScore);
    std::vector<char> text(c.reply.begin(), c.reply.end());
    text.push_back('\0');
    extractPlayers(text.data());
    for (size_t i = 0; i < MAX_ONLINE_SCORES; i++) {
      std::string name = i < c.rows.size() ? c.rows[i].first : "";
      int32_t score = i < c.rows.size() ? c.rows[i].second : 0;
      EXPECT_EQ(OnlineScore[i].name, name) << c.reply << " row " << i;
      EXPECT_EQ(OnlineScore[i].score, score) << c.reply << " row " << i;
    }
  }
}

TEST(ExtractPlayers, TwelvePairsFillTenAndLongNamesAreCut) {
  std::string reply;
  for (int i = 0; i < 12; i++)
    reply += (i == 3 ? std::string(300, 'n') : "p" + std::to_string(i)) + "," + std::to_string(1000 - i) + ",";
  extractPlayers(&reply[0]);
  EXPECT_STREQ(OnlineScore[9].name, "p9");
  EXPECT_EQ(OnlineScore[9].score, 991);
  EXPECT_EQ(strlen(OnlineScore[3].name), 255u);
  EXPECT_EQ(OnlineScore[3].score, 997);
}

// ---- typing ----------------------------------------------------------------------

TEST_F(OnlineTest, TheFirstLetterReplacesYourName) {
  EXPECT_EQ(type('a'), 0);
  EXPECT_STREQ(ManagerName, "a");
  EXPECT_EQ(type('b'), 0);
  EXPECT_STREQ(ManagerName, "ab");
}

TEST_F(OnlineTest, ReturnAtOnceSubmitsYourNameUnchanged) {
  clock.onSleep = [](uint32_t) { KInput::injectKey(K_VK_RETURN, false); };
  KInput::injectKey(K_VK_RETURN, true);
  EXPECT_EQ(CheckInput(ManagerName, &font, 250, 24), 1);
  EXPECT_STREQ(ManagerName, "Your Name");
  EXPECT_EQ(bufferPosition, 0);
  EXPECT_FALSE(KInput::isPressed(K_VK_RETURN));
}

TEST_F(OnlineTest, TheTwentyFifthCharacterIsDroppedAndBackspaceRemovesTheLast) {
  for (int i = 0; i < 30; i++)
    type('a');
  EXPECT_EQ(strlen(ManagerName), 24u);
  type(8);
  EXPECT_EQ(strlen(ManagerName), 23u);
  EXPECT_EQ(bufferPosition, 23);
}

TEST_F(OnlineTest, TextWiderThanTheFormIsDropped) {
  for (int i = 0; i < 10; i++)
    type('W'); // 8 x 30 = 240 fits 250, a ninth would be 270
  EXPECT_STREQ(ManagerName, "WWWWWWWW");
  type('a'); // 250 is one pixel too wide too
  EXPECT_STREQ(ManagerName, "WWWWWWWW");
}

TEST_F(OnlineTest, BackspaceAtTheStartStaysAtTheStart) {
  type('a');
  type(8);
  type(8);
  EXPECT_EQ(bufferPosition, 0);
  EXPECT_STREQ(ManagerName, "");
}

TEST_F(OnlineTest, ControlCharactersAreNotTyped) {
  type('a');
  for (char c : {'\t', '\x1b', '\x7f', '\x01', '\n', '\x85'})
    type(c);
  EXPECT_STREQ(ManagerName, "a");
  type('\xE9'); // a Latin-1 letter is typed
  EXPECT_STREQ(ManagerName, "a\xE9");
}

// ---- the form and the view ---------------------------------------------------------

TEST_F(OnlineTest, TheCaretBlinksEverySecondAfterTheName) {
  IntroTimer = (int32_t)KMiscTools::getMilliseconds();
  CleanUp = 0;
  strcpy(ManagerName, "ab");
  DrawNameEntry();
  EXPECT_TRUE(pen->rects.empty());
  clock.advanceMs(1001);
  DrawNameEntry();
  ASSERT_EQ(pen->rects.size(), 1u);
  EXPECT_EQ(pen->rects[0], (std::array<float, 4>{320, 250, 330, 269}));
  clock.advanceMs(500);
  DrawNameEntry();
  EXPECT_EQ(pen->rects.size(), 2u);
  clock.advanceMs(501);
  DrawNameEntry();
  EXPECT_EQ(pen->rects.size(), 2u);
}

TEST_F(OnlineTest, ReturnInTheFormSubmitsAndClosesIt) {
  CannedHttpServer server(answering("yes"));
  use(server);
  Player[0].score = 777;
  ASSERT_EQ(offer(), ONLINE_DONE);
  clock.onSleep = [](uint32_t) { KInput::injectKey(K_VK_RETURN, false); };
  type('a');
  KInput::injectKey(K_VK_RETURN, true);
  DrawNameEntry();
  EXPECT_EQ(SubmitScore, 0);
  EXPECT_EQ(OnlineWait, ONLINE_WAIT_SUBMIT);
  WaitForOnlineRequests();
  EXPECT_EQ(OnlineWaitStep(), ONLINE_DONE);
  EXPECT_EQ(server.targets().back(), "/highscores/trivello/scoresubmit.php?name=a&score=777");
}

TEST_F(OnlineTest, TheTopTenViewDrawsTheTableFrameAndTenRows) {
  RecordingGraphic background;
  IMG[0].picture = &background;
  OnlineScore[0] = OnlineScore_t{"ab", 9000};
  DrawTopTen();
  IMG[0].picture = nullptr;
  ASSERT_EQ(background.blits.size(), 2u);
  EXPECT_EQ(background.blits[0], (std::array<float, 6>{0, 0, 800, 600, 0, 0}));
  EXPECT_EQ(background.blits[1], (std::array<float, 6>{0, 638, 274, 975, 255, 206}));
  EXPECT_GT(pen->glyphs, 0);
}

} // namespace
