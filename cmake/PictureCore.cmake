# The picture core (src/pictures): one static library over the formats' own libraries.
file(GLOB_RECURSE ORVENNA_PICTURE_SOURCES CONFIGURE_DEPENDS src/pictures/*.cpp src/pictures/*.h)
add_library(orvenna_pictures STATIC ${ORVENNA_PICTURE_SOURCES})
target_include_directories(orvenna_pictures PUBLIC src)
target_compile_options(orvenna_pictures PRIVATE -Wall -Wextra)
pkg_check_modules(PICTURE_CORE_LIBS REQUIRED IMPORTED_TARGET lcms2)
target_link_libraries(orvenna_pictures PUBLIC PkgConfig::PICTURE_CORE_LIBS)
# HEIF (libheif with its HEVC decoder), AVIF (libavif) and JPEG XL (libjxl), and exiv2 for
# the EXIF blocks HEIF and AVIF files carry.
pkg_check_modules(PICTURE_CORE_ISO_LIBS REQUIRED IMPORTED_TARGET libheif libavif libjxl libjxl_threads exiv2)
target_link_libraries(orvenna_pictures PUBLIC PkgConfig::PICTURE_CORE_ISO_LIBS)
