#!/usr/bin/env bash
# Runs bench_pg_store_bench against a throw-away PostgreSQL server, made and removed here.
#   bash bench/pg_store.sh [cards] [walk]     (Release build in $ACTIFIX_BUILD, else build/release)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${ACTIFIX_BUILD:-build/release}
if [ ! -x "$build/bench/bench_pg_store_bench" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DACTIFIX_BENCH=ON -DACTIFIX_WERROR=ON >/dev/null
  cmake --build "$build" -j2 --target bench_pg_store_bench >/dev/null
fi
dir=$(mktemp -d /tmp/actifix-pg-bench-XXXXXX)
trap 'bash scripts/pg_cluster.sh stop "$dir"' EXIT
# Memory for the server's cache as SQLite has its mapped file: a register of a million assets
# is about 400 MB of tables and indexes.
uri=$(ACTIFIX_PG_OPTIONS="-c shared_buffers=1GB" bash scripts/pg_cluster.sh start "$dir")
"$build/bench/bench_pg_store_bench" "$uri" "$@"
