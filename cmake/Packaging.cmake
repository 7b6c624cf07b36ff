# SPDX-License-Identifier: GPL-3.0-or-later
# `cpack -G DEB` (run in the build folder) builds folvex_<version>_<arch>.deb from the
# install rules. dpkg-shlibdeps (dpkg-dev) works out the libraries it depends on.
set(FOLVEX_PACKAGE_MAINTAINER "Folvex developers <folvex@example.org>"
    CACHE STRING "The Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME folvex)
set(CPACK_PACKAGE_VENDOR "Folvex developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${FOLVEX_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "keeps folders in step by one-way copying")
# The long description, wrapped at 80 columns; an empty line separates paragraphs.
file(READ ${PROJECT_SOURCE_DIR}/dist/description CPACK_PACKAGE_DESCRIPTION)
# Stripped binaries, as Debian expects; the build tree keeps the debugging information.
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS ${CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS})

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# libqt6gui6 only recommends the platform plugins, and the window cannot open without one.
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
