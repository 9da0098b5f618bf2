#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need.
set -euo pipefail
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends \
  g++ cmake ninja-build pkg-config \
  qt6-base-dev libpugixml-dev portaudio19-dev zlib1g-dev libsdl2-dev \
  libgtest-dev xvfb xauth openbox \
  nettle-dev xdotool x11-utils lintian desktop-file-utils appstream dpkg-dev file \
  shared-mime-info libglib2.0-bin \
  clang libclang-rt-14-dev
