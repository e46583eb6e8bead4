#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz/) with Clang, AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs each for TIVARO_FUZZ_SECONDS (30 by default) from
# its committed seeds. On Debian 12, as root (installs clang-14 when missing).
# Usage: tools/fuzz.sh [target ...]    (targets: command_line host_options numeric
#                                        property_bag utf8 programs_list; all by default)
# What a run finds is kept in build-fuzz/corpus/<target>/ and used by the next run; a
# crash leaves its input in build-fuzz/crashes/ and fails the script. To replay one:
#   build-fuzz/fuzz/<target>_fuzz build-fuzz/crashes/<file>
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${TIVARO_FUZZ_BUILD_DIR:-$here/build-fuzz}
seconds=${TIVARO_FUZZ_SECONDS:-30}
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(command_line host_options numeric property_bag utf8 programs_list)

bash "$here/tools/setup-debian.sh"
bash "$here/tools/install-packages.sh" clang-14 libclang-rt-14-dev
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTIVARO_FUZZ=ON \
      -DTIVARO_WERROR=ON -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14
cmake --build "$build" -j"${TIVARO_JOBS:-2}" --target "${targets[@]/%/_fuzz}"

export LSAN_OPTIONS="suppressions=$here/cmake/sanitizers/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
mkdir -p "$build/crashes"
status=0
for t in "${targets[@]}"; do
  mkdir -p "$build/corpus/$t"
  echo "fuzz: $t for ${seconds}s"
  # The dialog loads fonts: full allocation stacks let the suppression see FcInit (it
  # slows the others down for nothing).
  unwind=
  [ "$t" = command_line ] && unwind=:fast_unwind_on_malloc=0
  if ! LSAN_OPTIONS="$LSAN_OPTIONS$unwind" "$build/fuzz/${t}_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
       -print_final_stats=1 -artifact_prefix="$build/crashes/${t}-" \
       "$build/corpus/$t" "$here/fuzz/corpus/$t" >"$build/$t.log" 2>&1; then
    status=1
    echo "fuzz: $t FAILED; its log follows (input kept in $build/crashes/)"
    tail -60 "$build/$t.log"
  else
    grep -E "stat::number_of_executed_units|stat::new_units_added" "$build/$t.log" |
      sed "s/^/fuzz: $t /"
  fi
done
exit $status
