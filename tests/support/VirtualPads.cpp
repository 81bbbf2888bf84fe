// VirtualPad (see VirtualPads.h).
#include "support/VirtualPads.h"

namespace testsupport {

VirtualPad::VirtualPad(SDL_JoystickType type, int axes, int buttons, uint16_t vendor, uint16_t product,
                       const char *name) {
  SDL_zero(_desc);
  _desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
  _desc.type = (Uint16)type;
  _desc.naxes = (Uint16)axes;
  _desc.nbuttons = (Uint16)buttons;
  _desc.vendor_id = vendor;
  _desc.product_id = product;
  _desc.name = name;
}

VirtualPad VirtualPad::Gamepad() {
  return VirtualPad(SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX, SDL_CONTROLLER_BUTTON_MAX, 0, 0,
                    "Test pad");
}

VirtualPad VirtualPad::BuzzerSet(uint16_t product) {
  return VirtualPad(SDL_JOYSTICK_TYPE_UNKNOWN, 0, 20, 0x054c, product, "Test buzzers");
}

bool VirtualPad::plugIn() {
  if (_joystick)
    return true;
  SDL_InitSubSystem(SDL_INIT_JOYSTICK);
  int index = SDL_JoystickAttachVirtualEx(&_desc);
  _joystick = index < 0 ? nullptr : SDL_JoystickOpen(index);
  return _joystick != nullptr;
}

void VirtualPad::pullOut() {
  if (!_joystick)
    return;
  SDL_JoystickID id = SDL_JoystickInstanceID(_joystick);
  for (int i = 0; i < SDL_NumJoysticks(); i++)
    if (SDL_JoystickGetDeviceInstanceID(i) == id)
      SDL_JoystickDetachVirtual(i);
  SDL_JoystickClose(_joystick);
  _joystick = nullptr;
  SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
}

} // namespace testsupport
