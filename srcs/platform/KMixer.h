// KMixer: the engine's sound channels, mixed in software onto one SDL audio
// device (or into memory, for tests and benchmarks).
//
// A channel plays PCM buffers (mono or stereo; 8-bit unsigned or 16-bit
// signed big-endian; any rate, resampled to the output rate without
// interpolation) from a small command queue. Buffers and completion
// callbacks are queued; a callback runs on the audio thread when every
// command queued before it has been played, with the parameter it was
// queued with. Volume, rate, quiet, flush, reinitialise, pause and resume
// act at once.
//
// Locking: one recursive lock guards every channel. The audio thread holds
// it while it mixes and while it runs the completion callbacks; every
// channel command takes it. A caller that must not let the audio thread run
// between several steps (stop a channel, then free its buffer) holds a
// KMixer::Guard around them. Completion callbacks may command their own
// channel but must not create or dispose of channels.
#ifndef KMIXER_H
#define KMIXER_H

#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

// One PCM buffer as a channel plays it. The data stays the caller's and must
// outlive every channel that may still play it.
struct KMixerBuffer {
  const unsigned char *data = nullptr; // interleaved frames
  uint32_t frames = 0;                 // frames to play
  uint16_t channels = 0;               // 1 mono, 2 stereo (left first)
  uint16_t bits = 0;                   // 8 unsigned, or 16 signed big-endian
  uint32_t rate = 0;                   // frames per second (at most 1,000,000)
};

class KMixer;
class KMixerChannel;

// Completion callback: the channel whose queue reached it, and the parameter
// it was queued with. Runs on the audio thread with the mixer locked.
typedef void (*KMixerCallback)(KMixerChannel *channel, void *param);

class KMixerChannel {
public:
  // Starts `buffer` at once from its first frame, replacing what plays; the
  // queued commands wait behind it. Null stops the current buffer.
  void play(const KMixerBuffer *buffer);
  // Queues `buffer` to play after everything queued before it.
  void queueBuffer(const KMixerBuffer *buffer);
  // Queues a call of the channel's callback with `param`.
  void queueCallback(void *param);

  // Left and right levels, 256 = full (negative values count as 0).
  void setVolume(int left, int right);
  // Playback rate as a 16.16 fixed-point multiplier of the buffer's rate
  // (0x10000 = as recorded; 0 restores that; at most 256.0).
  void setRateMultiplier(uint32_t multiplier);
  // Stops the buffer playing now; queued commands stay.
  void quiet();
  // Drops every queued command.
  void flush();
  // Returns the channel to its starting state: not paused. Volume and rate
  // are kept.
  void reinit();
  void pause();
  void resume();

  // State, for the engine's checks and for tests.
  bool isBusy() const; // a buffer plays or a command is queued
  bool isPaused() const;
  int volumeLeft() const;
  int volumeRight() const;
  uint32_t rateMultiplier() const;

private:
  friend class KMixer;
  enum CommandKind { kBuffer, kCallback };
  struct Command {
    CommandKind kind;
    const KMixerBuffer *buffer;
    void *param;
  };

  KMixerChannel(KMixer *mixer, KMixerCallback callback);
  // Adds this channel's sound for `frames` output frames to `acc`
  // (interleaved stereo), running callbacks as their turn comes.
  void mixInto(int32_t *acc, int frames, uint32_t outputRate);
  // Takes the next queued command; false when nothing is left to play.
  bool advanceQueue();

  KMixer *_mixer;
  KMixerCallback _callback;
  std::deque<Command> _queue;
  const KMixerBuffer *_current = nullptr;
  uint64_t _position = 0; // frame position in _current, 32.32 fixed point
  int _volumeLeft = 256;
  int _volumeRight = 256;
  uint32_t _rate = 0x10000;
  bool _paused = false;
};

class KMixer {
public:
  KMixer();
  ~KMixer();

  // The mixer the engine's sounds use.
  static KMixer &shared();

  // Mixes into memory at `rate` frames per second, with no device: nothing
  // plays until render() is called. Closes the device if one was open.
  bool useMemoryOutput(int rate);
  // Opens the default SDL audio device (16-bit stereo, asking for `rate` and
  // a buffer of `frames`). newChannel() calls it when nothing is open yet.
  // Must not be called with the mixer locked.
  bool openDevice(int rate = 44100, int frames = 1024);
  // Closes the device (channels stay, silent). Must not be called with the
  // mixer locked.
  void closeDevice();
  // Closes the device or leaves memory output: nothing is open afterwards,
  // and the next newChannel() opens the device.
  void closeOutput();

  bool isOpen() const; // a device or memory output is set up
  bool hasDevice() const;
  int outputRate() const;   // frames per second of the output
  int deviceFrames() const; // frames per device callback (0 without a device)

  // Mixes every channel into `frames` interleaved 16-bit stereo frames (host
  // byte order). The device's audio thread calls it; tests call it directly.
  void render(int16_t *out, int frames);

  // A new channel with its completion callback, or null when no output can be
  // opened. Owned by the mixer until disposeChannel(). If nothing is open it
  // opens the device, which should then not be done under a Guard (open the
  // device first).
  KMixerChannel *newChannel(KMixerCallback callback);
  // Silences and frees a channel; no callback of it runs afterwards.
  void disposeChannel(KMixerChannel *channel);
  int channelCount() const;

  // Holds the lock the audio thread holds while mixing (recursive).
  class Guard {
  public:
    explicit Guard(KMixer &mixer) : _mixer(mixer), _device(mixer.acquire()) {}
    ~Guard() { _mixer.release(_device); }
    Guard(const Guard &) = delete;
    Guard &operator=(const Guard &) = delete;

  private:
    KMixer &_mixer;
    uint32_t _device;
  };

  // Measures the device callback: `timer` gets the duration of every run in
  // nanoseconds (called on the audio thread). Null stops measuring.
  typedef void (*CallbackTimer)(uint64_t nanoseconds, void *user);
  void setCallbackTimer(CallbackTimer timer, void *user);

private:
  static void deviceCallback(void *user, unsigned char *stream, int len);
  // Takes SDL's device lock (if a device is open and this thread does not
  // hold the mixer's lock yet) and then the mixer's lock; returns the device
  // locked, which release() must be given. A thread that already holds the
  // mixer's lock never asks for the device lock, so the two are always taken
  // in the same order as the audio thread takes them, even when the device
  // was opened while the lock was held.
  uint32_t acquire(bool withDevice = true);
  void release(uint32_t device);

  mutable std::recursive_mutex _mutex;
  std::atomic<std::thread::id> _owner{}; // the thread holding the lock through acquire()
  int _depth = 0;                        // its nesting depth
  std::atomic<uint32_t> _device{0};      // SDL_AudioDeviceID, 0 = none
  bool _memory = false;
  int _rate = 0;
  int _deviceFrames = 0;
  std::vector<KMixerChannel *> _channels;
  std::vector<int32_t> _accumulator;
  CallbackTimer _timer = nullptr;
  void *_timerUser = nullptr;
};

#endif
