#!/usr/bin/env bash
# Installs what building, running and testing Tivaro needs on Debian 12 "bookworm" or
# Debian 13 "trixie" (as root); with --tests, also the other desktops' compositors that
# only the tests run. Another release gets Debian 13's list and a warning.
# Usage: tools/setup-debian.sh [--tests]
set -euo pipefail
release=$(. /etc/os-release 2>/dev/null && echo "${ID:-}-${VERSION_ID:-}")
case "$release" in
  debian-12 | debian-13) ;;
  *) echo "setup-debian: tried on Debian 12 and 13 only, this is ${release:-unknown}; going on" >&2 ;;
esac
packages=(
  build-essential cmake pkg-config
  libx11-dev libx11-xcb-dev libxext-dev libxrandr-dev libxinerama-dev libgl-dev libglu1-mesa-dev libgl1-mesa-dri libglx-mesa0
  libfreetype-dev libfontconfig-dev fonts-ipafont-gothic fonts-dejavu-core libstb-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xserver-xephyr openbox xdotool x11-utils x11-xserver-utils imagemagick python3 xscreensaver man-db
  libwayland-dev libwayland-bin wayland-protocols libegl-dev libegl-mesa0
  sway grim wtype swayidle
  libsystemd-dev libxss-dev libxres-dev plasma-wayland-protocols dbus-daemon
  libgtk-4-dev desktop-file-utils
)
if [ "${1:-}" = "--tests" ]; then
  packages+=(weston kwin-wayland gnome-shell cage at-spi2-core gir1.2-atspi-2.0 python3-pyatspi
    swaylock i3lock)
fi
bash "$(dirname "$0")/install-packages.sh" "${packages[@]}"
