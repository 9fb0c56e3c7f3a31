# `cpack -G DEB` in the build folder makes orvenna_<version>_<arch>.deb from the install
# rules. Library dependencies are computed (dpkg-shlibdeps); the rest are what the program
# loads without linking: the Qt image-format plugins (TIFF, WebP), a Japanese font for the
# titles, xdg-utils to open the web page, and Qt's Wayland platform plugin.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvenna)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Orvenna developers")
set(CPACK_PACKAGE_CONTACT ${ORVENNA_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "picture viewer and converter")
set(CPACK_PACKAGE_DESCRIPTION
    "Orvenna shows a picture dropped on its window or opened from its File menu, and\n\
saves it under a new name in the format the name's extension picks: JPEG, PNG,\n\
GIF, BMP, TIFF or WebP. Its window can be put away behind an icon in the\n\
notification area.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${ORVENNA_WEB_ADDRESS})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic, xdg-utils, qt6-wayland")
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
include(CPack)
