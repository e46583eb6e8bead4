#!/usr/bin/env bash
# The Windows stage: builds Tivaro.scr for 64-bit and 32-bit Windows with MinGW-w64 and
# runs the Windows build's tests under Wine on a private Xvfb: the portable unit tests,
# the backend's own tests and the program itself (tests/windows/).
#
# 32-bit programs run only where wine32 (i386) is installed: TIVARO_WINE32=1 installs it
# (it adds the i386 architecture to dpkg); otherwise the 32-bit build is built only. Some
# x86-64 kernels run no 32-bit program at all: there wine32 is neither installed nor used,
# and the 64-bit build runs through Wine's 64-bit loader directly (Debian's `wine` would
# pick an installed wine32 and fail with "Exec format error").
# TIVARO_RUNS_32BIT=no skips the probe and takes that path (to try it on any machine).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build64=${TIVARO_WIN64_BUILD_DIR:-$here/build-win64}
build32=${TIVARO_WIN32_BUILD_DIR:-$here/build-win32}
jobs=${TIVARO_JOBS:-$(nproc)}

packages=(cmake make python3 mingw-w64 g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
          googletest libstb-dev wine wine64 xvfb xserver-xephyr xdotool x11-utils imagemagick
          fonts-ipafont-gothic nsis zip)
bash "$here/tools/install-packages.sh" "${packages[@]}"

# Can this kernel run a 32-bit x86 program? A 96-byte static i386 ELF that only calls
# exit(32) answers it without anything installed.
runs_32bit() {
  [ "${TIVARO_RUNS_32BIT:-probe}" != no ] || return 1
  local probe rc=0
  probe=$(mktemp "$here/.probe32.XXXXXX") || return 1
  printf '%b' '\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' \
    '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00' \
    '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00' \
    '\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08' \
    '\x00\x80\x04\x08\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00' \
    '\x00\x10\x00\x00\xb8\x01\x00\x00\x00\xbb\x20\x00\x00\x00\xcd\x80' >"$probe"
  chmod +x "$probe"
  "$probe" 2>/dev/null || rc=$?
  rm -f "$probe"
  [ "$rc" = 32 ]
}
if runs_32bit; then
  can_run_32=1
else
  can_run_32=0
  echo "test-windows: this machine cannot run 32-bit programs; the 32-bit Tivaro.scr is" \
       "built but not run, and the 64-bit build runs through wine64"
fi
if [ "$can_run_32" = 1 ] && [ "${TIVARO_WINE32:-0}" = 1 ]; then
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  # wine32 with Mesa's 32-bit OpenGL (pixel formats for WGL under 32-bit Wine) and
  # XComposite (without it Wine draws a GL child window off screen).
  bash "$here/tools/install-packages.sh" wine32:i386 libgl1:i386 libgl1-mesa-dri:i386 \
    libglx-mesa0:i386 libxcomposite1:i386
fi

# Wine's 64-bit loader, named outright unless 32-bit programs run here (then Debian's
# `wine` serves both builds, as it picks the loader by the program).
if [ "$can_run_32" = 1 ]; then
  wine64=$(command -v wine)
else
  wine64=/usr/lib/wine/wine64
  export WINELOADER=$wine64
fi

# Warnings are errors here, as in CI. TIVARO_BUILD_TYPE=Release (CI) builds and tests what
# the Windows download ships.
build() {  # build dir, toolchain, Wine loader
  cmake -S "$here" -B "$1" -DCMAKE_TOOLCHAIN_FILE="$here/cmake/toolchains/$2" \
        -DCMAKE_BUILD_TYPE="${TIVARO_BUILD_TYPE:-RelWithDebInfo}" -DTIVARO_WERROR=ON \
        -DTIVARO_WINE="$3"
  cmake --build "$1" -j"$jobs"
}
build "$build64" mingw-x86_64.cmake "$wine64"
build "$build32" mingw-i686.cmake "$(command -v wine)"

# One X server and one Wine prefix for the stage; both go away however the stage ends.
fifo=$(mktemp -u)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$fifo" >/dev/null 2>&1 &
xvfb_pid=$!
read -r -t 20 display_number <"$fifo" || true
rm -f "$fifo"
if [ -z "${display_number:-}" ]; then
  echo "test-windows: Xvfb did not start" >&2
  kill "$xvfb_pid" 2>/dev/null || true
  exit 1
fi
export DISPLAY=":$display_number"
export WINEPREFIX="$build64/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
  timeout 30 wineserver -k 2>/dev/null || true
  kill "$xvfb_pid" 2>/dev/null || true
  wait "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
# A prefix made by the 64-bit loader alone has no 32-bit half: one made for the other
# kind of machine (or before wine32 came) is made anew.
prefix_kind="runs-32bit=$can_run_32 wine32=$([ -x /usr/lib/wine/wine ] && echo 1 || echo 0)"
if [ "$(cat "$WINEPREFIX/.tivaro-prefix" 2>/dev/null)" != "$prefix_kind" ]; then
  rm -rf "$WINEPREFIX"
fi
mkdir -p "$WINEPREFIX"
# A persistent wineserver and a prefix made before CTest: without them CTest hangs.
timeout 60 wineserver -p
timeout 300 "$wine64" wineboot -i
echo "$prefix_kind" >"$WINEPREFIX/.tivaro-prefix"

status=0
timeout 900 ctest --test-dir "$build64" --output-on-failure -j2 || status=1
if [ "$can_run_32" = 0 ]; then
  echo "test-windows: the 32-bit build was built, not run: this machine runs no 32-bit program"
elif [ -x /usr/lib/wine/wine ]; then
  timeout 900 ctest --test-dir "$build32" --output-on-failure -j2 || status=1
else
  echo "test-windows: wine32 is not installed; the 32-bit build was built, not run" \
       "(TIVARO_WINE32=1 installs it)"
fi

# The Windows download from these builds (tools/package-windows.sh), and its installers
# run silently in this Wine session: the 64-bit one through the 64-bit loader, the 32-bit
# one only where 32-bit Wine runs.
dist=${TIVARO_WINDOWS_DIST_DIR:-$build64/dist}
if bash "$here/tools/package-windows.sh" "$build64" "$build32" "$dist"; then
  version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build64/CMakeCache.txt")
  timeout 600 bash "$here/packaging/windows/test_installer.sh" "$wine64" \
    "$dist/Tivaro-$version-setup-x64.exe" x64 "$dist/Tivaro-$version/x64/Tivaro.scr" || status=1
  if [ "$can_run_32" = 1 ] && [ -x /usr/lib/wine/wine ]; then
    timeout 600 bash "$here/packaging/windows/test_installer.sh" "$(command -v wine)" \
      "$dist/Tivaro-$version-setup-x86.exe" x86 "$dist/Tivaro-$version/x86/Tivaro.scr" || status=1
    # Both on one account: each keeps its own record of the saver set before it.
    timeout 900 bash "$here/packaging/windows/test_installers_together.sh" "$(command -v wine)" \
      "$dist/Tivaro-$version-setup-x64.exe" "$dist/Tivaro-$version-setup-x86.exe" || status=1
  else
    echo "test-windows: the 32-bit installer was built, not run (no 32-bit Wine here), nor" \
         "the test of both installers on one account"
  fi
  echo "test-windows: the Windows download is in $dist"
else
  status=1
fi
exit $status
