#!/usr/bin/env bash
# Formats the C++ sources (inc/ srcs/ game/ server/ tests/ bench/ fuzz/) with
# clang-format and the project's .clang-format.
#   tools/format.sh           rewrites every file that differs, in place
#   tools/format.sh --check   changes nothing; lists the files that differ
#                             and exits with 1 when there is any
# CLANG_FORMAT names another clang-format program (default clang-format).
set -euo pipefail
cd "$(dirname "$0")/.."
check=0
case "${1:-}" in
  --check) check=1 ;;
  "") ;;
  *) echo "usage: tools/format.sh [--check]" >&2; exit 2 ;;
esac
clang_format=${CLANG_FORMAT:-clang-format}
command -v "$clang_format" >/dev/null ||
  { echo "format: $clang_format not found (Debian package clang-format)" >&2; exit 2; }

mapfile -d '' files < <(find inc srcs game server tests bench fuzz -type f \
  \( -name '*.cpp' -o -name '*.h' -o -name '*.c' -o -name '*.cc' -o -name '*.hpp' \) -print0 | sort -z)
if [ "$check" -eq 0 ]; then
  "$clang_format" -i --style=file "${files[@]}"
  exit 0
fi
# One clang-format run over every file; it warns at each place a file differs.
differ=$("$clang_format" --style=file --dry-run "${files[@]}" 2>&1 |
  sed -n 's/^\(.*\):[0-9]*:[0-9]*: warning: code should be clang-formatted.*/\1/p' | sort -u) ||
  { echo "format: $clang_format failed" >&2; exit 2; }
if [ -n "$differ" ]; then
  echo "$differ"
  echo "format: the files above differ from .clang-format (run tools/format.sh)" >&2
  exit 1
fi
