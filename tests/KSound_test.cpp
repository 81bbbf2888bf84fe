// Tests of KSound: samples, streams and modules played through the engine's
// mixer rendered into memory, so that every output frame can be checked and
// nothing waits for a real device. WAV and MOD files are written here; the
// Ogg Vorbis files come from tools/make_test_sounds.sh.
#include "KSound.h"
#include "platform/KMixer.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

const int kRate = 44100;
const std::string kDataDir = std::string(TRIVELLO_SOURCE_DIR) + "/tests/data/sound/";

// ---- files -------------------------------------------------------------------

void put16(std::vector<unsigned char> &v, unsigned x) {
  v.push_back((unsigned char)(x & 0xff));
  v.push_back((unsigned char)(x >> 8));
}
void put32(std::vector<unsigned char> &v, uint32_t x) {
  put16(v, x & 0xffff);
  put16(v, x >> 16);
}

// A RIFF WAVE file around `data` (bytes as they stand in the file). The data
// chunk's length field says `declared` bytes (-1: the real length).
std::vector<unsigned char> wavFile(int channels, int bits, int rate, const std::vector<unsigned char> &data,
                                   long declared = -1) {
  std::vector<unsigned char> f;
  f.insert(f.end(), {'R', 'I', 'F', 'F'});
  put32(f, (uint32_t)(36 + data.size()));
  f.insert(f.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  put32(f, 16);
  put16(f, 1);
  put16(f, (unsigned)channels);
  put32(f, (uint32_t)rate);
  put32(f, (uint32_t)(rate * channels * bits / 8));
  put16(f, (unsigned)(channels * bits / 8));
  put16(f, (unsigned)bits);
  f.insert(f.end(), {'d', 'a', 't', 'a'});
  put32(f, (uint32_t)(declared < 0 ? (long)data.size() : declared));
  f.insert(f.end(), data.begin(), data.end());
  return f;
}

// 16-bit little-endian bytes of `values`.
std::vector<unsigned char> le16(const std::vector<int> &values) {
  std::vector<unsigned char> v;
  for (int x : values)
    put16(v, (uint16_t)(int16_t)x);
  return v;
}

// A mono 16-bit WAV of `frames` frames, value `step` x frame index.
std::vector<unsigned char> rampWav(int frames, int step, int rate = kRate) {
  std::vector<int> v;
  for (int i = 0; i < frames; ++i)
    v.push_back(i * step);
  return wavFile(1, 16, rate, le16(v));
}

// A mono 16-bit WAV holding one value throughout.
std::vector<unsigned char> flatWav(int frames, int value) {
  return wavFile(1, 16, kRate, le16(std::vector<int>((size_t)frames, value)));
}

// Rows the test module plays before it wraps round: speed 1 (one 20 ms tick
// a row at the default tempo 125), then a pattern break on the last row.
const int kModRows = 8;
const int kModFrames = kModRows * kRate / 50;

// A 4-channel ProTracker module: one looping square-wave sample, one pattern
// that sets speed 1, plays the sample and breaks after kModRows rows.
std::vector<unsigned char> modFile() {
  std::vector<unsigned char> m(1084 + 1024 + 64, 0);
  memcpy(&m[0], "trivello test", 13);
  unsigned char *sample = &m[20];
  memcpy(sample, "square", 6);
  sample[23] = 32; // length in words
  sample[25] = 64; // volume
  sample[29] = 32; // loop length in words (from 0)
  m[950] = 1;      // song length
  m[951] = 127;
  memcpy(&m[1080], "M.K.", 4);
  auto cell = [&](int row, int channel) { return &m[1084 + (row * 4 + channel) * 4]; };
  unsigned char *c = cell(0, 0);
  const int period = 428, number = 1;
  c[0] = (unsigned char)((number & 0xf0) | (period >> 8));
  c[1] = period & 0xff;
  c[2] = (unsigned char)(((number & 0x0f) << 4) | 0xf); // F01: speed 1
  c[3] = 0x01;
  c = cell(kModRows - 1, 1);
  c[2] = 0xd; // D00: pattern break
  for (int i = 0; i < 64; ++i)
    m[1084 + 1024 + i] = (i / 8) % 2 ? 0x40 : 0xc0;
  return m;
}

std::vector<unsigned char> readFile(const std::string &path) {
  std::vector<unsigned char> data;
  FILE *f = fopen(path.c_str(), "rb");
  if (!f)
    return data;
  unsigned char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof(buf), f)) > 0)
    data.insert(data.end(), buf, buf + n);
  fclose(f);
  return data;
}

