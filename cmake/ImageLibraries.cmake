# Picture libraries beside Qt's own readers and writers: libimagequant and giflib
# for GIF writing; libjpeg, libwebp and libtiff for the JPEG, WebP and TIFF writers;
# exiv2 for EXIF and XMP, Little CMS for colour profiles, zlib for PNG chunks;
# TurboJPEG for the benchmarks' reference decode.
pkg_check_modules(IMAGEQUANT REQUIRED IMPORTED_TARGET imagequant)
find_package(GIF REQUIRED)
pkg_check_modules(PICTURE_LIBS REQUIRED IMPORTED_TARGET libjpeg libwebp libwebpmux libtiff-4 exiv2 lcms2 zlib)
target_link_libraries(orvenna_core PUBLIC PkgConfig::IMAGEQUANT GIF::GIF PkgConfig::PICTURE_LIBS)
pkg_check_modules(TURBOJPEG IMPORTED_TARGET libturbojpeg)
# HEIF (libheif with its HEVC decoder), AVIF (libavif) and JPEG XL (libjxl) reading,
# AVIF and JPEG XL writing.
pkg_check_modules(HEIF REQUIRED IMPORTED_TARGET libheif)
pkg_check_modules(AVIF REQUIRED IMPORTED_TARGET libavif)
pkg_check_modules(JXL REQUIRED IMPORTED_TARGET libjxl libjxl_threads)
target_link_libraries(orvenna_core PUBLIC PkgConfig::HEIF PkgConfig::AVIF PkgConfig::JXL)
