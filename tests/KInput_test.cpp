// Input: the key table and the key map, key translation, presses shorter
// than a frame, waiting for a key's release, the pointer's hide count and
// the software pointer.
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

// Every key's virtual key code is its own and translates back to the key;
// PC keys (SDL scancodes) take their key positions inside the 128-key map.
TEST_F(InputTest, KeysTranslateBothWays) {
  std::set<int> seen;
  for (int code = 0; code <= K_VK_ERROR; code++) {
    EXPECT_EQ(KeyboardLayout[code].nuxKey, code);
    int vk = KeyboardLayout[code].virtualKey;
    EXPECT_TRUE(seen.insert(vk).second) << "virtual key " << vk << " twice";
    EXPECT_EQ(KInput::getNUXKey((unsigned short)vk), code);
  }
  const std::pair<unsigned short, EKeyboardLayout> virtualKeys[] = {
      {36, K_VK_RETURN}, {53, K_VK_ESCAPE}, {0, K_VK_A}, {255, K_VK_ERROR}, {52, K_VK_ERROR}, {65535, K_VK_ERROR}};
  for (const auto &c : virtualKeys)
    EXPECT_EQ(KInput::getNUXKey(c.first), c.second) << c.first;
  // One key of each kind: a letter, Return, a function key, a modifier, a
  // keypad key, a punctuation key, an arrow, and one the map has no place for.
  const std::pair<SDL_Scancode, EKeyboardLayout> scancodes[] = {
      {SDL_SCANCODE_Q, K_VK_Q},        {SDL_SCANCODE_RETURN, K_VK_RETURN},   {SDL_SCANCODE_F9, K_VK_F9},
      {SDL_SCANCODE_LALT, K_VK_MENU},  {SDL_SCANCODE_RCTRL, K_VK_R_CONTROL}, {SDL_SCANCODE_KP_7, K_VK_NUM7},
      {SDL_SCANCODE_DELETE, K_VK_DEL}, {SDL_SCANCODE_SEMICOLON, K_VK_OEM_1}, {SDL_SCANCODE_UP, K_VK_UP},
      {SDL_SCANCODE_LGUI, K_VK_LWIN},  {SDL_SCANCODE_PAGEUP, K_VK_PRIOR},    {SDL_SCANCODE_APPLICATION, K_VK_ERROR}};
  for (const auto &c : scancodes)
    EXPECT_EQ(KInput::getNUXKey(KInput::virtualKeyOfScancode(c.first)), c.second) << c.first;
  for (int s = -1; s <= SDL_NUM_SCANCODES; s++) {
    uint16_t vk = KInput::virtualKeyOfScancode(s);
    EXPECT_TRUE(vk < 128 || vk == 255) << s;
  }
}

TEST_F(InputTest, KeyMapBitFollowsTheVirtualKeyCodeAndNoSuchKeyIsEverPressed) {
  uint8_t map[16];
  KInput::injectKey(K_VK_ESCAPE, true); // virtual key 53: bit 5 of byte 6
  KInput::injectKey(K_VK_UP, true);     // 126: the last byte of the map
  KInput::getKeyMap(map);
  EXPECT_EQ(map[6] & 0x20, 0x20);
  EXPECT_EQ(map[15] & 0x40, 0x40);
  EXPECT_TRUE(KInput::isPressed(K_VK_ESCAPE));
  EXPECT_FALSE(KInput::isPressed(K_VK_SPACE));
  KInput::injectKey(K_VK_ESCAPE, false);
  EXPECT_FALSE(KInput::isPressed(K_VK_ESCAPE));
  for (int code = 0; code < K_VK_ERROR; code++)
    KInput::injectKey((EKeyboardLayout)code, true);
  EXPECT_TRUE(KInput::isPressed(K_VK_Z));
  for (int code : {(int)K_VK_ERROR, 101, -1})
    EXPECT_FALSE(KInput::isPressed((EKeyboardLayout)code)) << code;
}

