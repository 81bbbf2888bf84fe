// KPad: gamepads and quiz buzzer sets as numbered pads with press queues.
// Depends on SDL2's game-controller and joystick API (devices, their events,
// the built-in mapping table plus an optional mapping file) and on the
// kernel's LED class folder for the buzzer lights (plain file writes).
// Owns the opened SDL controllers and joysticks and the pad table.
#include "KPad.h"

#include <SDL.h>
#include <dirent.h>   // opendir: the kernel's LED devices
#include <sys/stat.h> // stat: whether the mapping file exists

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

// ---- constants ----------------------------------------------------------------------
namespace {

const int kMaxDevices = 8;
const int kHandsets = 4;          // handsets of one buzzer set
const int kButtonsPerHandset = 5; // red, yellow, green, orange, blue
// Stick and trigger travel that counts as a press, and the travel back
// under which the next push counts again.
const int kPushAt = 16000;
const int kReleaseAt = 8000;

// ---- state --------------------------------------------------------------------------
struct Pad {
  bool used = false;
  bool connected = false;
  EPadKind kind = K_PAD_KIND_NONE;
  SDL_JoystickGUID guid{};
  int handset = -1; // 0..3 on a buzzer set
  int device = -1;  // index into g_devices while connected
  EPadButton queue[KPad::kQueueSize];
  int head = 0, count = 0;
  int stickX = 0, stickY = 0; // the direction the stick is held in, -1..1
  bool trigger[2] = {false, false};
};

struct Device {
  SDL_JoystickID id = -1; // -1: free
  SDL_GameController *controller = nullptr;
  SDL_Joystick *joystick = nullptr;
  bool buzzer = false;
  int pads[kHandsets] = {-1, -1, -1, -1};
};

bool g_started = false;
Pad g_pads[KPad::kMaxPads];
int g_padCount = 0;
Device g_devices[kMaxDevices];
std::string g_ledFolder = "/sys/class/leds";

// ---- helpers ------------------------------------------------------------------------

void Push(int pad, EPadButton button) {
  if (pad < 0 || pad >= g_padCount || !g_pads[pad].connected)
    return;
  Pad &p = g_pads[pad];
  if (p.count == KPad::kQueueSize) // a full queue drops its oldest press
    p.head = (p.head + 1) % KPad::kQueueSize, p.count--;
  p.queue[(p.head + p.count) % KPad::kQueueSize] = button;
  p.count++;
}

Device *DeviceById(SDL_JoystickID id) {
  for (Device &d : g_devices)
    if (d.id == id && id >= 0)
      return &d;
  return nullptr;
}

// A pad for a device just plugged in: the first unplugged pad of the same
// model (and handset) gets it back, otherwise a new number.
int ClaimPad(SDL_JoystickGUID guid, EPadKind kind, int handset) {
  for (int i = 0; i < g_padCount; i++) {
    Pad &p = g_pads[i];
    if (!p.connected && p.handset == handset && (p.kind == K_PAD_KIND_BUZZER) == (kind == K_PAD_KIND_BUZZER) &&
        memcmp(&p.guid, &guid, sizeof(guid)) == 0) {
      p.kind = kind;
      return i;
    }
  }
  if (g_padCount == KPad::kMaxPads)
    return -1;
  Pad &p = g_pads[g_padCount];
  p = Pad();
  p.used = true;
  p.kind = kind;
  p.guid = guid;
  p.handset = handset;
  return g_padCount++;
}

EPadKind KindOfController(SDL_GameController *controller) {
  switch (SDL_GameControllerGetType(controller)) {
  case SDL_CONTROLLER_TYPE_PS3:
  case SDL_CONTROLLER_TYPE_PS4:
  case SDL_CONTROLLER_TYPE_PS5:
    return K_PAD_KIND_PLAYSTATION;
  case SDL_CONTROLLER_TYPE_NINTENDO_SWITCH_PRO:
  case SDL_CONTROLLER_TYPE_NINTENDO_SWITCH_JOYCON_LEFT:
  case SDL_CONTROLLER_TYPE_NINTENDO_SWITCH_JOYCON_RIGHT:
  case SDL_CONTROLLER_TYPE_NINTENDO_SWITCH_JOYCON_PAIR:
    return K_PAD_KIND_NINTENDO;
  default:
    return K_PAD_KIND_XBOX;
  }
}

void DeviceAdded(int index) {
  SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(index);
  if (id < 0 || DeviceById(id))
    return;
  Device *slot = nullptr;
  for (Device &d : g_devices)
    if (d.id < 0) {
      slot = &d;
      break;
    }
  if (!slot)
    return;
  SDL_JoystickGUID guid = SDL_JoystickGetDeviceGUID(index);
  Device d;
  if (KPad::isBuzzerId(SDL_JoystickGetDeviceVendor(index), SDL_JoystickGetDeviceProduct(index))) {
    d.joystick = SDL_JoystickOpen(index);
    if (!d.joystick)
      return;
    d.buzzer = true;
    for (int h = 0; h < kHandsets; h++)
      d.pads[h] = ClaimPad(guid, K_PAD_KIND_BUZZER, h);
  } else if (SDL_IsGameController(index)) {
    d.controller = SDL_GameControllerOpen(index);
    if (!d.controller)
      return;
    d.pads[0] = ClaimPad(guid, KindOfController(d.controller), -1);
  } else {
    return; // a joystick without a mapping: nothing to read it by
  }
  d.id = id;
  *slot = d;
  for (int pad : slot->pads)
    if (pad >= 0) {
      g_pads[pad].connected = true;
      g_pads[pad].device = (int)(slot - g_devices);
      g_pads[pad].count = g_pads[pad].head = 0;
      g_pads[pad].stickX = g_pads[pad].stickY = 0;
      g_pads[pad].trigger[0] = g_pads[pad].trigger[1] = false;
    }
}

void CloseDevice(Device &d) {
  for (int pad : d.pads)
    if (pad >= 0) {
      g_pads[pad].connected = false;
      g_pads[pad].device = -1;
      g_pads[pad].count = 0;
    }
  if (d.controller)
    SDL_GameControllerClose(d.controller);
  else if (d.joystick)
    SDL_JoystickClose(d.joystick);
  d = Device();
}

EPadButton ControllerButton(int button) {
  switch (button) {
  case SDL_CONTROLLER_BUTTON_A:
    return K_PAD_SOUTH;
  case SDL_CONTROLLER_BUTTON_B:
    return K_PAD_EAST;
  case SDL_CONTROLLER_BUTTON_X:
    return K_PAD_WEST;
  case SDL_CONTROLLER_BUTTON_Y:
    return K_PAD_NORTH;
  case SDL_CONTROLLER_BUTTON_LEFTSHOULDER:
  case SDL_CONTROLLER_BUTTON_RIGHTSHOULDER:
    return K_PAD_SHOULDER;
  case SDL_CONTROLLER_BUTTON_START:
  case SDL_CONTROLLER_BUTTON_GUIDE:
    return K_PAD_START;
  case SDL_CONTROLLER_BUTTON_BACK:
    return K_PAD_BACK;
  case SDL_CONTROLLER_BUTTON_DPAD_UP:
    return K_PAD_UP;
  case SDL_CONTROLLER_BUTTON_DPAD_DOWN:
    return K_PAD_DOWN;
  case SDL_CONTROLLER_BUTTON_DPAD_LEFT:
    return K_PAD_LEFT;
  case SDL_CONTROLLER_BUTTON_DPAD_RIGHT:
    return K_PAD_RIGHT;
  default:
    return K_PAD_NONE;
  }
}

// A stick axis: a push past kPushAt is one press; the stick must come back
// under kReleaseAt before the next push in that axis counts.
void StickAxis(int pad, int &held, int value, EPadButton negative, EPadButton positive) {
  if (held != 0) {
    if (value > -kReleaseAt && value < kReleaseAt)
      held = 0;
    return;
  }
  if (value <= -kPushAt) {
    held = -1;
    Push(pad, negative);
  } else if (value >= kPushAt) {
    held = 1;
    Push(pad, positive);
  }
}

void TriggerAxis(int pad, bool &held, int value) {
  if (held) {
    if (value < kReleaseAt)
      held = false;
  } else if (value >= kPushAt) {
    held = true;
    Push(pad, K_PAD_SHOULDER);
  }
}

// Buzzer buttons come five per handset: red, yellow, green, orange, blue.
EPadButton BuzzerButton(int withinHandset) {
  static const EPadButton kOrder[kButtonsPerHandset] = {K_PAD_BUZZ_RED, K_PAD_BUZZ_YELLOW, K_PAD_BUZZ_GREEN,
                                                        K_PAD_BUZZ_ORANGE, K_PAD_BUZZ_BLUE};
  return kOrder[withinHandset];
}

std::string Upper(std::string s) {
  for (char &c : s)
    c = (char)toupper((unsigned char)c);
  return s;
}

bool WriteText(const std::string &path, const char *text) {
  FILE *f = fopen(path.c_str(), "w");
  if (!f)
    return false;
  bool ok = fputs(text, f) >= 0;
  ok = (fclose(f) == 0) && ok;
  return ok;
}

std::string MaxBrightness(const std::string &led) {
  FILE *f = fopen((led + "/max_brightness").c_str(), "r");
  int value = 0;
  if (f) {
    if (fscanf(f, "%d", &value) != 1)
      value = 0;
    fclose(f);
  }
  return std::to_string(value > 0 ? value : 1);
}

} // namespace

