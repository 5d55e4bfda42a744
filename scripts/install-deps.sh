#!/usr/bin/env bash
# Installs the Debian packages that building and testing today needs, when any is missing. With
# `--desktop`, also those of the desktop check (scripts/desktop-check.sh): a headless Wayland session
# with a status bar, screenshots and the desktop's URL handling.
set -euo pipefail
packages=(g++ cmake ninja-build pkg-config tzdata
  libsimdjson-dev libfmt-dev libutf8proc-dev liburiparser-dev libsodium-dev libcli11-dev libpugixml-dev
  libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev hyperfine
  groff-base zsh fish bash-completion python3 desktop-file-utils)
if [ "${1:-}" = "--desktop" ]; then
  packages+=(sway waybar grim xdg-utils fonts-dejavu-core passwd util-linux)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo=""; [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi
