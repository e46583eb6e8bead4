#!/usr/bin/env bash
# Installs a Debian package of Tivaro with apt (dependencies and all; on a bare system, as
# tools/debian-release.sh gives, that shows its dependencies are enough), checks what it put
# where, does what the package tells a user to do (tivaro-xscreensaver-add as a fresh user,
# then the real X screen-saver daemon runs Tivaro from that list; an existing
# ~/.xscreensaver keeps its other lines; tivaro /s from PATH), then purges the package and
# checks that nothing of it is left. As root.
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
# The package first, on its own: on a bare system nothing else has brought in a library
# its dependencies forgot.
apt-get update -q
apt-get install -y -q --no-install-recommends "$deb"
files=$(dpkg -L tivaro)
version=$(dpkg-deb -f "$deb" Version)
version=${version%%~*}  # without the release it was built for (~deb13)
check 'dpkg-query -W -f="\${Status}" tivaro | grep -q "install ok installed"' "apt installs the package"
unresolved() {  # the installed programs' and modules' libraries that cannot be found
  local f
  for f in $files; do
    [ -f "$f" ] && [ "$(head -c 4 "$f" | od -An -c | tr -d ' ')" = '177ELF' ] || continue
    ldd "$f" | sed -n "s|^[[:space:]]*\(.*not found\)|$f: \1|p"
  done
}
missing=$(unresolved)
check '[ -z "$missing" ]' "every program and module finds its libraries${missing:+: $missing}"
# What the checks below use.
bash "$here/tools/install-packages.sh" python3-debian man-db procps xvfb imagemagick xscreensaver
check '[ -x /usr/libexec/xscreensaver/tivaro ]' "the program is in the daemon's folder"
check '[ "$(readlink -f /usr/bin/tivaro)" = /usr/libexec/xscreensaver/tivaro ]' \
  "/usr/bin/tivaro is that program"
check '[ -x /usr/bin/tivaro-xscreensaver-add ] && man -w 1 tivaro-xscreensaver-add >/dev/null 2>&1' \
  "tivaro-xscreensaver-add is installed with its manual page"
check 'grep -q "Tivaro $version\\." /usr/share/xscreensaver/config/tivaro.xml' \
  "the settings description is installed and names version $version"
check '[ "$(man -w 6x tivaro 2>/dev/null)" = /usr/share/man/man6/tivaro.6x.gz ] && man 6x tivaro 2>/dev/null | grep -q window-id' \
  "man 6x tivaro finds the manual page in section 6x"
check 'man 6x tivaro 2>/dev/null | grep -q "/usr/libexec/xscreensaver/tivaro" && man 6x tivaro 2>/dev/null | grep -q tivaro-xscreensaver-add' \
  "the manual page says where the daemon's copy lives and how to add it to the list"
check 'grep -q tivaro-xscreensaver-add /usr/share/doc/tivaro/README.Debian && dpkg-deb -f "$deb" Description | grep -q tivaro-xscreensaver-add' \
  "README.Debian and the package description name tivaro-xscreensaver-add"
check 'grep -q "NASA Visible Earth" /usr/share/doc/tivaro/copyright' \
  "the copyright file names where the Earth photograph comes from"
check '/usr/bin/python3 -c "import sys; from debian.copyright import Copyright; Copyright(open(sys.argv[1]), strict=True)" /usr/share/doc/tivaro/copyright' \
  "the installed copyright file passes a strict DEP-5 parse"
check 'dpkg-deb -f "$deb" Depends | grep -q libx11-6 && dpkg-deb -f "$deb" Recommends | grep -q xscreensaver' \
  "the package depends on the libraries the program links and recommends xscreensaver"
check 'dpkg-deb -f "$deb" Recommends | grep -q fonts-ipafont-gothic' "the package recommends the dialog's font"

"$here/tests/integration/run_under_xvfb.sh" --size 1024x768 \
  "$here/tests/integration/test_xscreensaver.sh" /usr/libexec/xscreensaver/tivaro --installed ||
  fail=1

apt-get purge -y -q tivaro
check '! dpkg-query -W -f="\${Status}" tivaro 2>/dev/null | grep -q "installed"' "purging removes the package"
left=()
for f in $files; do
  # Folders the package shares with others (/usr, /usr/share/man, ...) stay.
  if { [ -e "$f" ] || [ -L "$f" ]; } && ! [ -d "$f" ]; then left+=("$f"); fi
  if [ -d "$f" ] && [[ "$f" == */tivaro ]]; then left+=("$f"); fi
done
check '[ ${#left[@]} = 0 ]' "purging leaves none of its files behind (${left[*]:-none})"
exit $fail
