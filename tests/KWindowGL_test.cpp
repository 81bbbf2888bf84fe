// The window under Xvfb: frame-rate cap and pacing against a manual clock,
// world view, darkening, quit request, events pushed through SDL and turned
// into KEvents, the quit and screenshot keys, screenshots, full screen.
#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_syswm.h> // the X window behind the SDL window, to ask the server where it lies
#include <GL/gl.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "KGraphicGL.h"
#include "KInput.h"
#include "KMiscTools.h"
#include "KWindowGL.h"
#include "platform/SdlVideo.h"
#include "support/ManualClock.h"
#include "support/MessageBoxRecorder.h"
#include "support/PixelReader.h"

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#include <stb_image.h>
#pragma GCC diagnostic pop

using testsupport::ManualClock;
using testsupport::MessageBoxRecorder;
using testsupport::PixelReader;
using testsupport::Rgba;
using testsupport::ScopedClock;

namespace {

const int W = 800, H = 600;

// ---- without a window ------------------------------------------------------------

struct RateCase {
  long rate;
  uint32_t frameTime;
};

TEST(WindowRate, MaxFrameRateGivesWholeMillisecondsPerFrame) {
  const RateCase cases[] = {{100, 10}, {60, 16}, {3, 333}, {1, 1000}, {1000, 1}, {2000, 0}, {0, 0}, {-5, 0}};
  KWindowGL w;
  EXPECT_EQ(w.getMaxFrameTime(), 10u); // a new window paces to 10 ms
  for (const RateCase &c : cases) {
    w.setMaxFrameRate(c.rate);
    EXPECT_EQ(w.getMaxFrameTime(), c.frameTime) << c.rate;
  }
}

TEST(WindowQuit, QuitRequestIsSharedAndClearedByConstructionAndDestruction) {
  KWindowGL *a = new KWindowGL();
  EXPECT_FALSE(a->isQuit());
  a->terminate();
  EXPECT_TRUE(a->isQuit());
  KWindowGL *b = new KWindowGL(); // construction clears the shared request
  EXPECT_FALSE(a->isQuit());
  b->setQuit(true);
  EXPECT_TRUE(a->isQuit());
  delete b; // and so does destruction
  EXPECT_FALSE(a->isQuit());
  a->terminate();
  delete a;
  KWindowGL c;
  EXPECT_FALSE(c.isQuit());
}

TEST(WindowPointer, ConstructionAndDestructionShowTheSystemPointer) {
  KWindowGL *a = new KWindowGL();
  SDL_ShowCursor(SDL_DISABLE);
  KWindowGL *b = new KWindowGL(); // a new window resets the pointer
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);

  // Destruction shows it again, also for a window that was never opened.
  KInput::initInput(nullptr);
  KInput::hidePointer();
  ASSERT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
  delete b;
  EXPECT_TRUE(KInput::_cursorVisibility);
  EXPECT_EQ(KInput::_cursorVis, 0);
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
  delete a;
}

TEST(WindowOpen, DestroyingTheWindowFreesTheSoftwarePointer) {
  // The pointer picture's texture lives in the window's context; a later
  // window must make its own.
  MessageBoxRecorder recorder;
  KWindowGL *w = new KWindowGL();
  ASSERT_TRUE(w->createGameWindow(400, 300, -1, true, "Pointer"));
  w->setWorldView(0, 0, 0, 1, true);
  KInput::displayMouse();
  ASSERT_NE(KInput::surf_mouse, nullptr);
  delete w;
  EXPECT_EQ(KInput::surf_mouse, nullptr);
}

TEST(WindowOpen, LauncherWindowIsCentredWithItsSize) {
  MessageBoxRecorder recorder;
  KWindowGL w;
  ASSERT_TRUE(w.createGameWindow(400, 300, -1, true, "Launcher"));
  SDL_Rect screen;
  ASSERT_EQ(SDL_GetDisplayBounds(0, &screen), 0);
  int x = 0, y = 0, ww = 0, wh = 0;
  SDL_GetWindowPosition(w.getWindowHandle(), &x, &y);
  SDL_GetWindowSize(w.getWindowHandle(), &ww, &wh);
  EXPECT_EQ(x, (screen.w - 400) / 2);
  EXPECT_EQ(y, (screen.h - 300) / 2);
  EXPECT_EQ(ww, 400);
  EXPECT_EQ(wh, 300);
  EXPECT_EQ(w.getWindowWidth(), 400);
  EXPECT_EQ(w.getWindowHeight(), 300);
  EXPECT_EQ(KGraphicGL::screenHeight, 300);
  EXPECT_STREQ(SDL_GetWindowTitle(w.getWindowHandle()), "Launcher");
  // A title is cut to 255 bytes.
  std::string longTitle(300, 'x');
  w.setTitle(longTitle.c_str());
  EXPECT_EQ(strlen(SDL_GetWindowTitle(w.getWindowHandle())), 255u);
  EXPECT_TRUE(recorder.messages().empty());
}

// Where the X server has the window: its place on the screen and its size,
// whatever SDL believes (a full-screen request nobody carries out leaves
// them unchanged).
SDL_Rect realGeometry(SDL_Window *window) {
  SDL_Rect r = {-1, -1, -1, -1};
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!window)
    return r;
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11)
    return SDL_Rect{-2, -2, -2, -2};
  Display *display = info.info.x11.display;
  XSync(display, False);
  XWindowAttributes attributes;
  Window child;
  if (!XGetWindowAttributes(display, info.info.x11.window, &attributes))
    return SDL_Rect{-3, -3, -3, -3};
  if (XTranslateCoordinates(display, info.info.x11.window, attributes.root, 0, 0, &r.x, &r.y, &child)) {
    r.w = attributes.width;
    r.h = attributes.height;
  }
  return r;
}

