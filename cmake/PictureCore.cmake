# The picture core (src/pictures): one static library over the formats' own libraries.
file(GLOB_RECURSE ORVENNA_PICTURE_SOURCES CONFIGURE_DEPENDS src/pictures/*.cpp src/pictures/*.h)
add_library(orvenna_pictures STATIC ${ORVENNA_PICTURE_SOURCES})
target_include_directories(orvenna_pictures PUBLIC src)
target_compile_options(orvenna_pictures PRIVATE -Wall -Wextra)
# Colour (Little CMS); the readers and writers: libjpeg, libpng, giflib with libimagequant,
# libtiff, libwebp, libheif (with its HEVC decoder), libavif, libjxl; exiv2 for metadata, zlib for compressed PNG chunks;
# libdeflate for PNG's and TIFF's pixel data.
find_package(GIF REQUIRED)
pkg_check_modules(PICTURE_CORE_LIBS REQUIRED IMPORTED_TARGET lcms2 exiv2 zlib libjpeg libpng16 imagequant
  libtiff-4 libwebp libwebpmux libwebpdemux libavif libjxl libjxl_threads libheif libdeflate)
target_link_libraries(orvenna_pictures PUBLIC PkgConfig::PICTURE_CORE_LIBS GIF::GIF)
# The worker that completes a large JPEG shown part first.
find_package(Threads REQUIRED)
target_link_libraries(orvenna_pictures PUBLIC Threads::Threads)
