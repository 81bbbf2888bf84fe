#!/usr/bin/python3
"""Synthesises every sound effect and both music loops of the game.

Usage: tools/make_sounds.py [OUTPUT_DIR]      (default: assets/snd beside tools/)

Needs python3-numpy and oggenc (vorbis-tools). Everything is made here from
oscillators, envelopes and seeded noise; no recorded sample is used. The
random generators have fixed seeds and oggenc gets a fixed stream serial
number, so a run gives the same files every time.

Effects are normalised to a peak of -3 dBFS, the music to -6 dBFS.

The two music pieces loop. Each is an exact whole number of bars, and every
note is placed on a circular buffer one loop long: whatever rings past the
end of the last bar (note releases, cymbals, the reverb tail) is added onto
the start, and the reverb itself is a circular convolution. The signal is
thus exactly periodic, and the last sample leads straight into the first.
DC and sub-audio content are removed on the circle too.

The loop length in sample frames is chosen as 2048 * m - 1: the engine plays
a stream through 4,096-byte buffers (1,024 stereo frames) and, when the
stream ends inside a buffer, leaves the rest of that buffer silent before it
starts again. With this length only one frame of that buffer is left over.
The tempo is bent by a few hundredths of a beat per minute to make the bars
fit the length exactly.
"""

import os
import subprocess
import sys
import tempfile
import wave

import numpy as np

SR = 44100
EFFECT_PEAK_DB = -3.0
MUSIC_PEAK_DB = -6.0
OGG_QUALITY = "5"
TWO_PI = 2.0 * np.pi


# ---------------------------------------------------------------- basics

def hz(midi):
    return 440.0 * 2.0 ** ((midi - 69) / 12.0)


_LETTER = {"C": 0, "D": 2, "E": 4, "F": 5, "G": 7, "A": 9, "B": 11}


def note_number(name):
    """'C4' -> 60, 'F#5' -> 78, 'Bb3' -> 58."""
    pitch = _LETTER[name[0]]
    rest = name[1:]
    if rest[0] == "#":
        pitch += 1
        rest = rest[1:]
    elif rest[0] == "b":
        pitch -= 1
        rest = rest[1:]
    return 12 * (int(rest) + 1) + pitch


def seconds(n):
    return np.arange(n) / SR


def samples(sec):
    return int(round(sec * SR))


def edge_fade(x, fade_in=0.002, fade_out=0.005):
    """Short linear ramps so that no sound starts or stops on a jump."""
    x = x.copy()
    a = min(len(x), max(1, samples(fade_in)))
    b = min(len(x), max(1, samples(fade_out)))
    x[:a] *= np.linspace(0.0, 1.0, a, endpoint=False)
    x[-b:] *= np.linspace(1.0, 0.0, b)
    return x


def adsr(gate, attack, decay, sustain, release):
    """Attack-decay-sustain envelope held for `gate` seconds, then released."""
    n_on = max(1, samples(gate))
    n = n_on + samples(release)
    t = seconds(n)
    on = np.where(t < attack, t / attack,
                  sustain + (1.0 - sustain) * np.exp(-(t - attack) / decay))
    at_gate = on[n_on - 1]
    off = at_gate * np.clip(1.0 - (t - gate) / release, 0.0, 1.0)
    return np.where(t < gate, on, off)


def perc(length, tau, attack=0.001):
    """Percussive envelope: quick rise, exponential fall, ends at zero."""
    n = samples(length)
    t = seconds(n)
    env = np.exp(-t / tau) * np.clip(t / attack, 0.0, 1.0)
    return edge_fade(env, 0.0, min(0.01, length / 4))


def band(x, low, high, order=3.0):
    """Band-pass by FFT with gentle Butterworth-like slopes (for noise)."""
    spec = np.fft.rfft(x)
    f = np.maximum(np.fft.rfftfreq(len(x), 1.0 / SR), 1e-3)
    gain = np.ones_like(f)
    if low > 0:
        gain /= 1.0 + (low / f) ** order
    if high < SR / 2:
        gain /= 1.0 + (f / high) ** order
    return np.fft.irfft(spec * gain, len(x))


def mix_into(y, start, sig, gain=1.0):
    """Adds `sig` into `y` from sample `start`, cutting what runs past the end."""
    end = min(len(y), start + len(sig))
    y[start:end] += gain * sig[:end - start]


def svf_sweep(x, cutoff, q):
    """Resonant band-pass whose centre follows the array `cutoff` (Hz)."""
    low = band_ = 0.0
    out = np.empty_like(x)
    damp = 1.0 / q
    for i in range(len(x)):
        f = 2.0 * np.sin(np.pi * min(cutoff[i], SR / 6) / SR)
        low += f * band_
        high = x[i] - low - damp * band_
        band_ += f * high
        out[i] = band_
    return out


