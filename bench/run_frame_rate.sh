#!/usr/bin/env bash
# Frames per second of the real saver and of the bare GL reference at 1024x768 and
# 1920x1080 under Xvfb with Mesa, and the time from process start to the first frame.
# Usage: bench/run_frame_rate.sh <build dir configured with -DTIVARO_BENCH=ON> [seconds] [rounds]
#
# Runs stop before the first burst (about 3.1 s in): until then both programs draw the very
# same quads frame by frame; after it their random draws, and so their camera distances,
# part ways with their frame rates.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:?build directory}
seconds=${2:-3}
rounds=${3:-7}
for size in 1024x768 1920x1080; do
  "$here/tests/integration/run_under_xvfb.sh" --size "$size" python3 "$here/bench/frame_rate.py" \
    "$build/app/tivaro" "$build/bench/tivaro_reference_fountain" "$seconds" "$rounds"
done
