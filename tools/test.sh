#!/usr/bin/env bash
# Installs what is missing, builds Trivello and runs every test. Without a
# display the tests run on a virtual X server (Xvfb) with Mesa's software
# OpenGL; sound goes to SDL's dummy driver.
#
# The tests run one at a time (about two minutes in all): the unit tests
# share one display, where two windows take each other's focus and a launcher
# whose window is in the back waits for it to come to the front; and the
# end-to-end tests compare screenshots taken at set moments, which a second
# game drawing beside them on a two-core machine can make late.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/build.sh
export SDL_AUDIODRIVER=dummy LIBGL_ALWAYS_SOFTWARE=1
run=(ctest --test-dir build --output-on-failure)
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "${run[@]}"
fi
exec "${run[@]}"
