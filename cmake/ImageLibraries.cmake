# TurboJPEG, for the benchmarks' reference decode: the picture core links every picture
# library the program uses (cmake/PictureCore.cmake).
pkg_check_modules(TURBOJPEG IMPORTED_TARGET libturbojpeg)
