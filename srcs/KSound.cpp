// KSound: samples, music streams and tracker modules.
//
// Depends on libvorbisfile (Ogg Vorbis decoding), DUMB (IT, XM, S3M and MOD
// modules) and the engine's mixer (srcs/platform/KMixer, over SDL audio).
// Owns its mixer channels, its two PCM buffers, the compressed stream file it
// holds in memory, the open decoder and the loaded module with its renderer.
//
// Samples are decoded whole at load. Streams and modules play from two
// 4,096-byte buffers in turn: a callback queued behind the playing buffer
// runs on the audio thread when it ends, starts the other buffer and refills
// the finished one. PCM in the buffers is 8-bit unsigned or 16-bit signed
// big-endian, as the mixer reads it.
//
// The audio thread runs the callbacks with the mixer locked; every operation
// here that touches what a callback touches (channels, buffers, decoder,
// renderer, the playing flags, the master volumes) takes the same lock, so
// a stop or a reload never frees anything a callback is using.
#include "KSound.h"

#include "KMiscTools.h"      // KLog
#include "platform/KMixer.h" // channels, buffers, the audio lock

#include <dumb.h> // tracker modules

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

// ---- constants ---------------------------------------------------------------

namespace {

const int kSlots = 10;
const unsigned long kStreamBufferBytes = 4096; // 1,024 stereo 16-bit frames
const long kModuleFrames = 1024;
const int kModuleRate = 44100;

// Limits on what a file may make the engine hold. A sample is decoded whole,
// so long sounds must be streams; a module's samples are expanded by the
// module library from what the file's headers claim.
const size_t kFileMaxBytes = 256u * 1024 * 1024;         // any sound file read whole
const size_t kSampleMaxBytes = 64u * 1024 * 1024;        // decoded Ogg sample (about 6 min stereo)
const size_t kModuleMaxBytes = 32u * 1024 * 1024;        // module file
const uint64_t kModuleMaxDecoded = 256ull * 1024 * 1024; // all of a module's samples
const uint64_t kModuleCompression = 16;                  // IT sample compression ratio allowed
// The module library's resampler steps through a looped sample one loop at
// a time: a sample tuned to millions of Hz takes seconds per buffer.
const uint32_t kModuleMaxSampleRate = 500000;

const char kErrorSoundHeader[] = "can't create sound header ( makeSoundHandle ) ";
const char kErrorModuleBuffer[] = "impossible to create sound buffer ( loadModule ) ";

// ---- file-local helpers ------------------------------------------------------

uint16_t readLE16(const unsigned char *p) { return (uint16_t)(p[0] | (p[1] << 8)); }

uint32_t readLE32(const unsigned char *p) {
  return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
}

// Offset of the first `tag` (4 bytes) in `data`, or -1.
long findTag(const unsigned char *data, unsigned long length, const char *tag) {
  for (unsigned long i = 0; i + 4 <= length; ++i)
    if (memcmp(data + i, tag, 4) == 0)
      return (long)i;
  return -1;
}

// Writes `count` host-order 16-bit values as big-endian bytes.
void toBigEndian(const int16_t *in, unsigned char *out, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    uint16_t v = (uint16_t)in[i];
    out[2 * i] = (unsigned char)(v >> 8);
    out[2 * i + 1] = (unsigned char)(v & 0xff);
  }
}

// Copies `name` into a 260-byte field, cut to 259 characters.
void copyName(char *field, const char *name) {
  if (!name)
    name = "";
  strncpy(field, name, 259);
  field[259] = 0;
}

// The start of the header block that holds buffer `buffer` and its data.
void freeSoundHandle(KMixerBuffer *buffer) { free(buffer); }

// ---- module checks -----------------------------------------------------------

// Bytes of one sample of `frames` frames: 8 or 16 bits, mono or stereo.
uint64_t sampleBytes(uint32_t frames, bool sixteen, bool stereo) {
  return (uint64_t)frames * (sixteen ? 2 : 1) * (stereo ? 2 : 1);
}

// Adds one sample's decoded size to `total`; false when the sample cannot
// come from a file of `fileSize` bytes (compressed data at most
// kModuleCompression times smaller) or the total passes kModuleMaxDecoded.
bool addSample(uint64_t bytes, bool compressed, size_t fileSize, uint64_t &total) {
  const uint64_t room = compressed ? (uint64_t)fileSize * kModuleCompression : (uint64_t)fileSize;
  if (bytes > room)
    return false;
  total += bytes;
  return total <= kModuleMaxDecoded;
}

// Whether a sample of `frames` frames tuned to `rate` Hz can be resampled: a
// rate of 0 divides by zero in the module library, one above
// kModuleMaxSampleRate takes it seconds per buffer.
bool rateUsable(uint32_t frames, uint32_t rate) { return frames == 0 || (rate > 0 && rate <= kModuleMaxSampleRate); }

// S3M: each sample instrument's length (in frames) against the file, and
// its tuning (C-4 rate) against rateUsable.
bool s3mSamplesFit(const unsigned char *d, size_t n) {
  if (n < 0x60)
    return false;
  const unsigned orders = readLE16(d + 0x20), instruments = readLE16(d + 0x22);
  uint64_t total = 0;
  for (unsigned i = 0; i < instruments; ++i) {
    const size_t at = 0x60 + orders + 2 * (size_t)i;
    if (at + 2 > n)
      return true; // the loader stops at the same place
    const size_t ins = (size_t)readLE16(d + at) * 16;
    if (ins + 0x20 > n || d[ins] != 1)
      continue;
    const uint8_t flags = d[ins + 0x1f];
    if (ins + 0x24 > n || !rateUsable(readLE32(d + ins + 0x10), readLE32(d + ins + 0x20)))
      return false;
    if (!addSample(sampleBytes(readLE32(d + ins + 0x10), flags & 4, flags & 2), false, n, total))
      return false;
  }
  return true;
}

// IT: each sample header's length (in frames) against the file, and its
// tuning (C-5 rate) against rateUsable.
bool itSamplesFit(const unsigned char *d, size_t n) {
  if (n < 0xc0)
    return false;
  const size_t orders = readLE16(d + 0x20), instruments = readLE16(d + 0x22);
  const size_t samples = readLE16(d + 0x24);
  uint64_t total = 0;
  for (size_t i = 0; i < samples; ++i) {
    const size_t at = 0xc0 + orders + 4 * instruments + 4 * i;
    if (at + 4 > n)
      return true;
    const size_t smp = readLE32(d + at);
    if (smp > n || n - smp < 0x50 || memcmp(d + smp, "IMPS", 4) != 0)
      continue;
    const uint8_t flags = d[smp + 0x12];
    if (!(flags & 1))
      continue; // no sample data
    if (!rateUsable(readLE32(d + smp + 0x30), readLE32(d + smp + 0x3c)))
      return false;
    if (!addSample(sampleBytes(readLE32(d + smp + 0x30), flags & 2, flags & 4), flags & 8, n, total))
      return false;
  }
  return true;
}

