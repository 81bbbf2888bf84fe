// Tests of KSound: samples, streams and modules played through the engine's
// mixer rendered into memory, so that every output frame can be checked and
// nothing waits for a real device. WAV and MOD files are written here; the
// Ogg Vorbis files come from tools/make_test_sounds.sh, the hostile files
// from tools/make_hostile.py.
#include "KSound.h"
#include "platform/KMixer.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;
using Pcm = std::vector<int16_t>;

const int kRate = 44100;
const std::string kData = TRIVELLO_SOURCE_DIR "/tests/data/";
const std::string kStream = kData + "sound/stream.ogg";

// ---- files -------------------------------------------------------------------

// Appends the `count` low bytes of x, little-endian.
void putLE(Bytes &v, uint32_t x, int count) {
  for (int i = 0; i < count; ++i)
    v.push_back((unsigned char)(x >> (8 * i)));
}

Bytes le16(const std::vector<int> &values) {
  Bytes v;
  for (int x : values)
    putLE(v, (uint16_t)(int16_t)x, 2);
  return v;
}

// `count` values from `first` on, each `step` above the one before.
std::vector<int> ramp(int count, int step, int first = 0) {
  std::vector<int> v;
  for (int i = 0; i < count; ++i)
    v.push_back(first + i * step);
  return v;
}

// A RIFF WAVE file around `data` (bytes as they stand in the file). The data
// chunk's length field says `declared` bytes (-1: the real length).
Bytes wavFile(int channels, int bits, int rate, const Bytes &data, long declared = -1) {
  Bytes f = {'R', 'I', 'F', 'F'};
  putLE(f, (uint32_t)(36 + data.size()), 4);
  f.insert(f.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0});
  putLE(f, (uint32_t)channels, 2);
  putLE(f, (uint32_t)rate, 4);
  putLE(f, (uint32_t)(rate * channels * bits / 8), 4);
  putLE(f, (uint32_t)(channels * bits / 8), 2);
  putLE(f, (uint32_t)bits, 2);
  f.insert(f.end(), {'d', 'a', 't', 'a'});
  putLE(f, (uint32_t)(declared < 0 ? (long)data.size() : declared), 4);
  f.insert(f.end(), data.begin(), data.end());
  return f;
}

Bytes wav16(const std::vector<int> &values, int rate = kRate) { return wavFile(1, 16, rate, le16(values)); }

// Rows the test module plays before it wraps round: speed 1 (one 20 ms tick
// a row at the default tempo 125), then a pattern break on the last row.
const int kModRows = 8;
const int kModFrames = kModRows * kRate / 50;

// A 4-channel ProTracker module: one looping square-wave sample, one pattern
// that sets speed 1, plays the sample and breaks after kModRows rows.
Bytes modFile() {
  Bytes m(1084 + 1024 + 64, 0);
  memcpy(&m[0], "trivello test", 13);
  memcpy(&m[20], "square", 6);
  m[20 + 23] = 32; // length in words
  m[20 + 25] = 64; // volume
  m[20 + 29] = 32; // loop length in words (from 0)
  m[950] = 1;      // song length
  m[951] = 127;
  memcpy(&m[1080], "M.K.", 4);
  const int period = 428, sample = 1;
  unsigned char *cell = &m[1084]; // row 0, channel 0
  cell[0] = (unsigned char)((sample & 0xf0) | (period >> 8));
  cell[1] = period & 0xff;
  cell[2] = (unsigned char)(((sample & 0x0f) << 4) | 0xf); // F01: speed 1
  cell[3] = 0x01;
  m[1084 + ((kModRows - 1) * 4 + 1) * 4 + 2] = 0xd; // channel 1 of the last row: D00, pattern break
  for (int i = 0; i < 64; ++i)
    m[1084 + 1024 + i] = (i / 8) % 2 ? 0x40 : 0xc0;
  return m;
}

Bytes readFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