bool sameRect(const SDL_Rect &a, const SDL_Rect &b) { return a.x == b.x && a.y == b.y && a.w == b.w && a.h == b.h; }

// The window's real geometry once it has the wanted size, or the last one
// seen (the server may take a few round trips to carry out a change).
SDL_Rect geometryOnceSized(SDL_Window *window, int w, int h) {
  SDL_Rect r = realGeometry(window);
  for (int i = 0; i < 2000 && (r.w != w || r.h != h); i++) {
    SDL_PumpEvents();
    r = realGeometry(window);
  }
  return r;
}

// Tests run on an X server without a window manager: nobody carries out
// SDL's full-screen request there, so the window must cover the screen
// by itself.
TEST(WindowOpen, FullScreenTakesTheDesktopAndScalesTheDrawing) {
  MessageBoxRecorder recorder;
  KWindowGL w;
  ASSERT_TRUE(w.createGameWindow(800, 600, 16, false, "Full"));
  SDL_Rect screen;
  ASSERT_EQ(SDL_GetDisplayBounds(0, &screen), 0);
  SDL_Rect real = geometryOnceSized(sdlDisplayMapping().window, screen.w, screen.h);
  EXPECT_TRUE(sameRect(real, screen)) << real.x << "," << real.y << " " << real.w << "x" << real.h;
  EXPECT_TRUE(w.isFullScreen());
  EXPECT_EQ(w.getWindowHandle(), nullptr);
  EXPECT_TRUE(w.hasFocus());
  EXPECT_EQ(KGraphicGL::screenWidth, 800);
  w.setWorldView(0, 0, 0, 1, true);
  const SdlDisplayMapping &m = sdlDisplayMapping();
  EXPECT_EQ(m.drawWidth, 800);
  EXPECT_GE(m.areaW, 800);
  EXPECT_EQ(m.areaW * 3, m.areaH * 4);
  EXPECT_TRUE(recorder.messages().empty());
}

// ---- with the 800 x 600 game window ----------------------------------------------------

std::vector<KEvent> received;
bool callbackResult = true;

bool recordEvent(KEvent *event) {
  received.push_back(*event);
  return callbackResult;
}

bool refuseAll(SDL_Event *) { return false; }

class WindowTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    recorder = new MessageBoxRecorder();
    window = new KWindowGL();
    ASSERT_TRUE(window->createGameWindow(W, H, 16, true, "KWindowGL test"));
  }
  static void TearDownTestSuite() {
    delete window;
    window = nullptr;
    delete recorder;
    recorder = nullptr;
  }
  void SetUp() override {
    received.clear();
    callbackResult = true;
    window->setNUXCallBack(&recordEvent);
    window->setCallBack(nullptr);
    window->setQuit(false);
    window->setGamma(1.0f);
    window->setMaxFrameRate(100);
    window->setClearColor(0, 0, 0, 1);
    KInput::clearInjectedInput();
    KInput::injectMouse(true, 100, 100, false);
    recorder->clear();
    drainEvents();
  }
  void TearDown() override {
    KInput::clearInjectedInput();
    window->setNUXCallBack(nullptr);
    window->setCallBack(nullptr);
    window->setQuit(false);
  }
  // Dispatches whatever the platform queued, then forgets the records.
  static void drainEvents() {
    for (int i = 0; i < 50; i++)
      window->processEvents();
    SDL_PumpEvents();
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    received.clear();
  }
  // Runs processEvents until the pushed events have been handled.
  static void pump(int times = 10) {
    for (int i = 0; i < times; i++)
      window->processEvents();
  }
  static std::vector<KEvent> ofType(int type) {
    std::vector<KEvent> out;
    for (const KEvent &e : received)
      if (e.type == type)
        out.push_back(e);
    return out;
  }

  static KWindowGL *window;
  static MessageBoxRecorder *recorder;
};

KWindowGL *WindowTest::window = nullptr;
MessageBoxRecorder *WindowTest::recorder = nullptr;

void pushKey(Uint32 type, SDL_Scancode scancode, SDL_Keycode sym) {
  SDL_Event e;
  memset(&e, 0, sizeof(e));
  e.type = type;
  e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
  e.key.keysym.scancode = scancode;
  e.key.keysym.sym = sym;
  SDL_PushEvent(&e);
}

void pushText(const char *utf8) {
  SDL_Event e;
  memset(&e, 0, sizeof(e));
  e.type = SDL_TEXTINPUT;
  snprintf(e.text.text, sizeof(e.text.text), "%s", utf8);
  SDL_PushEvent(&e);
}

void pushButton(Uint32 type, Uint8 button, Uint8 clicks) {
  SDL_Event e;
  memset(&e, 0, sizeof(e));
  e.type = type;
  e.button.button = button;
  e.button.clicks = clicks;
  e.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
  SDL_PushEvent(&e);
}

void pushWheel(int y) {
  SDL_Event e;
  memset(&e, 0, sizeof(e));
  e.type = SDL_MOUSEWHEEL;
  e.wheel.y = y;
  e.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
  SDL_PushEvent(&e);
}

void pushWindowEvent(Uint8 kind) {
  SDL_Event e;
  memset(&e, 0, sizeof(e));
  e.type = SDL_WINDOWEVENT;
  e.window.event = kind;
  SDL_PushEvent(&e);
}

// ---- pacing ----------------------------------------------------------------------------

