# The Debian package: `cpack -G DEB` in a build folder. It holds whatever the
# install rules install (any folder's install() lands in it, nothing to list
# here); libraries the binaries link are found by dpkg-shlibdeps.
set(CPACK_PACKAGE_NAME duvezer)
set(CPACK_PACKAGE_VENDOR Vizuruv)
set(CPACK_PACKAGE_CONTACT "Vizuruv <ruderu@vizuruv.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Workbench for developers of small 8051 and AVR boards")
# The extended description as it will read in the package, lines under 80
# characters for a terminal's width.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "One window for daily board work: serial, USB HID, TCP/UDP client and TCP"
    "server terminals, a serial traffic monitor, 8051 and AVR code wizards,"
    "checksums, encodings, bitmap and font conversion, number bases,"
    "seven-segment codes and Intel HEX/BIN conversion. The user interface is"
    "Chinese.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What the program needs at run time but does not link, so dpkg-shlibdeps
# cannot see it: Qt's platform plugins (the window system), the SVG icon
# plugins (the program's icons are SVG) and a CJK font. Add further run-time
# packages by name to this list.
set(VIZ_RUNTIME_PACKAGES
    "qt6-qpa-plugins"
    "libqt6svg6"
    "fonts-wqy-microhei | fonts-noto-cjk"
    # the toolkit's own dialogs and menus in Chinese
    "qt6-translations-l10n"
    # the plot window's widget library (linked, so dpkg-shlibdeps names it
    # too; stated here so no build of the package can go without it)
    "libqcustomplot2.1-qt6"
    # the update check's HTTP library, opened at the first transfer
    "libcurl4"
)
list(JOIN VIZ_RUNTIME_PACKAGES ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
# The virtual board builds and runs firmware with these when they are there,
# and names the missing ones when not; "下载程序" puts firmware on AVR chips
# with avrdude.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "sdcc, sdcc-ucsim, gcc-avr, avr-libc, simavr, avrdude")
# The board's ATmega328P with a serial bootloader builds it from this source.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "arduino-core-avr")

set(CPACK_GENERATOR DEB)
include(CPack)