// XM: walks past the patterns to the instruments and checks each sample's
// length (in bytes) against the file.
bool xmSamplesFit(const unsigned char *d, size_t n) {
  if (n < 80)
    return false;
  size_t at = 60 + (size_t)readLE32(d + 60);
  const unsigned patterns = readLE16(d + 70), instruments = readLE16(d + 72);
  for (unsigned p = 0; p < patterns; ++p) {
    if (at > n || n - at < 9)
      return true;
    at += (size_t)readLE32(d + at) + readLE16(d + at + 7);
  }
  uint64_t total = 0;
  for (unsigned i = 0; i < instruments; ++i) {
    if (at > n || n - at < 33)
      return true;
    const size_t size = readLE32(d + at);
    const unsigned count = readLE16(d + at + 27);
    const size_t headerSize = count ? readLE32(d + at + 29) : 0;
    at += size;
    uint64_t data = 0;
    for (unsigned s = 0; s < count; ++s, at += headerSize) {
      if (at > n || n - at < 18)
        return true;
      const uint32_t bytes = readLE32(d + at);
      if (!addSample(bytes, false, n, total))
        return false;
      data += bytes;
    }
    if (headerSize == 0 && count)
      return false;
    at += data;
  }
  return true;
}

// Whether the module in memory may be handed to the module library: its size
// is within kModuleMaxBytes and, for IT, XM and S3M, no sample is longer than
// the file can hold (the library allocates and fills what a header claims);
// IT and S3M samples are tuned to rates the library can resample.
bool moduleLooksSafe(const unsigned char *d, size_t n) {
  if (n == 0 || n > kModuleMaxBytes)
    return false;
  if (n >= 4 && memcmp(d, "IMPM", 4) == 0)
    return itSamplesFit(d, n);
  if (n >= 17 && memcmp(d, "Extended Module: ", 17) == 0)
    return xmSamplesFit(d, n);
  if (n >= 0x30 && memcmp(d + 0x2c, "SCRM", 4) == 0)
    return s3mSamplesFit(d, n);
  return true; // MOD: 31 samples of at most 128 KB each
}

// Reads the module with the library's quick readers (the full ones play the
// whole song through at load time), IT, XM, S3M then MOD, from memory.
DUH *readModule(const unsigned char *d, size_t n) {
  DUH *(*const readers[])(DUMBFILE *) = {dumb_read_it_quick, dumb_read_xm_quick, dumb_read_s3m_quick,
                                         dumb_read_mod_quick};
  for (auto reader : readers) {
    DUMBFILE *file = dumbfile_open_memory(reinterpret_cast<const char *>(d), (long)n);
    if (!file)
      return nullptr;
    DUH *duh = reader(file);
    dumbfile_close(file);
    if (duh)
      return duh;
  }
  return nullptr;
}

// A speed or tempo of 0 would divide by zero in the renderer: the trackers'
// defaults (speed 6, 125 BPM) stand in for them.
void repairTiming(DUH *duh) {
  DUMB_IT_SIGDATA *sd = duh_get_it_sigdata(duh);
  if (!sd)
    return;
  if (dumb_it_sd_get_initial_speed(sd) <= 0)
    dumb_it_sd_set_initial_speed(sd, 6);
  if (dumb_it_sd_get_initial_tempo(sd) <= 0)
    dumb_it_sd_set_initial_tempo(sd, 125);
}

// Decodes an open Ogg Vorbis file of `channels` channels to its end into
// `pcm`, 16-bit signed big-endian, 4,096 bytes at a time. A gap in the data
// is stepped over. False when the sound decodes to more than
// kSampleMaxBytes: it belongs in a stream (a tiny file may claim an hour of
// audio); `pcm` then holds what fitted.
bool decodeOggWhole(OggVorbis_File *vorbis, int channels, std::vector<unsigned char> &pcm) {
  const ogg_int64_t frames = ov_pcm_total(vorbis, -1);
  if (frames > 0 && (uint64_t)frames * 2 * channels <= kSampleMaxBytes)
    pcm.reserve((size_t)frames * 2 * channels);
  char chunk[4096];
  int section = 0;
  for (;;) {
    long got = ov_read(vorbis, chunk, sizeof(chunk), 1, 2, 1, &section);
    if (got == OV_HOLE)
      continue; // decoding goes on after the gap
    if (got <= 0)
      return true;
    if (pcm.size() + (size_t)got > kSampleMaxBytes)
      return false;
    pcm.insert(pcm.end(), chunk, chunk + got);
  }
}

KMixer &mixer() { return KMixer::shared(); }

// Opens the audio device if no output is set up yet. Called before a loading
// operation takes the mixer's lock: opening the device while holding it
// would take SDL's device lock after the mixer's, against the audio thread's
// order.
void openOutput() {
  if (!mixer().isOpen())
    mixer().openDevice();
}

} // namespace

// ---- static state ------------------------------------------------------------

int KSound::_instanceCount = 0;
int KSound::_masterSFXvolume = 100;
int KSound::_masterMUSICvolume = 100;
KSound::CallBack KSound::_modCallBackUPP = nullptr;
KSound::CallBack KSound::_oggCallBackUPP = nullptr;
KSound::CallBack KSound::_wavCallBackUPP = nullptr;
ov_callbacks KSound::ogg_CallBacks = {KSound::ogg_Read, KSound::ogg_Seek, KSound::ogg_Close, KSound::ogg_Tell};

// ---- construction ------------------------------------------------------------