// The frames of an Ogg Vorbis file decoded straight with the library.
std::vector<int16_t> decodeOgg(const std::string &path, int *channels) {
  std::vector<int16_t> pcm;
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

// ---- fixture -------------------------------------------------------------------

class KSoundTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(KMixer::shared().useMemoryOutput(kRate));
    KSound::setGlobalVolumes(100, 100);
    dir = testing::TempDir() + "ksound_test_" + std::to_string(getpid()) + "/";
    mkdir(dir.c_str(), 0755);
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
  }

  std::string write(const char *name, const std::vector<unsigned char> &bytes) {
    std::string path = dir + name;
    FILE *f = fopen(path.c_str(), "wb");
    if (!bytes.empty())
      fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
    return path;
  }

  static std::vector<int16_t> render(int frames) {
    std::vector<int16_t> out((size_t)frames * 2);
    KMixer::shared().render(out.data(), frames);
    return out;
  }

  std::string dir;
};

// ---- samples -----------------------------------------------------------------

TEST_F(KSoundTest, VolumeAndBalanceReachTheChannels) {
  const int kNone = -1000;
  struct Case {
    const char *name;
    int masterSfx, loadVolume, setVolume;
    long pan;
    int left, right;
  } cases[] = {
      {"master 50", 50, 100, kNone, 0, 127, 127},
      {"master 50, pan -50", 50, 100, kNone, -50, 127, 63},
      {"pan 50", 100, 100, kNone, 50, 127, 255},
      {"pan -100", 100, 100, kNone, -100, 255, 0},
      {"pan 150 is 100", 100, 100, kNone, 150, 0, 255},
      {"setVolume(-1) keeps 50", 100, 50, -1, 0, 127, 127},
      {"setVolume(-5) is 0", 100, 80, -5, 0, 0, 0},
      {"setVolume(200) sends at most 255", 100, 10, 200, 0, 255, 255},
      {"volume 1 at master 10 rounds to 0", 10, 1, kNone, 0, 0, 0},
      {"master 0", 0, 100, kNone, 0, 0, 0},
  };
  const int v = 16384;
  std::string path = write("flat.wav", flatWav(64, v));
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    KSound::setGlobalVolumes(-1, c.masterSfx);
    KSound sound;
    ASSERT_TRUE(sound.loadSample(path.c_str(), c.loadVolume, false, 1));
    sound.setPan(c.pan);
    sound.playSample();
    if (c.setVolume != kNone)
      sound.setVolume(c.setVolume);
    std::vector<int16_t> out = render(4);
    EXPECT_EQ(out[0], scaled(v, c.left));
    EXPECT_EQ(out[1], scaled(v, c.right));
  }
}

TEST_F(KSoundTest, GlobalVolumesClampAndKeepNegatives) {
  const int v = 16384;
  std::string path = write("flat.wav", flatWav(64, v));
  KSound::setGlobalVolumes(100, 40);
  KSound::setGlobalVolumes(150, -1); // music 100, effects stay 40
  KSound sample;
  ASSERT_TRUE(sample.loadSample(path.c_str(), 100, false, 1));
  sample.playSample();
  EXPECT_EQ(render(1)[0], scaled(v, 102)); // 40 x 255 / 100

  // The music master is at 100: a stream at volume 100 plays at 255.
  int channels = 0;
  std::vector<int16_t> ref = decodeOgg(kDataDir + "stream.ogg", &channels);
  ASSERT_FALSE(ref.empty());
  sample.stopSample();
  KSound music;
  ASSERT_TRUE(music.loadStream((kDataDir + "stream.ogg").c_str()));
  music.setVolume(100);
  music.playStream(false);
  std::vector<int16_t> out = render(2000);
  for (int i = 0; i < 4000; ++i)
    ASSERT_EQ(out[i], scaled(ref[i], 255)) << i;
}

TEST_F(KSoundTest, MusicMasterChangeAppliesAtTheNextBufferSwitch) {
  int channels = 0;
  std::vector<int16_t> ref = decodeOgg(kDataDir + "stream.ogg", &channels);
  ASSERT_EQ(channels, 2);
  KSound music;
  ASSERT_TRUE(music.loadStream((kDataDir + "stream.ogg").c_str()));
  music.setVolume(100);
  music.playStream(true);
  std::vector<int16_t> out = render(100);
  KSound::setGlobalVolumes(50, -1);
  std::vector<int16_t> more = render(2000);
  out.insert(out.end(), more.begin(), more.end());
  // Buffers hold 1,024 frames: the first one ends at frame 1,024.
  for (int i = 0; i < 2 * 1024; ++i)
    ASSERT_EQ(out[i], scaled(ref[i], 255)) << i;
  for (int i = 2 * 1024; i < 2 * 2100; ++i)
    ASSERT_EQ(out[i], scaled(ref[i], 127)) << i;
}

