#!/bin/sh
# Rebuilds res/bitmaps/<id>.png from tools/skin/bitmaps.json.
# Extra arguments go to the tool, e.g. --sheet /tmp/sheet.png --preview /tmp/view.png 1100x720
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$(mktemp -d "${TMPDIR:-/tmp}/vidlume-skin.XXXXXX")
trap 'rm -rf "$build"' EXIT INT TERM

cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >"$build/configure.log" 2>&1 \
  || { cat "$build/configure.log" >&2; exit 1; }
cmake --build "$build" >"$build/build.log" 2>&1 \
  || { cat "$build/build.log" >&2; exit 1; }

mkdir -p "$root/res/bitmaps" "$build/run"
chmod 700 "$build/run"
QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$build/run" "$build/vidlume_drawskin" "$here/bitmaps.json" "$root/res/bitmaps" "$@"
