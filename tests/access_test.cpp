// Playing help: questions read aloud, the relaxed answer clocks and their
// points, the marks that tell right from wrong without colour, and the
// settings file kept beside "prefs".
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "KMiscTools.h"
#include "KSound.h"
#include "KWindow.h"
#include "platform/KMixer.h"

#include "access.h"
#include "flow.h"
#include "globals.h"
#include "play.h"
#include "players.h"
#include "prefs.h"
#include "questionimport.h"
#include "questions.h"
#include "screens.h"
#include "speech.h"
#include "support/GameFixture.h"
#include "support/PixelReader.h"

using testsupport::GameFixture;
using testsupport::QuestionSpec;

namespace {

// ---- speech ---------------------------------------------------------------------

TEST(Speech, EveryLanguageSpeaksAndLongerTextGivesLongerSound) {
  struct Case {
    int language;
    const char *voice, *shortText, *longText;
  } cases[] = {
      {0, "en", "Which is the capital of France?",
       "Which is the capital of France? A: Paris. B: Rome. C: Madrid. D: Berlin."},
      {1, "it", "Qual \xE8 la capitale della Francia?",
       "Qual \xE8 la capitale della Francia? A: Parigi. B: Roma. C: Madrid. D: Berlino. Che citt\xE0!"},
      {2, "es",
       "\xBF"
       "Cu\xE1l es la capital de Espa\xF1"
       "a?",
       "\xBF"
       "Cu\xE1l es la capital de Espa\xF1"
       "a? A: Par\xEDs. B: Roma. C: Madrid. D: Berl\xEDn."},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.voice);
    EXPECT_STREQ(VoiceFor(c.language), c.voice);
    std::vector<int16_t> shortSound, longSound;
    int rate = 0;
    ASSERT_TRUE(SynthesizeSpeech(c.shortText, c.language, shortSound, rate));
    EXPECT_GT(rate, 0);
    ASSERT_TRUE(SynthesizeSpeech(c.longText, c.language, longSound, rate));
    // at least a second of speech, and clearly more for the longer text
    EXPECT_GT(shortSound.size(), (size_t)rate / 2);
    EXPECT_GT(longSound.size(), shortSound.size() * 3 / 2);
    int peak = 0;
    for (int16_t v : longSound)
      peak = std::max(peak, std::abs((int)v));
    EXPECT_GT(peak, 1000) << "the sound is not silence";
  }
}

TEST(Speech, Latin1BecomesUtf8AndResamplingKeepsTheSignal) {
  EXPECT_EQ(Latin1ToUtf8("citt\xE0 Espa\xF1"
                         "a"),
            "citt\xC3\xA0 Espa\xC3\xB1"
            "a");
  EXPECT_EQ(Latin1ToUtf8("plain"), "plain");
  struct Case {
    int from, to;
    size_t in, out;
  } cases[] = {{22050, 44100, 1000, 2000}, {22050, 48000, 2205, 4800}, {44100, 22050, 1000, 500}, {22050, 22050, 7, 7}};
  for (const Case &c : cases) {
    std::vector<int16_t> in(c.in, 1234);
    std::vector<int16_t> out = Resample(in, c.from, c.to);
    EXPECT_EQ(out.size(), c.out) << c.from << " to " << c.to;
    for (int16_t v : out)
      ASSERT_EQ(v, 1234) << "a steady signal stays steady";
  }
  // a ramp stays a ramp between its samples
  std::vector<int16_t> ramp = {0, 100, 200};
  std::vector<int16_t> up = Resample(ramp, 1, 2);
  ASSERT_EQ(up.size(), 6u);
  EXPECT_EQ(up[1], 50);
  EXPECT_EQ(up[3], 150);
}

