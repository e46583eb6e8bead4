#!/usr/bin/env bash
# Runs one command under a private headless gnome-shell (torn down after); exits with its status.
#
# Usage: gnome_run.sh GNOME_BUS_CLIENT command args...
#
# Monitors: Meta-0, 1024x768 at (0, 0), scale 1, and Meta-1, 1600x1200 at scale 2, at (1024, 0)
# (800x600 in a layout of logical pixels; gnome-shell 48 lays them out in device pixels). gnome-shell runs without Xwayland (no X display taken) as nobody,
# with a runtime folder and HOME of its own and two buses of the test's own: a session bus and
# a system bus, on which GNOME_BUS_CLIENT stands in for the display manager so that the shell
# offers its screen shield. Settings live in a keyfile under that HOME (GSETTINGS_BACKEND=keyfile),
# so `gsettings` in the command reads and writes what the shell reads.
#
# The command runs as the caller and gets WAYLAND_DISPLAY, XDG_RUNTIME_DIR, XDG_CONFIG_HOME,
# GSETTINGS_BACKEND, DBUS_SESSION_BUS_ADDRESS, DBUS_SYSTEM_BUS_ADDRESS, TIVARO_GNOME_PID (to
# kill it), TIVARO_GNOME_LOG and no DISPLAY; where PipeWire and WirePlumber are installed they
# run in the shell's session, for its screen casts.
set -u
if [ $# -lt 2 ]; then
  echo "usage: gnome_run.sh GNOME_BUS_CLIENT command args..." >&2
  exit 2
fi
client=$1
shift
for tool in gnome-shell dbus-daemon gdbus setpriv; do
  if ! command -v "$tool" >/dev/null; then
    echo "gnome_run: $tool is not installed" >&2
    exit 1
  fi
done

runtime=$(mktemp -d /tmp/tivaro-gnome.XXXXXX)
pids=()
cleanup() {
  # gnome-shell first (it leaves the buses), then the rest, newest first.
  local i
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    kill "${pids[i]}" 2>/dev/null
    for _ in $(seq 50); do
      kill -0 "${pids[i]}" 2>/dev/null || break
      sleep 0.1
    done
    kill -KILL "${pids[i]}" 2>/dev/null
  done
  rm -rf "$runtime"
}
trap 'cleanup; exit 130' INT
trap 'cleanup; exit 143' TERM

mkdir -p "$runtime/home/.config"
for bus in session system; do
  cat >"$runtime/$bus.conf" <<EOF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>$bus</type>
  <listen>unix:path=$runtime/$bus-bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
EOF
done
chown -R nobody:nogroup "$runtime"
chmod 0700 "$runtime"

for bus in session system; do
  setpriv --reuid=nobody --regid=nogroup --clear-groups dbus-daemon --config-file="$runtime/$bus.conf" --nofork </dev/null \
    >/dev/null 2>&1 &
  pids+=($!)
  disown $!
done
export DBUS_SESSION_BUS_ADDRESS="unix:path=$runtime/session-bus"
export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$runtime/system-bus"
for _ in $(seq 50); do
  [ -S "$runtime/session-bus" ] && [ -S "$runtime/system-bus" ] && break
  sleep 0.1
done
"$client" gdm >/dev/null </dev/null &
pids+=($!)
disown $!
for _ in $(seq 50); do
  gdbus call --system -d org.gnome.DisplayManager -o /org/gnome/DisplayManager/Manager \
    -m org.freedesktop.DBus.Properties.Get org.gnome.DisplayManager.Manager Version \
    >/dev/null 2>&1 && break
  sleep 0.1
done

# The shell offers its lock (the screen shield) only on a machine it takes for one run by
# systemd, which it tells by /run/systemd/seats; a container without systemd lacks the folder.
if [ ! -d /run/systemd/seats ] && [ "$(id -u)" = 0 ]; then
  mkdir -p /run/systemd/seats
fi

# PipeWire and its session manager, where installed, for the shell's screen casts (the
# test's pictures of each monitor): as nobody, in the shell's runtime folder.
as_shell_user() {
  env -i PATH="$PATH" HOME="$runtime/home" XDG_RUNTIME_DIR="$runtime" \
    XDG_CONFIG_HOME="$runtime/home/.config" DBUS_SESSION_BUS_ADDRESS="$DBUS_SESSION_BUS_ADDRESS" \
    setpriv --reuid=nobody --regid=nogroup --clear-groups "$@"
}
if command -v pipewire >/dev/null && command -v wireplumber >/dev/null; then
  as_shell_user pipewire >"$runtime/pipewire.log" 2>&1 </dev/null &
  pids+=($!)
  disown $!
  for _ in $(seq 50); do
    [ -S "$runtime/pipewire-0" ] && break
    sleep 0.1
  done
  as_shell_user wireplumber >"$runtime/wireplumber.log" 2>&1 </dev/null &
  pids+=($!)
  disown $!
fi

display=gnome-test
env -i PATH="$PATH" HOME="$runtime/home" XDG_RUNTIME_DIR="$runtime" \
  XDG_CONFIG_HOME="$runtime/home/.config" GSETTINGS_BACKEND=keyfile \
  DBUS_SESSION_BUS_ADDRESS="$DBUS_SESSION_BUS_ADDRESS" \
  DBUS_SYSTEM_BUS_ADDRESS="$DBUS_SYSTEM_BUS_ADDRESS" LIBGL_ALWAYS_SOFTWARE=1 \
  setpriv --reuid=nobody --regid=nogroup --clear-groups \
  gnome-shell --wayland --headless --no-x11 --wayland-display="$display" \
  --virtual-monitor 1024x768 --virtual-monitor 1600x1200 \
  >"$runtime/gnome-shell.log" 2>&1 </dev/null &
gnome_pid=$!
pids+=($gnome_pid)
disown $gnome_pid  # no job report when a test kills it

shell_call() {
  gdbus call --session -d org.gnome.Shell "$@" 2>/dev/null
}
# Up once the shell answers on the bus and its Wayland socket is there.
up=
for _ in $(seq 300); do
  kill -0 "$gnome_pid" 2>/dev/null || break
  if [ -S "$runtime/$display" ] &&
    shell_call -o /org/gnome/Shell -m org.freedesktop.DBus.Properties.Get org.gnome.Shell \
      OverviewActive >/dev/null; then
    up=1
    break
  fi
  sleep 0.1
done
if [ -z "$up" ]; then
  echo "gnome_run: headless gnome-shell did not come up within 30 s; its log ends:" >&2
  tail -n 20 "$runtime/gnome-shell.log" >&2
  cleanup
  exit 1
fi

# Meta-1 at scale 2: the layout as it stands, with that one scale changed (a temporary
# configuration, method 1).
state=$(gdbus call --session -d org.gnome.Mutter.DisplayConfig -o /org/gnome/Mutter/DisplayConfig \
  -m org.gnome.Mutter.DisplayConfig.GetCurrentState)
serial=$(sed -n 's/^(uint32 \([0-9]*\),.*/\1/p' <<<"$state")
if ! gdbus call --session -d org.gnome.Mutter.DisplayConfig -o /org/gnome/Mutter/DisplayConfig \
  -m org.gnome.Mutter.DisplayConfig.ApplyMonitorsConfig "$serial" 1 \
  "[(0, 0, 1.0, 0, true, [('Meta-0', '1024x768@60.000', @a{sv} {})]),
    (1024, 0, 2.0, 0, false, [('Meta-1', '1600x1200@60.000', @a{sv} {})])]" "@a{sv} {}" \
  >"$runtime/apply.log" 2>&1; then
  echo "gnome_run: gnome-shell refused Meta-1 at scale 2:" >&2
  cat "$runtime/apply.log" >&2
  cleanup
  exit 1
fi

(
  unset DISPLAY WAYLAND_SOCKET
  export XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY="$display"
  export XDG_CONFIG_HOME="$runtime/home/.config" GSETTINGS_BACKEND=keyfile
  export TIVARO_GNOME_PID="$gnome_pid" TIVARO_GNOME_LOG="$runtime/gnome-shell.log"
  exec "$@"
)
status=$?
cleanup
exit $status