TEST_F(KSoundTest, EveryPlayingStreamFollowsAMusicMasterChange) {
  int channels = 0;
  std::vector<int16_t> ref = decodeOgg(kDataDir + "stream.ogg", &channels);
  ASSERT_EQ(channels, 2);
  KSound first, second;
  for (KSound *music : {&first, &second}) {
    ASSERT_TRUE(music->loadStream((kDataDir + "stream.ogg").c_str()));
    music->setVolume(100);
    music->playStream(true);
  }
  render(100);
  KSound::setGlobalVolumes(50, -1);
  std::vector<int16_t> out = render(2000);
  // From the first buffer switch (frame 1,024) on, both play at 127.
  for (int i = 2 * (1024 - 100); i < 2 * 2000; ++i)
    ASSERT_EQ(out[i], 2 * scaled(ref[i + 200], 127)) << i;
}

TEST_F(KSoundTest, SamplePlaysTakeTheSlotsInTurn) {
  // A ramp tells copies apart by where they are in it. With three channels,
  // five plays ten frames apart take slots 0, 1, 2, 0, 1: the fourth play
  // cuts the copy started first and the fifth the one started second.
  const int step = 10;
  std::string path = write("ramp.wav", rampWav(1000, step));
  KSound sound;
  ASSERT_TRUE(sound.loadSample(path.c_str(), 100, false, 3));
  // Start frames of the copies that play after each play (-1: none).
  const int starts[5][3] = {{0, -1, -1}, {0, 10, -1}, {0, 10, 20}, {30, 10, 20}, {30, 40, 20}};
  for (int play = 0; play < 5; ++play) {
    sound.playSample();
    std::vector<int16_t> out = render(10);
    int now = play * 10;
    for (int f = 0; f < 10; ++f) {
      int expected = 0;
      for (int start : starts[play])
        if (start >= 0)
          expected += scaled((now + f - start) * step, 255);
      ASSERT_EQ(out[2 * f], expected) << "play " << play << " frame " << f;
    }
  }
}

TEST_F(KSoundTest, MaxChannelsIsKeptWithinOneToTen) {
  struct Case {
    short maxchannels;
    int plays, copies;
  } cases[] = {{0, 2, 1}, {-3, 2, 1}, {1, 2, 1}, {3, 5, 3}, {10, 11, 10}, {25, 11, 10}};
  const int v = 1000;
  std::string path = write("flat.wav", flatWav(500, v));
  for (const Case &c : cases) {
    SCOPED_TRACE(c.maxchannels);
    int before = KMixer::shared().channelCount();
    KSound sound;
    ASSERT_TRUE(sound.loadSample(path.c_str(), 100, false, c.maxchannels));
    EXPECT_EQ(KMixer::shared().channelCount() - before, c.copies);
    for (int i = 0; i < c.plays; ++i)
      sound.playSample();
    EXPECT_EQ(render(1)[0], c.copies * scaled(v, 255));
  }
}

