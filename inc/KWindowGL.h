// KWindowGL: the OpenGL window (SDL2 window with a compatibility-profile
// context). Opens a centred window or takes the desktop's full-screen mode,
// sets up the 2D world view, presents and paces frames, and turns SDL events
// into KEvent records for the game's callback.
#ifndef KWINDOWGL_H
#define KWINDOWGL_H

#include <cstdint>

#include "KWindow.h"

class KWindowGL : public KWindow {
public:
  KWindowGL();
  explicit KWindowGL(bool use3D);
  ~KWindowGL() override;

  void setDefaultWorldView() override;
  void setWorldView(float translateX, float translateY, float rotation, float zoom, bool clearworld) override;
  void setClearColor(float r, float g, float b, float alpha) override;
  bool createGameWindow(short width, short height, short depth, bool windowed, const char *windowName) override;
  void terminate() override;
  void toggleFullScreen(bool fullscreenState) override;
  bool hasFocus() override;
  void setTitle(const char *title) override;
  void flipBackBuffer(bool waitForWindowInBack, bool restoreview) override;
  void processEvents() override;
  bool isQuit() override;
  SDL_Window *getWindowHandle() override;
  void setMaxFrameRate(long desiredFrameRate) override;
  bool getRectangleTexCap() override;
  bool getAccelerationCap() override;
  void setRectangleTexCap(bool rectangleTexCap) override;
  void setGamma(float gammai) override;
  long getWindowWidth() override;
  long getWindowHeight() override;
  void restore() override;
  void minimize() override;
  bool saveBackBuffer(const char *cpcFileName, long picformat, long newWidth, long newHeight) override;
  void displayMouse(bool mousestate) override;
  void setCallBack(bool (*userProc)(SDL_Event *event)) override;
  void setNUXCallBack(bool (*nuxCallback)(KEvent *event)) override;
  void setQuit(bool quit) override;

  // Scales every colour transfer table of the display by f (1.0 restores
  // the tables saved when the window opened, 0 is black). Does nothing where
  // the display has no gamma ramp.
  void fadeToIntensity(float f);
  // Milliseconds per frame of the cap, 0 = none.
  uint32_t getMaxFrameTime() const { return _maxFrameTime; }
  bool isFullScreen() const { return _fullscreen; }
  // The number of the last screenshot file the screenshot key wrote
  // (screenshot<n>.tga), 0 before the first. Numbers of files already in
  // the folder are skipped, so an earlier run's screenshots are kept.
  static int32_t screenshotCount();
  // The folder the screenshot key writes into. Null or empty (the default):
  // the resource folder, as makeFilePath resolves "screenshot%d.tga". A game
  // whose resource folder is read-only (an installed copy) names a folder of
  // the user's here. The text is copied.
  static void setScreenshotFolder(const char *folder);
  // Forgets when the last paced frame ended, so the next frame does not wait
  // (a new run, or a test that installs another clock).
  static void resetPacing();

  float _redTable[256], _greenTable[256], _blueTable[256]; // gamma tables at opening
  void *_activeGLContext;                                  // SDL_GLContext drawn to
  void *_openGLContextWindow;                              // the context (shared by window and full screen)
  void *_openGLContextFullScreen;                          // the same context while full screen, else null
  SDL_Window *_hwnd;                                       // the document window; null in full screen
  bool (*_userCallback)(SDL_Event *event);
  bool (*_nuxCallback)(KEvent *event);
  int16_t _aglFSWidth, _aglFSHeight, _aglFSFrequency; // full-screen mode in use
  char _windowName[256];
  bool _minimized;
  int16_t sourceScreenDepth, gameScreenDepth; // declared, not used
  uint32_t _maxFrameTime;                     // minimum milliseconds per frame; 0 = no cap
  int32_t _metal;                             // always 0
  bool _displayNUXMouse;                      // draw the engine's pointer at each flip
  bool _fullscreen;
  bool isAccelerated; // always true
  bool _use3D;        // request a 16-bit depth buffer
  float _gamma;       // brightness factor, 1.0 = normal

  static bool _quitGL; // the quit request, shared by all windows
  static int16_t _windowWidth, _windowHeight, _windowDepth;
  static bool hasRectangleText; // rectangle textures available

private:
  void init(bool use3D);
  void detectCaps();
  void doGammaAdjustment();
  bool readGammaRamp();
  bool SwitchToResolution(short width, short height, short depth);
  bool openWindow(short width, short height, short depth);
  void updateSystemPointer();
  void waitForFrameTime();
  void waitForFocus();
  void setUpEventHandlers();
  void disposeHandlers();
  void updateDisplayMapping();
  void dispatchEvent(SDL_Event *event);
  void onWindowEvent(SDL_Event *event);
  void onMouseButton(SDL_Event *event);
  void onMouseMotion(SDL_Event *event);
  void onMouseWheel(SDL_Event *event);
  void onKeyDown(SDL_Event *event);
  void onTextInput(SDL_Event *event);
  void onKeyUp(SDL_Event *event);
  void deliverKeyPress(KEvent *event);
  bool deliver(KEvent *event);
  bool isThisWindow(uint32_t windowID) const;
  void fillEvent(KEvent *event, SDL_Event *native, int32_t button, char character, int32_t virtualKey);
  static void dispatchOneEvent();

  SDL_Window *_sdlWindow; // the SDL window, in both modes
  bool _windowFocused;    // no focus-lost event since the last focus gain
  bool _haveGammaRamp;    // the display accepted a gamma ramp
  float _clearColor[4];
};

#endif
