#!/usr/bin/env bash
# Builds the Debian package tivaro_<version>~deb<release>_<arch>.deb for the Debian release
# it runs on (12 or 13, as root), against that release's libraries: a Release build with
# Debian's hardening flags (dpkg-buildflags), its unit tests, CPack, a strict DEP-5 parse of
# the copyright file, that release's lintian (no error and no warning).
# The package lands in the build folder (default build-pkg) and its path is printed last.
# TIVARO_WERROR=ON makes warnings errors (CI); a packager's build only reports them.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${TIVARO_PKG_BUILD_DIR:-$here/build-pkg}
bash "$here/tools/setup-debian.sh"
bash "$here/tools/install-packages.sh" dpkg-dev file lintian python3-debian

export DEB_BUILD_MAINT_OPTIONS=hardening=+all
CFLAGS="$(dpkg-buildflags --get CFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
LDFLAGS=$(dpkg-buildflags --get LDFLAGS)
export CFLAGS CXXFLAGS LDFLAGS
echo "package-debian: CXXFLAGS=$CXXFLAGS LDFLAGS=$LDFLAGS"
# TIVARO_PKG_TESTS=OFF leaves the unit tests out (CI, where the same release's test stage ran
# them just before).
tests=${TIVARO_PKG_TESTS:-ON}
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
      -DTIVARO_WERROR="${TIVARO_WERROR:-OFF}" -DTIVARO_TESTS="$tests"
cmake --build "$build" -j"${TIVARO_JOBS:-2}"
if [ "$tests" = ON ]; then ctest --test-dir "$build" --output-on-failure -j2 -LE integration; fi
rm -f "$build"/tivaro_*.deb
(cd "$build" && cpack -G DEB)
deb=$(ls "$build"/tivaro_*.deb)
dpkg-deb --info "$deb"
dpkg-deb --contents "$deb"
/usr/bin/python3 "$here/packaging/debian/check_copyright.py" "$here/packaging/debian/copyright" "$here"
lintian --fail-on error,warning --display-info "$deb"
echo "$deb"