TEST_F(KSoundTest, WavSamplesPlayAsStored) {
  struct Case {
    const char *name;
    int channels, bits;
    std::vector<unsigned char> data;
    std::vector<int> left, right; // as the mixer reads them, before the level
  } cases[] = {
      {"8-bit is unsigned and unconverted",
       1,
       8,
       {0x80, 0xff, 0x00, 0x90},
       {0, 127 * 256, -128 * 256, 16 * 256},
       {0, 127 * 256, -128 * 256, 16 * 256}},
      {"16-bit bytes are swapped",
       1,
       16,
       le16({0x1234, -2, 32767, -32768}),
       {0x1234, -2, 32767, -32768},
       {0x1234, -2, 32767, -32768}},
      {"16-bit stereo", 2, 16, le16({1000, -1000, 300, 30000}), {1000, 300}, {-1000, 30000}},
      {"8-bit stereo", 2, 8, {0x00, 0xff, 0x81, 0x7f}, {-128 * 256, 256}, {127 * 256, -256}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    std::string path = write("format.wav", wavFile(c.channels, c.bits, kRate, c.data));
    KSound sound;
    ASSERT_TRUE(sound.loadSample(path.c_str(), 100, false, 1));
    sound.playSample();
    std::vector<int16_t> out = render((int)c.left.size() + 1);
    for (size_t i = 0; i < c.left.size(); ++i) {
      EXPECT_EQ(out[2 * i], scaled(c.left[i], 255)) << i;
      EXPECT_EQ(out[2 * i + 1], scaled(c.right[i], 255)) << i;
    }
    EXPECT_EQ(out[2 * c.left.size()], 0);
  }
}

TEST_F(KSoundTest, WavFilesThatCannotPlayAreRefused) {
  std::vector<unsigned char> good = wavFile(1, 16, kRate, le16({1, 2, 3}));
  std::vector<unsigned char> noData = good;
  memcpy(&noData[36], "dat_", 4);
  std::vector<unsigned char> noFmt = good;
  memcpy(&noFmt[12], "fmx ", 4);
  std::vector<unsigned char> cutFmt(good.begin(), good.begin() + 26);
  memcpy(&cutFmt[22], "data", 4);
  struct Case {
    const char *name;
    std::vector<unsigned char> bytes;
  } cases[] = {
      {"empty file", {}},
      {"no data chunk", noData},
      {"no fmt chunk", noFmt},
      {"format cut short", cutFmt},
      {"24-bit samples", wavFile(1, 24, kRate, std::vector<unsigned char>(30, 1))},
      {"six channels", wavFile(6, 16, kRate, std::vector<unsigned char>(24, 1))},
      {"empty data", wavFile(1, 16, kRate, {})},
      {"zero rate", wavFile(1, 16, 0, le16({1, 2}))},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    std::string path = write("bad.wav", c.bytes);
    KSound sound;
    EXPECT_FALSE(sound.loadSample(path.c_str(), 100, false, 1));
    sound.playSample(); // does nothing
    EXPECT_FALSE(sound.isPlaying());
  }
  KSound sound;
  EXPECT_FALSE(sound.loadSample((dir + "missing.wav").c_str(), 100, false, 1));
}

TEST_F(KSoundTest, WavDataLengthPastTheEndIsCut) {
  std::string path = write("long.wav", wavFile(1, 16, kRate, le16({500, 600}), 1 << 30));
  KSound sound;
  ASSERT_TRUE(sound.loadSample(path.c_str(), 100, false, 1));
  sound.playSample();
  std::vector<int16_t> out = render(3);
  EXPECT_EQ(out[0], scaled(500, 255));
  EXPECT_EQ(out[2], scaled(600, 255));
  EXPECT_EQ(out[4], 0);
  EXPECT_FALSE(sound.isPlaying());
}

TEST_F(KSoundTest, OggSampleIsDecodedWholeAndResampled) {
  int channels = 0;
  std::vector<int16_t> ref = decodeOgg(kDataDir + "sample.ogg", &channels);
  ASSERT_EQ(channels, 1);
  KSound sound;
  ASSERT_TRUE(sound.loadSample((kDataDir + "sample.ogg").c_str(), 100, false, 1));
  sound.playSample();
  // 22,050 Hz played at 44,100 Hz: every frame twice.
  std::vector<int16_t> out = render((int)ref.size() * 2 + 10);
  for (size_t i = 0; i < ref.size() * 2; ++i)
    ASSERT_EQ(out[2 * i], scaled(ref[i / 2], 255)) << i;
  EXPECT_FALSE(sound.isPlaying());
}

TEST_F(KSoundTest, OggNameWithoutVorbisDataFails) {
  std::string text = write("notes.ogg", std::vector<unsigned char>(200, 'x'));
  std::string wav = write("wave.ogg.wav", flatWav(10, 5)); // ".ogg" anywhere picks the decoder
  KSound sound;
  EXPECT_FALSE(sound.loadSample(text.c_str(), 100, false, 1));
  EXPECT_FALSE(sound.loadSample(wav.c_str(), 100, false, 1));
  EXPECT_FALSE(sound.loadStream(text.c_str()));
  EXPECT_FALSE(sound.pollStream(true));
}

TEST_F(KSoundTest, OggWithMoreThanTwoChannelsIsRefused) {
  const std::string path = kDataDir + "surround.ogg";
  const char *text = "can't create sound header ( makeSoundHandle ) ";
  KSound sample;
  testing::internal::CaptureStderr();
  EXPECT_FALSE(sample.loadSample(path.c_str(), 100, false, 1));
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "error: sound " + path + ": " + text + "\n" + "error: cannot load the sound sample " + path + "\n");
  EXPECT_STREQ(sample.getLastError(), text);
  EXPECT_STREQ(sample.getError(), text);
  sample.playSample();
  EXPECT_FALSE(sample.isPlaying());
  KSound music;
  EXPECT_FALSE(music.loadStream(path.c_str()));
  EXPECT_STREQ(music.getLastError(), text);
  EXPECT_STREQ(music.getError(), text);
  music.playStream(true);
  EXPECT_FALSE(music.isPlaying());
  EXPECT_EQ(render(1)[0], 0);
}

