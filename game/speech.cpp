// Reading aloud with espeak-ng (see speech.h).
#include "speech.h"

#include <espeak-ng/speak_lib.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "KSound.h"

#include "globals.h"
#include "questionimport.h" // Latin1ToUtf8

namespace {

// ---- the synthesiser: espeak-ng is not thread-safe, one caller at a time ----
std::mutex g_synthMutex;
int g_synthRate = 0;                           // 0 before initialisation, -1 when it failed
std::vector<int16_t> *g_collect = nullptr;     // where the callback puts samples
const size_t kMaxSpeechSamples = 22050u * 120; // two minutes is far more than any question

int CollectSamples(short *wav, int count, espeak_EVENT *) {
  if (wav && count > 0 && g_collect && g_collect->size() < kMaxSpeechSamples)
    g_collect->insert(g_collect->end(), wav, wav + count);
  return 0; // go on
}

bool InitSynth() {
  if (g_synthRate == 0) {
    g_synthRate = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, 0);
    if (g_synthRate > 0) {
      espeak_SetSynthCallback(CollectSamples);
      espeak_SetParameter(espeakRATE, 150, 0); // a little slower than usual, for young readers
    } else {
      g_synthRate = -1;
    }
  }
  return g_synthRate > 0;
}

// ---- the reader: one worker thread, one job at a time, newest wins ----------
struct Reader {
  std::mutex mutex;
  std::condition_variable wake;
  std::thread worker;
  bool running = false, quit = false;
  uint64_t generation = 0; // of the newest request
  bool jobWaiting = false; // the worker has not taken the newest request yet
  std::string jobText;
  int jobLanguage = 0;
  int jobRate = 0;          // the mixer's rate to resample to (0: as made)
  bool resultReady = false; // a synthesis of `resultGeneration` waits for the main thread
  uint64_t resultGeneration = 0;
  std::vector<int16_t> result;
  int resultRate = 0;
  bool synthesising = false; // the worker is busy with the text of `synthGeneration`
  uint64_t synthGeneration = 0;
  KSound *sound = nullptr;   // main thread only
  bool soundStarted = false; // the current reading has been handed to the mixer
};
Reader g_reader;
bool (*g_probe)() = nullptr;

void WorkerLoop() {
  Reader &r = g_reader;
  std::unique_lock<std::mutex> lock(r.mutex);
  for (;;) {
    r.wake.wait(lock, [&] { return r.quit || r.jobWaiting; });
    if (r.quit)
      return;
    std::string text = r.jobText;
    int language = r.jobLanguage, outRate = r.jobRate;
    uint64_t generation = r.generation;
    r.jobWaiting = false;
    r.synthesising = true;
    r.synthGeneration = generation;
    lock.unlock();
    std::vector<int16_t> samples;
    int rate = 0;
    SynthesizeSpeech(text, language, samples, rate);
    if (!samples.empty() && outRate > 0 && rate != outRate) {
      samples = Resample(samples, rate, outRate);
      rate = outRate;
    }
    lock.lock();
    r.synthesising = false;
    if (generation == r.generation) { // not replaced meanwhile
      r.result.swap(samples);
      r.resultRate = rate;
      r.resultGeneration = generation;
      r.resultReady = true;
    }
  }
}

void StopSound() {
  if (g_reader.sound)
    g_reader.sound->stopSample();
  g_reader.soundStarted = false;
}

} // namespace

const char *VoiceFor(int language) {
  switch (language) {
  case LANGUAGE_ITALIAN:
    return "it";
  case LANGUAGE_SPANISH:
    return "es";
  default:
    return "en";
  }
}

