#!/usr/bin/env bash
# Installs what Vidlume needs, builds a release build and starts it; arguments go to Vidlume:
#   tools/run.sh -sendto="My Computer" clip.avi
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$top/tools/deps.sh"
cmake -S "$top" -B "$top/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$top/build/release" --target vidlume
exec "$top/build/release/app/vidlume" "$@"
