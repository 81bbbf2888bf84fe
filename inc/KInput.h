// KInput: polled mouse and keyboard state, the engine's portable key codes
// (EKeyboardLayout), the system pointer's visibility and the software
// pointer picture. All state is static; an instance carries nothing.
#ifndef KINPUT_H
#define KINPUT_H

#include <cstdint>

class KGraphic;
struct SDL_Window;

// The engine's key codes. Each one names a key position of the keyboard
// (the table KeyboardLayout gives the virtual key code of each).
enum EKeyboardLayout {
  K_VK_LEFT = 0,
  K_VK_UP = 1,
  K_VK_DOWN = 2,
  K_VK_RIGHT = 3,
  K_VK_SPACE = 4,
  K_VK_L_SHIFT = 5,
  K_VK_R_SHIFT = 6,
  K_VK_RETURN = 7,
  K_VK_R_CONTROL = 8,
  K_VK_L_CONTROL = 9,
  K_VK_F1 = 10,
  K_VK_F2 = 11,
  K_VK_F3 = 12,
  K_VK_F4 = 13,
  K_VK_F5 = 14,
  K_VK_F6 = 15,
  K_VK_F7 = 16,
  K_VK_F8 = 17,
  K_VK_F9 = 18,
  K_VK_F10 = 19,
  K_VK_F11 = 20,
  K_VK_F12 = 21,
  K_VK_BACK = 22,
  K_VK_TAB = 23,
  K_VK_ESCAPE = 24,
  K_VK_A = 25,
  K_VK_B = 26,
  K_VK_C = 27,
  K_VK_D = 28,
  K_VK_E = 29,
  K_VK_F = 30,
  K_VK_G = 31,
  K_VK_H = 32,
  K_VK_I = 33,
  K_VK_J = 34,
  K_VK_K = 35,
  K_VK_L = 36,
  K_VK_M = 37,
  K_VK_N = 38,
  K_VK_O = 39,
  K_VK_P = 40,
  K_VK_Q = 41,
  K_VK_R = 42,
  K_VK_S = 43,
  K_VK_T = 44,
  K_VK_U = 45,
  K_VK_V = 46,
  K_VK_W = 47,
  K_VK_X = 48,
  K_VK_Y = 49,
  K_VK_Z = 50,
  K_VK_0 = 51,
  K_VK_1 = 52,
  K_VK_2 = 53,
  K_VK_3 = 54,
  K_VK_4 = 55,
  K_VK_5 = 56,
  K_VK_6 = 57,
  K_VK_7 = 58,
  K_VK_8 = 59,
  K_VK_9 = 60,
  K_VK_NUM0 = 61,
  K_VK_NUM1 = 62,
  K_VK_NUM2 = 63,
  K_VK_NUM3 = 64,
  K_VK_NUM4 = 65,
  K_VK_NUM5 = 66,
  K_VK_NUM6 = 67,
  K_VK_NUM7 = 68,
  K_VK_NUM8 = 69,
  K_VK_NUM9 = 70,
  K_VK_MULTIPLY = 71,
  K_VK_ADD = 72,
  K_VK_SUBTRACT = 73,
  K_VK_DECIMAL = 74,
  K_VK_DIVIDE = 75,
  K_VK_CLEAR = 76,
  K_VK_MENU = 77,
  K_VK_LWIN = 78,
  K_VK_RWIN = 79,
  K_VK_NUMLOCK = 80,
  K_VK_SCROLL = 81,
  K_VK_OEM_1 = 82,
  K_VK_OEM_PLUS = 83,
  K_VK_OEM_COMMA = 84,
  K_VK_OEM_MINUS = 85,
  K_VK_OEM_PERIOD = 86,
  K_VK_OEM_2 = 87,
  K_VK_OEM_3 = 88,
  K_VK_OEM_4 = 89,
  K_VK_OEM_5 = 90,
  K_VK_OEM_6 = 91,
  K_VK_OEM_7 = 92,
  K_VK_END = 93,
  K_VK_HOME = 94,
  K_VK_DEL = 95,
  K_VK_INSERT = 96,
  K_VK_SNAPSHOT = 97,
  K_VK_PRIOR = 98,
  K_VK_NEXT = 99,
  K_VK_ERROR = 100,
};