def phase_of(freq):
    """Running phase of an oscillator whose frequency changes per sample."""
    return TWO_PI * np.cumsum(freq) / SR


def additive(phase, amps):
    """Sum of harmonics k * phase with (possibly time-varying) amplitudes."""
    out = np.zeros(len(phase))
    for k, a in enumerate(amps, start=1):
        out += a * np.sin(k * phase)
    return out


# ---------------------------------------------------------------- instruments

def vibrato(n, rate, depth, delay):
    t = seconds(n)
    ramp = np.clip((t - delay) / 0.3, 0.0, 1.0)
    return 1.0 + depth * ramp * np.sin(TWO_PI * rate * t)


def brass_lead(f, gate):
    """Bright synth brass: saw-like harmonics that open up on the attack."""
    env = adsr(gate, 0.025, 0.18, 0.72, 0.12)
    n = len(env)
    t = seconds(n)
    ph = phase_of(f * vibrato(n, 5.2, 0.004, 0.22))
    bright = 0.55 + 0.45 * np.exp(-t / 0.12)
    amps = []
    for k in range(1, 13):
        if k * f > 15000:
            break
        amps.append((1.0 / k) * bright ** (k - 1))
    return env * additive(ph, amps)


def square_lead(f, gate):
    """Hollow, clarinet-like lead: strong odd harmonics, a touch of even."""
    env = adsr(gate, 0.012, 0.12, 0.8, 0.09)
    n = len(env)
    t = seconds(n)
    ph = phase_of(f * vibrato(n, 5.8, 0.005, 0.18))
    soft = 0.75 + 0.25 * np.exp(-t / 0.08)
    amps = []
    for k in range(1, 14):
        if k * f > 15000:
            break
        a = (1.0 / k) if k % 2 else (0.18 / k)
        amps.append(a * soft ** (k - 1))
    return env * additive(ph, amps)


def bell(f, length=1.2, index=2.5, ratio=3.5, tau=0.45):
    """FM bell / glockenspiel."""
    n = samples(length)
    t = seconds(n)
    idx = index * np.exp(-t / (tau * 0.5))
    y = np.sin(TWO_PI * f * t + idx * np.sin(TWO_PI * f * ratio * t))
    return y * perc(length, tau)


def mallet(f, length=0.5):
    """FM marimba: a woody tone with a fast-fading bright strike."""
    n = samples(length)
    t = seconds(n)
    idx = 3.0 * np.exp(-t / 0.012)
    y = np.sin(TWO_PI * f * t + idx * np.sin(TWO_PI * f * 4.0 * t))
    y += 0.25 * np.sin(TWO_PI * f * 2.0 * t) * np.exp(-t / 0.05)
    return y * perc(length, 0.16)


def epiano(f, gate):
    """FM electric piano: a 1:1 pair for the body plus a short tine."""
    env = adsr(gate, 0.004, 0.6, 0.35, 0.09)
    n = len(env)
    t = seconds(n)
    idx = 0.4 + 1.6 * np.exp(-t / 0.18)
    body = np.sin(TWO_PI * f * t + idx * np.sin(TWO_PI * f * t))
    tine = 0.18 * np.sin(TWO_PI * f * 7.0 * t) * np.exp(-t / 0.03)
    return env * (body + tine)


def pad(f, gate):
    """Soft string pad: mellow harmonics with a slow swell."""
    env = adsr(gate, 0.18, 0.5, 0.85, 0.35)
    n = len(env)
    ph = phase_of(f * vibrato(n, 4.6, 0.003, 0.0))
    return env * additive(ph, [1.0, 0.45, 0.25, 0.12, 0.06])


def bass(f, gate):
    """Plucked synth bass: round fundamental, a little growl on the attack."""
    env = adsr(gate, 0.004, 0.35, 0.45, 0.05)
    n = len(env)
    t = seconds(n)
    idx = 0.3 + 1.4 * np.exp(-t / 0.06)
    y = np.sin(TWO_PI * f * t + idx * np.sin(TWO_PI * f * t))
    y += 0.35 * np.sin(TWO_PI * 2.0 * f * t)
    return env * y