// A sound with nothing loaded; the first one also sets up the module library.
KSound::KSound()
    : _channelCount(1), _channelVolume(80), _type(K_SOUND_SAMPLE), _slotc(0), _pan(0), _waveFormatEx(nullptr),
      _wavLength(0), _oggFile(0), id(0), _whatPartIsPlaying(1), _oggCompleted(0), _isChannelActive(0), _loopState(0),
      _originalFrequency(0), _oggPosition(0), _oggFileLen(0), _wavData(nullptr), _tailQueued(0),
      _musicVolumeApplied(-1) {
  _lastError[0] = 0;
  _filename[0] = 0;
  memset(_wavDataStart, 0, sizeof(_wavDataStart));
  memset(&_oggFormatEx, 0, sizeof(_oggFormatEx));
  memset(&_wavFormat, 0, sizeof(_wavFormat));
  memset(&_vorbisFile, 0, sizeof(_vorbisFile));
  memset(_sndChannelPtr, 0, sizeof(_sndChannelPtr));
  memset(_sndHandle, 0, sizeof(_sndHandle));
  if (_instanceCount == 0) {
    dumb_register_stdfiles();
    dumb_it_max_to_mix = 64;
    _modCallBackUPP = modCallBackProcPtr;
    _oggCallBackUPP = oggCallBackProcPtr;
    _wavCallBackUPP = wavCallBackProcPtr;
  }
  ++_instanceCount;
}

// Stops the sound and frees everything it holds; the last one also shuts the
// module library down and closes the audio device.
KSound::~KSound() {
  {
    KMixer::Guard guard(mixer());
    _oggCompleted = 1;
    _isChannelActive = 0;
    releaseAll();
  }
  if (--_instanceCount == 0) {
    _modCallBackUPP = nullptr;
    _oggCallBackUPP = nullptr;
    _wavCallBackUPP = nullptr;
    dumb_exit();
    mixer().closeDevice();
  }
}

// ---- samples -----------------------------------------------------------------

// Loads a WAV or Ogg Vorbis file whole, to be played on up to `maxchannels`
// overlapping channels.
bool KSound::loadSample(const char *sampleName, int volume, bool loop, short maxchannels) {
  openOutput();
  KMixer::Guard guard(mixer());
  _channelCount = (short)std::clamp<int>(maxchannels, 1, kSlots);
  _slotc = 0;
  copyName(_filename, sampleName);
  _type = K_SOUND_SAMPLE;
  releaseAll();
  _loopState = loop;
  _channelVolume = volume;
  _isChannelActive = 0;
  if (!sampleName)
    return false;
  bool loaded = strstr(sampleName, ".ogg") ? loadOggSample(sampleName) : loadWavSample(sampleName);
  if (!loaded)
    KLog::logFormat(kError, "cannot load the sound sample %s", sampleName);
  return loaded;
}

// Decodes an Ogg Vorbis file whole into the sample's buffer.
bool KSound::loadOggSample(const char *sampleName) {
  FILE *file = fopen(sampleName, "rb");
  if (!file)
    return false;
  OggVorbis_File vorbis;
  if (ov_open(file, &vorbis, nullptr, 0) < 0) {
    fclose(file); // the decoder leaves a file it refused open
    return false;
  }
  vorbis_info *info = ov_info(&vorbis, -1);
  if (!info || info->channels < 1 || info->channels > 2 || info->rate <= 0) {
    // The channels play mono or stereo only: no sound buffer can be made
    // for more channels, so fail as making it would, without decoding.
    if (info)
      setError(kErrorSoundHeader);
    ov_clear(&vorbis);
    return false;
  }
  const int channels = info->channels;
  const long rate = info->rate;
  std::vector<unsigned char> pcm;
  const bool whole = decodeOggWhole(&vorbis, channels, pcm);
  ov_clear(&vorbis);
  if (pcm.empty() || !whole)
    return false;

  unsigned char *data = makePcmSample((short)channels, rate, pcm.size());
  if (!data)
    return false;
  memcpy(data, pcm.data(), pcm.size());
  return true;
}

// Reads a WAV file whole and keeps its PCM data in the sample's buffer.
bool KSound::loadWavSample(const char *sampleName) {
  if (loadFileToRam(sampleName) <= 0)
    return false;
  unsigned long offset = 0;
  unsigned long length = ParseWavHeader(&offset);
  if (length == 0 || length > kSampleMaxBytes) {
    releaseAll();
    return false;
  }
  _waveFormatEx = &_wavFormat;
  unsigned char *data = makeSoundHandle((short)_wavFormat.nChannels, (long)_wavFormat.nSamplesPerSec,
                                        (short)_wavFormat.wBitsPerSample, length, 0);
  if (!data) {
    releaseAll();
    return false;
  }
  for (short slot = 0; slot < _channelCount; ++slot) {
    if (!createSoundChannel(K_SOUND_SAMPLE, slot)) {
      releaseAll();
      return false;
    }
  }
  memcpy(data, _wavData + offset, length);
  free(_wavData);
  _wavData = nullptr;
  _oggFileLen = 0;
  _oggPosition = 0;
  return true;
}

// Sets the sample up for 16-bit PCM of `channels` at `rate` Hz: its format,
// its playing channels and a buffer of `bytes`, returned for the caller to
// fill. Null, with everything released, when any of it cannot be had.
unsigned char *KSound::makePcmSample(short channels, long rate, unsigned long bytes) {
  _oggFormatEx.wFormatTag = 1;
  _oggFormatEx.nChannels = (uint16_t)channels;
  _oggFormatEx.nSamplesPerSec = (uint32_t)rate;
  _oggFormatEx.nAvgBytesPerSec = (uint32_t)(rate * channels * 2);
  _oggFormatEx.nBlockAlign = (uint16_t)(2 * channels);
  _oggFormatEx.wBitsPerSample = 16;
  _oggFormatEx.cbSize = 20;
  _waveFormatEx = &_oggFormatEx;
  for (short slot = 0; slot < _channelCount; ++slot) {
    if (!createSoundChannel(K_SOUND_SAMPLE, slot)) {
      releaseAll();
      return nullptr;
    }
  }
  unsigned char *data = makeSoundHandle(channels, rate, 16, bytes, 0);
  if (!data)
    releaseAll();
  return data;
}

bool KSound::loadSampleFromPcm(const int16_t *samples, unsigned long frames, short channels, long rate, int volume,
                               short maxchannels) {
  openOutput();
  KMixer::Guard guard(mixer());
  _channelCount = (short)std::clamp<int>(maxchannels, 1, kSlots);
  _slotc = 0;
  copyName(_filename, "(memory)");
  _type = K_SOUND_SAMPLE;
  releaseAll();
  _loopState = 0;
  _channelVolume = volume;
  _isChannelActive = 0;
  if (!samples || frames == 0 || (channels != 1 && channels != 2) || rate <= 0)
    return false;
  const unsigned long bytes = frames * (unsigned long)channels * 2;
  if (bytes / 2 / (unsigned long)channels != frames || bytes > kSampleMaxBytes)
    return false;
  unsigned char *data = makePcmSample(channels, rate, bytes);
  if (!data)
    return false;
  // The mixer reads 16-bit samples big-endian.
  const unsigned long count = frames * (unsigned long)channels;
  for (unsigned long i = 0; i < count; ++i) {
    const uint16_t v = (uint16_t)samples[i];
    data[2 * i] = (unsigned char)(v >> 8);
    data[2 * i + 1] = (unsigned char)(v & 0xFF);
  }
  return true;
}

