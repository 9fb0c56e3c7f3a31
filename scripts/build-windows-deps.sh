#!/usr/bin/env bash
# Cross-builds the picture libraries of the 32-bit Windows program, static and i686, from
# Debian's own source packages of the versions the Linux build links, into a cache folder
# that every later build on this machine reuses:
#   ${ORVENNA_WINDOWS_DEPS:-~/.cache/orvenna/windows-deps}/<key>/
# The key hashes those versions, the cross compiler and this script with its patches, so a
# security update, a new compiler or a changed recipe builds a new prefix. Progress and
# each library's time go to stderr; the prefix is the one line on stdout.
# ORVENNA_NICE=1 builds at the lowest CPU priority; ORVENNA_JOBS sets the parallel jobs.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
host=i686-w64-mingw32
# GCC's "posix" thread model: the "win32" one has no std::thread or std::mutex.
cc=$host-gcc-posix
cxx=$host-g++-posix
jobs=${ORVENNA_JOBS:-$(nproc)}
cache=${ORVENNA_WINDOWS_DEPS:-$HOME/.cache/orvenna/windows-deps}

# The libraries in build order: Debian source package, the Linux build's -dev package whose
# version is taken, and the function below that builds it.
libraries=(
  "libdeflate    libdeflate-dev       build_libdeflate"
  "libjpeg-turbo libjpeg62-turbo-dev  build_libjpeg_turbo"
  "libpng1.6     libpng-dev           build_libpng"
  "giflib        libgif-dev           build_giflib"
  "libimagequant libimagequant-dev    build_libimagequant"
  "libwebp       libwebp-dev          build_libwebp"
  "tiff          libtiff-dev          build_tiff"
  "lcms2         liblcms2-dev         build_lcms2"
  "expat         libexpat1-dev        build_expat"
  "exiv2         libexiv2-dev         build_exiv2"
  "brotli        libbrotli-dev        build_brotli"
  "highway       libhwy-dev           build_highway"
  "jpeg-xl       libjxl-dev           build_libjxl"
  "libde265      libde265-dev         build_libde265"
  "dav1d         libdav1d-dev         build_dav1d"
  "aom           libaom-dev           build_aom"
  "libheif       libheif-dev          build_libheif"
)
# zlib is Debian's own MinGW build of it, copied into the prefix.
zlib_package=libz-mingw-w64-dev
# The cross toolchain: compilers, binutils, and the Windows headers and runtime.
toolchain_packages=(gcc-mingw-w64-i686-posix g++-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev)

say() { printf '%s\n' "$*" >&2; }
die() { say "error: $*"; exit 1; }
field() { local -a f; read -ra f <<<"$1"; printf '%s' "${f[$2]}"; }
dev_packages() { for l in "${libraries[@]}"; do field "$l" 1; echo; done; }
dev_of() { for l in "${libraries[@]}"; do [ "$(field "$l" 0)" = "$1" ] && field "$l" 1; done; true; }

# --- Versions and the cache key -------------------------------------------------------

# "source version" of each library, read from the Linux build's installed -dev packages.
source_versions() {
  local l dev line
  for l in "${libraries[@]}"; do
    dev=$(field "$l" 1)
    line=$(dpkg-query -W -f='${source:Package} ${source:Version}' "$dev" 2>/dev/null) ||
      die "$dev (the Linux build's $(field "$l" 0)) is not installed"
    echo "$line"
  done
}

