# `make package`: a Debian package of the program. Its dependencies are
# worked out from the libraries the binary links (dpkg-shlibdeps); the
# plug-ins Qt loads at run time and the ODBC driver, which no linker sees,
# are named here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pelkor)
set(CPACK_PACKAGE_VENDOR "Pelkor")
set(CPACK_PACKAGE_CONTACT "Pelkor maintainers <maintainers@pelkor.net>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Pelkor maintainers <maintainers@pelkor.net>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Orders, deliveries and accounts of water-supply stations")
set(CPACK_PACKAGE_DESCRIPTION
    "Telephone orders with caller identification, deliveries, payments, returned bottles, stock documents, day closing and reports for a group of purified-water stations on one shared database (SQLite or PostgreSQL).")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Every plug-in the program loads, named even where a linked library brings
# it today: the platform plug-ins (offscreen and xcb sit in libqt6gui6 on
# Debian 12, in qt6-qpa-plugins on later releases), the SQL drivers, CUPS
# printing. The icon is a PNG, read without a plug-in.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6gui6, qt6-qpa-plugins, libqt6sql6-sqlite, libqt6sql6-odbc, libqt6printsupport6, unixodbc, odbc-postgresql, fonts-wqy-microhei | fonts-arphic-uming | fonts-noto-cjk")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, fonts-arphic-uming, cups-client")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "tdsodbc, postgresql-client")
# Only the program and its desktop files, not the build's test tools.
set(CPACK_COMPONENTS_ALL Unspecified)
set(CPACK_STRIP_FILES ON)
include(CPack)