// The frames of an Ogg Vorbis file decoded straight with the library.
Pcm decodeOgg(const std::string &path, int *channels) {
  Pcm pcm;
  OggVorbis_File vf;
  if (ov_fopen(path.c_str(), &vf) != 0)
    return pcm;
  *channels = ov_info(&vf, -1)->channels;
  char buf[4096];
  int section;
  long n;
  while ((n = ov_read(&vf, buf, sizeof(buf), 0, 2, 1, &section)) > 0) {
    size_t old = pcm.size();
    pcm.resize(old + (size_t)n / 2);
    memcpy(pcm.data() + old, buf, (size_t)n);
  }
  ov_clear(&vf);
  return pcm;
}

// What the mixer makes of value `v` at level `level`.
int scaled(int v, int level) { return (v * level) >> 8; }

bool silent(const Pcm &out, size_t from = 0) {
  return std::all_of(out.begin() + (long)from, out.end(), [](int16_t s) { return s == 0; });
}

// ---- fixture -------------------------------------------------------------------

class KSoundTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(KMixer::shared().useMemoryOutput(kRate));
    KSound::setGlobalVolumes(100, 100);
    std::filesystem::create_directories(dir);
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
  }

  std::string write(const char *name, const Bytes &bytes) {
    std::ofstream(dir + name, std::ios::binary).write((const char *)bytes.data(), (std::streamsize)bytes.size());
    return dir + name;
  }

  static Pcm render(int frames) {
    Pcm out((size_t)frames * 2);
    KMixer::shared().render(out.data(), frames);
    return out;
  }

  const std::string dir = testing::TempDir() + "ksound_test_" + std::to_string(getpid()) + "/";
};

// ---- samples -----------------------------------------------------------------

TEST_F(KSoundTest, VolumeBalanceAndTheEffectsMasterReachTheChannels) {
  const int kKeep = -1000; // no setVolume call
  struct Case {
    const char *name;
    int masterSfx, loadVolume, setVolume;
    long pan;
    int left, right;
  } cases[] = {
      {"master 50", 50, 100, kKeep, 0, 127, 127},
      {"a negative master is left alone", -1, 100, kKeep, 0, 127, 127},
      {"master 50, pan -50", 50, 100, kKeep, -50, 127, 63},
      {"master 150 is 100", 150, 100, kKeep, 0, 255, 255},
      {"pan 150 is 100", 100, 100, kKeep, 150, 0, 255},
      {"setVolume(-1) keeps 50", 100, 50, -1, 0, 127, 127},
      {"setVolume(-5) is 0", 100, 80, -5, 0, 0, 0},
      {"setVolume(200) sends at most 255", 100, 10, 200, 0, 255, 255},
      {"volume 1 at master 10 rounds to 0", 10, 1, kKeep, 0, 0, 0},
  };
  const int v = 16384;
  std::string path = write("flat.wav", wav16(ramp(64, 0, v)));
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    KSound::setGlobalVolumes(-1, c.masterSfx);
    KSound sound;
    ASSERT_TRUE(sound.loadSample(path.c_str(), c.loadVolume, false, 1));
    sound.setPan(c.pan);
    sound.playSample();
    if (c.setVolume != kKeep)
      sound.setVolume(c.setVolume);
    Pcm out = render(4);
    EXPECT_EQ(out[0], scaled(v, c.left));
    EXPECT_EQ(out[1], scaled(v, c.right));
  }
}

TEST_F(KSoundTest, SamplePlaysTakeUpToTenSlotsInTurn) {
  struct Case {
    short maxchannels;
    int copies;
  } cases[] = {{0, 1}, {-3, 1}, {1, 1}, {3, 3}, {10, 10}, {25, 10}};
  const int step = 10;
  std::string path = write("ramp.wav", wav16(ramp(1000, step)));
  for (const Case &c : cases) {
    SCOPED_TRACE(c.maxchannels);
    int before = KMixer::shared().channelCount();
    KSound sound;
    ASSERT_TRUE(sound.loadSample(path.c_str(), 100, false, c.maxchannels));
    EXPECT_EQ(KMixer::shared().channelCount() - before, c.copies);
    // One play more than there are slots, ten frames apart: the last play
    // cuts the copy started first, the others go on. A ramp tells where each
    // copy is.
    for (int play = 0; play <= c.copies; ++play) {
      sound.playSample();
      render(10);
    }
    int expected = 0;
    for (int copy = 1; copy <= c.copies; ++copy)
      expected += scaled((c.copies + 1 - copy) * 10 * step, 255);
    EXPECT_EQ(render(1)[0], expected);
  }
}

