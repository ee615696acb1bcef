#!/usr/bin/env bash
# The Debian package from a Release build, checked as a user's machine would
# receive it: scripts/package.sh [BUILD_DIR] (default build-release; a folder
# that already holds a Release build, as scripts/test.sh leaves, is reused).
# The package is unpacked into a throw-away root, where it must hold every
# file the install rules install (program, desktop file, icon, metainfo,
# licence and whatever is added later) and nothing else, with dependencies
# found by dpkg-shlibdeps. Expects scripts/setup.sh to have run.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-release}

bash scripts/build.sh "$build" -DCMAKE_BUILD_TYPE=Release
rm -f "$build"/duvezer_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/duvezer_*.deb)

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root/package"
DESTDIR="$root/installed" cmake --install "$build" --prefix /usr >/dev/null
if ! diff <(cd "$root/installed" && find . ! -type d | sort) <(cd "$root/package" && find . ! -type d | sort); then
  echo "$deb differs from what the install rules install (< installed only, > packaged only)" >&2
  exit 1
fi
for file in usr/bin/duvezer usr/bin/duvezer-sermon usr/bin/duvezer-avrsim usr/share/applications/duvezer.desktop \
            usr/share/icons/hicolor/scalable/apps/duvezer.svg \
            usr/share/metainfo/com.vizuruv.duvezer.metainfo.xml usr/share/doc/duvezer/LICENSE \
            usr/share/doc/duvezer/UNIFONT-LICENSE.txt usr/share/doc/duvezer/examples/70-duvezer-hid.rules; do
  if [ ! -s "$root/package/$file" ]; then
    echo "$deb lacks $file" >&2
    exit 1
  fi
done
depends=$(dpkg-deb -f "$deb" Depends)
# libqt6widgets6 comes from dpkg-shlibdeps, the plugins from our own list.
for needed in libc6 libqt6widgets6 libcurl4 libudev1 libsimavr2 qt6-qpa-plugins libqt6svg6 qt6-translations-l10n; do
  if ! grep -q "$needed" <<<"$depends"; then
    echo "$deb does not depend on $needed: $depends" >&2
    exit 1
  fi
done
# The virtual board's compilers and simulators are recommended, not required.
recommends=$(dpkg-deb -f "$deb" Recommends)
for wanted in sdcc sdcc-ucsim gcc-avr avr-libc simavr; do
  if ! grep -qw -- "$wanted" <<<"$recommends"; then
    echo "$deb does not recommend $wanted: $recommends" >&2
    exit 1
  fi
done
appstreamcli validate --no-net "$root/package/usr/share/metainfo/com.vizuruv.duvezer.metainfo.xml" >/dev/null
echo "$deb $(dpkg-deb -f "$deb" Version): depends on $depends"
