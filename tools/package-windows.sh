#!/usr/bin/env bash
# Makes the Windows download from the two Windows builds (best Release ones):
#   Tivaro-<version>-windows.zip       x64/Tivaro.scr, x86/Tivaro.scr (stripped), INSTALL.txt
#   Tivaro-<version>-setup-x64.exe     NSIS installers (packaging/windows/tivaro.nsi)
#   Tivaro-<version>-setup-x86.exe
#   Tivaro-<version>/                  what the zip holds
# Usage: package-windows.sh <64-bit build dir> <32-bit build dir> <output dir>
# Needs mingw-w64, nsis and zip (installed when missing; as root).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build64=$1
build32=$2
out=$3
bash "$here/tools/install-packages.sh" nsis zip binutils-mingw-w64-x86-64 binutils-mingw-w64-i686

# The version is the CMake project's, as the build recorded it.
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build64/CMakeCache.txt")
[ -n "$version" ] || { echo "package-windows: no project version in $build64" >&2; exit 1; }
for b in "$build64" "$build32"; do
  type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$b/CMakeCache.txt")
  [ "$type" = Release ] || echo "package-windows: warning: $b is a $type build, not Release"
done

mkdir -p "$out"
out=$(cd "$out" && pwd)
# The zip's contents are kept beside it, in Tivaro-<version>/.
top="$out/Tivaro-$version"
rm -rf "$top"
mkdir -p "$top/x64" "$top/x86"
x86_64-w64-mingw32-strip --strip-all -o "$top/x64/Tivaro.scr" "$build64/app/Tivaro.scr"
i686-w64-mingw32-strip --strip-all -o "$top/x86/Tivaro.scr" "$build32/app/Tivaro.scr"
# Windows text: CRLF line ends.
sed -e "s/@VERSION@/$version/g" -e 's/$/\r/' "$here/packaging/windows/INSTALL.txt" >"$top/INSTALL.txt"

# Each .scr carries the version in its version resource (UTF-16 "ProductVersion" and value).
for scr in "$top/x64/Tivaro.scr" "$top/x86/Tivaro.scr"; do
  python3 - "$scr" "$version" <<'PY'
import re, sys
data = open(sys.argv[1], "rb").read()
u16 = lambda t: re.escape(t.encode("utf-16-le"))
found = re.search(u16("ProductVersion\0") + b"(\0\0)?" + u16(sys.argv[2] + "\0"), data)
sys.exit(0 if found else f"package-windows: {sys.argv[1]} does not say version {sys.argv[2]}")
PY
done

zip_file="$out/Tivaro-$version-windows.zip"
rm -f "$zip_file"
(cd "$out" && TZ=UTC zip -q -X -r "$zip_file" "Tivaro-$version")
for arch in x64 x86; do
  makensis -V2 -DVERSION="$version" -DARCH=$arch -DSCR="$top/$arch/Tivaro.scr" \
    -DREADME="$top/INSTALL.txt" -DOUTFILE="$out/Tivaro-$version-setup-$arch.exe" \
    "$here/packaging/windows/tivaro.nsi"
done
ls -l "$zip_file" "$out"/Tivaro-"$version"-setup-*.exe
unzip -l "$zip_file"