TEST_F(KSoundTest, WavFilesPlayAsStoredOrAreRefused) {
  const Bytes good = wav16({1, 2, 3});
  Bytes noData = good, noFmt = good, cutFmt(good.begin(), good.begin() + 26);
  memcpy(&noData[36], "dat_", 4);
  memcpy(&noFmt[12], "fmx ", 4);
  memcpy(&cutFmt[22], "data", 4);
  struct Case {
    const char *name;
    Bytes file;
    std::vector<int> left, right; // as the mixer reads them, before the level (right: as left if none)
  } cases[] = {
      {"8-bit is unsigned and unconverted",
       wavFile(1, 8, kRate, {0x80, 0xff, 0x00, 0x90}),
       {0, 127 * 256, -128 * 256, 16 * 256},
       {}},
      {"16-bit bytes are swapped", wav16({0x1234, -2, 32767, -32768}), {0x1234, -2, 32767, -32768}, {}},
      {"16-bit stereo", wavFile(2, 16, kRate, le16({1000, -1000, 300, 30000})), {1000, 300}, {-1000, 30000}},
      {"8-bit stereo", wavFile(2, 8, kRate, {0x00, 0xff, 0x81, 0x7f}), {-128 * 256, 256}, {127 * 256, -256}},
      {"a data length past the end is cut", wavFile(1, 16, kRate, le16({500, 600}), 1 << 30), {500, 600}, {}},
      // Refused: nothing plays.
      {"empty file", {}, {}, {}},
      {"no data chunk", noData, {}, {}},
      {"no fmt chunk", noFmt, {}, {}},
      {"format cut short", cutFmt, {}, {}},
      {"24-bit samples", wavFile(1, 24, kRate, Bytes(30, 1)), {}, {}},
      {"six channels", wavFile(6, 16, kRate, Bytes(24, 1)), {}, {}},
      {"empty data", wavFile(1, 16, kRate, {}), {}, {}},
      {"zero rate", wavFile(1, 16, 0, le16({1, 2})), {}, {}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    KSound sound;
    EXPECT_EQ(sound.loadSample(write("case.wav", c.file).c_str(), 100, false, 1), !c.left.empty());
    sound.playSample();
    Pcm out = render((int)c.left.size() + 1);
    const std::vector<int> &right = c.right.empty() ? c.left : c.right;
    for (size_t i = 0; i < c.left.size(); ++i) {
      EXPECT_EQ(out[2 * i], scaled(c.left[i], 255)) << i;
      EXPECT_EQ(out[2 * i + 1], scaled(right[i], 255)) << i;
    }
    EXPECT_TRUE(silent(out, 2 * c.left.size()));
    EXPECT_FALSE(sound.isPlaying());
  }
  KSound sound;
  EXPECT_FALSE(sound.loadSample((dir + "missing.wav").c_str(), 100, false, 1));
}

TEST_F(KSoundTest, OggSamplesAreDecodedWholeUnlessTheyCannotPlay) {
  struct Case {
    const char *name;
    std::string path;
    bool sample, stream;
    const char *error; // getError() after both loads
  } cases[] = {
      {"mono at 22,050 Hz", kData + "sound/sample.ogg", true, true, nullptr},
      {"no Vorbis data", write("notes.ogg", Bytes(200, 'x')), false, false, nullptr},
      {"\".ogg\" anywhere in the name picks the decoder", write("wave.ogg.wav", wav16({5, 5})), false, false, nullptr},
      {"more than two channels", kData + "sound/surround.ogg", false, false,
       "can't create sound header ( makeSoundHandle ) "},
      // 22 KB that decode to 70 MB: a sample holds it whole, a stream does not.
      {"decodes to more than the cap", kData + "hostile/long.ogg", false, true, nullptr},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    KSound sample, music;
    EXPECT_EQ(sample.loadSample(c.path.c_str(), 100, false, 1), c.sample);
    EXPECT_EQ(music.loadStream(c.path.c_str()), c.stream);
    EXPECT_STREQ(sample.getError(), c.error);
    EXPECT_STREQ(music.getError(), c.error);
    if (!c.stream) {
      music.playStream(true);
      EXPECT_FALSE(music.pollStream(true));
    }
    int channels = 0;
    Pcm ref = c.sample ? decodeOgg(c.path, &channels) : Pcm();
    sample.playSample();
    // As the library decodes it, played at twice its rate: every frame twice.
    Pcm out = render((int)ref.size() * 2 + 10);
    for (size_t i = 0; i < ref.size() * 2; ++i)
      ASSERT_EQ(out[2 * i], scaled(ref[i / 2], 255)) << i;
    EXPECT_TRUE(silent(out, ref.size() * 4));
    EXPECT_FALSE(sample.isPlaying());
  }
}

TEST_F(KSoundTest, LoopingSampleRestartsUntilStopped) {
  KSound sound;
  ASSERT_TRUE(sound.loadSample(write("ramp.wav", wav16(ramp(100, 5))).c_str(), 100, true, 1));
  sound.playSample();
  Pcm out = render(350);
  for (int i = 0; i < 350; ++i)
    ASSERT_EQ(out[2 * i], scaled((i % 100) * 5, 255)) << i;
  EXPECT_TRUE(sound.isPlaying());
  sound.setLoop(false);
  render(100);
  EXPECT_FALSE(sound.isPlaying());

  sound.playSample(0, 100, 0, true);
  render(250);
  EXPECT_TRUE(sound.isPlaying());
  sound.stopSample();
  EXPECT_FALSE(sound.isPlaying());
  EXPECT_EQ(render(1)[0], 0);
}

TEST_F(KSoundTest, PlaySampleWithSettingsAndFrequency) {
  const int step = 10;
  KSound sound;
  ASSERT_TRUE(sound.loadSample(write("ramp.wav", wav16(ramp(400, step), 22050)).c_str(), 100, false, 2));
  // 44,100 / 22,050: twice the recorded speed, i.e. the output rate.
  EXPECT_EQ(sound.playSample(44100, 50, -100, false), &sound);
  Pcm out = render(4);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(out[2 * i], scaled(i * step, 127)) << i;
    EXPECT_EQ(out[2 * i + 1], 0) << i;
  }
  // 0 restores the recorded rate: each frame twice.
  sound.stopSample();
  sound.setFrequency(0);
  sound.setPan(0);
  sound.playSample(); // slot 1
  out = render(4);
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(out[2 * i + 1], scaled((i / 2) * step, 127)) << i;

  // pauseSample mutes every copy, continueSample brings them back.
  sound.pauseSample();
  EXPECT_EQ(render(1)[0], 0);
  sound.continueSample();
  EXPECT_EQ(render(1)[0], scaled(2 * step, 127)); // output frame 5 is still input frame 2

  // Stopping one slot leaves the other copy playing.
  sound.playSample(); // slot 0, from its start
  sound.stopSample(1);
  out = render(4);
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(out[2 * i], scaled((i / 2) * step, 127)) << i;
}