// Plays the sample on the next slot, cutting what that slot still played.
void KSound::playSample() {
  KMixer::Guard guard(mixer());
  if (!_sndChannelPtr[0] || !_sndHandle[0])
    return;
  if (_slotc < 0 || _slotc >= _channelCount)
    _slotc = 0;
  KMixerChannel *channel = _sndChannelPtr[_slotc];
  if (!channel)
    return;
  stopChannel((short)_slotc);
  _isChannelActive = 0;
  setVolume(-1);
  channel->play(_sndHandle[0]);
  _isChannelActive = 1;
  channel->queueCallback(this);
  _slotc = (_slotc + 1) % _channelCount;
  setVolume(-1);
}

// Stops every slot, then plays with this rate, volume, balance and looping.
KSound *KSound::playSample(long rate, long vol, long pan, bool loop) {
  KMixer::Guard guard(mixer());
  if (!_sndChannelPtr[0])
    return nullptr;
  stopSample();
  _channelVolume = (int32_t)std::clamp<long>(vol, INT32_MIN, INT32_MAX);
  setFrequency(rate);
  _loopState = loop;
  setPan(pan);
  playSample();
  return this;
}

// Silences every slot of a sample.
void KSound::stopSample() {
  KMixer::Guard guard(mixer());
  if (_type != K_SOUND_SAMPLE)
    return;
  for (short slot = 0; slot < kSlots; ++slot)
    stopChannel(slot);
  _isChannelActive = 0;
}

// Silences one slot of a sample.
void KSound::stopSample(short slot) {
  KMixer::Guard guard(mixer());
  if (_type != K_SOUND_SAMPLE || slot < 0 || slot >= kSlots || !_sndChannelPtr[slot])
    return;
  stopChannel(slot);
  _isChannelActive = 0;
}

// Mutes the sample; it goes on playing silently. Every slot is muted, so
// that a copy playing on another slot than the next one is muted too.
void KSound::pauseSample() {
  KMixer::Guard guard(mixer());
  for (KMixerChannel *channel : _sndChannelPtr)
    if (channel)
      channel->setVolume(0, 0);
}

// Gives a muted sample its volume back.
void KSound::continueSample() { setVolume(-1); }

// Makes the sample restart at its end, or not.
void KSound::setLoop(bool loop) {
  KMixer::Guard guard(mixer());
  if (_type == K_SOUND_SAMPLE && _sndChannelPtr[0])
    _loopState = loop;
}

// Plays at `frequency` / the recorded rate times the recorded speed; 0 or
// less restores the recorded rate. Every slot takes the new rate, so that all
// copies of the sample sound alike.
void KSound::setFrequency(long frequency) {
  KMixer::Guard guard(mixer());
  if (_slotc < 0 || _slotc >= kSlots || !_sndChannelPtr[_slotc] || _originalFrequency <= 0)
    return;
  uint32_t multiplier = 0x10000;
  if (frequency > 0) {
    uint64_t m = ((uint64_t)frequency << 16) / (uint64_t)_originalFrequency;
    multiplier = (uint32_t)std::clamp<uint64_t>(m, 1, 0xffffffffULL);
  }
  for (KMixerChannel *channel : _sndChannelPtr)
    if (channel)
      channel->setRateMultiplier(multiplier);
}

// Sets the volume in percent (-1 keeps it, other negatives mean 0) and sends
// the resulting left and right levels to the channels if the sound plays.
void KSound::setVolume(int volume) {
  KMixer::Guard guard(mixer());
  if (volume >= 0)
    _channelVolume = volume;
  else if (volume != -1)
    _channelVolume = 0;
  float fvol = (float)_channelVolume * 2.55f;
  fvol = std::clamp(fvol, 0.0f, 255.0f);
  if (!_sndChannelPtr[0] || !_isChannelActive)
    return;

  int master = _type == K_SOUND_SAMPLE ? _masterSFXvolume : _masterMUSICvolume;
  int samplevol = (int)((float)master * fvol / 100.0f);
  if (samplevol < 1)
    samplevol = 0;
  if (samplevol > 254)
    samplevol = 255;
  int volleft = samplevol;
  int volright = samplevol;
  if (_pan < 0)
    volright = (_pan + 100) * samplevol / 100;
  if (_pan > 0)
    volleft = (100 - _pan) * samplevol / 100;
  for (KMixerChannel *channel : _sndChannelPtr)
    if (channel)
      channel->setVolume(volleft, volright);
  if (_type != K_SOUND_SAMPLE)
    _musicVolumeApplied = master;
}

// Sets the balance, -100 (left) to 100 (right).
void KSound::setPan(long panoramic) {
  KMixer::Guard guard(mixer());
  if (_slotc < 0 || _slotc >= kSlots || !_sndChannelPtr[_slotc])
    return;
  _pan = (int32_t)std::clamp<long>(panoramic, -100, 100);
  setVolume(-1);
}

// Sets the master music and effects volumes (above 100 means 100; a
// negative value leaves that master alone).
void KSound::setGlobalVolumes(int volumeMusic, int volumeSFX) {
  KMixer::Guard guard(mixer());
  if (volumeMusic >= 0)
    _masterMUSICvolume = std::min(volumeMusic, 100);
  if (volumeSFX >= 0)
    _masterSFXvolume = std::min(volumeSFX, 100);
}

// The sample rate the sound device plays at; 0 while no device is open.
int KSound::outputRate() { return mixer().isOpen() ? mixer().outputRate() : 0; }

// True while the sound plays.
bool KSound::isPlaying() {
  KMixer::Guard guard(mixer());
  if (!_sndChannelPtr[0])
    return false;
  return _isChannelActive != 0;
}

// The text of the last failure, null while nothing has failed.
char *KSound::getError() { return _lastError[0] ? _lastError : nullptr; }
bool KSound::initDone() { return true; }
bool KSound::startNotifiers() { return true; }
bool KSound::isMusicPaused() { return isPlaying(); }

// ---- streams -----------------------------------------------------------------

// Opens an Ogg Vorbis file as a music stream held in memory.
bool KSound::loadStream(const char *filename) {
  openOutput();
  KMixer::Guard guard(mixer());
  copyName(_filename, filename);
  _type = K_SOUND_STREAM;
  releaseAll();
  if (!filename || loadFileToRam(filename) <= 0)
    return false;
  return openStreamFromRam();
}

