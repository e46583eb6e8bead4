#!/usr/bin/env bash
# Runs one command under a private headless sway (torn down after); exits with its status.
#
# Usage: run_under_sway.sh [--one-output | --no-output] [--scale S] command args...
#
# Outputs: HEADLESS-1, 1024x768 at (0, 0), scale 1, and HEADLESS-2, 800x600 in the layout at
# (1024, 0), scale S (2 unless told), so 800S x 600S device pixels (1600x1200 at scale 2).
# --one-output leaves only HEADLESS-1; --no-output starts sway with none (`swaymsg
# create_output` makes one later, HEADLESS-1 at 1920x1080).
#
# sway refuses to run as root, so it runs as nobody with a runtime directory of its own; the
# command runs as the caller (root can reach nobody's socket). The command gets
# WAYLAND_DISPLAY, XDG_RUNTIME_DIR and SWAYSOCK, TIVARO_SWAY_PID (to kill it) and
# TIVARO_SWAY_LOG (its debug log, which names each layer surface made), and no DISPLAY.
set -u
outputs=2
scale=2
while [ $# -gt 0 ]; do
  case "$1" in
    --one-output) outputs=1; shift ;;
    --no-output) outputs=0; shift ;;
    --scale) scale=$2; shift 2 ;;
    *) break ;;
  esac
done
if [ $# -eq 0 ]; then
  echo "usage: run_under_sway.sh [--one-output | --no-output] [--scale S] command args..." >&2
  exit 2
fi
for tool in sway swaymsg setpriv; do
  if ! command -v "$tool" >/dev/null; then
    echo "run_under_sway: $tool is not installed (tools/setup-debian.sh installs it)" >&2
    exit 1
  fi
done

runtime=$(mktemp -d /tmp/tivaro-sway.XXXXXX)
sway_pid=
cleanup() {
  if [ -n "$sway_pid" ]; then
    kill "$sway_pid" 2>/dev/null
    for _ in $(seq 50); do
      kill -0 "$sway_pid" 2>/dev/null || break
      sleep 0.1
    done
    kill -KILL "$sway_pid" 2>/dev/null
  fi
  rm -rf "$runtime"
}
trap 'cleanup; exit 130' INT
trap 'cleanup; exit 143' TERM

{
  [ "$outputs" -eq 0 ] || echo "output HEADLESS-1 resolution 1024x768 position 0 0 scale 1"
  if [ "$outputs" -gt 1 ]; then
    mode=$(awk -v s="$scale" 'BEGIN { printf "%dx%d", 800 * s + 0.5, 600 * s + 0.5 }')
    echo "output HEADLESS-2 resolution $mode position 1024 0 scale $scale"
  fi
} >"$runtime/config"
chown -R nobody:nogroup "$runtime"
chmod 0700 "$runtime"

# sway as nobody, with nothing of the caller's session: only what it needs.
env -i PATH="$PATH" HOME="$runtime" XDG_RUNTIME_DIR="$runtime" \
  WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
  WLR_HEADLESS_OUTPUTS="$outputs" LIBGL_ALWAYS_SOFTWARE=1 \
  setpriv --reuid=nobody --regid=nogroup --clear-groups \
  sway --debug --config "$runtime/config" >"$runtime/sway.log" 2>&1 </dev/null &
sway_pid=$!
disown "$sway_pid"  # no job report when a test kills it

# Up once its IPC socket answers with all outputs active, and its Wayland socket is there.
socket=
display=
for _ in $(seq 200); do
  if ! kill -0 "$sway_pid" 2>/dev/null; then
    break
  fi
  socket=$(ls "$runtime"/sway-ipc.*.sock 2>/dev/null | head -n 1)
  display=$(cd "$runtime" && ls wayland-* 2>/dev/null | grep -v '\.lock$' | head -n 1)
  if [ -n "$socket" ] && [ -n "$display" ]; then
    active=$(SWAYSOCK="$socket" swaymsg -r -t get_outputs 2>/dev/null | grep -c '"active": true')
    if [ "$active" -ge "$outputs" ]; then
      break
    fi
  fi
  socket=
  sleep 0.1
done
if [ -z "$socket" ]; then
  echo "run_under_sway: headless sway did not come up within 20 s; its log ends:" >&2
  tail -n 20 "$runtime/sway.log" >&2
  cleanup
  exit 1
fi

(
  unset DISPLAY WAYLAND_SOCKET
  export XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY="$display" SWAYSOCK="$socket"
  export TIVARO_SWAY_PID="$sway_pid" TIVARO_SWAY_LOG="$runtime/sway.log"
  exec "$@"
)
status=$?
cleanup
exit $status