cache_key() {
  {
    source_versions
    dpkg-query -W -f='${Package} ${Version}\n' "$zlib_package" "${toolchain_packages[@]}"
    cat "${BASH_SOURCE[0]}"
    cat "$here"/windows-deps/patches/*.patch 2>/dev/null || true
  } | sha256sum | cut -c1-16
}

# --- Fetching Debian's source packages ------------------------------------------------

# apt with a private list of the machine's own mirrors as deb-src, leaving the system's
# apt set-up alone. apt checks each file against the signed index.
apt_private() {  # <apt-get|apt-cache> <arguments...>
  local tool=$1; shift
  local -a sandbox=()
  # Its own user cannot read root's home folder: download as root, without the warning.
  [ "$(id -u)" -eq 0 ] && sandbox=(-o APT::Sandbox::User=root)
  "$tool" -o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$apt_dir/sources" \
    -o Dir::State::Lists="$apt_dir/lists" -o Dir::Cache="$apt_dir/cache" "${sandbox[@]}" "$@"
}

write_source_list() {
  mkdir -p "$apt_dir/sources" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
  rm -f "$apt_dir/sources"/*
  local f n=0
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -e "$f" ] || continue
    sed 's/^Types:.*/Types: deb-src/' "$f" > "$apt_dir/sources/$n.sources"; n=$((n + 1))
  done
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -e "$f" ] || continue
    sed -n 's/^deb\s/deb-src /p' "$f" > "$apt_dir/sources/$n.list"; n=$((n + 1))
  done
  [ "$n" -gt 0 ] || die "no apt sources on this machine to take the mirror from"
}

# Runs a command up to three times, 30 s apart: a mirror caught in the middle of a sync
# serves files that do not match its index (or not yet), and whole ones a moment later.
with_retries() {
  local attempt
  for attempt in 1 2 3; do
    "$@" && return 0
    [ "$attempt" -lt 3 ] && { say "  failed; trying again in 30 s"; sleep 30; }
  done
  return 1
}

# The versions the mirror lists for a source package, newest first.
listed_versions() {
  apt_private apt-cache showsrc "$1" 2>/dev/null | sed -n 's/^Version: //p' | sort -u | sort -rV
}

# Downloads one source package into the shared download folder (files already there are
# checked, not fetched again).
download_source() {  # <package> <version>
  (cd "$downloads" && apt_private apt-get -qq source --download-only "$1=$2" >/dev/null 2>"$work/fetch-$1.err")
}

# The source package of the same upstream release that the mirror still has files for,
# newest first, below the wanted version; nothing when there is none.
fallback_version() {  # <package> <wanted version>
  local candidate
  while read -r candidate; do
    [ "${candidate%-*}" = "${2%-*}" ] || continue
    dpkg --compare-versions "$candidate" lt "$2" || continue
    if download_source "$1" "$candidate"; then echo "$candidate"; return 0; fi
  done < <(listed_versions "$1")
  return 1
}

