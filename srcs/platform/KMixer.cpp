// KMixer: software sound channels over one SDL audio device.
//
// Depends on SDL2 (audio device, device lock, performance counter). Owns its
// channels and the device; the PCM buffers the channels play belong to the
// callers (KSound).
//
// Every channel adds its current buffer, scaled by its left and right levels,
// into a 32-bit stereo accumulator; the sum is clipped to 16 bits. Buffers
// are read without interpolation: the output takes the nearest earlier input
// frame, stepping through the buffer at (buffer rate x rate multiplier /
// output rate) frames per output frame in 32.32 fixed point.
#include "platform/KMixer.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>

namespace {

// Upper bound of a channel level: 4 x full volume.
const int kMaxVolume = 1024;
// Upper bounds of a buffer's rate and of the rate multiplier (256.0), which
// keep the 32.32 fixed-point stepping within 64 bits.
const uint32_t kMaxRate = 1000000;
const uint32_t kMaxMultiplier = 0x1000000;

// Reads frame `index` of `buffer` as two signed 16-bit values.
inline void readFrame(const KMixerBuffer *buffer, uint32_t index, int &left, int &right) {
  if (buffer->bits == 8) {
    // 8-bit data is unsigned, centred on 128.
    const unsigned char *p = buffer->data + (size_t)index * buffer->channels;
    left = ((int)p[0] - 128) * 256;
    right = buffer->channels == 2 ? ((int)p[1] - 128) * 256 : left;
  } else {
    // 16-bit data is signed big-endian, high byte first.
    const unsigned char *p = buffer->data + (size_t)index * buffer->channels * 2;
    left = (int16_t)(uint16_t)((p[0] << 8) | p[1]);
    right = buffer->channels == 2 ? (int16_t)(uint16_t)((p[2] << 8) | p[3]) : left;
  }
}

// True if the mixer can read `buffer` at all.
inline bool playable(const KMixerBuffer *buffer) {
  return buffer && buffer->data && buffer->frames > 0 && buffer->rate > 0 && buffer->rate <= kMaxRate &&
         (buffer->channels == 1 || buffer->channels == 2) && (buffer->bits == 8 || buffer->bits == 16);
}

} // namespace

// ---- KMixerChannel -----------------------------------------------------------

KMixerChannel::KMixerChannel(KMixer *mixer, KMixerCallback callback) : _mixer(mixer), _callback(callback) {}

// Starts a buffer at once, replacing the current one.
void KMixerChannel::play(const KMixerBuffer *buffer) {
  KMixer::Guard guard(*_mixer);
  _current = buffer;
  _position = 0;
}

// Queues a buffer behind the queued commands.
void KMixerChannel::queueBuffer(const KMixerBuffer *buffer) {
  KMixer::Guard guard(*_mixer);
  _queue.push_back(Command{kBuffer, buffer, nullptr});
}

// Queues a completion callback behind the queued commands.
void KMixerChannel::queueCallback(void *param) {
  KMixer::Guard guard(*_mixer);
  _queue.push_back(Command{kCallback, nullptr, param});
}

// Sets the left and right levels at once.
void KMixerChannel::setVolume(int left, int right) {
  KMixer::Guard guard(*_mixer);
  _volumeLeft = std::clamp(left, 0, kMaxVolume);
  _volumeRight = std::clamp(right, 0, kMaxVolume);
}

// Sets the playback rate multiplier at once.
void KMixerChannel::setRateMultiplier(uint32_t multiplier) {
  KMixer::Guard guard(*_mixer);
  _rate = multiplier ? std::min(multiplier, kMaxMultiplier) : 0x10000;
}

// Stops the current buffer.
void KMixerChannel::quiet() {
  KMixer::Guard guard(*_mixer);
  _current = nullptr;
  _position = 0;
}

// Drops every queued buffer and callback.
void KMixerChannel::flush() {
  KMixer::Guard guard(*_mixer);
  _queue.clear();
}

// Clears the paused state.
void KMixerChannel::reinit() {
  KMixer::Guard guard(*_mixer);
  _paused = false;
}

// Holds playback where it is.
void KMixerChannel::pause() {
  KMixer::Guard guard(*_mixer);
  _paused = true;
}

