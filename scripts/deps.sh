#!/usr/bin/env bash
# Cross-builds the third-party libraries as static Windows x64 libraries from Debian's
# source packages into $TAVISCO_DEPS. Called by scripts/setup; the prefix name carries a
# hash of this file, so editing the recipe rebuilds everything once.
set -euo pipefail
source "$(dirname "$0")/common.sh"

TOOLCHAIN=$TAVISCO_ROOT/cmake/mingw-w64-x86_64.cmake
SRC=$TAVISCO_CACHE/src
WORK=$TAVISCO_CACHE/work
STAGE=$TAVISCO_DEPS.partial
MINGW=/usr/$TAVISCO_TRIPLE

# Source package name and the folder dpkg-source unpacks it to (glob).
PACKAGES=(libjpeg-turbo libpng1.6 tiff openjpeg2 sqlite3 opencv)

fetch() { # fetch PKG: .dsc and tarballs into $SRC/PKG (newest, else the release's)
  local pkg=$1 dir=$SRC/$1
  if ls "$dir"/*.dsc >/dev/null 2>&1; then return; fi
  rm -rf "$dir.tmp" && mkdir -p "$dir.tmp"
  # A .dsc in the security pool may be gone while the index still lists it.
  if ! (cd "$dir.tmp" && apt-get source --download-only -qq "$pkg" >/dev/null 2>&1); then
    rm -rf "$dir.tmp" && mkdir -p "$dir.tmp"
    (cd "$dir.tmp" && apt-get source --download-only -qq "$pkg/bookworm" >/dev/null) ||
      die "cannot download the source package $pkg"
  fi
  rm -rf "$dir" && mv "$dir.tmp" "$dir"
}

unpack() { # unpack PKG: Debian's patched tree in $WORK/PKG; prints its path
  local pkg=$1
  rm -rf "${WORK:?}/$pkg" && mkdir -p "$WORK/$pkg"
  (cd "$WORK/$pkg" && dpkg-source --no-check -x "$SRC/$pkg"/*.dsc tree >/dev/null 2>&1) ||
    die "cannot unpack $pkg"
  echo "$WORK/$pkg/tree"
}

cmake_cross() { # cmake_cross SRCDIR BUILDDIR [options...]
  local src=$1 bld=$2; shift 2
  cmake -S "$src" -B "$bld" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
    -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$STAGE" \
    -DCMAKE_INSTALL_LIBDIR:PATH=lib \
    -DCMAKE_PREFIX_PATH="$STAGE" \
    -DCMAKE_FIND_ROOT_PATH="$MINGW;$STAGE" \
    -DBUILD_SHARED_LIBS=OFF \
    -DZLIB_USE_STATIC_LIBS=ON \
    -DZLIB_ROOT="$MINGW" \
    "$@" >"$bld.log" 2>&1 || { tail -40 "$bld.log"; die "configure failed: $src"; }
  cmake --build "$bld" -j "$TAVISCO_JOBS" >>"$bld.log" 2>&1 || { tail -40 "$bld.log"; die "build failed: $src"; }
  cmake --install "$bld" >>"$bld.log" 2>&1 || die "install failed: $src"
}

build_jpeg() {
  local t; t=$(unpack libjpeg-turbo)
  cmake_cross "$t" "$WORK/libjpeg-turbo/build" \
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=ON -DWITH_TURBOJPEG=OFF \
    -DWITH_JPEG7=OFF -DWITH_JPEG8=OFF -DCMAKE_ASM_NASM_COMPILER=nasm
}

build_png() {
  local t; t=$(unpack libpng1.6)
  cmake_cross "$t" "$WORK/libpng1.6/build" \
    -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DSKIP_INSTALL_PROGRAMS=ON \
    -DSKIP_INSTALL_EXECUTABLES=ON -DPNG_BUILD_ZLIB=OFF
}

build_tiff() {
  local t; t=$(unpack tiff)
  cmake_cross "$t" "$WORK/tiff/build" \
    -Dtiff-tools=OFF -Dtiff-tests=OFF -Dtiff-contrib=OFF -Dtiff-docs=OFF -Dtiff-opengl=OFF \
    -Dcxx=OFF -Dzlib=ON -Djpeg=ON -Dold-jpeg=ON -Djpeg12=OFF -Dpixarlog=ON \
    -Dlzma=OFF -Dzstd=OFF -Dwebp=OFF -Djbig=OFF -Dlerc=OFF -Dlibdeflate=OFF \
    -DJPEG_INCLUDE_DIR="$STAGE/include" -DJPEG_LIBRARY="$STAGE/lib/libjpeg.a"
  grep -q "#define JPEG_SUPPORT 1" "$WORK/tiff/build/libtiff/tiffconf.h" ||
    die "libtiff was configured without JPEG"
}

build_openjpeg() {
  local t; t=$(unpack openjpeg2)
  cmake_cross "$t" "$WORK/openjpeg2/build" \
    -DBUILD_STATIC_LIBS=ON -DBUILD_CODEC=OFF -DBUILD_TESTING=OFF -DBUILD_DOC=OFF \
    -DBUILD_JPIP=OFF -DBUILD_JAVA=OFF
}

build_sqlite() {
  # The source package holds the full tree: make the amalgamation with the build
  # machine's compiler and tclsh, then compile that one file for Windows.
  local t; t=$(unpack sqlite3)
  mkdir -p "$WORK/sqlite3/host"
  (cd "$WORK/sqlite3/host" && "$t/configure" --disable-tcl >configure.log 2>&1 &&
    make -j "$TAVISCO_JOBS" sqlite3.c >make.log 2>&1) || die "cannot make the SQLite amalgamation"
  local h=$WORK/sqlite3/host
  "$TAVISCO_TRIPLE-gcc-posix" -O2 -DSQLITE_OS_WIN=1 -DSQLITE_THREADSAFE=1 \
    -DSQLITE_OMIT_LOAD_EXTENSION -c "$h/sqlite3.c" -o "$h/sqlite3.o"
  # The build must have chosen the Windows OS layer.
  local syms; syms=$("$TAVISCO_TRIPLE-nm" "$h/sqlite3.o")
  grep -q ' T sqlite3_win32_is_nt' <<<"$syms" ||
    die "SQLite was not built with its Windows OS layer"
  mkdir -p "$STAGE/lib" "$STAGE/include"
  rm -f "$STAGE/lib/libsqlite3.a"
  "$TAVISCO_TRIPLE-ar" rcs "$STAGE/lib/libsqlite3.a" "$h/sqlite3.o"
  cp "$h/sqlite3.h" "$h/sqlite3ext.h" "$STAGE/include/"
}

build_opencv() {
  local t; t=$(unpack opencv)
  # Debian's tarball has no 3rdparty/ folder: every bundled library stays off, and
  # nothing may be downloaded at configure time.
  cmake_cross "$t" "$WORK/opencv/build" \
    -DBUILD_LIST=core,imgproc,objdetect,video \
    -DBUILD_TESTS=OFF -DBUILD_PERF_TESTS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_DOCS=OFF \
    -DBUILD_opencv_apps=OFF -DBUILD_JAVA=OFF -DBUILD_opencv_python3=OFF \
    -DBUILD_opencv_python2=OFF -DBUILD_opencv_js=OFF -DBUILD_opencv_world=OFF \
    -DBUILD_ZLIB=OFF -DBUILD_PNG=OFF -DBUILD_JPEG=OFF -DBUILD_TIFF=OFF -DBUILD_WEBP=OFF \
    -DBUILD_OPENJPEG=OFF -DBUILD_JASPER=OFF -DBUILD_OPENEXR=OFF -DBUILD_PROTOBUF=OFF \
    -DBUILD_ITT=OFF -DBUILD_IPP_IW=OFF -DBUILD_TBB=OFF -DBUILD_CLAPACK=OFF \
    -DWITH_IPP=OFF -DWITH_ITT=OFF -DWITH_OPENCL=OFF -DWITH_PROTOBUF=OFF -DWITH_EIGEN=OFF \
    -DWITH_LAPACK=OFF -DWITH_ADE=OFF -DWITH_QUIRC=OFF -DWITH_OPENEXR=OFF -DWITH_JPEG=OFF \
    -DWITH_PNG=OFF -DWITH_TIFF=OFF -DWITH_WEBP=OFF -DWITH_OPENJPEG=OFF -DWITH_JASPER=OFF \
    -DWITH_IMGCODEC_HDR=OFF -DWITH_IMGCODEC_SUNRASTER=OFF -DWITH_IMGCODEC_PXM=OFF \
    -DWITH_IMGCODEC_PFM=OFF -DWITH_WIN32UI=OFF -DWITH_DSHOW=OFF -DWITH_MSMF=OFF \
    -DWITH_FFMPEG=OFF -DWITH_GSTREAMER=OFF -DWITH_VA=OFF -DWITH_OPENMP=OFF -DWITH_TBB=OFF \
    -DWITH_CAROTENE=OFF -DWITH_OPENVX=OFF -DWITH_VTK=OFF -DWITH_GTK=OFF -DWITH_QT=OFF \
    -DWITH_DIRECTX=OFF -DWITH_OBSENSOR=OFF -DWITH_1394=OFF -DWITH_HALIDE=OFF \
    -DWITH_CUDA=OFF -DWITH_VULKAN=OFF -DWITH_FLATBUFFERS=OFF -DWITH_TIMVX=OFF \
    -DOPENCV_GENERATE_PKGCONFIG=OFF -DCV_TRACE=OFF -DENABLE_PRECOMPILED_HEADERS=OFF \
    -DOPENCV_ENABLE_NONFREE=OFF -DINSTALL_CREATE_DISTRIB=OFF -DOPENCV_BIN_INSTALL_PATH=bin \
    -DOPENCV_LIB_INSTALL_PATH=lib -DOPENCV_CONFIG_INSTALL_PATH=lib/cmake/opencv4 \
    -DOPENCV_3P_LIB_INSTALL_PATH=lib/opencv4/3rdparty
}

build_gtest() {
  # GoogleTest and GoogleMock from Debian's googletest package (/usr/src/googletest).
  mkdir -p "$WORK/googletest"
  cmake_cross /usr/src/googletest "$WORK/googletest/build" \
    -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON -Dgtest_disable_pthreads=ON
}

build_cascades() {
  # Haar cascades of OpenCV's data package, used by the face tracker and its tests.
  mkdir -p "$STAGE/share/haarcascades"
  cp /usr/share/opencv4/haarcascades/*.xml "$STAGE/share/haarcascades/"
}

main() {
  [ -f "$TAVISCO_DEPS/.complete" ] && { log "dependencies ready in $TAVISCO_DEPS"; return; }
  log "building dependencies into $TAVISCO_DEPS"
  mkdir -p "$SRC" "$WORK"
  for p in "${PACKAGES[@]}"; do fetch "$p"; done
  rm -rf "$STAGE"
  mkdir -p "$STAGE"
  local step
  for step in jpeg png tiff openjpeg sqlite opencv gtest cascades; do
    local t0=$SECONDS
    "build_$step"
    log "  $step built in $((SECONDS - t0)) s"
  done
  rm -rf "$TAVISCO_DEPS" "${WORK:?}"
  touch "$STAGE/.complete"
  mv "$STAGE" "$TAVISCO_DEPS"
  # Prefixes of older recipes are of no further use.
  find "$TAVISCO_CACHE" -maxdepth 1 -name "deps-$TAVISCO_TRIPLE-*" ! -path "$TAVISCO_DEPS" \
    -exec rm -rf {} + 2>/dev/null || true
  log "dependencies ready in $TAVISCO_DEPS ($(du -sh "$TAVISCO_DEPS" | cut -f1))"
}

main "$@"
