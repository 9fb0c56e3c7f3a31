# The picture libraries of the Windows program, static, from the prefix that
# scripts/build-windows-deps.sh builds (ORVENNA_WINDOWS_DEPS). Each is an imported target
# windeps::<name> that names the libraries it needs, so that CMake links them after it:
# pkg-config --static gets that order wrong for exiv2 and libjxl.
# windeps::all is every one of them.
set(_deps ${ORVENNA_WINDOWS_DEPS})
if(NOT EXISTS ${_deps}/versions.txt)
  message(FATAL_ERROR "ORVENNA_WINDOWS_DEPS=${_deps} is not a prefix made by scripts/build-windows-deps.sh")
endif()

# windeps_library(<name> <archive in lib/> [NEEDS targets or system libraries...]
#                 [DEFINES definitions users need...])
function(windeps_library name archive)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "" "NEEDS;DEFINES")
  set(file ${_deps}/lib/${archive})
  if(NOT EXISTS ${file})
    message(FATAL_ERROR "The Windows picture libraries in ${_deps} lack ${archive}")
  endif()
  add_library(windeps::${name} STATIC IMPORTED GLOBAL)
  set_target_properties(windeps::${name} PROPERTIES
    IMPORTED_LOCATION ${file}
    INTERFACE_INCLUDE_DIRECTORIES ${_deps}/include
    INTERFACE_LINK_LIBRARIES "${arg_NEEDS}"
    INTERFACE_COMPILE_DEFINITIONS "${arg_DEFINES}")
endfunction()

windeps_library(z libz.a)
windeps_library(deflate libdeflate.a)
windeps_library(jpeg libjpeg.a)
windeps_library(png libpng16.a NEEDS windeps::z)
windeps_library(gif libgif.a)
windeps_library(imagequant libimagequant.a)
windeps_library(webp libwebp.a)
windeps_library(webpmux libwebpmux.a NEEDS windeps::webp)
windeps_library(webpdemux libwebpdemux.a NEEDS windeps::webp)
windeps_library(tiff libtiff.a NEEDS windeps::webp windeps::jpeg windeps::deflate windeps::z)
windeps_library(lcms2 liblcms2.a)
windeps_library(expat libexpat.a DEFINES XML_STATIC)
# exiv2's XMP toolkit comes after it, then expat; psapi and ws2_32 for its file and path calls.
windeps_library(exiv2_xmp libexiv2-xmp.a NEEDS windeps::expat)
windeps_library(exiv2 libexiv2.a NEEDS windeps::exiv2_xmp windeps::expat windeps::z psapi ws2_32)
windeps_library(brotlicommon libbrotlicommon.a)
windeps_library(brotlidec libbrotlidec.a NEEDS windeps::brotlicommon)
windeps_library(brotlienc libbrotlienc.a NEEDS windeps::brotlicommon)
windeps_library(hwy libhwy.a)
windeps_library(jxl libjxl.a
  NEEDS windeps::hwy windeps::brotlienc windeps::brotlidec windeps::brotlicommon windeps::lcms2
  DEFINES JXL_STATIC_DEFINE)
windeps_library(jxl_threads libjxl_threads.a NEEDS windeps::jxl DEFINES JXL_THREADS_STATIC_DEFINE)
windeps_library(de265 libde265.a DEFINES LIBDE265_STATIC_BUILD)
windeps_library(dav1d libdav1d.a)
windeps_library(aom libaom.a)
# HEIC through libde265; AVIF through dav1d (decoding) and aom (encoding).
windeps_library(heif libheif.a NEEDS windeps::de265 windeps::dav1d windeps::aom
  DEFINES LIBHEIF_STATIC_BUILD)

add_library(windeps::all INTERFACE IMPORTED GLOBAL)
set_target_properties(windeps::all PROPERTIES INTERFACE_LINK_LIBRARIES
  "windeps::heif;windeps::jxl_threads;windeps::jxl;windeps::exiv2;windeps::tiff;windeps::webpmux;windeps::webpdemux;windeps::png;windeps::gif;windeps::imagequant;windeps::lcms2;windeps::deflate")

# The Debian source packages and versions the prefix was built from ("name version" lines).
file(READ ${_deps}/versions.txt ORVENNA_WINDOWS_DEPS_VERSIONS)
