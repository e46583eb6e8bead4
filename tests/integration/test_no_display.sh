#!/usr/bin/env bash
# Without a display the program says so and exits non-zero; odd command lines never crash.
tivaro=$1
fail=0
out=$(env -u DISPLAY "$tivaro" /s 2>&1); code=$?
if [ $code -eq 0 ] || ! grep -q "DISPLAY" <<<"$out"; then echo "FAIL: no DISPLAY: code $code, '$out'"; fail=1; fi
out=$(DISPLAY=:4711 timeout 10 "$tivaro" /s 2>&1); code=$?
if [ $code -eq 0 ] || [ $code -eq 124 ] || ! grep -q "cannot open display" <<<"$out"; then echo "FAIL: unreachable display: code $code, '$out'"; fail=1; fi
[ $fail -eq 0 ] && echo "ok: no display handled"
exit $fail
