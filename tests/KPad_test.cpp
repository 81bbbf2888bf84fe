// KPad with SDL's virtual joysticks: what each button of a pad and of a
// buzzer set arrives as, each press once, sticks and triggers, pads pulled
// out and plugged back in, and the buzzer lights through LED files.
#include <gtest/gtest.h>

#include <SDL.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "KPad.h"
#include "support/VirtualPads.h"

using testsupport::BuzzerButton;
using testsupport::VirtualPad;

namespace {

class KPadTest : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(KPad::init(nullptr)); }
  void TearDown() override {
    KPad::shutdown();
    KPad::setLedFolder(nullptr);
  }
  // Hands every waiting SDL event to KPad, as the window's pump does.
  static void pump() {
    SDL_Event e;
    SDL_PumpEvents();
    while (SDL_PollEvent(&e))
      KPad::handleEvent(&e);
  }
  static void tap(VirtualPad &pad, int button) {
    pad.setButton(button, true);
    pump();
    pad.setButton(button, false);
    pump();
  }
  static std::vector<EPadButton> presses(int pad) {
    std::vector<EPadButton> out;
    EPadButton b;
    while (KPad::nextPress(pad, &b))
      out.push_back(b);
    return out;
  }
};

TEST_F(KPadTest, GamepadButtonsArriveByPositionOncePerPress) {
  VirtualPad pad = VirtualPad::Gamepad();
  ASSERT_TRUE(pad.plugIn());
  pump();
  ASSERT_EQ(KPad::padCount(), 1);
  EXPECT_TRUE(KPad::isConnected(0));
  EXPECT_EQ(KPad::kind(0), K_PAD_KIND_XBOX);
  const struct {
    int sdlButton;
    EPadButton expected;
  } cases[] = {
      {SDL_CONTROLLER_BUTTON_A, K_PAD_SOUTH},
      {SDL_CONTROLLER_BUTTON_B, K_PAD_EAST},
      {SDL_CONTROLLER_BUTTON_X, K_PAD_WEST},
      {SDL_CONTROLLER_BUTTON_Y, K_PAD_NORTH},
      {SDL_CONTROLLER_BUTTON_LEFTSHOULDER, K_PAD_SHOULDER},
      {SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, K_PAD_SHOULDER},
      {SDL_CONTROLLER_BUTTON_START, K_PAD_START},
      {SDL_CONTROLLER_BUTTON_BACK, K_PAD_BACK},
      {SDL_CONTROLLER_BUTTON_DPAD_UP, K_PAD_UP},
      {SDL_CONTROLLER_BUTTON_DPAD_DOWN, K_PAD_DOWN},
      {SDL_CONTROLLER_BUTTON_DPAD_LEFT, K_PAD_LEFT},
      {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, K_PAD_RIGHT},
  };
  for (const auto &c : cases) {
    pad.setButton(c.sdlButton, true);
    pump();
    pump(); // held: still one press
    pad.setButton(c.sdlButton, false);
    pump();
    EXPECT_EQ(presses(0), std::vector<EPadButton>{c.expected}) << c.sdlButton;
  }
  // Presses wait in order until read; a cleared queue is empty.
  tap(pad, SDL_CONTROLLER_BUTTON_X);
  tap(pad, SDL_CONTROLLER_BUTTON_A);
  EXPECT_EQ(presses(0), (std::vector<EPadButton>{K_PAD_WEST, K_PAD_SOUTH}));
  tap(pad, SDL_CONTROLLER_BUTTON_Y);
  KPad::clearPresses();
  EXPECT_TRUE(presses(0).empty());
}

