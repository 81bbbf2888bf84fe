#!/usr/bin/env bash
# Builds everything with AddressSanitizer, UndefinedBehaviorSanitizer and
# LeakSanitizer in its own folder (build-asan, or the folder given as the
# first argument) and runs the whole test suite there. Leaks that only
# third-party libraries keep for the life of the process are listed in
# tools/lsan.supp. Run it under a display (tools/test.sh starts Xvfb).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-asan}
# Mesa's GL drivers stay loaded until the leak check (see CMakeLists.txt);
# the sanitizer runtime must come first in the list.
lib=/usr/lib/$(gcc -print-multiarch)
preload="$(gcc -print-file-name=libasan.so)"
for l in "$lib/libGLX_mesa.so.0" "$lib/dri/swrast_dri.so"; do
  [ -e "$l" ] && preload="$preload:$l"
done
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTRIVELLO_ASAN=ON -DTRIVELLO_BENCH=OFF \
  "-DTRIVELLO_TEST_PRELOAD=$preload" >/dev/null
cmake --build "$dir" -j"$(nproc)"
export SDL_AUDIODRIVER=dummy LIBGL_ALWAYS_SOFTWARE=1
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0:strict_string_checks=1:detect_stack_use_after_return=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export LSAN_OPTIONS="suppressions=$PWD/tools/lsan.supp:print_suppressions=0"
# One test at a time, as tools/test.sh does; the end-to-end tests (the real
# program driven from outside) run in the normal build only.
ctest --test-dir "$dir" --output-on-failure -E 'e2e'
echo "Sanitizers: whole suite passed"
