#!/usr/bin/env bash
# A throw-away PostgreSQL 15 server for the tests and benchmarks.
#   scripts/pg_cluster.sh start DIR   makes a new cluster in DIR (any earlier one there is
#                                     stopped and removed), listening only on a Unix socket
#                                     in DIR (no TCP), and prints its URI
#   scripts/pg_cluster.sh stop DIR    stops it and removes DIR; quiet when nothing runs there
# Run as root, the server runs as the unprivileged user "postgres", which then owns DIR: DIR's
# parent must let it in (a folder under /tmp does). Authentication is "trust" on the socket
# only, for the role "actifix", which owns the database "actifix". $ACTIFIX_PG_OPTIONS adds
# server settings ("-c shared_buffers=1GB").
set -euo pipefail
bin=/usr/lib/postgresql/15/bin
action=${1:-}
dir=${2:-}
if [ -z "$dir" ] || { [ "$action" != start ] && [ "$action" != stop ]; }; then
  echo "usage : $0 start|stop DIR" >&2
  exit 2
fi
port=5432

as_owner() {
  if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

stop() {
  if [ -f "$dir/data/postmaster.pid" ]; then
    as_owner "$bin/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
  fi
  rm -rf "$dir"
}

if [ "$action" = stop ]; then
  stop
  exit 0
fi

stop
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
[ "$(id -u)" -eq 0 ] && chown postgres: "$dir"
chmod 700 "$dir"
if ! as_owner "$bin/initdb" -D "$dir/data" -U actifix --auth=trust -E UTF8 --locale=C \
  >"$dir/initdb.log" 2>&1; then
  cat "$dir/initdb.log" >&2
  echo "impossible de créer le serveur PostgreSQL de test dans $dir" >&2
  exit 1
fi
if ! as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 30 \
  -o "-c listen_addresses='' -c unix_socket_directories='$dir' -p $port ${ACTIFIX_PG_OPTIONS:-}" start >/dev/null; then
  cat "$dir/server.log" >&2
  echo "impossible de démarrer le serveur PostgreSQL de test dans $dir" >&2
  exit 1
fi
as_owner "$bin/createdb" -h "$dir" -p "$port" -U actifix actifix
echo "postgresql:///actifix?host=$dir&port=$port&user=actifix"
