// VirtualPad: a gamepad or a quiz buzzer set plugged in through SDL's virtual
// joystick driver, with its buttons and axes set by the test.
#ifndef TESTSUPPORT_VIRTUALPADS_H
#define TESTSUPPORT_VIRTUALPADS_H

#include <SDL.h>

#include <cstdint>

namespace testsupport {

class VirtualPad {
public:
  // A pad that SDL maps as a game controller (A B X Y, shoulders, D-pad, sticks).
  static VirtualPad Gamepad();
  // A 20-button joystick with a buzzer set's USB ids.
  static VirtualPad BuzzerSet(uint16_t product = 0x0002);
  ~VirtualPad() { pullOut(); }
  VirtualPad(const VirtualPad &) = delete;
  // Moving hands the plugged-in pad over (tests keep their pads in a vector).
  VirtualPad(VirtualPad &&other) noexcept : _desc(other._desc), _joystick(other._joystick) {
    other._joystick = nullptr;
  }

  bool plugIn();
  void pullOut();
  // A game-controller button (SDL_CONTROLLER_BUTTON_...) or, for a buzzer
  // set, a joystick button 0..19. Nothing happens while pulled out.
  void setButton(int button, bool down) { SDL_JoystickSetVirtualButton(_joystick, button, down ? 1 : 0); }
  void setAxis(int axis, int16_t value) { SDL_JoystickSetVirtualAxis(_joystick, axis, value); }

private:
  VirtualPad(SDL_JoystickType type, int axes, int buttons, uint16_t vendor, uint16_t product, const char *name);
  SDL_VirtualJoystickDesc _desc;
  SDL_Joystick *_joystick = nullptr;
};

// The buzzer set's button for `handset` 0..3 and `colour` 0 red, 1 yellow,
// 2 green, 3 orange, 4 blue (the order the receiver reports them in).
inline int BuzzerButton(int handset, int colour) { return handset * 5 + colour; }
enum BuzzerColour { BUZZ_RED = 0, BUZZ_YELLOW = 1, BUZZ_GREEN = 2, BUZZ_ORANGE = 3, BUZZ_BLUE = 4 };

} // namespace testsupport

#endif
