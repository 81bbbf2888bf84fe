// The window under Xvfb: frame-rate cap, waiting while in the back, the
// system pointer at the edges, darkening, quit request, events pushed through
// SDL and turned into KEvents, the pointer, the quit and screenshot keys,
// screenshots, full screen.
#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_syswm.h> // the X window behind the SDL window, to ask the server where it lies
#include <GL/gl.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "KGraphicGL.h"
#include "KInput.h"
#include "KMiscTools.h"
#include "KWindowGL.h"
#include "platform/SdlVideo.h"
#include "support/GLWindowFixture.h"
#include "support/ManualClock.h"

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

// Where the X server has the window, whatever SDL believes (a full-screen
// request nobody carries out leaves it unchanged), once both the server and
// SDL have it at the wanted size or after a bounded number of round trips.
SDL_Rect realGeometry(SDL_Window *window, int w, int h) {
  SDL_Rect r = {-1, -1, -1, -1};
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11)
    return r;
  int drawW = 0, drawH = 0;
  for (int i = 0; i < 2000 && (r.w != w || r.h != h || drawW != w || drawH != h); i++) {
    XSync(info.info.x11.display, False);
    SDL_PumpEvents();
    SDL_GL_GetDrawableSize(window, &drawW, &drawH);
    XWindowAttributes attributes;
    Window child;
    if (XGetWindowAttributes(info.info.x11.display, info.info.x11.window, &attributes) &&
        XTranslateCoordinates(info.info.x11.display, info.info.x11.window, attributes.root, 0, 0, &r.x, &r.y, &child))
      r.w = attributes.width, r.h = attributes.height;
  }
  return r;
}

// Whether the window's real geometry is exactly the screen's.
::testing::AssertionResult coversTheScreen(SDL_Window *window) {
  SDL_Rect s;
  SDL_GetDisplayBounds(0, &s);
  SDL_Rect r = realGeometry(window, s.w, s.h);
  if (r.x == s.x && r.y == s.y && r.w == s.w && r.h == s.h)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << r.x << "," << r.y << " " << r.w << "x" << r.h;
}

// ---- windows of their own ---------------------------------------------------------

TEST(Window, FrameRateQuitAndPointerStartAfreshWithEachWindow) {
  KWindowGL *a = new KWindowGL();
  EXPECT_EQ(a->getMaxFrameTime(), 10u); // a new window paces to 10 ms
  const long rates[][2] = {{100, 10}, {60, 16}, {3, 333}, {1, 1000}, {1000, 1}, {2000, 0}, {0, 0}, {-5, 0}};
  for (const auto &r : rates) {
    a->setMaxFrameRate(r[0]);
    EXPECT_EQ(a->getMaxFrameTime(), (uint32_t)r[1]) << r[0];
  }
  // The quit request is shared by all windows and cleared by construction
  // and destruction; a hidden system pointer is shown again by both.
  a->terminate();
  SDL_ShowCursor(SDL_DISABLE);
  KWindowGL *b = new KWindowGL();
  EXPECT_FALSE(a->isQuit());
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
  b->setQuit(true);
  EXPECT_TRUE(a->isQuit());
  KInput::initInput(nullptr);
  KInput::hidePointer();
  ASSERT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
  delete b; // never opened
  EXPECT_FALSE(a->isQuit());
  EXPECT_TRUE(KInput::_cursorVisibility);
  EXPECT_EQ(KInput::_cursorVis, 0);
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
  delete a;
}

