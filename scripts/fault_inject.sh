#!/usr/bin/env bash
# Proves that the tests catch real faults: injects one fault at a time into a copy of the tree,
# builds it, runs every test, and prints which tests failed. Run by hand, not in CI; it takes
# a few minutes per fault. Each fault must fail at least one test.
#   bash scripts/fault_inject.sh [FAULT...]     (default: every fault below)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
work=$(mktemp -d)
trap 'git -C "$root" worktree remove --force "$work/tree" >/dev/null 2>&1; rm -rf "$work"' EXIT
git worktree add --detach "$work/tree" HEAD >/dev/null 2>&1
cd "$work/tree"

# name | file | sed expression that breaks it
faults=(
  "rounding|src/host/HostConvert.cc|s/digits\[static_cast<std::size_t>(kept)\] >= '5'/digits[static_cast<std::size_t>(kept)] > '5'/"
  "declining coefficient|src/depreciation/Compute.cc|s/c = L <= 4 ? 1.5f : (L <= 6 ? 2.0f : 2.5f);/c = L <= 4 ? 1.5f : (L <= 6 ? 2.25f : 2.5f);/"
  "bounds of the depreciation edition|src/editions/Amortissements.cc|s/dot = Round2((static_cast<double>(be) - bs + 1) \* yearDot \/ days);/dot = Round2((static_cast<double>(be) - bs) * yearDot \/ days);/"
  "disposal entries|src/ledger/Ecritures.cc|s/AdjEcr(n.NCIMAT, label, \"C\", vnc, \"\");/AdjEcr(n.NCIMAT, label, \"C\", cumulFin, \"\");/"
  "year roll|src/yearopen/MImmoExer.cc|s/convert.Round(charge + UnpackedAmount(storedCumulative), 2, cumulative);/convert.Round(UnpackedAmount(storedCumulative), 2, cumulative);/"
  "keys of a card save|src/assets/Storage.cc|s/KeyedFile().AddKey(m.kImmon, r.CODNATI.str() + r.DATACQ.str(), card.previous);/\/\/ no Immon key/"
  "card changed by another user|src/platform/store/StoreFiles.h|s/    if (seen == nullptr) throw HostError(operation, file.subject/    if (true) throw HostError(operation, file.subject/"
)

bash scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DACTIFIX_BENCH=OFF >/dev/null
cmake --build build -j"$(nproc)" >/dev/null
missed=0
for fault in "${faults[@]}"; do
  IFS='|' read -r name file expression <<<"$fault"
  if [ $# -gt 0 ] && [[ ! " $* " == *" $name "* ]]; then continue; fi
  git checkout -q -- .
  sed -i "$expression" "$file"
  if git diff --quiet; then
    echo "FAULT NOT INJECTED: $name (the line to break is no longer in $file)"
    missed=1
    continue
  fi
  cmake --build build -j"$(nproc)" >/dev/null
  failed=$(ctest --test-dir build -j"$(nproc)" 2>/dev/null | sed -n 's/^[[:space:]]*[0-9]* - \(.*\) (Failed)$/\1/p' || true)
  if [ -z "$failed" ]; then
    echo "NOT CAUGHT: $name"
    missed=1
  else
    echo "caught: $name — $(echo "$failed" | wc -l) failing test(s): $(echo "$failed" | head -4 | paste -sd, -)"
  fi
done
git checkout -q -- .
exit $missed
