// Reading aloud: text is synthesised with espeak-ng into memory on a worker
// thread beside the frame loop, then played through the engine's own mixer
// as an effect (at the effects volume), so no sound server is needed and no
// frame ever waits for the synthesiser.
#ifndef TRIVELLO_SPEECH_H
#define TRIVELLO_SPEECH_H

#include <cstdint>
#include <string>
#include <vector>

// The espeak-ng voice for a question language: 0 "en", 1 "it", 2 "es"
// (anything else English).
const char *VoiceFor(int language);
// Synthesises `latin1` with the voice of `language` into 16-bit mono
// samples at the synthesiser's rate (`rate`). Blocks; safe from any thread
// (one synthesis at a time). False, with `samples` empty, when espeak-ng or
// the voice cannot be used.
bool SynthesizeSpeech(const std::string &latin1, int language, std::vector<int16_t> &samples, int &rate);
// Linear interpolation from `from` Hz to `to` Hz (a copy when equal).
std::vector<int16_t> Resample(const std::vector<int16_t> &in, int from, int to);

// ---- the reader the screens use ------------------------------------------------
// Speaks `latin1` in the question language (GV.language): cuts what is being
// read or still waits to be read and starts this instead.
void SpeakText(const std::string &latin1);
// Silences the reading and forgets what was waiting.
void StopSpeaking();
// True from SpeakText until the reading has been heard to its end (or
// could not be made).
bool SpeechBusy();
// True while the reading's sound is being played.
bool SpeechPlaying();
// Once per frame: hands a finished synthesis to the mixer.
void SpeechFrame();
// Stops the worker and frees the sound (at shutdown; SpeakText starts it again).
void ShutdownSpeech();
// Tests: replaces SpeechBusy's answer with `probe`'s (null: the real one).
void SetSpeechBusyProbe(bool (*probe)());

#endif