TEST_F(KSoundTest, LoopingSampleRestartsUntilStopped) {
  const int frames = 100, step = 5;
  std::string path = write("ramp.wav", rampWav(frames, step));
  KSound sound;
  ASSERT_TRUE(sound.loadSample(path.c_str(), 100, true, 1));
  sound.playSample();
  std::vector<int16_t> out = render(350);
  for (int i = 0; i < 350; ++i)
    ASSERT_EQ(out[2 * i], scaled((i % frames) * step, 255)) << i;
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
  std::string path = write("ramp.wav", rampWav(400, step, 22050));
  KSound sound;
  ASSERT_TRUE(sound.loadSample(path.c_str(), 100, false, 2));
  // 44,100 / 22,050: twice the recorded speed, i.e. the output rate.
  EXPECT_EQ(sound.playSample(44100, 50, -100, false), &sound);
  std::vector<int16_t> out = render(4);
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

TEST_F(KSoundTest, TheGamesSoundsLoadAndPlay) {
  const std::string snd = std::string(TRIVELLO_SOURCE_DIR) + "/assets/snd/";
  struct Case {
    const char *file;
    bool stream;
  } cases[] = {{"click.ogg", false},   {"over.ogg", false}, {"clap.ogg", false}, {"newlife.ogg", false},
               {"time.ogg", false},    {"Pop.wav", false},  {"Set.wav", false},  {"Move.wav", false},
               {"Levelup.ogg", false}, {"Main.ogg", true},  {"theme.ogg", true}};
  if (access(snd.c_str(), R_OK) != 0)
    GTEST_SKIP() << "no " << snd;
  for (const Case &c : cases) {
    SCOPED_TRACE(c.file);
    KSound sound;
    std::string path = snd + c.file;
    if (c.stream) {
      ASSERT_TRUE(sound.loadStream(path.c_str()));
      sound.playStream(true);
    } else {
      ASSERT_TRUE(sound.loadSample(path.c_str(), 100, false, 1));
      sound.playSample();
    }
    std::vector<int16_t> out = render(kRate / 4);
    EXPECT_TRUE(std::any_of(out.begin(), out.end(), [](int16_t s) { return s != 0; }));
  }
}

// ---- streams -----------------------------------------------------------------

class KSoundStreamTest : public KSoundTest {
protected:
  void SetUp() override {
    KSoundTest::SetUp();
    ref = decodeOgg(kDataDir + "stream.ogg", &channels);
    ASSERT_EQ(channels, 2);
    frames = (int)ref.size() / 2;
    ASSERT_GT(frames, 4096);
    ASSERT_TRUE(music.loadStream((kDataDir + "stream.ogg").c_str()));
    music.setVolume(100);
  }

  // True if `out` from frame `at` holds the stream's first `count` frames.
  bool startsAt(const std::vector<int16_t> &out, int at, int count) {
    for (int i = 0; i < count * 2; ++i)
      if (out[(size_t)at * 2 + i] != scaled(ref[i], 255))
        return false;
    return true;
  }

  std::vector<int16_t> ref;
  int channels = 0, frames = 0;
  KSound music;
};

TEST_F(KSoundStreamTest, PlaysTheWholeStreamThenEnds) {
  music.playStream(false);
  EXPECT_TRUE(music.isPlaying());
  std::vector<int16_t> out;
  int endedAt = -1;
  for (int chunk = 0; chunk * 256 < frames + 8192 && endedAt < 0; ++chunk) {
    std::vector<int16_t> part = render(256);
    out.insert(out.end(), part.begin(), part.end());
    if (!music.isPlaying())
      endedAt = (chunk + 1) * 256;
  }
  ASSERT_GE(endedAt, 0) << "the stream never ended";
  ASSERT_GE(out.size(), (size_t)frames * 2);
  // Every frame, the last ones too, then silence; isPlaying() turns false
  // in the render that reaches the end (or the next one at a boundary).
  EXPECT_TRUE(startsAt(out, 0, frames));
  EXPECT_GE(endedAt, frames);
  EXPECT_LE(endedAt, frames + 256);
  for (size_t i = (size_t)frames * 2; i < out.size(); ++i)
    ASSERT_EQ(out[i], 0) << i;
  EXPECT_FALSE(music.pollStream(true));
  EXPECT_EQ(render(1)[0], 0);
}

TEST_F(KSoundStreamTest, LoopingStreamContinuesFromItsStart) {
  music.playStream(true);
  std::vector<int16_t> out = render(frames + 1024 + 4096);
  ASSERT_TRUE(startsAt(out, 0, frames));
  // The buffer that met the end is silent after it: at most 1,024 frames.
  int gap = -1;
  for (int g = 0; g <= 1024 && gap < 0; ++g)
    if (startsAt(out, frames + g, 4096))
      gap = g;
  ASSERT_GE(gap, 0) << "the stream did not start again";
  for (int i = frames * 2; i < (frames + gap) * 2; ++i)
    ASSERT_EQ(out[i], 0) << i;
  EXPECT_TRUE(music.isPlaying());
}

TEST_F(KSoundStreamTest, PlayStreamAgainRestartsFromTheFirstSamples) {
  music.playStream(true);
  render(5000);
  music.playStream(true);
  EXPECT_TRUE(startsAt(render(3000), 0, 3000));
  music.playStream(false);
  music.playStream(false);
  EXPECT_TRUE(startsAt(render(3000), 0, 3000));
}

TEST_F(KSoundTest, StreamShorterThanABufferPlaysOnceOrLoops) {
  // The looping choice of this start decides how the first two buffers are
  // filled, whatever the previous start chose.
  int channels = 0;
  std::vector<int16_t> ref = decodeOgg(kDataDir + "short.ogg", &channels);
  ASSERT_EQ(channels, 2);
  const int frames = (int)ref.size() / 2;
  ASSERT_GT(frames, 0);
  ASSERT_LT(frames, 1024);
  KSound music;
  ASSERT_TRUE(music.loadStream((kDataDir + "short.ogg").c_str()));
  music.setVolume(100);
  auto playsAt = [&](const std::vector<int16_t> &out, int at) {
    for (int i = 0; i < frames * 2; ++i)
      if (out[(size_t)at * 2 + i] != scaled(ref[i], 255))
        return false;
    return true;
  };
  auto silent = [](const std::vector<int16_t> &out, int from, int to) {
    return std::all_of(out.begin() + 2 * from, out.begin() + 2 * to, [](int16_t s) { return s == 0; });
  };

  music.playStream(true);
  music.playStream(false);
  std::vector<int16_t> out = render(4096);
  EXPECT_TRUE(playsAt(out, 0));
  EXPECT_TRUE(silent(out, frames, 4096));
  EXPECT_FALSE(music.isPlaying());

  music.playStream(false);
  music.playStream(true);
  out = render(3 * 1024);
  // Each 1,024-frame buffer holds the whole stream, then silence.
  for (int b = 0; b < 3; ++b) {
    SCOPED_TRACE(b);
    EXPECT_TRUE(playsAt(out, b * 1024));
    EXPECT_TRUE(silent(out, b * 1024 + frames, (b + 1) * 1024));
  }
  EXPECT_TRUE(music.isPlaying());
}

TEST_F(KSoundStreamTest, StopStreamSilencesAndEnds) {
  music.playStream(true);
  render(3000);
  EXPECT_TRUE(music.pollStream(false));
  music.stopStream();
  EXPECT_FALSE(music.isPlaying());
  std::vector<int16_t> out = render(3000);
  EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](int16_t s) { return s == 0; }));
  music.playStream(false);
  EXPECT_TRUE(startsAt(render(100), 0, 100));
}

