#!/usr/bin/env bash
# End to end with the real X screen-saver daemon: it runs Tivaro when activated, the
# fountain fills the screen, and deactivating ends it with nothing left behind. The daemon
# will not run savers as root, so as root it runs as an unprivileged user of the test's own.
# Usage (under Xvfb): test_xscreensaver.sh <tivaro binary> [--installed]
# Without --installed the test lists a copy of the binary by its full path in a test
# ~/.xscreensaver. With --installed the binary is the one a package put in the daemon's own
# program folder, and the test does what the package tells a user to do: a fresh user with
# no ~/.xscreensaver runs tivaro-xscreensaver-add (twice: the second run changes nothing),
# and the daemon runs Tivaro from the list that made, at the place after the system's
# programs; the same command keeps every other line of an existing file with custom
# settings and a disabled program; and `tivaro /s` runs from PATH.
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
  # The program and its modules, which it finds beside it.
  cp "$tivaro" "$(dirname "$tivaro")"/tivaro-*.so "$work/"
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
if [ $installed = no ]; then
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
fi
as_user=()
if [ "$(id -u)" = 0 ]; then
  user=tivaro-saver-test
  id "$user" >/dev/null 2>&1 || useradd --no-create-home --home-dir "$home" --shell /usr/sbin/nologin "$user"
  chown -R "$user" "$home"
  as_user=(runuser -u "$user" --)
fi
run() { "${as_user[@]}" env HOME="$home" DISPLAY="$DISPLAY" "$@"; }

select_args=(-activate)
# Lines of a settings file that end an entry of the list ("\n\"), and the line Tivaro gets.
entry_lines() { grep -c '\\n\\$' "$1"; }
tivaro_line() { grep -q '^[>[:space:]]*tivaro --root[[:space:]]*\\n\\$' "$1"; }
if [ $installed = yes ]; then
  conf="$home/.xscreensaver"
  check 'run tivaro-xscreensaver-add >"$work/add.log" 2>&1 && [ -f "$conf" ]' \
    "tivaro-xscreensaver-add makes a fresh user's ~/.xscreensaver"
  cp "$conf" "$work/first"
  check 'run tivaro-xscreensaver-add >>"$work/add.log" 2>&1 && cmp -s "$conf" "$work/first" && [ ! -e "$conf.before-tivaro" ]' \
    "run again, it leaves the file byte for byte as it was"
  # The system's list has one program a line; Tivaro comes after them.
  system_count=$(awk '/^\*programs:/ { on = 1; next } on && /\\n\\?[ \t]*$/ { n++ } on && !/\\$/ { exit } END { print n + 0 }' \
    /etc/X11/app-defaults/XScreenSaver)
  check '[ "$system_count" -gt 100 ] && [ "$(entry_lines "$conf")" = "$((system_count + 1))" ] && tivaro_line "$conf"' \
    "the list holds the system's $system_count programs and tivaro --root"
  select_args=(-select "$((system_count + 1))")
  # The daemon's other settings come from the X resources: no splash, fade or lock here.
  printf 'xscreensaver.splash: False\nxscreensaver.fade: False\nxscreensaver.unfade: False\nxscreensaver.lock: False\n' |
    xrdb -merge -
fi
run xscreensaver --no-splash >"$work/daemon.log" 2>&1 &
daemon=$!
for _ in $(seq 50); do run xscreensaver-command -version >/dev/null 2>&1 && break; sleep 0.2; done
check 'run xscreensaver-command -version >/dev/null 2>&1' "the daemon is up"

run xscreensaver-command "${select_args[@]}" >/dev/null 2>&1
started=no
for _ in $(seq 50); do [ -n "$(savers)" ] && { started=yes; break; }; sleep 0.2; done
check '[ $started = yes ]' "activating the daemon (${select_args[*]}) starts Tivaro"
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

if [ $installed = yes ]; then
  # An existing file, as the settings program writes it, with custom settings, a disabled
  # program and a labelled one continued on a second line.
  printf '%s\n' "# XScreenSaver Preferences File" "timeout:	0:42:00" "mode:		one" "selected:	2" \
    "fade:		False" "" "programs:								      \\" \
    "				maze --root				    \\n\\" \
    "-				qix --root				    \\n\\" \
    "  \"My flame\" 	flame --root \\" "		  -delay 5				    \\n\\" "" "" \
    "pointerHysteresis:  10" >"$conf"
  chown "${user:-$(id -un)}" "$conf" 2>/dev/null
  cp "$conf" "$work/custom"
  check 'run tivaro-xscreensaver-add >>"$work/add.log" 2>&1' "tivaro-xscreensaver-add works on an existing file"
  diff "$work/custom" "$conf" >"$work/custom.diff"
  check '[ "$(grep -c "^[<>]" "$work/custom.diff")" = 1 ] && grep -q "^> " "$work/custom.diff" && tivaro_line "$work/custom.diff"' \
    "it adds one line, tivaro --root at the end of the list, and keeps every other line"
  check 'cmp -s "$work/custom" "$conf.before-tivaro"' "it keeps the file as it was in ~/.xscreensaver.before-tivaro"
  cp "$conf" "$work/second"
  check 'run tivaro-xscreensaver-add >>"$work/add.log" 2>&1 && cmp -s "$conf" "$work/second"' \
    "run again, that file stays byte for byte as it was"

  # tivaro on PATH, as a user's shell finds it: /s runs the saver until it is told to end.
  check '[ "$(run sh -c "command -v tivaro")" = /usr/bin/tivaro ]' "tivaro is on PATH as /usr/bin/tivaro"
  run env PATH=/usr/local/bin:/usr/bin:/bin tivaro /s >"$work/path.log" 2>&1 &
  started=no
  for _ in $(seq 50); do [ -n "$(savers)" ] && { started=yes; break; }; sleep 0.2; done
  check '[ $started = yes ]' "tivaro /s from PATH runs the saver"
  savers | xargs -r kill -TERM 2>/dev/null
  gone=no
  for _ in $(seq 50); do [ -z "$(savers)" ] && { gone=yes; break; }; sleep 0.1; done
  check '[ $gone = yes ]' "and SIGTERM ends it"
  if [ $fail != 0 ]; then echo "--- tivaro-xscreensaver-add"; cat "$work/add.log"; fi
fi
savers | xargs -r kill 2>/dev/null
wait 2>/dev/null
if [ $fail != 0 ]; then
  echo "--- daemon log"; tail -30 "$work/daemon.log"
fi
rm -rf "$work"
exit $fail
