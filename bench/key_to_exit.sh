#!/usr/bin/env bash
# Time from a key to the saver's process gone (bench/key_to_exit.py), on headless sway with one
# 1024x768 output, with that and the 800x600 one at scale 2 (1600x1200 device pixels), and on
# Xvfb (1024x768); each quiet and with both cores busy (two busy loops).
# Usage: bench/key_to_exit.sh <tivaro> [tries] [cases...]
#   cases: wayland-1 wayland-2 x11 (all three unless told); TIVARO_BENCH_LOADS="0 2" the
#   numbers of busy loops to try.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
tivaro=$(realpath "${1:?the tivaro executable}")
tries=${2:-10}
shift $(($# < 2 ? $# : 2))
cases=("$@")
[ ${#cases[@]} -gt 0 ] || cases=(wayland-1 wayland-2 x11)
for load in ${TIVARO_BENCH_LOADS:-0 2}; do
  # A loaded machine takes longer to show the saver: the key must come after that.
  settle=3
  [ "$load" -eq 0 ] || settle=6
  for case in "${cases[@]}"; do
    bench=("$here/bench/key_to_exit.py" --settle "$settle")
    case "$case" in
      wayland-1) "$here/tests/wayland/run_under_sway.sh" --one-output python3 "${bench[@]}" \
                   wayland "$tivaro" "$tries" --load "$load" --label "one output" ;;
      wayland-2) "$here/tests/wayland/run_under_sway.sh" python3 "${bench[@]}" \
                   wayland "$tivaro" "$tries" --load "$load" --label "two outputs, 1600x1200 at scale 2" ;;
      x11) "$here/tests/integration/run_under_xvfb.sh" python3 "${bench[@]}" \
             x11 "$tivaro" "$tries" --load "$load" --label "Xvfb 1024x768" ;;
      *) echo "key_to_exit: unknown case '$case' (wayland-1, wayland-2, x11)" >&2; exit 2 ;;
    esac
  done
done
