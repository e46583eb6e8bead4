#!/usr/bin/env bash
# Without a display the program says so and exits non-zero; odd command lines never crash.
tivaro=$1
fail=0
# Neither display named: one plain line that names both, not a run-time error's text.
out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u WAYLAND_SOCKET "$tivaro" /s 2>&1); code=$?
if [ $code -eq 0 ] || ! grep -q "WAYLAND_DISPLAY nor DISPLAY" <<<"$out" ||
   grep -q "Run-time error" <<<"$out" || [ "$(wc -l <<<"$out")" -ne 1 ]; then
  echo "FAIL: no display: code $code, '$out'"; fail=1
fi
out=$(DISPLAY=:4711 timeout 10 "$tivaro" /s 2>&1); code=$?
if [ $code -eq 0 ] || [ $code -eq 124 ] || ! grep -q "cannot open display" <<<"$out"; then echo "FAIL: unreachable display: code $code, '$out'"; fail=1; fi
# --help needs no display.
out=$(env -u DISPLAY -u WAYLAND_DISPLAY "$tivaro" --help 2>&1); code=$?
if [ $code -ne 0 ] || ! grep -q "^Usage: tivaro" <<<"$out"; then echo "FAIL: --help: code $code, '$out'"; fail=1; fi
[ $fail -eq 0 ] && echo "ok: no display handled"
exit $fail
