#!/usr/bin/env bash
# Frames per second of the real saver and of the bare GL reference at 1024x768, 1920x1080
# and 3840x2160 under Xvfb with Mesa, the time from process start to the first frame and
# the memory each program holds.
# Usage: bench/run_frame_rate.sh <build dir configured with -DTIVARO_BENCH=ON> [seconds] [rounds]
# TIVARO_BENCH_SIZES="1920x1080 ..." runs only the screen sizes given.
#
# Runs stop before the first burst: until then both programs draw the very same quads frame
# by frame; after it their random draws, and so their camera distances, part ways with their
# frame rates. Unpaced, at 64 frames a second or more, the saver's timer ticks 64 times a
# second, so the burst (the 201st tick) comes 3.13-3.14 s after its first tick, which is
# itself after start-up: 3 s runs end before it.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:?build directory}
seconds=${2:-3}
rounds=${3:-7}
for size in ${TIVARO_BENCH_SIZES:-1024x768 1920x1080 3840x2160}; do
  "$here/tests/integration/run_under_xvfb.sh" --size "$size" python3 "$here/bench/frame_rate.py" \
    "$build/app/tivaro" "$build/bench/tivaro_reference_fountain" "$seconds" "$rounds"
done
