#!/usr/bin/env bash
# The Debian package from a Release build, checked as a user's machine would
# receive it: scripts/package.sh [BUILD_DIR] (default build-release; a folder
# that already holds a Release build, as scripts/test.sh leaves, is reused).
# The package is unpacked into a throw-away root, where it must hold every
# file the install rules install (program, desktop file, icon, metainfo,
# licence, copyright, changelog, manual pages, the guide with its pictures
# and whatever is added later)
# and nothing else, with dependencies found by dpkg-shlibdeps. lintian,
# desktop-file-validate and appstreamcli must find nothing to warn about.
# Expects scripts/setup.sh to have run.
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
            usr/share/doc/duvezer/UNIFONT-LICENSE.txt usr/share/doc/duvezer/examples/70-duvezer-hid.rules \
            usr/share/doc/duvezer/copyright usr/share/doc/duvezer/changelog.gz \
            usr/share/doc/duvezer/guide.zh-CN.md usr/share/doc/duvezer/guide.zh-CN.html \
            usr/share/man/man1/duvezer.1.gz usr/share/man/man1/duvezer-sermon.1.gz \
            usr/share/man/man1/duvezer-avrsim.1.gz usr/share/man/zh_CN/man1/duvezer.1.gz \
            usr/share/man/zh_CN/man1/duvezer-sermon.1.gz usr/share/man/zh_CN/man1/duvezer-avrsim.1.gz; do
  if [ ! -s "$root/package/$file" ]; then
    echo "$deb lacks $file" >&2
    exit 1
  fi
done
# Every picture of the guide is in the package and in the metainfo's screenshots.
metainfo="$root/package/usr/share/metainfo/com.vizuruv.duvezer.metainfo.xml"
for picture in docs/images/*.png; do
  name=$(basename "$picture")
  if ! cmp -s "$picture" "$root/package/usr/share/doc/duvezer/images/$name"; then
    echo "$deb lacks usr/share/doc/duvezer/images/$name as in docs/images" >&2
    exit 1
  fi
  if ! grep -q "/images/$name</image>" "$metainfo"; then
    echo "the metainfo shows no screenshot $name" >&2
    exit 1
  fi
done
depends=$(dpkg-deb -f "$deb" Depends)
# libqt6widgets6 comes from dpkg-shlibdeps, the plugins from our own list.
for needed in libc6 libqt6widgets6 libcurl4 libudev1 libsimavr2 qt6-qpa-plugins libqt6svg6 qt6-translations-l10n \
  libqcustomplot2.1-qt6; do
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
# Any lintian error or warning fails; an override would go in the package
# (usr/share/lintian/overrides/duvezer) with its reason beside it.
lintian --fail-on error,warning --display-info "$deb" 2>&1 | sed '/^running with root privileges/d'
# lintian lets groff's line-breaking warnings through: a line groff cannot
# break runs past the terminal's edge, so none may appear.
for page in "$root"/package/usr/share/man/*/*.gz "$root"/package/usr/share/man/*/*/*.gz; do
  complaints=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
  if [ -n "$complaints" ]; then
    echo "${page#"$root"/package/}: $complaints" >&2
    exit 1
  fi
done
desktop-file-validate "$root/package/usr/share/applications/duvezer.desktop"
# --strict: warnings and notes fail as well, not only errors.
appstreamcli validate --no-net --strict "$root/package/usr/share/metainfo/com.vizuruv.duvezer.metainfo.xml" >/dev/null
echo "$deb $(dpkg-deb -f "$deb" Version): depends on $depends"