TEST_F(KSoundStreamTest, StreamFromMemoryPlaysLikeTheFile) {
  std::vector<unsigned char> bytes = readFile(kDataDir + "stream.ogg");
  music.stopStream();
  KSound copy;
  ASSERT_TRUE(copy.loadStreamFromPtr(reinterpret_cast<char *>(bytes.data()), bytes.size()));
  std::fill(bytes.begin(), bytes.end(), 0); // the block was copied
  copy.setVolume(100);
  copy.playStream(false);
  EXPECT_TRUE(startsAt(render(5000), 0, 5000));
  EXPECT_FALSE(copy.loadStreamFromPtr(nullptr, 10));
  std::vector<char> junk(300, 'j');
  EXPECT_FALSE(copy.loadStreamFromPtr(junk.data(), junk.size()));
}

TEST_F(KSoundStreamTest, ReloadWhilePlayingReplacesTheMusic) {
  music.playStream(true);
  render(2000);
  std::string path = write("flat.wav", flatWav(100, 1000));
  ASSERT_TRUE(music.loadSample(path.c_str(), 100, false, 1));
  EXPECT_FALSE(music.isPlaying());
  EXPECT_EQ(render(1)[0], 0);
  ASSERT_TRUE(music.loadStream((kDataDir + "stream.ogg").c_str()));
  music.setVolume(100);
  music.playStream(false);
  EXPECT_TRUE(startsAt(render(1500), 0, 1500));
}

