#!/usr/bin/env bash
# Runs a command beside a private PostgreSQL 15: a new cluster in a temporary
# folder, reachable only on a Unix socket in that folder (no TCP port), run
# as an ordinary user (as root: as $TRIVELLO_PG_OS_USER, by default nobody).
# The cluster is stopped and the folder removed when the command ends,
# whether it passed, failed or was interrupted; should this script itself be
# killed outright, a watcher stops the cluster soon after.
#
#   tools/with_postgres.sh COMMAND [ARGS...]
#
# The command sees:
#   TRIVELLO_PG      a libpq connection string for the database "postgres"
#                    (superuser trivello, no password)
#   TRIVELLO_PG_CTL  pg_ctl for that cluster, as its user; add "stop -m fast"
#                    or "start"
# TRIVELLO_PG_FSYNC=on makes commits wait for the disk as in production (the
# default, off, is for tests: a stopped or killed server still keeps every
# commit, only a crash of the whole machine would lose some).
set -euo pipefail
bin=${TRIVELLO_PG_BIN:-/usr/lib/postgresql/15/bin}
if [ ! -x "$bin/initdb" ]; then
  echo "with_postgres: no PostgreSQL in $bin (Debian package postgresql; tools/setup-deps.sh installs it)" >&2
  exit 1
fi
[ $# -gt 0 ] || { echo "usage: with_postgres.sh COMMAND [ARGS...]" >&2; exit 2; }

dir=$(mktemp -d "${TMPDIR:-/tmp}/trivello-pg.XXXXXX")
as=()
if [ "$(id -u)" -eq 0 ]; then
  user=${TRIVELLO_PG_OS_USER:-nobody}
  chown "$user" "$dir"
  as=(runuser -u "$user" --)
fi
ctl="${as[*]} $bin/pg_ctl -D $dir/data -l $dir/server.log -w"

cleanup() {
  $ctl stop -m fast >/dev/null 2>&1 || $ctl stop -m immediate >/dev/null 2>&1 || true
  rm -rf "$dir"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

if ! "${as[@]}" "$bin/initdb" -D "$dir/data" -U trivello -A trust -E UTF8 --no-sync >"$dir/initdb.log" 2>&1; then
  cat "$dir/initdb.log" >&2
  exit 1
fi
cat >>"$dir/data/postgresql.conf" <<CONF
listen_addresses = ''
unix_socket_directories = '$dir'
fsync = ${TRIVELLO_PG_FSYNC:-off}
max_connections = 120
CONF
if ! $ctl start >/dev/null; then
  cat "$dir/server.log" >&2
  exit 1
fi

# The watcher: when this script is gone without cleaning up (killed with
# SIGKILL), stop the cluster. Its output goes nowhere, so that nothing waits
# for it to end.
parent=$$
(
  while kill -0 "$parent" 2>/dev/null; do sleep 1; done
  if [ -d "$dir/data" ]; then
    $ctl stop -m immediate || true
    rm -rf "$dir"
  fi
) </dev/null >/dev/null 2>&1 &

export TRIVELLO_PG="host=$dir user=trivello dbname=postgres"
export TRIVELLO_PG_CTL="$ctl"
status=0
"$@" || status=$?
if [ "$status" -ne 0 ] && [ -s "$dir/server.log" ]; then
  echo "--- PostgreSQL log (last lines) ---" >&2
  tail -n 20 "$dir/server.log" >&2
fi
exit "$status"