TEST_F(KPadTest, StickAndTriggersPressOnceUntilTheyComeBack) {
  VirtualPad pad = VirtualPad::Gamepad();
  ASSERT_TRUE(pad.plugIn());
  pump();
  const struct {
    int axis;
    int16_t value;
    std::vector<EPadButton> expected;
  } steps[] = {
      {SDL_CONTROLLER_AXIS_LEFTY, 10000, {}}, // not far enough
      {SDL_CONTROLLER_AXIS_LEFTY, 30000, {K_PAD_DOWN}},
      {SDL_CONTROLLER_AXIS_LEFTY, 12000, {}}, // held part way: no new press
      {SDL_CONTROLLER_AXIS_LEFTY, 0, {}},
      {SDL_CONTROLLER_AXIS_LEFTY, -30000, {K_PAD_UP}},
      {SDL_CONTROLLER_AXIS_LEFTX, -20000, {K_PAD_LEFT}}, // the other axis counts on its own
      {SDL_CONTROLLER_AXIS_LEFTX, 0, {}},
      {SDL_CONTROLLER_AXIS_LEFTX, 32767, {K_PAD_RIGHT}},
      {SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 32767, {K_PAD_SHOULDER}},
      {SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 20000, {}},
      {SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 0, {}},
      {SDL_CONTROLLER_AXIS_TRIGGERLEFT, 32767, {K_PAD_SHOULDER}},
  };
  int i = 0;
  for (const auto &s : steps) {
    pad.setAxis(s.axis, s.value);
    pump();
    EXPECT_EQ(presses(0), s.expected) << "step " << i;
    i++;
  }
}

TEST_F(KPadTest, AJitteringStickDoesNotFloodTheQueueTheWindowTakesOneByOne) {
  VirtualPad pad = VirtualPad::Gamepad();
  ASSERT_TRUE(pad.plugIn());
  pump();
  for (int i = 0; i < 300; i++) { // small moves, never a push
    pad.setAxis(SDL_CONTROLLER_AXIS_LEFTX, (int16_t)(i % 2 ? 3000 : -3000));
    SDL_PumpEvents();
  }
  pad.setAxis(SDL_CONTROLLER_AXIS_LEFTY, 30000);
  SDL_PumpEvents();
  ASSERT_GT(SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT), 300);
  // The window hands over one event; everything the pads sent is taken with it.
  SDL_Event e;
  ASSERT_TRUE(SDL_PollEvent(&e));
  KPad::handleEvent(&e);
  EXPECT_EQ(SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT), 0);
  EXPECT_EQ(presses(0), std::vector<EPadButton>{K_PAD_DOWN});
}

TEST_F(KPadTest, ABuzzerSetIsFourPadsWithTheirColours) {
  VirtualPad gamepad = VirtualPad::Gamepad();
  VirtualPad buzzers = VirtualPad::BuzzerSet(0x1000);
  ASSERT_TRUE(gamepad.plugIn());
  ASSERT_TRUE(buzzers.plugIn());
  pump();
  ASSERT_EQ(KPad::padCount(), 5);
  for (int h = 1; h <= 4; h++)
    EXPECT_EQ(KPad::kind(h), K_PAD_KIND_BUZZER);
  const EPadButton colours[5] = {K_PAD_BUZZ_RED, K_PAD_BUZZ_YELLOW, K_PAD_BUZZ_GREEN, K_PAD_BUZZ_ORANGE,
                                 K_PAD_BUZZ_BLUE};
  for (int h = 0; h < 4; h++)
    for (int c = 0; c < 5; c++) {
      tap(buzzers, BuzzerButton(h, c));
      for (int pad = 0; pad < 5; pad++)
        EXPECT_EQ(presses(pad), pad == h + 1 ? std::vector<EPadButton>{colours[c]} : std::vector<EPadButton>{})
            << "handset " << h << " colour " << c << " pad " << pad;
    }
}

