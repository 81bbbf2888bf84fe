// KSound: one playable sound. Three kinds: a sample held whole in memory (WAV
// or Ogg Vorbis) that may overlap itself on up to ten channels; a music
// stream decoded from Ogg Vorbis a little at a time into two alternating
// buffers; or a tracker module (IT, XM, S3M, MOD) rendered into the same kind
// of double buffer. Volumes are per sound (0 to 100), scaled by two
// process-wide masters, one for effects and one for music.
//
// What a sound file can and cannot do. WAV and Ogg Vorbis files of any
// content are safe: a sample that would decode to more than 64 MB, or a
// file over 256 MB, is refused (long sounds must be streams). Modules are
// read from memory with the module library's quick readers (no play-through
// at load), a file over 32 MB or whose headers claim more sample data than
// it can hold, or an IT or S3M sample tuned to 0 Hz or above 500 kHz, is
// refused, and a speed or tempo of 0 is replaced by the trackers' defaults.
// Past that, the Debian build of the module library (DUMB 0.9.3) is not
// safe with hostile files: a crafted IT can make it read
// past a pattern's end, some files make it append to "dupentry.txt" in the
// current folder (or abort when it cannot), and a crafted song can keep the
// renderer busy. The checks above refuse what the fuzzer found so far (a
// sample tuned to 0 Hz or to millions of Hz), not every such file. Load
// modules only from files you trust, such as those you ship. A reproducer of
// one of these library faults belongs in fuzz/known_failing/module/, whose
// files the fuzz script skips by name.
#ifndef KSOUND_H
#define KSOUND_H

#include <cstdint>

// The decoder state is a member; the library's static default callbacks are
// not wanted (the engine reads streams from memory through its own).
#ifndef OV_EXCLUDE_STATIC_CALLBACKS
#define OV_EXCLUDE_STATIC_CALLBACKS
#endif
#include <vorbis/vorbisfile.h>

typedef struct DUH DUH;
typedef struct DUH_SIGRENDERER DUH_SIGRENDERER;
class KMixerChannel;
struct KMixerBuffer;

// PCM format description, laid out as the body of a RIFF WAVE "fmt " chunk
// (little-endian in files, host order in memory).
struct TAVRIELWAVEFORMATEX {
  uint16_t wFormatTag;     // 1 = PCM
  uint16_t nChannels;      // 1 mono, 2 stereo
  uint32_t nSamplesPerSec; // frames per second
  uint32_t nAvgBytesPerSec;
  uint16_t nBlockAlign;    // bytes per frame
  uint16_t wBitsPerSample; // 8 or 16
  uint16_t cbSize;         // extra format bytes; 20 in the records the engine builds
};

// A loaded tracker module and its renderer, both owned by the sound.
struct sModuleInfo {
  DUH *_moduleData = nullptr;
  DUH_SIGRENDERER *_moduleRenderer = nullptr;
  bool allowLooping = false;
};

// Kinds of sound, held in _type.
enum { K_SOUND_MODULE = 0, K_SOUND_STREAM = 1, K_SOUND_SAMPLE = 2 };

class KSound {
public:
  KSound();
  ~KSound();

  // ---- samples ----
  bool loadSample(const char *sampleName, int volume, bool loop, short maxchannels);
  // Loads a sample from PCM held in memory: `frames` frames of signed 16-bit
  // host-order samples, `channels` (1 or 2) interleaved, at `rate` Hz. The
  // data is copied. Played like a loaded file, at the effects volume.
  bool loadSampleFromPcm(const int16_t *samples, unsigned long frames, short channels, long rate, int volume,
                         short maxchannels);
  void playSample();
  KSound *playSample(long rate, long vol, long pan, bool loop);
  void stopSample();
  void stopSample(short slot);
  void pauseSample();
  void continueSample();
  void setLoop(bool loop);
  void setFrequency(long frequency);
  void setVolume(int volume);
  void setPan(long panoramic);
  static void setGlobalVolumes(int volumeMusic, int volumeSFX);
  // Frames per second the sounds are mixed at, 0 while no output is open.
  static int outputRate();
  bool isPlaying();
  char *getError(); // the last failure's text, null if none (see getLastError)
  bool initDone();
  bool startNotifiers();
  bool isMusicPaused();