TEST_F(WindowTest, PacingWaitsOnlyForFramesWithinTheFrameTime) {
  ManualClock clock;
  clock.now = 5000 * 1000ull;
  ScopedClock use(&clock);
  KWindowGL::resetPacing();

  window->flipBackBuffer(false, false); // the first frame never waits
  EXPECT_EQ(clock.sleptMs, 0u);

  window->flipBackBuffer(false, false); // at once: waits the whole 10 ms
  EXPECT_EQ(clock.sleptMs, 10u);

  clock.sleptMs = 0;
  clock.advanceMs(4);
  window->flipBackBuffer(false, false); // 4 ms in: waits 6 more
  EXPECT_EQ(clock.sleptMs, 6u);

  clock.sleptMs = 0;
  clock.advanceMs(10);
  window->flipBackBuffer(false, false); // exactly the frame time: still paced (no extra wait)
  EXPECT_EQ(clock.sleptMs, 0u);

  clock.sleptMs = 0;
  clock.advanceMs(25);
  window->flipBackBuffer(false, false); // a late frame does not wait at all
  EXPECT_EQ(clock.sleptMs, 0u);

  window->setMaxFrameRate(0);
  clock.sleptMs = 0;
  window->flipBackBuffer(false, false); // no cap: never waits
  window->flipBackBuffer(false, false);
  EXPECT_EQ(clock.sleptMs, 0u);
}

TEST_F(WindowTest, PacingKeepsDispatchingEventsWhileItWaits) {
  ManualClock clock;
  clock.now = 9000 * 1000ull;
  ScopedClock use(&clock);
  KWindowGL::resetPacing();
  window->flipBackBuffer(false, false);
  for (int i = 0; i < 5; i++)
    pushButton(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 1);
  window->flipBackBuffer(false, false);
  EXPECT_EQ(ofType(K_EVENT_MOUSEUP).size(), 5u);
}

TEST_F(WindowTest, BackWindowWithoutFocusWaitsUntilFocusReturns) {
  ManualClock clock;
  ScopedClock use(&clock);
  window->setMaxFrameRate(0);
  pushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
  pump(3);
  EXPECT_FALSE(window->hasFocus());
  int sleeps = 0;
  clock.onSleep = [&](uint32_t) {
    if (++sleeps == 7)
      pushWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
  };
  window->flipBackBuffer(true, false);
  EXPECT_GE(sleeps, 7);
  EXPECT_TRUE(window->hasFocus());

  // A quit request also ends the wait.
  pushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
  pump(3);
  sleeps = 0;
  clock.onSleep = [&](uint32_t) {
    if (++sleeps == 3)
      window->terminate();
  };
  window->flipBackBuffer(true, false);
  EXPECT_TRUE(window->isQuit());
  // Without waitForWindowInBack nothing waits.
  window->setQuit(false);
  sleeps = 0;
  window->flipBackBuffer(false, false);
  EXPECT_EQ(sleeps, 0);
  clock.onSleep = nullptr;
  pushWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
  pump(3);
}

TEST_F(WindowTest, BackWindowWaitPumpsOnceEvenWhenQuitIsAlreadyRaised) {
  ManualClock clock;
  ScopedClock use(&clock);
  window->setMaxFrameRate(0);
  pushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
  pump(3);
  received.clear();
  window->setQuit(true);
  for (int i = 0; i < 4; i++)
    pushButton(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 1);
  // One event after the swap, one more in the wait, which then stops.
  window->flipBackBuffer(true, false);
  EXPECT_EQ(ofType(K_EVENT_MOUSEUP).size(), 2u);
  EXPECT_EQ(clock.sleepCalls, 0u);
  received.clear();
  window->flipBackBuffer(false, false); // no wait: only the swap's event
  EXPECT_EQ(ofType(K_EVENT_MOUSEUP).size(), 1u);
  window->setQuit(false);
  pushWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
  pump(3);
}

TEST_F(WindowTest, PauseDispatchesEventsThroughTheWindow) {
  ManualClock clock;
  ScopedClock use(&clock);
  for (int i = 0; i < 3; i++)
    pushButton(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 1);
  KMiscTools::pause(5, true);
  EXPECT_EQ(ofType(K_EVENT_MOUSEUP).size(), 3u);
}

// ---- pointer visibility at the flip ------------------------------------------------------

struct PointerCase {
  long x, y;
  bool outside;
};

TEST_F(WindowTest, SystemPointerShowsOutsideTheDrawingAreaOnly) {
  const PointerCase cases[] = {{100, 100, false}, {800, 300, false}, {400, 600, false}, {-1, 300, true},
                               {801, 300, true},  {400, -1, true},   {400, 601, true}};
  window->setMaxFrameRate(0);
  for (const PointerCase &c : cases) {
    KInput::showPointer();
    KInput::hidePointer(); // the game hides the pointer: it draws its own
    KInput::injectMouse(true, c.x, c.y, false);
    window->flipBackBuffer(false, false);
    EXPECT_EQ(KInput::_cursorVis, c.outside ? 0 : -1) << c.x << "," << c.y;
    EXPECT_FALSE(KInput::_cursorVisibility);
    // Coming back inside hides it again.
    KInput::injectMouse(true, 10, 10, false);
    window->flipBackBuffer(false, false);
    EXPECT_EQ(KInput::_cursorVis, -1);
  }
  KInput::showPointer();
}

// ---- world view and darkening ---------------------------------------------------------------

struct ViewCase {
  float tx, ty, rotation, zoom;
  int x1, y1, x2, y2; // where the square lands on screen
};

TEST_F(WindowTest, WorldViewRotatesZoomsAndTranslatesAboutTheCentre) {
  // A red rectangle at screen (410, 290)-(430, 300).
  const ViewCase cases[] = {
      {0, 0, 0, 1, 410, 290, 430, 300},   {0, 0, 90, 1, 390, 270, 400, 290}, // counter-clockwise about (400, 300)
      {0, 0, 0, 2, 420, 280, 460, 300},                                      // doubled about the centre
      {5, 7, 0, 1, 415, 283, 435, 293},                                      // translateY moves up
      {0, 0, 180, 1, 370, 300, 390, 310},
  };
  KGraphicGL g;
  for (const ViewCase &c : cases) {
    window->setWorldView(c.tx, c.ty, c.rotation, c.zoom, true);
    g.drawRect(410, 290, 430, 300, 1, 0, 0, 1);
    PixelReader r(W, H);
    r.capture();
    const Rgba red{255, 0, 0, 255};
    int area = (c.x2 - c.x1) * (c.y2 - c.y1);
    EXPECT_EQ(r.countNear(c.x1, c.y1, c.x2, c.y2, red), area) << c.rotation << " " << c.zoom;
    EXPECT_EQ(r.countNear(0, 0, W, H, red), area) << c.rotation << " " << c.zoom;
  }
  window->setWorldView(0, 0, 0, 1, true);
}