// The reader plays through the engine's mixer at the effects volume and is
// busy exactly until its sound has been played.
TEST(Speech, ReadingPlaysThroughTheMixerAtTheEffectsVolume) {
  KMixer &mixer = KMixer::shared();
  ASSERT_TRUE(mixer.useMemoryOutput(44100));
  for (int effects : {100, 0}) {
    SCOPED_TRACE(effects);
    KSound::setGlobalVolumes(-1, effects);
    GV.language = 0;
    SpeakText("Hello there.");
    EXPECT_TRUE(SpeechBusy()) << "busy from the request on";
    // the worker synthesises beside this thread; wait for its result
    for (int i = 0; i < 2000 && SpeechBusy() && !SpeechPlaying(); i++) {
      SpeechFrame();
      if (!SpeechPlaying())
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_TRUE(SpeechPlaying());
    std::vector<int16_t> out(2 * 1024);
    long frames = 0, loud = 0;
    while (SpeechBusy() && frames < 44100 * 10) {
      SpeechFrame();
      mixer.render(out.data(), 1024);
      frames += 1024;
      for (int16_t v : out)
        if (std::abs((int)v) > 500)
          loud++;
    }
    EXPECT_FALSE(SpeechBusy()) << "the reading ends when its sound has played";
    EXPECT_GT(frames, 44100 / 2) << "about a second of speech";
    if (effects == 100)
      EXPECT_GT(loud, 1000);
    else
      EXPECT_EQ(loud, 0) << "effects volume 0 silences the reading";
  }
  ShutdownSpeech();
  KSound::setGlobalVolumes(-1, 100);
  mixer.closeOutput();
}

// ---- the answer clock ---------------------------------------------------------------

TEST(AnswerClock, PointsGoByTheShareOfTimeUsed) {
  struct Case {
    int mode;
    int32_t tenths;
    int16_t level;
    bool skill;
    int16_t points;
  } cases[] = {
      {CLOCK_STANDARD, 44, 0, false, 450}, {CLOCK_30, 88, 0, false, 450},  {CLOCK_60, 176, 0, false, 450},
      {CLOCK_STANDARD, 0, 0, false, 550},  {CLOCK_30, 29, 0, false, 550},  {CLOCK_60, 59, 0, false, 550},
      {CLOCK_STANDARD, 44, 2, true, 2700}, {CLOCK_30, 88, 2, true, 2700},  {CLOCK_60, 600, 0, false, 50},
      {CLOCK_30, 299, 0, false, 100},      {CLOCK_30, 9999, 0, false, 50}, {CLOCK_NONE, 0, 0, false, 300},
      {CLOCK_NONE, 30000, 0, false, 300},  {CLOCK_NONE, 5, 2, true, 1800}, {7, 44, 0, false, 450},
  };
  for (const Case &c : cases)
    EXPECT_EQ(PointsFor(StandardTenths(c.tenths, c.mode), c.level, c.skill), c.points)
        << ClockModeLabel(c.mode) << " after " << c.tenths << " tenths";
  // The standard clock's points are exactly the game's own, so the server's
  // score bound still holds.
  for (int16_t t = 0; t <= 150; t++)
    ASSERT_EQ(StandardTenths(t, CLOCK_STANDARD), t);
}

TEST(AnswerClock, LimitsLabelsAndTheOnlineTopTen) {
  struct Case {
    int mode;
    uint32_t ms;
    const char *label;
    bool standard;
  } cases[] = {{CLOCK_STANDARD, 15000, "15 s", true},
               {CLOCK_30, 30000, "30 s", false},
               {CLOCK_60, 60000, "60 s", false},
               {CLOCK_NONE, 0, "no limit", false},
               {-1, 15000, "15 s", true}};
  for (const Case &c : cases) {
    AO.clockMode = c.mode;
    EXPECT_EQ(ClockLimitMs(c.mode), c.ms);
    EXPECT_STREQ(ClockModeLabel(), c.label);
    EXPECT_EQ(ClockIsStandard(), c.standard) << c.label;
  }
  AO = AccessOptions();
}

// ---- the settings file ----------------------------------------------------------------

TEST(AccessFile, DecodingKeepsOnlyValidSettings) {
  struct Case {
    const char *text;
    int32_t readAloud, clockMode;
  } cases[] = {
      {"read_aloud=1\nclock=2\n", 1, 2},
      {"clock=3\r\nread_aloud=1\r\n", 1, 3},
      {"", 0, 1},                        // nothing: both as they were
      {"read_aloud=2\nclock=4\n", 0, 1}, // out of range
      {"read_aloud=yes\nclock=-1\n", 0, 1},
      {"clock=2\nclock=3\n", 0, 3}, // the last line wins
      {"clock 2\n=\nfoo=1\nclock=99999999999\n", 0, 1},
      {"read_aloud=1", 1, 1}, // no final newline
  };
  for (const Case &c : cases) {
    AccessOptions o;
    o.clockMode = CLOCK_30;
    DecodeAccess(c.text, o);
    EXPECT_EQ(o.readAloud, c.readAloud) << c.text;
    EXPECT_EQ(o.clockMode, c.clockMode) << c.text;
  }
}

TEST(AccessFile, WrittenAtomicallyBesidePrefsAndReadBack) {
  char folder[] = "/tmp/trivello-access-XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  std::string dir = folder, prefs = dir + "/prefs", access = dir + "/access";
  // a prefs record with every reserved byte set: the other file must not touch it
  std::string record(80, '\0');
  for (int i = 0; i < 80; i++)
    record[i] = (char)(0xA0 + i % 7);
  std::ofstream(prefs, std::ios::binary) << record;

  for (int mode = 0; mode < CLOCK_MODES; mode++) {
    for (int read : {0, 1}) {
      AO.readAloud = read;
      AO.clockMode = mode;
      ASSERT_TRUE(WriteAccess(access.c_str()));
      AO = AccessOptions();
      ASSERT_TRUE(ReadAccess(access.c_str()));
      EXPECT_EQ(AO.readAloud, read);
      EXPECT_EQ(AO.clockMode, mode);
    }
  }
  std::stringstream held;
  held << std::ifstream(prefs, std::ios::binary).rdbuf();
  EXPECT_EQ(held.str(), record) << "the 80-byte prefs record stays exactly as it was";
  // no temporary file left behind
  int files = 0;
  for (const char *name : {"prefs", "access"})
    files += access.empty() ? 0 : (std::ifstream(dir + "/" + name).good() ? 1 : 0);
  EXPECT_EQ(files, 2);
  EXPECT_EQ(system(("test $(ls -A '" + dir + "' | wc -l) -eq 2").c_str()), 0);

  // a folder that cannot be written: false, and the settings held stay
  AO.clockMode = CLOCK_60;
  EXPECT_FALSE(WriteAccess((dir + "/missing/access").c_str()));
  EXPECT_FALSE(ReadAccess((dir + "/missing/access").c_str()));
  EXPECT_EQ(AO.clockMode, CLOCK_60);
  system(("rm -rf '" + dir + "'").c_str());
  AO = AccessOptions();
}

// ---- the game screen ------------------------------------------------------------------

bool g_reading = false;
bool ReadingProbe() { return g_reading; }

class AccessGameTest : public GameFixture {
protected:
  void SetUp() override {
    GameFixture::SetUp();
    srand(1);
    g_reading = false;
  }
  void loadQuestions() {
    std::vector<QuestionSpec> qs;
    const char *levels[3] = {"E-Lett", "M-Sci", "H-Geo"};
    for (int l = 0; l < 3; l++)
      for (int i = 0; i < 20; i++) {
        QuestionSpec q;
        q.id = levels[l];
        q.text = "Question " + std::to_string(l * 20 + i);
        for (int k = 0; k < 4; k++)
          q.answers[k] = "Answer " + std::to_string(k + 1);
        q.solution = 1;
        qs.push_back(q);
      }
    writeResource("data/eng.ini", testsupport::QuestionFile(qs, {}));
    ReadQuestions();
  }
  // A one-player game on the game screen with its first question due.
  void startOnePlayer() {
    openGameWindow();
    loadQuestions();
    StartNewGame(1);
    Player[0].skill = CATEGORY_HISTORY;
    GoToScreen(SCREEN_GAME);
    moveTo(5, 5);
  }
};

TEST_F(AccessGameTest, TheClockStartsWhenTheReadingEnds) {
  AO.readAloud = 1;
  SetSpeechBusyProbe(ReadingProbe);
  startOnePlayer();
  g_reading = true;
  frame(); // the question is drawn and read
  ASSERT_EQ(StartLevel, 1);
  EXPECT_TRUE(ClockHeldForReading());
  clock.advanceMs(40000);
  frame();
  EXPECT_EQ(OutofTime, 0) << "no time-out while the question is read";
  EXPECT_EQ(Time, 0);

  g_reading = false; // the reading has ended
  frame();
  EXPECT_FALSE(ClockHeldForReading());
  clock.advanceMs(14900); // each frame's pacing adds a few ms more
  frame();
  EXPECT_EQ(OutofTime, 0);
  EXPECT_GE(Time, 149);

  // R reads again, but only the first reading holds the clock
  g_reading = true;
  tapKey(K_VK_R);
  clock.advanceMs(100);
  frame();
  EXPECT_EQ(OutofTime, 1) << "the standard clock ran out 15 s after the reading";
}

TEST_F(AccessGameTest, ReadingOffNeverHoldsTheClock) {
  SetSpeechBusyProbe(ReadingProbe);
  g_reading = true; // something else is being read
  startOnePlayer();
  frame();
  EXPECT_FALSE(ClockHeldForReading());
  clock.advanceMs(15000);
  frame();
  EXPECT_EQ(OutofTime, 1);
}

TEST_F(AccessGameTest, EachClockTimesOutAtItsLimitAndScoresByShare) {
  struct Case {
    int mode;
    uint32_t limitMs; // 0: never
    uint32_t answerMs;
    int16_t points;
  } cases[] = {{CLOCK_STANDARD, 15000, 4400, 450},
               {CLOCK_30, 30000, 8800, 450},
               {CLOCK_60, 60000, 17600, 450},
               {CLOCK_NONE, 0, 500000, 300}};
  for (const Case &c : cases) {
    SCOPED_TRACE(ClockModeLabel(c.mode));
    AO.clockMode = c.mode;
    if (!gameWindow)
      startOnePlayer();
    // a time-out exactly at the limit, never before
    Player[0].lives = 3;
    WellDone = Incorrect = OutofTime = GetReady = 0;
    StartLevel = 0;
    frame();
    ASSERT_EQ(StartLevel, 1);
    uint32_t wait = c.limitMs ? c.limitMs : 3600000;
    clock.advanceMs(wait - 30); // each frame's pacing adds a few ms more
    frame();
    EXPECT_EQ(OutofTime, 0);
    clock.advanceMs(40);
    frame();
    EXPECT_EQ(OutofTime, c.limitMs ? 1 : 0);

    // a right answer after the same share of the time earns the same points
    WellDone = Incorrect = OutofTime = GetReady = 0;
    StartLevel = 0;
    frame();
    clock.advanceMs(c.answerMs);
    frame();
    AnswerCorrect(1);
    EXPECT_EQ(Points, c.points);
  }
}

TEST_F(AccessGameTest, AnswerStripsCarryATickAndACross) {
  startOnePlayer();
  frame();
  gameWindow->setWorldView(0, 0, 0, 1.0f, true);
  // Box corners of the four answer strips; each mark's 23 x 23 box sits 9
  // pixels in from the box's corner.
  const int box[5][2] = {{0, 0}, {63, 461}, {483, 461}, {63, 533}, {483, 533}};
  auto markAt = [&](int b) { return std::make_pair(box[b][0] + 9, box[b][1] + 9); };
  const testsupport::Rgba white = {255, 255, 255, 255};
  struct Case {
    int32_t well, wrong;
    int16_t clicked;
    int32_t showCorrect;
    int tickBox, crossBox; // 0: none
  } cases[] = {
      {1, 0, 1, 0, 1, 0}, // right: a tick on the clicked box
      {0, 1, 3, 0, 0, 3}, // wrong: a cross on it, no tick anywhere
      {0, 1, 4, 1, 1, 4}, // wrong with the right answer shown: tick and cross
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << "clicked " << c.clicked);
    WellDone = c.well;
    Incorrect = c.wrong;
    OutofTime = GetReady = 0;
    Clicked = c.clicked;
    GV.showCorrect = c.showCorrect;
    IntroTimer = (int32_t)KMiscTools::getMilliseconds();
    DrawGameScreen();
    testsupport::PixelReader px(800, 600);
    px.capture();
    for (int b = 1; b <= 4; b++) {
      auto [x, y] = markAt(b);
      // the tick's short stroke starts at the left middle, the cross's
      // strokes at the top corners: only one of the two shapes covers each
      bool tickVertex = px.countNear(x + 1, y + 12, x + 4, y + 15, white, 40) > 0;
      bool crossCentre = px.countNear(x + 3, y + 3, x + 6, y + 6, white, 40) > 0;
      bool anyWhite = px.countNear(x, y, x + 23, y + 23, white, 40) > 20;
      EXPECT_EQ(tickVertex && !crossCentre, b == c.tickBox) << "tick on box " << b;
      EXPECT_EQ(crossCentre && !tickVertex, b == c.crossBox) << "cross on box " << b;
      EXPECT_EQ(anyWhite, b == c.tickBox || b == c.crossBox) << "a mark on box " << b;
    }
    std::string words = ResultWords();
    EXPECT_EQ(words, c.well ? "RIGHT ANSWER" : "WRONG ANSWER");
  }
}

