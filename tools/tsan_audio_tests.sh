#!/usr/bin/env bash
# Builds the audio tests with ThreadSanitizer in their own build folder
# (build-tsan, or the folder given as the first argument) and runs them on
# SDL's dummy audio driver. Fails if a test fails or ThreadSanitizer reports
# anything (it then exits with 66).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup-deps.sh
dir=${1:-build-tsan}
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTRIVELLO_TSAN=ON -DTRIVELLO_BENCH=OFF >/dev/null
cmake --build "$dir" -j"$(nproc)" --target KMixer_test KSound_test
export SDL_AUDIODRIVER=dummy
export TSAN_OPTIONS="${TSAN_OPTIONS:-second_deadlock_stack=1}"
for t in KMixer_test KSound_test; do
  echo "== $t (ThreadSanitizer)"
  "$dir/$t" --gtest_repeat=3 --gtest_brief=1
done
echo "ThreadSanitizer: no reports"