TEST(Window, LauncherWindowIsCentredAndFreesTheSoftwarePointerWhenDestroyed) {
  MessageBoxRecorder recorder;
  KWindowGL *w = new KWindowGL();
  ASSERT_TRUE(w->createGameWindow(400, 300, -1, true, "Launcher"));
  SDL_Rect screen;
  ASSERT_EQ(SDL_GetDisplayBounds(0, &screen), 0);
  int x = 0, y = 0, ww = 0, wh = 0;
  SDL_GetWindowPosition(w->getWindowHandle(), &x, &y);
  SDL_GetWindowSize(w->getWindowHandle(), &ww, &wh);
  EXPECT_EQ(x, (screen.w - 400) / 2);
  EXPECT_EQ(y, (screen.h - 300) / 2);
  EXPECT_EQ(ww, 400);
  EXPECT_EQ(wh, 300);
  EXPECT_EQ(KGraphicGL::screenHeight, 300);
  EXPECT_STREQ(SDL_GetWindowTitle(w->getWindowHandle()), "Launcher");
  w->setTitle(std::string(300, 'x').c_str()); // cut to 255 bytes
  EXPECT_EQ(strlen(SDL_GetWindowTitle(w->getWindowHandle())), 255u);
  // The pointer picture's texture lives in the window's context; a later
  // window must make its own.
  w->setWorldView(0, 0, 0, 1, true);
  KInput::displayMouse();
  ASSERT_NE(KInput::surf_mouse, nullptr);
  delete w;
  EXPECT_EQ(KInput::surf_mouse, nullptr);
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

std::vector<KEvent> ofType(int type) {
  std::vector<KEvent> out;
  for (const KEvent &e : received)
    if (e.type == type)
      out.push_back(e);
  return out;
}

SDL_Event event(Uint32 type) {
  SDL_Event e;
  memset(&e, 0, sizeof(e));
  e.type = type;
  return e;
}

void push(SDL_Event e) { SDL_PushEvent(&e); }

// A key press or release, and after it the text it types (if any).
void pushKey(Uint32 type, SDL_Scancode scancode, const char *text = nullptr) {
  SDL_Event e = event(type);
  e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
  e.key.keysym.scancode = scancode;
  e.key.keysym.sym = SDL_GetKeyFromScancode(scancode);
  SDL_PushEvent(&e);
  if (text) {
    e = event(SDL_TEXTINPUT);
    snprintf(e.text.text, sizeof(e.text.text), "%s", text);
    SDL_PushEvent(&e);
  }
}

// A button, or (SDL_MOUSEMOTION) a move, at a place of a window.
void pushPointer(Uint32 type, Uint8 button = SDL_BUTTON_LEFT, Uint8 clicks = 1, Uint32 windowID = 0, int x = 0,
                 int y = 0, Uint32 state = 0) {
  SDL_Event e = event(type);
  if (type == SDL_MOUSEMOTION) {
    e.motion.windowID = windowID, e.motion.x = x, e.motion.y = y;
    e.motion.state = state;
  } else {
    e.button.windowID = windowID, e.button.x = x, e.button.y = y;
    e.button.button = button;
    e.button.clicks = clicks;
    e.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
  }
  SDL_PushEvent(&e);
}

void pushWheel(int y) {
  SDL_Event e = event(SDL_MOUSEWHEEL);
  e.wheel.y = y;
  e.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
  SDL_PushEvent(&e);
}

void pushWindowEvent(Uint8 kind, Uint32 windowID = 0) {
  SDL_Event e = event(SDL_WINDOWEVENT);
  e.window.event = kind;
  e.window.windowID = windowID;
  SDL_PushEvent(&e);
}

class WindowTest : public testsupport::GLWindowFixture {
protected:
  static void SetUpTestSuite() { openWindow(W, H, false, "KWindowGL test"); }
  void SetUp() override {
    GLWindowFixture::SetUp();
    callbackResult = true;
    window->setNUXCallBack(&recordEvent);
    window->setCallBack(nullptr);
    window->setQuit(false);
    window->setGamma(1.0f);
    window->setMaxFrameRate(100);
    window->setClearColor(0, 0, 0, 1);
    KInput::clearInjectedInput();
    KInput::injectMouse(true, 100, 100, false);
    // Dispatches whatever the platform queued, then forgets it.
    pump(50);
    SDL_PumpEvents();
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    received.clear();
  }
  void TearDown() override {
    KInput::clearInjectedInput();
    window->setNUXCallBack(nullptr);
    window->setCallBack(nullptr);
    window->setQuit(false);
  }
  // Runs processEvents until the pushed events have been handled.
  static void pump(int times = 10) {
    for (int i = 0; i < times; i++)
      window->processEvents();
  }
  // The window loses or regains the focus.
  static void focus(bool gained) {
    pushWindowEvent(gained ? SDL_WINDOWEVENT_FOCUS_GAINED : SDL_WINDOWEVENT_FOCUS_LOST);
    pump(3);
  }
};

// ---- pacing ----------------------------------------------------------------------------

TEST_F(WindowTest, BackWindowWithoutFocusWaitsUntilFocusOrQuit) {
  ManualClock clock;
  ScopedClock use(&clock);
  window->setMaxFrameRate(0);
  focus(false);
  EXPECT_FALSE(window->hasFocus());
  int sleeps = 0;
  clock.onSleep = [&](uint32_t) {
    if (++sleeps == 7)
      pushWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
  };
  window->flipBackBuffer(true, false);
  EXPECT_GE(sleeps, 7);
  EXPECT_TRUE(window->hasFocus());

  focus(false);
  sleeps = 0;
  clock.onSleep = [&](uint32_t) {
    if (++sleeps == 3)
      window->terminate();
  };
  window->flipBackBuffer(true, false);
  EXPECT_TRUE(window->isQuit());
  clock.onSleep = nullptr;
  // With the quit already raised: one event after the swap, one more in the
  // wait, which then stops; without waitForWindowInBack only the swap's.
  received.clear();
  clock.sleepCalls = 0;
  for (int i = 0; i < 4; i++)
    pushPointer(SDL_MOUSEBUTTONUP);
  window->flipBackBuffer(true, false);
  EXPECT_EQ(ofType(K_EVENT_MOUSEUP).size(), 2u);
  EXPECT_EQ(clock.sleepCalls, 0u);
  window->flipBackBuffer(false, false);
  EXPECT_EQ(ofType(K_EVENT_MOUSEUP).size(), 3u);
  window->setQuit(false);
  focus(true);
}

TEST_F(WindowTest, SystemPointerShowsOutsideTheDrawingAreaOnly) {
  const long places[][3] = {{100, 100, 0}, {800, 300, 0}, {400, 600, 0}, {-1, 300, 1},
                            {801, 300, 1}, {400, -1, 1},  {400, 601, 1}}; // x, y, outside
  window->setMaxFrameRate(0);
  for (const auto &p : places) {
    KInput::showPointer();
    KInput::hidePointer(); // the game hides the pointer: it draws its own
    KInput::injectMouse(true, p[0], p[1], false);
    window->flipBackBuffer(false, false);
    EXPECT_EQ(KInput::_cursorVis, p[2] ? 0 : -1) << p[0] << "," << p[1];
    EXPECT_FALSE(KInput::_cursorVisibility);
    // Coming back inside hides it again.
    KInput::injectMouse(true, 10, 10, false);
    window->flipBackBuffer(false, false);
    EXPECT_EQ(KInput::_cursorVis, -1);
  }
  KInput::showPointer();
}

// ---- world view and darkening ---------------------------------------------------------------

TEST_F(WindowTest, GammaBelowOneDarkensThePresentedFrame) {
  window->setMaxFrameRate(0);
  KGraphicGL g;
  window->setWorldView(0, 0, 0, 1, true);
  g.drawRect(0, 0, 800, 600, 1, 1, 1, 1);
  window->setGamma(0.25f);
  window->flipBackBuffer(false, false);
  // Mesa's software swap copies the back buffer out and keeps it, so the
  // presented frame can be read there.
  EXPECT_NEAR(capture().at(400, 300).r, 64, 2);
  EXPECT_EQ(KGraphicGL::_oldBindedText, 0xFFFFFFFFu);
}

// ---- events ------------------------------------------------------------------------------------

// The events received, in words: a key event as its type, its character
// (hex) and its virtual key; any other as its type and its button (the
// wheel: its turn). Every event carries the pointer's place and the engine
// key of its virtual key.
std::string described(KWindowGL *window) {
  const char *names[] = {"", "move", "up", "down", "", "char", "keydown", "keyup", "double", "", "", "wheel", "menu"};
  std::string out;
  for (const KEvent &e : received) {
    char word[48];
    if (e.type == K_EVENT_KEYDOWN || e.type == K_EVENT_KEYCHAR || e.type == K_EVENT_KEYUP)
      snprintf(word, sizeof word, "%s %02x %d", names[e.type], (unsigned char)e.character, (int)e.virtualKey);
    else
      snprintf(word, sizeof word, "%s %d", names[e.type], e.type == K_EVENT_WHEEL ? e.wheel : (int)e.buttonIndex);
    out += (out.empty() ? "" : ", ") + std::string(word);
    EXPECT_EQ(e.nuxKey, KInput::getNUXKey((unsigned short)e.virtualKey)) << word;
    EXPECT_TRUE(e.mouseX == 100 && e.mouseY == 100) << word; // where the fixture put the pointer
  }
  return out + (window->isQuit() ? "quit" : "");
}

// A key press gives a key-down, then (unless the game handled it) the same
// record as a typed character: the ISO 8859-1 byte of the text that followed
// it, else the control key's own. Modifier keys send nothing; a release
// carries the character its press typed.
TEST_F(WindowTest, SdlEventsBecomeTheGamesEvents) {
  const SDL_Scancode modifiers[] = {SDL_SCANCODE_LSHIFT, SDL_SCANCODE_RSHIFT,  SDL_SCANCODE_LCTRL,
                                    SDL_SCANCODE_RCTRL,  SDL_SCANCODE_LALT,    SDL_SCANCODE_RALT,
                                    SDL_SCANCODE_LGUI,   SDL_SCANCODE_CAPSLOCK};
  const struct {
    const char *name;
    bool handled; // the game's callback answers "handled"
    std::function<void()> push;
    const char *events;
  } cases[] = {
      {"è", false, [] { pushKey(SDL_KEYDOWN, SDL_SCANCODE_E, "\xC3\xA8"); }, "keydown e8 14, char e8 14"},
      {"handled", true, [] { pushKey(SDL_KEYDOWN, SDL_SCANCODE_A, "a"); }, "keydown 61 0"},
      {"backspace", false, [] { pushKey(SDL_KEYDOWN, SDL_SCANCODE_BACKSPACE); }, "keydown 08 51, char 08 51"},
      {"return", false, [] { pushKey(SDL_KEYDOWN, SDL_SCANCODE_RETURN); }, "keydown 0d 36, char 0d 36"},
      {"ñ", false, [] { pushKey(SDL_KEYDOWN, SDL_SCANCODE_N, "\xC3\xB1"); }, "keydown f1 45, char f1 45"},
      {"€ is not Latin-1", false, [] { pushKey(SDL_KEYDOWN, SDL_SCANCODE_E, "\xE2\x82\xAC"); },
       "keydown 00 14, char 00 14"},
      {"F9", false, [] { pushKey(SDL_KEYDOWN, SDL_SCANCODE_F9); }, "keydown 00 101, char 00 101"},
      {"!", false, [] { pushKey(SDL_KEYDOWN, SDL_SCANCODE_1, "!"); }, "keydown 21 18, char 21 18"},
      {"no engine key", false, [] { pushKey(SDL_KEYDOWN, SDL_SCANCODE_APPLICATION); }, "keydown 00 255, char 00 255"},
      {"modifiers", false,
       [&] {
         for (SDL_Scancode m : modifiers)
           pushKey(SDL_KEYDOWN, m);
         pushKey(SDL_KEYDOWN, SDL_SCANCODE_B, "B");
         for (SDL_Scancode m : modifiers)
           pushKey(SDL_KEYUP, m);
         pushKey(SDL_KEYUP, SDL_SCANCODE_B);
         pushKey(SDL_KEYUP, SDL_SCANCODE_ESCAPE);
       },
       "keydown 42 11, char 42 11, keyup 42 11, keyup 1b 53"},
      // A move while dragging is not reported.
      {"buttons", false,
       [] {
         pushPointer(SDL_MOUSEBUTTONDOWN);
         pushPointer(SDL_MOUSEBUTTONUP);
         pushPointer(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 2);
         pushPointer(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_MIDDLE);
         pushPointer(SDL_MOUSEMOTION);
         pushPointer(SDL_MOUSEMOTION, 0, 0, 0, 0, 0, SDL_BUTTON_LMASK);
       },
       "down 1, up 1, double 1, down 3, move 0"},
      // The secondary button is also the contextual-menu request.
      {"secondary", false, [] { pushPointer(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT); }, "down 2, menu 0"},
      {"wheel", true, [] { pushWheel(3); }, "wheel 3"},
      {"close", false, [] { pushWindowEvent(SDL_WINDOWEVENT_CLOSE); }, "quit"},
      {"quit", false, [] { push(event(SDL_QUIT)); }, "quit"},
  };
  for (const auto &c : cases) {
    received.clear();
    callbackResult = !c.handled;
    window->setQuit(false);
    c.push();
    pump(30);
    EXPECT_EQ(described(window), c.events) << c.name;
  }
  // The wheel counts once whatever the game answered; a newer turn replaces
  // an unread one.
  EXPECT_TRUE(KInput::getRightButtonState());
  EXPECT_EQ(KInput::getWheelValue(), 3);
  EXPECT_EQ(KInput::getWheelValue(), 0);
  pushPointer(SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT);
  pushWheel(-2);
  pushWheel(-1);
  pump();
  EXPECT_FALSE(KInput::getRightButtonState());
  EXPECT_EQ(KInput::getWheelValue(), -1);
}

TEST_F(WindowTest, RawFilterKeepsEventsFromEveryoneAndNoCallbackStillKeepsInputState) {
  window->setCallBack(&refuseAll);
  pushWheel(4);
  pushPointer(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT);
  pushWindowEvent(SDL_WINDOWEVENT_CLOSE);
  pump();
  EXPECT_TRUE(received.empty());
  EXPECT_EQ(KInput::getWheelValue(), 0);
  EXPECT_FALSE(KInput::getRightButtonState());
  EXPECT_FALSE(window->isQuit());
  window->setCallBack(nullptr);
  window->setNUXCallBack(nullptr);
  pushWheel(2);
  pushKey(SDL_KEYDOWN, SDL_SCANCODE_A, "a");
  pushKey(SDL_KEYUP, SDL_SCANCODE_A);
  pushPointer(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT);
  pushPointer(SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT);
  pump();
  EXPECT_EQ(KInput::getWheelValue(), 2);
  EXPECT_TRUE(received.empty());
}

// ---- presses shorter than a frame and the pointer from the window's events ------------

// A press and its release queued together, as remote desktops, on-screen
// keyboards and xdotool send them: the key map never shows the key held.
TEST_F(WindowTest, InstantKeyPressesAreSeenOnceAndAutoRepeatsAddNone) {
  const std::pair<SDL_Scancode, EKeyboardLayout> keys[] = {{SDL_SCANCODE_ESCAPE, K_VK_ESCAPE},
                                                           {SDL_SCANCODE_RETURN, K_VK_RETURN},
                                                           {SDL_SCANCODE_F9, K_VK_F9},
                                                           {SDL_SCANCODE_SPACE, K_VK_SPACE},
                                                           {SDL_SCANCODE_LSHIFT, K_VK_L_SHIFT}};
  for (const auto &k : keys) {
    pushKey(SDL_KEYDOWN, k.first);
    pushKey(SDL_KEYUP, k.first);
    pump();
    EXPECT_TRUE(KInput::isPressed(k.second)) << k.first;
    EXPECT_FALSE(KInput::isPressed(k.second)) << k.first; // each press once
  }
  SDL_Event repeat = event(SDL_KEYDOWN);
  repeat.key.repeat = 1;
  repeat.key.keysym.scancode = SDL_SCANCODE_ESCAPE;
  push(repeat);
  pump();
  EXPECT_FALSE(KInput::isPressed(K_VK_ESCAPE));
  // A press the game never read is gone once two frames have begun.
  window->setMaxFrameRate(0);
  pushKey(SDL_KEYDOWN, SDL_SCANCODE_F9);
  pump();
  window->flipBackBuffer(false, false);
  window->flipBackBuffer(false, false);
  EXPECT_FALSE(KInput::isPressed(K_VK_F9));
}

TEST_F(WindowTest, InstantCtrlQQuitsAndLeavesTheQForTheGame) {
  pushWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
  pushKey(SDL_KEYDOWN, SDL_SCANCODE_LCTRL);
  pushKey(SDL_KEYDOWN, SDL_SCANCODE_Q);
  pushKey(SDL_KEYUP, SDL_SCANCODE_Q);
  pushKey(SDL_KEYUP, SDL_SCANCODE_LCTRL);
  pump();
  EXPECT_TRUE(window->isQuit());
  EXPECT_TRUE(KInput::isPressed(K_VK_Q));
}

// Pointer moves that do not reach the platform's global position (XTest,
// pointer warps) are followed through the window's own events while the
// pointer is inside; once it leaves, the platform answers as before.
TEST_F(WindowTest, PointerFollowsTheWindowsOwnEventsUntilItLeaves) {
  KInput::clearInjectedInput();
  Uint32 id = SDL_GetWindowID(window->getWindowHandle());
  const struct {
    Uint32 type, windowID;
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
    pushPointer(step.type, SDL_BUTTON_LEFT, 1, step.windowID, step.x, step.y);
    pump();
    EXPECT_EQ(KInput::getMouseX(), step.ex) << step.x << "," << step.y;
    EXPECT_EQ(KInput::getMouseY(), step.ey) << step.x << "," << step.y;
  }
  pushWindowEvent(SDL_WINDOWEVENT_LEAVE, id);
  pump();
  // The platform's position: the global one less the window's.
  int gx = 0, gy = 0, wx = 0, wy = 0;
  SDL_GetGlobalMouseState(&gx, &gy);
  SDL_GetWindowPosition(sdlDisplayMapping().window, &wx, &wy);
  EXPECT_EQ(KInput::getMouseX(), gx - wx);
  EXPECT_EQ(KInput::getMouseY(), gy - wy);
}

// ---- screenshots -----------------------------------------------------------------------------

// A picture file read back as R, G, B; 0 x 0 when unreadable.
struct Picture {
  int w = 0, h = 0;
  std::vector<unsigned char> rgb;
  explicit Picture(const std::string &path) {
    int n = 0;
    unsigned char *p = stbi_load(path.c_str(), &w, &h, &n, 3);
    if (p)
      rgb.assign(p, p + (size_t)w * h * 3);
    stbi_image_free(p);
  }
  const unsigned char *at(int x, int y) const { return &rgb[((size_t)y * w + x) * 3]; }
};

bool exists(const std::string &path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

std::string shot(const std::string &folder, int n) { return folder + "/screenshot" + std::to_string(n) + ".tga"; }

// Draws red over the top-left 20 x 10 pixels on blue.
void drawKnownFrame(KWindowGL *window) {
  window->setClearColor(0, 0, 1, 1);
  window->setWorldView(0, 0, 0, 1, true);
  KGraphicGL g;
  g.drawRect(0, 0, 20, 10, 1, 0, 0, 1);
}

// Left Shift with Print Screen or F12 writes the next numbered TGA file,
// the right way up, into the folder the game names (else the resource
// folder), never over an earlier run's picture.
TEST_F(WindowTest, ScreenshotKeysWriteNumberedTgaFilesWithoutOverwriting) {
  const std::string resources = dir + "/Resources", chosen = dir + "/Chosen";
  mkdir(resources.c_str(), 0755);
  mkdir(chosen.c_str(), 0755);
  testsupport::ResourceFolder folder(resources);
  ManualClock clock;
  ScopedClock use(&clock);
  EKeyboardLayout key = K_VK_SNAPSHOT;
  // The keys are released while the window waits for them.
  clock.onSleep = [&](uint32_t) {
    KInput::injectKey(key, false);
    KInput::injectKey(K_VK_L_SHIFT, false);
  };
  auto shoot = [&](EKeyboardLayout k) {
    key = k;
    drawKnownFrame(window);
    KInput::injectKey(K_VK_L_SHIFT, true);
    KInput::injectKey(k, true);
    window->processEvents();
    return KWindowGL::screenshotCount();
  };
  int first = shoot(K_VK_SNAPSHOT);
  EXPECT_EQ(shoot(K_VK_F12), first + 1);
  EXPECT_TRUE(exists(shot(resources, first)));
  EXPECT_TRUE(exists(shot(resources, first + 1)));
  EXPECT_EQ(recorder->count("export ok"), 2);
  Picture p(shot(resources, first));
  ASSERT_EQ(p.w, W);
  EXPECT_EQ(p.h, H);
  EXPECT_EQ(p.at(5, 5)[0], 255); // red at the top-left
  EXPECT_EQ(p.at(5, 5)[2], 0);
  EXPECT_EQ(p.at(5, 15)[2], 255); // blue below it
  EXPECT_EQ(p.at(5, 595)[2], 255);
  // An earlier run left the next two numbers in the chosen folder.
  for (int n : {first + 2, first + 3})
    write("Chosen/screenshot" + std::to_string(n) + ".tga", "kept");
  KWindowGL::setScreenshotFolder(chosen.c_str());
  int third = shoot(K_VK_F12);
  KWindowGL::setScreenshotFolder(nullptr);
  EXPECT_EQ(third, first + 4);
  EXPECT_EQ(testsupport::readFile(shot(chosen, first + 2)), "kept");
  EXPECT_EQ(testsupport::readFile(shot(chosen, first + 3)), "kept");
  EXPECT_GT(testsupport::readFile(shot(chosen, third)).size(), 4u);
  EXPECT_FALSE(exists(shot(resources, third)));
}

TEST_F(WindowTest, SaveBackBufferWritesEveryFormatAndReportsAnUnwritableFile) {
  const struct {
    long format;
    const char *name;
    int tolerance; // JPEG is lossy
  } cases[] = {{0, "shot.bmp", 0}, {1, "shot.jpg", 24}, {2, "shot.tga", 0}, {3, "shot.png", 0}};
  for (const auto &c : cases) {
    drawKnownFrame(window);
    std::string path = dir + "/" + c.name;
    ASSERT_TRUE(window->saveBackBuffer(path.c_str(), c.format, 0, 0)) << c.name;
    Picture p(path);
    ASSERT_EQ(p.w, W) << c.name;
    EXPECT_EQ(p.h, H);
    EXPECT_NEAR(p.at(5, 5)[0], 255, c.tolerance) << c.name;
    EXPECT_NEAR(p.at(400, 300)[2], 255, c.tolerance) << c.name;
  }
  // Another size is sampled to that size.
  ASSERT_TRUE(window->saveBackBuffer((dir + "/half.png").c_str(), 3, 400, 300));
  Picture half(dir + "/half.png");
  ASSERT_EQ(half.w, 400);
  EXPECT_EQ(half.h, 300);
  EXPECT_EQ(half.at(2, 2)[0], 255);
  recorder->clear();
  EXPECT_FALSE(window->saveBackBuffer("/nonexistent-folder/shot.tga", 2, 0, 0));
  EXPECT_EQ(recorder->count("can't build fsspec"), 1);
  EXPECT_EQ(recorder->count("export ok"), 0);
}

// ---- full screen -----------------------------------------------------------------------------

TEST_F(WindowTest, FullScreenLetterboxesAndKeepsPictures) {
  std::vector<uint32_t> px(64 * 64, 0xFF00FF00u); // opaque green
  KGraphicGL g;
  ASSERT_TRUE(g.makePictureFromArray(px.data(), 64, 64, true, false));
  KInput::showPointer();
  KInput::hidePointer();
  window->toggleFullScreen(true);
  EXPECT_TRUE(coversTheScreen(sdlDisplayMapping().window));
  EXPECT_EQ(KInput::_cursorVis, -1); // the switch keeps the pointer's hide count
  EXPECT_TRUE(window->isFullScreen());
  EXPECT_EQ(window->getWindowHandle(), nullptr);
  EXPECT_TRUE(window->hasFocus());
  const SdlDisplayMapping &m = sdlDisplayMapping();
  window->setClearColor(0, 0, 0, 1);
  window->setWorldView(0, 0, 0, 1, true);
  // The drawing area keeps the 4:3 aspect inside the screen; read back in
  // drawing pixels, the picture sits around the centre.
  EXPECT_EQ(m.areaW * 3, m.areaH * 4);
  g.blitRect(0, 0, 64, 64, 368, 268, false, false);
  std::vector<unsigned char> shot(W * H * 4);
  ASSERT_TRUE(sdlReadDrawingPixels(GL_BACK, shot.data()));
  const unsigned char *centre = &shot[((size_t)(H - 1 - 300) * W + 400) * 4];
  EXPECT_EQ(centre[1], 255);
  EXPECT_EQ(centre[0], 0);
  EXPECT_EQ(shot[((size_t)(H - 1 - 10) * W + 10) * 4 + 1], 0); // a corner
  // Pointer positions map back into drawing pixels.
  int dx = 0, dy = 0;
  sdlWindowToDrawing(m, m.areaX + m.areaW / 2, m.areaY + m.areaH / 2, &dx, &dy);
  EXPECT_NEAR(dx, 400, 1);
  EXPECT_NEAR(dy, 300, 1);
  sdlWindowToDrawing(m, m.areaX - 20, m.areaY, &dx, &dy);
  EXPECT_LT(dx, 0);

  window->toggleFullScreen(false);
  SDL_Rect real = realGeometry(window->getWindowHandle(), W, H);
  EXPECT_EQ(real.w, W);
  EXPECT_EQ(real.h, H);
  EXPECT_EQ(KInput::_cursorVis, -1);
  KInput::showPointer();
  EXPECT_FALSE(window->isFullScreen());
  EXPECT_NE(window->getWindowHandle(), nullptr);
  window->setWorldView(0, 0, 0, 1, true);
  g.blitRect(0, 0, 64, 64, 0, 0, false, false);
  EXPECT_TRUE(capture().allNear(0, 0, 64, 64, Rgba{0, 255, 0, 255}));
}

} // namespace