TEST_F(AccessGameTest, TheLastSecondsAreMarkedByAShapeAsWellAsRed) {
  startOnePlayer();
  frame();
  struct Case {
    int mode;
    uint32_t usedMs;
    bool hurry;
  } cases[] = {{CLOCK_STANDARD, 5000, false}, {CLOCK_STANDARD, 12000, true}, {CLOCK_30, 15000, false},
               {CLOCK_30, 22000, true},       {CLOCK_60, 44000, true},       {CLOCK_NONE, 300000, false}};
  const testsupport::Rgba sign = {255, 217, 25, 255}; // the warning triangle's yellow
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << ClockModeLabel(c.mode) << " after " << c.usedMs << " ms");
    AO.clockMode = c.mode;
    WellDone = Incorrect = OutofTime = GetReady = 0;
    StartLevel = 1;
    uint32_t now = KMiscTools::getMilliseconds();
    IntroTimer = (int32_t)(now - c.usedMs);
    gameWindow->setWorldView(0, 0, 0, 1.0f, true);
    DrawGameScreen();
    testsupport::PixelReader px(800, 600);
    px.capture();
    EXPECT_EQ(px.countNear(51, 167, 72, 187, sign, 40) > 30, c.hurry) << "the warning sign";
    // the stripes: rows of the red bar darker than the rows between them
    if (c.hurry) {
      int top = 149 + StandardTenths(Time, c.mode);
      testsupport::Rgba stripe = px.at(60, top + 12), between = px.at(60, top + 15);
      EXPECT_LT(stripe.r + stripe.g + stripe.b + 60, between.r + between.g + between.b);
    }
  }
}

TEST_F(AccessGameTest, SpokenTextsSayTheQuestionAnswersAndOutcome) {
  startOnePlayer();
  frame();
  std::string q = QuestionSpeech();
  EXPECT_NE(q.find("Question "), std::string::npos);
  for (const char *part : {"A: Answer 1.", "B: Answer 2.", "C: Answer 3.", "D: Answer 4."})
    EXPECT_NE(q.find(part), std::string::npos) << part;
  OkShow[1] = OkShow[2] = 0; // after the jolly only what is shown is read
  q = QuestionSpeech();
  EXPECT_EQ(q.find("B:"), std::string::npos);
  EXPECT_NE(q.find("D: Answer 4."), std::string::npos);

  GV.showCorrect = 1;
  AnswerWrong(2);
  EXPECT_EQ(ResultSpeech(), "WRONG ANSWER. The right answer is: Answer 1.");
  GV.language = 1;
  EXPECT_EQ(LevelStartSpeech(), "Livello facile. Clicca il mouse per iniziare.");
}

} // namespace
