#!/usr/bin/env bash
# Times a scripted run of N account creations on the chart-of-accounts screen (default
# 10,000), with its edition printed as text, JSON lines and PDF, and prints the time per pass;
# --tsv prints the line of bench/run.sh instead.
#   bench/entpci_passes.sh [--tsv] build/release/actifix [N]
set -euo pipefail
source "$(dirname "$0")/measure.sh"
bench_arguments 10000 "$@"
{
  echo "LINTANA = []"
  echo "COMPTA = O"
  for ((i = 0; i < n; i++)); do
    echo "NOCPTCG = $((400000 + i))"
    echo "NOMCPTCG = Compte numero $i"
  done
  echo "NOCPTCG ="
} >"$work/script.txt"
"$actifix" --data "$work/data" company create 01 --year 01/01/2026 31/12/2026 >/dev/null
measure "$actifix" --data "$work/data" run EntPCI --script "$work/script.txt" \
  --transcript "$work/transcript.txt" --out "$work/editions"
if [ "$tsv" = 1 ]; then
  tsv_line "EntPCI passes, edition printed" "$n" "$MEASURED_SECONDS" - - "$MEASURED_PEAK_MB"
  exit 0
fi
awk -v t="$MEASURED_SECONDS" -v n="$n" -v peak="$MEASURED_PEAK_MB" \
  'BEGIN { printf "%d passes in %.2f s: %.1f us per screen pass (edition included), peak %s MB\n", n, t, t * 1e6 / n, peak }'
