# The picture core (src/pictures): one static library over the formats' own libraries.
file(GLOB_RECURSE ORVENNA_PICTURE_SOURCES CONFIGURE_DEPENDS src/pictures/*.cpp src/pictures/*.h)
# AVIF is read through libavif where Debian's package has it (Linux): exact to the AV1 tools and
# three times faster than through libheif, whose 1.15 passes the planes through RGB and back.
# The Windows build cannot have libavif (its source package cannot be fetched) and reads AVIF
# through libheif's AV1 support. Both write it through libheif.
if(CMAKE_SYSTEM_NAME STREQUAL "Windows")
  list(FILTER ORVENNA_PICTURE_SOURCES EXCLUDE REGEX "/src/pictures/formats/avif_libavif\\.cpp$")
else()
  list(FILTER ORVENNA_PICTURE_SOURCES EXCLUDE REGEX "/src/pictures/formats/avif_libheif\\.cpp$")
endif()
# A module of another build is refused: the core's types must be laid out alike on both sides.
set(ORVENNA_MODULE_BUILD "${PROJECT_VERSION} ${CMAKE_CXX_COMPILER_ID} ${CMAKE_CXX_COMPILER_VERSION}")
if(CMAKE_SYSTEM_NAME STREQUAL "Windows")
  # Every family linked in: the Windows program is one static executable.
  list(FILTER ORVENNA_PICTURE_SOURCES EXCLUDE REGEX "/src/pictures/modules/loader\\.cpp$")
  add_library(orvenna_pictures STATIC ${ORVENNA_PICTURE_SOURCES})
  target_compile_definitions(orvenna_pictures PRIVATE ORVENNA_MODULE_BUILD="${ORVENNA_MODULE_BUILD}")
else()
  # The heavy families apart, as modules (cmake/PictureModules.cmake).
  include(cmake/PictureModules.cmake)
endif()
target_include_directories(orvenna_pictures PUBLIC src)
target_compile_options(orvenna_pictures PRIVATE -Wall -Wextra)
if(CMAKE_SYSTEM_NAME STREQUAL "Windows")
  # The same libraries, static, from the prefix cmake/WindowsDeps.cmake made targets of.
  target_link_libraries(orvenna_pictures PUBLIC windeps::all)
else()
  # Colour (Little CMS); the readers and writers: libjpeg, libpng, giflib with libimagequant,
  # libtiff, libwebp; zlib for compressed PNG chunks; libdeflate for PNG's and TIFF's pixel
  # data. The families' libraries (libheif, libavif, libjxl, and exiv2 for metadata) are in
  # PictureModules.cmake.
  find_package(GIF REQUIRED)
  pkg_check_modules(PICTURE_CORE_LIBS REQUIRED IMPORTED_TARGET lcms2 zlib libjpeg libpng16 imagequant
    libtiff-4 libwebp libwebpmux libwebpdemux libdeflate)
  target_link_libraries(orvenna_picture_objects PUBLIC PkgConfig::PICTURE_CORE_LIBS GIF::GIF)
  target_link_libraries(orvenna_pictures PUBLIC PkgConfig::PICTURE_CORE_LIBS GIF::GIF)
endif()
# The worker that completes a large JPEG shown part first.
find_package(Threads REQUIRED)
target_link_libraries(orvenna_pictures PUBLIC Threads::Threads)
