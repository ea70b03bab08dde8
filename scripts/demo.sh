#!/usr/bin/env bash
# Sets up the machine, builds Actifix and runs its demo: a demo company in ./actifix-data,
# its main editions printed under ./actifix-data/editions; then the same company copied to a
# throw-away PostgreSQL server, checked there and exported alike.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DACTIFIX_BENCH=OFF >/dev/null
cmake --build build/release -j"$(nproc)" --target actifix
./build/release/actifix --data actifix-data demo

# The same company on a PostgreSQL server, as an accounting firm would keep it: a throw-away
# server on a local socket, removed at the end.
server=$(mktemp -d /tmp/actifix-demo-pg.XXXXXX)
trap 'bash scripts/pg_cluster.sh stop "$server"' EXIT
uri=$(bash scripts/pg_cluster.sh start "$server")
echo
echo "Sur un serveur PostgreSQL ($uri) :"
./build/release/actifix --data actifix-data company copy DM --to "$uri"
export ACTIFIX_OUT=actifix-data/serveur
./build/release/actifix --data "$uri" --company DM check
./build/release/actifix --data "$uri" --company DM run ImmoExcel --script /dev/null >/dev/null
if cmp -s actifix-data/DMImmo.csv "$ACTIFIX_OUT/DMImmo.csv"; then
  echo "L'export du registre lu sur le serveur est identique à celui du répertoire ($ACTIFIX_OUT/DMImmo.csv)."
else
  echo "L'export du registre lu sur le serveur diffère de celui du répertoire." >&2
  exit 1
fi
