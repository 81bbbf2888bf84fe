// Tests of the software mixer: sample formats, levels, resampling, the
// command queue and its callbacks, rendered into memory frame by frame.
#include "platform/KMixer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {

const int kRate = 44100;

// A 16-bit big-endian buffer of `values` (interleaved if stereo).
struct Pcm16 {
  std::vector<unsigned char> bytes;
  KMixerBuffer buffer;
  Pcm16(const std::vector<int> &values, int channels, uint32_t rate = kRate) {
    for (int v : values) {
      uint16_t u = (uint16_t)(int16_t)v;
      bytes.push_back((unsigned char)(u >> 8));
      bytes.push_back((unsigned char)(u & 0xff));
    }
    buffer.data = bytes.data();
    buffer.frames = (uint32_t)(values.size() / channels);
    buffer.channels = (uint16_t)channels;
    buffer.bits = 16;
    buffer.rate = rate;
  }
};

// A mono ramp 0, step, 2 x step, ...
Pcm16 ramp(int frames, int step, uint32_t rate = kRate) {
  std::vector<int> v;
  for (int i = 0; i < frames; ++i)
    v.push_back(i * step);
  return Pcm16(v, 1, rate);
}

std::vector<int16_t> render(KMixer &mixer, int frames) {
  std::vector<int16_t> out((size_t)frames * 2);
  mixer.render(out.data(), frames);
  return out;
}

// Counts callback runs and remembers the frame they ran at.
struct CallbackLog {
  std::vector<void *> params;
};
void logCallback(KMixerChannel *, void *param) {
  static_cast<CallbackLog *>(static_cast<void **>(param)[0])->params.push_back(param);
}

class KMixerTest : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(mixer.useMemoryOutput(kRate)); }
  KMixer mixer;
};

TEST_F(KMixerTest, DecodesEachSampleFormat) {
  struct Case {
    const char *name;
    std::vector<unsigned char> bytes;
    int channels, bits;
    std::vector<int> left, right;
  } cases[] = {
      {"8-bit unsigned mono",
       {0x80, 0xff, 0x00, 0xc0},
       1,
       8,
       {0, 127 * 256, -128 * 256, 64 * 256},
       {0, 127 * 256, -128 * 256, 64 * 256}},
      {"8-bit unsigned stereo", {0x00, 0xff, 0x90, 0x70}, 2, 8, {-128 * 256, 16 * 256}, {127 * 256, -16 * 256}},
      {"16-bit big-endian mono",
       {0x12, 0x34, 0xff, 0xfe, 0x80, 0x00},
       1,
       16,
       {0x1234, -2, -32768},
       {0x1234, -2, -32768}},
      {"16-bit big-endian stereo", {0x7f, 0xff, 0x00, 0x01, 0xc0, 0x00, 0x01, 0x00}, 2, 16, {32767, -16384}, {1, 256}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    KMixerBuffer buffer;
    buffer.data = c.bytes.data();
    buffer.channels = (uint16_t)c.channels;
    buffer.bits = (uint16_t)c.bits;
    buffer.frames = (uint32_t)(c.bytes.size() / (c.channels * c.bits / 8));
    buffer.rate = kRate;
    KMixerChannel *channel = mixer.newChannel(nullptr);
    channel->play(&buffer);
    std::vector<int16_t> out = render(mixer, (int)buffer.frames + 2);
    for (size_t i = 0; i < c.left.size(); ++i) {
      EXPECT_EQ(out[2 * i], c.left[i]) << "frame " << i;
      EXPECT_EQ(out[2 * i + 1], c.right[i]) << "frame " << i;
    }
    // After the buffer: silence, and the channel is idle.
    EXPECT_EQ(out[2 * buffer.frames], 0);
    EXPECT_FALSE(channel->isBusy());
    mixer.disposeChannel(channel);
  }
}

TEST_F(KMixerTest, ScalesLeftAndRightByTheirLevels) {
  struct Case {
    int left, right;
  } cases[] = {{256, 256}, {255, 127}, {0, 63}, {128, 0}, {-5, 512}};
  Pcm16 pcm({20000, -20000, 1234, -1}, 1);
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << c.left << "/" << c.right);
    KMixerChannel *channel = mixer.newChannel(nullptr);
    channel->setVolume(c.left, c.right);
    channel->play(&pcm.buffer);
    std::vector<int16_t> out = render(mixer, 4);
    int left = std::max(c.left, 0), right = std::max(c.right, 0);
    const int values[] = {20000, -20000, 1234, -1};
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(out[2 * i], std::clamp((values[i] * left) >> 8, -32768, 32767));
      EXPECT_EQ(out[2 * i + 1], std::clamp((values[i] * right) >> 8, -32768, 32767));
    }
    mixer.disposeChannel(channel);
  }
}