// Opens an Ogg Vorbis stream from a copy of a memory block.
bool KSound::loadStreamFromPtr(char *oggPtr, unsigned long datasize) {
  openOutput();
  KMixer::Guard guard(mixer());
  _type = K_SOUND_STREAM;
  releaseAll();
  if (transferFileToRam(oggPtr, datasize) <= 0)
    return false;
  return openStreamFromRam();
}

// Starts the stream from its beginning.
void KSound::playStream(bool loop) {
  KMixer::Guard guard(mixer());
  KMixerChannel *channel = _sndChannelPtr[0];
  if (!channel || !_oggFile || !_sndHandle[0] || !_sndHandle[1])
    return;
  stopStream();
  _oggCompleted = 0;
  _tailQueued = 0;
  _loopState = loop;
  ov_time_seek(&_vorbisFile, 0);
  _whatPartIsPlaying = 0;
  fillOggBuffer(0);
  fillOggBuffer(1);
  channel->play(_sndHandle[0]);
  _slotc = 0;
  channel->queueCallback(this);
  _isChannelActive = 1;
  setVolume(-1);
}

// Stops a stream: silences the channel, clears both buffers, marks it ended.
void KSound::stopStream() {
  KMixer::Guard guard(mixer());
  if (_type != K_SOUND_STREAM || !_sndChannelPtr[0])
    return;
  stopChannel(0);
  for (int i = 0; i < 2; ++i)
    if (_sndHandle[i])
      memset(_wavDataStart[i], 0, kStreamBufferBytes);
  _oggCompleted = 1;
  _isChannelActive = 0;
  _tailQueued = 0;
}

// True while the stream plays (`forceFill` is not used: buffers are filled
// on the audio thread).
bool KSound::pollStream(bool forceFill) {
  (void)forceFill;
  return isPlaying();
}

// ---- modules -----------------------------------------------------------------

// Loads an IT, XM, S3M or MOD module (tried in that order), refusing one
// whose headers claim more sample data than the file can hold.
bool KSound::loadModule(const char *moduleName) {
  openOutput();
  KMixer::Guard guard(mixer());
  copyName(_filename, moduleName);
  _type = K_SOUND_MODULE;
  releaseAll();
  if (!moduleName || loadFileToRam(moduleName) <= 0)
    return false;
  DUH *duh = nullptr;
  if (moduleLooksSafe(_wavData, _oggFileLen))
    duh = readModule(_wavData, _oggFileLen);
  free(_wavData); // the library keeps its own copy of what it read
  _wavData = nullptr;
  _oggFileLen = 0;
  if (!duh)
    return false;
  repairTiming(duh);
  _moduleStorage._moduleData = duh;
  if (!restartRenderer(0)) {
    releaseAll();
    return false;
  }
  _oggFormatEx.wFormatTag = 1;
  _oggFormatEx.nChannels = 2;
  _oggFormatEx.nSamplesPerSec = kModuleRate;
  _oggFormatEx.nAvgBytesPerSec = 176400;
  _oggFormatEx.nBlockAlign = 4;
  _oggFormatEx.wBitsPerSample = 16;
  _oggFormatEx.cbSize = 20;
  _waveFormatEx = &_oggFormatEx;
  if (!createSoundChannel(K_SOUND_MODULE, 0)) {
    releaseAll();
    return false;
  }
  unsigned char *first = makeSoundHandle(2, kModuleRate, 16, kStreamBufferBytes, 0);
  unsigned char *second = makeSoundHandle(2, kModuleRate, 16, kStreamBufferBytes, 1);
  if (!first || !second) {
    releaseAll();
    if (!first)
      setError(kErrorModuleBuffer);
    return false;
  }
  _whatPartIsPlaying = 0;
  _oggCompleted = 0;
  fillModBuffer(0);
  fillModBuffer(1);
  return true;
}

// Plays the module from its start; without looping it stops when it wraps
// round to its start.
void KSound::playModule(bool loop) {
  KMixer::Guard guard(mixer());
  KMixerChannel *channel = _sndChannelPtr[0];
  if (!channel || !_moduleStorage._moduleRenderer || !_sndHandle[0] || !_sndHandle[1])
    return;
  _moduleStorage.allowLooping = loop;
  stopModule();
  _oggCompleted = 0;
  _tailQueued = 0;
  _whatPartIsPlaying = 0;
  fillModBuffer(0);
  fillModBuffer(1);
  channel->play(_sndHandle[0]);
  _slotc = 0;
  channel->queueCallback(this);
  _isChannelActive = 1;
  setVolume(-1);
}

// Stops a module and rewinds it to its first order.
void KSound::stopModule() {
  KMixer::Guard guard(mixer());
  if (_type != K_SOUND_MODULE || !_sndChannelPtr[0])
    return;
  stopChannel(0);
  _isChannelActive = 0;
  _tailQueued = 0;
  restartRenderer(0);
}

// Holds the music where it is.
void KSound::pauseModule() {
  KMixer::Guard guard(mixer());
  if (!_sndChannelPtr[0])
    return;
  _sndChannelPtr[0]->pause();
  _isChannelActive = 0;
}

// Goes on from where pauseModule held the music.
void KSound::continueModule() {
  KMixer::Guard guard(mixer());
  if (!_sndChannelPtr[0])
    return;
  _sndChannelPtr[0]->resume();
  _isChannelActive = 1;
}

// Continues the module from order `position`.
void KSound::setModulePosition(int position) {
  KMixer::Guard guard(mixer());
  restartRenderer(position);
}

// Renders the module from its start into a raw file of 16-bit signed
// big-endian stereo frames at 44,100 Hz, in blocks of 1,024 frames, until it
// ends or wraps round, or until the frames rendered would exceed `maxbytes` /
// 4 (0: no limit). Playback is stopped first; the renderer is left at the
// module's start.
bool KSound::modToRaw(char *filename, unsigned long maxbytes) {
  {
    KMixer::Guard guard(mixer());
    if (!filename || !_sndChannelPtr[0] || !_moduleStorage._moduleRenderer)
      return false;
    stopModule();
    _moduleStorage.allowLooping = false;
  }
  FILE *file = fopen(filename, "wb");
  if (!file)
    return false;
  const unsigned long limit = maxbytes / 4;
  unsigned long total = 0;
  bool ok = true;
  for (;;) {
    int16_t frames[kModuleFrames * 2];
    unsigned char block[kStreamBufferBytes];
    memset(block, 0, sizeof(block));
    long rendered;
    {
      KMixer::Guard guard(mixer());
      rendered = duh_render(_moduleStorage._moduleRenderer, 16, 0, 1.0f, 65536.0f / kModuleRate, kModuleFrames, frames);
    }
    if (rendered <= 0)
      break;
    // The block whose frames take the total past the limit is not written.
    total += (unsigned long)rendered;
    if (limit != 0 && total > limit)
      break;
    toBigEndian(frames, block, (size_t)rendered * 2);
    if (fwrite(block, 1, sizeof(block), file) != sizeof(block)) {
      ok = false;
      break;
    }
  }
  if (fclose(file) != 0)
    ok = false;
  KMixer::Guard guard(mixer());
  restartRenderer(0);
  _oggCompleted = 0;
  return ok;
}

