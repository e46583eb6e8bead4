#!/usr/bin/env bash
# Installs a Debian package of Tivaro with apt (dependencies and all), checks what it put
# where, runs the real X screen-saver daemon's end-to-end test against the installed
# program, then purges the package and checks that nothing of it is left. As root.
# Usage: test-debian-package.sh <tivaro_version_arch.deb>
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
deb=$(realpath "$1")
fail=0
check() { if eval "$1"; then echo "ok: $2"; else echo "FAIL: $2"; fail=1; fi; }

if dpkg-query -W -f='${Status}' tivaro 2>/dev/null | grep -q "install ok installed"; then
  echo "test-debian-package: tivaro is already installed; remove it first" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get install -y -q --no-install-recommends "$deb"
files=$(dpkg -L tivaro)
version=$(dpkg-deb -f "$deb" Version)
check 'dpkg-query -W -f="\${Status}" tivaro | grep -q "install ok installed"' "apt installs the package"
check '[ -x /usr/libexec/xscreensaver/tivaro ]' "the program is in the daemon's folder"
check 'grep -q "Tivaro $version\\." /usr/share/xscreensaver/config/tivaro.xml' \
  "the settings description is installed and names version $version"
check 'man -w 6 tivaro >/dev/null 2>&1 && man 6 tivaro 2>/dev/null | grep -q window-id' \
  "man 6 tivaro finds the manual page"
check 'grep -q "NASA Visible Earth" /usr/share/doc/tivaro/copyright' \
  "the copyright file names where the Earth photograph comes from"
check 'dpkg-deb -f "$deb" Depends | grep -q libx11-6 && dpkg-deb -f "$deb" Recommends | grep -q xscreensaver' \
  "the package depends on the libraries the program links and recommends xscreensaver"

"$here/tests/integration/run_under_xvfb.sh" --size 1024x768 \
  "$here/tests/integration/test_xscreensaver.sh" /usr/libexec/xscreensaver/tivaro --installed ||
  fail=1

apt-get purge -y -q tivaro
check '! dpkg-query -W -f="\${Status}" tivaro 2>/dev/null | grep -q "installed"' "purging removes the package"
left=()
for f in $files; do
  # Folders the package shares with others (/usr, /usr/share/man, ...) stay.
  if [ -e "$f" ] && ! [ -d "$f" ]; then left+=("$f"); fi
  if [ -d "$f" ] && [[ "$f" == */tivaro ]]; then left+=("$f"); fi
done
check '[ ${#left[@]} = 0 ]' "purging leaves none of its files behind (${left[*]:-none})"
exit $fail
