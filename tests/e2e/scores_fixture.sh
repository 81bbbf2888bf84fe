# Score server fixture for end-to-end tests (source it from bash):
#
#   source tests/e2e/scores_fixture.sh
#   scores_start TRIVELLO_SCORES_BINARY WORK_FOLDER [PORT]   # PORT 0 or none: a free one
#   ...                                  # $SCORES_BASE is http://127.0.0.1:PORT/highscores/trivello
#   scores_expect PATH REPLY             # the reply to $SCORES_BASE/PATH, ISO-8859-1 bytes
#   scores_expect_page_row NAME_UTF8_ESCAPED SCORE   # checked in headless Chromium, screenshot page.png
#   scores_stop                              # SIGTERM; fails unless it stops cleanly
#
# The server listens on 127.0.0.1 only, over WORK_FOLDER/scores.sqlite, and is
# killed when the sourcing shell exits.

SCORES_PID=""
SCORES_WORK=""
SCORES_BASE=""

scores_fail() { echo "FAIL: $*" >&2; exit 1; }

scores_cleanup() { if [ -n "$SCORES_PID" ]; then kill "$SCORES_PID" 2>/dev/null || true; fi; }
trap scores_cleanup EXIT

# Starts the server and waits for its "listening on" line, which names the port.
scores_start() {
  SCORES_WORK=$2
  mkdir -p "$SCORES_WORK"
  : > "$SCORES_WORK/server.out"  # no stale line of an earlier start
  "$1" --address 127.0.0.1 --port "${3:-0}" --db "$SCORES_WORK/scores.sqlite" > "$SCORES_WORK/server.out" 2>&1 &
  SCORES_PID=$!
  local bound=""
  for _ in $(seq 1 200); do
    bound=$(sed -n 's|.*listening on http://127\.0\.0\.1:\([0-9]*\).*|\1|p' "$SCORES_WORK/server.out")
    [ -z "$bound" ] || break
    kill -0 "$SCORES_PID" 2>/dev/null || scores_fail "server did not start: $(cat "$SCORES_WORK/server.out")"
    sleep 0.05
  done
  [ -n "$bound" ] || scores_fail "no port in: $(cat "$SCORES_WORK/server.out")"
  SCORES_BASE="http://127.0.0.1:$bound/highscores/trivello"
}

# The server's reply to PATH must be exactly REPLY.
scores_expect() {
  local got
  got=$(curl -s "$SCORES_BASE/$1")
  [ "$got" = "$2" ] || scores_fail "$1 gives '$got', expected '$2'"
}

# The web page, loaded in headless Chromium, must hold a row with the name
# (as the DOM shows it: UTF-8, HTML-escaped) and the score, and no script.
scores_expect_page_row() {
  local chrome=(chromium --headless --no-sandbox --disable-gpu --no-first-run
                --user-data-dir="$SCORES_WORK/chrome" --window-size=800,600)
  "${chrome[@]}" --dump-dom "$SCORES_BASE/" > "$SCORES_WORK/page.dom" 2> "$SCORES_WORK/chrome.log" ||
    scores_fail "chromium: $(tail -5 "$SCORES_WORK/chrome.log")"
  grep -qF "<td class=\"name\">$1</td><td class=\"score\">$2</td>" "$SCORES_WORK/page.dom" ||
    scores_fail "no row '$1' $2 in: $(cat "$SCORES_WORK/page.dom")"
  ! grep -q '<script' "$SCORES_WORK/page.dom" || scores_fail "a script element reached the page"
  "${chrome[@]}" --screenshot="$SCORES_WORK/page.png" "$SCORES_BASE/" 2>> "$SCORES_WORK/chrome.log" &&
    [ -s "$SCORES_WORK/page.png" ] || scores_fail "no screenshot"
}

# Stops the server with SIGTERM; it must exit 0 after saying it stopped.
scores_stop() {
  kill -TERM "$SCORES_PID"
  local rc=0
  wait "$SCORES_PID" || rc=$?
  SCORES_PID=""
  [ "$rc" = 0 ] || scores_fail "server exited with $rc on SIGTERM"
  grep -q "stopped" "$SCORES_WORK/server.out" || scores_fail "no clean stop"
}