TEST_F(KSoundTest, SoundWithoutDataPlaysNothing) {
  KSound sound;
  sound.playSample();
  EXPECT_EQ(sound.playSample(22050, 100, 0, true), nullptr);
  sound.playStream(true);
  sound.playModule(true);
  sound.setVolume(50);
  sound.setFrequency(1000);
  sound.setPan(20);
  EXPECT_FALSE(sound.isPlaying());
  EXPECT_FALSE(sound.pollStream(false));
  EXPECT_EQ(sound.getError(), nullptr);
  EXPECT_STREQ(sound.getLastError(), "");
  EXPECT_FALSE(sound.modToRaw(const_cast<char *>((dir + "x.raw").c_str()), 0));
  EXPECT_EQ(render(1)[0], 0);
}

// ---- streams -----------------------------------------------------------------

class KSoundStreamTest : public KSoundTest {
protected:
  void SetUp() override {
    KSoundTest::SetUp();
    ref = decodeOgg(kStream, &channels);
    ASSERT_EQ(channels, 2);
    frames = (int)ref.size() / 2;
    ASSERT_GT(frames, 4096);
    ASSERT_TRUE(music.loadStream(kStream.c_str()));
    music.setVolume(100);
  }

  // True if `out` from frame `at` holds the stream's first `count` frames.
  bool startsAt(const Pcm &out, int at, int count) {
    for (int i = 0; i < count * 2; ++i)
      if (out[(size_t)at * 2 + i] != scaled(ref[i], 255))
        return false;
    return true;
  }