class Drums:
    """A small synthesised kit; each piece is rendered in a few variants."""

    def __init__(self, rng):
        self.kick = self._kick()
        self.snare = [self._snare(rng) for _ in range(3)]
        self.clap = [self._clap(rng) for _ in range(3)]
        self.hat = [self._hat(rng, 0.045, 0.02) for _ in range(4)]
        self.open_hat = [self._hat(rng, 0.35, 0.12) for _ in range(2)]
        self.crash = self._crash(rng)

    @staticmethod
    def _kick():
        length = 0.38
        n = samples(length)
        t = seconds(n)
        f = 48.0 + 120.0 * np.exp(-t / 0.035)
        y = np.sin(phase_of(f)) * perc(length, 0.22, 0.0015)
        click = np.exp(-t / 0.002) * 0.3 * np.sin(TWO_PI * 1500 * t)
        return y + click

    @staticmethod
    def _snare(rng):
        length = 0.28
        n = samples(length)
        t = seconds(n)
        noise = band(rng.standard_normal(n), 1200, 9000)
        noise /= np.max(np.abs(noise))
        body = np.sin(TWO_PI * 185.0 * t) * np.exp(-t / 0.05)
        return (0.75 * noise * np.exp(-t / 0.07) + 0.55 * body) * perc(length, 1.0)

    @staticmethod
    def _clap(rng):
        length = 0.25
        n = samples(length)
        t = seconds(n)
        noise = band(rng.standard_normal(n), 900, 5000)
        noise /= np.max(np.abs(noise))
        env = np.zeros(n)
        for k, start in enumerate((0.0, 0.009, 0.019, 0.03)):
            tt = t - start
            tau = 0.006 if k < 3 else 0.07
            env += np.where(tt >= 0, np.exp(-np.maximum(tt, 0) / tau), 0.0)
        return noise * env * perc(length, 1.0)

    @staticmethod
    def _hat(rng, length, tau):
        n = samples(length)
        noise = band(rng.standard_normal(n), 7000, 16000)
        noise /= np.max(np.abs(noise))
        return noise * perc(length, tau, 0.0005)

    @staticmethod
    def _crash(rng):
        length = 2.2
        n = samples(length)
        noise = band(rng.standard_normal(n), 4000, 15000)
        noise /= np.max(np.abs(noise))
        return noise * perc(length, 0.7, 0.002)


# ---------------------------------------------------------------- song description

def chord_tones(name):
    """'C' -> [0, 4, 7] above the root's pitch class; 'Am', 'D7' likewise."""
    root = _LETTER[name[0]]
    rest = name[1:]
    if rest[:1] == "#":
        root += 1
        rest = rest[1:]
    elif rest[:1] == "b":
        root -= 1
        rest = rest[1:]
    if rest == "":
        iv = [0, 4, 7]
    elif rest == "m":
        iv = [0, 3, 7]
    elif rest == "7":
        iv = [0, 4, 7, 10]
    elif rest == "m7":
        iv = [0, 3, 7, 10]
    else:
        raise ValueError(name)
    return root % 12, iv


def voicing(name, centre=65):
    """Close voicing of the chord whose average pitch is nearest `centre`."""
    root, iv = chord_tones(name)
    best = None
    for base in range(48, 76):
        if base % 12 != root:
            continue
        notes = [base + i for i in iv]
        for inv in range(len(notes)):
            v = sorted(notes[inv:] + [x + 12 for x in notes[:inv]])
            score = abs(sum(v) / len(v) - centre)
            if best is None or score < best[0]:
                best = (score, v)
    return best[1]


def parse_bar(text):
    """'E5:1 G5:0.5 r:0.5 C6:2' -> [(beat, length, midi or None), ...]."""
    out = []
    beat = 0.0
    for token in text.split():
        name, length = token.split(":")
        length = float(length)
        out.append((beat, length, None if name == "r" else note_number(name)))
        beat += length
    if abs(beat - 4.0) > 1e-9:
        raise ValueError(f"bar does not add up to four beats: {text!r} ({beat})")
    return out


def chords_of_bar(text):
    """'C' -> [(0, 4, 'C')]; 'F G' -> [(0, 2, 'F'), (2, 2, 'G')]."""
    names = text.split()
    step = 4.0 / len(names)
    return [(i * step, step, n) for i, n in enumerate(names)]


def chord_at(chords, beat):
    for start, length, name in chords:
        if start <= beat < start + length:
            return name
    return chords[-1][2]


# ---------------------------------------------------------------- music rendering

