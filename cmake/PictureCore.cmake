# The picture core (src/pictures): one static library over the formats' own libraries.
file(GLOB_RECURSE ORVENNA_PICTURE_SOURCES CONFIGURE_DEPENDS src/pictures/*.cpp src/pictures/*.h)
if(CMAKE_SYSTEM_NAME STREQUAL "Windows")
  # For now the Windows libraries have no libavif: its reader and writer stay out, and the
  # core neither recognises nor writes AVIF there (ORVENNA_PICTURES_NO_AVIF) until AVIF goes
  # through libheif.
  list(FILTER ORVENNA_PICTURE_SOURCES EXCLUDE REGEX "/src/pictures/(formats|writers)/avif\\.cpp$")
endif()
add_library(orvenna_pictures STATIC ${ORVENNA_PICTURE_SOURCES})
target_include_directories(orvenna_pictures PUBLIC src)
target_compile_options(orvenna_pictures PRIVATE -Wall -Wextra)
if(CMAKE_SYSTEM_NAME STREQUAL "Windows")
  # The same libraries, static, from the prefix cmake/WindowsDeps.cmake made targets of.
  target_compile_definitions(orvenna_pictures PRIVATE ORVENNA_PICTURES_NO_AVIF)
  target_link_libraries(orvenna_pictures PUBLIC windeps::all)
else()
  # Colour (Little CMS); the readers and writers: libjpeg, libpng, giflib with libimagequant,
  # libtiff, libwebp, libheif (with its HEVC decoder), libavif, libjxl; exiv2 for metadata, zlib for compressed PNG chunks.
  find_package(GIF REQUIRED)
  pkg_check_modules(PICTURE_CORE_LIBS REQUIRED IMPORTED_TARGET lcms2 exiv2 zlib libjpeg libpng16 imagequant
    libtiff-4 libwebp libwebpmux libwebpdemux libavif libjxl libjxl_threads libheif)
  target_link_libraries(orvenna_pictures PUBLIC PkgConfig::PICTURE_CORE_LIBS GIF::GIF)
endif()
# The worker that completes a large JPEG shown part first.
find_package(Threads REQUIRED)
target_link_libraries(orvenna_pictures PUBLIC Threads::Threads)
