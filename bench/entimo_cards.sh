#!/usr/bin/env bash
# Times N scripted asset-card creations (default 1,000) with their printed cards (text, JSON
# lines and PDF), beside N scripted account creations on the chart-of-accounts screen in the
# same run, and prints the time per card, per screen pass and their ratio; --tsv prints the
# line of bench/run.sh instead.
#   bench/entimo_cards.sh [--tsv] build/release/actifix [N]
set -euo pipefail
source "$(dirname "$0")/measure.sh"
bench_arguments 1000 "$@"
run() { "$actifix" --data "$work/data" --company 01 "$@"; }
run company create 01 --year 01/01/2026 31/12/2026 >/dev/null
run generate --assets 1 >/dev/null  # a nature (MOB), accounts and analytic codes
{
  echo "CONF"
  for ((i = 0; i < n; i++)); do
    echo "CODNATI = MOB"
    echo "NUMNATI"
    echo "DATACQ = $(printf '%02d/%02d/20%02d' $((i % 28 + 1)) $((i % 12 + 1)) $((i % 20 + 6)))"
    echo "NOMFRN = Fournisseur $i"
    echo "DESCRI = Machine $i"
    echo "REMIMO"
    echo "DATCES"
    echo "1 = ADM"
    echo "2 = AT1"
    echo "VALACQ = $((1000 + i * 7)).50"
    echo "MODAMO = $([ $((i % 3)) -eq 0 ] && echo D || echo L)"
    echo "TAUX = 20"
    [ $((i % 20 + 6)) -lt 26 ] && echo "CUMAMO"
    echo "DOTAMO"
  done
  echo "CODNATI ="
} >"$work/cards.txt"
{
  for ((i = 0; i < n; i++)); do
    echo "NOCPTCG = $((400000 + i))"
    echo "NOMCPTCG = Compte numero $i"
  done
  echo "NOCPTCG ="
} >"$work/accounts.txt"
measure "$actifix" --data "$work/data" --company 01 run EntImo --script "$work/cards.txt" \
  --transcript "$work/t1.txt" --out "$work/e1"
cards=$MEASURED_SECONDS cardsPeak=$MEASURED_PEAK_MB
measure "$actifix" --data "$work/data" --company 01 run EntPCI --script "$work/accounts.txt" \
  --transcript "$work/t2.txt" --out "$work/e2"
passes=$MEASURED_SECONDS
if [ "$tsv" = 1 ]; then
  tsv_line "EntImo cards, each printed" "$n" "$cards" "EntPCI passes" "$passes" "$cardsPeak"
  exit 0
fi
pages=$(pdfinfo "$work"/e1/*FICHE*.pdf 2>/dev/null | awk '/^Pages/ {print $2}')
awk -v c="$cards" -v p="$passes" -v n="$n" -v pages="${pages:-?}" -v peak="$cardsPeak" 'BEGIN {
  printf "%d cards in %.2f s: %.2f ms per card, printed (one document of %s pages), peak %s MB\n", n, c, c * 1000 / n, pages, peak
  printf "%d account passes in %.2f s: %.3f ms per pass; ratio card / pass %.1f\n", n, p, p * 1000 / n, c / p }'
