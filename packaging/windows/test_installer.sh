#!/usr/bin/env bash
# Runs a Tivaro installer silently under Wine and checks what it did, then its uninstaller:
# the .scr in the account's own folder (%LOCALAPPDATA%\Programs\Tivaro\<arch>), Tivaro as
# the account's screen saver, an uninstall entry of the account's; after uninstalling, no
# file or key of ours left and the screen saver set before back in place. A second round
# starts with no screen saver set, and uninstalling must leave none. A third installs it
# twice, and again after the user picked another saver.
# Usage: test_installer.sh <wine loader> <setup.exe> <x64|x86> <the Tivaro.scr it holds>
# Runs inside a Wine session: WINEPREFIX (64-bit) and DISPLAY set, wineserver running.
set -u
wine=$1
setup=$2
arch=$3
expected=$4
fail=0
check() { if eval "$1"; then echo "ok: $arch: $2"; else echo "FAIL: $arch: $2"; fail=1; fi; }
desktop='HKCU\Control Panel\Desktop'
local_app_data=$(timeout 60 "$wine" cmd /c 'echo %LOCALAPPDATA%' 2>/dev/null | tr -d '\r')
scr_win="$local_app_data\Programs\Tivaro\\$arch\Tivaro.scr"
instdir=$(timeout 60 "$wine" winepath -u "$local_app_data\Programs\Tivaro\\$arch" 2>/dev/null)
instdir=${instdir%/}
scr="$instdir/Tivaro.scr"
uninstall_key="HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tivaro-$arch"
state_key="HKCU\Software\Tivaro\\$arch"
if [ "$arch" = x64 ]; then view=/reg:64; else view=/reg:32; fi
if [ -z "$local_app_data" ] || [ -z "$instdir" ]; then
  echo "FAIL: $arch: Wine does not say where %LOCALAPPDATA% is"
  exit 1
fi
# A registry value, as `reg query` prints it (empty when absent), seen as the installer
# sees the registry (`reg` alone would pick its view by the loader).
value() {
  timeout 60 "$wine" reg query "$1" /v "$2" "$view" 2>/dev/null | tr -d '\r' |
    sed -n "s/^ *$2 *REG_[A-Z_]* *//p"
}
set_saver() {
  if [ -n "$1" ]; then
    timeout 60 "$wine" reg add "$desktop" /v SCRNSAVE.EXE /t REG_SZ /d "$1" /f >/dev/null 2>&1
  else
    timeout 60 "$wine" reg delete "$desktop" /v SCRNSAVE.EXE /f >/dev/null 2>&1
  fi
  return 0
}
# The uninstaller copies itself away and returns at once; wait until it is done.
uninstall() {
  timeout 120 "$wine" "$instdir/Uninstall.exe" /S
  for _ in $(seq 120); do [ -e "$instdir" ] || break; sleep 0.5; done
}

for previous in 'C:\windows\system32\scrnsave.scr' ''; do
  label=${previous:-none}
  set_saver "$previous"
  timeout 300 "$wine" "$setup" /S
  check 'cmp -s "$scr" "$expected"' \
    "the installer puts Tivaro.scr in the account's folder $scr_win (previous saver: $label)"
  saver=$(value "$desktop" SCRNSAVE.EXE)
  check '[ "${saver,,}" = "${scr_win,,}" ]' "Tivaro is the current screen saver ($saver)"
  check '[ "$(value "$uninstall_key" DisplayVersion)" != "" ]' "an uninstall entry is registered for the account"
  check '[ "$(value "$state_key" PreviousSet)" != "" ]' "the saver set before is recorded in $state_key"
  check '[ -x "$instdir/Uninstall.exe" ]' "the uninstaller is in place"

  uninstall
  check '[ ! -e "$scr" ] && [ ! -e "$instdir" ]' "uninstalling removes every file"
  check '[ -z "$(value "$uninstall_key" DisplayVersion)" ] && [ -z "$(value "$state_key" PreviousSet)" ]' \
    "uninstalling removes its registry keys"
  saver=$(value "$desktop" SCRNSAVE.EXE)
  check '[ "$saver" = "$previous" ]' "uninstalling puts back the previous screen saver ($label)"
done
# Installed again: with nothing changed it keeps its record; after the user picked another
# saver it records that one, and uninstalling puts it back.
before='C:\windows\system32\scrnsave.scr'
chosen='C:\windows\system32\chosen.scr'
set_saver "$before"
timeout 300 "$wine" "$setup" /S
timeout 300 "$wine" "$setup" /S
check '[ "$(value "$state_key" PreviousScreenSaver)" = "$before" ]' \
  "installed again with nothing changed, the record still holds $before"
set_saver "$chosen"
timeout 300 "$wine" "$setup" /S
uninstall
check '[ "$(value "$desktop" SCRNSAVE.EXE)" = "$chosen" ]' \
  "installed again after the user picked $chosen, uninstalling puts that one back"
set_saver ''
exit $fail