// Goes on from where pause() held it.
void KMixerChannel::resume() {
  KMixer::Guard guard(*_mixer);
  _paused = false;
}

bool KMixerChannel::isBusy() const {
  KMixer::Guard guard(*_mixer);
  return _current != nullptr || !_queue.empty();
}

bool KMixerChannel::isPaused() const {
  KMixer::Guard guard(*_mixer);
  return _paused;
}

int KMixerChannel::volumeLeft() const {
  KMixer::Guard guard(*_mixer);
  return _volumeLeft;
}

int KMixerChannel::volumeRight() const {
  KMixer::Guard guard(*_mixer);
  return _volumeRight;
}

uint32_t KMixerChannel::rateMultiplier() const {
  KMixer::Guard guard(*_mixer);
  return _rate;
}

// Takes the next command: a buffer becomes current, a callback runs. Returns
// false when the queue is empty.
bool KMixerChannel::advanceQueue() {
  if (_queue.empty())
    return false;
  Command command = _queue.front();
  _queue.pop_front();
  if (command.kind == kBuffer) {
    _current = command.buffer;
    _position = 0;
  } else if (_callback) {
    _callback(this, command.param);
  }
  return true;
}

// Mixes this channel into `acc`. Called with the mixer locked.
void KMixerChannel::mixInto(int32_t *acc, int frames, uint32_t outputRate) {
  // Bounds the commands one call may take, so that a callback that keeps
  // queueing empty buffers cannot hold the audio thread for ever.
  int commandsLeft = frames + 16;
  int done = 0;
  while (done < frames && !_paused) {
    if (!_current) {
      if (commandsLeft-- <= 0 || !advanceQueue())
        return;
      continue;
    }
    const KMixerBuffer *buffer = _current;
    if (!playable(buffer) || outputRate == 0) {
      _current = nullptr;
      continue;
    }
    uint64_t step = (((uint64_t)buffer->rate * _rate) << 16) / outputRate;
    if (step == 0)
      step = 1;
    const uint64_t end = (uint64_t)buffer->frames << 32;
    const int volumeLeft = _volumeLeft;
    const int volumeRight = _volumeRight;
    int32_t *out = acc + 2 * done;
    while (done < frames && _position < end) {
      int left, right;
      readFrame(buffer, (uint32_t)(_position >> 32), left, right);
      out[0] += (left * volumeLeft) >> 8;
      out[1] += (right * volumeRight) >> 8;
      out += 2;
      _position += step;
      ++done;
    }
    if (_position >= end) {
      _current = nullptr;
      _position = 0;
    }
  }
}

// ---- KMixer ------------------------------------------------------------------

KMixer::KMixer() {}

KMixer::~KMixer() {
  closeDevice();
  for (KMixerChannel *channel : _channels)
    delete channel;
}

// The process's mixer. Never destroyed, so that sounds deleted during the
// program's exit still find it.
KMixer &KMixer::shared() {
  static KMixer *mixer = new KMixer;
  return *mixer;
}

// Switches to mixing into memory.
bool KMixer::useMemoryOutput(int rate) {
  if (rate <= 0)
    return false;
  closeDevice();
  Guard guard(*this);
  _memory = true;
  _rate = rate;
  _deviceFrames = 0;
  return true;
}

// Opens the default audio device and starts its thread.
bool KMixer::openDevice(int rate, int frames) {
  closeDevice();
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
    return false;
  SDL_AudioSpec want;
  SDL_zero(want);
  want.freq = rate;
  want.format = AUDIO_S16SYS;
  want.channels = 2;
  want.samples = (Uint16)frames;
  want.callback = deviceCallback;
  want.userdata = this;
  SDL_AudioSpec have;
  SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &want, &have,
                                                 SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_SAMPLES_CHANGE);
  if (device == 0) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  {
    std::lock_guard<std::recursive_mutex> hold(_mutex);
    _device = device;
    _memory = false;
    _rate = have.freq;
    _deviceFrames = have.samples;
  }
  SDL_PauseAudioDevice(device, 0);
  return true;
}

// Closes the device and waits for its thread to end.
void KMixer::closeDevice() {
  uint32_t device;
  {
    std::lock_guard<std::recursive_mutex> hold(_mutex);
    device = _device;
    _device = 0;
    _deviceFrames = 0;
    if (device)
      _rate = 0;
  }
  // SDL may already have been shut down as a whole; then the device is gone.
  if (device && SDL_WasInit(SDL_INIT_AUDIO)) {
    SDL_CloseAudioDevice(device);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }
}

