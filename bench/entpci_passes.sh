#!/usr/bin/env bash
# Times a scripted run of N account creations on the chart-of-accounts screen (default
# 10,000), with its edition printed as text, JSON lines and PDF, and prints the time per pass.
#   bench/entpci_passes.sh build/release/actifix [N]
set -euo pipefail
actifix=$(realpath "$1")
n=${2:-10000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
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
start=$(date +%s.%N)
"$actifix" --data "$work/data" run EntPCI --script "$work/script.txt" \
  --transcript "$work/transcript.txt" --out "$work/editions"
end=$(date +%s.%N)
awk -v s="$start" -v e="$end" -v n="$n" \
  'BEGIN { printf "%d passes in %.2f s: %.1f us per screen pass (edition included)\n", n, e - s, (e - s) * 1e6 / n }'
