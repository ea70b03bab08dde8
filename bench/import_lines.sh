#!/usr/bin/env bash
# Times `actifix import` of a register file of N lines (default 100,000; at most 150,000, so
# that the generator's natures need no second series), exported from a generated register,
# into a company that has the same natures and analytic codes: the check alone (--dry-run),
# then the whole import, beside the generation of as many assets; --tsv prints the lines of
# bench/run.sh instead.
#   bench/import_lines.sh [--tsv] build/release/actifix [N]
set -euo pipefail
source "$(dirname "$0")/measure.sh"
bench_arguments 100000 "$@"
data=(--data "$work")
"$actifix" "${data[@]}" company create 01 --year 01/01/2026 31/12/2026 >/dev/null
measure "$actifix" "${data[@]}" --company 01 generate --assets "$n"
generate=$MEASURED_SECONDS
printf '' >"$work/answers"
"$actifix" "${data[@]}" --company 01 run ImmoExcel --script "$work/answers" --out "$work/out" >/dev/null
# The target gets the natures and codes from a small register of its own; the imported order
# numbers are moved above it.
"$actifix" "${data[@]}" company create 02 --year 01/01/2026 31/12/2026 >/dev/null
"$actifix" "${data[@]}" --company 02 generate --assets 1000 >/dev/null
LC_ALL=C awk -F';' 'BEGIN { OFS = ";" } NR == 1 { print; next } { $2 = sprintf("%05d", $2 + 50000); print }' \
  "$work/01Immo.csv" >"$work/in.csv"
measure "$actifix" "${data[@]}" --company 02 import "$work/in.csv" --dry-run
check=$MEASURED_SECONDS checkPeak=$MEASURED_PEAK_MB
measure "$actifix" "${data[@]}" --company 02 import "$work/in.csv"
if [ "$tsv" = 1 ]; then
  tsv_line "import --dry-run" "$n" "$check" "generate" "$generate" "$checkPeak"
  tsv_line "import" "$n" "$MEASURED_SECONDS" "generate" "$generate" "$MEASURED_PEAK_MB"
  exit 0
fi
awk -v g="$generate" -v c="$check" -v i="$MEASURED_SECONDS" -v p="$MEASURED_PEAK_MB" -v n="$n" \
  'BEGIN { printf "%d lines: generate %.2f s, import --dry-run %.2f s, import %.2f s (peak %s MB)\n", n, g, c, i, p }'
