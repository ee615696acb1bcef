#!/usr/bin/env bash
# Installs everything the build, the program and the tests need on Debian 12.
# Safe to run again: apt-get skips what is already there.
set -euo pipefail

packages=(
  # build
  g++ cmake ninja-build pkg-config
  # the Debian package: dpkg-shlibdeps finds libraries with file; the package,
  # its desktop file and its metainfo are checked
  dpkg-dev file lintian desktop-file-utils appstream
  qt6-base-dev qt6-svg-dev libqt6svg6
  # the plot window's widget (the Qt 6 build is libqcustomplot2.1-qt6)
  libqcustomplot-dev
  libcurl4-openssl-dev libudev-dev zlib1g-dev
  # the virtual board's AVR runner: libsimavr (its pkg-config file asks for libelf)
  libsimavr-dev libelf-dev
  # HTTPS downloads check certificates against the system's store
  ca-certificates
  libgtest-dev libgmock-dev
  # GNU Unifont: the build generates the font matrix tables from its glyphs
  unifont
  # the program shows Chinese text; any CJK font will do
  fonts-wqy-microhei
  # runtime: the toolkit's own Chinese texts (standard buttons, file dialogs, edit menus)
  qt6-translations-l10n
  # tests: compilers and simulators for the generated 8051 and AVR code, tty and socket peers
  sdcc sdcc-ucsim gcc-avr avr-libc binutils-avr simavr make socat python3
  # tests: objcopy is the reference for Intel HEX to binary
  binutils
  # tests: the logic trace's VCD files are read back by sigrok
  sigrok-cli
  # "下载程序": avrdude, and the bootloaders of Debian's AVR cores that the
  # virtual board runs as the chip to flash
  avrdude arduino-core-avr
  # the download bench compares the downloader with the curl command
  curl
  # the start-up bench under a real X server
  xvfb xauth
  # the stored screenshots are reduced to a palette (scripts/screenshot.sh)
  pngquant
  # the user guide's HTML page is made from its Markdown at build time
  python3-markdown
)

as_root=()
if [ "$(id -u)" -ne 0 ]; then as_root=(sudo); fi

export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -q
"${as_root[@]}" apt-get install -y -q --no-install-recommends "${packages[@]}"
