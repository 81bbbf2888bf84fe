#!/usr/bin/env bash
# Builds the Debian package of Trivello, build-deb/deb/trivello_<version>_<arch>.deb,
# with Debian's build flags (hardening, optimisation), installed under /usr
# with the launcher in /usr/games as Debian's games are,
# then checks it: the desktop entry and AppStream metadata with their
# validators, the package's contents, lintian, and the unpacked package played
# end to end (tests/e2e/install_test.py).
# Usage: bash tools/make_deb.sh [BUILD_DIR]   (default build-deb)
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-deb}
bash tools/setup-deps.sh --package

# Debian's flags with every hardening option: -O2, the stack protector,
# _FORTIFY_SOURCE, position-independent code, relro and bindnow.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
# Passed on every configure, as CMake reads CFLAGS and friends only once.
cflags="$(dpkg-buildflags --get CFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
cxxflags="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
ldflags="$(dpkg-buildflags --get LDFLAGS)"
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
      -DCMAKE_C_FLAGS="$cflags" -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" \
      -DTRIVELLO_LAUNCHER_DIR=games -DTRIVELLO_TESTS=OFF -DTRIVELLO_BENCH=OFF >/dev/null
cmake --build "$dir" -j"$(nproc)"
rm -rf "$dir/deb"
(cd "$dir" && cpack -G DEB >/dev/null)
deb=$(realpath "$(ls "$dir"/deb/*.deb)")

desktop-file-validate packaging/org.trivello.Trivello.desktop
appstreamcli validate --no-net "$dir/packaging/org.trivello.Trivello.metainfo.xml"
dpkg-deb --field "$deb"
contents=$(dpkg-deb --contents "$deb")
for path in './usr/games/trivello -> ../lib/trivello/Trivello/trivello' \
            ./usr/lib/trivello/Trivello/Contents/Resources/data/eng.ini \
            ./usr/share/applications/org.trivello.Trivello.desktop; do
  grep -qF " $path" <<<"$contents" || { echo "make_deb: $path is not in the package" >&2; exit 1; }
done
# lintian: errors and warnings fail; what the package does on purpose is
# explained in packaging/lintian-overrides, which it carries.
lintian --fail-on error,warning --display-info "$deb"
# The packaged game, unpacked, started from its desktop entry by a player who
# cannot write it, keeps its settings in the config folder.
/usr/bin/python3 tests/e2e/install_test.py "$deb" "$dir/e2e-install"
echo "package: $deb"
