#!/usr/bin/env bash
# The score server end to end: the real trivello-scores on a free loopback
# port over a fresh database gets a hostile name with an accent; the game's
# top-ten reply and the web page in headless Chromium (screenshot page.png in
# the work folder) show it; SIGTERM stops the server cleanly and a restart
# still has the scores.
#
#   scores_server_e2e.sh TRIVELLO_SCORES_BINARY WORK_FOLDER
set -euo pipefail
source "$(dirname "$0")/scores_fixture.sh"
rm -rf "$2"
scores_start "$1" "$2"

# "<script>é Ann" in ISO-8859-1, percent-encoded as the game sends it
scores_expect "scoresubmit.php?name=%3Cscript%3E%E9%20Ann&score=4300" ok
scores_expect "scoresubmit.php?name=Bob&score=900" ok
scores_expect "ishighscore.php?subscore=950" yes
[ "$(curl -s -o /dev/null -w '%{http_code}' "$SCORES_BASE/shown.php?x=1&x=2")" = 400 ] || scores_fail "repeated parameter"
top_ten=$(printf '<script>\xe9 Ann,4300,Bob,900')
scores_expect shown.php "$top_ten"
scores_expect_page_row '&lt;script&gt;é Ann' 4300

scores_stop
scores_start "$1" "$2"
scores_expect shown.php "$top_ten"
scores_stop
echo "scores server end to end: all checks hold (screenshot $2/page.png)"