TEST_F(KSoundStreamTest, MemoryFileCallbacks) {
  std::vector<unsigned char> bytes = readFile(kDataDir + "stream.ogg");
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
  EXPECT_EQ(KSound::ogg_Read(buf, 1, 64, &sound), 0u);
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

class KSoundModuleTest : public KSoundTest {
protected:
  void SetUp() override {
    KSoundTest::SetUp();
    path = write("test.mod", modFile());
    ASSERT_TRUE(module.loadModule(path.c_str()));
    module.setVolume(100);
  }

  // Renders until the module stops; returns the frames rendered, or -1.
  int renderUntilStopped(int limit, std::vector<int16_t> *out) {
    for (int done = 0; done < limit; done += 256) {
      std::vector<int16_t> part = render(256);
      if (out)
        out->insert(out->end(), part.begin(), part.end());
      if (!module.isPlaying())
        return done + 256;
    }
    return -1;
  }

  std::string path;
  KSound module;
};

TEST_F(KSoundModuleTest, LoadersRefuseOtherFiles) {
  KSound sound;
  EXPECT_FALSE(sound.loadModule(write("junk.mod", std::vector<unsigned char>(3000, 0x55)).c_str()));
  EXPECT_FALSE(sound.loadModule((dir + "missing.xm").c_str()));
  EXPECT_FALSE(sound.loadModule((kDataDir + "stream.ogg").c_str()));
  EXPECT_TRUE(sound.loadModule(path.c_str()));
}

TEST_F(KSoundModuleTest, WithoutLoopingStopsWhenItWrapsRound) {
  module.playModule(false);
  EXPECT_TRUE(module.isPlaying());
  std::vector<int16_t> out;
  int stopped = renderUntilStopped(20 * kModFrames, &out);
  ASSERT_GT(stopped, 0) << "the module never stopped";
  // It stops about when its rows have played (DUMB's tick length rounds).
  EXPECT_GT(stopped, kModFrames - 1024);
  EXPECT_LT(stopped, kModFrames + 1024 + 256);
  EXPECT_TRUE(std::any_of(out.begin(), out.begin() + 2000, [](int16_t s) { return s != 0; }));
  std::vector<int16_t> after = render(4096);
  EXPECT_TRUE(std::all_of(after.begin(), after.end(), [](int16_t s) { return s == 0; }));
}

TEST_F(KSoundModuleTest, WithLoopingGoesOn) {
  module.playModule(true);
  EXPECT_EQ(renderUntilStopped(4 * kModFrames, nullptr), -1);
  std::vector<int16_t> late = render(2048);
  EXPECT_TRUE(std::any_of(late.begin(), late.end(), [](int16_t s) { return s != 0; }));
}

TEST_F(KSoundModuleTest, StopRewindsAndPauseHolds) {
  module.playModule(true);
  std::vector<int16_t> first = render(3000);
  module.stopModule();
  EXPECT_FALSE(module.isPlaying());
  EXPECT_EQ(render(1)[0], 0);
  module.playModule(true);
  EXPECT_EQ(render(3000), first);

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
class FileSizeCap {
public:
  explicit FileSizeCap(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &_old);
    rlimit cap = _old;
    cap.rlim_cur = std::min<rlim_t>(bytes, _old.rlim_max);
    setrlimit(RLIMIT_FSIZE, &cap);
    _oldHandler = signal(SIGXFSZ, SIG_IGN);
  }
  ~FileSizeCap() {
    setrlimit(RLIMIT_FSIZE, &_old);
    signal(SIGXFSZ, _oldHandler);
  }

private:
  rlimit _old;
  void (*_oldHandler)(int);
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
      {8192, 2, 2},
      {12288, 3, 3},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.maxbytes);
    std::string raw = dir + "out.raw";
    ASSERT_TRUE(module.modToRaw(const_cast<char *>(raw.c_str()), c.maxbytes));
    std::vector<unsigned char> bytes = readFile(raw);
    EXPECT_EQ(bytes.size() % 4096, 0u);
    EXPECT_GE((long)bytes.size() / 4096, c.minBlocks);
    EXPECT_LE((long)bytes.size() / 4096, c.maxBlocks);
    if (c.maxbytes != 0) {
      EXPECT_LE(bytes.size(), c.maxbytes);
    }
    if (c.minBlocks > 0) {
      EXPECT_TRUE(std::any_of(bytes.begin(), bytes.end(), [](unsigned char b) { return b != 0; }));
    }
  }
  // The file holds what playback plays, 16-bit big-endian.
  std::string raw = dir + "out.raw";
  ASSERT_TRUE(module.modToRaw(const_cast<char *>(raw.c_str()), 0));
  std::vector<unsigned char> bytes = readFile(raw);
  module.playModule(false);
  std::vector<int16_t> out = render(2048);
  for (int i = 0; i < 4096; ++i)
    ASSERT_EQ(out[i], scaled((int16_t)((bytes[2 * i] << 8) | bytes[2 * i + 1]), 255)) << i;
  EXPECT_FALSE(module.modToRaw(const_cast<char *>((dir + "no/such/dir.raw").c_str()), 0));
}

