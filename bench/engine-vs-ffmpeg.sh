#!/usr/bin/env bash
# Vidlume's engine against the ffmpeg command line with the same encoder settings, in one run:
#  - a 20-second 1080p H.264/AAC clip to the iPad profile (1024x768 H.264 Main 3.1 at 2000 kbit/s,
#    AAC 128 kbit/s, index at the front);
#  - the clip's sound to MP3 with LAME's defaults.
# Prints, for each, the wall-time ratio and the peak-memory ratio (Vidlume / ffmpeg) and, for the
# video, both outputs' SSIM against the source scaled to the output's frame.
# Goal: wall ratio at most 1.05 at equal or better SSIM, memory ratio at most 1.25.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$top/tools/deps.sh"
build="$top/build/bench"
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target vidlume_engine_bench >/dev/null
bench="$build/bench/vidlume_engine_bench"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
src="$work/source-1080p.mp4"
ffmpeg -nostdin -hide_banner -loglevel error -f lavfi -i "testsrc2=size=1920x1080:rate=30:duration=20" \
  -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=20" -ac 2 \
  -c:v libx264 -preset veryfast -crf 18 -pix_fmt yuv420p -c:a aac -b:a 192k "$src"

# wall seconds and peak resident kilobytes of a command
measure() { /usr/bin/time -f "%e %M" -o "$work/time" "$@" >/dev/null 2>"$work/err" || { cat "$work/err" >&2; return 1; }; cat "$work/time"; }
ssim() { # output, width, height
  ffmpeg -nostdin -hide_banner -i "$1" -i "$src" -lavfi \
    "[1:v]scale=$2:$3:force_original_aspect_ratio=decrease,pad=$2:$3:(ow-iw)/2:(oh-ih)/2,setsar=1[ref];[0:v]setsar=1[out];[out][ref]ssim" \
    -f null - 2>&1 | sed -n 's/.*All:\([0-9.]*\).*/\1/p' | tail -1
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", (b > 0 ? a / b : 0) }'; }

# The encoder settings the engine uses for the iPad profile (see the H.264 encoder's header).
read -r ours_t ours_m < <(measure "$bench" ipad "$src" "$work/ours.mp4")
read -r peer_t peer_m < <(measure ffmpeg -nostdin -y -i "$src" \
  -vf "scale=1024:768:force_original_aspect_ratio=decrease,pad=1024:768:(ow-iw)/2:(oh-ih)/2" \
  -c:v libx264 -preset medium -profile:v main -level 3.1 -b:v 2000k -maxrate 14000k -bufsize 14000k \
  -c:a aac -b:a 128k -movflags +faststart "$work/peer.mp4")
echo "iPad profile, 20 s 1080p:  Vidlume ${ours_t}s ${ours_m}KB, ffmpeg ${peer_t}s ${peer_m}KB"
echo "  wall ratio $(ratio "$ours_t" "$peer_t"), memory ratio $(ratio "$ours_m" "$peer_m")"
echo "  SSIM Vidlume $(ssim "$work/ours.mp4" 1024 768), ffmpeg $(ssim "$work/peer.mp4" 1024 768)"

read -r ours_t ours_m < <(measure "$bench" mp3 "$src" "$work/ours.mp3")
read -r peer_t peer_m < <(measure ffmpeg -nostdin -y -i "$src" -vn -c:a libmp3lame -b:a 128k "$work/peer.mp3")
echo "MP3, 20 s:  Vidlume ${ours_t}s ${ours_m}KB, ffmpeg ${peer_t}s ${peer_m}KB"
echo "  wall ratio $(ratio "$ours_t" "$peer_t"), memory ratio $(ratio "$ours_m" "$peer_m")"
