# The Debian package of the program: `cpack -G DEB` in a Release build folder writes
# zorvia_<version>_<arch>.deb beside it.
#
# What goes in is what `cmake --install` puts in the default component: the program and its
# updater in lib/zorvia/, the bin/zorvia link, the desktop entry, the icons, the AppStream
# metainfo and the manual page. The stand-in vendor service is installed only on request
# (component "stand-in", EXCLUDE_FROM_ALL), so it never reaches the package.
#
# The library dependencies are read from the binaries by dpkg-shlibdeps (package dpkg-dev, which
# needs `file`); the ones a binary cannot show are listed here: the faces the program asks for
# by name, and xdg-utils for opening the marketplace pages.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zorvia)
set(CPACK_PACKAGE_VENDOR "ZorviaII developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "ZorviaII developers <zorvia@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop client for time-limited group-buy deals")
# Debian shows the long description as written: lines of at most 79 characters.
set(CPACK_PACKAGE_DESCRIPTION "ZorviaII shows the deals of a marketplace's group-buy catalogue as
tiles in a scrolling grid, with their pictures, prices, discounts and
buyers, and opens a details window that counts down to the end of a deal
and links to the item page, the seller's shop and the web chat.
Deal pictures are kept in the user's cache folder.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-wqy-zenhei, fonts-arphic-uming, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
# The control files with the modes Debian policy asks for (lintian checks them).
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
