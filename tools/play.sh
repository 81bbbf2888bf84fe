#!/usr/bin/env bash
# Installs what is missing, builds Trivello and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/build.sh
exec build/Trivello/trivello
