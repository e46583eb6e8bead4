#!/usr/bin/env bash
# How evenly the paced saver's frames reach the compositor under a private headless
# sway (one output, made small with TIVARO_BENCH_SIZE, 640x480 by default, so drawing takes
# a fraction of a frame and the intervals show the pacing, not the renderer).
# Usage: bench/run_frame_pacing_wayland.sh <seconds> <rounds> <tivaro> [<tivaro> ...]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:?seconds}
rounds=${2:?rounds}
shift 2
builds=()
for build in "$@"; do builds+=("$(cd "$(dirname "$build")" && pwd)/$(basename "$build")"); done
size=${TIVARO_BENCH_SIZE:-640x480}
"$here/tests/wayland/run_under_sway.sh" --one-output bash -c '
  swaymsg output HEADLESS-1 resolution "$1" >/dev/null
  shift
  cd "$0" && python3 frame_pacing_wayland.py "$@"' \
  "$here/bench" "$size" "$seconds" "$rounds" "${builds[@]}"
