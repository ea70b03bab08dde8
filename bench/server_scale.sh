#!/usr/bin/env bash
# Many companies and many users on one PostgreSQL server. On a throw-away server (made and
# removed here, a Unix socket only), N companies of M assets each, made by `actifix generate`
# (several at once, progress on the standard error); then on a second throw-away server one
# company alone, made the same way with the same seed; both servers vacuumed and checkpointed.
# On one company of each server, in turn: EditImo RECAPSEULE (all natures marked), ImmoExcel,
# one card saved on the screen (the whole command), each three times (median), OuvImo for three
# years in turn (median), and the median time of a save while one user saves cards for 5 s;
# the ratio of the crowded server's time to the lone one's. Then `company list` on the crowded
# server, and U users saving cards for S seconds at once (bench_card_saves), each on a company
# of its own, then all on one company: saves per second, the 50th and 99th percentile of a
# save's time, the refusals, and `actifix check` on every company used (the cards found must
# be those before plus the saves confirmed).
# With --pause P, the users on their own companies run again, each pausing P ms after each
# save, as a person typing the next card would.
#   bash bench/server_scale.sh [--companies N] [--assets M] [--users U] [--seconds S]
#                              [--pause P] [ACTIFIX]
#   (defaults 1000, 10000, 50, 60, no pause, build/release/actifix; built if missing)
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/measure.sh

companies=1000 assets=10000 users=50 seconds=60 pause=0 actifix=build/release/actifix
while [ $# -gt 0 ]; do
  case $1 in
    --companies) companies=$2 && shift 2 ;;
    --assets) assets=$2 && shift 2 ;;
    --users) users=$2 && shift 2 ;;
    --seconds) seconds=$2 && shift 2 ;;
    --pause) pause=$2 && shift 2 ;;
    -*)
      echo "usage: $0 [--companies N] [--assets M] [--users U] [--seconds S] [--pause P] [ACTIFIX]" >&2
      exit 2
      ;;
    *) actifix=$1 && shift ;;
  esac
done
# Two characters of letters and digits make 1,296 codes.
if [ "$companies" -lt 1 ] || [ "$companies" -gt 1296 ] || [ "$users" -lt 1 ]; then
  echo "de 1 à 1296 entreprises, et au moins un utilisateur" >&2
  exit 2