// ---- threads -----------------------------------------------------------------

TEST_F(KSoundTest, OperationsWhileTheAudioThreadMixes) {
  std::string wav = write("ramp.wav", rampWav(300, 7));
  std::string mod = write("test.mod", modFile());
  std::string ogg = kDataDir + "stream.ogg";
  std::atomic<bool> stop{false};
  KSound sample, music, module;
  ASSERT_TRUE(sample.loadSample(wav.c_str(), 100, true, 4));
  ASSERT_TRUE(music.loadStream(ogg.c_str()));
  ASSERT_TRUE(module.loadModule(mod.c_str()));
  std::thread audio([&] {
    std::vector<int16_t> out(2048);
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
      ASSERT_TRUE(music.loadStream(ogg.c_str()));
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
    std::string wav = write("ramp.wav", rampWav(300, 7));
    ASSERT_TRUE(sample.loadSample(wav.c_str(), 100, true, 10));
    EXPECT_TRUE(KMixer::shared().hasDevice());
    ASSERT_TRUE(music.loadStream((kDataDir + "stream.ogg").c_str()));
    for (int i = 0; i < 30; ++i) {
      music.playStream(true);
      sample.playSample();
      music.stopStream();
    }
  }
  // The last sound gone, the device is closed.
  EXPECT_FALSE(KMixer::shared().hasDevice());
}

} // namespace

// ---- hostile files -------------------------------------------------------------

const std::string kHostileDir = std::string(TRIVELLO_SOURCE_DIR) + "/tests/data/hostile/";

TEST_F(KSoundTest, ModuleWithSpeedAndTempoZeroIsRepairedAndPlays) {
  // Formerly a division by zero killed the process while loading.
  KSound module;
  ASSERT_TRUE(module.loadModule((kHostileDir + "timing0.s3m").c_str()));
  const std::string raw = dir + "timing0.raw";
  ASSERT_TRUE(module.modToRaw(const_cast<char *>(raw.c_str()), 64 * 1024));
  FILE *f = fopen(raw.c_str(), "rb");
  ASSERT_TRUE(f);
  fseek(f, 0, SEEK_END);
  EXPECT_GT(ftell(f), 0);
  fclose(f);
}

TEST_F(KSoundTest, ModulesWhoseSamplesTheLibraryCannotHandleAreRefused) {
  KSound module;
  // The sample claims 4 GB; the module library would allocate and fill it.
  EXPECT_FALSE(module.loadModule((kHostileDir + "bigsample.s3m").c_str()));
  // A looped sample tuned to 1.7 GHz: the first buffers took seconds.
  EXPECT_FALSE(module.loadModule((kHostileDir + "fastsample.s3m").c_str()));
  // Tuned to 0 Hz: the library's resampler divided by zero.
  EXPECT_FALSE(module.loadModule((kHostileDir + "zerorate.s3m").c_str()));
  EXPECT_TRUE(module.loadModule((kHostileDir + "timing0.s3m").c_str()));
}

TEST_F(KSoundTest, SampleDecodingToMoreThanTheCapIsRefusedButStreams) {
  // 22 KB that decode to 70 MB: a sample holds it whole, a stream does not.
  KSound sample;
  EXPECT_FALSE(sample.loadSample((kHostileDir + "long.ogg").c_str(), 100, false, 1));
  KSound stream;
  EXPECT_TRUE(stream.loadStream((kHostileDir + "long.ogg").c_str()));
}
