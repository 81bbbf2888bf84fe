// KWindowGL: the engine's window on SDL2 with an OpenGL compatibility
// (fixed pipeline) context. Opens a centred window or takes the desktop's
// full-screen mode (the drawing size is scaled into it with its aspect kept,
// letterboxed through the viewport), sets up the 2D world view, presents
// frames and paces them, pumps SDL events one at a time into KEvent records
// for the game's callback (and into KInput: key presses, the pointer's
// moves inside the window), handles the quit and screenshot keys and writes
// screenshots with libjpeg-turbo and stb_image_write. Owns the SDL window,
// its GL context and its hold on the GL library.
#include "KWindowGL.h"

#include <SDL.h>
#include <sys/stat.h> // stat: screenshot numbers already taken
#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "KGraphicGL.h"
#include "KInput.h"
#include "KMiscTools.h"
#include "KPad.h"
#include "platform/SdlVideo.h"

// JPEG screenshots are written by libjpeg-turbo (PictureDecoder); BMP, TGA and
// PNG ones by stb_image_write, whose functions stay private here (its JPEG
// writer shifts negative values, which is undefined, so it is not used).
#include "platform/PictureDecoder.h"
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#endif
#include <stb_image_write.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

// ---- constants -------------------------------------------------------------------

static const int kJpegQuality = 90;
static const uint32_t kNoTexture = 0xFFFFFFFFu;

// ---- class-wide state --------------------------------------------------------------

bool KWindowGL::_quitGL = false;
int16_t KWindowGL::_windowWidth = 0;
int16_t KWindowGL::_windowHeight = 0;
int16_t KWindowGL::_windowDepth = 0;
bool KWindowGL::hasRectangleText = false;

namespace {
// When the last paced frame ended (0: the next frame never waits).
uint32_t t1 = 0;
// Screenshots taken with the screenshot key in this run.
int32_t sscount = 0;
// Where the screenshot key writes; empty: the resource folder.
std::string screenshotFolder;

// The path of the next screenshot, "screenshot<n>.tga" in the screenshot
// folder. The number goes on past files already there, so an earlier run's
// pictures are never written over; sscount keeps the number used.
std::string nextScreenshotPath() {
  for (;;) {
    sscount++;
    char name[64];
    snprintf(name, sizeof(name), "screenshot%d.tga", (int)sscount);
    std::string path = screenshotFolder.empty() ? std::string(KMiscTools::makeFilePath(name))
                                                : screenshotFolder + "/" + name;
    struct stat st;
    if (stat(path.c_str(), &st) != 0)
      return path;
  }
}
// The window whose event handlers are installed (one set for all windows).
KWindowGL *handlerWindow = nullptr;
// The full-screen path loaded the GL library itself and holds it until the
// window goes (SDL counts loads; each one needs its unload).
bool glLibraryHeld = false;
// The swap interval last set on the context (-1 unknown).
int currentSwapInterval = -1;

void setSwapInterval(int interval) {
  if (interval != currentSwapInterval && SDL_GL_GetCurrentContext()) {
    SDL_GL_SetSwapInterval(interval);
    currentSwapInterval = interval;
  }
}

// Engine button number of an SDL button: 1 primary, 2 secondary, 3 middle.
int32_t engineButton(Uint8 sdlButton) {
  switch (sdlButton) {
  case SDL_BUTTON_LEFT:
    return 1;
  case SDL_BUTTON_RIGHT:
    return 2;
  case SDL_BUTTON_MIDDLE:
    return 3;
  default:
    return sdlButton;
  }
}

// The ISO 8859-1 byte of the first character of UTF-8 text, 0 when it has
// none (a character outside Latin-1 types nothing).
char latin1OfUtf8(const char *text) {
  const unsigned char *s = (const unsigned char *)text;
  if (!s || !s[0])
    return 0;
  if (s[0] < 0x80)
    return (char)s[0];
  if ((s[0] & 0xE0) == 0xC0 && (s[1] & 0xC0) == 0x80) {
    unsigned cp = ((s[0] & 0x1Fu) << 6) | (s[1] & 0x3Fu);
    return cp <= 0xFF ? (char)(unsigned char)cp : 0;
  }
  return 0;
}

// The character typed by a key that sends no text: the control keys.
char controlCharacterOfKey(SDL_Keycode sym) {
  switch (sym) {
  case SDLK_BACKSPACE:
    return 8;
  case SDLK_TAB:
    return 9;
  case SDLK_RETURN:
  case SDLK_KP_ENTER:
    return 13;
  case SDLK_ESCAPE:
    return 27;
  case SDLK_DELETE:
    return 127;
  default:
    return 0;
  }
}

// Modifier keys (Shift, Control, Alt, the system keys, Caps Lock) send no
// key events of their own, as on the system the engine was made for; their
// state is read with KInput::isPressed.
bool isModifierKey(SDL_Scancode scancode) {
  switch (scancode) {
  case SDL_SCANCODE_LSHIFT:
  case SDL_SCANCODE_RSHIFT:
  case SDL_SCANCODE_LCTRL:
  case SDL_SCANCODE_RCTRL:
  case SDL_SCANCODE_LALT:
  case SDL_SCANCODE_RALT:
  case SDL_SCANCODE_LGUI:
  case SDL_SCANCODE_RGUI:
  case SDL_SCANCODE_CAPSLOCK:
  case SDL_SCANCODE_MODE:
    return true;
  default:
    return false;
  }
}

// The display's depth stands in for a depth of 0 or less; the display mode
// itself is never changed.
short effectiveDepth(short depth) {
  SDL_DisplayMode mode;
  if (SDL_GetCurrentDisplayMode(0, &mode) == 0 && depth <= 0)
    depth = (short)SDL_BITSPERPIXEL(mode.format);
  if (depth < 0)
    depth = 16;
  return depth;
}

// Asks for a double-buffered compatibility context with the fixed pipeline,
// and a depth buffer only for 3D.
void requestGLAttributes(bool use3D) {
  SDL_GL_ResetAttributes();
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 5);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 5);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 5);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, use3D ? 16 : 0);
}

