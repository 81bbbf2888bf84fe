// Input: the key table and the key map, key translation, the wheel, the
// pointer's hide count, the software pointer picture, and the joystick calls.
#include <gtest/gtest.h>

#include <SDL.h>

#include <set>

#include "KGraphicGL.h"
#include "KInput.h"
#include "KMiscTools.h"
#include "KWindowGL.h"
#include "support/ManualClock.h"
#include "support/MessageBoxRecorder.h"
#include "support/PixelReader.h"

using testsupport::ManualClock;
using testsupport::PixelReader;
using testsupport::Rgba;
using testsupport::ScopedClock;

namespace {

class InputTest : public ::testing::Test {
protected:
  void SetUp() override {
    KInput::clearInjectedInput();
    KInput::_lastWheelValue = 0;
  }
  void TearDown() override { KInput::clearInjectedInput(); }
};

TEST_F(InputTest, KeyTableIsInCodeOrderWithDistinctKeys) {
  std::set<int> seen;
  for (int code = 0; code <= K_VK_ERROR; code++) {
    EXPECT_EQ(KeyboardLayout[code].nuxKey, code);
    int vk = KeyboardLayout[code].virtualKey;
    EXPECT_TRUE(seen.insert(vk).second) << "virtual key " << vk << " twice";
    // Translating a key's virtual key code gives the key back.
    EXPECT_EQ(KInput::getNUXKey((unsigned short)vk), code);
  }
  EXPECT_EQ(KeyboardLayout[K_VK_ERROR].virtualKey, 255);
}

struct NuxCase {
  unsigned short virtualKey;
  EKeyboardLayout key;
};

TEST_F(InputTest, VirtualKeysTranslateToEngineCodes) {
  const NuxCase cases[] = {{36, K_VK_RETURN}, {200, K_VK_ERROR},  {0, K_VK_A},     {53, K_VK_ESCAPE},
                           {101, K_VK_F9},    {123, K_VK_LEFT},   {55, K_VK_MENU}, {105, K_VK_SNAPSHOT},
                           {52, K_VK_ERROR},  {65535, K_VK_ERROR}};
  for (const NuxCase &c : cases)
    EXPECT_EQ(KInput::getNUXKey(c.virtualKey), c.key) << c.virtualKey;
}

struct ScancodeCase {
  SDL_Scancode scancode;
  EKeyboardLayout key;
};

TEST_F(InputTest, PcKeysTakeTheirKeyPositions) {
  const ScancodeCase cases[] = {
      {SDL_SCANCODE_ESCAPE, K_VK_ESCAPE},
      {SDL_SCANCODE_RETURN, K_VK_RETURN},
      {SDL_SCANCODE_A, K_VK_A},
      {SDL_SCANCODE_Q, K_VK_Q},
      {SDL_SCANCODE_F9, K_VK_F9},
      {SDL_SCANCODE_LSHIFT, K_VK_L_SHIFT},
      {SDL_SCANCODE_RCTRL, K_VK_R_CONTROL},
      {SDL_SCANCODE_LALT, K_VK_MENU},
      {SDL_SCANCODE_LGUI, K_VK_LWIN},
      {SDL_SCANCODE_PRINTSCREEN, K_VK_SNAPSHOT},
      {SDL_SCANCODE_KP_7, K_VK_NUM7},
      {SDL_SCANCODE_KP_PLUS, K_VK_ADD},
      {SDL_SCANCODE_PAGEUP, K_VK_PRIOR},
      {SDL_SCANCODE_DELETE, K_VK_DEL},
      {SDL_SCANCODE_SEMICOLON, K_VK_OEM_1},
      {SDL_SCANCODE_APOSTROPHE, K_VK_OEM_7},
      {SDL_SCANCODE_UP, K_VK_UP},
      {SDL_SCANCODE_BACKSPACE, K_VK_BACK},
      {SDL_SCANCODE_APPLICATION, K_VK_ERROR},
  };
  for (const ScancodeCase &c : cases)
    EXPECT_EQ(KInput::getNUXKey(KInput::virtualKeyOfScancode(c.scancode)), c.key) << c.scancode;
  // Every scancode lands inside the 128-key map or nowhere.
  for (int s = -1; s <= SDL_NUM_SCANCODES; s++) {
    uint16_t vk = KInput::virtualKeyOfScancode(s);
    EXPECT_TRUE(vk < 128 || vk == 255) << s;
  }
}

TEST_F(InputTest, KeyMapBitFollowsTheVirtualKeyCode) {
  // Escape is virtual key 53: bit 5 of byte 6.
  KInput::injectKey(K_VK_ESCAPE, true);
  uint8_t map[16];
  KInput::getKeyMap(map);
  EXPECT_EQ(map[6] & 0x20, 0x20);
  EXPECT_TRUE(KInput::isPressed(K_VK_ESCAPE));
  EXPECT_FALSE(KInput::isPressed(K_VK_SPACE));
  KInput::injectKey(K_VK_ESCAPE, false);
  EXPECT_FALSE(KInput::isPressed(K_VK_ESCAPE));
  // The arrow up (126) uses the last byte of the map.
  KInput::injectKey(K_VK_UP, true);
  KInput::getKeyMap(map);
  EXPECT_EQ(map[15] & 0x40, 0x40);
  EXPECT_TRUE(KInput::isPressed(K_VK_UP));
}

TEST_F(InputTest, NoSuchKeyIsNeverPressed) {
  for (int code = 0; code < K_VK_ERROR; code++)
    KInput::injectKey((EKeyboardLayout)code, true);
  EXPECT_FALSE(KInput::isPressed(K_VK_ERROR));
  EXPECT_FALSE(KInput::isPressed((EKeyboardLayout)101));
  EXPECT_FALSE(KInput::isPressed((EKeyboardLayout)-1));
  EXPECT_TRUE(KInput::isPressed(K_VK_Z));
}

TEST_F(InputTest, WaitForKeyReleaseGivesTheProcessorBack) {
  ManualClock clock;
  ScopedClock use(&clock);
  KInput::injectKey(K_VK_SNAPSHOT, true);
  clock.onSleep = [&](uint32_t) {
    if (clock.sleepCalls == 4)
      KInput::injectKey(K_VK_SNAPSHOT, false);
  };
  KInput::waitForKeyRelease(K_VK_SNAPSHOT);
  EXPECT_EQ(clock.sleepCalls, 4u);
  EXPECT_FALSE(KInput::isPressed(K_VK_SNAPSHOT));
}

TEST_F(InputTest, WheelIsReadOnceAndSignExtended) {
  KInput::setLastWheelValue(3);
  EXPECT_EQ(KInput::getWheelValue(), 3);
  EXPECT_EQ(KInput::getWheelValue(), 0);
  KInput::setLastWheelValue(-2);
  EXPECT_EQ(KInput::getWheelValue(), -2);
  KInput::setLastWheelValue(5);
  KInput::setLastWheelValue(1);
  EXPECT_EQ(KInput::getWheelValue(), 1);
}

// ---- key presses shorter than a frame -----------------------------------------------

// What a key reads as after a press event, some frames and reads.
struct PressCase {
  const char *what;
  int framesBefore; // frames begun between the press and the first read
  bool held;        // the key is also held in the key map
  bool peekFirst;   // the window's own look comes before the game's read
  bool firstRead;   // isPressed, first call
  bool secondRead;  // isPressed, second call
};

TEST_F(InputTest, APressIsReadOnceWithinTheNextFrameAndHeldKeysStayPressed) {
  const PressCase cases[] = {
      {"read in the same frame", 0, false, false, true, false},
      {"read in the next frame", 1, false, false, true, false},
      {"left unread for a whole frame", 2, false, false, false, false},
      {"held as well", 0, true, false, true, true},
      {"held, the press long gone", 3, true, false, true, true},
      {"looked at by the window first", 0, false, true, true, false},
  };
  uint16_t escape = KeyboardLayout[K_VK_ESCAPE].virtualKey;
  for (const PressCase &c : cases) {
    SCOPED_TRACE(c.what);
    KInput::clearInjectedInput();
    KInput::keyPressEvent(escape);
    for (int i = 0; i < c.framesBefore; i++)
      KInput::nextFrame();
    KInput::injectKey(K_VK_ESCAPE, c.held);
    if (c.peekFirst) {
      EXPECT_TRUE(KInput::isDownOrPressed(K_VK_ESCAPE));
    }
    EXPECT_EQ(KInput::isPressed(K_VK_ESCAPE), c.firstRead);
    EXPECT_EQ(KInput::isPressed(K_VK_ESCAPE), c.secondRead);
    EXPECT_FALSE(KInput::isPressed(K_VK_SPACE)); // other keys untouched
  }
}

TEST_F(InputTest, WaitingForTheReleaseReadsAnUnreadPress) {
  ManualClock clock;
  ScopedClock use(&clock);
  KInput::keyPressEvent(KeyboardLayout[K_VK_RETURN].virtualKey);
  KInput::waitForKeyRelease(K_VK_RETURN); // released already: no wait
  EXPECT_EQ(clock.sleepCalls, 0u);
  EXPECT_FALSE(KInput::isPressed(K_VK_RETURN));
  // A key outside the key map (no table entry) is never kept.
  KInput::keyPressEvent(255);
  for (int code = 0; code <= K_VK_ERROR; code++)
    EXPECT_FALSE(KInput::isPressed((EKeyboardLayout)code)) << code;
}

// ---- with a window: pointer visibility and the software pointer -----------------------

class PointerTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    recorder = new testsupport::MessageBoxRecorder();
    window = new KWindowGL();
    ASSERT_TRUE(window->createGameWindow(800, 600, 16, true, "KInput test"));
  }
  static void TearDownTestSuite() {
    KInput::freeMouse();
    delete window;
    window = nullptr;
    delete recorder;
    recorder = nullptr;
  }
  void TearDown() override {
    KInput::clearInjectedInput();
    KInput::showPointer();
  }
  static KWindowGL *window;
  static testsupport::MessageBoxRecorder *recorder;
};

