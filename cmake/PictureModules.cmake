# The Linux picture core with its heavy format families apart: HEIF (libheif with its HEVC
# and AV1 codecs; it writes AVIF too), AVIF read through libavif with its own AV1 codecs,
# and JPEG XL (libjxl, highway, brotli) map some forty libraries and run their
# initialisers, which the start of the program should not pay for; so would exiv2, a large
# C++ library every picture's metadata is read with (the metadata family). Apart, a HEIC maps
# neither libavif's codecs nor libjxl. Each family is built twice from the same objects: a
# module the program opens when a picture first needs it (src/pictures/modules/loader.cpp),
# and a static library linked into the tests, benchmarks and fuzz targets (linked.cpp).
include(GNUInstallDirs)
pkg_check_modules(PICTURE_HEIF_LIBS REQUIRED IMPORTED_TARGET libheif)
pkg_check_modules(PICTURE_AVIF_LIBS REQUIRED IMPORTED_TARGET libavif)
pkg_check_modules(PICTURE_JXL_LIBS REQUIRED IMPORTED_TARGET libjxl libjxl_threads)
pkg_check_modules(PICTURE_EXIV_LIBS REQUIRED IMPORTED_TARGET exiv2)
set(ORVENNA_FAMILIES heif avif jxl metadata)
set(ORVENNA_FAMILY_heif formats/heif.cpp formats/heif_reader.cpp formats/yuv_to_rgb.cpp writers/avif.cpp
    modules/heif_family.cpp)
set(ORVENNA_FAMILY_avif formats/avif_libavif.cpp modules/avif_family.cpp)
set(ORVENNA_FAMILY_jxl formats/jxl.cpp writers/jxl.cpp modules/jxl_family.cpp)
set(ORVENNA_FAMILY_metadata metadata/read.cpp metadata/carried.cpp metadata/tiff_metadata.cpp
    modules/metadata_family.cpp)
set(ORVENNA_FAMILY_heif_LIBS PkgConfig::PICTURE_HEIF_LIBS)
set(ORVENNA_FAMILY_avif_LIBS PkgConfig::PICTURE_AVIF_LIBS)
set(ORVENNA_FAMILY_jxl_LIBS PkgConfig::PICTURE_JXL_LIBS)
set(ORVENNA_FAMILY_metadata_LIBS PkgConfig::PICTURE_EXIV_LIBS)

# Where the installed program finds its modules: the package's library folder, relative to
# the program's folder so that any install prefix works. They are no shared libraries for
# the linker: two folders below lib/, the package's scripts run no ldconfig for them.
set(ORVENNA_MODULE_INSTALL_DIR ${CMAKE_INSTALL_LIBDIR}/orvenna/formats)
file(RELATIVE_PATH ORVENNA_MODULE_FOLDER /prefix/${CMAKE_INSTALL_BINDIR} /prefix/${ORVENNA_MODULE_INSTALL_DIR})

set(apart src/pictures/modules/linked.cpp src/pictures/modules/loader.cpp)
set(ORVENNA_FAMILY_OBJECTS "")
foreach(family ${ORVENNA_FAMILIES})
  list(TRANSFORM ORVENNA_FAMILY_${family} PREPEND ${PROJECT_SOURCE_DIR}/src/pictures/)
  list(APPEND apart ${ORVENNA_FAMILY_${family}})
  add_library(orvenna_${family}_objects OBJECT ${ORVENNA_FAMILY_${family}})
  set_target_properties(orvenna_${family}_objects PROPERTIES POSITION_INDEPENDENT_CODE ON)
  target_include_directories(orvenna_${family}_objects PRIVATE src)
  target_compile_options(orvenna_${family}_objects PRIVATE -Wall -Wextra)
  target_compile_definitions(orvenna_${family}_objects PRIVATE ORVENNA_MODULE_BUILD="${ORVENNA_MODULE_BUILD}")
  target_link_libraries(orvenna_${family}_objects PRIVATE ${ORVENNA_FAMILY_${family}_LIBS} PkgConfig::PICTURE_CORE_LIBS)
  list(APPEND ORVENNA_FAMILY_OBJECTS $<TARGET_OBJECTS:orvenna_${family}_objects>)
  # The module takes the core's functions from the program, which exports them.
  add_library(orvenna_${family} MODULE $<TARGET_OBJECTS:orvenna_${family}_objects>)
  set_target_properties(orvenna_${family} PROPERTIES PREFIX "" OUTPUT_NAME orvenna-${family}
                        LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
  target_link_libraries(orvenna_${family} PRIVATE ${ORVENNA_FAMILY_${family}_LIBS})
  list(APPEND ORVENNA_PICTURE_MODULES orvenna_${family})
endforeach()
list(TRANSFORM apart PREPEND ${PROJECT_SOURCE_DIR}/ REGEX "^src/")
list(REMOVE_ITEM ORVENNA_PICTURE_SOURCES ${apart})

# The core's own objects: the static library of everything that links the core, and the
# program's own objects whole, so that a module finds every function it calls.
add_library(orvenna_picture_objects OBJECT ${ORVENNA_PICTURE_SOURCES})
set_target_properties(orvenna_picture_objects PROPERTIES POSITION_INDEPENDENT_CODE ON)
target_include_directories(orvenna_picture_objects PUBLIC src)
target_compile_options(orvenna_picture_objects PRIVATE -Wall -Wextra)
add_library(orvenna_pictures STATIC $<TARGET_OBJECTS:orvenna_picture_objects>)

add_library(orvenna_picture_families STATIC src/pictures/modules/linked.cpp ${ORVENNA_FAMILY_OBJECTS})
target_link_libraries(orvenna_picture_families PUBLIC orvenna_pictures PkgConfig::PICTURE_HEIF_LIBS
                      PkgConfig::PICTURE_AVIF_LIBS PkgConfig::PICTURE_JXL_LIBS PkgConfig::PICTURE_EXIV_LIBS)
add_library(orvenna_picture_loader STATIC src/pictures/modules/loader.cpp)
target_include_directories(orvenna_picture_loader PRIVATE src)
target_compile_options(orvenna_picture_loader PRIVATE -Wall -Wextra)
target_compile_definitions(orvenna_picture_loader PRIVATE ORVENNA_MODULE_BUILD="${ORVENNA_MODULE_BUILD}"
                           ORVENNA_MODULE_FOLDER="${ORVENNA_MODULE_FOLDER}")
target_link_libraries(orvenna_picture_loader PUBLIC orvenna_pictures ${CMAKE_DL_LIBS})
# A target with ORVENNA_PICTURE_MODULES set loads the families; any other links them in.
target_link_libraries(orvenna_pictures PUBLIC
  "$<IF:$<BOOL:$<TARGET_PROPERTY:ORVENNA_PICTURE_MODULES>>,orvenna_picture_loader,orvenna_picture_families>")

# The program: its families as modules, the core's functions exported to them, the modules
# built with it.
function(orvenna_use_picture_modules target)
  set_target_properties(${target} PROPERTIES ORVENNA_PICTURE_MODULES ON)
  target_sources(${target} PRIVATE $<TARGET_OBJECTS:orvenna_picture_objects>)
  target_link_options(${target} PRIVATE -Wl,--dynamic-list=${PROJECT_SOURCE_DIR}/cmake/picture-core-exports.list)
  add_dependencies(${target} ${ORVENNA_PICTURE_MODULES})
endfunction()
