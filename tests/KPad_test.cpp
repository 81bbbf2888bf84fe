// KPad with SDL's virtual joysticks: what each button of a pad arrives as,
// each press once, sticks and triggers, a jittering stick, and the buzzer
// lights through LED files.
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
using Presses = std::vector<EPadButton>;

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
  static void plug(std::initializer_list<VirtualPad *> pads) {
    for (VirtualPad *pad : pads) {
      ASSERT_TRUE(pad->plugIn());
      pump();
    }
  }
  // A press held over two pumps, then let go.
  static void tap(VirtualPad &pad, int button) {
    pad.setButton(button, true);
    pump();
    pump();
    pad.setButton(button, false);
    pump();
  }
  static Presses presses(int pad) {
    Presses out;
    EPadButton b;
    while (KPad::nextPress(pad, &b))
      out.push_back(b);
    return out;
  }
};

TEST_F(KPadTest, GamepadButtonsSticksAndTriggersArriveByPositionOncePerPress) {
  VirtualPad pad = VirtualPad::Gamepad();
  plug({&pad});
  ASSERT_EQ(KPad::padCount(), 1);
  EXPECT_TRUE(KPad::isConnected(0));
  EXPECT_EQ(KPad::kind(0), K_PAD_KIND_XBOX);
  const std::pair<int, EPadButton> cases[] = {
      {SDL_CONTROLLER_BUTTON_A, K_PAD_SOUTH},     {SDL_CONTROLLER_BUTTON_LEFTSHOULDER, K_PAD_SHOULDER},
      {SDL_CONTROLLER_BUTTON_B, K_PAD_EAST},      {SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, K_PAD_SHOULDER},
      {SDL_CONTROLLER_BUTTON_X, K_PAD_WEST},      {SDL_CONTROLLER_BUTTON_DPAD_UP, K_PAD_UP},
      {SDL_CONTROLLER_BUTTON_Y, K_PAD_NORTH},     {SDL_CONTROLLER_BUTTON_DPAD_DOWN, K_PAD_DOWN},
      {SDL_CONTROLLER_BUTTON_START, K_PAD_START}, {SDL_CONTROLLER_BUTTON_DPAD_LEFT, K_PAD_LEFT},
      {SDL_CONTROLLER_BUTTON_BACK, K_PAD_BACK},   {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, K_PAD_RIGHT}};
  for (const auto &c : cases) {
    tap(pad, c.first);
    EXPECT_EQ(presses(0), Presses{c.second}) << c.first;
  }
  // Presses wait in order until read; a cleared queue is empty.
  tap(pad, SDL_CONTROLLER_BUTTON_X);
  tap(pad, SDL_CONTROLLER_BUTTON_A);
  EXPECT_EQ(presses(0), (Presses{K_PAD_WEST, K_PAD_SOUTH}));
  tap(pad, SDL_CONTROLLER_BUTTON_Y);
  KPad::clearPresses();
  EXPECT_TRUE(presses(0).empty());
  // A stick or trigger pushed far enough presses once, and again only after
  // it came back; each axis counts on its own.
  const int x = SDL_CONTROLLER_AXIS_LEFTX, y = SDL_CONTROLLER_AXIS_LEFTY;
  const int left = SDL_CONTROLLER_AXIS_TRIGGERLEFT, right = SDL_CONTROLLER_AXIS_TRIGGERRIGHT;
  const struct {
    int axis;
    int16_t value;
    EPadButton press; // K_PAD_NONE: none
  } steps[] = {{y, 10000, K_PAD_NONE},     {y, 30000, K_PAD_DOWN},  {y, 12000, K_PAD_NONE},
               {y, 0, K_PAD_NONE},         {y, -30000, K_PAD_UP},   {x, -20000, K_PAD_LEFT},
               {x, 0, K_PAD_NONE},         {x, 32767, K_PAD_RIGHT}, {right, 32767, K_PAD_SHOULDER},
               {right, 20000, K_PAD_NONE}, {right, 0, K_PAD_NONE},  {left, 32767, K_PAD_SHOULDER}};
  for (const auto &s : steps) {
    pad.setAxis(s.axis, s.value);
    pump();
    EXPECT_EQ(presses(0), s.press ? Presses{s.press} : Presses{}) << "step " << &s - steps;
  }
}

TEST_F(KPadTest, AJitteringStickDoesNotFloodTheQueueTheWindowTakesOneByOne) {
  VirtualPad pad = VirtualPad::Gamepad();
  plug({&pad});
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
  EXPECT_EQ(presses(0), Presses{K_PAD_DOWN});
}

// The turn's handset is lit and the others dark, where the LED files allow
// it: a light that cannot be written (here a folder in the file's place) is
// skipped, the others are still set, and nothing fails.
TEST_F(KPadTest, TheTurnHandsetIsLitAndTheOthersDarkWhereTheFilesAllowIt) {
  const std::string folder = "/tmp/kpad-leds-" + std::to_string(getpid());
  const std::string set = folder + "/0003:054C:0002.0007::buzz";
  ASSERT_EQ(system(("rm -rf " + folder + " && mkdir -p " + folder).c_str()), 0);
  KPad::setLedFolder(folder.c_str());
  const std::string capsLock = folder + "/input3::capslock"; // not a buzzer light: untouched
  for (const std::string &led : {set + "1", set + "2", set + "3", set + "4", capsLock}) {
    mkdir(led.c_str(), 0755);
    std::ofstream(led + "/max_brightness") << (led == capsLock ? 1 : 255) << "\n";
    std::ofstream(led + "/brightness") << "0\n";
  }
  auto brightness = [&](const std::string &led) {
    std::string s;
    std::ifstream(led + "/brightness") >> s;
    return s;
  };
  bool on[KPad::kMaxPads] = {};
  EXPECT_EQ(KPad::lightBuzzers(on), 0) << "no buzzer set plugged in";

  VirtualPad buzzers = VirtualPad::BuzzerSet();
  plug({&buzzers});
  on[2] = true; // the third handset
  EXPECT_EQ(KPad::lightBuzzers(on), 4);
  for (int h = 1; h <= 4; h++)
    EXPECT_EQ(brightness(set + std::to_string(h)), h == 3 ? "255" : "0") << h;
  EXPECT_EQ(brightness(capsLock), "0");

  ASSERT_EQ(system(("rm -f '" + set + "1/brightness' && mkdir '" + set + "1/brightness'").c_str()), 0);
  on[2] = false;
  on[1] = true;
  EXPECT_EQ(KPad::lightBuzzers(on), 3);
  EXPECT_EQ(brightness(set + "2"), "255");
  EXPECT_EQ(brightness(set + "3"), "0");
  KPad::setLedFolder((folder + "/missing").c_str());
  EXPECT_EQ(KPad::lightBuzzers(on), 0);
  system(("rm -rf " + folder).c_str());
}

} // namespace
