# The picture core (src/pictures): one static library over the formats' own libraries.
file(GLOB_RECURSE ORVENNA_PICTURE_SOURCES CONFIGURE_DEPENDS src/pictures/*.cpp src/pictures/*.h)
add_library(orvenna_pictures STATIC ${ORVENNA_PICTURE_SOURCES})
target_include_directories(orvenna_pictures PUBLIC src)
target_compile_options(orvenna_pictures PRIVATE -Wall -Wextra)
pkg_check_modules(PICTURE_CORE_LIBS REQUIRED IMPORTED_TARGET lcms2 libpng16 zlib)
# giflib has no pkg-config module.
find_package(GIF 5 REQUIRED)
target_link_libraries(orvenna_pictures PUBLIC PkgConfig::PICTURE_CORE_LIBS GIF::GIF)