TEST_F(WindowTest, GammaBelowOneDarkensThePresentedFrame) {
  window->setMaxFrameRate(0);
  KGraphicGL g;
  window->setWorldView(0, 0, 0, 1, true);
  g.drawRect(0, 0, 800, 600, 1, 1, 1, 1);
  window->setGamma(0.25f);
  window->flipBackBuffer(false, false);
  glFinish();
  // Mesa's software swap copies the back buffer out and keeps it, so the
  // presented frame can be read there.
  unsigned char px[4] = {0, 0, 0, 0};
  glReadBuffer(GL_BACK);
  glReadPixels(400, 300, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
  EXPECT_NEAR(px[0], 64, 2);
  EXPECT_EQ(KGraphicGL::_oldBindedText, 0xFFFFFFFFu);
  window->setGamma(1.0f);
}

// ---- events ------------------------------------------------------------------------------------

TEST_F(WindowTest, KeyPressDeliversKeyDownThenKeyCharOnlyIfAccepted) {
  KInput::injectMouse(true, 123, 45, false);
  pushKey(SDL_KEYDOWN, SDL_SCANCODE_E, SDLK_e);
  pushText("\xC3\xA8"); // è
  pump();
  ASSERT_EQ(received.size(), 2u);
  EXPECT_EQ(received[0].type, K_EVENT_KEYDOWN);
  EXPECT_EQ(received[1].type, K_EVENT_KEYCHAR);
  EXPECT_EQ((unsigned char)received[1].character, 0xE8);
  EXPECT_EQ(received[1].virtualKey, 14);
  EXPECT_EQ(received[1].nuxKey, K_VK_E);
  EXPECT_EQ(received[1].mouseX, 123);
  EXPECT_EQ(received[1].mouseY, 45);
  EXPECT_EQ(received[1].buttonIndex, 0);

  received.clear();
  callbackResult = false; // handled at the first delivery
  pushKey(SDL_KEYDOWN, SDL_SCANCODE_A, SDLK_a);
  pushText("a");
  pump();
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0].type, K_EVENT_KEYDOWN);
  EXPECT_EQ(received[0].character, 'a');
}

struct CharCase {
  SDL_Scancode scancode;
  SDL_Keycode sym;
  const char *text; // null: the key types no text
  unsigned char character;
  EKeyboardLayout nuxKey;
};

TEST_F(WindowTest, KeyEventsCarryTheLatin1Character) {
  const CharCase cases[] = {
      {SDL_SCANCODE_BACKSPACE, SDLK_BACKSPACE, nullptr, 8, K_VK_BACK},
      {SDL_SCANCODE_RETURN, SDLK_RETURN, nullptr, 13, K_VK_RETURN},
      {SDL_SCANCODE_N, SDLK_n, "\xC3\xB1", 0xF1, K_VK_N},  // ñ
      {SDL_SCANCODE_E, SDLK_e, "\xE2\x82\xAC", 0, K_VK_E}, // € is not Latin-1
      {SDL_SCANCODE_F9, SDLK_F9, nullptr, 0, K_VK_F9},
      {SDL_SCANCODE_1, SDLK_1, "!", '!', K_VK_1},
      {SDL_SCANCODE_APPLICATION, SDLK_APPLICATION, nullptr, 0, K_VK_ERROR},
  };
  for (const CharCase &c : cases) {
    received.clear();
    pushKey(SDL_KEYDOWN, c.scancode, c.sym);
    if (c.text)
      pushText(c.text);
    pump();
    std::vector<KEvent> chars = ofType(K_EVENT_KEYCHAR);
    ASSERT_EQ(chars.size(), 1u) << c.scancode;
    EXPECT_EQ((unsigned char)chars[0].character, c.character) << c.scancode;
    EXPECT_EQ(chars[0].nuxKey, c.nuxKey) << c.scancode;
  }
  received.clear();
  pushKey(SDL_KEYUP, SDL_SCANCODE_ESCAPE, SDLK_ESCAPE);
  pump();
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0].type, K_EVENT_KEYUP);
  EXPECT_EQ(received[0].nuxKey, K_VK_ESCAPE);
}

TEST_F(WindowTest, ModifierKeysSendNoEventsAndAReleaseCarriesItsCharacter) {
  const SDL_Scancode modifiers[] = {SDL_SCANCODE_LSHIFT, SDL_SCANCODE_RSHIFT,  SDL_SCANCODE_LCTRL,
                                    SDL_SCANCODE_RCTRL,  SDL_SCANCODE_LALT,    SDL_SCANCODE_RALT,
                                    SDL_SCANCODE_LGUI,   SDL_SCANCODE_CAPSLOCK};
  for (SDL_Scancode m : modifiers)
    pushKey(SDL_KEYDOWN, m, SDL_GetKeyFromScancode(m));
  pushKey(SDL_KEYDOWN, SDL_SCANCODE_B, SDLK_b);
  pushText("B");
  for (SDL_Scancode m : modifiers)
    pushKey(SDL_KEYUP, m, SDL_GetKeyFromScancode(m));
  pushKey(SDL_KEYUP, SDL_SCANCODE_B, SDLK_b);
  pump(25);
  ASSERT_EQ(received.size(), 3u);
  EXPECT_EQ(received[0].type, K_EVENT_KEYDOWN);
  EXPECT_EQ(received[1].type, K_EVENT_KEYCHAR);
  EXPECT_EQ(received[2].type, K_EVENT_KEYUP);
  EXPECT_EQ(received[2].character, 'B'); // the character the key typed
  EXPECT_EQ(received[2].virtualKey, 11);
  EXPECT_EQ(received[2].nuxKey, K_VK_B);
}

