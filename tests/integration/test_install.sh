#!/usr/bin/env bash
# `cmake --install` lays Tivaro out where the X screen-saver daemon looks: the program in
# libexec/xscreensaver, its settings description in share/xscreensaver/config (well formed,
# with the --root command), the manual page (compressed) in section 6; both texts name the version.
# Usage: test_install.sh <build dir> <version>
set -u
build=$1
version=$2
prefix=$(mktemp -d)
fail=0
check() { if eval "$1"; then echo "ok: $2"; else echo "FAIL: $2"; fail=1; fi; }
check 'cmake --install "$build" --prefix "$prefix" >/dev/null' "cmake --install succeeds"
check '[ -x "$prefix/libexec/xscreensaver/tivaro" ]' "the program is in libexec/xscreensaver"
xml="$prefix/share/xscreensaver/config/tivaro.xml"
check 'python3 -c "import sys, xml.etree.ElementTree as E; r = E.parse(sys.argv[1]).getroot(); \
  sys.exit(not (r.tag == \"screensaver\" and r.get(\"name\") == \"tivaro\" and \
  r.find(\"command\").get(\"arg\") == \"--root\" and r.find(\"_description\").text.strip()))" "$xml"' \
  "the daemon's settings file names tivaro with --root and a description"
check 'grep -q "Tivaro $version\." "$xml"' "the description names version $version"
man=$(man -l "$prefix/share/man/man6/tivaro.6.gz" 2>/dev/null)
check '[ -f "$prefix/share/man/man6/tivaro.6.gz" ] && grep -q window-id <<<"$man"' \
  "the manual page is in section 6 and documents -window-id"
check 'grep -q "Tivaro $version" <<<"$man"' "the manual page names version $version"
rm -rf "$prefix"
exit $fail
