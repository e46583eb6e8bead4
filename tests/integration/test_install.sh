#!/usr/bin/env bash
# `cmake --install` lays Tivaro out where the X screen-saver daemon looks: the program in
# libexec/xscreensaver (and a link to it in bin), its settings description in
# share/xscreensaver/config (well formed, with the --root command), the manual page
# (compressed) in section 6x; both texts name the version. tivaro-xscreensaver-add and its
# manual page go in bin and man1, and so do tivaro-idle (beside bin/tivaro) and its page.
# The window-system and font modules go in lib/.../tivaro, private (no SONAME); the program
# links no window system and no font library itself, finds its modules from where it lies, and a missing or broken one
# ends it with one line.
# Usage: test_install.sh <build dir> <version>
set -u
build=$1
version=$2
prefix=$(mktemp -d)
fail=0
check() { if eval "$1"; then echo "ok: $2"; else echo "FAIL: $2"; fail=1; fi; }
check 'cmake --install "$build" --prefix "$prefix" >/dev/null' "cmake --install succeeds"
check '[ -x "$prefix/libexec/xscreensaver/tivaro" ]' "the program is in libexec/xscreensaver"
check '[ "$(readlink "$prefix/bin/tivaro")" = ../libexec/xscreensaver/tivaro ]' \
  "bin/tivaro is a relative link to it"
check '[ -x "$prefix/bin/tivaro-xscreensaver-add" ] && [ -f "$prefix/share/man/man1/tivaro-xscreensaver-add.1.gz" ]' \
  "the command that adds Tivaro to ~/.xscreensaver is in bin, with its manual page"
xml="$prefix/share/xscreensaver/config/tivaro.xml"
check 'python3 -c "import sys, xml.etree.ElementTree as E; r = E.parse(sys.argv[1]).getroot(); \
  sys.exit(not (r.tag == \"screensaver\" and r.get(\"name\") == \"tivaro\" and \
  r.find(\"command\").get(\"arg\") == \"--root\" and r.find(\"_description\").text.strip()))" "$xml"' \
  "the daemon's settings file names tivaro with --root and a description"
check 'grep -q "Tivaro $version\." "$xml"' "the description names version $version"
man=$(man -l "$prefix/share/man/man6/tivaro.6x.gz" 2>/dev/null)
check '[ -f "$prefix/share/man/man6/tivaro.6x.gz" ] && grep -q window-id <<<"$man"' \
  "the manual page is in section 6x and documents -window-id"
check 'grep -q "Tivaro $version" <<<"$man"' "the manual page names version $version"
# tivaro-idle goes in bin beside bin/tivaro, so the installed one runs the installed saver.
check '[ -x "$prefix/bin/tivaro-idle" ]' "tivaro-idle is in bin"
help=$("$prefix/bin/tivaro-idle" --help)
check 'grep -qF "The saver: $prefix/bin/tivaro /s" <<<"$help"' \
  "the installed tivaro-idle runs the tivaro beside it: $help"
check '[ "$(readlink -f "$prefix/bin/tivaro")" = "$(readlink -f "$prefix/libexec/xscreensaver/tivaro")" ]' \
  "which is the installed saver"
man=$(man -l "$prefix/share/man/man1/tivaro-idle.1.gz" 2>/dev/null)
check 'grep -q "tivaro-idle - start the Tivaro screen saver" <<<"$man" && grep -q -- "--install" <<<"$man"' \
  "its manual page is in man1 and documents --install"
program="$prefix/libexec/xscreensaver/tivaro"
needed=$(readelf -d "$program" | grep NEEDED)
check '! grep -qE "libX11|libGLX|libGL\.|libEGL|libwayland|libfreetype|libfontconfig" <<<"$needed"' \
  "the program itself links no window system and no font library: $(grep -o '\[.*\]' <<<"$needed" | tr '\n' ' ')"
for module in x11 wayland text; do
  found=$(find "$prefix" -name "tivaro-$module.so")
  check '[ "$(wc -l <<<"$found")" = 1 ] && [[ "$found" == "$prefix"/lib*/tivaro/tivaro-$module.so ]]' \
    "the $module module is in lib/.../tivaro: $found"
  check '[ -n "$found" ] && ! readelf -d "$found" | grep -q SONAME && [ ! -x "$found" ]' \
    "it has no SONAME and is not executable"
done
x11_module=$(find "$prefix" -name tivaro-x11.so)
# Each module reached: the error is its backend's, about the display, not about a module.
# Copies of the modules that do not load, on the library search path, are not looked at.
decoys=$(mktemp -d)
echo broken >"$decoys/tivaro-x11.so"
echo broken >"$decoys/tivaro-wayland.so"
out=$(env -u WAYLAND_DISPLAY LD_LIBRARY_PATH="$decoys" DISPLAY=:4711 "$prefix/bin/tivaro" /s 2>&1)
check 'grep -q "cannot open display" <<<"$out"' "the installed program loads its X11 module: $out"
out=$(LD_LIBRARY_PATH="$decoys" XDG_RUNTIME_DIR="$decoys" WAYLAND_DISPLAY=none \
      TIVARO_BACKEND=wayland "$prefix/bin/tivaro" /s 2>&1)
check 'grep -q "no Wayland compositor answers" <<<"$out"' "and its Wayland module: $out"
mv "$x11_module" "$decoys/kept.so"
out=$(DISPLAY=:4711 "$program" /s 2>&1); code=$?
check '[ $code = 1 ] && [ "$(wc -l <<<"$out")" = 1 ] && grep -q "module tivaro-x11.so is missing" <<<"$out"' \
  "a missing module ends the program with one line: code $code, $out"
cp "$decoys/tivaro-x11.so" "$x11_module"
out=$(DISPLAY=:4711 "$program" /s 2>&1); code=$?
check '[ $code = 1 ] && [ "$(wc -l <<<"$out")" = 1 ] && grep -q "X11 module does not load" <<<"$out"' \
  "so does a broken one: code $code, $out"
rm -rf "$prefix" "$decoys"
exit $fail
