#!/usr/bin/env bash
# Sets up the machine, builds Actifix and runs its demo: a demo company in ./actifix-data,
# its main editions printed under ./actifix-data/editions.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DACTIFIX_BENCH=OFF >/dev/null
cmake --build build/release -j"$(nproc)" --target actifix
./build/release/actifix --data actifix-data demo
