#!/usr/bin/env bash
# Sets up the machine, builds Actifix and runs its demo: a demo company in ./actifix-data,
# its main editions printed under ./actifix-data/editions; its register read through the web
# view; then the same company copied to a throw-away PostgreSQL server, checked there and
# exported alike.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DACTIFIX_BENCH=OFF >/dev/null
cmake --build build/release -j"$(nproc)" --target actifix
./build/release/actifix --data actifix-data demo

# The read-only web view over the same directory, on a free port, asked for the register once.
log=$(mktemp)
./build/release/actifix --data actifix-data serve --port 0 >"$log" 2>&1 &
web=$!
url=""
for _ in $(seq 50); do
  url=$(grep -o 'http://127.0.0.1:[0-9]*/' "$log" || true)
  [ -n "$url" ] && break
  sleep 0.2
done
echo
if [ -n "$url" ] && python3 - "${url}societe/DM" <<'PY'
import re, sys, urllib.request
page = urllib.request.urlopen(sys.argv[1], timeout=10).read().decode()
print("Consultation web (" + sys.argv[1] + ") : " + re.search(r"(\d+) immobilisations", page).group(0) + ".")
PY
then
  echo "Lancez ./build/release/actifix --data actifix-data serve pour consulter le registre dans un navigateur."
else
  echo "La consultation web n'a pas répondu :" >&2
  cat "$log" >&2
  kill "$web" 2>/dev/null || true
  exit 1
fi
kill -INT "$web"
wait "$web" || true
rm -f "$log"

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
