// Whole games on virtual pads and buzzers: claiming pads on the skill screen,
// answers, the jolly, the panel and the level screen by pad, menus by D-pad,
// pads pulled out and plugged back in, and a buzzer set as four players.
#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <string>

#include "KWindow.h"
#include "globals.h"
#include "pads.h"
#include "play.h"
#include "screens.h"
#include "speech.h"
#include "support/GameFixture.h"
#include "support/PixelReader.h"
#include "support/VirtualPads.h"

using namespace testsupport;

namespace {

// Pads plugged in by the test, and the script's actions on them:
//   "plug P", "unplug P", "press P BUTTON" (down for a frame, then up for
//   one), "hold P BUTTON", "let P BUTTON" (BUTTON by SDL's names: a, b, x, y,
//   start, back, leftshoulder, dpup, dpdown, ...), "buzz H COLOUR" (handset H
//   of the buzzer set plugged in as pad 0), "pump N" (N times the window takes
//   its events, then a frame).
// Face buttons by answer box: box 1 is x (left), 2 y (top), 3 a (bottom),
// 4 b (right); buzzer colours by answer box: blue, orange, green, yellow.
class PadsTest : public GameFixture {
protected:
  std::string leds;
  std::vector<VirtualPad> pads;
  void SetUp() override {
    GameFixture::SetUp();
    leds = appDir + "/leds";
    KPad::setLedFolder(leds.c_str()); // never the machine's own lights
    openGameWindow();
    ASSERT_TRUE(PadsStart());
    loadQuestions(30, 0);
  }
  void TearDown() override {
    pads.clear();
    GameFixture::TearDown(); // stops the pads too
    KPad::setLedFolder(nullptr);
  }
  // Lets the window take every waiting event, then runs a frame.
  void pumpFrame() {
    SDL_PumpEvents();
    for (int i = 0; i < 500 && SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT); i++)
      gameWindow->processEvents();
    frame();
  }
  bool act(const std::vector<std::string> &w) override {
    // Pad buttons by SDL's names ("a", "dpdown", "leftshoulder", ...), buzzer colours by theirs.
    const std::vector<std::string> colours = {"red", "yellow", "green", "orange", "blue"}; // BUZZ_RED ...
    static const std::set<std::string> padActions = {"plug", "unplug", "press", "hold", "let", "buzz"};
    if (!w.empty() && w[0] == "pump") {
      for (int i = 0; i < (w.size() > 1 ? std::stoi(w[1]) : 1); i++)
        pumpFrame();
      return true;
    }
    if (w.size() < 2 || !padActions.count(w[0]))
      return GameFixture::act(w);
    VirtualPad &pad = pads.at(w[0] == "buzz" ? 0 : std::stoi(w[1]));
    int button = 0;
    if (w[0] == "buzz")
      button = BuzzerButton(std::stoi(w[1]), std::find(colours.begin(), colours.end(), w[2]) - colours.begin());
    else if (w.size() > 2)
      button = SDL_GameControllerGetButtonFromString(w[2].c_str());
    if (w[0] == "plug")
      EXPECT_TRUE(pad.plugIn());
    else if (w[0] == "unplug")
      pad.pullOut();
    else
      pad.setButton(button, w[0] != "let");
    if (w[0] == "press" || w[0] == "buzz") {
      pumpFrame();
      pad.setButton(button, false);
    }
    pumpFrame();
    return true;
  }
};

TEST_F(PadsTest, TwoPlayersClaimTheirPadsAndPlayAGameOnThem) {
  pads.push_back(VirtualPad::Gamepad());
  pads.push_back(VirtualPad::Gamepad());
  play({"plug 0", "plug 1",
        // Title and players screen on pad 0: the first press shows the
        // highlight, the D-pad moves it, A presses it.
        "press 0 dpdown => focus=1", "press 0 a => screen=2", "press 0 dpdown", "press 0 dpright => focus=2",
        "press 0 a => screen=4 players=2",
        // Player 1 claims pad 1 (the claiming press only claims) and chooses
        // with it (A shows the highlight on the first skill); pad 1 then does
        // nothing in player 2's turn, until player 2 claims pad 0.
        "press 1 x => pad0=1 player=0", "press 1 a", "press 1 dpdown", "press 1 dpdown",
        "press 1 a => skill0=2 player=1", "press 1 a => player=1 pad1=-1", "press 0 y => pad1=0",
        "press 0 a => screen=5 skill1=2",
        // The level screen goes on with Start, from the pad of the player whose turn it is.
        "press 0 start => screen=5", "press 1 start => screen=3", "frame => StartLevel=1"});
  // Back reads the question again (reading aloud is off: nothing else
  // speaks), and answers nothing.
  ASSERT_FALSE(SpeechBusy());
  play({"press 1 back => WellDone=0 Incorrect=0"});
  EXPECT_TRUE(SpeechBusy());
  StopSpeaking();
  play({"press 0 x => WellDone=0 Incorrect=0", // pad 0 does nothing in player 1's turn
        "press 1 x => WellDone=1 answers0=1", "wait 3000 => GetReady=1",
        "press 1 y => GetReady=1", // only A, Start or red go on from the panel
        "hold 1 a => GetReady=0",  // A held: it goes on, and answers nothing
        "pump 5", "let 1 a => StartLevel=1 WellDone=0 Incorrect=0", "press 1 leftshoulder => Jolly=1 shown=2"});
  // A box the jolly took cannot be answered; a wrong one still shown can.
  const std::string faces[5] = {"", "x", "y", "a", "b"};
  play({"press 1 " + faces[OkShow[1] == 0 ? 2 : 3] + " => WellDone=0 Incorrect=0",
        "press 1 " + faces[OkShow[1] ? 2 : (OkShow[2] ? 3 : 4)] + " => Incorrect=1 lives0=2",
        "wait 3000 => screen=5 player=1",
        // Player 2's turn on pad 0: level screen, panel, answer.
        "press 1 a => screen=5", "press 0 a => screen=3", "frame => GetReady=1", "press 0 start", "frame",
        "press 0 x => answers1=1 answers0=1"});
}