fi
build=$(dirname "$actifix")
saver=$build/bench/bench_card_saves
if [ ! -x "$actifix" ] || [ ! -x "$saver" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DACTIFIX_BENCH=ON >/dev/null
  cmake --build "$build" -j2 --target actifix bench_card_saves >/dev/null
fi
actifix=$(realpath "$actifix") saver=$(realpath "$saver")

work=$(mktemp -d /tmp/actifix-scale-XXXXXX)
crowded=$(mktemp -d /tmp/actifix-pg-crowded-XXXXXX)  # apart: the server's user must reach it
lone=$(mktemp -d /tmp/actifix-pg-lone-XXXXXX)
trap 'bash scripts/pg_cluster.sh stop "$crowded"; bash scripts/pg_cluster.sh stop "$lone"; rm -rf "$work"' EXIT
# The same settings on both: memory for the server's cache, and room for two connections per
# user (its store's and its hold's) beside the others.
options="-c shared_buffers=2GB -c max_connections=$((2 * users + 50))"
crowded_uri=$(ACTIFIX_PG_OPTIONS="$options" bash scripts/pg_cluster.sh start "$crowded")
export ACTIFIX_OUT=$work/files  # the local files of companies on a server

digits=0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ
code_of() { echo "${digits:$(($1 / 36)):1}${digits:$(($1 % 36)):1}"; }
# make URI I: company I (from 0) of M assets, drawn with seed I + 1.
make_company() {
  local code
  code=$(code_of "$2")
  "$actifix" --data "$1" company create "$code" --year 01/01/2026 31/12/2026 >/dev/null
  "$actifix" --data "$1" --company "$code" generate --assets "$assets" --seed $(($2 + 1)) >/dev/null
}

load_start=$(cut -d' ' -f1-3 /proc/loadavg)
start=$(date +%s)
# Two at a time: the program and the server share the two cores.
jobs=2 made=0
for ((i = 0; i < companies; i++)); do
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n || true; done
  { make_company "$crowded_uri" "$i" || touch "$work/failed-$i"; } &
  if ((i >= jobs)); then
    made=$((i - jobs + 1))
    if ((made % 10 == 0)); then
      elapsed=$(($(date +%s) - start))
      printf '\r%d / %d entreprises de %d fiches, %d s (reste environ %d s)  ' "$made" "$companies" \
        "$assets" "$elapsed" $((elapsed * (companies - made) / made)) >&2
    fi
  fi
done
wait
if compgen -G "$work/failed-*" >/dev/null; then
  echo "$(ls "$work"/failed-* | wc -l) entreprises n'ont pas pu être faites" >&2
  exit 1
fi
generated=$(($(date +%s) - start))
printf '\r%d entreprises de %d fiches faites en %d s%30s\n' "$companies" "$assets" "$generated" "" >&2
lone_uri=$(ACTIFIX_PG_OPTIONS="$options" bash scripts/pg_cluster.sh start "$lone")
make_company "$lone_uri" 0
code=$(code_of 0)
# Both servers settled before anything is timed: the bulk load leaves every table to the
# autovacuum and gigabytes of dirty pages to the checkpointer, which would run during the
# comparison on the crowded server alone.
start=$(date +%s)
for uri in "$crowded_uri" "$lone_uri"; do
  /usr/lib/postgresql/15/bin/psql -q "$uri" -c "VACUUM (ANALYZE)" -c CHECKPOINT
done
settled=$(($(date +%s) - start))
echo "serveurs stabilisés (VACUUM ANALYZE, CHECKPOINT) en $settled s" >&2

# The answers of EditImo: current year, sorted by nature, every nature marked, totals only.
printf 'CHOOSE 1\nDATDEB\nDATFIN\nDATDEBA\nDATFINA\nRECAPSEULE = O\n0 = 1\n1 =\n2 =\nMARK 1,2,3,4,5,6,7\n' \
  >"$work/recap.txt"
printf 'CONF\nCODNATI = MOB\nNUMNATI\nDATACQ = 15/06/2026\nNOMFRN = Fournisseur\nDESCRI = Poste\nREMIMO\nDATCES\n1 = ADM\n2 = AT1\nVALACQ = 1234.50\nMODAMO = L\nTAUX = 20\nDOTAMO\nCODNATI =\n' \
  >"$work/card.txt"
printf 'CONFIRM yes\n' >"$work/open.txt"
# op NAME URI: runs operation NAME on the company of URI; MEASURED_SECONDS its time.
op() {
  local run=("$actifix" --data "$2" --company "$code" run) out=$work/out
  case $1 in
    recap) measure "${run[@]}" EditImo --script "$work/recap.txt" --transcript "$out.t" --out "$out" --no-pdf ;;
    excel) measure "${run[@]}" ImmoExcel --script /dev/null --transcript "$out.t" --out "$out" --no-pdf ;;
    card) measure "${run[@]}" EntImo --script "$work/card.txt" --transcript "$out.t" --out "$out" --no-pdf ;;
    open) measure "${run[@]}" OuvImo --script "$work/open.txt" --transcript "$out.t" --out "$out" --no-pdf ;;
  esac
}
median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
declare -A secs
for name in recap excel card; do
  for server in crowded lone; do : >"$work/$name-$server"; done
  for round in 1 2 3; do
    for server in crowded lone; do
      uri=$crowded_uri
      [ $server = crowded ] || uri=$lone_uri
      op $name "$uri"
      echo "$MEASURED_SECONDS" >>"$work/$name-$server"
    done
  done
  for server in crowded lone; do secs[$name $server]=$(median <"$work/$name-$server"); done