# Downloads the source packages of the versions the Linux build links, into the shared
# download folder, trying those that failed twice more, 30 s apart; writes the versions it
# got to $work/resolved.txt. A mirror can list a security update whose source files it
# does not have (seen for weeks): then the same upstream release's previous Debian revision
# is taken, said loudly and recorded in the prefix's fallbacks.txt, unless
# ORVENNA_WINDOWS_DEPS_EXACT=1. Names each package it cannot get before giving up.
download_sources() {
  local pending=() failed=() line attempt pkg version listed fallback
  mapfile -t pending < <(source_versions)
  cp /dev/null "$work/resolved.txt"
  cp /dev/null "$work/fallbacks.txt"
  for attempt in 1 2 3; do
    failed=()
    for line in "${pending[@]}"; do
      read -r pkg version <<<"$line"
      if download_source "$pkg" "$version"; then echo "$line" >> "$work/resolved.txt"; else failed+=("$line"); fi
    done
    [ ${#failed[@]} -eq 0 ] && return 0
    pending=("${failed[@]}")
    [ "$attempt" -lt 3 ] && { say "  ${#failed[@]} not fetched; trying again in 30 s"; sleep 30; }
  done
  local missing=()
  for line in "${failed[@]}"; do
    read -r pkg version <<<"$line"
    if [ "${ORVENNA_WINDOWS_DEPS_EXACT:-0}" != 1 ] && fallback=$(fallback_version "$pkg" "$version"); then
      say "WARNING: $pkg $version: the mirror lacks its source files; building $fallback," \
        "the previous Debian revision of the same release, instead"
      echo "$pkg $fallback" >> "$work/resolved.txt"
      echo "$pkg $fallback instead of $version" >> "$work/fallbacks.txt"
    else
      missing+=("$line")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  say "error: cannot fetch these source packages, the versions the Linux build links:"
  for line in "${missing[@]}"; do
    read -r pkg version <<<"$line"
    listed=$(listed_versions "$pkg" | tr '\n' ' ')
    if [[ " $listed" == *" $version "* ]]; then
      say "  $pkg $version: the mirror lists it but lacks its files (mid-sync?); try again later"
    else
      say "  $pkg $version: no longer on the mirror (it has $listed); upgrade the Linux build's" \
        "$(dev_of "$pkg") (apt-get install --only-upgrade $(dev_of "$pkg")) and run again"
    fi
    grep -E '^E: Failed to fetch' "$work/fetch-$pkg.err" | sed 's/^/    /' >&2 || true
  done
  exit 1
}

# Unpacks each source package with Debian's patches, then ours, into the work folder.
fetch_sources() {
  local pkg version patch
  say "Fetching Debian's source packages"
  mkdir -p "$downloads" "$work/src"
  # One fetch at a time on this machine: builds of other keys share the lists and downloads.
  exec 8>"$cache/fetch.lock"
  flock 8
  write_source_list
  with_retries apt_private apt-get -qq update >&2 || die "apt-get update of the source lists failed"
  download_sources
  flock -u 8
  while read -r pkg version; do
    rm -rf "${work:?}/src/$pkg"
    dpkg-source -x "$downloads/${pkg}_${version#*:}.dsc" "$work/src/$pkg" >"$work/unpack-$pkg.log" 2>&1 ||
      { cat "$work/unpack-$pkg.log" >&2; die "cannot unpack $pkg $version"; }
    patch=$here/windows-deps/patches/$pkg.patch
    if [ -f "$patch" ]; then patch -d "$work/src/$pkg" -p1 -s < "$patch"; fi
    # Its licence goes with the program that links it.
    install_files "share/licenses/$pkg" "$work/src/$pkg/debian/copyright"
  done < "$work/resolved.txt"
}

# --- Build systems --------------------------------------------------------------------

write_build_files() {
  local launcher=""
  command -v ccache >/dev/null && launcher=ccache
  cat > "$work/toolchain.cmake" <<EOF
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER $cc)
set(CMAKE_CXX_COMPILER $cxx)
set(CMAKE_RC_COMPILER $host-windres)
set(CMAKE_C_COMPILER_LAUNCHER "$launcher")
set(CMAKE_CXX_COMPILER_LAUNCHER "$launcher")
set(CMAKE_FIND_ROOT_PATH "$prefix" /usr/$host)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
EOF
  cat > "$work/cross.meson" <<EOF
[binaries]
c = [$( [ -n "$launcher" ] && printf "'%s', " "$launcher")'$cc']
cpp = [$( [ -n "$launcher" ] && printf "'%s', " "$launcher")'$cxx']
ar = '$host-ar'
strip = '$host-strip'
windres = '$host-windres'
pkgconfig = 'pkg-config'

[properties]
pkg_config_libdir = '$prefix/lib/pkgconfig'

[host_machine]
system = 'windows'
cpu_family = 'x86'
cpu = 'i686'
endian = 'little'
EOF
}

# CMake project: configure, build (only the given targets when "--targets a b --" leads),
# and install unless only targets were built.
cmake_lib() {
  local src=$work/src/$1; shift
  local b=$work/build/${src#"$work/src/"} targets=()
  if [ "${1:-}" = --targets ]; then
    shift; while [ "$1" != -- ]; do targets+=("$1"); shift; done; shift
  fi
  cmake -S "$src" -B "$b" -G Ninja -Wno-dev \
    -DCMAKE_TOOLCHAIN_FILE="$work/toolchain.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_INSTALL_LIBDIR=lib \
    -DBUILD_SHARED_LIBS=OFF -DBUILD_TESTING=OFF \
    -DZLIB_LIBRARY="$prefix/lib/libz.a" -DZLIB_INCLUDE_DIR="$prefix/include" "$@"
  if [ ${#targets[@]} -gt 0 ]; then
    cmake --build "$b" -j "$jobs" --target "${targets[@]}"
  else
    cmake --build "$b" -j "$jobs"
    cmake --install "$b"
  fi
}

# Autotools project, configured for the cross host in its source folder.
autotools_configure() {
  ./configure --host=$host --prefix="$prefix" --disable-shared --enable-static \
    CC="$cc" CXX="$cxx" CFLAGS=-O2 CXXFLAGS=-O2 CPPFLAGS="-I$prefix/include" LDFLAGS="-L$prefix/lib" "$@"
}

install_files() {  # <destination under the prefix> <files...>
  local dest=$prefix/$1; shift
  mkdir -p "$dest" && cp "$@" "$dest/"
}

# --- The libraries: the smallest configuration that keeps what the program needs --------

build_zlib() {
  install_files include /usr/$host/include/zlib.h /usr/$host/include/zconf.h
  # libz.a only: the import library beside it would make the program need zlib1.dll.
  install_files lib /usr/$host/lib/libz.a
  install_files share/licenses/zlib "/usr/share/doc/$zlib_package/copyright"
}

build_libdeflate() {
  cd "$work/src/libdeflate"
  make -j "$jobs" CC="$cc" AR=$host-ar DISABLE_SHARED=1 libdeflatestatic.lib
  install_files include libdeflate.h
  mkdir -p "$prefix/lib" && cp libdeflatestatic.lib "$prefix/lib/libdeflate.a"
}

build_libjpeg_turbo() {
  # The library alone (its tools are built with it otherwise); SIMD through nasm.
  cmake_lib libjpeg-turbo --targets jpeg-static -- -DENABLE_SHARED=OFF -DWITH_TURBOJPEG=OFF \
    -DREQUIRE_SIMD=ON
  local b=$work/build/libjpeg-turbo
  install_files include "$b/jconfig.h" "$work"/src/libjpeg-turbo/{jpeglib.h,jmorecfg.h,jerror.h}
  install_files lib "$b/libjpeg.a"
}

build_libpng() {
  cmake_lib libpng1.6 -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF
}

build_giflib() {
  cd "$work/src/giflib"
  make -j "$jobs" CC="$cc" AR=$host-ar OFLAGS=-O2 libgif.a
  install_files include gif_lib.h
  install_files lib libgif.a
}

build_libimagequant() {
  cd "$work/src/libimagequant"
  # No SSE, as Debian builds it for i386; no OpenMP (its runtime would be one more DLL).
  ./configure --prefix="$prefix" --disable-sse CC="$cc"
  make -j "$jobs" AR=$host-ar static
  install_files include libimagequant.h
  install_files lib libimagequant.a
}

build_libwebp() {
  cmake_lib libwebp -DWEBP_BUILD_ANIM_UTILS=OFF -DWEBP_BUILD_CWEBP=OFF -DWEBP_BUILD_DWEBP=OFF \
    -DWEBP_BUILD_GIF2WEBP=OFF -DWEBP_BUILD_IMG2WEBP=OFF -DWEBP_BUILD_VWEBP=OFF \
    -DWEBP_BUILD_WEBPINFO=OFF -DWEBP_BUILD_WEBPMUX=OFF -DWEBP_BUILD_EXTRAS=OFF \
    -DWEBP_BUILD_LIBWEBPMUX=ON
}

build_tiff() {
  # Deflate (zlib and libdeflate), JPEG and WebP codecs; no tools, C++ API or docs.
  cmake_lib tiff -Dtiff-tools=OFF -Dtiff-tests=OFF -Dtiff-contrib=OFF -Dtiff-docs=OFF \
    -Dcxx=OFF -Dzlib=ON -Dlibdeflate=ON -Djpeg=ON -Dwebp=ON -Djpeg12=OFF -Djbig=OFF \
    -Dlerc=OFF -Dlzma=OFF -Dzstd=OFF
}

build_lcms2() {
  cd "$work/src/lcms2"
  autotools_configure --without-jpeg --without-tiff --without-zlib
  make -j "$jobs" -C src install
  make -C include install
  make install-pkgconfigDATA
}

build_expat() {
  # The library only (its CMake project is in the expat folder of Debian's tree).
  cmake_lib expat/expat -DEXPAT_BUILD_TOOLS=OFF -DEXPAT_BUILD_EXAMPLES=OFF \
    -DEXPAT_BUILD_TESTS=OFF -DEXPAT_BUILD_DOCS=OFF -DEXPAT_SHARED_LIBS=OFF
}

build_exiv2() {
  # As Debian configures it, less the network, video, translations and programs.
  cmake_lib exiv2 -DEXIV2_ENABLE_XMP=ON -DEXIV2_ENABLE_PNG=ON -DEXIV2_ENABLE_BMFF=ON \
    -DEXIV2_ENABLE_NLS=OFF -DEXIV2_ENABLE_VIDEO=OFF -DEXIV2_ENABLE_WEBREADY=OFF \
    -DEXIV2_ENABLE_CURL=OFF -DEXIV2_BUILD_SAMPLES=OFF -DEXIV2_BUILD_EXIV2_COMMAND=OFF \
    -DEXIV2_BUILD_UNIT_TESTS=OFF -DEXIV2_BUILD_DOC=OFF -DEXPAT_ROOT="$prefix"
}

build_brotli() {
  # Its install builds the command-line tool and DLLs too: the static libraries alone,
  # under the names the other projects look for.
  cmake_lib brotli --targets brotlienc-static brotlidec-static -- -DBROTLI_DISABLE_TESTS=ON
  local b=$work/build/brotli lib
  mkdir -p "$prefix/include" "$prefix/lib"
  cp -r "$work/src/brotli/c/include/brotli" "$prefix/include/"
  for lib in common dec enc; do cp "$b/libbrotli$lib-static.a" "$prefix/lib/libbrotli$lib.a"; done
}

build_highway() {
  cmake_lib highway -DHWY_ENABLE_TESTS=OFF -DHWY_ENABLE_EXAMPLES=OFF -DHWY_ENABLE_CONTRIB=OFF \
    -DHWY_FORCE_STATIC_LIBS=ON
}

build_libjxl() {
  # The libraries alone, over the brotli, highway and Little CMS built here (as Debian).
  cmake_lib jpeg-xl -DJPEGXL_ENABLE_TOOLS=OFF -DJPEGXL_ENABLE_DEVTOOLS=OFF \
    -DJPEGXL_ENABLE_BENCHMARK=OFF -DJPEGXL_ENABLE_EXAMPLES=OFF -DJPEGXL_ENABLE_FUZZERS=OFF \
    -DJPEGXL_ENABLE_DOXYGEN=OFF -DJPEGXL_ENABLE_MANPAGES=OFF -DJPEGXL_ENABLE_JNI=OFF \
    -DJPEGXL_ENABLE_SJPEG=OFF -DJPEGXL_ENABLE_OPENEXR=OFF -DJPEGXL_ENABLE_PLUGINS=OFF \
    -DJPEGXL_ENABLE_TCMALLOC=OFF -DJPEGXL_ENABLE_SKCMS=OFF -DJPEGXL_BUNDLE_SKCMS=OFF \
    -DJPEGXL_FORCE_SYSTEM_BROTLI=ON -DJPEGXL_FORCE_SYSTEM_HWY=ON -DJPEGXL_FORCE_SYSTEM_LCMS2=ON
}

build_libde265() {
  cmake_lib libde265 -DENABLE_SDL=OFF -DENABLE_DECODER=OFF -DENABLE_ENCODER=OFF
}

build_dav1d() {
  # 8- and 16-bit pixels (10- and 12-bit AVIF), assembly through nasm.
  local b=$work/build/dav1d
  meson setup "$b" "$work/src/dav1d" --cross-file "$work/cross.meson" --prefix "$prefix" \
    --libdir lib --buildtype release --default-library static -Denable_tools=false \
    -Denable_tests=false -Denable_examples=false -Denable_docs=false
  ninja -C "$b" -j "$jobs" install
}

build_aom() {
  # The encoder only: dav1d decodes.
  cmake_lib aom -DCONFIG_AV1_DECODER=0 -DENABLE_DOCS=0 -DENABLE_EXAMPLES=0 -DENABLE_TESTS=0 \
    -DENABLE_TESTDATA=0 -DENABLE_TOOLS=0 -DENABLE_NASM=1
}

build_libheif() {
  # HEIC through libde265; AVIF through dav1d (decoding) and aom (encoding), built in.
  cmake_lib libheif -DWITH_LIBDE265=ON -DWITH_DAV1D=ON -DWITH_AOM_ENCODER=ON \
    -DWITH_AOM_DECODER=OFF -DWITH_X265=OFF -DWITH_RAV1E=OFF -DWITH_SvtEnc=OFF \
    -DWITH_EXAMPLES=OFF -DWITH_GDK_PIXBUF=OFF -DENABLE_PLUGIN_LOADING=OFF -DWITH_FUZZERS=OFF
}

# --- Putting it together --------------------------------------------------------------

build_all() {
  local total=$SECONDS l pkg fn t version
  local -A versions
  while read -r pkg version; do versions[$pkg]=$version; done < "$work/resolved.txt"
  write_build_files
  build_zlib
  for l in "${libraries[@]}"; do
    pkg=$(field "$l" 0); fn=$(field "$l" 2); t=$SECONDS
    version=${versions[$pkg]}
    # In the background so that set -e holds inside (it is off on the left of ||).
    $fn >"$work/build-$pkg.log" 2>&1 &
    if ! wait $!; then
      tail -n 40 "$work/build-$pkg.log" >&2
      die "building $pkg $version failed (log: $work/build-$pkg.log)"
    fi
    t=$((SECONDS - t))
    printf '  %-14s %-22s %2dm%02ds\n' "$pkg" "$version" $((t / 60)) $((t % 60)) >&2
  done
  t=$((SECONDS - total))
  printf '  %-37s %2dm%02ds\n' "all libraries" $((t / 60)) $((t % 60)) >&2
}

# The prefix keeps headers, static libraries and their descriptions: no programs, DLLs,
# manuals or docs; paths written while it was the .partial folder point to its final name.
finish_prefix() {
  rm -rf "${prefix:?}/bin" "$prefix/share/man" "$prefix/share/doc" "$prefix/share/thumbnailers"
  find "$prefix/lib" -name '*.la' -delete
  grep -rlI --null -F "$prefix" "$prefix" | xargs -0 -r sed -i "s|$prefix|$final|g"
  { cat "$work/resolved.txt"; dpkg-query -W -f='${Package} ${Version}\n' "$zlib_package" "${toolchain_packages[@]}"; } \
    > "$prefix/versions.txt"
  cp "$work/fallbacks.txt" "$prefix/fallbacks.txt"
}

main() {
  [ "${ORVENNA_NICE:-0}" = 1 ] && renice -n 19 $$ >/dev/null
  # The Linux build's -dev packages the versions are read from (build-windows.sh installs
  # the compilers and build tools from packages-windows.txt).
  "$here/install-deps.sh" <(dev_packages) >&2
  local tool
  for tool in "$cc" "$cxx" nasm meson ninja cmake pkg-config dpkg-source; do
    command -v "$tool" >/dev/null ||
      die "$tool is missing: run scripts/install-deps.sh scripts/packages-windows.txt"
  done
  local key
  key=$(cache_key)
  final=$cache/$key
  mkdir -p "$cache"
  # One build at a time; a second caller waits for it and takes its result. Every build
  # happens in the same two folders, whatever its key, so that ccache finds the objects of
  # an earlier key's build (after a security update of one library, say) under the same paths.
  exec 9>"$cache/build.lock"
  flock 9
  if [ ! -d "$final" ]; then
    say "Building the Windows picture libraries into $final (about 25 minutes on 2 cores)"
    prefix=$cache/building.prefix
    work=$cache/building.work
    apt_dir=$cache/apt
    downloads=$cache/downloads
    rm -rf "$prefix" "$work"
    mkdir -p "$prefix" "$work"
    export PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig PKG_CONFIG_PATH=
    export CCACHE_BASEDIR=$cache
    fetch_sources
    build_all
    finish_prefix
    mv "$prefix" "$final"
    rm -rf "$work"
    say "Prefix size: $(du -sh "$final" | cut -f1)"
  fi
  echo "$final"
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then main "$@"; fi