// Closes whatever output is set up.
void KMixer::closeOutput() {
  closeDevice();
  Guard guard(*this);
  _memory = false;
  _rate = 0;
}

bool KMixer::isOpen() const {
  std::lock_guard<std::recursive_mutex> hold(_mutex);
  return _device != 0 || _memory;
}

bool KMixer::hasDevice() const {
  std::lock_guard<std::recursive_mutex> hold(_mutex);
  return _device != 0;
}

int KMixer::outputRate() const {
  std::lock_guard<std::recursive_mutex> hold(_mutex);
  return _rate;
}

int KMixer::deviceFrames() const {
  std::lock_guard<std::recursive_mutex> hold(_mutex);
  return _deviceFrames;
}

// Mixes every channel and clips the sum to 16 bits.
void KMixer::render(int16_t *out, int frames) {
  if (frames <= 0)
    return;
  // On the device's thread SDL already holds the device lock; elsewhere the
  // mixer's lock alone keeps the device's callback out.
  uint32_t device = acquire(false);
  _accumulator.assign((size_t)frames * 2, 0);
  // Indexes, not iterators: a callback may queue commands on any channel.
  for (size_t i = 0; i < _channels.size(); ++i)
    _channels[i]->mixInto(_accumulator.data(), frames, (uint32_t)std::max(_rate, 0));
  for (size_t i = 0; i < (size_t)frames * 2; ++i)
    out[i] = (int16_t)std::clamp(_accumulator[i], (int32_t)-32768, (int32_t)32767);
  release(device);
}

// A new channel; opens the device first if no output is set up.
KMixerChannel *KMixer::newChannel(KMixerCallback callback) {
  if (!isOpen() && !openDevice())
    return nullptr;
  Guard guard(*this);
  KMixerChannel *channel = new KMixerChannel(this, callback);
  _channels.push_back(channel);
  return channel;
}

// Removes a channel from the mix and frees it.
void KMixer::disposeChannel(KMixerChannel *channel) {
  if (!channel)
    return;
  Guard guard(*this);
  auto it = std::find(_channels.begin(), _channels.end(), channel);
  if (it == _channels.end())
    return;
  _channels.erase(it);
  delete channel;
}

int KMixer::channelCount() const {
  std::lock_guard<std::recursive_mutex> hold(_mutex);
  return (int)_channels.size();
}

// Takes SDL's device lock (so that the device's callback is not running) and
// then the mixer's own lock, in the order the audio thread takes them.
uint32_t KMixer::acquire(bool withDevice) {
  const std::thread::id self = std::this_thread::get_id();
  if (_owner.load() == self) {
    _mutex.lock();
    ++_depth;
    return 0;
  }
  uint32_t device = withDevice ? _device.load() : 0;
  if (device)
    SDL_LockAudioDevice(device);
  _mutex.lock();
  _owner.store(self);
  _depth = 1;
  return device;
}

// Releases what acquire() took.
void KMixer::release(uint32_t device) {
  if (--_depth == 0)
    _owner.store(std::thread::id());
  _mutex.unlock();
  if (device)
    SDL_UnlockAudioDevice(device);
}

void KMixer::setCallbackTimer(CallbackTimer timer, void *user) {
  Guard guard(*this);
  _timer = timer;
  _timerUser = user;
}

// The device's callback: SDL holds the device lock while it runs.
void KMixer::deviceCallback(void *user, unsigned char *stream, int len) {
  KMixer *mixer = static_cast<KMixer *>(user);
  Uint64 start = SDL_GetPerformanceCounter();
  mixer->render(reinterpret_cast<int16_t *>(stream), len / 4);
  CallbackTimer timer;
  void *timerUser;
  {
    std::lock_guard<std::recursive_mutex> hold(mixer->_mutex);
    timer = mixer->_timer;
    timerUser = mixer->_timerUser;
  }
  if (timer) {
    Uint64 ticks = SDL_GetPerformanceCounter() - start;
    timer((uint64_t)((double)ticks * 1e9 / (double)SDL_GetPerformanceFrequency()), timerUser);
  }
}
