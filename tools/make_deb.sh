#!/usr/bin/env bash
# Builds the two Debian packages of Trivello with Debian's build flags
# (hardening, optimisation), installed under /usr, in build-deb/deb/:
#   trivello_<version>_<arch>.deb         the game (section games), its launcher
#                                         in /usr/games as Debian's games have it
#   trivello-scores_<version>_<arch>.deb  the score server (section net), its
#                                         manual page and systemd unit
# then checks them: the desktop entry, the AppStream metadata and the systemd
# unit with their validators, each package's contents, lintian on both, the
# unpacked game played end to end (tests/e2e/install_test.py) and the unpacked
# server run end to end on loopback (tests/e2e/scores_server_e2e.sh).
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
game_deb=$(realpath "$(ls "$dir"/deb/trivello_*.deb)")
scores_deb=$(realpath "$(ls "$dir"/deb/trivello-scores_*.deb)")

desktop-file-validate packaging/org.trivello.Trivello.desktop
appstreamcli validate --no-net "$dir/packaging/org.trivello.Trivello.metainfo.xml"
scores_root=$(realpath -m "$dir/deb-scores-root")
rm -rf "$scores_root" "$dir/unit-check"
dpkg-deb -x "$scores_deb" "$scores_root"
# The packaged unit, pointed at the unpacked server, as systemd would read it.
mkdir -p "$dir/unit-check"
sed "s#^ExecStart=/usr/bin/trivello-scores #ExecStart=$scores_root/usr/bin/trivello-scores #" \
    "$scores_root/usr/lib/systemd/system/trivello-scores.service" > "$dir/unit-check/trivello-scores.service"
grep -q "^ExecStart=$scores_root/" "$dir/unit-check/trivello-scores.service" ||
  { echo "make_deb: the unit does not start /usr/bin/trivello-scores" >&2; exit 1; }
systemd-analyze verify --man=no "$dir/unit-check/trivello-scores.service"

# Each package holds its own files and none of the other's: both install
# side by side, and the game's section (games) has nothing in /usr/bin.
expect_in() {  # PACKAGE PATH...
  local deb=$1 contents path
  shift
  contents=$(dpkg-deb --contents "$deb")
  for path in "$@"; do
    grep -qF " $path" <<<"$contents" || { echo "make_deb: $path is not in $(basename "$deb")" >&2; exit 1; }
  done
}
for deb in "$game_deb" "$scores_deb"; do dpkg-deb --field "$deb"; echo; done
expect_in "$game_deb" './usr/games/trivello -> ../lib/trivello/Trivello/trivello' \
          ./usr/lib/trivello/Trivello/Contents/Resources/data/eng.ini \
          ./usr/share/applications/org.trivello.Trivello.desktop \
          ./usr/share/man/man6/trivello.6.gz ./usr/share/doc/trivello/copyright
expect_in "$scores_deb" ./usr/bin/trivello-scores ./usr/share/man/man1/trivello-scores.1.gz \
          ./usr/lib/systemd/system/trivello-scores.service ./usr/share/doc/trivello-scores/copyright
files() { dpkg-deb --contents "$1" | awk '$1 !~ /^d/ {print $6}' | sort; }
shared=$(comm -12 <(files "$game_deb") <(files "$scores_deb"))
[ -z "$shared" ] || { echo "make_deb: in both packages: $shared" >&2; exit 1; }
if files "$game_deb" | grep -q '^\./usr/s\?bin/'; then
  echo "make_deb: the game package has programs outside /usr/games" >&2; exit 1
fi

# lintian: errors and warnings fail; what the game package does on purpose is
# explained in packaging/lintian-overrides, which it carries.
lintian --fail-on error,warning --display-info "$game_deb" "$scores_deb"
# The packaged game, unpacked, started from its desktop entry by a player who
# cannot write it, keeps its settings in the config folder.
/usr/bin/python3 tests/e2e/install_test.py "$game_deb" "$dir/e2e-install"
# The packaged server, unpacked, stores, serves and stops on loopback.
bash tests/e2e/scores_server_e2e.sh "$scores_root/usr/bin/trivello-scores" "$dir/e2e-scores"
echo "packages: $game_deb $scores_deb"