// The character a key press types: the text that follows the press in the
// queue (taken out of the queue with it), else the control key's own.
char takeTypedCharacter(SDL_Keycode sym) {
  char character = controlCharacterOfKey(sym);
  SDL_Event next;
  if (SDL_PeepEvents(&next, 1, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1 && next.type == SDL_TEXTINPUT) {
    SDL_PeepEvents(&next, 1, SDL_GETEVENT, SDL_TEXTINPUT, SDL_TEXTINPUT);
    character = latin1OfUtf8(next.text.text);
  }
  return character;
}

// The character each key typed when it was last pressed, so that its
// release carries the same character (SDL sends text with presses only).
char pressedCharacter[SDL_NUM_SCANCODES];

// Writes bottom-first BGRA pixels as a picture file, the right way up.
// picformat 0 BMP, 1 JPEG, 2 TGA, 3 PNG. Returns false with the exporter's
// messages when the file cannot be written.
bool savePicFile(const char *name, const unsigned char *bgra, long width, long height, long picformat) {
  if (!name || width < 1 || height < 1)
    return false;
  std::vector<unsigned char> rgb((size_t)width * height * 3);
  for (long y = 0; y < height; y++) {
    const unsigned char *s = bgra + (size_t)(height - 1 - y) * width * 4;
    unsigned char *d = &rgb[(size_t)y * width * 3];
    for (long x = 0; x < width; x++) {
      d[x * 3] = s[x * 4 + 2];
      d[x * 3 + 1] = s[x * 4 + 1];
      d[x * 3 + 2] = s[x * 4];
    }
  }
  FILE *f = fopen(name, "wb");
  if (!f) {
    KMiscTools::messageBox("can't build fsspec", "FSGetCatalogInfo failed");
    return false;
  }
  fclose(f);
  int ok = 0;
  int w = (int)width, h = (int)height;
  switch (picformat) {
  case 0:
    ok = stbi_write_bmp(name, w, h, 3, rgb.data());
    break;
  case 1:
    ok = writeJpegFile(name, rgb.data(), width, height, kJpegQuality);
    break;
  case 3:
    ok = stbi_write_png(name, w, h, 3, rgb.data(), w * 3);
    break;
  case 2:
  default:
    stbi_write_tga_with_rle = 0;
    ok = stbi_write_tga(name, w, h, 3, rgb.data());
    break;
  }
  if (!ok) {
    char text[64];
    snprintf(text, sizeof(text), "GraphicsExportDoExport error %d", -1);
    KMiscTools::messageBox("can't do export", text);
    return false;
  }
  KMiscTools::messageBox("export ok", nullptr);
  return true;
}
} // namespace

// ---- construction -------------------------------------------------------------------

KWindowGL::KWindowGL() { init(false); }

KWindowGL::KWindowGL(bool use3D) { init(use3D); }

// A closed window: identity transfer tables, no contexts, pacing to 10 ms.
void KWindowGL::init(bool use3D) {
  SDL_InitSubSystem(SDL_INIT_VIDEO);
  // A new window starts with the system pointer visible.
  SDL_ShowCursor(SDL_ENABLE);
  for (int i = 0; i < 256; i++)
    _redTable[i] = _greenTable[i] = _blueTable[i] = i / 255.0f;
  _activeGLContext = _openGLContextWindow = _openGLContextFullScreen = nullptr;
  _hwnd = nullptr;
  _sdlWindow = nullptr;
  _userCallback = nullptr;
  _nuxCallback = nullptr;
  _aglFSWidth = _aglFSHeight = _aglFSFrequency = 0;
  _windowName[0] = 0;
  _minimized = false;
  sourceScreenDepth = gameScreenDepth = 0;
  _maxFrameTime = 0;
  _metal = 0;
  _displayNUXMouse = false;
  _fullscreen = false;
  _quitGL = false;
  isAccelerated = true;
  _use3D = use3D;
  _gamma = 1.0f;
  _windowFocused = false;
  _haveGammaRamp = false;
  _clearColor[0] = _clearColor[1] = _clearColor[2] = _clearColor[3] = 0.0f;
  setMaxFrameRate(100);
}

