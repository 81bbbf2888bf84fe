// Playing help: questions read aloud, the clock that waits for the reading,
// the relaxed answer clocks and their points, and the settings file kept
// beside "prefs".
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
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
#include "globals.h"
#include "play.h"
#include "questionimport.h"
#include "screens.h"
#include "speech.h"
#include "support/GameFixture.h"
#include "support/PixelReader.h"

using namespace testsupport;

namespace {

// ---- speech ---------------------------------------------------------------------

TEST(Speech, EveryLanguageSpeaksAndLongerTextGivesLongerSound) {
  struct Case {
    int language;
    const char *voice, *text; // Latin-1, as the question files hold it
  } cases[] = {
      {0, "en", "Which is the capital of France?"},
      {1, "it", "Qual \xE8 la capitale della Francia? Che citt\xE0!"},
      {2, "es",
       "\xBF"
       "Cu\xE1l es la capital de Espa\xF1"
       "a? Par\xEDs."},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.voice);
    EXPECT_STREQ(VoiceFor(c.language), c.voice);
    std::vector<int16_t> shortSound, longSound;
    int rate = 0;
    ASSERT_TRUE(SynthesizeSpeech(c.text, c.language, shortSound, rate));
    ASSERT_TRUE(SynthesizeSpeech(std::string(c.text) + " " + c.text + " " + c.text, c.language, longSound, rate));
    // at least half a second of speech, and clearly more for the longer text
    EXPECT_GT(shortSound.size(), (size_t)rate / 2);
    EXPECT_GT(longSound.size(), shortSound.size() * 3 / 2);
    int peak = 0;
    for (int16_t v : longSound)
      peak = std::max(peak, std::abs((int)v));
    EXPECT_GT(peak, 1000) << "the sound is not silence";
  }
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
    for (; SpeechBusy() && frames < 44100 * 10; frames += 1024) {
      SpeechFrame();
      mixer.render(out.data(), 1024);
      for (int16_t v : out)
        loud += std::abs((int)v) > 500;
    }
    EXPECT_FALSE(SpeechBusy()) << "the reading ends when its sound has played";
    EXPECT_GT(frames, 44100 / 2) << "about a second of speech";
    EXPECT_EQ(loud > 1000, effects > 0) << "effects volume 0 silences the reading";
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
  } cases[] = {
      {CLOCK_STANDARD, 15000, "15 s", true}, {CLOCK_30, 30000, "30 s", false}, {CLOCK_60, 60000, "60 s", false},
      {CLOCK_NONE, 0, "no limit", false},    {-1, 15000, "15 s", true},
  };
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
      {"read_aloud=1", 1, 1} // no final newline
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
  for (int mode = 0; mode < CLOCK_MODES * 2; mode++) {
    AO.readAloud = mode % 2;
    AO.clockMode = mode / 2;
    ASSERT_TRUE(WriteAccess(access.c_str()));
    AO = AccessOptions();
    ASSERT_TRUE(ReadAccess(access.c_str()));
    EXPECT_EQ(AO.readAloud, mode % 2);
    EXPECT_EQ(AO.clockMode, mode / 2);
  }
  std::stringstream held;
  held << std::ifstream(prefs, std::ios::binary).rdbuf();
  EXPECT_EQ(held.str(), record) << "the 80-byte prefs record stays exactly as it was";
  EXPECT_EQ(system(("test $(ls -A '" + dir + "' | wc -l) -eq 2").c_str()), 0) << "no temporary file left behind";
  // a folder that cannot be written: false, and the settings held stay
  EXPECT_FALSE(WriteAccess((dir + "/missing/access").c_str()));
  EXPECT_FALSE(ReadAccess((dir + "/missing/access").c_str()));
  EXPECT_EQ(AO.clockMode, CLOCK_NONE);
  system(("rm -rf '" + dir + "'").c_str());
  AO = AccessOptions();
}

// ---- the game screen ------------------------------------------------------------------

bool g_reading = false;
bool ReadingProbe() { return g_reading; }

class AccessGameTest : public GameFixture {
protected:
  // A one-player game on the game screen with its first question due
  // (never in the player's skill category).
  void startOnePlayer() {
    openGameWindow();
    loadQuestions(20, 0, 1, {"Lett", "Sci", "Geo"});
    playOnGameScreen();
    Player[0].skill = CATEGORY_HISTORY;
    moveTo(5, 5);
  }
  void newQuestion() {
    WellDone = Incorrect = OutofTime = GetReady = StartLevel = 0;
    frame();
    ASSERT_EQ(StartLevel, 1);
  }
};

// With reading aloud on, the clock starts when the first reading ends (R
// reads again without holding it); with it off, nothing being read holds it.
TEST_F(AccessGameTest, TheClockStartsWhenTheReadingEnds) {
  SetSpeechBusyProbe(ReadingProbe);
  startOnePlayer();
  g_reading = true;
  newQuestion(); // reading aloud off
  EXPECT_FALSE(ClockHeldForReading());
  play({"wait 15000 => OutofTime=1"});
  AO.readAloud = 1;
  newQuestion(); // the question is drawn and read
  EXPECT_TRUE(ClockHeldForReading());
  play({"wait 40000 => OutofTime=0 Time=0"});
  g_reading = false; // the reading has ended
  frame();
  EXPECT_FALSE(ClockHeldForReading());
  play({"wait 14900 => OutofTime=0"}); // each frame's pacing adds a few ms more
  EXPECT_GE(Time, 149);
  g_reading = true;
  play({"key R", "wait 100 => OutofTime=1"}); // 15 s after the reading
}

// Each clock times out exactly at its limit, never before, and a right
// answer after the same share of the time earns the same points.
TEST_F(AccessGameTest, EachClockTimesOutAtItsLimitAndScoresByShare) {
  struct Case {
    int mode;
    int limitMs; // 0: never
    int answerMs, points;
  } cases[] = {
      {CLOCK_STANDARD, 15000, 4400, 450},
      {CLOCK_30, 30000, 8800, 450},
      {CLOCK_60, 60000, 17600, 450},
      {CLOCK_NONE, 0, 500000, 300},
  };
  startOnePlayer();
  for (const Case &c : cases) {
    SCOPED_TRACE(ClockModeLabel(c.mode));
    AO.clockMode = c.mode;
    Player[0].lives = 3;
    newQuestion();
    // each frame's pacing adds a few ms more
    play({"wait " + std::to_string((c.limitMs ? c.limitMs : 3600000) - 30) + " => OutofTime=0",
          "wait 40 => OutofTime=" + std::to_string(c.limitMs ? 1 : 0)});
    newQuestion();
    play({"wait " + std::to_string(c.answerMs)});
    AnswerCorrect(1);
    EXPECT_EQ(Points, c.points);
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