TEST_F(PadsTest, MenusByDPadWithTheMouseStillWorking) {
  pads.push_back(VirtualPad::Gamepad());
  int16_t music = GV.musicVolume;
  play({"plug 0",
        // Title: the highlight from New game down to Options, pressed with A.
        "press 0 dpdown => focus=1", "press 0 dpdown => focus=2", "press 0 dpdown => focus=3",
        "press 0 dpdown => focus=5", "press 0 dpdown => focus=5",
        "press 0 dpup => focus=3 button=3", // the highlighted button shows its look
        "press 0 a => screen=8",
        // Options: down to OK, which saves and returns; the window-mode box
        // and the volume bars on the way are left alone.
        "press 0 dpdown", "press 0 dpdown", "press 0 dpdown", "press 0 dpdown => focus=4", "press 0 a => screen=1",
        // The mouse moves: the highlight goes; a click still works.
        "move 300 300 => highlight=0", "click 393 235 => screen=2"});
  EXPECT_EQ(GV.windowed, 0);
  EXPECT_EQ(GV.musicVolume, music);
}

TEST_F(PadsTest, APadPulledOutLeavesItsPlayerOnTheMouseAndIsTheirsAgainWhenBack) {
  pads.push_back(VirtualPad::Gamepad());
  pads.push_back(VirtualPad::Gamepad());
  play({"plug 0", "plug 1",
        "click 393 235", // New game
        "click 513 242", // two players
        "press 0 a",     // player 1 claims pad 0
        "click 392 236", // and picks a skill by mouse
        "press 1 a",     // player 2 claims pad 1
        "click 392 236", "click 400 300", "frame => StartLevel=1", "unplug 0",
        "press 1 x => WellDone=0", // the other player's pad does not take over
        "box 1 => WellDone=1",     // the mouse answers for player 1
        "wait 3000 => GetReady=1", "plug 0 => pad0=0", "press 0 a => GetReady=0", "frame",
        "press 0 b => Incorrect=1 lives0=2"});
}

TEST_F(PadsTest, FourPlayersOnABuzzerSetFromTheTitleToTheResults) {
  // The receiver's lights, as the kernel shows them.
  const std::string set = leds + "/0003:054C:0002.0001::buzz";
  for (int h = 1; h <= 4; h++)
    ASSERT_EQ(system(("mkdir -p '" + set + std::to_string(h) + "'").c_str()), 0);
  auto lit = [&](int h) {
    std::ifstream in(set + std::to_string(h + 1) + "/brightness");
    std::string s;
    in >> s;
    return s == "1";
  };
  pads.push_back(VirtualPad::BuzzerSet());
  // Red shows the highlight, then presses it; yellow moves to the next button.
  play({"plug 0", "buzz 0 red", "buzz 0 red => screen=2", "buzz 0 red", "buzz 0 yellow", "buzz 0 yellow",
        "buzz 0 yellow => focus=4", "buzz 0 red => screen=4 players=4"});
  ASSERT_EQ(KPad::padCount(), 4);
  for (int h = 0; h < 4; h++) {
    std::string handset = std::to_string(h);
    play({"buzz " + handset + " blue => pad" + handset + "=" + handset}); // claims
    EXPECT_TRUE(lit(h));
    for (int i = 0; i < 2 && Cur_Player == h && CUR_SCR == SCREEN_SKILL; i++)
      play({"buzz " + handset + " red"});
  }
  ASSERT_EQ(CUR_SCR, SCREEN_LEVEL_START);
  // Each player answers wrong on their own handset until all are out; the
  // other handsets' presses never act, and only the turn's handset is lit.
  int turn = 0;
  for (; turn < 13 && CUR_SCR == SCREEN_LEVEL_START; turn++) {
    std::string mine = "buzz " + std::to_string(Cur_Player), other = "buzz " + std::to_string((Cur_Player + 1) % 4);
    for (int h = 0; h < 4; h++)
      EXPECT_EQ(lit(h), h == Cur_Player) << "turn " << turn << " handset " << h;
    play({other + " red => screen=5", mine + " red => screen=3", "frame"});
    if (GetReady == 1)
      play({mine + " red", "frame"});
    play({other + " blue => StartLevel=1 WellDone=0", mine + " yellow => Incorrect=1", "wait 3000"});
  }
  EXPECT_EQ(turn, 12) << "three lives each";
  ASSERT_EQ(CUR_SCR, SCREEN_TITLE);
  EXPECT_EQ(ShowScores, 1);
  for (int h = 0; h < 4; h++)
    EXPECT_FALSE(lit(h));
  play({"buzz 2 red => ShowScores=0"}); // any handset's red button closes the results
}

} // namespace