  // ---- streams ----
  bool loadStream(const char *filename);
  bool loadStreamFromPtr(char *oggPtr, unsigned long datasize);
  void playStream(bool loop);
  void stopStream();
  bool pollStream(bool forceFill);

  // ---- modules ----
  bool loadModule(const char *moduleName);
  void playModule(bool loop);
  void stopModule();
  void pauseModule();
  void continueModule();
  void setModulePosition(int position);
  bool modToRaw(char *filename, unsigned long maxbytes);

  // The text of the last failure ("" if none). getError() gives the same
  // text, or null while nothing has failed. The text stays until another
  // failure replaces it; a later successful load does not clear it.
  const char *getLastError() const { return _lastError; }

  // The decoder's access to a stream held in memory; `datasource` is the
  // KSound. Seek origins are SEEK_SET, SEEK_CUR and SEEK_END.
  static size_t ogg_Read(void *ptr, size_t size, size_t nmemb, void *datasource);
  static int ogg_Seek(void *datasource, ogg_int64_t offset, int whence);
  static int ogg_Close(void *datasource);
  static long ogg_Tell(void *datasource);
  static ov_callbacks ogg_CallBacks;

private:
  KSound(const KSound &) = delete;
  KSound &operator=(const KSound &) = delete;

  long loadFileToRam(const char *filename);
  long transferFileToRam(const char *data, unsigned long size);
  bool loadOggSample(const char *sampleName);
  bool loadWavSample(const char *sampleName);
  unsigned long ParseWavHeader(unsigned long *dataOffset);
  bool openStreamFromRam();
  unsigned char *makeSoundHandle(short nbchannels, long samplesPerSec, short bitsPersample, unsigned long length,
                                 short chanid);
  bool createSoundChannel(int type, short slot);
  unsigned char *makePcmSample(short channels, long rate, unsigned long bytes);
  void freeChannel();
  void releaseAll();
  void setError(const char *text);
  void stopChannel(short slot);
  void fillOggBuffer(short bufferID);
  void fillModBuffer(short bufferID);
  bool restartRenderer(int order);
  static void bufferSwitch(KSound *sound, KMixerChannel *channel);

  static void wavCallBackProcPtr(KMixerChannel *channel, void *param);
  static void oggCallBackProcPtr(KMixerChannel *channel, void *param);
  static void modCallBackProcPtr(KMixerChannel *channel, void *param);
  static int loopFunc(void *data);

  short _channelCount;
  char _lastError[260];
  char _filename[260];
  int32_t _channelVolume;
  uint8_t _type;
  int32_t _slotc;
  int32_t _pan;
  sModuleInfo _moduleStorage;
  TAVRIELWAVEFORMATEX *_waveFormatEx;
  unsigned char *_wavDataStart[2];
  uint32_t _wavLength;
  TAVRIELWAVEFORMATEX _oggFormatEx;
  OggVorbis_File _vorbisFile;
  int32_t _oggFile;
  [[maybe_unused]] int32_t id; // kept in the record, not read
  KMixerChannel *_sndChannelPtr[10];
  KMixerBuffer *_sndHandle[2];
  int32_t _whatPartIsPlaying;
  int32_t _oggCompleted;
  int32_t _isChannelActive;
  int32_t _loopState;
  int32_t _originalFrequency;
  uint32_t _oggPosition;
  uint32_t _oggFileLen;
  unsigned char *_wavData;
  // The end of a stream or module has been reached and its last buffer is
  // queued behind the playing one; the next callback marks the end.
  int32_t _tailQueued;
  TAVRIELWAVEFORMATEX _wavFormat; // format read from a WAV file
  int32_t _musicVolumeApplied;    // the music master this sound last applied (-1: none)

  static int _instanceCount;
  static int _masterSFXvolume;
  static int _masterMUSICvolume;
  typedef void (*CallBack)(KMixerChannel *channel, void *param);
  static CallBack _modCallBackUPP;
  static CallBack _oggCallBackUPP;
  static CallBack _wavCallBackUPP;
};

#endif
