#!/usr/bin/env bash
# The program on both stores in one run: for each size N (default 100,000 and 1,000,000), a
# company made in a directory (SQLite) and one on a throw-away PostgreSQL server made and
# removed here, then on each in turn, through `actifix` as a user runs it:
#   generate --assets N; EditImo in full (text and JSON lines) and in RECAPSEULE (all seven
#   natures); ImmoExcel (the export, whose CSV must be the same bytes on both stores, and
#   again after OuvImo);
#   200 asset cards saved one by one on the screen (each printed, text and JSON lines): the
#   time of a save; OuvImo (the year opening, its backup included) once the year is changed.
# Prints, per size, each operation's time on SQLite and on PostgreSQL and their ratio, with
# the load average before and after.
#   bash bench/pg_compare.sh [ACTIFIX] [N...]     (default build/rel/actifix, built if missing)
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/measure.sh

actifix=${1:-build/rel/actifix}
shift || true
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(100000 1000000)
if [ ! -x "$actifix" ]; then
  build=$(dirname "$actifix")
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DACTIFIX_BENCH=ON >/dev/null
  cmake --build "$build" -j2 --target actifix >/dev/null
fi
actifix=$(realpath "$actifix")

work=$(mktemp -d /tmp/actifix-pg-compare-XXXXXX)
server=$(mktemp -d /tmp/actifix-pg-server-XXXXXX)  # apart: the server's user must reach it
trap 'bash scripts/pg_cluster.sh stop "$server"; rm -rf "$work"' EXIT
# Memory for the server's cache as SQLite has the system's file cache: a register of a
# million assets is about 1 GB of tables and indexes.
uri=$(ACTIFIX_PG_OPTIONS="-c shared_buffers=2GB" bash scripts/pg_cluster.sh start "$server")

# The answers of EditImo: current year, sorted by nature, every nature marked.
editimo() {
  printf 'CHOOSE 1\nDATDEB\nDATFIN\nDATDEBA\nDATFINA\nRECAPSEULE = %s\n0 = 1\n1 =\n2 =\nMARK 1,2,3,4,5,6,7\n' "$1"
}
editimo N >"$work/full.txt"
editimo O >"$work/recap.txt"
printf 'CONFIRM yes\n' >"$work/open.txt"
cards=200
{
  echo "CONF"
  for ((i = 0; i < cards; i++)); do
    printf 'CODNATI = MOB\nNUMNATI\nDATACQ = %02d/%02d/2026\nNOMFRN = Fournisseur %d\n' \
      $((i % 28 + 1)) $((i % 12 + 1)) "$i"
    printf 'DESCRI = Machine %d\nREMIMO\nDATCES\n1 = ADM\n2 = AT1\nVALACQ = %d.50\n' "$i" $((1000 + i * 7))
    printf 'MODAMO = L\nTAUX = 20\nDOTAMO\n'
  done
  echo "CODNATI ="
} >"$work/cards.txt"

declare -A secs
# store NAME DATA N CODE: runs every operation on company CODE of the store whose --data is DATA.
store() {
  local name=$1 data=$2 n=$3 code=$4 out="$work/$1-out"
  mkdir -p "$out"
  export ACTIFIX_OUT="$out/files"  # the text files of a company on a server
  local csv="$out/files/${code}Immo.csv"
  [ "$name" = pg ] || csv="$data/${code}Immo.csv"
  local run=("$actifix" --data "$data" --company "$code")
  "${run[@]}" company create "$code" --year 01/01/2026 31/12/2026 >/dev/null
  measure "${run[@]}" generate --assets "$n"
  secs[$name generate]=$MEASURED_SECONDS
  measure "${run[@]}" run EditImo --script "$work/full.txt" --transcript "$out/t" --out "$out/full" --no-pdf
  secs[$name full]=$MEASURED_SECONDS
  measure "${run[@]}" run EditImo --script "$work/recap.txt" --transcript "$out/t" --out "$out/recap" --no-pdf
  secs[$name recap]=$MEASURED_SECONDS
  measure "${run[@]}" run ImmoExcel --script /dev/null --transcript "$out/t" --out "$out/e" --no-pdf
  secs[$name excel]=$MEASURED_SECONDS
  cp "$csv" "$out/export.csv"
  measure "${run[@]}" run EntImo --script "$work/cards.txt" --transcript "$out/t" --out "$out/cards" --no-pdf
  secs[$name card]=$(awk -v s="$MEASURED_SECONDS" -v n="$cards" 'BEGIN { printf "%.4f", s * 1000 / n }')
  "${run[@]}" company year "$code" 01/01/2027 31/12/2027 >/dev/null
  MEASURE_MAY_FAIL=1 measure "${run[@]}" run OuvImo --script "$work/open.txt" --transcript "$out/t" --out "$out/o" \
    --no-pdf 2>"$out/open.err"
  if [ "$MEASURED_STATUS" = 0 ]; then
    secs[$name open]=$MEASURED_SECONDS
    "${run[@]}" run ImmoExcel --script /dev/null --transcript "$out/t" --out "$out/e" --no-pdf >/dev/null
    cp "$csv" "$out/opened.csv"
  else
    secs[$name open]=-
    echo "OuvImo on $name not measured: $(tail -1 "$out/open.err")" >&2
  fi
  unset ACTIFIX_OUT
}

echo "date: $(date -u '+%Y-%m-%d %H:%M UTC'); machine: $(nproc) cores," \
  "$(free -h | awk '/^Mem:/ {print $2}') of memory; PostgreSQL on a local socket"
printf '%-50s %9s %9s %11s %7s\n' operation size SQLite PostgreSQL ratio
round=0
for n in "${sizes[@]}"; do
  load=$(cut -d' ' -f1-3 /proc/loadavg)
  code=B$((++round))  # a company of its own on the server for each size
  rm -rf "$work/sqlite" "$work/sqlite-out" "$work/pg-out"
  store sqlite "$work/sqlite" "$n" "$code"
  store pg "$uri" "$n" "$code"
  same=no opened=no
  cmp -s "$work/sqlite-out/export.csv" "$work/pg-out/export.csv" && same=yes
  cmp -s "$work/sqlite-out/opened.csv" "$work/pg-out/opened.csv" && opened=yes
  for op in generate full recap excel card open; do
    case $op in
      generate) label="generate" ;;
      full) label="EditImo full (text + JSON lines)" ;;
      recap) label="EditImo RECAPSEULE" ;;
      excel) label="ImmoExcel (export, same bytes: $same)" ;;
      card) label="EntImo card saved and printed (ms)" ;;
      open) label="OuvImo with its backup (same export: $opened)" ;;
    esac
    a=${secs[sqlite $op]} b=${secs[pg $op]}
    awk -v l="$label" -v n="$n" -v a="$a" -v b="$b" 'BEGIN {
      if (b == "-") printf "%-50s %9d %9.3f %11s %7s\n", l, n, a, "not measured", "-"
      else printf "%-50s %9d %9.3f %11.3f %6.2fx\n", l, n, a, b, b / a }'
  done
  echo "load average before: $load; after: $(cut -d' ' -f1-3 /proc/loadavg)"
done
