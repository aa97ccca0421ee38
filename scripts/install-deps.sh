#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing need,
# skipping apt entirely when they are all present already.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev libqt6sql6-sqlite libqt6sql6-psql qt6-translations-l10n
  # Qt Charts' CMake files look for Qt OpenGL's, which qt6-charts-dev does not bring.
  qt6-charts-dev libqt6opengl6-dev
  libsdl2-dev
  fonts-ipafont-gothic
  xvfb xauth x11-utils xdotool sqlite3 mdbtools
  dbus at-spi2-core python3-pyatspi python3-xlib appstream desktop-file-utils
)
if [ "$#" -gt 0 ]; then
  packages+=("$@")
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ "${#missing[@]}" -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