// ---- operations ---------------------------------------------------------------------

bool KPad::init(const char *mappingFile) {
  if (g_started)
    return true;
  // Face buttons by position (A is the bottom one on every pad), and the
  // buzzers keep working while another window has the focus.
  SDL_SetHint(SDL_HINT_GAMECONTROLLER_USE_BUTTON_LABELS, "0");
  SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
  if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0)
    return false;
  // The window takes one event at a time: streams of events nothing reads
  // are kept out of its queue. (SDL makes the controller events from the raw
  // joystick ones, so those must stay.)
  for (Uint32 type : {SDL_JOYBALLMOTION, SDL_CONTROLLERSENSORUPDATE, SDL_CONTROLLERTOUCHPADMOTION})
    SDL_EventState(type, SDL_IGNORE);
  struct stat st;
  if (mappingFile && stat(mappingFile, &st) == 0)
    SDL_GameControllerAddMappingsFromFile(mappingFile);
  g_started = true;
  return true;
}

void KPad::shutdown() {
  for (Device &d : g_devices)
    if (d.id >= 0)
      CloseDevice(d);
  for (Pad &p : g_pads)
    p = Pad();
  g_padCount = 0;
  if (g_started)
    SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
  g_started = false;
}

// One controller or joystick event into the pad table; false for others.
static bool HandleOne(const SDL_Event *e) {
  switch (e->type) {
  case SDL_JOYDEVICEADDED:
    if (g_started)
      DeviceAdded(e->jdevice.which);
    return true;
  case SDL_JOYDEVICEREMOVED: {
    Device *d = DeviceById(e->jdevice.which);
    if (d)
      CloseDevice(*d);
    return true;
  }
  case SDL_JOYBUTTONDOWN: {
    Device *d = DeviceById(e->jbutton.which);
    int b = e->jbutton.button;
    if (d && d->buzzer && b < kHandsets * kButtonsPerHandset)
      Push(d->pads[b / kButtonsPerHandset], BuzzerButton(b % kButtonsPerHandset));
    return true;
  }
  case SDL_CONTROLLERBUTTONDOWN: {
    Device *d = DeviceById(e->cbutton.which);
    EPadButton button = ControllerButton(e->cbutton.button);
    if (d && d->controller && button != K_PAD_NONE)
      Push(d->pads[0], button);
    return true;
  }
  case SDL_CONTROLLERAXISMOTION: {
    Device *d = DeviceById(e->caxis.which);
    if (!d || !d->controller)
      return true;
    int pad = d->pads[0];
    Pad &p = g_pads[pad];
    int value = e->caxis.value;
    switch (e->caxis.axis) {
    case SDL_CONTROLLER_AXIS_LEFTX:
      StickAxis(pad, p.stickX, value, K_PAD_LEFT, K_PAD_RIGHT);
      break;
    case SDL_CONTROLLER_AXIS_LEFTY:
      StickAxis(pad, p.stickY, value, K_PAD_UP, K_PAD_DOWN);
      break;
    case SDL_CONTROLLER_AXIS_TRIGGERLEFT:
      TriggerAxis(pad, p.trigger[0], value);
      break;
    case SDL_CONTROLLER_AXIS_TRIGGERRIGHT:
      TriggerAxis(pad, p.trigger[1], value);
      break;
    default:
      break;
    }
    return true;
  }
  case SDL_JOYAXISMOTION:
  case SDL_JOYBALLMOTION:
  case SDL_JOYHATMOTION:
  case SDL_JOYBUTTONUP:
  case SDL_JOYBATTERYUPDATED:
  case SDL_CONTROLLERBUTTONUP:
  case SDL_CONTROLLERDEVICEADDED:
  case SDL_CONTROLLERDEVICEREMOVED:
  case SDL_CONTROLLERDEVICEREMAPPED:
  case SDL_CONTROLLERTOUCHPADDOWN:
  case SDL_CONTROLLERTOUCHPADMOTION:
  case SDL_CONTROLLERTOUCHPADUP:
  case SDL_CONTROLLERSENSORUPDATE:
    return true;
  default:
    return false;
  }
}

