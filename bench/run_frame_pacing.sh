#!/usr/bin/env bash
# The spread of frame intervals of the Windows build under Wine on a private Xvfb, where no
# swap control paces the frames (bench/frame_pacing.py).
# Usage: bench/run_frame_pacing.sh <Windows build dir> [seconds] [rounds]
# TIVARO_BENCH_SIZE (640x480 by default: small enough that drawing takes a fraction of a
# frame, so the intervals show the sleep, not the renderer). WINEPREFIX defaults to the
# build's own prefix (the one tools/test-windows.sh makes).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?Windows build directory}" && pwd)
seconds=${2:-10}
rounds=${3:-3}
# Wine's desktop takes the display of the first program of the session: the server is
# started, and the prefix made, under the benchmark's own X server.
if [ -z "${TIVARO_PACING_XVFB:-}" ]; then
  exec env TIVARO_PACING_XVFB=1 "$here/tests/integration/run_under_xvfb.sh" \
    --size "${TIVARO_BENCH_SIZE:-640x480}" bash "$0" "$build" "$seconds" "$rounds"
fi
export WINEPREFIX=${WINEPREFIX:-$build/wineprefix}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$WINEPREFIX"
timeout 30 wineserver -k 2>/dev/null || true
timeout 60 wineserver -p
trap 'timeout 30 wineserver -k 2>/dev/null || true' EXIT
timeout 300 wine wineboot -i >/dev/null 2>&1
python3 "$here/bench/frame_pacing.py" "$build/app/Tivaro.scr" "$seconds" "$rounds"
