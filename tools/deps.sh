#!/usr/bin/env bash
# Installs every Debian 12 package Vidlume needs to build, run and test. Quiet when all are
# present; uses sudo when not run as root.
set -euo pipefail

packages=(
  # tool chain
  g++ cmake ninja-build pkg-config clang libclang-rt-14-dev
  # Qt 6
  qt6-base-dev qt6-base-dev-tools libgl-dev qt6-qpa-plugins
  # media
  libavformat-dev libavcodec-dev libavfilter-dev libavutil-dev libswscale-dev libswresample-dev
  libx264-dev libmp3lame-dev ffmpeg
  # discs, XML
  libcdio-dev libcdio-paranoia-dev libiso9660-dev libburn-dev libisofs-dev libtinyxml2-dev
  # tests
  libgtest-dev libgmock-dev xvfb xauth fonts-dejavu-core time
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)
echo "Installing: ${missing[*]}" >&2
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
