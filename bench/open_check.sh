#!/usr/bin/env bash
# Times the check every command makes of a company's file before writing to it, on a register
# of N generated assets (default 1,000,000), beside a bare read of the same file, and the
# generation itself; --tsv prints the lines of bench/run.sh instead.
#   bench/open_check.sh [--tsv] build/release/actifix [N]
set -euo pipefail
source "$(dirname "$0")/measure.sh"
bench_arguments 1000000 "$@"
"$actifix" --data "$work" company create 01 --year 01/01/2026 31/12/2026 >/dev/null
measure "$actifix" --data "$work" generate --assets "$n"
generate=$MEASURED_SECONDS generatePeak=$MEASURED_PEAK_MB
db="$work/01Actifix.db"
cat "$db" >/dev/null  # into the system's cache, as for any command run after another
measure cat "$db"
bare=$MEASURED_SECONDS
measure "$actifix" --data "$work" company list
check=$MEASURED_SECONDS
if [ "$tsv" = 1 ]; then
  tsv_line "generate" "$n" "$generate" - - "$generatePeak"
  tsv_line "company list, file checked" "$n" "$check" "bare read" "$bare" "$MEASURED_PEAK_MB"
  exit 0
fi
echo "$n assets generated in $generate s, peak $generatePeak MB; file of $(du -m "$db" | cut -f1) MB"
awk -v b="$bare" -v c="$check" -v peak="$MEASURED_PEAK_MB" \
  'BEGIN { printf "bare read %.3f s, company list (checks the file) %.3f s, ratio %.1f, peak %s MB\n", b, c, c / b, peak }'
