#!/usr/bin/env bash
# Makes assets/preview.png, the 152 x 112 still of the running saver that the preview pane
# shows: runs our own saver on a virtual 608 x 448 screen (Xvfb, Mesa), takes a picture
# after a few seconds and shrinks it four times with ImageMagick.
# Usage: tools/make_preview.sh <path to the built tivaro>
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
tivaro=$(realpath "$1")
shot=$(mktemp --suffix=.png)
"$here/tests/integration/run_under_xvfb.sh" --size 608x448 bash -c '
  "$1" /s & pid=$!
  sleep 2.5
  import -window root "$2"
  kill $pid; wait $pid 2>/dev/null; true' _ "$tivaro" "$shot"
convert "$shot" -filter Box -resize 152x112! -type TrueColor -depth 8 \
  -define png:color-type=2 "$here/assets/preview.png"
rm -f "$shot"
identify "$here/assets/preview.png"