TEST_F(WindowTest, MouseButtonsAndDoubleClicks) {
  pushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 1);
  pushButton(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 1);
  pushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 2);
  pump();
  ASSERT_EQ(received.size(), 3u);
  EXPECT_EQ(received[0].type, K_EVENT_MOUSEDOWN);
  EXPECT_EQ(received[0].buttonIndex, 1);
  EXPECT_EQ(received[1].type, K_EVENT_MOUSEUP);
  EXPECT_EQ(received[2].type, K_EVENT_DBLCLICK); // not also a MOUSEDOWN
  EXPECT_EQ(received[2].character, 0);
  EXPECT_EQ(received[2].nuxKey, KInput::getNUXKey(0));

  received.clear();
  pushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT, 1);
  pump();
  EXPECT_TRUE(KInput::getRightButtonState());
  ASSERT_EQ(ofType(K_EVENT_MOUSEDOWN).size(), 1u);
  EXPECT_EQ(ofType(K_EVENT_MOUSEDOWN)[0].buttonIndex, 2);
  EXPECT_EQ(ofType(K_EVENT_CONTEXTMENU).size(), 1u);
  pushButton(SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT, 1);
  pump();
  EXPECT_FALSE(KInput::getRightButtonState());

  received.clear();
  pushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_MIDDLE, 1);
  pump();
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0].buttonIndex, 3);
}

TEST_F(WindowTest, MouseMovesAreReportedOnlyWithoutDragging) {
  SDL_Event e;
  memset(&e, 0, sizeof(e));
  e.type = SDL_MOUSEMOTION;
  SDL_PushEvent(&e);
  e.motion.state = SDL_BUTTON_LMASK;
  SDL_PushEvent(&e);
  pump();
  EXPECT_EQ(ofType(K_EVENT_MOUSEMOVE).size(), 1u);
}

TEST_F(WindowTest, WheelIsStoredOnceAndReportedHandled) {
  callbackResult = true; // the game says "not handled": the wheel still counts
  pushWheel(3);
  pump();
  std::vector<KEvent> wheels = ofType(K_EVENT_WHEEL);
  ASSERT_EQ(wheels.size(), 1u);
  EXPECT_EQ(wheels[0].wheel, 3);
  EXPECT_EQ(KInput::getWheelValue(), 3);
  EXPECT_EQ(KInput::getWheelValue(), 0);
  pushWheel(-2);
  pushWheel(-1); // a newer movement replaces an unread one
  pump();
  EXPECT_EQ(KInput::getWheelValue(), -1);
}

TEST_F(WindowTest, RawEventFilterKeepsEventsFromEveryone) {
  window->setCallBack(&refuseAll);
  pushWheel(4);
  pushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT, 1);
  pushWindowEvent(SDL_WINDOWEVENT_CLOSE);
  pump();
  EXPECT_TRUE(received.empty());
  EXPECT_EQ(KInput::getWheelValue(), 0);
  EXPECT_FALSE(KInput::getRightButtonState());
  EXPECT_FALSE(window->isQuit());
}

TEST_F(WindowTest, CloseRequestsQuitWithoutAnEvent) {
  pushWindowEvent(SDL_WINDOWEVENT_CLOSE);
  pump();
  EXPECT_TRUE(window->isQuit());
  EXPECT_TRUE(received.empty());
  window->setQuit(false);
  SDL_Event quit;
  memset(&quit, 0, sizeof(quit));
  quit.type = SDL_QUIT;
  SDL_PushEvent(&quit);
  pump();
  EXPECT_TRUE(window->isQuit());
}

TEST_F(WindowTest, NoCallbackStillKeepsInputState) {
  window->setNUXCallBack(nullptr);
  pushWheel(2);
  pushKey(SDL_KEYDOWN, SDL_SCANCODE_A, SDLK_a);
  pushText("a");
  pump();
  EXPECT_EQ(KInput::getWheelValue(), 2);
  EXPECT_TRUE(received.empty());
}

TEST_F(WindowTest, CtrlQQuitsWhileTheWindowHasFocus) {
  pushWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
  pump(2);
  KInput::injectKey(K_VK_Q, true);
  window->processEvents();
  EXPECT_FALSE(window->isQuit()); // Q alone
  KInput::injectKey(K_VK_L_CONTROL, true);
  window->processEvents();
  EXPECT_TRUE(window->isQuit());
  window->setQuit(false);
  KInput::injectKey(K_VK_L_CONTROL, false);
  KInput::injectKey(K_VK_R_CONTROL, true);
  window->processEvents();
  EXPECT_TRUE(window->isQuit());
}

// ---- presses shorter than a frame and the pointer from the window's events ------------