// A moving stick sends hundreds of events a second, more than the window
// takes one at a time: whenever a pad event comes up, the raw joystick
// events waiting (of use only to SDL, which made the controller events from
// them as they came) are dropped and the waiting stick moves read at once.
bool KPad::handleEvent(const SDL_Event *e) {
  if (!e || !HandleOne(e))
    return false;
  SDL_FlushEvents(SDL_JOYAXISMOTION, SDL_JOYHATMOTION);
  SDL_FlushEvent(SDL_JOYBUTTONUP);
  SDL_FlushEvent(SDL_CONTROLLERBUTTONUP);
  SDL_Event moves[64];
  int n;
  while ((n = SDL_PeepEvents(moves, 64, SDL_GETEVENT, SDL_CONTROLLERAXISMOTION, SDL_CONTROLLERAXISMOTION)) > 0)
    for (int i = 0; i < n; i++)
      HandleOne(&moves[i]);
  return true;
}

int KPad::padCount() { return g_padCount; }

bool KPad::isConnected(int pad) { return pad >= 0 && pad < g_padCount && g_pads[pad].connected; }

EPadKind KPad::kind(int pad) { return pad >= 0 && pad < g_padCount ? g_pads[pad].kind : K_PAD_KIND_NONE; }

bool KPad::nextPress(int pad, EPadButton *button) {
  if (!button || pad < 0 || pad >= g_padCount || g_pads[pad].count == 0)
    return false;
  Pad &p = g_pads[pad];
  *button = p.queue[p.head];
  p.head = (p.head + 1) % kQueueSize;
  p.count--;
  return true;
}

