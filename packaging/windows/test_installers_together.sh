#!/usr/bin/env bash
# Both installers on one account: x64 installed, then x86, then x86 uninstalled. Each keeps
# its own record of the saver set before it, so uninstalling x86 puts back what the account
# had then (the x64 Tivaro) and leaves the x64 files and record intact; uninstalling x64
# then puts back the saver set before either. The other way round (x64 uninstalled first,
# while its record is what the x86 one leads to) must end the same.
# Usage: test_installers_together.sh <wine loader> <setup-x64.exe> <setup-x86.exe>
# Runs inside a Wine session: WINEPREFIX (64-bit, with its 32-bit half) and DISPLAY set.
set -u
wine=$1
setup64=$2
setup86=$3
fail=0
check() { if eval "$1"; then echo "ok: x64+x86: $2"; else echo "FAIL: x64+x86: $2"; fail=1; fi; }
desktop='HKCU\Control Panel\Desktop'
value() {
  timeout 60 "$wine" reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
    sed -n "s/^ *$2 *REG_[A-Z_]* *//p"
}
local_app_data=$(timeout 60 "$wine" cmd /c 'echo %LOCALAPPDATA%' 2>/dev/null | tr -d '\r')
[ -n "$local_app_data" ] || { echo "FAIL: x64+x86: Wine does not say where %LOCALAPPDATA% is"; exit 1; }
saver64="$local_app_data\\Programs\\Tivaro\\x64\\Tivaro.scr"
saver86="$local_app_data\\Programs\\Tivaro\\x86\\Tivaro.scr"
dir64=$(timeout 60 "$wine" winepath -u "$local_app_data\\Programs\\Tivaro\\x64" 2>/dev/null)
dir86=$(timeout 60 "$wine" winepath -u "$local_app_data\\Programs\\Tivaro\\x86" 2>/dev/null)
uninstall() {  # folder; the uninstaller copies itself away and returns at once
  timeout 120 "$wine" "$1/Uninstall.exe" /S
  for _ in $(seq 120); do [ -e "$1" ] || break; sleep 0.5; done
}
set_saver() {
  timeout 60 "$wine" reg add "$desktop" /v SCRNSAVE.EXE /t REG_SZ /d "$1" /f >/dev/null 2>&1
}
no_tivaro_key() {
  [ -z "$(timeout 60 "$wine" reg query 'HKCU\Software\Tivaro' 2>/dev/null | tr -d '\r' | grep -i tivaro)" ]
}
before='C:\windows\system32\scrnsave.scr'
set_saver "$before"

timeout 300 "$wine" "$setup64" /S
timeout 300 "$wine" "$setup86" /S
check '[ "$(value "$desktop" SCRNSAVE.EXE)" = "$saver86" ]' "the x86 Tivaro is the saver after both installs"
check '[ "$(value "HKCU\\Software\\Tivaro\\x64" PreviousScreenSaver)" = "$before" ]' \
  "the x64 record holds the saver set before ($before)"
check '[ "$(value "HKCU\\Software\\Tivaro\\x86" PreviousScreenSaver)" = "$saver64" ]' \
  "the x86 record holds the x64 Tivaro"

uninstall "$dir86"
check '[ ! -e "$dir86" ] && [ -f "$dir64/Tivaro.scr" ] && [ -x "$dir64/Uninstall.exe" ]' \
  "uninstalling x86 removes its files only"
check '[ "$(value "HKCU\\Software\\Tivaro\\x64" PreviousScreenSaver)" = "$before" ] && [ "$(value "HKCU\\Software\\Tivaro\\x64" PreviousSet)" = 1 ]' \
  "the x64 record is intact"
check '[ -z "$(value "HKCU\\Software\\Tivaro\\x86" PreviousSet)" ]' "the x86 record is gone"
check '[ "$(value "$desktop" SCRNSAVE.EXE)" = "$saver64" ]' \
  "the saver the account had before the x86 install (the x64 Tivaro) is back"

uninstall "$dir64"
check '[ "$(value "$desktop" SCRNSAVE.EXE)" = "$before" ]' \
  "uninstalling x64 then puts back the saver set before either ($before)"
check no_tivaro_key "no Tivaro key is left"

set_saver "$before"
timeout 300 "$wine" "$setup64" /S
timeout 300 "$wine" "$setup86" /S
uninstall "$dir64"
check '[ ! -e "$dir64" ] && [ -f "$dir86/Tivaro.scr" ] && [ "$(value "$desktop" SCRNSAVE.EXE)" = "$saver86" ]' \
  "uninstalling x64 first removes its files only and leaves the x86 Tivaro the saver"
uninstall "$dir86"
check '[ "$(value "$desktop" SCRNSAVE.EXE)" = "$before" ] && no_tivaro_key' \
  "uninstalling x86 then puts back the saver set before either ($before), no Tivaro key left"

timeout 60 "$wine" reg delete "$desktop" /v SCRNSAVE.EXE /f >/dev/null 2>&1
exit $fail
