// The online top ten: the requests the game sends (and does not send), the
// parsing of the top ten, typing a name, the name-entry form and the view.
#include "online.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "KInput.h"
#include "KText.h"
#include "globals.h"
#include "support/CannedHttpServer.h"
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
    {'a', 0, 0, 9, 15, 10, 16},  {'b', 10, 0, 19, 15, 10, 16}, {'x', 20, 0, 29, 15, 10, 16},
    {'W', 30, 0, 59, 15, 30, 16}, {' ', 60, 0, 69, 15, 10, 16}, {'Y', 70, 0, 79, 15, 10, 16},
    {'o', 80, 0, 89, 15, 10, 16}, {'u', 90, 0, 99, 15, 10, 16}, {'r', 100, 0, 109, 15, 10, 16},
    {'N', 110, 0, 119, 15, 10, 16}, {'m', 120, 0, 129, 15, 10, 16}, {'e', 130, 0, 139, 15, 10, 16},
    {0, 0, 0, 0, 0, 0, 0},
};

// Resets the globals the online code reads and points it at `server`.
class OnlineTest : public ::testing::Test {
protected:
  OnlineTest() {
    font.setKGraphic(pen);
    font.setFontTable(gFont);
    ktext_font = ktext_small = &font;
    GV.submitOnline = 1;
    Cur_Player = 0;
    Player[0] = Player_t{};
    memset(OnlineScore, 0, sizeof OnlineScore);
    strcpy(ManagerName, "Your Name");
    bufferPosition = 0;
    lastchar = 0;
    SubmitScore = 0;
  }
  ~OnlineTest() override {
    ktext_font = ktext_small = nullptr;
    setScoreServer("http://127.0.0.1:8642");
    KInput::clearInjectedInput();
  }
  // Types one character as the window's callback would deliver it.
  int type(char c) {
    lastchar = c;
    return CheckInput(ManagerName, &font, 250, 24);
  }

  RecordingGraphic *pen = new RecordingGraphic; // owned by font
  KText font;
};

// A server answering every request with the same body.
CannedHttpServer::Handler answering(const std::string &body) {
  return [body](const std::string &) { return CannedHttpServer::http(200, body); };
}

// ---- requests ------------------------------------------------------------------

TEST_F(OnlineTest, AScoreOf500IsNeverSentAnd501IsAsked) {
  CannedHttpServer server(answering("yes"));
  std::string base = server.baseUrl();
  setScoreServer(base.c_str());
  Player[0].score = 500;
  EXPECT_EQ(isOnlineScore(), 0);
  EXPECT_EQ(OfferOnlineScore(), 0);
  EXPECT_TRUE(server.targets().empty());
  Player[0].score = 501;
  EXPECT_EQ(OfferOnlineScore(), 1);
  EXPECT_EQ(SubmitScore, 1);
  EXPECT_STREQ(ManagerName, "Your Name");
  EXPECT_EQ(server.targets(), std::vector<std::string>{"/highscores/trivello/ishighscore.php?subscore=501"});
}

TEST_F(OnlineTest, TheOfferNeedsTheOptionOn) {
  CannedHttpServer server(answering("yes"));
  std::string base = server.baseUrl();
  setScoreServer(base.c_str());
  GV.submitOnline = 0;
  Player[0].score = 9000;
  EXPECT_EQ(OfferOnlineScore(), 0);
  EXPECT_EQ(SubmitScore, 0);
  submitOnlineScore();
  EXPECT_TRUE(server.targets().empty());
}

TEST_F(OnlineTest, QualifyReplyCountsAsYesOnlyWithLowerCaseYes) {
  struct Case {
    int status;
    const char *body;
    int expected;
  } cases[] = {{200, "yes", 1}, {200, "well... yes", 1}, {200, "YES", 0}, {200, "no", 0}, {404, "yes", 0}};
  Player[0].score = 1000;
  for (const Case &c : cases) {
    CannedHttpServer server([&](const std::string &) { return CannedHttpServer::http(c.status, c.body); });
    std::string base = server.baseUrl();
    setScoreServer(base.c_str());
    EXPECT_EQ(isOnlineScore(), c.expected) << c.status << " " << c.body;
  }
}

