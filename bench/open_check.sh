#!/usr/bin/env bash
# Times the openings of a company's file on a register of N generated assets (default
# 1,000,000), beside a bare read of the same file: `company list`, which reads the settings
# alone, and `company fiscal`, a command that writes and so first walks every page (quick
# check); then `company list` over a directory of 1,000 companies; and the generation itself.
# --tsv prints the lines of bench/run.sh instead.
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
list=$MEASURED_SECONDS listPeak=$MEASURED_PEAK_MB
measure "$actifix" --data "$work" company fiscal 01 --off
write=$MEASURED_SECONDS writePeak=$MEASURED_PEAK_MB
# A thousand companies, each with its parameters: the list opens every one.
many="$work/many"
digits=0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ
for i in $(seq 0 999); do
  code=${digits:$((i / 36)):1}${digits:$((i % 36)):1}
  "$actifix" --data "$many" company create "$code" --year 01/01/2026 31/12/2026 >/dev/null
done
measure "$actifix" --data "$many" company list
thousand=$MEASURED_SECONDS thousandPeak=$MEASURED_PEAK_MB
if [ "$tsv" = 1 ]; then
  tsv_line "generate" "$n" "$generate" - - "$generatePeak"
  tsv_line "company list, settings read" "$n" "$list" "bare read" "$bare" "$listPeak"
  tsv_line "opening to write, quick check" "$n" "$write" "bare read" "$bare" "$writePeak"
  tsv_line "company list of 1,000 companies" 1000 "$thousand" - - "$thousandPeak"
  exit 0
fi
echo "$n assets generated in $generate s, peak $generatePeak MB; file of $(du -m "$db" | cut -f1) MB"
awk -v b="$bare" -v l="$list" -v w="$write" -v t="$thousand" 'BEGIN {
  printf "bare read %.3f s; company list %.3f s (ratio %.2f); opening to write %.3f s (ratio %.1f)\n", b, l, l / b, w, w / b
  printf "company list of 1,000 companies: %.3f s\n", t }'
