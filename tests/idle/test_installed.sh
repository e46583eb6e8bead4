#!/usr/bin/env bash
# `cmake --install` puts tivaro-idle in bin beside bin/tivaro (the link to the saver), so the
# installed tivaro-idle runs the installed saver; its manual page goes in man1, compressed.
# Usage: test_installed.sh <build dir>
set -u
build=$1
prefix=$(mktemp -d)
fail=0
check() { if eval "$1"; then echo "ok: $2"; else echo "FAIL: $2"; fail=1; fi; }
check 'cmake --install "$build" --prefix "$prefix" >/dev/null' "cmake --install succeeds"
check '[ -x "$prefix/bin/tivaro-idle" ]' "tivaro-idle is in bin"
help=$("$prefix/bin/tivaro-idle" --help)
check 'grep -qF "The saver: $prefix/bin/tivaro /s" <<<"$help"' \
  "the installed tivaro-idle runs the tivaro beside it: $help"
check '[ "$(readlink -f "$prefix/bin/tivaro")" = "$(readlink -f "$prefix/libexec/xscreensaver/tivaro")" ]' \
  "which is the installed saver"
man=$(man -l "$prefix/share/man/man1/tivaro-idle.1.gz" 2>/dev/null)
check 'grep -q "tivaro-idle - start the Tivaro screen saver" <<<"$man" && grep -q -- "--install" <<<"$man"' \
  "its manual page is in man1 and documents --install"
rm -rf "$prefix"
exit $fail