// ---- stream callbacks over the in-memory file --------------------------------

// Copies up to size x nmemb bytes from the read position.
size_t KSound::ogg_Read(void *ptr, size_t size, size_t nmemb, void *datasource) {
  KSound *sound = static_cast<KSound *>(datasource);
  // The decoder takes a 0 with errno set as a read error.
  if (!sound || !ptr || (size != 0 && nmemb > (size_t)-1 / size)) {
    errno = EINVAL;
    return 0;
  }
  if (!sound->_wavData || sound->_oggPosition >= sound->_oggFileLen)
    return 0;
  size_t wanted = size * nmemb;
  size_t left = sound->_oggFileLen - sound->_oggPosition;
  size_t count = std::min(wanted, left);
  memcpy(ptr, sound->_wavData + sound->_oggPosition, count);
  sound->_oggPosition += (uint32_t)count;
  return count;
}

// Moves the read position, kept within 0 and the file's length.
int KSound::ogg_Seek(void *datasource, ogg_int64_t offset, int whence) {
  KSound *sound = static_cast<KSound *>(datasource);
  if (!sound)
    return -1;
  int64_t position;
  switch (whence) {
  case SEEK_SET:
    position = offset;
    break;
  case SEEK_CUR:
    position = (int64_t)sound->_oggPosition + offset;
    break;
  case SEEK_END:
    position = (int64_t)sound->_oggFileLen + offset;
    break;
  default:
    return 0;
  }
  position = std::clamp<int64_t>(position, 0, (int64_t)sound->_oggFileLen);
  sound->_oggPosition = (uint32_t)position;
  return 0;
}

// Nothing to close: the file in memory stays with the sound.
int KSound::ogg_Close(void *datasource) {
  (void)datasource;
  return -1;
}

// The read position.
long KSound::ogg_Tell(void *datasource) {
  KSound *sound = static_cast<KSound *>(datasource);
  if (!sound)
    return -1;
  return (long)sound->_oggPosition;
}

// ---- loading helpers ---------------------------------------------------------

// Reads a whole file into _wavData. Returns its length; 0 if it cannot be
// opened, -1 if it is empty, unreadable or larger than kFileMaxBytes.
long KSound::loadFileToRam(const char *filename) {
  FILE *file = fopen(filename, "rb");
  if (!file)
    return 0;
  long length = -1;
  if (fseek(file, 0, SEEK_END) == 0)
    length = ftell(file);
  if (length <= 0 || (unsigned long)length > kFileMaxBytes || fseek(file, 0, SEEK_SET) != 0) {
    fclose(file);
    return -1;
  }
  unsigned char *data = static_cast<unsigned char *>(malloc((size_t)length));
  if (!data) {
    fclose(file);
    return -1;
  }
  size_t got = fread(data, 1, (size_t)length, file);
  fclose(file);
  if (got != (size_t)length) {
    free(data);
    return -1;
  }
  free(_wavData);
  _wavData = data;
  _oggFileLen = (uint32_t)length;
  _oggPosition = 0;
  return length;
}

// Copies a memory block into _wavData (with 1,024 spare zero bytes).
long KSound::transferFileToRam(const char *data, unsigned long size) {
  if (!data || size == 0 || size > 0xffffffffUL - 1024)
    return -1;
  unsigned char *copy = static_cast<unsigned char *>(calloc(1, (size_t)size + 1024));
  if (!copy)
    return -1;
  memcpy(copy, data, (size_t)size);
  free(_wavData);
  _wavData = copy;
  _oggFileLen = (uint32_t)size;
  _oggPosition = 0;
  return (long)size;
}

// Finds the format and the sample data of the WAV file in _wavData: the first
// "fmt " and the first "data" anywhere in the file (no other chunk and no
// RIFF field is checked). 16-bit samples are turned big-endian in place;
// 8-bit samples stay unsigned bytes. Returns the data length (0: refused) and
// its offset in *dataOffset.
unsigned long KSound::ParseWavHeader(unsigned long *dataOffset) {
  const unsigned long length = _oggFileLen;
  if (!_wavData || length < 8)
    return 0;
  long dataTag = findTag(_wavData, length, "data");
  long fmtTag = findTag(_wavData, length, "fmt ");
  if (dataTag < 0 || fmtTag < 0)
    return 0;
  // The chunk sizes come from the file: the format must fit in it, and a
  // data length running past its end is cut to the bytes present.
  if ((unsigned long)dataTag + 8 > length || (unsigned long)fmtTag + 8 + 16 > length)
    return 0;
  const unsigned char *fmt = _wavData + fmtTag + 8;
  _wavFormat.wFormatTag = readLE16(fmt);
  _wavFormat.nChannels = readLE16(fmt + 2);
  _wavFormat.nSamplesPerSec = readLE32(fmt + 4);
  _wavFormat.nAvgBytesPerSec = readLE32(fmt + 8);
  _wavFormat.nBlockAlign = readLE16(fmt + 12);
  _wavFormat.wBitsPerSample = readLE16(fmt + 14);
  _wavFormat.cbSize = (unsigned long)fmtTag + 8 + 18 <= length ? readLE16(fmt + 16) : 0;
  // Only what the channels can play: PCM (plain or extensible), mono or
  // stereo, 8 or 16 bits.
  if ((_wavFormat.wFormatTag != 1 && _wavFormat.wFormatTag != 0xfffe) ||
      (_wavFormat.nChannels != 1 && _wavFormat.nChannels != 2) ||
      (_wavFormat.wBitsPerSample != 8 && _wavFormat.wBitsPerSample != 16) || _wavFormat.nSamplesPerSec == 0)
    return 0;

  unsigned long start = (unsigned long)dataTag + 8;
  unsigned long size = readLE32(_wavData + dataTag + 4);
  size = std::min(size, length - start);
  if (_wavFormat.wBitsPerSample != 8) {
    unsigned char *p = _wavData + start;
    for (unsigned long i = 0; i + 1 < size; i += 2)
      std::swap(p[i], p[i + 1]);
  }
  *dataOffset = start;
  return size;
}

