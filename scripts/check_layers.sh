#!/usr/bin/env bash
# Fails, naming the file and the include, when an include under src/ climbs from a lower layer
# to a higher one, when an include goes up through "..", or when the module includes a header
# other than the standard library's (it sees its host only through src/host).
#   scripts/check_layers.sh
set -euo pipefail
cd "$(dirname "$0")/.."

# Lowest first. A file may include its own folder's headers and those of any lower layer.
# Folders joined by "+" call each other and count as one.
LAYERS=(
  # The module.
  "host"
  "front"
  "refdata depreciation"
  "assets export"
  "yearopen"
  # The editions print the ledger's entries; the ledger and the FEC extract's lines use the
  # editions' selection and formats.
  "editions+ledger+fec"
  "tables"
  # The platform, over the whole module.
  "platform/base"
  "platform/screen platform/store platform/xlsx"
  "platform/print platform/fecfile platform/import"
  "platform/session"
  "platform/tools"
  "platform/cli"
)

# Known climbs, "file include" (paths under src/): front/ holds both the module's bottom (its
# records and state) and its top (the menu that runs every operation), which is to be split.
EXCEPTIONS=(
  "front/EditionState.h fec/FecOrigin.h"
  "front/Front.cc refdata/MImmoPar.h"
  "front/NvImmo.cc assets/MImmoImmo.h"
  "front/NvImmo.cc editions/MImmoEdt.h"
  "front/NvImmo.cc export/MImmoExcel.h"
  "front/NvImmo.cc refdata/EntPCI.h"
  "front/NvImmo.cc refdata/MImmoCA.h"
  "front/NvImmo.cc refdata/MImmoNat.h"
  "front/NvImmo.cc refdata/MImmoPar.h"
  "front/NvImmo.cc tables/Tableaux2054.h"
  "front/NvImmo.cc yearopen/MImmoExer.h"
)

find src -name '*.h' -o -name '*.cc' | sort | awk -v layers="$(printf '%s\n' "${LAYERS[@]}")" \
  -v exceptions="$(printf '%s\n' "${EXCEPTIONS[@]}")" '
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
      for (j = 1; j <= m; ++j) {
        k = split(units[j], names, "+")
        for (l = 1; l <= k; ++l) { layer[names[l]] = i; unit[names[l]] = units[j] }
      }
    }
    n = split(exceptions, lines, "\n")
    for (i = 1; i <= n; ++i)
      if (lines[i] != "") known[lines[i]] = 1
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
          } else if ((rel " " inc) in known) {
            used[rel " " inc] = 1
          } else if (unit[to] != unit[from] && layer[to] >= layer[from]) {
            fail(line " : « " from " » ne peut pas inclure « " to " », d’une couche égale ou plus haute")
          }
        }
      }
      close(path)
    }
    for (e in known)
      if (!(e in used)) {
        print "scripts/check_layers.sh : l’exception « " e " » ne sert plus ; retirez-la" > "/dev/stderr"
        bad = 1
      }
    exit bad
  }'