  Pcm ref;
  int channels = 0, frames = 0;
  KSound music;
};

TEST_F(KSoundStreamTest, PlaysTheWholeStreamThenEnds) {
  music.playStream(false);
  EXPECT_TRUE(music.isPlaying());
  Pcm out;
  int endedAt = -1;
  for (int chunk = 0; chunk * 256 < frames + 8192 && endedAt < 0; ++chunk) {
    Pcm part = render(256);
    out.insert(out.end(), part.begin(), part.end());
    if (!music.isPlaying())
      endedAt = (chunk + 1) * 256;
  }
  // Every frame, the last ones too, then silence; isPlaying() turns false
  // in the render that reaches the end (or the next one at a boundary).
  ASSERT_GE(endedAt, frames);
  EXPECT_LE(endedAt, frames + 256);
  EXPECT_TRUE(startsAt(out, 0, frames));
  EXPECT_TRUE(silent(out, (size_t)frames * 2));
  EXPECT_FALSE(music.pollStream(true));
  EXPECT_EQ(render(1)[0], 0);
}

TEST_F(KSoundStreamTest, LoopingStreamContinuesFromItsStartAndPlayingAgainRestarts) {
  music.playStream(true);
  Pcm out = render(frames + 1024 + 4096);
  ASSERT_TRUE(startsAt(out, 0, frames));
  // The buffer that met the end is silent after it: at most 1,024 frames.
  int gap = -1;
  for (int g = 0; g <= 1024 && gap < 0; ++g)
    if (startsAt(out, frames + g, 4096))
      gap = g;
  ASSERT_GE(gap, 0) << "the stream did not start again";
  EXPECT_TRUE(silent(Pcm(out.begin() + frames * 2, out.begin() + (frames + gap) * 2)));
  EXPECT_TRUE(music.pollStream(false));

  music.playStream(true);
  EXPECT_TRUE(startsAt(render(3000), 0, 3000));
  music.playStream(false);
  music.playStream(false);
  EXPECT_TRUE(startsAt(render(3000), 0, 3000));
  music.stopStream();
  EXPECT_FALSE(music.isPlaying());
  EXPECT_TRUE(silent(render(3000)));
  music.playStream(false);
  EXPECT_TRUE(startsAt(render(100), 0, 100));
}

TEST_F(KSoundStreamTest, MusicMasterChangeReachesEveryStreamAtItsNextBufferSwitch) {
  KSound second;
  ASSERT_TRUE(second.loadStream(kStream.c_str()));
  second.setVolume(100);
  music.playStream(true);
  second.playStream(true);
  Pcm out = render(100);
  KSound::setGlobalVolumes(50, -1);
  Pcm more = render(2000);
  out.insert(out.end(), more.begin(), more.end());
  // Buffers hold 1,024 frames: the first one ends at frame 1,024, and both
  // streams play at 127 from there.
  for (int i = 0; i < 2 * 2100; ++i)
    ASSERT_EQ(out[i], std::clamp(2 * scaled(ref[i], i < 2 * 1024 ? 255 : 127), -32768, 32767)) << i;
}

TEST_F(KSoundTest, StreamShorterThanABufferPlaysOnceOrLoops) {
  // The looping choice of this start decides how the first two buffers are
  // filled, whatever the previous start chose.
  int channels = 0;
  Pcm ref = decodeOgg(kData + "sound/short.ogg", &channels);
  const int frames = (int)ref.size() / 2;
  ASSERT_EQ(channels, 2);
  ASSERT_TRUE(frames > 0 && frames < 1024);
  KSound music;
  ASSERT_TRUE(music.loadStream((kData + "sound/short.ogg").c_str()));
  music.setVolume(100);
  // Whether each 1,024-frame buffer holds the whole stream, then silence.
  auto buffersHoldTheStream = [&](const Pcm &out) {
    for (size_t i = 0; i < out.size(); ++i)
      if (out[i] != (i % 2048 < (size_t)frames * 2 ? scaled(ref[i % 2048], 255) : 0))
        return false;
    return true;
  };
  music.playStream(true);
  music.playStream(false);
  Pcm out = render(4096);
  EXPECT_TRUE(buffersHoldTheStream(Pcm(out.begin(), out.begin() + 2048)));
  EXPECT_TRUE(silent(out, (size_t)frames * 2));
  EXPECT_FALSE(music.isPlaying());

  music.playStream(false);
  music.playStream(true);
  EXPECT_TRUE(buffersHoldTheStream(render(3 * 1024)));
  EXPECT_TRUE(music.isPlaying());
}