class Loop:
    """A stereo buffer exactly one loop long; notes wrap round its end."""

    def __init__(self, frames):
        self.n = frames
        self.dry = np.zeros((frames, 2))
        self.send = np.zeros(frames)

    def add(self, start, sig, pan=0.0, gain=1.0, reverb=0.0):
        if len(sig) >= self.n:
            raise ValueError("sound longer than the loop")
        idx = (start + np.arange(len(sig))) % self.n
        angle = (pan + 1.0) * np.pi / 4.0          # constant-power pan
        self.dry[idx, 0] += sig * gain * np.cos(angle)
        self.dry[idx, 1] += sig * gain * np.sin(angle)
        if reverb > 0:
            self.send[idx] += sig * gain * reverb

    def mixdown(self, rng, wet=1.0):
        n = self.n
        ir_len = samples(1.8)
        t = seconds(ir_len)
        pre = samples(0.018)
        out = self.dry.copy()
        send_spec = np.fft.rfft(self.send)
        for ch in range(2):
            ir = rng.standard_normal(ir_len) * np.exp(-t / 0.38)
            ir[:pre] = 0.0
            ir = band(ir, 200, 6500)
            ir /= np.sqrt(np.sum(ir ** 2))
            padded = np.zeros(n)
            padded[:ir_len] = ir
            out[:, ch] += wet * np.fft.irfft(send_spec * np.fft.rfft(padded), n)
        # Remove DC and rumble below 25 Hz on the circle, keeping the loop exact.
        f = np.fft.rfftfreq(n, 1.0 / SR)
        for ch in range(2):
            spec = np.fft.rfft(out[:, ch])
            spec[f < 25.0] = 0.0
            out[:, ch] = np.fft.irfft(spec, n)
        return out


def loop_frames(bars, bpm):
    """Loop length near `bars` bars of 4/4 at `bpm`, of the form 2048*m - 1."""
    nominal = bars * 4 * 60.0 / bpm * SR
    m = int(round((nominal + 1) / 2048.0))
    return 2048 * m - 1


