#!/usr/bin/env bash
# End to end with the real X screen-saver daemon: it runs Tivaro (listed with -root in a
# test ~/.xscreensaver) when activated, the fountain fills the screen, and deactivating
# ends it with nothing left behind. The daemon will not run savers as root, so as root it
# runs as an unprivileged user of the test's own.
# Usage (under Xvfb): test_xscreensaver.sh <tivaro binary> [--installed]
# With --installed the binary is the one a package put in the daemon's own program folder,
# and the test lists it as a user would, by name ("tivaro -root"); otherwise it lists a copy
# by its full path.
set -u
tivaro=$1
installed=no
[ "${2:-}" = --installed ] && installed=yes
fail=0
check() { if eval "$1"; then echo "ok: $2"; else echo "FAIL: $2"; fail=1; fi; }

work=$(mktemp -d /tmp/tivaro-xss.XXXXXX)
chmod 755 "$work"
if [ $installed = yes ]; then
  command="tivaro -root"
else
  cp "$tivaro" "$work/tivaro"
  command="$work/tivaro -root"
fi
# The saver's processes: by path for the copy, by what they run for the installed program.
savers() {
  if [ $installed = no ]; then pgrep -f "$work/tivaro"; return; fi
  local pid
  for pid in $(pgrep -x tivaro); do
    [ "$(readlink "/proc/$pid/exe" 2>/dev/null)" = "$tivaro" ] && echo "$pid"
  done
  return 0
}
home="$work/home"
mkdir -p "$home"
cat >"$home/.xscreensaver" <<CONF
mode:		one
selected:	0
timeout:	1:00:00
cycle:		0:10:00
lock:		False
fade:		False
unfade:		False
splash:		False
dpmsEnabled:	False
programs:	"Tivaro"  $command	\n\

CONF
as_user=()
if [ "$(id -u)" = 0 ]; then
  user=tivaro-saver-test
  id "$user" >/dev/null 2>&1 || useradd --no-create-home --home-dir "$home" --shell /usr/sbin/nologin "$user"
  chown -R "$user" "$home"
  as_user=(runuser -u "$user" --)
fi
run() { "${as_user[@]}" env HOME="$home" DISPLAY="$DISPLAY" "$@"; }

run xscreensaver --no-splash >"$work/daemon.log" 2>&1 &
daemon=$!
for _ in $(seq 50); do run xscreensaver-command -version >/dev/null 2>&1 && break; sleep 0.2; done
check 'run xscreensaver-command -version >/dev/null 2>&1' "the daemon is up"

run xscreensaver-command -activate >/dev/null 2>&1
started=no
for _ in $(seq 50); do [ -n "$(savers)" ] && { started=yes; break; }; sleep 0.2; done
check '[ $started = yes ]' "activating the daemon starts Tivaro"
sleep 3
import -window root "$work/screen.png"
size=$(identify -format '%w %h' "$work/screen.png")
read -r width height <<<"$size"
# Bright, coloured pixels in the middle third of the screen, none needed elsewhere.
bright=$(convert "$work/screen.png" -crop "$((width / 3))x$((height / 3))+$((width / 3))+$((height / 3))" \
  -colorspace Gray -threshold 25% -format '%[fx:mean*w*h]' info:)
check '[ "${bright%.*}" -gt 200 ]' "the fountain shows full screen (${bright%.*} bright pixels at the centre)"
mkdir -p "${TIVARO_SCREENSHOTS:-$work}" && cp "$work/screen.png" "${TIVARO_SCREENSHOTS:-$work}/xscreensaver.png"

run xscreensaver-command -deactivate >/dev/null 2>&1
gone=no
for _ in $(seq 50); do [ -z "$(savers)" ] && { gone=yes; break; }; sleep 0.1; done
check '[ $gone = yes ]' "deactivating ends Tivaro and no Tivaro process remains"

run xscreensaver-command -exit >/dev/null 2>&1
sleep 0.5
kill "$daemon" 2>/dev/null
savers | xargs -r kill 2>/dev/null
wait 2>/dev/null
if [ $fail != 0 ]; then
  echo "--- daemon log"; tail -30 "$work/daemon.log"
fi
rm -rf "$work"
exit $fail
