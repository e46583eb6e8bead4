#!/usr/bin/env bash
# Sets up, builds and runs every test: unit tests and the integration tests that run the
# real program under Xvfb with Mesa.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bash "$here/tools/setup-debian.sh" --tests
build=${TIVARO_BUILD_DIR:-$here/build}
# Warnings are errors here (TIVARO_WERROR), as in CI; a plain build only reports them.
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTIVARO_WERROR=ON
cmake --build "$build" -j"$(nproc)"
ctest --test-dir "$build" --output-on-failure -j2
# Once more as one process: no test may lean on state another left behind.
"$build/tests/tivaro_unit_tests" --gtest_brief=1
