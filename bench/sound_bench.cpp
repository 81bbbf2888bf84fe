// Sound benchmark: ten looping sample channels and one looping Ogg Vorbis
// stream.
//   1. 60 s of audio mixed into memory: processor time as a share of the
//      audio's duration (target: at most 2 % of one core).
//   2. The same sounds played through SDL's audio device (the dummy driver
//      unless SDL_AUDIODRIVER says otherwise) for N seconds of real time:
//      the longest and the 99th-percentile run of the device callback
//      against the duration of one device buffer (target: longest under a
//      quarter of it).
// Usage: bench_sound_bench [device seconds, default 60] [stream.ogg]
#include "KSound.h"
#include "platform/KMixer.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

namespace {

const int kRate = 44100;

double cpuSeconds() {
  timespec ts;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return (double)ts.tv_sec + ts.tv_nsec * 1e-9;
}

double wallSeconds() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return (double)ts.tv_sec + ts.tv_nsec * 1e-9;
}

void put16(FILE *f, unsigned v) {
  fputc((int)(v & 0xff), f);
  fputc((int)((v >> 8) & 0xff), f);
}
void put32(FILE *f, uint32_t v) {
  put16(f, v & 0xffff);
  put16(f, v >> 16);
}

// A 1 s mono 16-bit WAV at 22,050 Hz (a tone), so the mixer resamples it.
bool writeSampleWav(const std::string &path) {
  FILE *f = fopen(path.c_str(), "wb");
  if (!f)
    return false;
  const int rate = 22050, frames = rate;
  fwrite("RIFF", 1, 4, f);
  put32(f, (uint32_t)(36 + frames * 2));
  fwrite("WAVEfmt ", 1, 8, f);
  put32(f, 16);
  put16(f, 1);
  put16(f, 1);
  put32(f, rate);
  put32(f, rate * 2);
  put16(f, 2);
  put16(f, 16);
  fwrite("data", 1, 4, f);
  put32(f, (uint32_t)(frames * 2));
  for (int i = 0; i < frames; ++i)
    put16(f, (uint16_t)(int16_t)(3000 * std::sin(i * 0.0627)));
  return fclose(f) == 0;
}

// Durations of the device callback, collected on the audio thread.
struct Timings {
  std::vector<uint64_t> ns;
};
void recordTiming(uint64_t nanoseconds, void *user) {
  Timings *t = static_cast<Timings *>(user);
  if (t->ns.size() < t->ns.capacity())
    t->ns.push_back(nanoseconds);
}

} // namespace

int main(int argc, char **argv) {
  double deviceSeconds = argc > 1 ? atof(argv[1]) : 60.0;
  std::string source = __FILE__;
  std::string ogg = argc > 2 ? argv[2] : source.substr(0, source.rfind("/bench/")) + "/tests/data/sound/stream.ogg";
  std::string wav = "/tmp/sound_bench_sample.wav";
  if (!writeSampleWav(wav)) {
    fprintf(stderr, "cannot write %s\n", wav.c_str());
    return 1;
  }

  KMixer &mixer = KMixer::shared();
  mixer.useMemoryOutput(kRate);
  KSound::setGlobalVolumes(80, 80);
  KSound samples, music;
  if (!samples.loadSample(wav.c_str(), 60, true, 10) || !music.loadStream(ogg.c_str())) {
    fprintf(stderr, "cannot load %s or %s\n", wav.c_str(), ogg.c_str());
    return 1;
  }
  auto start = [&] {
    for (int i = 0; i < 10; ++i) {
      samples.playSample(); // each on its own slot
      std::vector<int16_t> skip(2 * 441);
      mixer.render(skip.data(), 441); // 10 ms apart
    }
    music.playStream(true);
  };

  // ---- 1: into memory ----
  start();
  const int seconds = 60, block = 1024;
  std::vector<int16_t> out(2 * block);
  long long frames = 0, loud = 0;
  double cpu0 = cpuSeconds(), wall0 = wallSeconds();
  while (frames < (long long)seconds * kRate) {
    mixer.render(out.data(), block);
    frames += block;
    loud += out[0] != 0;
  }
  double cpu = cpuSeconds() - cpu0, wall = wallSeconds() - wall0;
  printf("memory: %d s of audio (10 sample channels + 1 Ogg stream) mixed in %.3f s CPU (%.3f s wall)\n", seconds, cpu,
         wall);
  printf("memory: CPU share of real time %.3f %% of one core (target <= 2 %%); non-silent blocks %lld/%lld\n",
         100.0 * cpu / seconds, loud, frames / block);
  if (!samples.isPlaying() || !music.isPlaying())
    printf("memory: WARNING a sound stopped\n");

  // ---- 2: through the device ----
  if (!getenv("SDL_AUDIODRIVER"))
    setenv("SDL_AUDIODRIVER", "dummy", 1);
  if (!mixer.openDevice(kRate, 1024)) {
    fprintf(stderr, "cannot open the audio device: %s\n", SDL_GetError());
    return 1;
  }
  int rate = mixer.outputRate(), deviceFrames = mixer.deviceFrames();
  double bufferMs = 1000.0 * deviceFrames / rate;
  Timings timings;
  timings.ns.reserve((size_t)(deviceSeconds * rate / deviceFrames * 2 + 100));
  {
    KMixer::Guard guard(mixer);
    samples.stopSample();
    music.stopStream();
  }
  mixer.setCallbackTimer(recordTiming, &timings);
  start();
  SDL_Delay((Uint32)(deviceSeconds * 1000));
  mixer.setCallbackTimer(nullptr, nullptr);
  mixer.closeDevice();
  std::vector<uint64_t> ns = timings.ns;
  if (ns.empty()) {
    printf("device: no callback ran\n");
    return 1;
  }
  std::sort(ns.begin(), ns.end());
  double maxMs = ns.back() / 1e6;
  double p99Ms = ns[std::min(ns.size() - 1, (size_t)std::ceil(ns.size() * 0.99) - 1)] / 1e6;
  double meanMs = 0;
  for (uint64_t v : ns)
    meanMs += v / 1e6;
  meanMs /= ns.size();
  printf("device (%s): %.0f s, %zu callbacks of %d frames at %d Hz = %.2f ms each\n",
         SDL_GetCurrentAudioDriver() ? SDL_GetCurrentAudioDriver() : getenv("SDL_AUDIODRIVER"), deviceSeconds,
         ns.size(), deviceFrames, rate, bufferMs);
  printf(
      "device: callback mean %.3f ms, p99 %.3f ms (%.2f %% of a buffer), longest %.3f ms (%.2f %%; target < 25 %%)\n",
      meanMs, p99Ms, 100 * p99Ms / bufferMs, maxMs, 100 * maxMs / bufferMs);
  return 0;
}
