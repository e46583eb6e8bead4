#!/usr/bin/env bash
# Sets up, builds and runs the saver. With a display it runs full screen until a key or
# a click. Without one it starts a virtual display, runs the saver for a few seconds and
# saves screenshots in ./screenshots/ so that you can see it work.
# Usage: tools/run.sh [mode switch, e.g. /s (default), /c]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bash "$here/tools/setup-debian.sh"
build=${TIVARO_BUILD_DIR:-$here/build}
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" >/dev/null
mode=${1:-/s}
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  exec "$build/app/tivaro" "$mode"
fi
out=$PWD/screenshots
mkdir -p "$out"
echo "No display: running $mode on a virtual 1024x768 screen and saving screenshots to $out"
"$here/tests/integration/run_under_xvfb.sh" bash -c '
  "$1" "$2" & pid=$!
  for i in 1 2 3 4; do sleep 1; import -window root "$3/tivaro-$i.png"; done
  kill $pid 2>/dev/null; wait $pid 2>/dev/null; true' _ "$build/app/tivaro" "$mode" "$out"
ls "$out"
