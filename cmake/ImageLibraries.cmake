# Picture libraries beside Qt's own readers and writers: libimagequant and giflib
# for GIF writing; TurboJPEG for the benchmarks' reference decode.
pkg_check_modules(IMAGEQUANT REQUIRED IMPORTED_TARGET imagequant)
find_package(GIF REQUIRED)
target_link_libraries(orvenna_core PUBLIC PkgConfig::IMAGEQUANT GIF::GIF)
pkg_check_modules(TURBOJPEG IMPORTED_TARGET libturbojpeg)