bool SynthesizeSpeech(const std::string &latin1, int language, std::vector<int16_t> &samples, int &rate) {
  samples.clear();
  rate = 0;
  std::lock_guard<std::mutex> lock(g_synthMutex);
  if (!InitSynth() || espeak_SetVoiceByName(VoiceFor(language)) != EE_OK)
    return false;
  std::string utf8 = Latin1ToUtf8(latin1);
  g_collect = &samples;
  espeak_ERROR err = espeak_Synth(utf8.c_str(), utf8.size() + 1, 0, POS_CHARACTER, 0, espeakCHARS_UTF8, nullptr,
                                  nullptr);
  g_collect = nullptr;
  rate = g_synthRate;
  if (err != EE_OK)
    samples.clear();
  return !samples.empty();
}

std::vector<int16_t> Resample(const std::vector<int16_t> &in, int from, int to) {
  if (from <= 0 || to <= 0 || from == to || in.empty())
    return in;
  size_t n = (size_t)((uint64_t)in.size() * (uint64_t)to / (uint64_t)from);
  std::vector<int16_t> out(n);
  for (size_t i = 0; i < n; i++) {
    uint64_t pos = (uint64_t)i * (uint64_t)from * 65536 / (uint64_t)to; // 16.16 position in `in`
    size_t k = (size_t)(pos >> 16);
    int32_t frac = (int32_t)(pos & 0xFFFF);
    int32_t a = in[k], b = k + 1 < in.size() ? in[k + 1] : in[k];
    out[i] = (int16_t)(a + (((b - a) * frac) >> 16));
  }
  return out;
}

void SpeakText(const std::string &latin1) {
  Reader &r = g_reader;
  StopSound();
  std::lock_guard<std::mutex> lock(r.mutex);
  if (!r.running) {
    r.quit = false;
    r.worker = std::thread(WorkerLoop);
    r.running = true;
  }
  r.generation++;
  r.jobText = latin1;
  r.jobLanguage = GV.language;
  r.jobRate = KSound::outputRate();
  r.jobWaiting = true;
  r.resultReady = false;
  r.wake.notify_one();
}

void StopSpeaking() {
  Reader &r = g_reader;
  StopSound();
  std::lock_guard<std::mutex> lock(r.mutex);
  r.generation++;
  r.jobWaiting = false;
  r.resultReady = false;
}

bool SpeechBusy() {
  if (g_probe)
    return g_probe();
  Reader &r = g_reader;
  {
    std::lock_guard<std::mutex> lock(r.mutex);
    if (r.jobWaiting || r.resultReady || (r.synthesising && r.synthGeneration == r.generation))
      return true;
  }
  return r.soundStarted && r.sound && r.sound->isPlaying();
}

bool SpeechPlaying() { return g_reader.soundStarted && g_reader.sound && g_reader.sound->isPlaying(); }

void SpeechFrame() {
  Reader &r = g_reader;
  std::vector<int16_t> samples;
  int rate = 0;
  {
    std::lock_guard<std::mutex> lock(r.mutex);
    if (!r.resultReady)
      return;
    r.resultReady = false;
    samples.swap(r.result);
    rate = r.resultRate;
  }
  if (samples.empty())
    return; // nothing could be made: the reading is over at once
  if (!r.sound)
    r.sound = new KSound;
  if (r.sound->loadSampleFromPcm(samples.data(), samples.size(), 1, rate, 100, 1)) {
    r.sound->playSample();
    r.soundStarted = true;
  }
}

void ShutdownSpeech() {
  Reader &r = g_reader;
  StopSound();
  {
    std::lock_guard<std::mutex> lock(r.mutex);
    r.quit = true;
    r.jobWaiting = false;
    r.resultReady = false;
    r.generation++;
  }
  r.wake.notify_one();
  if (r.running) {
    r.worker.join();
    r.running = false;
  }
  delete r.sound;
  r.sound = nullptr;
  // The synthesiser stays set up for the rest of the process: espeak-ng
  // 1.51 cannot be set up again once terminated (its next synthesis waits
  // for ever), and the voices it holds are small.
}

void SetSpeechBusyProbe(bool (*probe)()) { g_probe = probe; }
