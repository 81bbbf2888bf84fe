#!/usr/bin/env bash
# Installs the Debian packages Trivello needs to build, play and test.
# Safe to run again: packages already present are skipped, and apt is only
# asked for the ones that are missing.
#   --assets   also what the asset scripts need (sox, nodejs and npm for the
#              flag photos' npm package)
#   --package  also what tools/make_deb.sh needs (dpkg-dev, lintian)
# Run as root, or as a user who may use sudo. Without sudo, or when sudo
# wants a password and there is no terminal to type it in, it prints the
# apt-get line to run as root and stops.
set -euo pipefail

PACKAGES=(
  build-essential cmake pkg-config
  libsdl2-dev libgl1-mesa-dev libgl1-mesa-dri
  xvfb xauth xdotool imagemagick x11-utils
  # xmodmap: the end-to-end tests give a letter beyond ASCII a key of its own
  x11-xserver-utils
  # X core fonts: without them SDL cannot draw a message box on Xvfb
  xfonts-base
  libstb-dev libvorbis-dev libogg-dev libdumb1-dev libcurl4-openssl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libjpeg62-turbo-dev libpng-dev
  # the sanitizer and fuzz builds (tools/fuzz.sh)
  clang libclang-rt-dev
  # tools/format.sh
  clang-format
  # tools/coverage.sh
  gcovr
  python3 python3-pil
  # the score server (GNU libmicrohttpd, SQLite) and its page test in headless Chromium
  libmicrohttpd-dev libsqlite3-dev curl chromium
  # the score server's PostgreSQL store (libpq) and the PostgreSQL its tests start
  libpq-dev postgresql
  xdg-utils
  # questions read aloud: the espeak-ng speech library and its voices
  libespeak-ng-dev espeak-ng-data
  # the install checks: desktop entry and AppStream validators
  desktop-file-utils appstream
  # for the scripts in tools/ that regenerate the sounds and pictures
  python3-numpy vorbis-tools fonts-dejavu-core fonts-freefont-ttf
)
for arg in "$@"; do
  case "$arg" in
    --assets) PACKAGES+=(sox nodejs npm) ;;
    --package) PACKAGES+=(dpkg-dev lintian) ;;
    *) echo "setup: unknown option $arg (known: --assets, --package)" >&2; exit 2 ;;
  esac
done

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

export DEBIAN_FRONTEND=noninteractive
if [ "$(id -u)" -eq 0 ]; then
  echo "setup: installing ${missing[*]}"
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
  exit 0
fi

# Not root: sudo, if it is there and can ask (or needs no password).
as_root="apt-get update && apt-get install -y --no-install-recommends ${missing[*]}"
if ! command -v sudo >/dev/null 2>&1; then
  echo "setup: these packages are missing and sudo is not installed. As root, run:" >&2
  echo "  $as_root" >&2
  exit 1
fi
if ! sudo -n true 2>/dev/null && ! [ -t 0 ]; then
  echo "setup: these packages are missing and sudo needs a password, but there is no terminal to" >&2
  echo "type it in. As root (or from a terminal with sudo), run:" >&2
  echo "  $as_root" >&2
  exit 1
fi
# sudo starts apt with a clean environment: the frontend is passed by name.
echo "setup: installing ${missing[*]} (with sudo)"
sudo DEBIAN_FRONTEND=noninteractive apt-get update -qq
sudo DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
