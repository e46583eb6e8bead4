#!/usr/bin/env bash
# Sets up, builds and runs the saver. With a display it runs full screen until a key or
# a click. Without one it starts a virtual display, runs the saver for a few seconds and
# saves screenshots in ./screenshots/ so that you can see it work.
# Usage: tools/run.sh [mode switch: /s (default) or /c]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
step() { printf '\n==> %s\n' "$*"; }

step "Installing the packages Tivaro needs (only those missing)"
bash "$here/tools/setup-debian.sh"

build=${TIVARO_BUILD_DIR:-$here/build}
step "Building the program in $build"
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j"$(nproc)" --target tivaro

mode=${1:-/s}
# On a Wayland desktop the saver covers every output natively (the dialog goes through
# Xwayland); the program itself picks the window system.
if [ -n "${WAYLAND_DISPLAY:-}${WAYLAND_SOCKET:-}" ] && [ -n "${XDG_RUNTIME_DIR:-}" ]; then
  step "Running tivaro $mode on the Wayland desktop (a key or a click ends the saver)"
  exec "$build/app/tivaro" "$mode"
fi
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  step "Running tivaro $mode on $DISPLAY (a key or a click ends the saver)"
  exec "$build/app/tivaro" "$mode"
fi
case "$mode" in
  /s | /S) name=saver ;;
  /c | /C) name=dialog ;;
  *) name=$(printf '%s' "$mode" | tr -c 'A-Za-z0-9' '_') ;;
esac
out=$PWD/screenshots
mkdir -p "$out"
step "No display: running tivaro $mode on a virtual 1024x768 screen for 4 s"
"$here/tests/integration/run_under_xvfb.sh" bash -c '
  "$1" "$2" & pid=$!
  for i in 1 2 3 4; do sleep 1; import -window root "$3/$4-$i.png"; done
  kill $pid 2>/dev/null; wait $pid 2>/dev/null; true' _ "$build/app/tivaro" "$mode" "$out" "$name"
step "Screenshots"
ls "$out"/"$name"-*.png
