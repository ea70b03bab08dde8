#!/usr/bin/env bash
# The web view under load: a company of N generated assets (default 100,000; 1,000,000 at full
# size), `actifix serve` on a loopback port, then 50 clients paging, searching, sorting and
# opening assets for 60 s (bench_web_load): requests per second, p50 and p99 times, errors,
# and the server's memory (RSS) once its index is built and at the end.
#   bash bench/web_load.sh [N] [CLIENTS] [SECONDS]     (given build/release, ACTIFIX_BENCH on)
set -euo pipefail
cd "$(dirname "$0")/.."
assets=${1:-100000} clients=${2:-50} seconds=${3:-60}
actifix=build/release/actifix load=build/release/bench/bench_web_load
[ -x "$actifix" ] && [ -x "$load" ] || { echo "construisez d'abord : cmake --build build/release --target actifix bench_web_load" >&2; exit 2; }
work=$(mktemp -d /tmp/actifix-web-load.XXXXXX)
server=""
trap '[ -n "$server" ] && kill -INT "$server" 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
"$actifix" --data "$work/d" company create 01 --name "Charge" --year 01/01/2026 31/12/2026 >/dev/null
"$actifix" --data "$work/d" generate --assets "$assets" --seed 1
"$actifix" --data "$work/d" serve --port 0 >"$work/serve.log" &
server=$!
for _ in $(seq 600); do grep -q "http://" "$work/serve.log" && break; sleep 0.1; done
port=$(grep -oE ':[0-9]+/' "$work/serve.log" | tr -d ':/')
# Resident memory, and its parts: the heap (anonymous) and the database's pages mapped by
# SQLite (file), which the system takes back when it needs them.
rss() {
  awk '/^(VmRSS|RssAnon|RssFile)/ {v[$1] = $2 / 1024}
       END {printf "%.0f Mo (tas %.0f Mo, fichiers %.0f Mo)", v["VmRSS:"], v["RssAnon:"], v["RssFile:"]}' \
    "/proc/$server/status"
}
start=$(date +%s.%N)
curl -s --noproxy '*' -o /dev/null "http://127.0.0.1:$port/societe/01"
echo "index du registre ($assets immobilisations) construit en $(echo "$(date +%s.%N) - $start" | bc) s ; mémoire du serveur $(rss)"
# The server's memory every 15 s while the load runs.
( for _ in $(seq $((seconds / 15))); do sleep 15; echo "  mémoire du serveur : $(rss)"; done ) &
status=0
"$load" "$port" "$clients" "$seconds" 01 || status=$?
wait $!
echo "mémoire du serveur à la fin : $(rss)"
exit $status