// One entry of the key table: an engine key code and its virtual key code.
struct KKeyTableEntry {
  EKeyboardLayout nuxKey;
  uint16_t virtualKey;
};

// The key table, 101 entries in code order; K_VK_ERROR (virtual key 255) is
// the last one and stands for no such key.
extern const KKeyTableEntry KeyboardLayout[101];

class KInput {
public:
  // Remembers the game window and resets the pointer hide count and the
  // joystick flags. Called when a window is opened.
  static void initInput(SDL_Window *window);

  // Pointer position in drawing pixels of the window, origin top-left;
  // negative or beyond the window's size when the pointer is outside.
  static int32_t getMouseX();
  static int32_t getMouseY();
  static bool getLeftButtonState();
  static bool getRightButtonState();
  // Wheel movement not yet read, then 0: each movement is read once.
  static int32_t getWheelValue();
  static void setLastWheelValue(short value);

  // Whether the key is held now, or was pressed since the last frame and
  // not yet asked about: a press and release that arrive together between
  // two frames still read as pressed, once.
  static bool isPressed(EKeyboardLayout keyCode);
  // Waits until the key is released; a press not yet read counts as read.
  static void waitForKeyRelease(EKeyboardLayout keyCode);
  // Engine key code of a virtual key code, K_VK_ERROR when there is none.
  static EKeyboardLayout getNUXKey(unsigned short virtualKey);

  static void showPointer();
  static void hidePointer();
  static void mousePointerTo(long x, long y);
  static void clipPointer(bool clip);

  // Software pointer: a buffer of 32-bit words (width, height, then the
  // pixel words, each stored byte-reversed), turned into a picture once.
  static void setMousePointerBuffer(uint32_t *buffer);
  static void generateMouse();
  static void displayMouse();
  static void freeMouse();

  // Joysticks are not supported: these report nothing.
  static bool joyEnable(char joyID);
  static void joyDisable(char joyID);
  static bool joyLeft(char joyID);
  static bool joyRight(char joyID);
  static bool joyUp(char joyID);
  static bool joyDown(char joyID);
  static bool joyButtonN(char joyID, long button);
  static int32_t joyX(char joyID);
  static int32_t joyY(char joyID);
  static void joyWaitForJoyButtonUp(char joyID, long button);
  static void RescanJoysticks();

  // The 128-bit key map (16 bytes, one bit per virtual key) as it is now.
  static void getKeyMap(uint8_t keyMap[16]);
  // Virtual key code of an SDL scancode (255 when the key has no position
  // in the table).
  static uint16_t virtualKeyOfScancode(int sdlScancode);

  // ---- fed by the window's events ----
  // A key-press event (not an auto-repeat) for the virtual key code: the
  // press is kept until isPressed reads it or two frames have begun.
  static void keyPressEvent(uint16_t virtualKey);
  // Held or pressed and not yet read, without reading the press (for the
  // window's own key combinations, checked many times a frame).
  static bool isDownOrPressed(EKeyboardLayout keyCode);
  // A new frame begins: presses nobody read for a whole frame are dropped.
  static void nextFrame();
  // The pointer's position from the window's own pointer events, in window
  // pixels, while it is inside the window; after pointerLeft() the
  // position is asked of the platform again.
  static void pointerEvent(int windowX, int windowY);
  static void pointerLeft();

  // ---- test seams: simulated input, combined with the platform's ----
  // Holds a key down (or releases it) in the key map.
  static void injectKey(EKeyboardLayout keyCode, bool down);
  // While `active`, the pointer is at (x, y) in drawing pixels and the
  // primary button is `leftButton`, whatever the real mouse does.
  static void injectMouse(bool active, long x, long y, bool leftButton);
  // Drops every simulated key, the simulated mouse and unread key presses.
  static void clearInjectedInput();

  static int32_t _cursorVis;     // the engine's hide count: 0 shown, -1 hidden
  static bool _cursorVisibility; // the game wants the pointer visible in the window
  static SDL_Window *_hwnd;      // the game window
  static bool joystick[2];
  static bool _rbuttonstate;      // right button held (kept by the window's events)
  static int16_t _lastWheelValue; // wheel movement not yet read
  static KGraphic *surf_mouse;    // software pointer picture, owned
  static uint32_t *_mousePointerBuffer;
  static uint8_t keystatetable[256];
  static uint32_t mousePattern[2 + 16 * 16];
};

#endif
