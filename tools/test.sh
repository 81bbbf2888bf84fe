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
# While the coverage suite runs (much of it waiting on windows), the
# sanitizer, ThreadSanitizer and fuzz builds take the spare processor time at
# the lowest priority. The sanitizer suite, which runs one test at a time,
# runs beside the ThreadSanitizer tests and the fuzz smoke, which run one
# program at a time; each side writes its own log, printed when it is over.
# The sanitizer side has an Xvfb of its own, so that on a desktop its windows
# do not take the focus from the coverage suite's.
step "coverage build"
COVERAGE_BUILD_ONLY=1 bash tools/coverage.sh build-cov
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
xvfb-run -a -s "-screen 0 1280x1024x24" nice -n 19 bash tools/asan_tests.sh build-asan >"$logs/asan" 2>&1 &
asan=$!
{ nice -n 19 bash tools/tsan_audio_tests.sh build-tsan && nice -n 19 bash tools/fuzz.sh "${FUZZ_SECONDS:-3}"; } \
  >"$logs/other" 2>&1 &
other=$!
step "whole suite with coverage, the sanitizer builds beside it"
coverage=0
withDisplay bash tools/coverage.sh build-cov || coverage=$?
step "sanitizer suite beside the ThreadSanitizer audio tests and the fuzz smoke"
sanitizers=0 others=0
wait "$asan" || sanitizers=$?
wait "$other" || others=$?
echo "== sanitizer build and suite"
cat "$logs/asan"
echo "== ThreadSanitizer audio tests, then the fuzz smoke"
cat "$logs/other"
if [ "$coverage" -ne 0 ] || [ "$sanitizers" -ne 0 ] || [ "$others" -ne 0 ]; then
  echo "failed: coverage suite status $coverage, sanitizer suite $sanitizers, ThreadSanitizer and fuzz $others"
  exit 1
fi
step "done"