done
# Three years opened one after another (2027, 2028, 2029), each on both servers in turn.
for server in crowded lone; do : >"$work/open-$server"; done
for year in 2027 2028 2029; do
  for server in crowded lone; do
    uri=$crowded_uri
    [ $server = crowded ] || uri=$lone_uri
    "$actifix" --data "$uri" company year "$code" 01/01/$year 31/12/$year >/dev/null
    op open "$uri"
    echo "$MEASURED_SECONDS" >>"$work/open-$server"
  done
done
for server in crowded lone; do secs[open $server]=$(median <"$work/open-$server"); done
# A card's save alone, without the program's start: one user saving for a few seconds.
for server in crowded lone; do
  uri=$crowded_uri
  [ $server = crowded ] || uri=$lone_uri
  "$saver" "$uri" "$code" 5 | sed '1,/^times$/d' | median >"$work/save-$server"
  secs[save $server]=$(cat "$work/save-$server")
done
measure "$actifix" --data "$crowded_uri" company list
listed=$("$actifix" --data "$crowded_uri" company list | wc -l)
secs[list]=$MEASURED_SECONDS

# cards CODE...: the assets `check` counts on each company, one a line, "unclean" for a
# company where it finds a fault (its words on the standard error).
cards() {
  local c text
  for c in "$@"; do
    if text=$("$actifix" --data "$crowded_uri" --company "$c" check 2>&1) &&
      [[ $text == "0 anomalie, "* ]]; then
      text=${text#0 anomalie, }
      echo "${text%% *}"
    else
      echo "check $c : $text" >&2
      echo unclean
    fi
  done
}
# savers TAG PAUSE CODE...: one bench_card_saves per code, all at once, for `seconds`, each
# pausing PAUSE ms after each save. Prints one
# line: saves confirmed, refused (conflict), refused (in use), numbers proposed again, saves per
# second, the 50th and 99th percentiles of a save's time (ms), users that failed, companies
# that `check` finds clean, companies checked, and cards lost (those before plus those saved,
# less those found).
savers() {
  local tag=$1 pause=$2 c u=0 failed=0
  shift 2
  local list=("$@") distinct
  mapfile -t distinct < <(printf '%s\n' "${list[@]}" | sort -u)
  cards "${distinct[@]}" >"$work/$tag-before"
  for c in "${list[@]}"; do
    "$saver" "$crowded_uri" "$c" "$seconds" MOB "$pause" >"$work/$tag-$u.out" 2>"$work/$tag-$u.err" &
    u=$((u + 1))
  done
  for ((u = 0; u < ${#list[@]}; u++)); do wait -n || failed=$((failed + 1)); done
  cards "${distinct[@]}" >"$work/$tag-after"
  cat "$work/$tag"-*.err >&2
  for ((u = 0; u < ${#list[@]}; u++)); do
    echo "${list[u]} $(awk '$1 == "saves" { print $2 }' "$work/$tag-$u.out")"
  done >"$work/$tag-saves"
  for ((u = 0; u < ${#list[@]}; u++)); do sed '1,/^times$/d' "$work/$tag-$u.out"; done |
    sort -g >"$work/$tag-times"
  for ((u = 0; u < ${#list[@]}; u++)); do sed -n '/^times$/q; s/^cause //p' "$work/$tag-$u.out"; done |
    awk '{ n = $1; $1 = ""; sum[substr($0, 2)] += n } END { for (m in sum) print sum[m], m }' |
    sort -rn >"$work/$tag-causes"
  local counts lost
  counts=$(for ((u = 0; u < ${#list[@]}; u++)); do sed '/^times$/q' "$work/$tag-$u.out"; done |
    awk '{ s[$1] += $2 } END { printf "%d %d %d %d", s["saves"], s["refused"], s["in_use"], s["renumbered"] }')
  lost=$(printf '%s\n' "${distinct[@]}" | paste -d' ' - "$work/$tag-before" "$work/$tag-after" |
    awk -v f="$work/$tag-saves" '
      BEGIN { while ((getline l < f) > 0) { split(l, p, " "); saved[p[1]] += p[2] } }
      $2 == "unclean" || $3 == "unclean" { next }
      { clean++; lost += $2 + saved[$1] - $3 }
      END { printf "%d %d %d", clean, NR, lost }')
  awk -v s="$seconds" -v counts="$counts" -v rest="$failed $lost" '
    { t[++n] = $1 }
    END {
      split(counts, c, " ")
      p50 = n ? t[int((n - 1) * 0.50) + 1] : 0; p99 = n ? t[int((n - 1) * 0.99) + 1] : 0
      printf "%s %.1f %.1f %.1f %s\n", counts, c[1] / s, p50, p99, rest }' "$work/$tag-times"
}
# The users' companies follow the one compared above, whose year OuvImo has moved on.
mine=()
for ((u = 0; u < users; u++)); do mine+=("$(code_of $(((u + 1) % companies)))"); done
savers own 0 "${mine[@]}" >"$work/own-result"
tags=(own)
if [ "$pause" -gt 0 ]; then
  savers paused "$pause" "${mine[@]}" >"$work/paused-result"
  tags+=(paused)
fi
# All on the company farthest from the one compared above.
one=()
for ((u = 0; u < users; u++)); do one+=("$(code_of $((companies - 1)))"); done
savers one 0 "${one[@]}" >"$work/one-result"
tags+=(one)
load_end=$(cut -d' ' -f1-3 /proc/loadavg)

echo "date: $(date -u '+%Y-%m-%d %H:%M UTC'); machine: $(nproc) cores," \
  "$(free -h | awk '/^Mem:/ {print $2}') of memory; PostgreSQL 15 on a Unix socket"
echo "$companies companies of $assets assets ($((companies * assets)) assets) made in $generated s," \
  "VACUUM ANALYZE and CHECKPOINT in $settled s;" \
  "company $code compared with the same company alone on a server"
printf '%-44s %10s %10s %7s\n' operation crowded alone ratio
for name in recap excel card save open; do
  case $name in
    recap) label="EditImo RECAPSEULE, all natures (s)" ;;
    excel) label="ImmoExcel (s)" ;;
    card) label="one card saved, the whole command (s)" ;;
    save) label="a card's save, median over 5 s (ms)" ;;
    open) label="OuvImo after company year, 3 years (s)" ;;
  esac
  awk -v l="$label" -v a="${secs[$name crowded]}" -v b="${secs[$name lone]}" \
    'BEGIN { printf "%-44s %10.3f %10.3f %6.2fx\n", l, a, b, a / b }'
done
printf '%-44s %10.3f %10s %7s\n' "company list, $listed companies (s)" "${secs[list]}" - -
printf '\n%-24s %6s %8s %7s %7s %8s %9s %8s %6s %10s %5s\n' "$users users, ${seconds} s" saves \
  "saves/s" "p50 ms" "p99 ms" refused "in use" renumber failed "check" lost
for tag in "${tags[@]}"; do
  read -r saves refused busy renum rate p50 p99 failed clean checked lost <"$work/$tag-result"
  case $tag in
    own) label="each on its own company" ;;
    paused) label="the same, ${pause} ms pauses" ;;
    one) label="all on company $(code_of $((companies - 1)))" ;;
  esac
  printf '%-24s %6d %8.1f %7.1f %7.1f %8d %9d %8d %6d %10s %5d\n' "$label" "$saves" "$rate" \
    "$p50" "$p99" "$refused" "$busy" "$renum" "$failed" "$clean/$checked clean" "$lost"
done
echo "load average before: $load_start; after: $load_end"
for tag in "${tags[@]}"; do
  [ -s "$work/$tag-causes" ] || continue
  echo "refusals ($tag), by message:"
  sed 's/^/  /' "$work/$tag-causes"
done
