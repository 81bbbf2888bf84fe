// KInput: mouse and keyboard polled from SDL2 at the moment of each call,
// the 128-bit key map indexed by key position (KKeyTableMAC), the system
// pointer's hide count, and the software pointer picture (made through
// KNUX, drawn with blitAlphaRect). The window feeds it key presses and the
// pointer's moves inside the window from its events, so that presses
// shorter than a frame and pointers moved by other programs are seen.
// Tests can add simulated keys and a simulated mouse on top of the
// platform's state. Owns the pointer picture.
#include "KInput.h"

#include <SDL.h>

#include <cstring>

#include "KGraphic.h"
#include "KMiscTools.h"
#include "KNUX.h"
#include "platform/SdlVideo.h"

// ---- the built-in pointer ---------------------------------------------------------
// 16 x 16 arrow: O outline (opaque white), F fill (opaque black), _ clear.
// The picture one row of pixels a line.
// clang-format off
// Pixel words are little-endian RGBA: red in the low byte, alpha in the high.
#define O 0xFFFFFFFFu,
#define F 0xFF000000u,
#define _ 0x00000000u,
uint32_t KInput::mousePattern[2 + 16 * 16] = {
  16, 16,
  O O _ _ _ _ _ _ _ _ _ _ _ _ _ _
  O F O _ _ _ _ _ _ _ _ _ _ _ _ _
  O F F O _ _ _ _ _ _ _ _ _ _ _ _
  O F F F O _ _ _ _ _ _ _ _ _ _ _
  O F F F F O _ _ _ _ _ _ _ _ _ _
  O F F F F F O _ _ _ _ _ _ _ _ _
  O F F F F F F O _ _ _ _ _ _ _ _
  O F F F F F F F O _ _ _ _ _ _ _
  O F F F F F F F F O _ _ _ _ _ _
  O F F F F F F F O _ _ _ _ _ _ _
  O F F F F F O O _ _ _ _ _ _ _ _
  O F F F F F O _ _ _ _ _ _ _ _ _
  O F F O F O _ _ _ _ _ _ _ _ _ _
  O F O _ O _ _ _ _ _ _ _ _ _ _ _
  O O _ _ _ _ _ _ _ _ _ _ _ _ _ _
  _ _ _ _ _ _ _ _ _ _ _ _ _ _ _ _};
#undef O
#undef F
#undef _
// clang-format on

// ---- static state -------------------------------------------------------------------

int32_t KInput::_cursorVis = 0;
bool KInput::_cursorVisibility = true;
SDL_Window *KInput::_hwnd = nullptr;
bool KInput::joystick[2] = {false, false};
bool KInput::_rbuttonstate = false;
int16_t KInput::_lastWheelValue = 0;
KGraphic *KInput::surf_mouse = nullptr;
uint32_t *KInput::_mousePointerBuffer = KInput::mousePattern;
uint8_t KInput::keystatetable[256] = {};

