#!/usr/bin/env bash
# The media list on a folder of 5000 small clips, shown in a real list on the offscreen platform:
#  - time from the listing call to the first painted rows (goal < 0.5 s);
#  - the longest stall of the window thread while the worker analyses the files, measured as the
#    longest gap between the ticks of a 5 ms timer (goal < 50 ms);
# once with nothing known about the files and once more with everything in the cache.
# VIDLUME_BENCH_BUILD names the release tree to build in (default build/bench); COUNT and
# LIMIT (seconds before the worker is stopped) change the folder's size and the time allowed.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$top/tools/deps.sh"
build="${VIDLUME_BENCH_BUILD:-$top/build/bench}"
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target vidlume_media_list_bench >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
ffmpeg -nostdin -hide_banner -loglevel error -f lavfi -i "testsrc2=size=160x120:rate=25:duration=1" \
  -f lavfi -i "sine=frequency=440:sample_rate=44100:duration=1" -ac 2 \
  -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -b:a 64k "$work/clip.mp4"

QT_QPA_PLATFORM=offscreen "$build/bench/vidlume_media_list_bench" "$work/clip.mp4" "${COUNT:-5000}" "${LIMIT:-300}"
