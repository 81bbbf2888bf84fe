#!/usr/bin/env bash
# Installs what is missing and runs every test: the whole suite (unit,
# window, end-to-end, server and data checks) once, in a build with gcov
# counters (build-cov, tools/coverage.sh), which then prints line and branch
# coverage per folder and fails below its floors; the suite without the
# end-to-end tests under AddressSanitizer + UndefinedBehaviorSanitizer +
# LeakSanitizer (build-asan); the audio tests under ThreadSanitizer
# (build-tsan); and a short run of every fuzz target (build-fuzz).
# Without a display the tests run on a virtual X server (Xvfb) with Mesa's
# software OpenGL; sound goes to SDL's dummy driver.
#   FUZZ_SECONDS=n  seconds per fuzz target (default 3)
#
# The tests run one at a time: the unit tests share one display, where two
# windows take each other's focus and a launcher whose window is in the back
# waits for it to come to the front; and the end-to-end tests wait on a
# game drawing on a two-core machine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup-deps.sh
echo "== format check"
bash tools/format.sh --check
export SDL_AUDIODRIVER=dummy LIBGL_ALWAYS_SOFTWARE=1
withDisplay() {
  if [ -z "${DISPLAY:-}" ]; then
    xvfb-run -a -s "-screen 0 1280x1024x24" "$@"
  else
    "$@"
  fi
}
step() { echo "== $1 ($(date +%T))"; }
step "whole suite with coverage"
withDisplay bash tools/coverage.sh build-cov
step "sanitizer build and suite"
withDisplay bash tools/asan_tests.sh build-asan
step "ThreadSanitizer audio tests"
bash tools/tsan_audio_tests.sh build-tsan
step "fuzz smoke"
bash tools/fuzz.sh "${FUZZ_SECONDS:-3}"
step "done"
