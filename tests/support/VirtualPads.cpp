// VirtualPad (see VirtualPads.h).
#include "support/VirtualPads.h"

namespace testsupport {

VirtualPad VirtualPad::Gamepad() {
  SDL_VirtualJoystickDesc d;
  SDL_zero(d);
  d.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
  d.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
  d.naxes = SDL_CONTROLLER_AXIS_MAX;
  d.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
  d.name = "Test pad";
  return VirtualPad(d);
}

VirtualPad VirtualPad::BuzzerSet(uint16_t product) {
  SDL_VirtualJoystickDesc d;
  SDL_zero(d);
  d.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
  d.type = SDL_JOYSTICK_TYPE_UNKNOWN;
  d.nbuttons = 20;
  d.vendor_id = 0x054c;
  d.product_id = product;
  d.name = "Test buzzers";
  return VirtualPad(d);
}

bool VirtualPad::plugIn() {
  if (_joystick)
    return true;
  SDL_InitSubSystem(SDL_INIT_JOYSTICK);
  int index = SDL_JoystickAttachVirtualEx(&_desc);
  if (index < 0)
    return false;
  _joystick = SDL_JoystickOpen(index);
  return _joystick != nullptr;
}

void VirtualPad::pullOut() {
  if (!_joystick)
    return;
  SDL_JoystickID id = SDL_JoystickInstanceID(_joystick);
  for (int i = 0; i < SDL_NumJoysticks(); i++)
    if (SDL_JoystickGetDeviceInstanceID(i) == id) {
      SDL_JoystickDetachVirtual(i);
      break;
    }
  SDL_JoystickClose(_joystick);
  _joystick = nullptr;
  SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
}

void VirtualPad::setButton(int button, bool down) {
  if (_joystick)
    SDL_JoystickSetVirtualButton(_joystick, button, down ? 1 : 0);
}

void VirtualPad::setAxis(int axis, int16_t value) {
  if (_joystick)
    SDL_JoystickSetVirtualAxis(_joystick, axis, value);
}

} // namespace testsupport
