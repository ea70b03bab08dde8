#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang (address and undefined-behaviour sanitizers)
# in build/fuzz and runs each for ACTIFIX_FUZZ_SECONDS seconds (default 60), starting from its
# committed corpus. New inputs found go to build/fuzz/corpus, never into the source tree; a
# crash, hang or sanitizer report stops the script with the input saved in build/fuzz.
#   scripts/fuzz.sh [target...]    all targets when none is named
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

seconds="${ACTIFIX_FUZZ_SECONDS:-60}"
dir=build/fuzz
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(bracket_list typed_value script records)

cmake -S fuzz -B "$dir" -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$dir" -j"$(nproc)" --target "${targets[@]/#/fuzz_}"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
for target in "${targets[@]}"; do
  work="$dir/corpus/$target"
  mkdir -p "$work" "$dir/findings/$target"
  echo "== $target : ${seconds} s"
  # -timeout: an input that takes more than 10 s is a hang; -rss_limit_mb bounds memory.
  "$dir/fuzz_$target" "$work" "fuzz/corpus/$target" -max_total_time="$seconds" -timeout=10 \
    -rss_limit_mb=2048 -max_len=4096 -print_final_stats=1 \
    -artifact_prefix="$dir/findings/$target/" 2>"$dir/$target.log" ||
    { tail -n 40 "$dir/$target.log"; echo "Le fuzzing de $target a trouvé une erreur (voir $dir/findings/$target)." >&2; exit 1; }
  grep -E '^stat::(number_of_executed_units|average_exec_per_sec|new_units_added|peak_rss_mb)' \
    "$dir/$target.log" || true
done
