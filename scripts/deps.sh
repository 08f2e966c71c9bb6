#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing.
# Sourced or run by the other scripts; safe to run again.
set -euo pipefail

FWU_PACKAGES=(
  cmake make g++ python3
  googletest libgtest-dev
  g++-mingw-w64-x86-64-posix
  wine wine64
  xvfb xdotool x11-utils imagemagick
  osslsigncode graphviz zip unzip
  clang libclang-rt-dev
)

missing=()
for p in "${FWU_PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" = 0 ] || SUDO=sudo
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