TEST_F(KPadTest, APadPulledOutKeepsItsNumberAndGetsItBackWhenPluggedIn) {
  VirtualPad first = VirtualPad::Gamepad();
  VirtualPad second = VirtualPad::Gamepad();
  VirtualPad buzzers = VirtualPad::BuzzerSet();
  ASSERT_TRUE(first.plugIn());
  pump();
  ASSERT_TRUE(second.plugIn());
  pump();
  ASSERT_TRUE(buzzers.plugIn());
  pump();
  ASSERT_EQ(KPad::padCount(), 6);

  tap(first, SDL_CONTROLLER_BUTTON_A); // an unread press goes with the pad
  first.pullOut();
  buzzers.pullOut();
  pump();
  EXPECT_FALSE(KPad::isConnected(0));
  EXPECT_TRUE(KPad::isConnected(1));
  for (int h = 2; h < 6; h++)
    EXPECT_FALSE(KPad::isConnected(h));
  EPadButton b;
  EXPECT_FALSE(KPad::nextPress(0, &b));

  ASSERT_TRUE(first.plugIn());
  ASSERT_TRUE(buzzers.plugIn());
  pump();
  EXPECT_EQ(KPad::padCount(), 6) << "the same devices take their old numbers";
  EXPECT_TRUE(KPad::isConnected(0));
  for (int h = 2; h < 6; h++)
    EXPECT_TRUE(KPad::isConnected(h));
  tap(first, SDL_CONTROLLER_BUTTON_B);
  tap(buzzers, BuzzerButton(3, 4));
  EXPECT_EQ(presses(0), std::vector<EPadButton>{K_PAD_EAST});
  EXPECT_EQ(presses(5), std::vector<EPadButton>{K_PAD_BUZZ_BLUE});

  // A third pad, plugged in while all are there, gets a new number.
  VirtualPad third = VirtualPad::Gamepad();
  ASSERT_TRUE(third.plugIn());
  pump();
  EXPECT_EQ(KPad::padCount(), 7);
}

class KPadLightsTest : public KPadTest {
protected:
  std::string folder;
  void SetUp() override {
    KPadTest::SetUp();
    folder = "/tmp/kpad-leds-" + std::to_string(getpid());
    ASSERT_EQ(system(("rm -rf " + folder + " && mkdir -p " + folder).c_str()), 0);
    KPad::setLedFolder(folder.c_str());
  }
  void TearDown() override {
    KPadTest::TearDown();
    system(("rm -rf " + folder).c_str());
  }
  void makeLed(const std::string &name, int max) {
    mkdir((folder + "/" + name).c_str(), 0755);
    std::ofstream(folder + "/" + name + "/max_brightness") << max << "\n";
    std::ofstream(folder + "/" + name + "/brightness") << "0\n";
  }
  std::string brightness(const std::string &name) {
    std::ifstream in(folder + "/" + name + "/brightness");
    std::string s;
    in >> s;
    return s;
  }
};

TEST_F(KPadLightsTest, TheTurnHandsetIsLitAndTheOthersDarkWhereTheFilesAllowIt) {
  const char *set = "0003:054C:0002.0007";
  for (int h = 1; h <= 4; h++)
    makeLed(std::string(set) + "::buzz" + std::to_string(h), 255);
  makeLed("input3::capslock", 1); // not a buzzer light: untouched

  bool on[KPad::kMaxPads] = {};
  EXPECT_EQ(KPad::lightBuzzers(on), 0) << "no buzzer set plugged in";

  VirtualPad buzzers = VirtualPad::BuzzerSet();
  ASSERT_TRUE(buzzers.plugIn());
  pump();
  on[2] = true; // the third handset
  EXPECT_EQ(KPad::lightBuzzers(on), 4);
  const char *expected[4] = {"0", "0", "255", "0"};
  for (int h = 0; h < 4; h++)
    EXPECT_EQ(brightness(std::string(set) + "::buzz" + std::to_string(h + 1)), expected[h]) << h;
  EXPECT_EQ(brightness("input3::capslock"), "0");

  // A light that cannot be written (here a folder in the file's place) is
  // skipped; the others are still set, and nothing fails.
  std::string blocked = folder + "/" + set + "::buzz1/brightness";
  ASSERT_EQ(system(("rm -f '" + blocked + "' && mkdir '" + blocked + "'").c_str()), 0);
  on[2] = false;
  on[1] = true;
  EXPECT_EQ(KPad::lightBuzzers(on), 3);
  EXPECT_EQ(brightness(std::string(set) + "::buzz2"), "255");
  EXPECT_EQ(brightness(std::string(set) + "::buzz3"), "0");

  KPad::setLedFolder((folder + "/missing").c_str());
  EXPECT_EQ(KPad::lightBuzzers(on), 0);
}

} // namespace
