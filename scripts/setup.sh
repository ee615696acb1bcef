#!/usr/bin/env bash
# Installs everything the build, the program and the tests need on Debian 12.
# Safe to run again: apt-get skips what is already there.
set -euo pipefail

packages=(
  # build
  g++ cmake ninja-build pkg-config
  # the Debian package: dpkg-shlibdeps finds libraries with file, metainfo checked
  dpkg-dev file appstream
  qt6-base-dev qt6-svg-dev libqt6svg6
  libcurl4-openssl-dev libudev-dev zlib1g-dev
  libgtest-dev libgmock-dev
  # the program shows Chinese text; any CJK font will do
  fonts-wqy-microhei
  # tests: compilers for the generated 8051 and AVR code, tty and socket peers
  sdcc gcc-avr avr-libc binutils-avr socat python3
  # screenshots under a real X server
  xvfb xauth
)

as_root=()
if [ "$(id -u)" -ne 0 ]; then as_root=(sudo); fi

export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -q
"${as_root[@]}" apt-get install -y -q --no-install-recommends "${packages[@]}"
