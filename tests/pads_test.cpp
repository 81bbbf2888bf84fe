// Whole games on virtual pads and buzzers: claiming pads on the skill screen,
// answers, the jolly, the panel and the level screen by pad, menus by D-pad,
// pads pulled out and plugged back in, a buzzer set as four
// players, and the pad's names drawn on the answer boxes.
#include <gtest/gtest.h>

#include <SDL.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "KWindow.h"
#include "entry.h"
#include "globals.h"
#include "pads.h"
#include "play.h"
#include "questions.h"
#include "screens.h"
#include "speech.h"
#include "support/GameFixture.h"
#include "support/PixelReader.h"
#include "support/VirtualPads.h"

using testsupport::BuzzerButton;
using testsupport::GameFixture;
using testsupport::QuestionSpec;
using testsupport::VirtualPad;
using namespace testsupport;

namespace {

const int A = SDL_CONTROLLER_BUTTON_A, B = SDL_CONTROLLER_BUTTON_B, X = SDL_CONTROLLER_BUTTON_X,
          Y = SDL_CONTROLLER_BUTTON_Y;
const int UP = SDL_CONTROLLER_BUTTON_DPAD_UP, DOWN = SDL_CONTROLLER_BUTTON_DPAD_DOWN,
          RIGHT = SDL_CONTROLLER_BUTTON_DPAD_RIGHT;
const int START = SDL_CONTROLLER_BUTTON_START, SHOULDER = SDL_CONTROLLER_BUTTON_LEFTSHOULDER,
          BACK = SDL_CONTROLLER_BUTTON_BACK;
// The face button of each answer box 1..4: left, top, bottom, right.
const int kFaceOfBox[5] = {0, X, Y, A, B};
// The buzzer colour of each answer box 1..4: blue, orange, green, yellow.
const int kColourOfBox[5] = {0, BUZZ_BLUE, BUZZ_ORANGE, BUZZ_GREEN, BUZZ_YELLOW};

class PadsTest : public GameFixture {
protected:
  std::string leds;
  void SetUp() override {
    GameFixture::SetUp();
    srand(1);
    leds = appDir + "/leds";
    KPad::setLedFolder(leds.c_str()); // never the machine's own lights
  }
  void TearDown() override {
    GameFixture::TearDown(); // stops the pads too
    KPad::setLedFolder(nullptr);
  }
  void start() {
    openGameWindow();
    ASSERT_TRUE(PadsStart());
    std::vector<QuestionSpec> qs;
    const char *levels[3] = {"E-St", "M-St", "H-St"};
    for (int l = 0; l < 3; l++)
      for (int i = 0; i < 30; i++)
        qs.push_back({levels[l], "Question", {"One", "Two", "Three", "Four"}, 1});
    writeResource("data/eng.ini", QuestionFile(qs, {}));
    ReadQuestions();
  }
  // Lets the window take every waiting event, then runs a frame.
  void pumpFrame() {
    SDL_PumpEvents();
    for (int i = 0; i < 500 && SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT); i++)
      gameWindow->processEvents();
    frame();
  }
  void press(VirtualPad &pad, int button) {
    pad.setButton(button, true);
    pumpFrame();
    pad.setButton(button, false);
    pumpFrame();
  }
  void plug(VirtualPad &pad) {
    ASSERT_TRUE(pad.plugIn());
    pumpFrame();
  }
  void unplug(VirtualPad &pad) {
    pad.pullOut();
    pumpFrame();
  }
  // The result runs out; the turn ends.
  void endResult() {
    clock.advanceMs(kResultTimeMs);
    frame();
  }
};

