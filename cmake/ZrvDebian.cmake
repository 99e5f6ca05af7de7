# `cpack -G DEB` in the host build: a Debian package of zrvtool alone (the tool, its CMake package
# and its manual page), installable with `apt install ./zrvtool_*.deb`.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zrvtool)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "makes installation media for 32-bit Windows")
set(CPACK_PACKAGE_DESCRIPTION "zrvtool is the author's tool of the Zorvan Installation System. It makes the
installation medium of a product for 32-bit Windows: Setup.exe, the stored
Setup.ini and the image volumes. It checks a Setup.ini as the installer reads
it, and writes and reads ZRV-Zip images. It carries the installer and the
uninstaller inside itself. Its CMake package gives find_package(zrvtool) and
the CPack generator module ZrvCPack.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Zorvan Installation System developers <zorvan@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
# The libraries the tool links against, as Debian names them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS cmake)
include(CPack)