TEST_F(KSoundStreamTest, ReloadingReplacesTheMusicAndAStreamPlaysFromACopyOfMemory) {
  music.playStream(true);
  render(2000);
  ASSERT_TRUE(music.loadSample(write("flat.wav", wav16(ramp(100, 0, 1000))).c_str(), 100, false, 1));
  EXPECT_FALSE(music.isPlaying());
  EXPECT_EQ(render(1)[0], 0);

  Bytes bytes = readFile(kStream);
  ASSERT_TRUE(music.loadStreamFromPtr(reinterpret_cast<char *>(bytes.data()), bytes.size()));
  std::fill(bytes.begin(), bytes.end(), 0); // the block was copied
  music.setVolume(100);
  music.playStream(false);
  EXPECT_TRUE(startsAt(render(5000), 0, 5000));
  EXPECT_FALSE(music.loadStreamFromPtr(nullptr, 10));
  std::vector<char> junk(300, 'j');
  EXPECT_FALSE(music.loadStreamFromPtr(junk.data(), junk.size()));
}

TEST_F(KSoundTest, MemoryFileCallbacks) {
  Bytes bytes = readFile(kStream);
  KSound sound;
  ASSERT_TRUE(sound.loadStreamFromPtr(reinterpret_cast<char *>(bytes.data()), bytes.size()));
  const long length = (long)bytes.size();
  struct Case {
    long offset;
    int whence;
    long position;
  } seeks[] = {{10, SEEK_SET, 10},     {-20, SEEK_CUR, 0}, {5, SEEK_CUR, 5}, {-5, SEEK_END, length - 5},
               {50, SEEK_END, length}, {-1, SEEK_SET, 0},  {7, 12345, 0}};
  for (const Case &c : seeks) {
    SCOPED_TRACE(testing::Message() << c.offset << " from " << c.whence);
    EXPECT_EQ(KSound::ogg_Seek(&sound, c.offset, c.whence), 0);
    EXPECT_EQ(KSound::ogg_Tell(&sound), c.position);
  }
  unsigned char buf[64];
  KSound::ogg_Seek(&sound, -10, SEEK_END);
  EXPECT_EQ(KSound::ogg_Read(buf, 1, 64, &sound), 10u);
  EXPECT_EQ(memcmp(buf, bytes.data() + length - 10, 10), 0);
  KSound::ogg_Seek(&sound, 0, SEEK_SET);
  EXPECT_EQ(KSound::ogg_Read(buf, 4, 4, &sound), 16u);
  EXPECT_EQ(memcmp(buf, "OggS", 4), 0);
  // Errors are a 0 with errno set, which the decoder takes as a failed read
  // (a -1 would read as a huge byte count); the end of the data leaves errno.
  errno = 0;
  EXPECT_EQ(KSound::ogg_Read(buf, (size_t)-1, 2, &sound), 0u);
  EXPECT_NE(errno, 0);
  EXPECT_EQ(KSound::ogg_Tell(&sound), 16);
  errno = 0;
  EXPECT_EQ(KSound::ogg_Read(buf, 1, 4, nullptr), 0u);
  EXPECT_NE(errno, 0);
  KSound::ogg_Seek(&sound, 0, SEEK_END);
  errno = 0;
  EXPECT_EQ(KSound::ogg_Read(buf, 1, 4, &sound), 0u);
  EXPECT_EQ(errno, 0);
  EXPECT_EQ(KSound::ogg_Seek(nullptr, 0, SEEK_SET), -1);
  EXPECT_EQ(KSound::ogg_Tell(nullptr), -1);
  EXPECT_EQ(KSound::ogg_Close(&sound), -1);
}

// ---- modules -----------------------------------------------------------------

