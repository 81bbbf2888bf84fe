#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz/*_fuzz.cpp) with clang, AddressSanitizer
# and UndefinedBehaviorSanitizer in build-fuzz, then runs each one for the
# given number of seconds (default 10) on a copy of its seed corpus
# fuzz/corpus/<name>/ and prints the executions it made. Inputs listed in
# fuzz/known_failing/<name>/ are faults of third-party libraries that cannot
# be made safe from our side; they are skipped by name (see inc/KSound.h).
# Fails when a target finds a crash, a leak or a hang.
#   tools/fuzz.sh [seconds] [target ...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-10}
shift || true
dir=build-fuzz
cmake -S . -B "$dir" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTRIVELLO_ASAN=ON -DTRIVELLO_FUZZ=ON \
  -DTRIVELLO_TESTS=OFF -DTRIVELLO_BENCH=OFF >/dev/null
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for src in fuzz/*_fuzz.cpp; do targets+=("$(basename "$src" .cpp)"); done
fi
cmake --build "$dir" -j"$(nproc)" --target "${targets[@]}"

export SDL_AUDIODRIVER=dummy
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export LSAN_OPTIONS="suppressions=$PWD/tools/lsan.supp:print_suppressions=0"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
printf '%-28s %12s %10s\n' target execs result
for t in "${targets[@]}"; do
  name=${t%_fuzz}
  corpus="$work/$name"
  mkdir -p "$corpus"
  if [ -d "fuzz/corpus/$name" ]; then cp -r "fuzz/corpus/$name/." "$corpus/"; fi
  if [ -d "fuzz/known_failing/$name" ]; then
    # Known third-party faults: never fed to the target.
    for skip in "fuzz/known_failing/$name"/*; do
      [ -e "$skip" ] && rm -f "$corpus/$(basename "$skip")"
    done
  fi
  log="$work/$name.log"
  result=ok
  (cd "$work" && "$OLDPWD/$dir/fuzz/$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -max_len=1048576 -print_final_stats=1 -artifact_prefix="$work/$name-" "$corpus" >"$log" 2>&1) || result=FAILED
  execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo 0)
  printf '%-28s %12s %10s\n' "$t" "${execs:-0}" "$result"
  if [ "$result" != ok ]; then
    status=1
    tail -n 40 "$log"
    mkdir -p fuzz-artifacts
    cp "$work/$name"-* fuzz-artifacts/ 2>/dev/null || true
  fi
done
exit $status
