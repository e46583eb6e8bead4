#!/usr/bin/env bash
# Frames per second of the real saver and of the bare GL reference on two 1024x768
# monitors side by side (Xephyr with two Xinerama heads inside a private Xvfb): both draw
# a fountain on each head, each in its own viewport and scissor box, with one swap a frame.
# Usage: bench/run_two_monitors.sh <build dir configured with -DTIVARO_BENCH=ON> [seconds] [rounds]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:?build directory}
seconds=${2:-3}
rounds=${3:-7}
measure() {
  exec {fd}<> <(:)
  Xephyr -displayfd "$fd" -screen 1024x768 -screen 1024x768 +xinerama -nolisten tcp \
    -noreset >/dev/null 2>&1 &
  local xephyr=$! number
  read -r -t 20 -u "$fd" number
  DISPLAY=":$number" python3 "$here/bench/frame_rate.py" "$build/app/tivaro" \
    "$build/bench/tivaro_reference_fountain" "$seconds" "$rounds"
  kill "$xephyr"
}
export -f measure
export here build seconds rounds
"$here/tests/integration/run_under_xvfb.sh" bash -c measure
