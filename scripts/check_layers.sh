#!/usr/bin/env bash
# Fails, naming the file and the include, when an include under src/ climbs from a lower layer
# to a higher one, when an include goes up through "..", or when the module includes a header
# other than the standard library's (it sees its host only through src/host).
#   scripts/check_layers.sh
set -euo pipefail
cd "$(dirname "$0")/.."

# Lowest first. A file may include its own folder's headers and those of any lower layer.
LAYERS=(
  # The module: its host services, the state every part shares, the parts, and on top the
  # component that runs every operation.
  "host"
  "state"
  "fec"
  "ledger"
  "refdata depreciation"
  # Our own fiscal plan beside the economic one, over the module's depreciation.
  "fiscal"
  "assets export"
  "yearopen"
  "editions"
  # Our own editions of the fiscal plan, over the module's editions.
  "tables derogatory"
  "front"
  # The platform, over the whole module.
  "platform/base"
  "platform/screen platform/store platform/xlsx"
  "platform/print platform/fecfile platform/import"
  "platform/session"
  "platform/tools"
  # The read-only web view, over the sessions and the register's tools.
  "platform/web"
  "platform/cli"
)

find src -name '*.h' -o -name '*.cc' | sort | awk -v layers="$(printf '%s\n' "${LAYERS[@]}")" '
  # The folder a path belongs to: the first folder under src/, two under src/platform/.
  function folder(path, parts, n) {
    n = split(path, parts, "/")
    if (parts[1] == "platform" && n > 2) return "platform/" parts[2]
    return n > 1 ? parts[1] : ""
  }
  function fail(message) { print "src/" rel ": " message > "/dev/stderr"; bad = 1 }
  BEGIN {
    n = split(layers, lines, "\n")
    for (i = 1; i <= n; ++i) {
      m = split(lines[i], units, " ")
      for (j = 1; j <= m; ++j) layer[units[j]] = i
    }
    while ((getline file < "/dev/stdin") > 0) files[++count] = file
    for (f = 1; f <= count; ++f) {
      path = files[f]
      rel = substr(path, 5)
      from = folder(rel)
      if (!(from in layer)) { fail("dossier « " from " » absent des couches de scripts/check_layers.sh"); continue }
      module = from !~ /^platform\//
      while ((getline line < path) > 0) {
        if (line ~ /^#include </ && module && line ~ /^#include <[^>]*[.\/]/) {
          fail(line " : le module n’inclut que la bibliothèque standard et src/host")
        } else if (line ~ /^#include "/) {
          inc = line; sub(/^#include "/, "", inc); sub(/".*/, "", inc)
          to = folder(inc)
          if (inc ~ /(^|\/)\.\.\// || to == "") {
            fail(line " : chemin relatif ; écrivez le chemin depuis src/")
          } else if (!(to in layer)) {
            fail(line " : dossier « " to " » absent des couches")
          } else if (to != from && layer[to] >= layer[from]) {
            fail(line " : « " from " » ne peut pas inclure « " to " », d’une couche égale ou plus haute")
          }
        }
      }
      close(path)
    }
    exit bad
  }'
