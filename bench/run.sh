#!/usr/bin/env bash
# Runs every benchmark of the project on registers of N assets (default 100,000) and prints
# one table: each operation, its size, its time, the baseline measured in the same run, their
# ratio and the operation's peak memory ("-" where not measured). The screen benchmarks keep
# their own counts of passes (1,000 cards, 10,000 accounts). Builds the Release benchmarks
# first when needed. A slow machine never makes it fail: these are measures, not tests.
#   bash bench/run.sh [--size N]
set -uo pipefail
cd "$(dirname "$0")/.."

size=100000
while [ $# -gt 0 ]; do
  case "$1" in
    --size)
      size=${2:-}
      shift 2 || true
      ;;
    *)
      echo "usage: bash bench/run.sh [--size N]" >&2
      exit 2
      ;;
  esac
done
if ! [[ "$size" =~ ^[1-9][0-9]*$ ]]; then
  echo "usage: bash bench/run.sh [--size N]" >&2
  exit 2
fi

build=build/release
# Configured once; again when an earlier configuration left the benchmarks out.
if ! grep -q '^ACTIFIX_BENCH:BOOL=ON' "$build/CMakeCache.txt" 2>/dev/null; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DACTIFIX_BENCH=ON >&2 || exit 1
fi
cmake --build "$build" -j2 --target actifix bench_store_bench bench_depreciation_bench \
  bench_editions_bench bench_yearend_bench >&2 || exit 1
actifix="$build/actifix"
benches="$build/bench"

rows=$(mktemp)
trap 'rm -f "$rows"' EXIT
failed=0
# bench NAME CMD...: appends the command's lines to the table; a failure is told, not fatal.
bench() {
  local name=$1
  shift
  echo "running $name..." >&2
  if ! "$@" >>"$rows"; then
    echo "$name failed" >&2
    failed=1
  fi
}
bench store "$benches/bench_store_bench" --tsv "$size"
bench depreciation "$benches/bench_depreciation_bench" --tsv --size "$size"
bench open_check bash bench/open_check.sh --tsv "$actifix" "$size"
bench import_lines bash bench/import_lines.sh --tsv "$actifix" "$(( size < 150000 ? size : 150000 ))"
bench editions "$benches/bench_editions_bench" --tsv "$size"
bench yearend "$benches/bench_yearend_bench" --tsv "$size"
bench entimo_cards bash bench/entimo_cards.sh --tsv "$actifix" 1000
bench entpci_passes bash bench/entpci_passes.sh --tsv "$actifix" 10000

echo "date: $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "machine: $(nproc) cores, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)," \
  "$(free -h | awk '/^Mem:/ {print $2}') of memory"
echo
awk -F'\t' '
  function ratio(s, b) { return (b == "-" || b + 0 == 0) ? "-" : sprintf("%.2f", s / b) }
  {
    n++
    cell[n, 1] = $1; cell[n, 2] = $2; cell[n, 3] = sprintf("%.3f", $3); cell[n, 4] = $4
    cell[n, 5] = $5 == "-" ? "-" : sprintf("%.3f", $5); cell[n, 6] = ratio($3, $5); cell[n, 7] = $6
  }
  END {
    split("operation|size|seconds|baseline|baseline s|ratio|peak MB", head, "|")
    for (c = 1; c <= 7; c++) { cell[0, c] = head[c]; width[c] = length(head[c]) }
    for (r = 1; r <= n; r++)
      for (c = 1; c <= 7; c++) if (length(cell[r, c]) > width[c]) width[c] = length(cell[r, c])
    for (r = 0; r <= n; r++) {
      line = ""
      for (c = 1; c <= 7; c++) {
        left = c == 1 || c == 4
        line = line (c > 1 ? "  " : "") sprintf("%" (left ? "-" : "") width[c] "s", cell[r, c])
      }
      sub(/ +$/, "", line)
      print line
    }
  }' "$rows"
exit "$failed"