namespace {
// Simulated input of the test seams.
uint8_t injectedKeys[16] = {};
bool mouseInjected = false;
long injectedX = 0, injectedY = 0;
bool injectedLeft = false;
// Buffers already turned into RGBA byte order (each is converted once).
const uint32_t *convertedBuffer = nullptr;

// Key presses not yet read: the frame number each arrived in, 0 for none.
// Frame numbers start at 1 and only grow (a wrap would take years).
uint32_t frameNumber = 1;
uint32_t pressFrame[128] = {};

// The pointer as the window's own events last placed it, in window pixels;
// valid while pointerTracked (from a move inside the window until it left).
bool pointerTracked = false;
int trackedX = 0, trackedY = 0;

// Virtual key code of an engine key code, 255 when it has none.
uint16_t virtualKeyOf(EKeyboardLayout keyCode) {
  if ((int)keyCode < 0 || (int)keyCode > (int)K_VK_ERROR)
    return 255;
  return KeyboardLayout[keyCode].virtualKey;
}

// Whether the key map holds the key now.
bool heldNow(uint16_t k) {
  if (k >= 128)
    return false;
  uint8_t map[16];
  KInput::getKeyMap(map);
  return (map[k >> 3] & (1u << (k & 7))) != 0;
}

// The pointer position in window pixels, or false when there is no window.
// Inside the window the window's own pointer events give it: the platform's
// global position is only refreshed by real devices on some systems (X11
// with input injected through XTest or pointer warps keeps the old one).
// Outside, the global position less the window's is what there is.
bool pointerInWindow(int *wx, int *wy) {
  SdlDisplayMapping &m = sdlDisplayMapping();
  SDL_Window *window = m.window ? m.window : KInput::_hwnd;
  if (window && pointerTracked) {
    *wx = trackedX;
    *wy = trackedY;
    return true;
  }
  int gx = 0, gy = 0;
  SDL_GetGlobalMouseState(&gx, &gy);
  if (!window) {
    *wx = gx;
    *wy = gy;
    return false;
  }
  int x = 0, y = 0;
  SDL_GetWindowPosition(window, &x, &y);
  *wx = gx - x;
  *wy = gy - y;
  return true;
}

void pointerInDrawing(int *dx, int *dy) {
  int wx, wy;
  if (pointerInWindow(&wx, &wy))
    sdlWindowToDrawing(sdlDisplayMapping(), wx, wy, dx, dy);
  else {
    *dx = wx;
    *dy = wy;
  }
}
} // namespace

// ---- operations --------------------------------------------------------------------

// Remembers the game window; resets the hide count and the joystick flags.
void KInput::initInput(SDL_Window *window) {
  _cursorVis = 0;
  _hwnd = window;
  joystick[0] = joystick[1] = false;
  pointerTracked = false;
}

// Pointer x in drawing pixels of the window (negative or beyond its width
// when the pointer is outside).
int32_t KInput::getMouseX() {
  if (mouseInjected)
    return (int32_t)injectedX;
  int x, y;
  pointerInDrawing(&x, &y);
  return x;
}

// Pointer y in drawing pixels of the window, downward.
int32_t KInput::getMouseY() {
  if (mouseInjected)
    return (int32_t)injectedY;
  int x, y;
  pointerInDrawing(&x, &y);
  return y;
}

// Whether the primary button is held now.
bool KInput::getLeftButtonState() {
  if (mouseInjected)
    return injectedLeft;
  Uint32 buttons = SDL_GetGlobalMouseState(nullptr, nullptr);
  return (buttons & SDL_BUTTON_LMASK) != 0;
}

// Whether the secondary button is held (kept by the window's events).
bool KInput::getRightButtonState() { return _rbuttonstate; }

// The wheel movement not yet read; each movement is read once.
int32_t KInput::getWheelValue() {
  int32_t value = _lastWheelValue;
  _lastWheelValue = 0;
  return value;
}

// Stores the latest wheel movement (it replaces an unread older one).
void KInput::setLastWheelValue(short value) { _lastWheelValue = value; }

// The key map: one bit per key position, from SDL's keyboard state plus
// any simulated keys.
void KInput::getKeyMap(uint8_t keyMap[16]) {
  memcpy(keyMap, injectedKeys, 16);
  int count = 0;
  const Uint8 *state = SDL_GetKeyboardState(&count);
  if (!state)
    return;
  for (int s = 0; s < count; s++) {
    if (!state[s])
      continue;
    uint16_t k = virtualKeyOfScancode(s);
    if (k < 128)
      keyMap[k >> 3] |= (uint8_t)(1u << (k & 7));
  }
}