// A press is read once within the frame it came in or the next; a key held
// in the key map stays pressed; the window's own look does not use it up.
TEST_F(InputTest, APressIsReadOnceWithinTheNextFrameAndHeldKeysStayPressed) {
  const struct {
    int framesBefore; // frames begun between the press and the first read
    bool held, peekFirst, firstRead, secondRead;
  } cases[] = {{0, false, false, true, false}, {1, false, false, true, false}, {2, false, false, false, false},
               {0, true, false, true, true},   {3, true, false, true, true},   {0, false, true, true, false}};
  for (const auto &c : cases) {
    SCOPED_TRACE(testing::Message() << c.framesBefore << c.held << c.peekFirst);
    KInput::clearInjectedInput();
    KInput::keyPressEvent(KeyboardLayout[K_VK_ESCAPE].virtualKey);
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
  // A key outside the key map (no table entry) is never kept.
  KInput::keyPressEvent(255);
  for (int code = 0; code <= K_VK_ERROR; code++)
    EXPECT_FALSE(KInput::isPressed((EKeyboardLayout)code)) << code;
}

// Waiting for a key's release sleeps (gives the processor back) while it is
// held, and reads an unread press of a key already released without waiting.
TEST_F(InputTest, WaitingForAKeyReleaseSleepsOnlyWhileItIsHeld) {
  ManualClock clock;
  ScopedClock use(&clock);
  KInput::keyPressEvent(KeyboardLayout[K_VK_RETURN].virtualKey);
  KInput::waitForKeyRelease(K_VK_RETURN);
  EXPECT_EQ(clock.sleepCalls, 0u);
  EXPECT_FALSE(KInput::isPressed(K_VK_RETURN));
  KInput::injectKey(K_VK_SNAPSHOT, true);
  clock.onSleep = [&](uint32_t) {
    if (clock.sleepCalls == 4)
      KInput::injectKey(K_VK_SNAPSHOT, false);
  };
  KInput::waitForKeyRelease(K_VK_SNAPSHOT);
  EXPECT_EQ(clock.sleepCalls, 4u);
}

// With a window: the pointer's hide count, the warp read back in window
// pixels, and the software pointer (drawn from the second call on).
TEST(PointerTest, HideAndShowCountOnceAWarpIsReadBackAndTheSoftwarePointerIsDrawn) {
  testsupport::MessageBoxRecorder recorder;
  auto window = std::make_unique<KWindowGL>(); // deleted, as the game deletes its window
  ASSERT_TRUE(window->createGameWindow(800, 600, 16, true, "KInput test"));
  KInput::initInput(window->getWindowHandle());
  EXPECT_EQ(KInput::_cursorVis, 0);
  KInput::hidePointer();
  KInput::hidePointer();
  EXPECT_EQ(KInput::_cursorVis, -1);
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
  EXPECT_FALSE(KInput::_cursorVisibility);
  KInput::showPointer(); // two hides and one show: visible
  KInput::showPointer();
  EXPECT_EQ(KInput::_cursorVis, 0);
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
  EXPECT_TRUE(KInput::_cursorVisibility);
  KInput::mousePointerTo(100, 50);
  SDL_PumpEvents();
  EXPECT_EQ(KInput::getMouseX(), 100);
  EXPECT_EQ(KInput::getMouseY(), 50);

  KInput::injectMouse(true, 100, 200, false);
  window->setClearColor(0, 0, 1, 1);
  const Rgba white{255, 255, 255, 255}, black{0, 0, 0, 255}, blue{0, 0, 255, 255};
  PixelReader r(800, 600);
  for (int call = 1; call <= 2; call++) {
    window->setWorldView(0, 0, 0, 1, true);
    KInput::displayMouse();
    r.capture();
    if (call == 1) {
      EXPECT_TRUE(r.allNear(90, 190, 130, 230, blue)); // the first call only makes the picture
      ASSERT_NE(KInput::surf_mouse, nullptr);
      EXPECT_EQ(KInput::surf_mouse->getWidth(), 16);
    }
  }
  // The hot spot is the top-left outline pixel; row 7 ends with the outline;
  // the last row is clear.
  const std::pair<std::pair<int, int>, Rgba> pixels[] = {{{100, 200}, white}, {{101, 200}, white}, {{102, 200}, blue},
                                                         {{101, 202}, black}, {{108, 207}, white}, {{100, 215}, blue},
                                                         {{99, 200}, blue}};
  for (const auto &p : pixels)
    EXPECT_EQ(r.at(p.first.first, p.first.second), p.second) << p.first.first << "," << p.first.second;
  KInput::freeMouse();
  KInput::clearInjectedInput();
}

} // namespace