void KPad::clearPresses() {
  for (Pad &p : g_pads)
    p.count = p.head = 0;
}

bool KPad::isBuzzerId(uint16_t vendor, uint16_t product) {
  return vendor == 0x054c && (product == 0x0002 || product == 0x1000);
}

// The kernel names a buzzer set's lights "<bus>:054C:<product>.<n>::buzz1"
// to "::buzz4". The sets found there are matched, in name order, with the
// connected buzzer sets in the order of their first pad numbers.
int KPad::lightBuzzers(const bool on[kMaxPads]) {
  std::vector<std::string> prefixes;
  if (DIR *dir = opendir(g_ledFolder.c_str())) {
    while (struct dirent *entry = readdir(dir)) {
      std::string name = entry->d_name;
      size_t mark = name.rfind("::buzz");
      std::string upper = Upper(name);
      if (mark == std::string::npos || name.size() != mark + 7 || name[mark + 6] != '1')
        continue;
      if (upper.find("054C:0002") == std::string::npos && upper.find("054C:1000") == std::string::npos)
        continue;
      prefixes.push_back(name.substr(0, mark));
    }
    closedir(dir);
  }
  std::sort(prefixes.begin(), prefixes.end());
  std::vector<const Device *> sets;
  for (const Device &d : g_devices)
    if (d.id >= 0 && d.buzzer)
      sets.push_back(&d);
  std::sort(sets.begin(), sets.end(), [](const Device *a, const Device *b) { return a->pads[0] < b->pads[0]; });
  int written = 0;
  for (size_t s = 0; s < sets.size() && s < prefixes.size(); s++)
    for (int h = 0; h < kHandsets; h++) {
      int pad = sets[s]->pads[h];
      std::string led = g_ledFolder + "/" + prefixes[s] + "::buzz" + std::to_string(h + 1);
      bool lit = on && pad >= 0 && on[pad];
      if (WriteText(led + "/brightness", lit ? (MaxBrightness(led) + "\n").c_str() : "0\n"))
        written++;
    }
  return written;
}

void KPad::setLedFolder(const char *folder) { g_ledFolder = folder ? folder : "/sys/class/leds"; }