// A press and its release queued together, as remote desktops, on-screen
// keyboards and xdotool send them: the key map never shows the key held.
TEST_F(WindowTest, InstantKeyPressesAreSeenOnceAndAutoRepeatsAddNone) {
  const struct {
    SDL_Scancode scancode;
    SDL_Keycode sym;
    EKeyboardLayout key;
  } keys[] = {{SDL_SCANCODE_ESCAPE, SDLK_ESCAPE, K_VK_ESCAPE},
              {SDL_SCANCODE_RETURN, SDLK_RETURN, K_VK_RETURN},
              {SDL_SCANCODE_F9, SDLK_F9, K_VK_F9},
              {SDL_SCANCODE_SPACE, SDLK_SPACE, K_VK_SPACE},
              {SDL_SCANCODE_LSHIFT, SDLK_LSHIFT, K_VK_L_SHIFT}};
  for (const auto &k : keys) {
    SCOPED_TRACE(k.scancode);
    pushKey(SDL_KEYDOWN, k.scancode, k.sym);
    pushKey(SDL_KEYUP, k.scancode, k.sym);
    pump();
    EXPECT_TRUE(KInput::isPressed(k.key));
    EXPECT_FALSE(KInput::isPressed(k.key)); // each press once
  }
  SDL_Event repeat;
  memset(&repeat, 0, sizeof(repeat));
  repeat.type = SDL_KEYDOWN;
  repeat.key.repeat = 1;
  repeat.key.keysym.scancode = SDL_SCANCODE_ESCAPE;
  repeat.key.keysym.sym = SDLK_ESCAPE;
  SDL_PushEvent(&repeat);
  pump();
  EXPECT_FALSE(KInput::isPressed(K_VK_ESCAPE));
  // A press the game never read is gone once two frames have begun.
  window->setMaxFrameRate(0);
  pushKey(SDL_KEYDOWN, SDL_SCANCODE_F9, SDLK_F9);
  pump();
  window->flipBackBuffer(false, false);
  window->flipBackBuffer(false, false);
  EXPECT_FALSE(KInput::isPressed(K_VK_F9));
}

TEST_F(WindowTest, InstantCtrlQQuitsAndLeavesTheQForTheGame) {
  pushWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
  pushKey(SDL_KEYDOWN, SDL_SCANCODE_LCTRL, SDLK_LCTRL);
  pushKey(SDL_KEYDOWN, SDL_SCANCODE_Q, SDLK_q);
  pushKey(SDL_KEYUP, SDL_SCANCODE_Q, SDLK_q);
  pushKey(SDL_KEYUP, SDL_SCANCODE_LCTRL, SDLK_LCTRL);
  pump();
  EXPECT_TRUE(window->isQuit());
  EXPECT_TRUE(KInput::isPressed(K_VK_Q));
}

void pushPointer(Uint32 type, Uint32 windowID, int x, int y) {
  SDL_Event e;
  memset(&e, 0, sizeof(e));
  e.type = type;
  if (type == SDL_MOUSEMOTION) {
    e.motion.windowID = windowID;
    e.motion.x = x;
    e.motion.y = y;
  } else {
    e.button.windowID = windowID;
    e.button.button = SDL_BUTTON_LEFT;
    e.button.clicks = 1;
    e.button.x = x;
    e.button.y = y;
  }
  SDL_PushEvent(&e);
}

// The position the platform gives for the pointer: its global position
// less the window's.
void platformPointer(int *x, int *y) {
  int gx = 0, gy = 0, wx = 0, wy = 0;
  SDL_GetGlobalMouseState(&gx, &gy);
  SDL_GetWindowPosition(sdlDisplayMapping().window, &wx, &wy);
  *x = gx - wx;
  *y = gy - wy;
}

// Pointer moves that do not reach the platform's global position (XTest,
// pointer warps) are followed through the window's own events while the
// pointer is inside; once it leaves, the platform answers as before.
TEST_F(WindowTest, PointerFollowsTheWindowsOwnEventsUntilItLeaves) {
  KInput::clearInjectedInput();
  Uint32 id = SDL_GetWindowID(window->getWindowHandle());
  const struct {
    Uint32 type;
    Uint32 windowID;
    int x, y;   // the event's position
    int ex, ey; // where the pointer then reads
  } steps[] = {
      {SDL_MOUSEMOTION, id, 123, 45, 123, 45},
      {SDL_MOUSEMOTION, id, 799, 599, 799, 599},
      {SDL_MOUSEBUTTONDOWN, id, 300, 200, 300, 200},
      {SDL_MOUSEMOTION, id, -30, 650, -30, 650}, // dragged out of the window
      {SDL_MOUSEBUTTONUP, id, 10, 20, 10, 20},
      {SDL_MOUSEMOTION, id + 1000, 500, 500, 10, 20}, // another window's
  };
  for (const auto &step : steps) {
    pushPointer(step.type, step.windowID, step.x, step.y);
    pump();
    EXPECT_EQ(KInput::getMouseX(), step.ex) << step.x << "," << step.y;
    EXPECT_EQ(KInput::getMouseY(), step.ey) << step.x << "," << step.y;
  }
  SDL_Event leave;
  memset(&leave, 0, sizeof(leave));
  leave.type = SDL_WINDOWEVENT;
  leave.window.event = SDL_WINDOWEVENT_LEAVE;
  leave.window.windowID = id;
  SDL_PushEvent(&leave);
  pump();
  int px = 0, py = 0;
  platformPointer(&px, &py);
  EXPECT_EQ(KInput::getMouseX(), px);
  EXPECT_EQ(KInput::getMouseY(), py);
}

// ---- screenshots -----------------------------------------------------------------------------

std::string makeTempDir() {
  static int counter = 0;
  char path[128];
  snprintf(path, sizeof(path), "/tmp/kwindow_test_%d_%d", (int)getpid(), counter++);
  mkdir(path, 0755);
  return path;
}

// Draws red over the top-left 20 x 10 pixels on blue.
void drawKnownFrame(KWindowGL *window) {
  window->setClearColor(0, 0, 1, 1);
  window->setWorldView(0, 0, 0, 1, true);
  KGraphicGL g;
  g.drawRect(0, 0, 20, 10, 1, 0, 0, 1);
}

