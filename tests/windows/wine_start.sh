#!/usr/bin/env bash
# Runs a Windows program of the build under Wine for CTest: wine_start.sh WINE PROGRAM ARGS...
# Now and then, on a loaded machine, Wine fails to start the process at all ("ShellExecuteEx
# failed: Internal error"), before any of our code runs; that failure, and only that one,
# is tried once more.
wine=$1
shift
err=$(mktemp)
"$wine" "$@" 2>"$err"
status=$?
cat "$err" >&2
if [ "$status" -ne 0 ] && grep -q "ShellExecuteEx failed" "$err"; then
  echo "wine_start: Wine could not start $1; starting it once more" >&2
  "$wine" "$@"
  status=$?
fi
rm -f "$err"
exit "$status"