KWindowGL *PointerTest::window = nullptr;
testsupport::MessageBoxRecorder *PointerTest::recorder = nullptr;

TEST_F(PointerTest, HideAndShowCountOnce) {
  KInput::initInput(window->getWindowHandle());
  EXPECT_EQ(KInput::_cursorVis, 0);
  KInput::hidePointer();
  KInput::hidePointer();
  EXPECT_EQ(KInput::_cursorVis, -1);
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
  EXPECT_FALSE(KInput::_cursorVisibility);
  KInput::showPointer(); // two hides and one show: visible
  EXPECT_EQ(KInput::_cursorVis, 0);
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
  EXPECT_TRUE(KInput::_cursorVisibility);
  KInput::showPointer();
  EXPECT_EQ(KInput::_cursorVis, 0);
}

TEST_F(PointerTest, PointerWarpIsReadBackInWindowPixels) {
  KInput::mousePointerTo(100, 50);
  SDL_PumpEvents();
  EXPECT_EQ(KInput::getMouseX(), 100);
  EXPECT_EQ(KInput::getMouseY(), 50);
}

TEST_F(PointerTest, SoftwarePointerDrawsFromTheSecondCallOn) {
  KInput::freeMouse();
  KInput::injectMouse(true, 100, 200, false);
  window->setClearColor(0, 0, 1, 1);
  window->setWorldView(0, 0, 0, 1, true);
  KInput::displayMouse(); // first call: only makes the picture
  PixelReader r(800, 600);
  r.capture();
  EXPECT_TRUE(r.allNear(90, 190, 130, 230, Rgba{0, 0, 255, 255}));
  ASSERT_NE(KInput::surf_mouse, nullptr);
  EXPECT_EQ(KInput::surf_mouse->getWidth(), 16);

  window->setWorldView(0, 0, 0, 1, true);
  KInput::displayMouse();
  r.capture();
  const Rgba white{255, 255, 255, 255}, black{0, 0, 0, 255}, blue{0, 0, 255, 255};
  EXPECT_EQ(r.at(100, 200), white); // hot spot: top-left outline pixel
  EXPECT_EQ(r.at(101, 200), white);
  EXPECT_EQ(r.at(102, 200), blue);  // clear
  EXPECT_EQ(r.at(101, 202), black); // fill
  EXPECT_EQ(r.at(108, 207), white); // row 7 ends with the outline
  EXPECT_EQ(r.at(100, 215), blue);  // last row is clear
  EXPECT_EQ(r.at(99, 200), blue);
}

} // namespace