TEST_F(KMixerTest, SumsChannelsAndClipsTo16Bits) {
  Pcm16 loud({30000, -30000, 100}, 1);
  KMixerChannel *a = mixer.newChannel(nullptr);
  KMixerChannel *b = mixer.newChannel(nullptr);
  a->play(&loud.buffer);
  b->play(&loud.buffer);
  std::vector<int16_t> out = render(mixer, 3);
  EXPECT_EQ(out[0], 32767);
  EXPECT_EQ(out[2], -32768);
  EXPECT_EQ(out[4], 200);
}

TEST_F(KMixerTest, ResamplesWithoutInterpolation) {
  struct Case {
    uint32_t bufferRate;
    uint32_t multiplier;
    std::vector<int> expected; // ramp indexes heard in the first output frames
  } cases[] = {
      {kRate / 2, 0x10000, {0, 0, 1, 1, 2, 2}}, {kRate, 0x20000, {0, 2, 4, 6, 8}}, {kRate, 0x8000, {0, 0, 1, 1, 2}},
      {kRate * 2, 0x8000, {0, 1, 2, 3}},        {kRate, 0, {0, 1, 2, 3}}, // 0 restores the recorded rate
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << c.bufferRate << " Hz x " << c.multiplier);
    Pcm16 pcm = ramp(64, 10, c.bufferRate);
    KMixerChannel *channel = mixer.newChannel(nullptr);
    channel->setRateMultiplier(c.multiplier);
    channel->play(&pcm.buffer);
    std::vector<int16_t> out = render(mixer, (int)c.expected.size());
    for (size_t i = 0; i < c.expected.size(); ++i)
      EXPECT_EQ(out[2 * i], c.expected[i] * 10) << i;
    mixer.disposeChannel(channel);
  }
}

TEST_F(KMixerTest, QueuedBuffersFollowWithoutAGapAndCallbacksRunInOrder) {
  Pcm16 first = ramp(5, 1);
  Pcm16 second({100, 101, 102}, 1);
  CallbackLog log;
  void *paramA[2] = {&log, nullptr};
  void *paramB[2] = {&log, nullptr};
  KMixerChannel *channel = mixer.newChannel(logCallback);
  channel->play(&first.buffer);
  channel->queueCallback(paramA);
  channel->queueBuffer(&second.buffer);
  channel->queueCallback(paramB);

  std::vector<int16_t> out = render(mixer, 4);
  EXPECT_TRUE(log.params.empty()); // the first buffer has not ended yet
  out = render(mixer, 6);
  const int expected[] = {4, 100, 101, 102, 0, 0};
  for (int i = 0; i < 6; ++i)
    EXPECT_EQ(out[2 * i], expected[i]) << i;
  ASSERT_EQ(log.params.size(), 2u);
  EXPECT_EQ(log.params[0], (void *)paramA);
  EXPECT_EQ(log.params[1], (void *)paramB);
  EXPECT_FALSE(channel->isBusy());
}

// A callback that starts its buffer again, as a looping sound does.
struct Looper {
  const KMixerBuffer *buffer;
  int runs = 0;
};
void loopCallback(KMixerChannel *channel, void *param) {
  Looper *looper = static_cast<Looper *>(param);
  ++looper->runs;
  channel->play(looper->buffer);
  channel->queueCallback(looper);
}

TEST_F(KMixerTest, CallbackCanRestartItsChannelSeamlessly) {
  Pcm16 pcm = ramp(3, 7);
  Looper looper{&pcm.buffer};
  KMixerChannel *channel = mixer.newChannel(loopCallback);
  channel->play(&pcm.buffer);
  channel->queueCallback(&looper);
  std::vector<int16_t> out = render(mixer, 10);
  for (int i = 0; i < 10; ++i)
    EXPECT_EQ(out[2 * i], (i % 3) * 7) << i;
  EXPECT_EQ(looper.runs, 3);
}