TEST_F(WindowTest, ScreenshotKeyWritesNumberedTgaFilesTheRightWayUp) {
  std::string dir = makeTempDir();
  char savedPath[260];
  strcpy(savedPath, KMiscTools::currentFilePath);
  bool savedPackage = KMiscTools::_inPackage;
  snprintf(KMiscTools::currentFilePath, 260, "%s", dir.c_str());
  KMiscTools::_inPackage = false;

  ManualClock clock;
  ScopedClock use(&clock);
  // The keys are released while the window waits for them.
  clock.onSleep = [](uint32_t) {
    KInput::injectKey(K_VK_SNAPSHOT, false);
    KInput::injectKey(K_VK_L_SHIFT, false);
  };
  int before = KWindowGL::screenshotCount();
  drawKnownFrame(window);
  KInput::injectKey(K_VK_L_SHIFT, true);
  KInput::injectKey(K_VK_SNAPSHOT, true);
  window->processEvents();
  drawKnownFrame(window);
  KInput::injectKey(K_VK_L_SHIFT, true);
  KInput::injectKey(K_VK_SNAPSHOT, true);
  window->processEvents();

  strcpy(KMiscTools::currentFilePath, savedPath);
  KMiscTools::_inPackage = savedPackage;

  EXPECT_EQ(KWindowGL::screenshotCount(), before + 2);
  std::string first = dir + "/screenshot" + std::to_string(before + 1) + ".tga";
  std::string second = dir + "/screenshot" + std::to_string(before + 2) + ".tga";
  int w = 0, h = 0, n = 0;
  unsigned char *img = stbi_load(first.c_str(), &w, &h, &n, 3);
  ASSERT_NE(img, nullptr) << first;
  EXPECT_EQ(w, W);
  EXPECT_EQ(h, H);
  auto px = [&](int x, int y) { return img + ((size_t)y * w + x) * 3; };
  EXPECT_EQ(px(5, 5)[0], 255); // red at the top-left
  EXPECT_EQ(px(5, 5)[2], 0);
  EXPECT_EQ(px(5, 15)[2], 255); // blue below it
  EXPECT_EQ(px(5, 595)[2], 255);
  stbi_image_free(img);
  struct stat st;
  EXPECT_EQ(stat(second.c_str(), &st), 0);
  EXPECT_EQ(recorder->count("export ok"), 2);
  std::string cmd = "rm -rf '" + dir + "'";
  EXPECT_EQ(system(cmd.c_str()), 0);
}

TEST_F(WindowTest, ScreenshotKeyWritesIntoTheFolderTheGameNames) {
  std::string resources = makeTempDir();
  std::string chosen = makeTempDir();
  char savedPath[260];
  strcpy(savedPath, KMiscTools::currentFilePath);
  bool savedPackage = KMiscTools::_inPackage;
  snprintf(KMiscTools::currentFilePath, 260, "%s", resources.c_str());
  KMiscTools::_inPackage = false;
  ManualClock clock;
  ScopedClock use(&clock);
  clock.onSleep = [](uint32_t) {
    KInput::injectKey(K_VK_F12, false);
    KInput::injectKey(K_VK_L_SHIFT, false);
  };
  auto shoot = [&]() {
    drawKnownFrame(window);
    KInput::injectKey(K_VK_L_SHIFT, true);
    KInput::injectKey(K_VK_F12, true);
    window->processEvents();
    return "/screenshot" + std::to_string(KWindowGL::screenshotCount()) + ".tga";
  };

  KWindowGL::setScreenshotFolder(chosen.c_str());
  std::string inChosen = shoot();
  KWindowGL::setScreenshotFolder(nullptr);
  std::string inResources = shoot();
  strcpy(KMiscTools::currentFilePath, savedPath);
  KMiscTools::_inPackage = savedPackage;

  struct stat st;
  EXPECT_EQ(stat((chosen + inChosen).c_str(), &st), 0);
  EXPECT_NE(stat((resources + inChosen).c_str(), &st), 0);
  EXPECT_EQ(stat((resources + inResources).c_str(), &st), 0);
  EXPECT_EQ(system(("rm -rf '" + resources + "' '" + chosen + "'").c_str()), 0);
}

