#!/usr/bin/env bash
# Installs the Debian packages Actifix builds, tests and runs with.
# Idempotent: installs only what is missing, and says nothing when all is there.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libsqlite3-dev libncurses-dev
  libpq-dev postgresql
  libcairo2-dev libpango1.0-dev fonts-dejavu-core
  nlohmann-json3-dev libcli11-dev libxlsxwriter-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  poppler-utils tmux
  clang
  libcpp-httplib-dev
  chromium chromium-driver python3-selenium
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installation des paquets manquants : ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo_cmd apt-get update -qq
  $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
