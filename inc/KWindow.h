// KWindow: the engine's window interface (one implementation, KWindowGL),
// KEvent, the record handed to the game's event callback, and the renderer
// constants of the factory KNUX. The order of the virtual operations is part
// of the interface.
#ifndef KWINDOW_H
#define KWINDOW_H

#include <cstdint>

#include "KInput.h"

struct SDL_Window;
union SDL_Event;

// Renderer argument of KNUX::createKWindow (every window is OpenGL).
enum Erenderer { K_DIRECTX = 0, K_OPENGL = 1 };

// Event types delivered to the game's callback (0, 4, 9 and 10 never are).
enum EEventType {
  K_EVENT_MOUSEMOVE = 1,   // mouse moved
  K_EVENT_MOUSEUP = 2,     // mouse button released
  K_EVENT_MOUSEDOWN = 3,   // mouse button pressed, click count 1
  K_EVENT_KEYCHAR = 5,     // second delivery of a key press or repeat
  K_EVENT_KEYDOWN = 6,     // key pressed or auto-repeated, first delivery
  K_EVENT_KEYUP = 7,       // key released
  K_EVENT_DBLCLICK = 8,    // mouse button pressed with a click count above 1
  K_EVENT_WHEEL = 11,      // mouse wheel moved
  K_EVENT_CONTEXTMENU = 12 // the window's contextual-menu request
};

// The record passed to the game's callback. Every field is filled for every
// event; a field the event does not carry is 0.
struct KEvent {
  int32_t type;             // an EEventType value
  int32_t mouseX, mouseY;   // pointer position as KInput::getMouseX / getMouseY report it
  int32_t buttonIndex;      // 1 primary, 2 secondary, 3 middle; 0 for none
  int16_t wheel;            // wheel delta (K_EVENT_WHEEL only)
  char character;           // ISO 8859-1 byte of the typed character, 0 if none
  int32_t virtualKey;       // virtual key code of a keyboard event (see KeyboardLayout)
  SDL_Event *nativeMessage; // the platform event being handled
  EKeyboardLayout nuxKey;   // KInput::getNUXKey of the low 16 bits of virtualKey
};

class KWindow {
public:
  // slot 0: setWorldView(0, 0, 0, 1.0, false), then processEvents().
  virtual void setDefaultWorldView() = 0;
  // slot 1: projection, optional clear and the model-view of the 2D view.
  virtual void setWorldView(float translateX, float translateY, float rotation, float zoom, bool clearworld) = 0;
  // slot 2: the colour used when the view is cleared.
  virtual void setClearColor(float r, float g, float b, float alpha) = 0;
  // slots 3, 4
  virtual ~KWindow() {}
  // slot 5: opens the window (or takes the full screen); true on success.
  virtual bool createGameWindow(short width, short height, short depth, bool windowed, const char *windowName) = 0;
  // slot 6: raises the quit request.
  virtual void terminate() = 0;
  // slot 7
  virtual void toggleFullScreen(bool fullscreenState) = 0;
  // slot 8
  virtual bool hasFocus() = 0;
  // slot 9
  virtual void setTitle(const char *title) = 0;
  // slot 10: presents the frame, pumps events and paces the loop.
  virtual void flipBackBuffer(bool waitForWindowInBack, bool restoreview) = 0;
  // slot 11: the shortcut keys, then at most one waiting event.
  virtual void processEvents() = 0;
  // slot 12
  virtual bool isQuit() = 0;
  // slot 13: the document window, null in full screen.
  virtual SDL_Window *getWindowHandle() = 0;
  // slot 14: frames per second at most; 0 or less turns pacing off.
  virtual void setMaxFrameRate(long desiredFrameRate) = 0;
  // slots 15, 16, 17
  virtual bool getRectangleTexCap() = 0;
  virtual bool getAccelerationCap() = 0;
  virtual void setRectangleTexCap(bool rectangleTexCap) = 0;
  // slot 18: brightness factor applied at the next flip, 1.0 = normal.
  virtual void setGamma(float gammai) = 0;
  // slots 19, 20: the drawing size passed to createGameWindow.
  virtual long getWindowWidth() = 0;
  virtual long getWindowHeight() = 0;
  // slots 21, 22
  virtual void restore() = 0;
  virtual void minimize() = 0;
  // slot 23: picformat 0 BMP, 1 JPEG, 2 TGA, 3 PNG.
  virtual bool saveBackBuffer(const char *cpcFileName, long picformat, long newWidth, long newHeight) = 0;
  // slot 24: draw the engine's own pointer picture at each flip.
  virtual void displayMouse(bool mousestate) = 0;
  // slot 25: filter run on each raw event; false keeps it from dispatch.
  virtual void setCallBack(bool (*userProc)(SDL_Event *event)) = 0;
  // slot 26: the game's event callback.
  virtual void setNUXCallBack(bool (*nuxCallback)(KEvent *event)) = 0;
  // slot 27
  virtual void setQuit(bool quit) = 0;
};

#endif