TEST_F(WindowTest, ScreenshotKeyNeverWritesOverAnEarlierRunsPicture) {
  std::string chosen = makeTempDir();
  ManualClock clock;
  ScopedClock use(&clock);
  clock.onSleep = [](uint32_t) {
    KInput::injectKey(K_VK_F12, false);
    KInput::injectKey(K_VK_L_SHIFT, false);
  };
  int last = KWindowGL::screenshotCount();
  // An earlier run left the next two numbers in the folder.
  for (int n : {last + 1, last + 2}) {
    FILE *f = fopen((chosen + "/screenshot" + std::to_string(n) + ".tga").c_str(), "wb");
    ASSERT_NE(f, nullptr);
    fputs("kept", f);
    fclose(f);
  }
  KWindowGL::setScreenshotFolder(chosen.c_str());
  drawKnownFrame(window);
  KInput::injectKey(K_VK_L_SHIFT, true);
  KInput::injectKey(K_VK_F12, true);
  window->processEvents();
  KWindowGL::setScreenshotFolder(nullptr);

  EXPECT_EQ(KWindowGL::screenshotCount(), last + 3);
  struct stat st;
  for (int n : {last + 1, last + 2}) {
    ASSERT_EQ(stat((chosen + "/screenshot" + std::to_string(n) + ".tga").c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 4) << "screenshot" << n << " was written over";
  }
  EXPECT_EQ(stat((chosen + "/screenshot" + std::to_string(last + 3) + ".tga").c_str(), &st), 0);
  EXPECT_GT(st.st_size, 4);
  EXPECT_EQ(system(("rm -rf '" + chosen + "'").c_str()), 0);
}

struct FormatCase {
  long format;
  const char *name;
  bool lossy;
};

TEST_F(WindowTest, SaveBackBufferWritesEveryFormat) {
  std::string dir = makeTempDir();
  const FormatCase cases[] = {
      {0, "shot.bmp", false}, {1, "shot.jpg", true}, {2, "shot.tga", false}, {3, "shot.png", false}};
  for (const FormatCase &c : cases) {
    drawKnownFrame(window);
    std::string path = dir + "/" + c.name;
    ASSERT_TRUE(window->saveBackBuffer(path.c_str(), c.format, 0, 0)) << c.name;
    int w = 0, h = 0, n = 0;
    unsigned char *img = stbi_load(path.c_str(), &w, &h, &n, 3);
    ASSERT_NE(img, nullptr) << c.name;
    EXPECT_EQ(w, W);
    EXPECT_EQ(h, H);
    int tol = c.lossy ? 24 : 0;
    EXPECT_NEAR(img[(5 * w + 5) * 3], 255, tol) << c.name;
    EXPECT_NEAR(img[(300 * w + 400) * 3 + 2], 255, tol) << c.name;
    stbi_image_free(img);
  }
  // Another size is sampled to that size.
  std::string half = dir + "/half.png";
  ASSERT_TRUE(window->saveBackBuffer(half.c_str(), 3, 400, 300));
  int w = 0, h = 0, n = 0;
  unsigned char *img = stbi_load(half.c_str(), &w, &h, &n, 3);
  ASSERT_NE(img, nullptr);
  EXPECT_EQ(w, 400);
  EXPECT_EQ(h, 300);
  EXPECT_EQ(img[(2 * w + 2) * 3], 255);
  stbi_image_free(img);
  std::string cmd = "rm -rf '" + dir + "'";
  EXPECT_EQ(system(cmd.c_str()), 0);
}

TEST_F(WindowTest, UnwritableScreenshotFailsWithItsMessage) {
  EXPECT_FALSE(window->saveBackBuffer("/nonexistent-folder/shot.tga", 2, 0, 0));
  EXPECT_EQ(recorder->count("can't build fsspec"), 1);
  EXPECT_EQ(recorder->count("export ok"), 0);
}

// ---- full screen -----------------------------------------------------------------------------

// Handles the window system's replies until the window has its new size
// (bounded: the X server answers within a few thousand polls).
void settle(bool fullScreen) {
  SDL_Rect screen;
  SDL_GetDisplayBounds(0, &screen);
  for (int i = 0; i < 200000; i++) {
    SDL_PumpEvents();
    int w = 0, h = 0;
    SDL_GL_GetDrawableSize(sdlDisplayMapping().window, &w, &h);
    if (fullScreen ? (w == screen.w && h == screen.h) : (w == W && h == H))
      break;
  }
}

TEST_F(WindowTest, FullScreenLetterboxesAndKeepsPictures) {
  std::vector<uint32_t> px(64 * 64, 0xFF00FF00u); // opaque green
  KGraphicGL g;
  ASSERT_TRUE(g.makePictureFromArray(px.data(), 64, 64, true, false));
  KInput::showPointer();
  KInput::hidePointer();
  window->toggleFullScreen(true);
  settle(true);
  SDL_Rect screen;
  SDL_GetDisplayBounds(0, &screen);
  SDL_Rect real = geometryOnceSized(sdlDisplayMapping().window, screen.w, screen.h);
  EXPECT_TRUE(sameRect(real, screen)) << real.x << "," << real.y << " " << real.w << "x" << real.h;
  EXPECT_EQ(KInput::_cursorVis, -1); // the switch keeps the pointer's hide count
  EXPECT_TRUE(window->isFullScreen());
  EXPECT_EQ(window->getWindowHandle(), nullptr);
  EXPECT_TRUE(window->hasFocus());
  const SdlDisplayMapping &m = sdlDisplayMapping();
  window->setClearColor(0, 0, 0, 1);
  window->setWorldView(0, 0, 0, 1, true);
  // The drawing area keeps the 4:3 aspect inside the screen.
  EXPECT_EQ(m.areaW * 3, m.areaH * 4);
  g.blitRect(0, 0, 64, 64, 368, 268, false, false);
  std::vector<unsigned char> shot(W * H * 4);
  ASSERT_TRUE(sdlReadDrawingPixels(GL_BACK, shot.data()));
  // Read back in drawing pixels: the picture sits around the centre.
  const unsigned char *centre = &shot[((size_t)(H - 1 - 300) * W + 400) * 4];
  EXPECT_EQ(centre[1], 255);
  EXPECT_EQ(centre[0], 0);
  const unsigned char *corner = &shot[((size_t)(H - 1 - 10) * W + 10) * 4];
  EXPECT_EQ(corner[1], 0);
  // Pointer positions map back into drawing pixels.
  int dx = 0, dy = 0;
  sdlWindowToDrawing(m, m.areaX + m.areaW / 2, m.areaY + m.areaH / 2, &dx, &dy);
  EXPECT_NEAR(dx, 400, 1);
  EXPECT_NEAR(dy, 300, 1);
  sdlWindowToDrawing(m, m.areaX - 20, m.areaY, &dx, &dy);
  EXPECT_LT(dx, 0);

  window->toggleFullScreen(false);
  settle(false);
  real = geometryOnceSized(window->getWindowHandle(), W, H);
  EXPECT_EQ(real.w, W);
  EXPECT_EQ(real.h, H);
  EXPECT_EQ(KInput::_cursorVis, -1);
  KInput::showPointer();
  EXPECT_FALSE(window->isFullScreen());
  EXPECT_NE(window->getWindowHandle(), nullptr);
  window->setWorldView(0, 0, 0, 1, true);
  g.blitRect(0, 0, 64, 64, 0, 0, false, false);
  PixelReader r(W, H);
  r.capture();
  EXPECT_TRUE(r.allNear(0, 0, 64, 64, Rgba{0, 255, 0, 255}));
}

} // namespace