// Closes everything in the reverse order of opening; the quit request is
// cleared so that it does not carry over to the next window.
KWindowGL::~KWindowGL() {
  bool opened = _sdlWindow != nullptr;
  _userCallback = nullptr;
  _nuxCallback = nullptr;
  disposeHandlers();
  if (_fullscreen) {
    for (float f = 1.0f; f >= 0.0f; f -= 0.001f)
      fadeToIntensity(f);
  }
  // The software pointer's texture lives in this window's context.
  if (_openGLContextWindow && _sdlWindow) {
    SDL_GL_MakeCurrent(_sdlWindow, (SDL_GLContext)_openGLContextWindow);
    KInput::freeMouse();
  }
  if (_sdlWindow)
    SDL_GL_MakeCurrent(_sdlWindow, nullptr);
  if (_openGLContextWindow)
    SDL_GL_DeleteContext((SDL_GLContext)_openGLContextWindow);
  _openGLContextWindow = _openGLContextFullScreen = _activeGLContext = nullptr;
  currentSwapInterval = -1;
  fadeToIntensity(1.0f);
  KInput::showPointer();
  _fullscreen = false;
  _quitGL = false;
  _use3D = false;
  SdlDisplayMapping &m = sdlDisplayMapping();
  if (m.window == _sdlWindow)
    m = SdlDisplayMapping();
  if (KInput::_hwnd == _sdlWindow)
    KInput::_hwnd = nullptr;
  if (opened)
    KInput::pointerLeft();
  if (_sdlWindow)
    SDL_DestroyWindow(_sdlWindow);
  _sdlWindow = nullptr;
  if (glLibraryHeld) {
    SDL_GL_UnloadLibrary();
    glLibraryHeld = false;
  }
  if (opened)
    KGraphicGL::_oldBindedText = kNoTexture;
  _hwnd = nullptr;
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

// ---- opening ---------------------------------------------------------------------------

// Opens a window centred on the main screen, or takes the full screen.
bool KWindowGL::createGameWindow(short width, short height, short depth, bool windowed, const char *windowName) {
  snprintf(_windowName, sizeof(_windowName), "%s", windowName ? windowName : "");
  _windowWidth = width;
  _windowHeight = height;
  _windowDepth = depth;
  KMiscTools::initMiscTools();
  depth = effectiveDepth(depth);
  requestGLAttributes(_use3D);

  _fullscreen = false;
  if (!windowed) {
    _hwnd = nullptr;
    _fullscreen = true;
    KInput::initInput(nullptr);
    return SwitchToResolution(width, height, depth);
  }
  return openWindow(width, height, depth);
}

// Opens the document window centred on the main screen with its GL context.
bool KWindowGL::openWindow(short width, short height, short depth) {
  SDL_Rect screen = {0, 0, 0, 0};
  SDL_GetDisplayBounds(0, &screen);
  int left = (screen.w - width) / 2 + screen.x;
  int top = (screen.h - height) / 2 + screen.y;
  _sdlWindow = SDL_CreateWindow(_windowName, left, top, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN);
  if (!_sdlWindow) {
    KMiscTools::messageBox("could not create window", nullptr);
    return false;
  }
  _hwnd = _sdlWindow;
  setUpEventHandlers();
  setTitle(_windowName);
  SDL_RaiseWindow(_sdlWindow);
  _windowFocused = true;
  KInput::initInput(_sdlWindow);

  SDL_GLContext ctx = SDL_GL_CreateContext(_sdlWindow);
  if (!ctx) {
    KLog::logFormat(kError, "cannot create an OpenGL context: %s", SDL_GetError());
    return false;
  }
  _openGLContextWindow = ctx;
  SDL_GL_MakeCurrent(_sdlWindow, ctx);
  _activeGLContext = ctx;
  currentSwapInterval = -1;
  KGraphicGL::_oldBindedText = kNoTexture;
  updateDisplayMapping();
  readGammaRamp();
  KGraphicGL::setScreenSize(width, height, depth);
  detectCaps();
  SDL_StartTextInput();
  return true;
}

// Keeps the window's current gamma ramp as the tables fades start from;
// false where the display has none.
bool KWindowGL::readGammaRamp() {
  Uint16 r[256], g[256], b[256];
  if (SDL_GetWindowGammaRamp(_sdlWindow, r, g, b) != 0)
    return false;
  _haveGammaRamp = true;
  for (int i = 0; i < 256; i++) {
    _redTable[i] = r[i] / 65535.0f;
    _greenTable[i] = g[i] / 65535.0f;
    _blueTable[i] = b[i] / 65535.0f;
  }
  return true;
}

// Takes the desktop's full-screen mode and draws the game's size scaled
// into it. Messages and results as for the platform's full-screen context.
bool KWindowGL::SwitchToResolution(short width, short height, short depth) {
  if (!glLibraryHeld) {
    if (SDL_GL_LoadLibrary(nullptr) != 0) {
      KMiscTools::messageBox("OpenGL not installed", "openGL error");
      return false;
    }
    glLibraryHeld = true;
  }
  // The window is made at the screen's place and size, without a border:
  // the full-screen request is carried out by the window manager, and on
  // an X server without one (a kiosk started with xinit) the window would
  // otherwise keep the game's size in the middle of the screen.
  SDL_Rect screen = {0, 0, width, height};
  SDL_GetDisplayBounds(0, &screen);
  _sdlWindow = SDL_CreateWindow(_windowName, screen.x, screen.y, screen.w, screen.h,
                                SDL_WINDOW_OPENGL | SDL_WINDOW_BORDERLESS | SDL_WINDOW_FULLSCREEN_DESKTOP);
  if (!_sdlWindow) {
    KMiscTools::messageBox("Could not find valid pixel format", "openGL error");
    return false;
  }
  if (readGammaRamp()) {
    for (float f = 1.0f; f >= 0.0f; f -= 0.001f)
      fadeToIntensity(f);
  }
  SDL_GLContext ctx = SDL_GL_CreateContext(_sdlWindow);
  if (!ctx) {
    KMiscTools::messageBox("Could not create context", "openGL");
    return false;
  }
  if (SDL_GL_MakeCurrent(_sdlWindow, ctx) != 0) {
    KMiscTools::messageBox("SetCurrentContext failed", "openGL error");
    SDL_GL_DeleteContext(ctx);
    return false;
  }
  SDL_DisplayMode mode;
  _aglFSWidth = width;
  _aglFSHeight = height;
  _aglFSFrequency = SDL_GetDesktopDisplayMode(0, &mode) == 0 ? (int16_t)mode.refresh_rate : 0;
  _openGLContextWindow = _openGLContextFullScreen = _activeGLContext = ctx;
  currentSwapInterval = -1;
  KGraphicGL::_oldBindedText = kNoTexture;
  _windowFocused = true;
  updateDisplayMapping();
  KGraphicGL::setScreenSize(width, height, depth);
  detectCaps();
  _hwnd = nullptr;
  fadeToIntensity(1.0f);
  setUpEventHandlers();
  SDL_StartTextInput();
  return true;
}

// Rectangle textures: the EXT or NV extension. Never set back to false.
void KWindowGL::detectCaps() {
  const char *ext = (const char *)glGetString(GL_EXTENSIONS);
  if (ext && (strstr(ext, "GL_EXT_texture_rectangle") || strstr(ext, "GL_NV_texture_rectangle")))
    hasRectangleText = true;
}

// Recomputes where the drawing area lies in the window (letterbox).
void KWindowGL::updateDisplayMapping() {
  SdlDisplayMapping &m = sdlDisplayMapping();
  m.window = _sdlWindow;
  m.drawWidth = _windowWidth;
  m.drawHeight = _windowHeight;
  int w = _windowWidth, h = _windowHeight;
  if (_sdlWindow)
    SDL_GL_GetDrawableSize(_sdlWindow, &w, &h);
  sdlComputeLetterbox(m, w, h);
}

// Switches between the window and the full screen; the one GL context (and
// so every picture) stays valid.
void KWindowGL::toggleFullScreen(bool fullscreenState) {
  if (_fullscreen == fullscreenState)
    return;
  _fullscreen = fullscreenState;
  if (!_sdlWindow) {
    if (!fullscreenState)
      createGameWindow(_windowWidth, _windowHeight, _windowDepth, true, _windowName);
    return;
  }
  if (fullscreenState) {
    // Covering the screen first makes it full screen even where no window
    // manager carries out the request (as when the window is opened full).
    SDL_Rect screen;
    if (SDL_GetDisplayBounds(SDL_GetWindowDisplayIndex(_sdlWindow), &screen) == 0) {
      SDL_SetWindowBordered(_sdlWindow, SDL_FALSE);
      SDL_SetWindowPosition(_sdlWindow, screen.x, screen.y);
      SDL_SetWindowSize(_sdlWindow, screen.w, screen.h);
    }
    SDL_SetWindowFullscreen(_sdlWindow, SDL_WINDOW_FULLSCREEN_DESKTOP);
    _openGLContextFullScreen = _openGLContextWindow;
    _hwnd = nullptr;
  } else {
    SDL_SetWindowFullscreen(_sdlWindow, 0);
    SDL_SetWindowBordered(_sdlWindow, SDL_TRUE);
    SDL_SetWindowSize(_sdlWindow, _windowWidth, _windowHeight);
    SDL_SetWindowPosition(_sdlWindow, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    _openGLContextFullScreen = nullptr;
    _hwnd = _sdlWindow;
    SDL_RaiseWindow(_sdlWindow);
  }
  _activeGLContext = _openGLContextWindow;
  SDL_GL_MakeCurrent(_sdlWindow, (SDL_GLContext)_activeGLContext);
  // The input learns of the document window the first time there is one
  // (a window opened in full screen); later switches keep the pointer's
  // hide count.
  if (_hwnd && KInput::_hwnd != _hwnd)
    KInput::initInput(_hwnd);
  updateDisplayMapping();
}

// ---- world view ---------------------------------------------------------------------------

// The default view: no translation, rotation or zoom; then pumps one event.
void KWindowGL::setDefaultWorldView() {
  setWorldView(0, 0, 0, 1.0f, false);
  processEvents();
}

// Orthographic drawing space of the window's size (y up), optionally
// cleared, with the model-view centre + rotate(zoom x (p + t - centre)).
void KWindowGL::setWorldView(float translateX, float translateY, float rotation, float zoom, bool clearworld) {
  if (!_activeGLContext)
    return;
  updateDisplayMapping();
  const SdlDisplayMapping &m = sdlDisplayMapping();
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, _windowWidth, 0, _windowHeight, -100, 100);
  glViewport(m.areaX, m.windowH - m.areaY - m.areaH, m.areaW, m.areaH);
  if (clearworld)
    glClear(GL_COLOR_BUFFER_BIT);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  int cx = _windowWidth / 2, cy = _windowHeight / 2;
  glTranslatef((float)cx, (float)cy, 0);
  glRotatef(rotation, 0, 0, 1);
  glScalef(zoom, zoom, 0);
  glTranslatef((float)-cx, (float)-cy, 0);
  glTranslatef(translateX, translateY, 0);
}

// The colour used when the view is cleared.
void KWindowGL::setClearColor(float r, float g, float b, float alpha) {
  _clearColor[0] = r;
  _clearColor[1] = g;
  _clearColor[2] = b;
  _clearColor[3] = alpha;
  if (_activeGLContext)
    glClearColor(r, g, b, alpha);
}

// ---- frames --------------------------------------------------------------------------------

// Darkens the whole frame with a black quad of alpha 1 - gamma.
void KWindowGL::doGammaAdjustment() {
  setDefaultWorldView();
  glDisable(GL_TEXTURE_2D);
  glDisable(0x84F5 /* GL_TEXTURE_RECTANGLE */);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  float a = 1.0f - _gamma;
  if (a < 0)
    a = 0;
  glColor4f(0, 0, 0, a);
  glBegin(GL_QUADS);
  glVertex2i(0, 0);
  glVertex2i(0, _windowHeight);
  glVertex2i(_windowWidth, _windowHeight);
  glVertex2i(_windowWidth, 0);
  glEnd();
  KGraphicGL::_oldBindedText = kNoTexture;
  glDisable(GL_BLEND);
  glColor4f(1, 1, 1, 1);
}

// Presents the frame and paces the loop, in this order: engine pointer,
// system pointer visibility, swap, events, the wait for the frame time
// (pumping events and giving the processor back), the default view, and
// the wait while a back window has no focus. Key presses the game left
// unread for a whole frame are dropped first.
void KWindowGL::flipBackBuffer(bool waitForWindowInBack, bool restoreview) {
  KInput::nextFrame();
  if (_displayNUXMouse) {
    setDefaultWorldView();
    KInput::displayMouse();
  }
  updateSystemPointer();

  if (_sdlWindow && _activeGLContext)
    SDL_GL_MakeCurrent(_sdlWindow, (SDL_GLContext)_activeGLContext);
  if (_maxFrameTime != 0)
    setSwapInterval(1);

  uint32_t t = KMiscTools::getMilliseconds();
  if (_gamma < 1.0f)
    doGammaAdjustment();
  if (_sdlWindow)
    SDL_GL_SwapWindow(_sdlWindow);
  processEvents();

  if (_maxFrameTime != 0) {
    if ((uint32_t)(t - t1) <= _maxFrameTime)
      waitForFrameTime();
    t1 = KMiscTools::getMilliseconds();
  }

  if (restoreview)
    setDefaultWorldView();

  if (_hwnd && !_windowFocused && waitForWindowInBack)
    waitForFocus();
}

// The system pointer shows outside the drawing area and hides inside it
// (where the game draws its own).
void KWindowGL::updateSystemPointer() {
  long x = KInput::getMouseX(), y = KInput::getMouseY();
  bool outside = x < 0 || y < 0 || x > _windowWidth || y > _windowHeight;
  if (outside) {
    if (!KInput::_cursorVisibility)
      KInput::showPointer();
    KInput::_cursorVisibility = false;
  } else if (!KInput::_cursorVisibility) {
    KInput::hidePointer();
  }
}

// Pumps events and gives the processor back until the frame time has passed
// since the last paced frame ended.
void KWindowGL::waitForFrameTime() {
  for (;;) {
    uint32_t now = KMiscTools::getMilliseconds();
    processEvents();
    if ((uint32_t)(now - t1) >= _maxFrameTime)
      break;
    // Sleep until just past the next millisecond tick, so the wait ends
    // right after the frame time is reached instead of up to a whole
    // sleep later (which would stretch frames to 11 ms now and then).
    KClock *clock = KMiscTools::getClock();
    uint32_t intoTick = (uint32_t)(clock->microseconds() & 0xffffffffu) % 1000u;
    clock->sleepMicroseconds(1000u - intoTick + 20u);
  }
}

// Pumps events while the window is in the back, until it has the focus
// again or a quit is asked for.
void KWindowGL::waitForFocus() {
  for (;;) {
    processEvents();
    if (_windowFocused || isQuit())
      break;
    KMiscTools::getClock()->sleep(1);
  }
}

void KWindowGL::resetPacing() { t1 = 0; }

int32_t KWindowGL::screenshotCount() { return sscount; }

// Sets the folder the screenshot key writes into (null or empty: resources).
void KWindowGL::setScreenshotFolder(const char *folder) { screenshotFolder = folder ? folder : ""; }

// Frames per second at most; 0 or less turns the cap and the retrace wait off.
void KWindowGL::setMaxFrameRate(long desiredFrameRate) {
  if (desiredFrameRate >= 1) {
    _maxFrameTime = (uint32_t)(1000 / desiredFrameRate);
  } else {
    _maxFrameTime = 0;
    if (_activeGLContext)
      setSwapInterval(0);
  }
}

// Scales the display's transfer tables by f where the display has them.
void KWindowGL::fadeToIntensity(float f) {
  if (!_sdlWindow || !_haveGammaRamp)
    return;
  Uint16 r[256], g[256], b[256];
  for (int i = 0; i < 256; i++) {
    r[i] = (Uint16)(_redTable[i] * f * 65535.0f);
    g[i] = (Uint16)(_greenTable[i] * f * 65535.0f);
    b[i] = (Uint16)(_blueTable[i] * f * 65535.0f);
  }
  if (SDL_SetWindowGammaRamp(_sdlWindow, r, g, b) != 0)
    _haveGammaRamp = false;
}

// ---- small operations ----------------------------------------------------------------------

void KWindowGL::terminate() { _quitGL = true; }

bool KWindowGL::isQuit() { return _quitGL; }

void KWindowGL::setQuit(bool quit) { _quitGL = quit; }

// True in full screen; in a window, whether it has the keyboard focus.
bool KWindowGL::hasFocus() {
  if (_fullscreen)
    return true;
  return _hwnd != nullptr && _windowFocused;
}

// Sets the window's title (only while a document window exists).
void KWindowGL::setTitle(const char *title) {
  if (!_hwnd || !title)
    return;
  if (title != _windowName)
    snprintf(_windowName, sizeof(_windowName), "%s", title);
  SDL_SetWindowTitle(_hwnd, _windowName);
}

SDL_Window *KWindowGL::getWindowHandle() { return _hwnd; }

bool KWindowGL::getRectangleTexCap() { return hasRectangleText; }

bool KWindowGL::getAccelerationCap() { return isAccelerated; }

void KWindowGL::setRectangleTexCap(bool rectangleTexCap) { hasRectangleText = rectangleTexCap; }

void KWindowGL::setGamma(float gammai) { _gamma = gammai; }

long KWindowGL::getWindowWidth() { return _windowWidth; }

long KWindowGL::getWindowHeight() { return _windowHeight; }

void KWindowGL::displayMouse(bool mousestate) { _displayNUXMouse = mousestate; }

// Collapses the window.
void KWindowGL::minimize() {
  if (_minimized)
    return;
  _minimized = true;
  if (_sdlWindow)
    SDL_MinimizeWindow(_sdlWindow);
}

// Expands a collapsed window and brings it to the front.
void KWindowGL::restore() {
  if (!_minimized)
    return;
  _minimized = false;
  if (!_sdlWindow)
    return;
  SDL_RestoreWindow(_sdlWindow);
  if (_fullscreen)
    SDL_SetWindowFullscreen(_sdlWindow, SDL_WINDOW_FULLSCREEN_DESKTOP);
  else
    SDL_RaiseWindow(_sdlWindow);
  if (_activeGLContext)
    SDL_GL_MakeCurrent(_sdlWindow, (SDL_GLContext)_activeGLContext);
}

// Writes the back buffer as a picture file (picformat 0 BMP, 1 JPEG, 2 TGA,
// 3 PNG). Another size than the window's is sampled to that size. Returns
// false when the file could not be written.
bool KWindowGL::saveBackBuffer(const char *cpcFileName, long picformat, long newWidth, long newHeight) {
  long w = _windowWidth, h = _windowHeight;
  if (w < 1 || h < 1 || !_activeGLContext)
    return false;
  unsigned char *pixels = (unsigned char *)malloc((size_t)w * h * 4);
  if (!pixels)
    return false;
  sdlReadDrawingPixels(GL_BACK, pixels);
  for (long i = 0; i < w * h; i++) {
    unsigned char tmp = pixels[i * 4];
    pixels[i * 4] = pixels[i * 4 + 2];
    pixels[i * 4 + 2] = tmp;
  }
  if (newWidth < 1)
    newWidth = w;
  if (newHeight < 1)
    newHeight = h;
  bool ok;
  if (newWidth == w && newHeight == h) {
    ok = savePicFile(cpcFileName, pixels, w, h, picformat);
  } else {
    std::vector<unsigned char> scaled((size_t)newWidth * newHeight * 4);
    for (long y = 0; y < newHeight; y++) {
      long sy = y * h / newHeight;
      for (long x = 0; x < newWidth; x++) {
        long sx = x * w / newWidth;
        memcpy(&scaled[((size_t)y * newWidth + x) * 4], &pixels[((size_t)sy * w + sx) * 4], 4);
      }
    }
    ok = savePicFile(cpcFileName, scaled.data(), newWidth, newHeight, picformat);
  }
  free(pixels);
  return ok;
}

// ---- events ---------------------------------------------------------------------------------

void KWindowGL::setCallBack(bool (*userProc)(SDL_Event *event)) { _userCallback = userProc; }

void KWindowGL::setNUXCallBack(bool (*nuxCallback)(KEvent *event)) { _nuxCallback = nuxCallback; }

// Routes SDL events to this window (replacing any window before it) and
// lets KMiscTools::pause(ms, true) dispatch them.
void KWindowGL::setUpEventHandlers() {
  disposeHandlers();
  handlerWindow = this;
  KMiscTools::setEventDispatcher(&KWindowGL::dispatchOneEvent);
}

// No event reaches this window any more.
void KWindowGL::disposeHandlers() {
  if (handlerWindow == this || handlerWindow == nullptr) {
    handlerWindow = nullptr;
    KMiscTools::setEventDispatcher(nullptr);
  }
}

// The dispatcher of KMiscTools::pause: one pass of the window's events.
void KWindowGL::dispatchOneEvent() {
  if (handlerWindow)
    handlerWindow->processEvents();
}

// The quit key (Ctrl+Q), the screenshot key (left Shift with Print Screen or
// F12), then at most one waiting SDL event, which the raw-event filter may
// keep from dispatch.
void KWindowGL::processEvents() {
  // Checked many times a frame, so a press is looked at without being read
  // (the game may still want it).
  if ((KInput::isDownOrPressed(K_VK_L_CONTROL) || KInput::isDownOrPressed(K_VK_R_CONTROL)) && hasFocus() &&
      KInput::isDownOrPressed(K_VK_Q))
    _quitGL = true;

  if (KInput::isDownOrPressed(K_VK_L_SHIFT) &&
      (KInput::isDownOrPressed(K_VK_SNAPSHOT) || KInput::isDownOrPressed(K_VK_F12))) {
    saveBackBuffer(nextScreenshotPath().c_str(), 2, 0, 0);
    KInput::waitForKeyRelease(K_VK_SNAPSHOT);
    KInput::waitForKeyRelease(K_VK_F12);
    KInput::waitForKeyRelease(K_VK_L_SHIFT);
  }

  SDL_Event event;
  if (SDL_PollEvent(&event)) {
    if (!_userCallback || _userCallback(&event)) {
      if (handlerWindow)
        handlerWindow->dispatchEvent(&event);
    }
  }
}

// Prepares the record: zeroed, then every field that the event carries.
void KWindowGL::fillEvent(KEvent *ev, SDL_Event *native, int32_t button, char character, int32_t virtualKey) {
  memset(ev, 0, sizeof(*ev));
  ev->buttonIndex = button;
  ev->character = character;
  ev->virtualKey = virtualKey;
  ev->mouseX = KInput::getMouseX();
  ev->mouseY = KInput::getMouseY();
  ev->nativeMessage = native;
  ev->nuxKey = KInput::getNUXKey((unsigned short)(virtualKey & 0xFFFF));
}

// Calls the game's callback; its result true means "not handled".
bool KWindowGL::deliver(KEvent *event) { return _nuxCallback ? _nuxCallback(event) : true; }

// Whether an event's window id names this window.
bool KWindowGL::isThisWindow(uint32_t windowID) const {
  return _sdlWindow != nullptr && windowID != 0 && windowID == SDL_GetWindowID(_sdlWindow);
}

// Turns one SDL event into the window's effects and the game's KEvents.
void KWindowGL::dispatchEvent(SDL_Event *e) {
  switch (e->type) {
  case SDL_QUIT:
    terminate();
    break;
  case SDL_WINDOWEVENT:
    onWindowEvent(e);
    break;
  case SDL_MOUSEBUTTONUP:
  case SDL_MOUSEBUTTONDOWN:
    onMouseButton(e);
    break;
  case SDL_MOUSEMOTION:
    onMouseMotion(e);
    break;
  case SDL_MOUSEWHEEL:
    onMouseWheel(e);
    break;
  case SDL_KEYDOWN:
    onKeyDown(e);
    break;
  case SDL_TEXTINPUT:
    onTextInput(e);
    break;
  case SDL_KEYUP:
    onKeyUp(e);
    break;
  default:
    KPad::handleEvent(e); // controllers and joysticks
    break;
  }
}

// Closing, focus, size changes and the pointer entering or leaving.
void KWindowGL::onWindowEvent(SDL_Event *e) {
  switch (e->window.event) {
  case SDL_WINDOWEVENT_CLOSE:
    terminate();
    break;
  case SDL_WINDOWEVENT_FOCUS_GAINED:
    _windowFocused = true;
    break;
  case SDL_WINDOWEVENT_FOCUS_LOST:
    _windowFocused = false;
    break;
  case SDL_WINDOWEVENT_SIZE_CHANGED:
  case SDL_WINDOWEVENT_RESIZED:
    updateDisplayMapping();
    break;
  case SDL_WINDOWEVENT_ENTER:
    // The pointer's place until its next move (the platform moves the
    // pointer it tracks with the window's own events).
    if (isThisWindow(e->window.windowID) && SDL_GetMouseFocus() == _sdlWindow) {
      int x = 0, y = 0;
      SDL_GetMouseState(&x, &y);
      KInput::pointerEvent(x, y);
    }
    break;
  case SDL_WINDOWEVENT_LEAVE:
    if (isThisWindow(e->window.windowID))
      KInput::pointerLeft();
    break;
  default:
    break;
  }
}

// A mouse button pressed or released: the pointer's place, the secondary
// button's state, and the game's button event (a double click when SDL
// counts more than one click; a single secondary click is also the window's
// contextual-menu request).
void KWindowGL::onMouseButton(SDL_Event *e) {
  const bool down = e->type == SDL_MOUSEBUTTONDOWN;
  if (isThisWindow(e->button.windowID))
    KInput::pointerEvent(e->button.x, e->button.y);
  int32_t button = engineButton(e->button.button);
  if (button == 2)
    KInput::_rbuttonstate = down;
  if (!_nuxCallback)
    return;
  KEvent ev;
  fillEvent(&ev, e, button, 0, 0);
  ev.type = !down ? K_EVENT_MOUSEUP : e->button.clicks > 1 ? K_EVENT_DBLCLICK : K_EVENT_MOUSEDOWN;
  deliver(&ev);
  if (down && button == 2 && e->button.clicks <= 1 && _nuxCallback) {
    fillEvent(&ev, e, 0, 0, 0);
    ev.type = K_EVENT_CONTEXTMENU;
    deliver(&ev);
  }
}

// The pointer's new place; a move with no button held reaches the game.
void KWindowGL::onMouseMotion(SDL_Event *e) {
  if (isThisWindow(e->motion.windowID))
    KInput::pointerEvent(e->motion.x, e->motion.y);
  if (e->motion.state == 0 && _nuxCallback) {
    KEvent ev;
    fillEvent(&ev, e, 0, 0, 0);
    ev.type = K_EVENT_MOUSEMOVE;
    deliver(&ev);
  }
}

// The wheel's turn, positive away from the user whatever the system's
// scrolling direction.
void KWindowGL::onMouseWheel(SDL_Event *e) {
  int32_t delta = e->wheel.y;
  if (e->wheel.direction == SDL_MOUSEWHEEL_FLIPPED)
    delta = -delta;
  short value = (short)(delta & 0xFFFF);
  KInput::setLastWheelValue(value);
  if (_nuxCallback) {
    KEvent ev;
    fillEvent(&ev, e, 0, 0, 0);
    ev.wheel = value;
    ev.type = K_EVENT_WHEEL;
    deliver(&ev); // handled whatever the callback says
  }
}

// Sends a key press; one the game leaves unhandled comes again as a typed
// character.
void KWindowGL::deliverKeyPress(KEvent *ev) {
  ev->type = K_EVENT_KEYDOWN;
  if (deliver(ev)) {
    ev->type = K_EVENT_KEYCHAR;
    deliver(ev);
  }
}

// A key press: counted in KInput, then (modifier keys aside) sent to the
// game with the character it typed.
void KWindowGL::onKeyDown(SDL_Event *e) {
  // Every press counts once, even when its release came in the same
  // frame; a held key's auto-repeats are read from the key map.
  if (!e->key.repeat)
    KInput::keyPressEvent(KInput::virtualKeyOfScancode(e->key.keysym.scancode));
  if (isModifierKey(e->key.keysym.scancode))
    return;
  char character = takeTypedCharacter(e->key.keysym.sym);
  int scancode = (int)e->key.keysym.scancode;
  if (scancode >= 0 && scancode < SDL_NUM_SCANCODES)
    pressedCharacter[scancode] = character;
  if (_nuxCallback) {
    KEvent ev;
    fillEvent(&ev, e, 0, character, KInput::virtualKeyOfScancode(e->key.keysym.scancode));
    deliverKeyPress(&ev);
  }
}

// Text without a key press of its own (an input method's composition).
void KWindowGL::onTextInput(SDL_Event *e) {
  if (!_nuxCallback)
    return;
  char character = latin1OfUtf8(e->text.text);
  if (character == 0)
    return;
  KEvent ev;
  fillEvent(&ev, e, 0, character, 255);
  deliverKeyPress(&ev);
}

// A key release, with the character its press typed.
void KWindowGL::onKeyUp(SDL_Event *e) {
  if (isModifierKey(e->key.keysym.scancode))
    return;
  char character = controlCharacterOfKey(e->key.keysym.sym);
  int scancode = (int)e->key.keysym.scancode;
  if (scancode >= 0 && scancode < SDL_NUM_SCANCODES && pressedCharacter[scancode])
    character = pressedCharacter[scancode];
  if (_nuxCallback) {
    KEvent ev;
    fillEvent(&ev, e, 0, character, KInput::virtualKeyOfScancode(e->key.keysym.scancode));
    ev.type = K_EVENT_KEYUP;
    deliver(&ev);
  }
}