TEST_F(PadsTest, TwoPlayersClaimTheirPadsAndPlayAGameOnThem) {
  start();
  VirtualPad one = VirtualPad::Gamepad(), two = VirtualPad::Gamepad();
  plug(one);
  plug(two);
  ASSERT_EQ(KPad::padCount(), 2);

  // Title and players screen on the first pad: the first press shows the
  // highlight, the D-pad moves it, A presses it.
  press(one, DOWN);
  EXPECT_EQ(PadFocus, 1);
  press(one, A);
  ASSERT_EQ(CUR_SCR, SCREEN_PLAYERS);
  press(one, DOWN);
  press(one, RIGHT);
  EXPECT_EQ(PadFocus, 2);
  press(one, A);
  ASSERT_EQ(CUR_SCR, SCREEN_SKILL);
  EXPECT_EQ(Max_Players, 2);

  // Player 1 claims pad two, player 2 pad one; a claimed pad does nothing
  // in the other player's turn.
  press(two, X);
  EXPECT_EQ(PadOfPlayer[0], 1);
  EXPECT_EQ(Cur_Player, 0) << "the claiming press only claims";
  press(two, A); // shows the highlight on the first skill
  press(two, DOWN);
  press(two, DOWN);
  press(two, A);
  EXPECT_EQ(Player[0].skill, 2);
  ASSERT_EQ(Cur_Player, 1);
  press(two, A);
  EXPECT_EQ(Cur_Player, 1) << "player 1's pad cannot choose for player 2";
  EXPECT_EQ(PadOfPlayer[1], -1);
  press(one, Y);
  EXPECT_EQ(PadOfPlayer[1], 0);
  press(one, A);
  EXPECT_EQ(Player[1].skill, 2);
  ASSERT_EQ(CUR_SCR, SCREEN_LEVEL_START);

  // The level screen goes on with Start, from the pad of the player whose turn it is.
  press(one, START);
  EXPECT_EQ(CUR_SCR, SCREEN_LEVEL_START);
  press(two, START);
  ASSERT_EQ(CUR_SCR, SCREEN_GAME);
  frame();
  ASSERT_EQ(StartLevel, 1);

  // Back reads the question again (reading aloud is off: nothing else
  // speaks), and answers nothing.
  ASSERT_FALSE(SpeechBusy());
  press(two, BACK);
  EXPECT_TRUE(SpeechBusy());
  StopSpeaking();
  EXPECT_EQ(WellDone + Incorrect, 0);

  // Player 1 answers on pad two; pad one's presses do nothing meanwhile.
  press(one, kFaceOfBox[1]);
  EXPECT_EQ(WellDone, 0);
  press(two, kFaceOfBox[1]);
  EXPECT_EQ(WellDone, 1);
  EXPECT_EQ(Player[0].answers, 1);
  endResult();
  ASSERT_EQ(GetReady, 1);
  press(two, kFaceOfBox[2]);
  EXPECT_EQ(GetReady, 1) << "only A, Start or red go on from the panel";

  // A held on the panel: it goes on, and the held button answers nothing.
  two.setButton(A, true);
  pumpFrame();
  EXPECT_EQ(GetReady, 0);
  for (int i = 0; i < 5; i++)
    pumpFrame();
  two.setButton(A, false);
  pumpFrame();
  EXPECT_EQ(StartLevel, 1);
  EXPECT_EQ(WellDone + Incorrect, 0) << "each press acts once";

  // The jolly on a shoulder button, then a wrong answer on a box still shown.
  press(two, SHOULDER);
  EXPECT_EQ(Jolly, 1);
  EXPECT_EQ(OkShow[0] + OkShow[1] + OkShow[2] + OkShow[3], 2);
  int wrong = OkShow[1] ? 2 : OkShow[2] ? 3 : 4;
  int removed = OkShow[1] == 0 ? 2 : 3;
  press(two, kFaceOfBox[removed]);
  EXPECT_EQ(Incorrect + WellDone, 0) << "a box the jolly took cannot be answered";
  press(two, kFaceOfBox[wrong]);
  EXPECT_EQ(Incorrect, 1);
  EXPECT_EQ(Player[0].lives, 2);
  endResult();
  ASSERT_EQ(CUR_SCR, SCREEN_LEVEL_START);
  ASSERT_EQ(Cur_Player, 1);

  // Player 2's turn on pad one: level screen, panel, answer.
  press(two, A);
  EXPECT_EQ(CUR_SCR, SCREEN_LEVEL_START);
  press(one, A);
  ASSERT_EQ(CUR_SCR, SCREEN_GAME);
  frame();
  ASSERT_EQ(GetReady, 1);
  press(one, START);
  frame();
  press(one, kFaceOfBox[1]);
  EXPECT_EQ(WellDone, 1);
  EXPECT_EQ(Player[1].answers, 1);
  EXPECT_EQ(Player[0].answers, 1);
}