def render_song(song, seed):
    rng = np.random.default_rng(seed)
    bars = len(song["chords"])
    assert len(song["melody"]) == bars
    frames = loop_frames(bars, song["bpm"])
    beat_sec = frames / SR / (bars * 4)
    loop = Loop(frames)
    drums = Drums(rng)
    lead = song["lead"]

    def at(bar, beat):
        return int(round((bar * 4 + beat) * beat_sec * SR))

    def vel(base):
        return base * (1.0 + 0.07 * rng.uniform(-1.0, 1.0))

    for bar in range(bars):
        chords = chords_of_bar(song["chords"][bar])
        section = song["sections"][bar // 8]

        # Lead melody, doubled an octave up by a quiet bell or mallet.
        for beat, length, note in parse_bar(song["melody"][bar]):
            if note is None:
                continue
            gate = length * beat_sec * 0.9
            tone = lead(hz(note), gate)
            loop.add(at(bar, beat), tone, pan=0.05, gain=vel(0.30), reverb=0.35)
            if section.get("sparkle"):
                loop.add(at(bar, beat), song["sparkle"](hz(note + 12)),
                         pan=0.35, gain=vel(0.07), reverb=0.5)

        # Comping chords.
        for beat, length in song["comp"]:
            name = chord_at(chords, beat)
            for note in voicing(name):
                loop.add(at(bar, beat), epiano(hz(note), length * beat_sec * 0.9),
                         pan=-0.3, gain=vel(0.085), reverb=0.3)
        if section.get("pad"):
            for start, length, name in chords:
                for note in voicing(name, 62):
                    loop.add(at(bar, start), pad(hz(note), length * beat_sec),
                             pan=-0.6 if note % 2 else 0.6, gain=0.045, reverb=0.6)
        if section.get("arp"):
            for step in range(16):
                beat = step * 0.25
                name = chord_at(chords, beat)
                tones = voicing(name, 76)
                order = tones + tones[-2:0:-1]
                note = order[step % len(order)]
                loop.add(at(bar, beat), mallet(hz(note), 0.3), pan=0.45,
                         gain=vel(0.07 if step % 2 else 0.09), reverb=0.4)

        # Bass line.
        for beat, length, interval in song["bass"]:
            root, _ = chord_tones(chord_at(chords, beat))
            note = 36 + root + interval
            loop.add(at(bar, beat), bass(hz(note), length * beat_sec),
                     gain=vel(0.42), reverb=0.05)

        # Drums.
        fill = section.get("fill") and bar % 8 == 7
        for beat in song["kick"]:
            loop.add(at(bar, beat), drums.kick, gain=vel(0.75))
        for beat in song["snare"]:
            if fill and beat >= 3:
                continue
            piece = drums.clap if song.get("clap") else drums.snare
            loop.add(at(bar, beat), piece[int(rng.integers(len(piece)))],
                     gain=vel(0.42), reverb=0.25)
        if fill:
            for k in range(4):
                loop.add(at(bar, 3 + k * 0.25), drums.snare[k % 3],
                         gain=0.22 + 0.06 * k, reverb=0.25)
        for beat, accent in song["hats"]:
            loop.add(at(bar, beat), drums.hat[int(rng.integers(4))],
                     pan=0.3, gain=vel(0.13 if accent else 0.08))
        for beat in song["open_hats"]:
            loop.add(at(bar, beat), drums.open_hat[int(rng.integers(2))],
                     pan=0.3, gain=vel(0.09))
        if bar % 8 == 0:
            loop.add(at(bar, 0), drums.crash, pan=-0.2, gain=0.16, reverb=0.2)

    out = loop.mixdown(rng, wet=0.9)
    return out, frames, beat_sec


# Title screen: bright and bouncy, C major, synth brass lead.
MAIN_SONG = {
    "bpm": 116,
    "lead": brass_lead,
    "sparkle": lambda f: bell(f, 0.8, 1.6, 3.5, 0.3),
    "chords": [
        "C", "Am", "F", "G", "C", "Am", "F G", "C",
        "C", "Am", "F", "G", "Em", "Am", "Dm", "G",
        "F", "G", "Em", "Am", "Dm", "G", "C", "C7",
        "F", "G", "C", "Am", "F", "G", "C", "G7",
    ],
    "melody": [
        "E5:1 G5:1 C6:1.5 B5:0.5",
        "A5:1.5 G5:0.5 E5:1 C5:1",
        "F5:1 A5:1 C6:1 A5:1",
        "B5:1.5 A5:0.5 G5:2",
        "E5:1 G5:1 C6:1.5 D6:0.5",
        "E6:1.5 D6:0.5 C6:1 A5:1",
        "A5:1 C6:1 B5:1 D6:1",
        "C6:3 r:1",
        "G5:0.5 G5:0.5 E5:1 G5:1 C6:1",
        "C6:0.5 B5:0.5 A5:1 E5:2",
        "F5:0.5 G5:0.5 A5:1 C6:1 A5:1",
        "G5:1 D5:1 G5:2",
        "G5:1 B5:1 E6:1.5 D6:0.5",
        "C6:1 A5:1 E5:1 A5:1",
        "D6:1.5 C6:0.5 A5:1 F5:1",
        "G5:1 B5:1 D6:1 F6:1",
        "A5:1.5 F5:0.5 C6:2",
        "B5:1.5 G5:0.5 D6:2",
        "E6:1 D6:1 B5:1 G5:1",
        "A5:2 C6:1 E6:1",
        "F6:1.5 E6:0.5 D6:1 A5:1",
        "B5:1 D6:1 G6:1 F6:1",
        "E6:1 C6:1 G5:1 E5:1",
        "G5:1 Bb5:1 C6:1 E6:1",
        "F6:1.5 E6:0.5 C6:1 A5:1",
        "D6:1.5 C6:0.5 B5:1 G5:1",
        "C6:1 E6:1 G6:1.5 E6:0.5",
        "E6:1 C6:1 A5:2",
        "A5:1 C6:1 F6:1 E6:1",
        "D6:1 B5:1 G5:1 B5:1",
        "C6:3 r:1",
        "D5:1 F5:1 G5:1 B4:0.5 D5:0.5",
    ],
    "sections": [
        {"fill": True},
        {"fill": True, "sparkle": True},
        {"fill": True, "pad": True},
        {"fill": True, "sparkle": True, "pad": True},
    ],
    "comp": [(0, 0.9), (1.5, 0.5), (2.5, 0.5), (3, 0.9)],
    "bass": [(0, 0.9, 0), (1, 0.45, 12), (1.5, 0.45, 7), (2, 0.9, 0),
             (3, 0.45, 12), (3.5, 0.45, 7)],
    "kick": [0, 2, 2.5],
    "snare": [1, 3],
    "hats": [(b * 0.5, b % 2 == 1) for b in range(8)],
    "open_hats": [],
}

# In game: driving disco pulse, G major, hollow square lead and mallet arpeggios.
THEME_SONG = {
    "bpm": 126,
    "lead": square_lead,
    "sparkle": lambda f: mallet(f, 0.45),
    "clap": True,
    "chords": [
        "G", "Em", "C", "D", "G", "Em", "C D", "G",
        "Am", "D", "G", "Em", "Am", "D", "G", "G",
        "C", "D", "Bm", "Em", "C", "D", "Em", "D7",
        "G", "Em", "C", "D", "G", "Em", "C D", "D",
    ],
    "melody": [
        "D5:0.5 G5:0.5 B5:0.5 D6:1 B5:0.5 G5:1",
        "E5:0.5 G5:0.5 B5:0.5 E6:1 D6:0.5 B5:1",
        "C6:0.5 B5:0.5 A5:0.5 G5:0.5 E5:1 G5:1",
        "F#5:1.5 E5:0.5 D5:1 A5:1",
        "B5:0.5 D6:0.5 G6:1 F#6:0.5 D6:0.5 B5:1",
        "G5:0.5 B5:0.5 E6:1 D6:0.5 B5:0.5 G5:1",
        "E6:1 C6:1 D6:1 F#5:1",
        "G5:2.5 r:1.5",
        "A5:0.5 C6:0.5 E6:1 D6:0.5 C6:0.5 A5:1",
        "F#5:0.5 A5:0.5 D6:1 C6:0.5 A5:0.5 F#5:1",
        "G5:0.5 B5:0.5 D6:0.5 G6:0.5 F#6:0.5 E6:0.5 D6:1",
        "E6:1.5 B5:0.5 G5:1 B5:1",
        "C6:1 B5:0.5 A5:0.5 E6:1 C6:1",
        "D6:1 C6:0.5 B5:0.5 A5:1 F#5:1",
        "G5:1 B5:1 D6:1 G6:1",
        "F#6:0.5 E6:0.5 D6:0.5 B5:0.5 G5:2",
        "E6:1.5 D6:0.5 C6:1 G5:1",
        "F#6:1.5 E6:0.5 D6:1 A5:1",
        "B5:0.5 D6:0.5 F#6:1 E6:0.5 D6:0.5 B5:1",
        "G6:1.5 F#6:0.5 E6:2",
        "C6:0.5 E6:0.5 G6:1 E6:0.5 C6:0.5 G5:1",
        "A5:0.5 D6:0.5 F#6:1 E6:0.5 D6:0.5 A5:1",
        "B5:1 E6:1 G6:1 E6:1",
        "F#6:1.5 E6:0.5 D6:1 C6:1",
        "B5:0.5 D6:0.5 G6:1 D6:0.5 B5:0.5 G5:1",
        "E5:0.5 G5:0.5 B5:0.5 E6:1 D6:0.5 B5:1",
        "C6:0.5 E6:0.5 G6:0.5 E6:0.5 C6:1 A5:1",
        "F#5:1 A5:1 D6:1.5 C6:0.5",
        "B5:1 G5:1 D6:1 B5:1",
        "E6:1.5 F#6:0.5 G6:1 E6:1",
        "C6:1 E6:1 D6:1 A5:1",
        "F#5:0.5 G5:0.5 A5:0.5 B5:0.5 C6:0.5 B5:0.5 A5:1",
    ],
    "sections": [
        {"fill": True},
        {"fill": True, "arp": True},
        {"fill": True, "arp": True, "sparkle": True},
        {"fill": True, "sparkle": True},
    ],
    "comp": [(0.5, 0.35), (1.5, 0.35), (2.5, 0.35), (3.5, 0.35)],
    "bass": [(b * 0.5, 0.42, 0 if b % 2 == 0 else 12) for b in range(8)],
    "kick": [0, 1, 2, 3],
    "snare": [1, 3],
    "hats": [(b * 0.25, b % 2 == 0) for b in range(16) if b % 4 != 2],
    "open_hats": [0.5, 1.5, 2.5, 3.5],
}


# ---------------------------------------------------------------- sound effects

def fx_click(rng):
    length = 0.07
    n = samples(length)
    t = seconds(n)
    y = 0.8 * np.sin(TWO_PI * 1250.0 * t) * np.exp(-t / 0.012)
    y += 0.45 * np.sin(TWO_PI * 2950.0 * t) * np.exp(-t / 0.006)
    tick = band(rng.standard_normal(n), 2000, 12000) * np.exp(-t / 0.0015)
    y += 0.6 * tick / np.max(np.abs(tick))
    return edge_fade(y, 0.0003, 0.01)


def fx_over(rng):
    length = 0.1
    n = samples(length)
    t = seconds(n)
    f = 1175.0 * (1.0 + 0.06 * (1.0 - np.exp(-t / 0.02)))
    ph = phase_of(f)
    y = (np.sin(ph) + 0.2 * np.sin(2 * ph)) * np.exp(-t / 0.028)
    return edge_fade(y, 0.003, 0.02)


def fx_clap(rng):
    """Applause: a small crowd clapping, swelling and dying away (stereo)."""
    length = 2.8
    n = samples(length)
    out = np.zeros((n, 2))
    clap_len = samples(0.07)
    ct = seconds(clap_len)
    for _ in range(36):
        centre = rng.uniform(900, 2600)
        rate = rng.uniform(3.6, 5.2)
        t0 = rng.uniform(0.0, 0.18)
        stop = rng.uniform(1.5, 2.5)
        pan = rng.uniform(-0.8, 0.8)
        gain = rng.uniform(0.5, 1.0)
        angle = (pan + 1.0) * np.pi / 4.0
        t = t0
        while t < stop:
            burst = band(rng.standard_normal(clap_len), centre * 0.6, centre * 1.8)
            burst *= np.exp(-ct / rng.uniform(0.008, 0.014)) * np.clip(ct / 0.0008, 0, 1)
            swell = min(1.0, 0.35 + t / 0.35) * (1.0 if t < stop - 0.5 else (stop - t) / 0.5 + 0.15)
            s = samples(t)
            e = min(n, s + clap_len)
            out[s:e, 0] += burst[:e - s] * gain * swell * np.cos(angle)
            out[s:e, 1] += burst[:e - s] * gain * swell * np.sin(angle)
            t += 1.0 / rate * rng.uniform(0.85, 1.15)
    # A little room around the crowd.
    ir_len = samples(0.5)
    it = seconds(ir_len)
    for ch in range(2):
        ir = rng.standard_normal(ir_len) * np.exp(-it / 0.09)
        ir[:samples(0.01)] = 0.0
        ir *= 0.12 / np.sqrt(np.sum(ir ** 2))
        out[:, ch] += np.convolve(out[:, ch], ir)[:n]
    # Gentle saturation evens out the chance peaks of many hands at once,
    # so the applause is not quiet next to the other effects.
    out = np.tanh(2.5 * out / np.max(np.abs(out)))
    for ch in range(2):
        out[:, ch] = edge_fade(out[:, ch], 0.001, 0.3)
    return out


def fx_newlife(rng):
    """Extra life: a sparkling rising arpeggio settling on a bright chord."""
    length = 1.5
    n = samples(length)
    y = np.zeros(n)
    for k, name in enumerate(["C6", "E6", "G6", "C7", "E7", "G7"]):
        start = k * 0.065
        note = note_number(name)
        mix_into(y, samples(start), bell(hz(note), length - start, 1.8, 3.5, 0.35), 0.8 + 0.04 * k)
        mix_into(y, samples(start), mallet(hz(note - 12), 0.5), 0.4)
    t = seconds(n)
    shimmer = np.zeros(n)
    for name in ("C6", "E6", "G6"):
        f = hz(note_number(name))
        shimmer += np.sin(TWO_PI * f * t) * (0.5 + 0.5 * np.sin(TWO_PI * 9.0 * t))
    shimmer *= np.clip((t - 0.35) / 0.1, 0, 1) * np.exp(-np.maximum(t - 0.35, 0) / 0.35)
    y += 0.25 * shimmer
    return edge_fade(y, 0.001, 0.08)


def fx_time(rng):
    """Time out: a wobbling swirl that winds down and fades."""
    length = 1.6
    n = samples(length)
    t = seconds(n)
    f = 880.0 * 2.0 ** (-2.6 * t / length) * (1.0 + 0.05 * np.sin(TWO_PI * 8.0 * t))
    ph = phase_of(f)
    tone = additive(ph, [1.0, 0.45, 0.3, 0.18, 0.1])
    env = np.clip(t / 0.02, 0, 1) * np.exp(-t / 0.7) * np.clip((length - t) / 0.6, 0, 1) ** 1.5
    whoosh = svf_sweep(rng.standard_normal(n), 3000.0 * 2.0 ** (-3.0 * t / length), 4.0)
    whoosh /= np.max(np.abs(whoosh))
    wenv = np.sin(np.pi * np.clip(t / length, 0, 1)) ** 2
    y = 0.8 * tone * env + 0.35 * whoosh * wenv
    return edge_fade(y, 0.002, 0.05)


def fx_pop(rng):
    length = 0.12
    n = samples(length)
    t = seconds(n)
    f = 320.0 + 1100.0 * (1.0 - np.exp(-t / 0.018))
    y = np.sin(phase_of(f)) * np.exp(-t / 0.03)
    return edge_fade(y, 0.0008, 0.02)


def fx_set(rng):
    length = 0.22
    n = samples(length)
    t = seconds(n)
    y = 0.9 * np.sin(TWO_PI * 640.0 * t) * np.exp(-t / 0.04)
    y += 0.45 * np.sin(TWO_PI * 1730.0 * t) * np.exp(-t / 0.015)
    y += 0.7 * np.sin(TWO_PI * 170.0 * t) * np.exp(-t / 0.05)
    knock = band(rng.standard_normal(n), 800, 6000) * np.exp(-t / 0.003)
    y += 0.4 * knock / np.max(np.abs(knock))
    return edge_fade(y, 0.0005, 0.03)


def fx_move(rng):
    length = 0.28
    n = samples(length)
    t = seconds(n)
    cutoff = 500.0 * 2.0 ** (2.6 * t / length)
    y = svf_sweep(rng.standard_normal(n), cutoff, 2.5)
    y *= np.sin(np.pi * t / length) ** 1.5
    return edge_fade(y, 0.002, 0.01)


def fx_levelup(rng):
    """Level up: a short brass fanfare over a timpani roll and cymbal."""
    length = 2.2
    n = samples(length)
    y = np.zeros(n)
    step = 0.11
    for k, name in enumerate(["G4", "C5", "E5", "G5"]):
        mix_into(y, samples(k * step), brass_lead(hz(note_number(name)), step * 0.9), 0.5)
    chord_start = 4 * step
    for name in ("C5", "E5", "G5", "C6"):
        tone = brass_lead(hz(note_number(name)), length - chord_start - 0.5)
        mix_into(y, samples(chord_start), tone, 0.32)
    drums = Drums(rng)
    for k in range(6):
        mix_into(y, samples(k * 0.07), drums.kick, 0.12 * (0.6 + 0.08 * k))
    mix_into(y, samples(chord_start), drums.crash, 0.12)
    t = seconds(n)
    boom = np.sin(TWO_PI * 65.0 * (t - chord_start)) * np.exp(-np.maximum(t - chord_start, 0) / 0.3)
    y += 0.4 * boom * (t >= chord_start)
    return edge_fade(y, 0.001, 0.25)


# ---------------------------------------------------------------- output

def to_pcm16(x, peak_db):
    x = np.asarray(x, dtype=np.float64)
    x = x - np.mean(x, axis=0)
    peak = np.max(np.abs(x))
    x = x * (10.0 ** (peak_db / 20.0) / peak)
    return np.clip(np.round(x * 32767.0), -32768, 32767).astype("<i2")


def write_wav(path, pcm, rate=SR):
    channels = 1 if pcm.ndim == 1 else pcm.shape[1]
    with wave.open(path, "wb") as w:
        w.setnchannels(channels)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(pcm.tobytes())


def write_ogg(path, pcm, serial):
    with tempfile.TemporaryDirectory() as tmp:
        wav = os.path.join(tmp, "in.wav")
        write_wav(wav, pcm)
        subprocess.run(["oggenc", "--quiet", "-q", OGG_QUALITY, "-s", str(serial),
                        "-o", path, wav], check=True)


EFFECTS = [
    # file name, generator, seed
    ("click.ogg", fx_click, 11),
    ("over.ogg", fx_over, 12),
    ("clap.ogg", fx_clap, 13),
    ("newlife.ogg", fx_newlife, 14),
    ("time.ogg", fx_time, 15),
    ("Pop.wav", fx_pop, 16),
    ("Set.wav", fx_set, 17),
    ("Move.wav", fx_move, 18),
    ("Levelup.ogg", fx_levelup, 19),
]

SONGS = [
    ("Main.ogg", MAIN_SONG, 101),
    ("theme.ogg", THEME_SONG, 102),
]


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    out_dir = argv[1] if len(argv) > 1 else os.path.join(here, "..", "assets", "snd")
    os.makedirs(out_dir, exist_ok=True)
    serial = 7001
    for name, make, seed in EFFECTS:
        pcm = to_pcm16(make(np.random.default_rng(seed)), EFFECT_PEAK_DB)
        path = os.path.join(out_dir, name)
        if name.endswith(".wav"):
            write_wav(path, pcm)
        else:
            write_ogg(path, pcm, serial)
        serial += 1
        print(f"{name:12s} {len(pcm) / SR:6.2f} s")
    for name, song, seed in SONGS:
        audio, frames, beat_sec = render_song(song, seed)
        pcm = to_pcm16(audio, MUSIC_PEAK_DB)
        write_ogg(os.path.join(out_dir, name), pcm, serial)
        serial += 1
        # The step from the last frame to the first, beside the usual step
        # between neighbouring frames: at a clean seam they are alike.
        seam = np.max(np.abs(pcm[0].astype(int) - pcm[-1].astype(int)))
        steps = np.abs(np.diff(pcm.astype(int), axis=0))
        print(f"{name:12s} {frames / SR:6.2f} s, {frames} frames, "
              f"{len(song['chords'])} bars at {60.0 / beat_sec:.3f} bpm; seam step {seam}, "
              f"frame steps median {np.median(steps):.0f} / 99% {np.percentile(steps, 99):.0f} "
              f"/ max {steps.max()} (16-bit units)")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
