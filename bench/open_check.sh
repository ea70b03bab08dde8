#!/usr/bin/env bash
# Times the check every command makes of a company's file before writing to it, on a register
# of N generated assets (default 1,000,000), beside a bare read of the same file.
#   bench/open_check.sh build/release/actifix [N]
set -euo pipefail
actifix=$(realpath "$1")
n=${2:-1000000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$actifix" --data "$work" company create 01 --year 01/01/2026 31/12/2026 >/dev/null
"$actifix" --data "$work" generate --assets "$n"
db="$work/01Actifix.db"
seconds() { local s e; s=$(date +%s.%N); "$@" >/dev/null; e=$(date +%s.%N); echo "$s $e" | awk '{printf "%.3f", $2 - $1}'; }
cat "$db" >/dev/null  # into the system's cache, as for any command run after another
bare=$(seconds cat "$db")
check=$(seconds "$actifix" --data "$work" company list)
echo "file of $(du -m "$db" | cut -f1) MB for $n assets"
awk -v b="$bare" -v c="$check" \
  'BEGIN { printf "bare read %.3f s, company list (checks the file) %.3f s, ratio %.1f\n", b, c, c / b }'
