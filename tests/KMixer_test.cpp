// Tests of the software mixer, rendered into memory frame by frame: what
// KSound's tests do not reach through sounds (levels out of range and
// clipping, rate multipliers, a callback chain without end), and channels
// commanded while another thread mixes. The sample formats, queued buffers,
// callbacks and the SDL device are checked through KSound's tests.
#include "platform/KMixer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

const int kRate = 44100;

// A mono 16-bit big-endian buffer of `values`.
struct Pcm16 {
  std::vector<unsigned char> bytes;
  KMixerBuffer buffer;
  explicit Pcm16(const std::vector<int> &values, uint32_t rate = kRate) {
    for (int v : values) {
      bytes.push_back((unsigned char)((uint16_t)v >> 8));
      bytes.push_back((unsigned char)(v & 0xff));
    }
    buffer.data = bytes.data();
    buffer.frames = (uint32_t)values.size();
    buffer.channels = 1;
    buffer.bits = 16;
    buffer.rate = rate;
  }
};

// A mono ramp 0, step, 2 x step, ...
Pcm16 ramp(int frames, int step, uint32_t rate = kRate) {
  std::vector<int> v;
  for (int i = 0; i < frames; ++i)
    v.push_back(i * step);
  return Pcm16(v, rate);
}

// A callback that starts its buffer again, as a looping sound does.
void loop(KMixerChannel *channel, void *buffer) {
  channel->play(static_cast<const KMixerBuffer *>(buffer));
  channel->queueCallback(buffer);
}

class KMixerTest : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(mixer.useMemoryOutput(kRate)); }
  std::vector<int16_t> render(int frames) {
    std::vector<int16_t> out((size_t)frames * 2);
    mixer.render(out.data(), frames);
    return out;
  }
  KMixer mixer;
};

TEST_F(KMixerTest, LevelsAndRatesShapeWhatAChannelPlays) {
  struct Case {
    const char *name;
    int left, right;
    uint32_t bufferRate, multiplier;
    std::vector<int> heardLeft, heardRight; // output of the ramp 0, 10000, 20000, ...
  } cases[] = {
      {"half and full", 128, 256, kRate, 0x10000, {0, 5000, 10000}, {0, 10000, 20000}},
      // Negative levels count as 0; above 256 the sum is clipped to 16 bits.
      {"-5 and 512", -5, 512, kRate, 0x10000, {0, 0, 0}, {0, 20000, 32767}},
      {"half rate, recorded speed", 256, 256, kRate / 2, 0x10000, {0, 0, 10000, 10000}, {0, 0, 10000, 10000}},
      {"twice the speed", 256, 256, kRate, 0x20000, {0, 20000, -25536}, {0, 20000, -25536}},
      {"half the speed", 256, 256, kRate, 0x8000, {0, 0, 10000, 10000}, {0, 0, 10000, 10000}},
      {"double rate, half speed", 256, 256, kRate * 2, 0x8000, {0, 10000, 20000}, {0, 10000, 20000}},
      {"0 restores the recorded rate", 256, 256, kRate, 0, {0, 10000, 20000}, {0, 10000, 20000}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    Pcm16 pcm = ramp(8, 10000, c.bufferRate);
    KMixerChannel *channel = mixer.newChannel(nullptr);
    channel->setVolume(c.left, c.right);
    channel->setRateMultiplier(c.multiplier);
    channel->play(&pcm.buffer);
    std::vector<int16_t> out = render((int)c.heardLeft.size());
    for (size_t i = 0; i < c.heardLeft.size(); ++i) {
      EXPECT_EQ(out[2 * i], c.heardLeft[i]) << i;
      EXPECT_EQ(out[2 * i + 1], c.heardRight[i]) << i;
    }
    mixer.disposeChannel(channel);
  }
}

// A callback that queues only another callback must not hold the audio
// thread for ever.
void endless(KMixerChannel *channel, void *param) { channel->queueCallback(param); }

TEST_F(KMixerTest, EndlessCallbackChainStillReturns) {
  KMixerChannel *channel = mixer.newChannel(endless);
  channel->queueCallback(nullptr);
  render(64);
  EXPECT_TRUE(channel->isBusy());
}

TEST_F(KMixerTest, RendersWhileAnotherThreadCommandsTheChannels) {
  Pcm16 pcm = ramp(300, 3);
  std::atomic<bool> stop{false};
  std::thread audio([&] {
    std::vector<int16_t> out(512);
    while (!stop)
      mixer.render(out.data(), 256);
  });
  for (int i = 0; i < 2000; ++i) {
    KMixerChannel *channel = mixer.newChannel(loop);
    {
      KMixer::Guard guard(mixer);
      channel->play(&pcm.buffer);
      channel->queueCallback(&pcm.buffer);
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

} // namespace