TEST_F(KSoundTest, ModuleLoadersRefuseWhatTheyCannotPlaySafely) {
  const std::string hostile = kData + "hostile/";
  struct Case {
    const char *name;
    std::string path;
    bool loads;
  } cases[] = {
      {"junk", write("junk.mod", Bytes(3000, 0x55)), false},
      {"no file", dir + "missing.xm", false},
      {"an Ogg file", kStream, false},
      // The sample claims 4 GB; the module library would allocate and fill it.
      {"sample bigger than the file", hostile + "bigsample.s3m", false},
      // A looped sample tuned to 1.7 GHz: the first buffers took seconds.
      {"sample tuned to 1.7 GHz", hostile + "fastsample.s3m", false},
      // Tuned to 0 Hz: the library's resampler divided by zero.
      {"sample tuned to 0 Hz", hostile + "zerorate.s3m", false},
      // Formerly a division by zero killed the process while loading.
      {"speed and tempo 0 are repaired", hostile + "timing0.s3m", true},
      {"our MOD", write("test.mod", modFile()), true},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    KSound module;
    ASSERT_EQ(module.loadModule(c.path.c_str()), c.loads);
    const std::string raw = dir + "out.raw";
    if (c.loads) {
      ASSERT_TRUE(module.modToRaw(const_cast<char *>(raw.c_str()), 64 * 1024));
      EXPECT_FALSE(readFile(raw).empty());
    }
  }
}

class KSoundModuleTest : public KSoundTest {
protected:
  void SetUp() override {
    KSoundTest::SetUp();
    ASSERT_TRUE(module.loadModule(write("test.mod", modFile()).c_str()));
    module.setVolume(100);
  }

  // Renders until the module stops; returns the frames rendered, or -1.
  int renderUntilStopped(int limit, Pcm *out) {
    for (int done = 0; done < limit; done += 256) {
      Pcm part = render(256);
      out->insert(out->end(), part.begin(), part.end());
      if (!module.isPlaying())
        return done + 256;
    }
    return -1;
  }

  KSound module;
};

TEST_F(KSoundModuleTest, PlaybackStopsAtTheWrapUnlessLoopingStopRewindsAndPauseHolds) {
  module.playModule(false);
  EXPECT_TRUE(module.isPlaying());
  Pcm out;
  int stopped = renderUntilStopped(20 * kModFrames, &out);
  // It stops about when its rows have played (DUMB's tick length rounds).
  EXPECT_GT(stopped, kModFrames - 1024);
  EXPECT_LT(stopped, kModFrames + 1024 + 256);
  EXPECT_FALSE(silent(Pcm(out.begin(), out.begin() + 2000)));
  EXPECT_TRUE(silent(render(4096)));

  module.playModule(true);
  out.clear();
  EXPECT_EQ(renderUntilStopped(4 * kModFrames, &out), -1);
  module.stopModule();
  EXPECT_FALSE(module.isPlaying());
  EXPECT_EQ(render(1)[0], 0);
  module.playModule(true);
  EXPECT_EQ(render((int)out.size() / 2), out) << "stopping rewinds to the start";

  module.pauseModule();
  EXPECT_FALSE(module.isPlaying());
  EXPECT_EQ(render(1)[0], 0);
  module.continueModule();
  EXPECT_TRUE(module.isPlaying());
  module.setModulePosition(99); // past the last order: the last one
  module.setModulePosition(-3);
  render(kModFrames);
  EXPECT_TRUE(module.isPlaying());
}

// Caps the size of files this process writes, so that a render that never
// ends fails its write instead of filling the disk.
struct FileSizeCap {
  rlimit old;
  void (*oldHandler)(int) = signal(SIGXFSZ, SIG_IGN);
  explicit FileSizeCap(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit cap = {std::min(bytes, old.rlim_max), old.rlim_max};
    setrlimit(RLIMIT_FSIZE, &cap);
  }
  ~FileSizeCap() {
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldHandler);
  }
};

