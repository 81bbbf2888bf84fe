#!/usr/bin/env bash
# Installs what is missing and builds Trivello into build/ (the application
# folder is build/Trivello).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
