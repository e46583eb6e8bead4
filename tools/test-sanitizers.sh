#!/usr/bin/env bash
# Builds Tivaro with AddressSanitizer and UndefinedBehaviorSanitizer and runs every test
# against it: the unit tests and the integration tests that run the real program under
# Xvfb (saver, preview, dialog, the X screen-saver daemon...). Any sanitizer report from
# any process fails the script; cmake/sanitizers/lsan.supp names the one known
# allocation that is not ours (fontconfig's). On Debian 12, as root.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${TIVARO_ASAN_BUILD_DIR:-$here/build-asan}
bash "$here/tools/setup-debian.sh" --tests

reports=$(mktemp -d /tmp/tivaro-sanitizers.XXXXXX)
chmod 1777 "$reports"  # the daemon's test runs the saver as another user
export ASAN_OPTIONS="log_path=$reports/asan:detect_leaks=1:abort_on_error=0:strict_string_checks=1:detect_stack_use_after_return=1"
export LSAN_OPTIONS="suppressions=$here/cmake/sanitizers/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="log_path=$reports/ubsan:print_stacktrace=1:halt_on_error=1"

cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTIVARO_WERROR=ON \
      -DTIVARO_SANITIZE=address,undefined
cmake --build "$build" -j"${TIVARO_JOBS:-2}"
status=0
# The unit tests record allocations with full stacks: fontconfig keeps no frame pointers,
# and only a full stack shows FcInit for the suppression to match. The real program must
# not: under Mesa's llvmpipe the full unwinder deadlocks inside the JIT's own unwinding
# (and the program reports no such leak).
LSAN_OPTIONS="$LSAN_OPTIONS:fast_unwind_on_malloc=0" \
  ctest --test-dir "$build" --output-on-failure -j2 -LE integration || status=1
ctest --test-dir "$build" --output-on-failure -j2 -L integration || status=1
found=$(find "$reports" -type f | sort)
if [ -n "$found" ]; then
  status=1
  echo "test-sanitizers: sanitizer reports:"
  for f in $found; do echo "=== $f"; cat "$f"; done
else
  echo "test-sanitizers: no sanitizer report from any test or program"
fi
rm -rf "$reports"
exit $status
