#!/usr/bin/env bash
# The score server end to end: starts the real trivello-scores on a free
# loopback port over a fresh database, submits a hostile name with an accent,
# checks the game's top-ten reply, loads the web page in headless Chromium
# (text and a screenshot, page.png in the work folder), then stops the server
# with SIGTERM and checks that a restart still has the score.
#
#   scores_server_e2e.sh TRIVELLO_SCORES_BINARY WORK_FOLDER
set -euo pipefail
server_bin=$1
work=$2
rm -rf "$work"
mkdir -p "$work"
db="$work/scores.sqlite"
pid=""
cleanup() { if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; fi; }
trap cleanup EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

# Starts the server on a free port; sets pid and base.
start_server() {
  : > "$work/server.out"
  "$server_bin" --address 127.0.0.1 --port 0 --db "$db" > "$work/server.out" 2>&1 &
  pid=$!
  for _ in $(seq 1 200); do
    if grep -q "listening on" "$work/server.out"; then break; fi
    kill -0 "$pid" 2>/dev/null || fail "server did not start: $(cat "$work/server.out")"
    sleep 0.05
  done
  port=$(grep -o '127\.0\.0\.1:[0-9]*' "$work/server.out" | head -1 | cut -d: -f2)
  [ -n "$port" ] || fail "no port in: $(cat "$work/server.out")"
  base="http://127.0.0.1:$port/highscores/trivello"
}

start_server
# "<script>é Ann" in ISO-8859-1, percent-encoded as the game sends it
[ "$(curl -s "$base/scoresubmit.php?name=%3Cscript%3E%E9%20Ann&score=4321")" = ok ] || fail "submit"
[ "$(curl -s "$base/scoresubmit.php?name=Bob&score=900")" = ok ] || fail "second submit"
expected=$(printf '<script>\xe9 Ann,4321,Bob,900')
[ "$(curl -s "$base/shown.php")" = "$expected" ] || fail "top ten reply: $(curl -s "$base/shown.php" | od -c | head)"
[ "$(curl -s -o /dev/null -w '%{http_code}' "$base/shown.php?x=1&x=2")" = 400 ] || fail "repeated parameter"

# The page in a real browser: its text, and no script from the name ran.
chrome=(chromium --headless --no-sandbox --disable-gpu --no-first-run --user-data-dir="$work/chrome"
        --window-size=800,600)
"${chrome[@]}" --dump-dom "$base/" > "$work/page.dom" 2> "$work/chrome.log" || fail "chromium: $(tail -5 "$work/chrome.log")"
grep -q '<td class="name">&lt;script&gt;é Ann</td>' "$work/page.dom" || fail "page text: $(cat "$work/page.dom")"
grep -q '<td class="score">4321</td>' "$work/page.dom" || fail "page score"
[ "$(grep -c '<script' "$work/page.dom" || true)" = 0 ] || fail "a script element reached the page"
"${chrome[@]}" --screenshot="$work/page.png" "$base/" 2>> "$work/chrome.log" || fail "screenshot"
[ -s "$work/page.png" ] || fail "no screenshot"

# SIGTERM stops it cleanly; what it acknowledged is still there after a restart.
kill -TERM "$pid"
wait "$pid" || fail "server exited with $? on SIGTERM"
pid=""
grep -q "stopped" "$work/server.out" || fail "no clean stop"
start_server
[ "$(curl -s "$base/shown.php")" = "$expected" ] || fail "scores lost across a restart"
echo "scores server end to end: all checks hold (screenshot $work/page.png)"
