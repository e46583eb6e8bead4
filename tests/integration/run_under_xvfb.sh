#!/usr/bin/env bash
# Runs one command under a private Xvfb server (its own display number, torn down after).
# Usage: run_under_xvfb.sh [--size WxH] [--depth N] [--no-glx] [--no-shm] command args...
set -u
size=1024x768
depth=24
extra=()
while [ $# -gt 0 ]; do
  case "$1" in
    --size) size=$2; shift 2 ;;
    --depth) depth=$2; shift 2 ;;
    --no-glx) extra+=(-extension GLX); shift ;;
    --no-shm) extra+=(-extension MIT-SHM); shift ;;
    *) break ;;
  esac
done
# Find a free display number: -displayfd lets the server pick one and tell us.
fifo=$(mktemp -u)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 "${size}x${depth}" -nolisten tcp -noreset "${extra[@]}" 3>"$fifo" >/dev/null 2>&1 &
xvfb_pid=$!
read -r -t 20 display_number <"$fifo"
rm -f "$fifo"
if [ -z "${display_number:-}" ]; then
  echo "run_under_xvfb: Xvfb did not start" >&2
  kill "$xvfb_pid" 2>/dev/null
  exit 1
fi
export DISPLAY=":$display_number"
"$@"
status=$?
kill "$xvfb_pid" 2>/dev/null
wait "$xvfb_pid" 2>/dev/null
exit $status
