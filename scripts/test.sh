#!/usr/bin/env bash
# Sets up the machine, checks that no include climbs a layer, builds Actifix with warnings as
# errors and runs every test.
#   scripts/test.sh             Release build in build/release
#   scripts/test.sh --sanitize  AddressSanitizer + UndefinedBehaviorSanitizer build in build/asan
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
bash scripts/check_layers.sh

if [ "${1:-}" = "--sanitize" ]; then
  dir=build/asan
  flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DACTIFIX_SANITIZE=ON -DACTIFIX_BENCH=OFF)
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
else
  dir=build/release
  flags=(-DCMAKE_BUILD_TYPE=Release -DACTIFIX_BENCH=ON)
fi

cmake -S . -B "$dir" -DACTIFIX_WERROR=ON "${flags[@]}" >/dev/null
cmake --build "$dir" -j"$(nproc)"
ctest --test-dir "$dir" --output-on-failure -j"$(nproc)"
