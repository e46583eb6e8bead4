#!/usr/bin/env bash
# Installs what building, running and testing Tivaro needs on Debian 12 (as root).
set -euo pipefail
packages=(
  build-essential cmake pkg-config
  libx11-dev libxext-dev libgl-dev libglu1-mesa-dev libgl1-mesa-dri libglx-mesa0
  libfreetype-dev libfontconfig-dev fonts-ipafont-gothic fonts-dejavu-core libstb-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xdotool x11-utils imagemagick python3 xscreensaver man-db
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update
  apt-get install -y --no-install-recommends "${missing[@]}"
fi