TEST_F(PadsTest, MenusByDPadWithTheMouseStillWorking) {
  start();
  VirtualPad pad = VirtualPad::Gamepad();
  plug(pad);
  // Title: highlight from New game down to Options, pressed with A.
  const struct {
    int button;
    int16_t focus;
  } moves[] = {{DOWN, 1}, {DOWN, 2}, {DOWN, 3}, {DOWN, 5}, {DOWN, 5}, {UP, 3}};
  for (const auto &m : moves) {
    press(pad, m.button);
    EXPECT_EQ(PadFocus, m.focus) << m.button;
  }
  EXPECT_EQ(CUR_BUT, 3) << "the highlighted button shows its look";
  press(pad, A);
  ASSERT_EQ(CUR_SCR, SCREEN_OPTIONS);

  // Options: down to OK, which saves and returns; the window-mode box on
  // the way is left alone.
  for (int i = 0; i < 4; i++)
    press(pad, DOWN);
  EXPECT_EQ(PadFocus, 4);
  EXPECT_EQ(GV.windowed, 0);
  int16_t music = GV.musicVolume;
  press(pad, A);
  EXPECT_EQ(CUR_SCR, SCREEN_TITLE);
  EXPECT_EQ(GV.musicVolume, music) << "pressing OK by pad passes over no volume bar";

  // The mouse moves: the highlight goes; a click still works.
  moveTo(300, 300);
  frame();
  EXPECT_EQ(PadHighlight, 0);
  clickAt(393, 235);
  EXPECT_EQ(CUR_SCR, SCREEN_PLAYERS);
}

TEST_F(PadsTest, APadPulledOutLeavesItsPlayerOnTheMouseAndIsTheirsAgainWhenBack) {
  start();
  VirtualPad mine = VirtualPad::Gamepad(), theirs = VirtualPad::Gamepad();
  plug(mine);
  plug(theirs);
  clickAt(393, 235); // New game
  clickAt(513, 242); // two players
  press(mine, A);    // player 1 claims
  clickAt(392, 236); // and picks a skill by mouse
  press(theirs, A);  // player 2 claims
  clickAt(392, 236);
  ASSERT_EQ(CUR_SCR, SCREEN_LEVEL_START);
  clickAt(400, 300);
  frame();
  ASSERT_EQ(StartLevel, 1);

  unplug(mine);
  EXPECT_EQ(PadOfTurn(), -1) << "the other player's pad does not take over";
  press(theirs, kFaceOfBox[1]);
  EXPECT_EQ(WellDone, 0);
  clickAt(183, 480); // the mouse answers for player 1
  EXPECT_EQ(WellDone, 1);
  endResult();
  ASSERT_EQ(GetReady, 1);

  plug(mine);
  EXPECT_EQ(PadOfTurn(), PadOfPlayer[0]);
  EXPECT_EQ(PadOfPlayer[0], 0);
  press(mine, A);
  EXPECT_EQ(GetReady, 0);
  frame();
  press(mine, kFaceOfBox[4]);
  EXPECT_EQ(Incorrect, 1);
  EXPECT_EQ(Player[0].lives, 2);
}

TEST_F(PadsTest, FourPlayersOnABuzzerSetFromTheTitleToTheResults) {
  // The receiver's lights, as the kernel shows them.
  const std::string set = "0003:054C:0002.0001::buzz";
  for (int h = 1; h <= 4; h++) {
    ASSERT_EQ(system(("mkdir -p '" + leds + "/" + set + std::to_string(h) + "'").c_str()), 0);
  }
  auto lit = [&](int h) {
    std::ifstream in(leds + "/" + set + std::to_string(h + 1) + "/brightness");
    std::string s;
    in >> s;
    return s == "1";
  };
  start();
  VirtualPad buzzers = VirtualPad::BuzzerSet();
  plug(buzzers);
  ASSERT_EQ(KPad::padCount(), 4);
  auto buzz = [&](int handset, int colour) { press(buzzers, BuzzerButton(handset, colour)); };

  buzz(0, BUZZ_RED); // shows the highlight on New game
  buzz(0, BUZZ_RED);
  ASSERT_EQ(CUR_SCR, SCREEN_PLAYERS);
  buzz(0, BUZZ_RED);
  for (int i = 0; i < 3; i++)
    buzz(0, BUZZ_YELLOW); // next button: 2, 3, 4 players
  EXPECT_EQ(PadFocus, 4);
  buzz(0, BUZZ_RED);
  ASSERT_EQ(CUR_SCR, SCREEN_SKILL);

  for (int h = 0; h < 4; h++) {
    buzz(h, BUZZ_BLUE); // claims
    EXPECT_EQ(PadOfPlayer[h], h);
    EXPECT_TRUE(lit(h));
    for (int i = 0; i < 2 && Cur_Player == h && CUR_SCR == SCREEN_SKILL; i++)
      buzz(h, BUZZ_RED);
  }
  ASSERT_EQ(CUR_SCR, SCREEN_LEVEL_START);

  // Each player answers wrong on their own handset until all are out; the
  // other handsets' presses never act.
  for (int turn = 0; turn < 12; turn++) {
    int h = Cur_Player;
    for (int other = 0; other < 4; other++)
      EXPECT_EQ(lit(other), other == h) << "turn " << turn << " handset " << other;
    buzz((h + 1) % 4, BUZZ_RED);
    ASSERT_EQ(CUR_SCR, SCREEN_LEVEL_START) << turn;
    buzz(h, BUZZ_RED);
    ASSERT_EQ(CUR_SCR, SCREEN_GAME);
    frame();
    if (GetReady == 1) {
      buzz(h, BUZZ_RED);
      frame();
    }
    ASSERT_EQ(StartLevel, 1);
    buzz((h + 1) % 4, kColourOfBox[1]);
    EXPECT_EQ(WellDone, 0);
    buzz(h, kColourOfBox[4]);
    ASSERT_EQ(Incorrect, 1);
    endResult();
  }
  ASSERT_EQ(CUR_SCR, SCREEN_TITLE);
  EXPECT_EQ(ShowScores, 1);
  for (int h = 0; h < 4; h++)
    EXPECT_FALSE(lit(h));
  buzz(2, BUZZ_RED);
  EXPECT_EQ(ShowScores, 0) << "any handset's red button closes the results";
}

TEST_F(PadsTest, AnswerBoxesShowTheTurnPadsButtons) {
  start();
  const char *shots = getenv("TRIVELLO_PADS_SCREENSHOTS"); // a folder to look at them in
  auto draw = [&](const char *name) {
    gameWindow->setWorldView(0, 0, 0, 1.0f, true);
    SCR_DRAW();
    PixelReader r(800, 600);
    r.capture();
    if (shots && *shots && name)
      gameWindow->saveBackBuffer((std::string(shots) + "/" + name).c_str(), 3, 0, 0);
    return r;
  };
  auto changedIn = [](const PixelReader &a, const PixelReader &b, int x1, int y1, int x2, int y2) {
    int n = 0;
    for (int y = y1; y < y2; y++)
      for (int x = x1; x < x2; x++)
        n += a.at(x, y) != b.at(x, y);
    return n;
  };
  // The title's highlight: the button's own look and a frame around it.
  PixelReader plain = draw(nullptr);
  VirtualPad pad = VirtualPad::Gamepad();
  plug(pad);
  press(pad, DOWN);
  PixelReader highlighted = draw("title.png");
  EXPECT_GT(changedIn(plain, highlighted, 261, 211, 525, 259), 1000);
  unplug(pad);

  clickAt(393, 235);
  clickAt(280, 242);
  // The skill screen tells the player to claim a pad once one is plugged in.
  PixelReader noPad = draw(nullptr);
  plug(pad);
  PixelReader withPad = draw("skill.png");
  EXPECT_GT(changedIn(noPad, withPad, 0, 510, 800, 540), 100);
  unplug(pad);
  clickAt(392, 236);
  clickAt(400, 300);
  frame();
  ASSERT_EQ(StartLevel, 1);
  // The left end of the first answer box, drawn without and with a pad.
  PixelReader before = draw(nullptr);
  plug(pad);
  PixelReader after = draw("game.png");
  EXPECT_GT(changedIn(before, after, 66, 468, 100, 490), 10) << "the pad's button name is drawn in the box";
  unplug(pad);
  PixelReader gone = draw(nullptr);
  EXPECT_EQ(changedIn(before, gone, 0, 0, 800, 600), 0) << "without a pad the screen is as before";
}

} // namespace
