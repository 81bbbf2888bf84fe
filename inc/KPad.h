// KPad: party controllers. Gamepads through SDL's game-controller API and
// four-player USB quiz buzzer sets, each handset of a set counting as a pad
// of its own. Keeps one press queue per pad (each press is read once),
// follows devices as they are plugged in and pulled out (a pad keeps its
// number while unplugged and gets it back when the same model returns), and
// lights buzzer handsets through the kernel's LED files where it can. All
// state is static, fed from the window's event pump.
#ifndef KPAD_H
#define KPAD_H

#include <cstdint>

union SDL_Event;

// What a pad press means, by position rather than by the printed label.
enum EPadButton {
  K_PAD_NONE = 0,
  K_PAD_SOUTH,    // the bottom face button (A on most pads)
  K_PAD_EAST,     // the right face button
  K_PAD_WEST,     // the left face button
  K_PAD_NORTH,    // the top face button
  K_PAD_SHOULDER, // either shoulder button
  K_PAD_START,    // Start (or Guide)
  K_PAD_BACK,     // Back / Select
  K_PAD_UP,       // D-pad or stick pushed up
  K_PAD_DOWN,
  K_PAD_LEFT,
  K_PAD_RIGHT,
  K_PAD_BUZZ_RED,  // a buzzer handset's big red button
  K_PAD_BUZZ_BLUE, // its coloured buttons, from the top of the handset
  K_PAD_BUZZ_ORANGE,
  K_PAD_BUZZ_GREEN,
  K_PAD_BUZZ_YELLOW,
};

// The family of a pad, for the names of its buttons.
enum EPadKind {
  K_PAD_KIND_NONE = 0,
  K_PAD_KIND_XBOX,        // A B X Y, and every pad without a better guess
  K_PAD_KIND_PLAYSTATION, // cross, circle, square, triangle
  K_PAD_KIND_NINTENDO,    // B A Y X by position
  K_PAD_KIND_BUZZER,      // one handset of a buzzer set
};

class KPad {
public:
  static const int kMaxPads = 16;
  static const int kQueueSize = 32;

  // Starts SDL's game-controller subsystem (pads already plugged in arrive as
  // plug-in events), reads `mappingFile` when it is given and exists. False
  // when SDL cannot start it; the game then simply has no pads.
  static bool init(const char *mappingFile);
  // Closes every device and forgets every pad.
  static void shutdown();
  // Takes the controller and joystick events of SDL's queue; false for any
  // other event.
  static bool handleEvent(const SDL_Event *event);

  // Number of pad numbers handed out so far (connected or not).
  static int padCount();
  static bool isConnected(int pad);
  static EPadKind kind(int pad);
  // Takes the oldest unread press of `pad` into *button; false when none.
  static bool nextPress(int pad, EPadButton *button);
  // Forgets every unread press.
  static void clearPresses();

  // USB ids of the quiz buzzer sets.
  static bool isBuzzerId(uint16_t vendor, uint16_t product);

  // Lights the handsets whose pad numbers have `on` set, and darkens the
  // others of the same sets, where the kernel shows their LEDs and the user
  // may write them. Never fails: the number of LED files written.
  static int lightBuzzers(const bool on[kMaxPads]);
  // The folder of the kernel's LED devices ("/sys/class/leds" normally).
  static void setLedFolder(const char *folder);
};

#endif