TEST_F(KMixerTest, ImmediateCommands) {
  Pcm16 pcm = ramp(100, 1);
  CallbackLog log;
  void *param[2] = {&log, nullptr};
  KMixerChannel *channel = mixer.newChannel(logCallback);

  // quiet stops the buffer but keeps the queue: the callback runs next.
  channel->play(&pcm.buffer);
  channel->queueCallback(param);
  render(mixer, 10);
  channel->quiet();
  std::vector<int16_t> out = render(mixer, 2);
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(log.params.size(), 1u);

  // flush drops the queue: no callback ever runs.
  channel->play(&pcm.buffer);
  channel->queueCallback(param);
  channel->flush();
  render(mixer, 200);
  EXPECT_EQ(log.params.size(), 1u);

  // pause holds the position, resume goes on from it; reinit also resumes.
  channel->play(&pcm.buffer);
  render(mixer, 20);
  channel->pause();
  EXPECT_TRUE(channel->isPaused());
  out = render(mixer, 5);
  EXPECT_EQ(out[0], 0);
  channel->resume();
  out = render(mixer, 1);
  EXPECT_EQ(out[0], 20);
  channel->pause();
  channel->reinit();
  EXPECT_FALSE(channel->isPaused());
  out = render(mixer, 1);
  EXPECT_EQ(out[0], 21);

  // play replaces what plays, from its first frame.
  channel->play(&pcm.buffer);
  out = render(mixer, 1);
  EXPECT_EQ(out[0], 0);
}

TEST_F(KMixerTest, DisposedChannelRunsNoCallback) {
  Pcm16 pcm = ramp(4, 1);
  CallbackLog log;
  void *param[2] = {&log, nullptr};
  KMixerChannel *channel = mixer.newChannel(logCallback);
  channel->play(&pcm.buffer);
  channel->queueCallback(param);
  EXPECT_EQ(mixer.channelCount(), 1);
  mixer.disposeChannel(channel);
  EXPECT_EQ(mixer.channelCount(), 0);
  std::vector<int16_t> out = render(mixer, 8);
  EXPECT_EQ(out[2], 0);
  EXPECT_TRUE(log.params.empty());
}

// A callback that queues only another callback must not hold the audio
// thread for ever.
void endlessCallback(KMixerChannel *channel, void *param) { channel->queueCallback(param); }

TEST_F(KMixerTest, EndlessCallbackChainStillReturns) {
  KMixerChannel *channel = mixer.newChannel(endlessCallback);
  channel->queueCallback(nullptr);
  render(mixer, 64);
  EXPECT_TRUE(channel->isBusy());
}

TEST_F(KMixerTest, RendersWhileAnotherThreadCommandsTheChannels) {
  Pcm16 pcm = ramp(300, 3);
  Looper looper{&pcm.buffer};
  std::atomic<bool> stop{false};
  std::thread audio([&] {
    std::vector<int16_t> out(512);
    while (!stop)
      mixer.render(out.data(), 256);
  });
  for (int i = 0; i < 2000; ++i) {
    KMixerChannel *channel = mixer.newChannel(loopCallback);
    {
      KMixer::Guard guard(mixer);
      channel->play(&pcm.buffer);
      channel->queueCallback(&looper);
    }
    channel->setVolume(i % 256, 255 - i % 256);
    channel->setRateMultiplier(0x8000 + (uint32_t)i * 16);
    if (i % 3 == 0) {
      channel->quiet();
      channel->flush();
    }
    mixer.disposeChannel(channel);
  }
  stop = true;
  audio.join();
  EXPECT_EQ(mixer.channelCount(), 0);
}

TEST(KMixerDevice, OpensSdlsAudioDeviceAndCloses) {
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  KMixer mixer;
  ASSERT_TRUE(mixer.openDevice(44100, 512));
  EXPECT_TRUE(mixer.hasDevice());
  EXPECT_GT(mixer.outputRate(), 0);
  EXPECT_GT(mixer.deviceFrames(), 0);
  // The device's thread mixes while this one commands the channel.
  Pcm16 pcm = ramp(1000, 1);
  Looper looper{&pcm.buffer};
  KMixerChannel *channel = mixer.newChannel(loopCallback);
  for (int i = 0; i < 500; ++i) {
    KMixer::Guard guard(mixer);
    channel->play(&pcm.buffer);
    channel->flush();
    channel->queueCallback(&looper);
  }
  mixer.disposeChannel(channel);
  mixer.closeDevice();
  EXPECT_FALSE(mixer.hasDevice());
  EXPECT_FALSE(mixer.isOpen());
}

} // namespace