// Opens the decoder on the stream file in memory, makes the channel and the
// two buffers and fills them.
bool KSound::openStreamFromRam() {
  if (ov_open_callbacks(this, &_vorbisFile, nullptr, 0, ogg_CallBacks) < 0) {
    releaseAll();
    return false;
  }
  _oggFile = 1;
  vorbis_info *info = ov_info(&_vorbisFile, -1);
  if (!info || info->channels < 1 || info->channels > 2 || info->rate <= 0) {
    // No sound buffer can be made for other than mono or stereo.
    if (info)
      setError(kErrorSoundHeader);
    releaseAll();
    return false;
  }
  _oggFormatEx.wFormatTag = 1;
  _oggFormatEx.nChannels = (uint16_t)info->channels;
  _oggFormatEx.nSamplesPerSec = (uint32_t)info->rate;
  _oggFormatEx.nAvgBytesPerSec = (uint32_t)(info->rate * info->channels * 2);
  _oggFormatEx.nBlockAlign = (uint16_t)(2 * info->channels);
  _oggFormatEx.wBitsPerSample = 16;
  _oggFormatEx.cbSize = 20;
  _waveFormatEx = &_oggFormatEx;

  freeChannel();
  if (!createSoundChannel(K_SOUND_STREAM, 0)) {
    releaseAll();
    return false;
  }
  unsigned char *first = makeSoundHandle((short)info->channels, info->rate, 16, kStreamBufferBytes, 0);
  unsigned char *second = makeSoundHandle((short)info->channels, info->rate, 16, kStreamBufferBytes, 1);
  if (!first || !second) {
    releaseAll();
    return false;
  }
  ov_time_seek(&_vorbisFile, 0);
  _whatPartIsPlaying = 0;
  _oggCompleted = 0;
  _tailQueued = 0;
  fillOggBuffer(0);
  fillOggBuffer(1);
  return true;
}

// Makes sound buffer `chanid` (0 or 1) for `length` bytes of PCM and returns
// where its data goes, or null.
unsigned char *KSound::makeSoundHandle(short nbchannels, long samplesPerSec, short bitsPersample, unsigned long length,
                                       short chanid) {
  _originalFrequency = (int32_t)samplesPerSec;
  _wavLength = (uint32_t)length;
  if (chanid < 0 || chanid > 1 || (nbchannels != 1 && nbchannels != 2) || (bitsPersample != 8 && bitsPersample != 16) ||
      samplesPerSec <= 0) {
    setError(kErrorSoundHeader);
    return nullptr;
  }
  // The header and the data in one block, the data just after the header.
  void *block = calloc(1, sizeof(KMixerBuffer) + (size_t)length);
  if (!block) {
    setError(kErrorSoundHeader);
    return nullptr;
  }
  if (_sndHandle[chanid])
    freeSoundHandle(_sndHandle[chanid]);
  KMixerBuffer *buffer = new (block) KMixerBuffer;
  unsigned char *data = static_cast<unsigned char *>(block) + sizeof(KMixerBuffer);
  buffer->data = data;
  buffer->channels = (uint16_t)nbchannels;
  buffer->bits = (uint16_t)bitsPersample;
  buffer->rate = (uint32_t)samplesPerSec;
  buffer->frames = (uint32_t)(length / ((unsigned long)nbchannels * (bitsPersample / 8)));
  _sndHandle[chanid] = buffer;
  _wavDataStart[chanid] = data;
  return data;
}

// Creates the channel of `slot` with the completion callback of `type`.
bool KSound::createSoundChannel(int type, short slot) {
  if (slot < 0 || slot >= kSlots)
    return false;
  CallBack callback = type == K_SOUND_MODULE   ? _modCallBackUPP
                      : type == K_SOUND_STREAM ? _oggCallBackUPP
                                               : _wavCallBackUPP;
  if (_sndChannelPtr[slot])
    mixer().disposeChannel(_sndChannelPtr[slot]);
  _sndChannelPtr[slot] = mixer().newChannel(callback);
  return _sndChannelPtr[slot] != nullptr;
}

// Disposes of every slot's channel, silencing it at once.
void KSound::freeChannel() {
  KMixer::Guard guard(mixer());
  for (KMixerChannel *&channel : _sndChannelPtr) {
    if (channel)
      mixer().disposeChannel(channel);
    channel = nullptr;
  }
}

// Frees everything loaded: channels first (so that no callback runs any
// more), then the decoder, the module and its renderer, the buffers and the
// file in memory.
void KSound::releaseAll() {
  KMixer::Guard guard(mixer());
  freeChannel();
  if (_oggFile) {
    ov_clear(&_vorbisFile);
    _oggFile = 0;
  }
  if (_moduleStorage._moduleRenderer) {
    duh_end_sigrenderer(_moduleStorage._moduleRenderer);
    _moduleStorage._moduleRenderer = nullptr;
  }
  if (_moduleStorage._moduleData) {
    unload_duh(_moduleStorage._moduleData);
    _moduleStorage._moduleData = nullptr;
  }
  for (int i = 0; i < 2; ++i) {
    if (_sndHandle[i])
      freeSoundHandle(_sndHandle[i]);
    _sndHandle[i] = nullptr;
    _wavDataStart[i] = nullptr;
  }
  free(_wavData);
  _wavData = nullptr;
  _oggFileLen = 0;
  _oggPosition = 0;
  _waveFormatEx = nullptr;
  _wavLength = 0;
  _tailQueued = 0;
  _isChannelActive = 0;
}

// Keeps the text of the last failure, cut to 255 characters, and logs it
// with the sound's file name.
void KSound::setError(const char *text) {
  strncpy(_lastError, text, 255);
  _lastError[255] = 0;
  KLog::logFormat(kError, "sound %s: %s", _filename, _lastError);
}

// Quiet, flush and reinitialise one slot's channel at once.
void KSound::stopChannel(short slot) {
  KMixerChannel *channel = _sndChannelPtr[slot];
  if (!channel)
    return;
  channel->quiet();
  channel->flush();
  channel->reinit();
}