// Whether the key is held now (bit k mod 8 of byte k div 8 of the key map,
// k being the key's virtual key code) or has a press not yet read, which
// this call reads. K_VK_ERROR and codes outside the table read as not
// pressed.
bool KInput::isPressed(EKeyboardLayout keyCode) {
  uint16_t k = virtualKeyOf(keyCode);
  if (k >= 128)
    return false;
  bool pressed = pressFrame[k] != 0;
  pressFrame[k] = 0;
  return pressed || heldNow(k);
}

// Waits until the key is released; an unread press of it counts as read.
// Events stay queued (only the keyboard state is refreshed) and the
// processor is given back between polls.
void KInput::waitForKeyRelease(EKeyboardLayout keyCode) {
  uint16_t k = virtualKeyOf(keyCode);
  if (k < 128)
    pressFrame[k] = 0;
  while (isPressed(keyCode)) {
    SDL_PumpEvents();
    KMiscTools::getClock()->sleep(1);
  }
}

// Engine key code of a virtual key code: the first table entry that has it,
// K_VK_ERROR when none does.
EKeyboardLayout KInput::getNUXKey(unsigned short virtualKey) {
  for (int i = 0; i <= (int)K_VK_ERROR; i++) {
    if (KeyboardLayout[i].virtualKey == virtualKey)
      return KeyboardLayout[i].nuxKey;
  }
  return K_VK_ERROR;
}

// Shows the system pointer if this engine had hidden it.
void KInput::showPointer() {
  _cursorVisibility = true;
  while (_cursorVis < 0) {
    // Without the video subsystem (no window yet, or after the last one
    // closed) SDL has no pointer to show; only the count changes.
    if (SDL_WasInit(SDL_INIT_VIDEO))
      SDL_ShowCursor(SDL_ENABLE);
    _cursorVis++;
  }
}

// Hides the system pointer once (nothing more when it is already hidden).
void KInput::hidePointer() {
  _cursorVisibility = false;
  while (_cursorVis >= 0) {
    if (SDL_WasInit(SDL_INIT_VIDEO))
      SDL_ShowCursor(SDL_DISABLE);
    _cursorVis--;
  }
}

// Moves the system pointer to (x, y) in drawing pixels of the window.
void KInput::mousePointerTo(long x, long y) {
  if (mouseInjected) {
    injectedX = x;
    injectedY = y;
    return;
  }
  SdlDisplayMapping &m = sdlDisplayMapping();
  SDL_Window *window = m.window ? m.window : _hwnd;
  if (!window) {
    SDL_WarpMouseGlobal((int)x, (int)y);
    return;
  }
  int wx = (int)x, wy = (int)y;
  if (m.drawWidth > 0 && m.drawHeight > 0 && m.areaW > 0 && m.areaH > 0) {
    wx = m.areaX + (int)(x * m.areaW / m.drawWidth);
    wy = m.areaY + (int)(y * m.areaH / m.drawHeight);
  }
  SDL_WarpMouseInWindow(window, wx, wy);
}

// Confining the pointer is not supported; does nothing.
void KInput::clipPointer(bool) {}

// Replaces the software pointer's source buffer (before its picture is made).
void KInput::setMousePointerBuffer(uint32_t *buffer) { _mousePointerBuffer = buffer; }

// Makes the software pointer picture from the pointer buffer. The pixel
// words are put into R, G, B, A byte order in place, once per buffer.
void KInput::generateMouse() {
  uint32_t *buffer = _mousePointerBuffer ? _mousePointerBuffer : mousePattern;
  long width = (long)buffer[0], height = (long)buffer[1];
  if (width < 1 || height < 1 || width > 1024 || height > 1024)
    return;
  uint32_t *pixels = buffer + 2;
  if (convertedBuffer != buffer) {
    for (long i = 0; i < width * height; i++) {
      uint32_t v = pixels[i];
      uint8_t *b = (uint8_t *)&pixels[i];
      b[0] = (uint8_t)(v & 0xFF);
      b[1] = (uint8_t)((v >> 8) & 0xFF);
      b[2] = (uint8_t)((v >> 16) & 0xFF);
      b[3] = (uint8_t)(v >> 24);
    }
    convertedBuffer = buffer;
  }
  delete surf_mouse;
  surf_mouse = KNUX::createKGraphic();
  surf_mouse->makePictureFromArray(pixels, width, height, false, false);
}

