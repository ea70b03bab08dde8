# Shared by the benchmark scripts (sourced): timing a command with its peak memory, and the
# machine-readable line that bench/run.sh gathers.

# measure CMD...: runs CMD with its output thrown away; sets MEASURED_SECONDS and
# MEASURED_PEAK_MB (its peak resident memory, "-" without /usr/bin/time) and MEASURED_STATUS
# (its exit status).
measure() {
  local start end peak
  peak=$(mktemp)
  start=$(date +%s.%N)
  if [ -x /usr/bin/time ]; then
    MEASURED_STATUS=0
    /usr/bin/time -q -f %M -o "$peak" "$@" >/dev/null || MEASURED_STATUS=$?
  else
    MEASURED_STATUS=0
    "$@" >/dev/null || MEASURED_STATUS=$?
  fi
  end=$(date +%s.%N)
  MEASURED_SECONDS=$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.4f", e - s }')
  MEASURED_PEAK_MB=$(awk '/^[0-9]+$/ { mb = sprintf("%.0f", $1 / 1024) } END { print mb == "" ? "-" : mb }' "$peak")
  rm -f "$peak"
  # A failure stops the caller (under set -e) unless it sets MEASURE_MAY_FAIL.
  [ "$MEASURED_STATUS" = 0 ] || [ -n "${MEASURE_MAY_FAIL:-}" ] || return "$MEASURED_STATUS"
}

# tsv_line OPERATION SIZE SECONDS BASELINE BASELINE_SECONDS PEAK_MB
tsv_line() { printf '%s\t%s\t%s\t%s\t%s\t%s\n' "$@"; }

# bench_arguments DEFAULT_N "$@": reads [--tsv] ACTIFIX [N]; sets tsv (0 or 1), actifix, n,
# and work, a temporary directory removed when the script ends.
bench_arguments() {
  local default=$1
  shift
  tsv=0
  if [ "${1:-}" = --tsv ]; then
    tsv=1
    shift
  fi
  actifix=$(realpath "$1")
  n=${2:-$default}
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
}
