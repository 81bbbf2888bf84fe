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
# The unit tests run one at a time: they share one display, where two windows
# take each other's focus and a launcher whose window is in the back waits for
# it to come to the front (CTest's lock "display"). The end-to-end and server
# tests, each on a private Xvfb or PostgreSQL, run beside them.
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
# The sanitizer suite runs one test at a time and the fuzz targets one after
# another, each mostly on one core: the two sides run together, each into its
# own log, printed when both are over.
step "sanitizer suite beside the ThreadSanitizer audio tests and the fuzz smoke"
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
withDisplay bash tools/asan_tests.sh build-asan >"$logs/asan" 2>&1 &
asan=$!
other=0
{ bash tools/tsan_audio_tests.sh build-tsan && bash tools/fuzz.sh "${FUZZ_SECONDS:-3}"; } >"$logs/other" 2>&1 || other=$?
sanitizers=0
wait "$asan" || sanitizers=$?
echo "== sanitizer build and suite"
cat "$logs/asan"
echo "== ThreadSanitizer audio tests, then the fuzz smoke"
cat "$logs/other"
if [ "$sanitizers" -ne 0 ] || [ "$other" -ne 0 ]; then
  echo "failed: sanitizer suite status $sanitizers, ThreadSanitizer and fuzz status $other"
  exit 1
fi
step "done"
