#!/usr/bin/env bash
# Keys lost at start (bench/keys_at_start.py) under a private headless sway with one 1024x768
# output (--two-outputs adds the 800x600 one at scale 2), or with --x11 under a private Xvfb
# (1024x768).
# Usage: bench/keys_at_start.sh <tivaro> [runs] [--two-outputs | --x11] [keys_at_start.py options]
#   e.g. bench/keys_at_start.sh build/app/tivaro 40 --load 2
#        bench/keys_at_start.sh build/app/tivaro 20 --at 60,90,120,160,200
#        bench/keys_at_start.sh build/app/tivaro 100 --x11 --at 0,10,20,30,40,60,100,150
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
tivaro=$(realpath "${1:?the tivaro executable}")
runs=${2:-40}
shift $(($# < 2 ? $# : 2))
case "${1:-}" in
  --x11)
    shift
    exec "$here/tests/integration/run_under_xvfb.sh" python3 \
      "$here/bench/keys_at_start.py" "$tivaro" "$runs" --system x11 "$@" ;;
  --two-outputs)
    shift
    outputs=() ;;
  *)
    outputs=(--one-output) ;;
esac
exec "$here/tests/wayland/run_under_sway.sh" "${outputs[@]}" python3 \
  "$here/bench/keys_at_start.py" "$tivaro" "$runs" "$@"