TEST_F(OnlineTest, TheNameIsPercentEncodedIntoTheSubmitQuery) {
  struct Case {
    const char *name, *query;
  } cases[] = {
      {"Your Name", "name=Your%20Name&score=1234"},
      {"a&score=99999999#", "name=a%26score%3D99999999%23&score=1234"},
      {"100%,x", "name=100%25%2Cx&score=1234"},
      {"\xE8t\xE9", "name=%E8t%E9&score=1234"},
      {"%s%n%d", "name=%25s%25n%25d&score=1234"},
  };
  Player[0].score = 1234;
  for (const Case &c : cases) {
    CannedHttpServer server(answering("ok"));
    std::string base = server.baseUrl();
    setScoreServer(base.c_str());
    strcpy(ManagerName, c.name);
    submitOnlineScore();
    EXPECT_EQ(server.targets(),
              std::vector<std::string>{std::string("/highscores/trivello/scoresubmit.php?") + c.query});
  }
}

TEST_F(OnlineTest, AUrlThatDoesNotFitItsBufferIsNotSent) {
  CannedHttpServer server(answering("ok"));
  // 24 accented letters encode to 72 bytes; the submit URL no longer fits 260.
  std::string longBase = server.baseUrl() + "/" + std::string(120, 'p');
  setScoreServer(longBase.c_str());
  memset(ManagerName, '\xE9', 24);
  ManagerName[24] = '\0';
  Player[0].score = 2147483647;
  submitOnlineScore();
  EXPECT_TRUE(server.targets().empty());
  // The same name with a short base fits and is sent whole.
  std::string base = server.baseUrl();
  setScoreServer(base.c_str());
  submitOnlineScore();
  ASSERT_EQ(server.targets().size(), 1u);
  EXPECT_NE(server.targets()[0].find("&score=2147483647"), std::string::npos);
}

TEST_F(OnlineTest, NoServerConfiguredMeansEveryRequestFails) {
  setScoreServer("");
  Player[0].score = 9000;
  EXPECT_EQ(isOnlineScore(), 0);
  EXPECT_EQ(GetHighScores(), 0);
  submitOnlineScore();
  setScoreServer(nullptr);
  EXPECT_EQ(GetHighScores(), 0);
}

TEST_F(OnlineTest, TopTenButtonWithTheServerUpAndDown) {
  {
    CannedHttpServer server(answering("Ann,9000,Bob,800"));
    std::string base = server.baseUrl();
    setScoreServer(base.c_str());
    EXPECT_EQ(GetHighScores(), 1);
    EXPECT_EQ(server.targets(), std::vector<std::string>{"/highscores/trivello/shown.php"});
  }
  EXPECT_STREQ(OnlineScore[0].name, "Ann");
  EXPECT_EQ(OnlineScore[1].score, 800);
  {
    CannedHttpServer server(answering(",")); // what an empty table sends
    std::string base = server.baseUrl();
    setScoreServer(base.c_str());
    EXPECT_EQ(GetHighScores(), 1);
    EXPECT_STREQ(OnlineScore[0].name, "");
    strcpy(OnlineScore[0].name, "Ann");
  }
  std::string down = "http://127.0.0.1:" + std::to_string(CannedHttpServer::refusedPort());
  setScoreServer(down.c_str());
  EXPECT_EQ(GetHighScores(), 0);
  EXPECT_STREQ(OnlineScore[0].name, "Ann"); // the last list stays
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
  testsupport::ManualClock clock;
  testsupport::ScopedClock scoped(&clock);
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
  testsupport::ManualClock clock;
  testsupport::ScopedClock scoped(&clock);
  IntroTimer = 0;
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
  CannedHttpServer server(answering("ok"));
  std::string base = server.baseUrl();
  setScoreServer(base.c_str());
  testsupport::ManualClock clock;
  testsupport::ScopedClock scoped(&clock);
  clock.onSleep = [](uint32_t) { KInput::injectKey(K_VK_RETURN, false); };
  SubmitScore = 1;
  Player[0].score = 777;
  type('a');
  KInput::injectKey(K_VK_RETURN, true);
  DrawNameEntry();
  EXPECT_EQ(SubmitScore, 0);
  EXPECT_EQ(server.targets(), std::vector<std::string>{"/highscores/trivello/scoresubmit.php?name=a&score=777"});
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
