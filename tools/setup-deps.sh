#!/usr/bin/env bash
# Installs the Debian packages Trivello needs to build, play and test.
# Safe to run again: packages already present are skipped, and apt is only
# asked for the ones that are missing.
set -euo pipefail

PACKAGES=(
  build-essential cmake pkg-config
  libsdl2-dev libgl1-mesa-dev libgl1-mesa-dri
  xvfb xauth
  libstb-dev libvorbis-dev libogg-dev libdumb1-dev libcurl4-openssl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libjpeg62-turbo-dev libpng-dev
  # the sanitizer and fuzz builds (tools/fuzz.sh)
  clang libclang-rt-dev
  python3 python3-pil
  xdg-utils
  # for the scripts in tools/ that regenerate the sounds and pictures
  python3-numpy vorbis-tools fonts-dejavu-core fonts-freefont-ttf
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: every package is already installed"
  exit 0
fi

echo "setup: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