// Draws the software pointer with its top-left pixel at the pointer; the
// first call only makes the picture.
void KInput::displayMouse() {
  if (!surf_mouse) {
    generateMouse();
    return;
  }
  surf_mouse->blitAlphaRect(0, 0, 16, 16, (short)getMouseX(), (short)getMouseY(), false, false);
}

// Deletes the software pointer picture.
void KInput::freeMouse() {
  delete surf_mouse;
  surf_mouse = nullptr;
}

// ---- joysticks: not supported, nothing is ever pressed --------------------------

bool KInput::joyEnable(char joyID) {
  if (joyID < 0 || joyID > 1)
    return false;
  return joystick[(int)joyID];
}

void KInput::joyDisable(char joyID) {
  if (joyID >= 0 && joyID <= 1)
    joystick[(int)joyID] = false;
}

bool KInput::joyLeft(char) { return false; }
bool KInput::joyRight(char) { return false; }
bool KInput::joyUp(char) { return false; }
bool KInput::joyDown(char) { return false; }
bool KInput::joyButtonN(char, long) { return false; }
int32_t KInput::joyX(char) { return 0; }
int32_t KInput::joyY(char) { return 0; }
void KInput::joyWaitForJoyButtonUp(char, long) {}
void KInput::RescanJoysticks() {}

// ---- fed by the window's events ------------------------------------------------

// Held, or pressed and not yet read; the press stays unread.
bool KInput::isDownOrPressed(EKeyboardLayout keyCode) {
  uint16_t k = virtualKeyOf(keyCode);
  if (k >= 128)
    return false;
  return pressFrame[k] != 0 || heldNow(k);
}

// Keeps a key press from the window's events until it is read.
void KInput::keyPressEvent(uint16_t virtualKey) {
  if (virtualKey < 128)
    pressFrame[virtualKey] = frameNumber;
}

// A new frame: a press kept through one whole frame without being read is
// dropped, so an old press cannot join a later key combination.
void KInput::nextFrame() {
  frameNumber++;
  for (uint32_t &f : pressFrame) {
    if (f != 0 && frameNumber - f > 1)
      f = 0;
  }
}

// The window's pointer event at (windowX, windowY): the pointer is in the
// window (or dragged from it) and there.
void KInput::pointerEvent(int windowX, int windowY) {
  pointerTracked = true;
  trackedX = windowX;
  trackedY = windowY;
}

// The pointer left the window: ask the platform again.
void KInput::pointerLeft() { pointerTracked = false; }

// ---- test seams ------------------------------------------------------------------

// Holds a simulated key down, or releases it.
void KInput::injectKey(EKeyboardLayout keyCode, bool down) {
  if ((int)keyCode < 0 || (int)keyCode >= (int)K_VK_ERROR)
    return;
  uint16_t k = KeyboardLayout[keyCode].virtualKey;
  if (k >= 128)
    return;
  if (down)
    injectedKeys[k >> 3] |= (uint8_t)(1u << (k & 7));
  else
    injectedKeys[k >> 3] &= (uint8_t) ~(1u << (k & 7));
}

// Simulated pointer position and primary button while `active`.
void KInput::injectMouse(bool active, long x, long y, bool leftButton) {
  mouseInjected = active;
  injectedX = x;
  injectedY = y;
  injectedLeft = leftButton;
}

// Drops every simulated key, the simulated mouse and any key press not
// yet read.
void KInput::clearInjectedInput() {
  memset(injectedKeys, 0, sizeof(injectedKeys));
  memset(pressFrame, 0, sizeof(pressFrame));
  mouseInjected = false;
  injectedX = injectedY = 0;
  injectedLeft = false;
}