// Decodes the next 4,096 bytes of the stream into buffer `bufferID`. At the
// end a looping stream seeks back to its start (the rest of this buffer
// stays silent); otherwise the stream is marked ended and the buffer plays
// only what was decoded.
void KSound::fillOggBuffer(short bufferID) {
  if (!_sndChannelPtr[0] || !_oggFile || bufferID < 0 || bufferID > 1 || !_sndHandle[bufferID])
    return;
  KMixerBuffer *buffer = _sndHandle[bufferID];
  unsigned char *data = _wavDataStart[bufferID];
  memset(data, 0, kStreamBufferBytes);
  const uint32_t frameBytes = 2u * buffer->channels;
  if (_oggCompleted) {
    // Nothing left to decode: an empty buffer.
    buffer->frames = 0;
    return;
  }
  buffer->frames = (uint32_t)(kStreamBufferBytes / frameBytes);
  unsigned long filled = 0;
  long result = 1;
  int section = 0;
  while (filled < kStreamBufferBytes) {
    result = ov_read(&_vorbisFile, reinterpret_cast<char *>(data) + filled, (int)(kStreamBufferBytes - filled), 1, 2, 1,
                     &section);
    if (result <= 0)
      break;
    filled += (unsigned long)result;
  }
  if (result < 0) {
    memset(data, 0, kStreamBufferBytes); // a decoding error: this buffer is silence
  } else if (result == 0) {
    if (_loopState) {
      ov_time_seek(&_vorbisFile, 0);
    } else {
      _oggCompleted = 1;
      buffer->frames = (uint32_t)(filled / frameBytes);
    }
  }
}

// Renders the next 1,024 frames of the module into buffer `bufferID`.
void KSound::fillModBuffer(short bufferID) {
  if (bufferID < 0 || bufferID > 1 || !_sndHandle[bufferID])
    return;
  KMixerBuffer *buffer = _sndHandle[bufferID];
  unsigned char *data = _wavDataStart[bufferID];
  memset(data, 0, kStreamBufferBytes);
  buffer->frames = kModuleFrames;
  if (!_moduleStorage._moduleRenderer)
    return;
  int16_t frames[kModuleFrames * 2];
  long rendered = duh_render(_moduleStorage._moduleRenderer, 16, 0, 1.0f, 65536.0f / kModuleRate, kModuleFrames,
                             frames);
  if (rendered < 0)
    rendered = 0;
  toBigEndian(frames, data, (size_t)rendered * 2);
  if (rendered < kModuleFrames) {
    // The renderer stopped: the module wrapped round without looping, or ended.
    _oggCompleted = 1;
    buffer->frames = (uint32_t)rendered;
  }
}

// Replaces the module's renderer by a new one that starts at order `order`
// (kept within the module's orders) and frees the old one.
bool KSound::restartRenderer(int order) {
  DUH *duh = _moduleStorage._moduleData;
  if (!duh)
    return false;
  int orders = dumb_it_sd_get_n_orders(duh_get_it_sigdata(duh));
  order = std::clamp(order, 0, std::max(orders - 1, 0));
  DUH_SIGRENDERER *renderer = order == 0 && !_moduleStorage._moduleRenderer ? duh_start_sigrenderer(duh, 0, 2, 0)
                                                                            : dumb_it_start_at_order(duh, 2, order);
  if (!renderer)
    return false;
  if (_moduleStorage._moduleRenderer)
    duh_end_sigrenderer(_moduleStorage._moduleRenderer);
  _moduleStorage._moduleRenderer = renderer;
  // The loop callback decides at each wrap whether looping is allowed.
  DUMB_IT_SIGRENDERER *itRenderer = duh_get_it_sigrenderer(renderer);
  if (itRenderer)
    dumb_it_set_loop_callback(itRenderer, loopFunc, this);
  return true;
}

// ---- completion callbacks (audio thread, mixer locked) -----------------------

// A sample's buffer has played: restart it if the sample loops, else the
// sound has ended.
void KSound::wavCallBackProcPtr(KMixerChannel *channel, void *param) {
  KSound *sound = static_cast<KSound *>(param);
  if (!sound->_isChannelActive)
    return;
  if (sound->_loopState) {
    channel->play(sound->_sndHandle[0]);
    channel->queueCallback(sound);
  } else {
    sound->_isChannelActive = 0;
  }
}

// A stream's buffer has played: start the other one and refill this one.
void KSound::oggCallBackProcPtr(KMixerChannel *channel, void *param) {
  KSound *sound = static_cast<KSound *>(param);
  if (!sound->_isChannelActive)
    return;
  bufferSwitch(sound, channel);
}

// A module's buffer has played: as for streams, with module rendering.
void KSound::modCallBackProcPtr(KMixerChannel *channel, void *param) {
  bufferSwitch(static_cast<KSound *>(param), channel);
}

// The double buffering of streams and modules. The buffer that just ended is
// refilled while the other plays. Once the end is reached, the buffer that
// holds the last decoded frames is queued behind the playing one, and the
// callback after it marks the sound ended, so that the music plays to its
// very end and isPlaying() turns false when it has.
void KSound::bufferSwitch(KSound *sound, KMixerChannel *channel) {
  const bool module = sound->_type == K_SOUND_MODULE;
  if (sound->_tailQueued) {
    sound->_tailQueued = 0;
    sound->_isChannelActive = 0;
    if (module)
      sound->restartRenderer(0);
    return;
  }
  const int next = sound->_whatPartIsPlaying == 1 ? 0 : 1;
  const int finished = 1 - next;
  sound->_whatPartIsPlaying = next;
  channel->play(sound->_sndHandle[next]);
  if (sound->_oggCompleted) {
    // The end was met while `next` was filled: it holds the last frames.
    channel->queueCallback(sound);
    sound->_tailQueued = 1;
  } else {
    if (module)
      sound->fillModBuffer((short)finished);
    else
      sound->fillOggBuffer((short)finished);
    if (sound->_oggCompleted)
      channel->queueBuffer(sound->_sndHandle[finished]);
    channel->queueCallback(sound);
    sound->_tailQueued = sound->_oggCompleted;
  }
  sound->_isChannelActive = 1;
  // A change of the music master reaches a playing stream or module here.
  // Each sound compares with the master it applied itself, so that every
  // playing sound follows a change, whatever the others did.
  if (_masterMUSICvolume != sound->_musicVolumeApplied)
    sound->setVolume(-1);
}

// Called by the module renderer when the module wraps round to its start:
// without looping, the module has ended and the renderer stops there.
int KSound::loopFunc(void *data) {
  KSound *sound = static_cast<KSound *>(data);
  if (sound->_moduleStorage.allowLooping)
    return 0;
  sound->_oggCompleted = 1;
  return 1;
}
