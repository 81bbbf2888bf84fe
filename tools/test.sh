#!/usr/bin/env bash
# Installs what is missing, builds Trivello and runs every test. Without a
# display the tests run on a virtual X server (Xvfb) with Mesa's software
# OpenGL; sound goes to SDL's dummy driver.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/build.sh
export SDL_AUDIODRIVER=dummy LIBGL_ALWAYS_SOFTWARE=1
run=(ctest --test-dir build --output-on-failure -j"$(nproc)")
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "${run[@]}"
fi
exec "${run[@]}"
