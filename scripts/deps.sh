#!/usr/bin/env bash
# Installs the Debian packages the game and its tests need, when any is missing (libmicrohttpd-dev
# for the classroom server, brotli to precompress the browser site, libcpp-httplib-dev for the
# server tests' HTTP client).
set -euo pipefail
packages=(build-essential cmake pkg-config libsdl2-dev libvorbis-dev libpng-dev
          libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev sox ninja-build
          chromium xvfb openbox xdotool imagemagick
          desktop-file-utils appstream lintian dpkg-dev fakeroot file x11-utils
          libmicrohttpd-dev brotli libcpp-httplib-dev nlohmann-json3-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
fi
