// The program's entry routine (see entry.h): start-up, the launcher loop, the
// game window and its loop, and shutdown, in the order the game needs them.
#include "entry.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "KInput.h"
#include "KMiscTools.h"
#include "KNUX.h"
#include "KText.h"
#include "KWindow.h"
#include "KWindowGL.h"

#include "access.h"
#include "fonttables.h"
#include "globals.h"
#include "online.h"
#include "pads.h"
#include "play.h"
#include "prefs.h"
#include "questions.h"
#include "screens.h"
#include "speech.h"
#include "userfiles.h"

void (*g_frameObserver)() = nullptr;

namespace {

char g_title[64];

// The system pointer is hidden while the pointer is inside the drawing area
// (the game draws its own) and shown outside it; x or y at 0 counts as outside.
void UpdatePointerVisibility(int16_t x, int16_t y, int width, int height) {
  if ((uint16_t)(x - 1) <= (uint16_t)(width - 2) && y >= 1 && y <= height - 1)
    KInput::hidePointer();
  else
    KInput::showPointer();
}

// Both fonts, the big one first as the launcher makes them, or the small one
// first as the game window does.
void MakeFonts(bool smallFirst) {
  if (smallFirst)
    ktext_small = new KText(KMiscTools::makeFilePath("gfx\\letters02.png"), fontTable2);
  ktext_font = new KText(KMiscTools::makeFilePath("gfx\\letters01.tga"), fontTable);
  if (!smallFirst)
    ktext_small = new KText(KMiscTools::makeFilePath("gfx\\letters02.png"), fontTable2);
}

void FreeFonts() {
  delete ktext_font;
  ktext_font = nullptr;
  delete ktext_small;
  ktext_small = nullptr;
}

// Ends a frame: the pointer at (x, y), then the flip.
void PresentFrame(KWindow *window, int16_t x, int16_t y, bool waitForWindowInBack) {
  DrawPointer(x, y);
  window->flipBackBuffer(waitForWindowInBack, true);
  if (g_frameObserver)
    g_frameObserver();
}

// Deletes a window after what was made in it.
void DeleteWindow(KWindow *&window) {
  if (!window)
    return;
  window->setNUXCallBack(nullptr);
  delete window;
  window = nullptr;
}

} // namespace

bool ourOwnEventCallback(KEvent *event) {
  if (!event)
    return false;
  // Only key events touch the typed character, so a mouse move between a key
  // press and the next frame does not lose it.
  if (event->type == K_EVENT_KEYCHAR) {
    lastchar = event->character == 13 ? 0 : event->character;
    return false;
  }
  if (event->type == K_EVENT_KEYDOWN)
    lastchar = 0;
  return true;
}

const char *WindowTitle() { return g_title; }

void StartUp() {
  KMiscTools::initMiscTools();
  KMiscTools::setFileSource(true);
  Timer = (int32_t)KMiscTools::getMilliseconds();
  ReadStartPrefs(PrefsPath()); // a missing file leaves every preference 0 but the volumes
  ReadAccess(AccessPath());    // reading aloud and the answer clock; off and 15 s without it
  KWindowGL::setScreenshotFolder(ScreenshotFolder());
  KLog::setLogFolder(ScreenshotFolder()); // the engine's diagnostics, in "trivello.log"
  KInput::hidePointer();
  LoadSounds();
  PadsStart(); // no controller support leaves mouse and keyboard
  srand(KMiscTools::getMilliseconds());
  StartResendingScores(); // scores a failed submit left behind, beside the loop
  GameInit();
  snprintf(g_title, sizeof(g_title), "Trivello - the trivia quiz - (c) %d the Trivello team",
           (int)KMiscTools::getYear());
}

bool OpenLauncher() {
  launchWindow = KNUX::createKWindow(K_DIRECTX, false);
  if (!launchWindow)
    return false;
  if (!launchWindow->createGameWindow(400, 300, -1, true, g_title) || !SCR_INIT())
    return false;
  MakeFonts(false);
  launchWindow->setNUXCallBack(ourOwnEventCallback);
  LoadPointer();
  return true;
}

bool LauncherFrame() {
  launchWindow->setDefaultWorldView();
  int16_t x = (int16_t)KInput::getMouseX(), y = (int16_t)KInput::getMouseY();
  UpdatePointerVisibility(x, y, 400, 300);
  if (KInput::isPressed(K_VK_ESCAPE)) {
    KInput::waitForKeyRelease(K_VK_ESCAPE);
    Finish = 1;
    return false;
  }
  if (StartGame == 1)
    return false;
  launchWindow->setWorldView(0, 0, 0, 1.0f, true);
  SCR_DRAW();
  SCR_CLICK();
  PresentFrame(launchWindow, x, y, true);
  return !launchWindow->isQuit();
}

void CloseLauncher() {
  SavePrefs(); // a failed write is not reported
  freePointer();
  FreeFonts();
  FreeImageSlots(0); // pictures belong to the window they were made in
  launchWindow->terminate();
  DeleteWindow(launchWindow);
  KMiscTools::pause(100, false);
}

bool OpenGameWindow() {
  gameWindow = KNUX::createKWindow(GV.rendererChoice == 0 ? K_OPENGL : K_DIRECTX, false);
  if (!gameWindow || Finish == 1)
    return false;
  Finish = 0;
  if (!gameWindow->createGameWindow(800, 600, 16, GV.windowed != 0, g_title))
    return false;
  GoToScreen(SCREEN_TITLE);
  LoadPointer();
  gameWindow->setNUXCallBack(ourOwnEventCallback);
  KInput::hidePointer();
  MakeFonts(true);
  ReadQuestions();
  return true;
}

bool GameFrame() {
  if (KInput::isPressed(K_VK_ESCAPE))
    return false;
  if (KInput::isPressed(K_VK_F9))
    AllAnswered = 1;
  if (Finish == 1)
    return false;
  gameWindow->setWorldView(0, 0, 0, 1.0f, true);
  SCR_DRAW();
  SCR_CLICK();
  int16_t x = (int16_t)KInput::getMouseX(), y = (int16_t)KInput::getMouseY();
  UpdatePointerVisibility(x, y, 800, 600);
  PresentFrame(gameWindow, x, y, false);
  return !gameWindow->isQuit();
}

void CloseGameWindow() {
  FreeFonts();
  gameWindow->setNUXCallBack(nullptr);
  freePointer();
  ShutdownSpeech();
  FreeSounds();
  FreeMusic();
  FreeImageSlots(0);
  gameWindow->terminate();
  DeleteWindow(gameWindow);
}

void ReleaseEverything() {
  // Pictures first, while the window they were made in still exists.
  FreeFonts();
  freePointer();
  FreeImageSlots(0);
  DeleteWindow(launchWindow);
  DeleteWindow(gameWindow);
  ShutdownSpeech();
  FreeSounds();
  FreeMusic();
  PadsStop();
}

int TrivelloMain() {
  StartUp();
  if (OpenLauncher()) {
    while (LauncherFrame()) {
    }
    CloseLauncher();
    if (StartGame != 0 && OpenGameWindow()) {
      while (GameFrame()) {
      }
      CloseGameWindow();
    }
  }
  ReleaseEverything();
  return 0;
}
