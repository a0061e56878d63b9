#!/usr/bin/env bash
# Installs what building and running under Wine needs, on a Debian machine; only
# what is missing, so a second run costs nothing. The two font packages stand in for
# the window's Windows fonts (see scripts/wine-env.sh).
set -euo pipefail
packages=(cmake make g++-mingw-w64-x86-64 wine wine64 xvfb googletest fonts-liberation fonts-dejavu-core)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  sudo_cmd=""
  [ "$(id -u)" = 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
