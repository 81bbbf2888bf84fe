#!/usr/bin/env bash
# Makes the small Ogg Vorbis files the sound tests and the sound benchmark
# load (tests/data/sound). WAV and MOD test files are written by the tests
# themselves. Needs sox and oggenc (Debian: sox, vorbis-tools; installed by
# tools/setup-deps.sh --assets, which runs first).
# Deterministic: fixed synthesis, fixed stream serial numbers, no dither.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup-deps.sh --assets
out=tests/data/sound
mkdir -p "$out"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# stream.ogg: 1 s stereo at 44,100 Hz, a rising sweep on the left and a
# falling one on the right, so that every position of the stream sounds
# different (the tests compare where playback restarts).
sox -D -n -r 44100 -c 2 -b 16 "$tmp/stream.wav" \
    synth 1.0 sine 200-2000 sine 1500-300 gain -6
oggenc -Q -s 1001 -q 3 --discard-comments -o "$out/stream.ogg" "$tmp/stream.wav"

# sample.ogg: 0.2 s mono at 22,050 Hz, a plain 440 Hz tone.
sox -D -n -r 22050 -c 1 -b 16 "$tmp/sample.wav" synth 0.2 sine 440 gain -6
oggenc -Q -s 1002 -q 3 --discard-comments -o "$out/sample.ogg" "$tmp/sample.wav"

# short.ogg: 10 ms stereo at 44,100 Hz (441 frames), shorter than one
# stream buffer.
sox -D -n -r 44100 -c 2 -b 16 "$tmp/short.wav" synth 0.01 sine 1000 sine 1500 gain -6
oggenc -Q -s 1004 -q 3 --discard-comments -o "$out/short.ogg" "$tmp/short.wav"

# surround.ogg: 0.1 s of three channels at 8,000 Hz, which the engine's
# channels cannot play (the tests check that it is refused).
sox -D -n -r 8000 -c 3 -b 16 "$tmp/surround.wav" synth 0.1 sine 300 sine 500 sine 700 gain -6
oggenc -Q -s 1003 -q 0 --discard-comments -o "$out/surround.ogg" "$tmp/surround.wav"

ls -l "$out"
