#!/usr/bin/env bash
# Frames per second of the real saver and of the bare Wayland reference under a private
# headless sway (pixman renderer, Mesa llvmpipe): on one 1024x768 output, then on two
# (1024x768 and 800x600 at scale 2, so 1600x1200 device pixels), a fountain on each; and the
# time from process start to the first frame and the memory each program holds.
# Usage: bench/run_wayland.sh <build dir configured with -DTIVARO_BENCH=ON> [seconds] [rounds]
# TIVARO_BENCH_OUTPUTS="1 2" runs only the output counts given.
#
# Runs of 3 s end before the saver's first burst, as in bench/run_frame_rate.sh, so both
# programs draw the very same quads frame by frame.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:?build directory}
seconds=${2:-3}
rounds=${3:-7}
for count in ${TIVARO_BENCH_OUTPUTS:-1 2}; do
  case "$count" in
    1) outputs=(--one-output) ;;
    2) outputs=() ;;
    *) echo "run_wayland: TIVARO_BENCH_OUTPUTS takes 1 and 2, not '$count'" >&2; exit 2 ;;
  esac
  "$here/tests/wayland/run_under_sway.sh" "${outputs[@]}" python3 \
    "$here/bench/frame_rate_wayland.py" "$build/app/tivaro" \
    "$build/bench/tivaro_reference_wayland" "$seconds" "$rounds"
done
