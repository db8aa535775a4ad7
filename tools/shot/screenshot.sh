#!/usr/bin/env bash
# Screenshots of the main window under a virtual X server, at the minimum size and at 1280x800:
#   tools/shot/screenshot.sh [OUTPUT-FOLDER] [SOURCE-FOLDER]
# The source folder (default: a folder of generated clips) is what the source page shows.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
out=${1:-$top/build/screenshots}
"$top/tools/deps.sh"
cmake -S "$top" -B "$top/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$top/build/release" --target vidlume-screenshot
mkdir -p "$out"
source=${2:-}
if [[ -z $source ]]; then
  source=$(mktemp -d)
  trap 'rm -rf "$source"' EXIT
  ffmpeg -v error -f lavfi -i testsrc2=size=320x240:rate=25 -f lavfi -i sine=frequency=440 -t 2 \
    -c:v libx264 -pix_fmt yuv420p -c:a aac "$source/Holiday by the sea.mp4"
  ffmpeg -v error -f lavfi -i sine=frequency=660 -t 3 "$source/Song.mp3"
  ffmpeg -v error -f lavfi -i sine=frequency=330 -t 1 "$source/Voice memo.wav"
  mkdir -p "$source/Archive"
fi
shot() { xvfb-run -a -s "-screen 0 1400x900x24" "$top/build/release/tools/shot/vidlume-screenshot" "$@"; }
for size in 800x560 1280x800; do
  shot "$size" "$out/main-window-$size.png" "$source"
done
# While a transfer runs (the converted files go to the videos folder of a scratch home).
scratch=$(mktemp -d)
HOME=$scratch XDG_CONFIG_HOME=$scratch/config shot 1280x800 "$out/main-window-transfer.png" "$source" busy
rm -rf "$scratch"