TEST_F(KSoundModuleTest, ModToRawWritesBlocksUntilTheEndOrTheLimit) {
  FileSizeCap cap(4 << 20);
  struct Case {
    unsigned long maxbytes;
    long minBlocks, maxBlocks;
  } cases[] = {
      // 0: until the module wraps round.
      {0, (kModFrames - 1024) / 1024 + 1, kModFrames / 1024 + 2},
      // Whole blocks while the frames rendered stay within maxbytes / 4: the
      // block that would pass it is not written.
      {4095, 0, 0},
      {4096, 1, 1},
      {8191, 1, 1},
      {12288, 3, 3},
  };
  const std::string raw = dir + "out.raw";
  for (const Case &c : cases) {
    SCOPED_TRACE(c.maxbytes);
    ASSERT_TRUE(module.modToRaw(const_cast<char *>(raw.c_str()), c.maxbytes));
    Bytes bytes = readFile(raw);
    EXPECT_EQ(bytes.size() % 4096, 0u);
    EXPECT_GE((long)bytes.size() / 4096, c.minBlocks);
    EXPECT_LE((long)bytes.size() / 4096, c.maxBlocks);
    EXPECT_EQ(bytes.empty(), c.minBlocks == 0);
  }
  // The file holds what playback plays, 16-bit big-endian.
  ASSERT_TRUE(module.modToRaw(const_cast<char *>(raw.c_str()), 0));
  Bytes bytes = readFile(raw);
  module.playModule(false);
  Pcm out = render(2048);
  for (int i = 0; i < 4096; ++i)
    ASSERT_EQ(out[i], scaled((int16_t)((bytes[2 * i] << 8) | bytes[2 * i + 1]), 255)) << i;
  EXPECT_FALSE(module.modToRaw(const_cast<char *>((dir + "no/such/dir.raw").c_str()), 0));
}

// ---- threads -----------------------------------------------------------------

TEST_F(KSoundTest, OperationsWhileTheAudioThreadMixes) {
  std::string wav = write("ramp.wav", wav16(ramp(300, 7)));
  std::string mod = write("test.mod", modFile());
  std::atomic<bool> stop{false};
  KSound sample, music, module;
  ASSERT_TRUE(sample.loadSample(wav.c_str(), 100, true, 4));
  ASSERT_TRUE(music.loadStream(kStream.c_str()));
  ASSERT_TRUE(module.loadModule(mod.c_str()));
  std::thread audio([&] {
    Pcm out(2048);
    while (!stop)
      KMixer::shared().render(out.data(), 1024);
  });
  for (int i = 0; i < 60; ++i) {
    sample.playSample();
    music.playStream(i % 2 == 0);
    module.playModule(i % 3 == 0);
    KSound::setGlobalVolumes(i % 101, 100 - i % 101);
    music.isPlaying();
    if (i % 4 == 0)
      music.stopStream();
    if (i % 5 == 0)
      module.stopModule();
    if (i % 7 == 0)
      sample.stopSample();
    if (i % 10 == 0) {
      ASSERT_TRUE(music.loadStream(kStream.c_str()));
      ASSERT_TRUE(module.loadModule(mod.c_str()));
      ASSERT_TRUE(sample.loadSample(wav.c_str(), 90, true, 3));
    }
  }
  stop = true;
  audio.join();
  music.stopStream();
  EXPECT_FALSE(music.isPlaying());
}

TEST_F(KSoundTest, PlaysThroughTheDummyDevice) {
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  KMixer::shared().closeOutput();
  {
    // With nothing open, the first channel opens the device, while the
    // loading sound holds the mixer's lock and goes on commanding channels.
    KSound music, sample;
    ASSERT_TRUE(sample.loadSample(write("ramp.wav", wav16(ramp(300, 7))).c_str(), 100, true, 10));
    EXPECT_TRUE(KMixer::shared().hasDevice());
    EXPECT_GT(KSound::outputRate(), 0);
    EXPECT_GT(KMixer::shared().deviceFrames(), 0);
    ASSERT_TRUE(music.loadStream(kStream.c_str()));
    for (int i = 0; i < 30; ++i) {
      music.playStream(true);
      sample.playSample();
      music.stopStream();
    }
  }
  // The last sound gone, the device is closed.
  EXPECT_FALSE(KMixer::shared().hasDevice());
  EXPECT_FALSE(KMixer::shared().isOpen());
  EXPECT_EQ(KSound::outputRate(), 0);
}

} // namespace
