#!/usr/bin/env bash
# Builds the codec libraries (libjpeg-turbo, libpng, libtiff, OpenJPEG) for the native
# sanitizer build from the same Debian source packages as the Windows dependencies, with
# AddressSanitizer and libFuzzer's coverage instrumentation, as static libraries in
# $TAVISCO_HOST_CODECS. The host build's tests and fuzz targets link these instead of the
# system's uninstrumented libraries, so that a codec writing past one of our buffers is
# caught, and the fuzzer steers by the codecs' branches too. Called by scripts/setup; the
# prefix name carries a hash of this file, so editing the recipe rebuilds them once.
set -euo pipefail
source "$(dirname "$0")/common.sh"

SRC=$TAVISCO_CACHE/src  # shared with scripts/deps.sh
WORK=$TAVISCO_CACHE/work-host
STAGE=$TAVISCO_HOST_CODECS.partial

PACKAGES=(libjpeg-turbo libpng1.6 tiff openjpeg2)

# Instrumented code throughout: no assembly (libjpeg-turbo's SIMD, libpng's NEON/SSE
# paths), which the sanitizer cannot see into. AddressSanitizer only: undefined behaviour
# inside the libraries is theirs to fix, not a failure of this project's tests.
FLAGS="-O1 -g -fno-omit-frame-pointer -fsanitize=address -fsanitize=fuzzer-no-link"

fetch() { # fetch PKG: .dsc and tarballs into $SRC/PKG (newest, else the release's)
  local pkg=$1 dir=$SRC/$1
  if ls "$dir"/*.dsc >/dev/null 2>&1; then return; fi
  rm -rf "$dir.tmp" && mkdir -p "$dir.tmp"
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

cmake_host() { # cmake_host SRCDIR BUILDDIR [options...]
  local src=$1 bld=$2; shift 2
  cmake -S "$src" -B "$bld" -G Ninja \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=None -DCMAKE_C_FLAGS="$FLAGS" -DCMAKE_CXX_FLAGS="$FLAGS" \
    -DCMAKE_INSTALL_PREFIX="$STAGE" \
    -DCMAKE_INSTALL_LIBDIR:PATH=lib \
    -DCMAKE_PREFIX_PATH="$STAGE" \
    -DBUILD_SHARED_LIBS=OFF \
    "$@" >"$bld.log" 2>&1 || { tail -40 "$bld.log"; die "configure failed: $src"; }
  cmake --build "$bld" -j "$TAVISCO_JOBS" >>"$bld.log" 2>&1 || { tail -40 "$bld.log"; die "build failed: $src"; }
  cmake --install "$bld" >>"$bld.log" 2>&1 || die "install failed: $src"
}

build_jpeg() {
  local t; t=$(unpack libjpeg-turbo)
  cmake_host "$t" "$WORK/libjpeg-turbo/build" \
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF \
    -DWITH_JPEG7=OFF -DWITH_JPEG8=OFF
}

build_png() {
  local t; t=$(unpack libpng1.6)
  cmake_host "$t" "$WORK/libpng1.6/build" \
    -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DSKIP_INSTALL_PROGRAMS=ON \
    -DSKIP_INSTALL_EXECUTABLES=ON -DPNG_BUILD_ZLIB=OFF -DPNG_HARDWARE_OPTIMIZATIONS=OFF
}

build_tiff() {
  local t; t=$(unpack tiff)
  cmake_host "$t" "$WORK/tiff/build" \
    -Dtiff-tools=OFF -Dtiff-tests=OFF -Dtiff-contrib=OFF -Dtiff-docs=OFF -Dtiff-opengl=OFF \
    -Dcxx=OFF -Dzlib=ON -Djpeg=ON -Dold-jpeg=ON -Djpeg12=OFF -Dpixarlog=ON \
    -Dlzma=OFF -Dzstd=OFF -Dwebp=OFF -Djbig=OFF -Dlerc=OFF -Dlibdeflate=OFF \
    -DJPEG_INCLUDE_DIR="$STAGE/include" -DJPEG_LIBRARY="$STAGE/lib/libjpeg.a"
  grep -q "#define JPEG_SUPPORT 1" "$WORK/tiff/build/libtiff/tiffconf.h" ||
    die "libtiff was configured without JPEG"
}

build_openjpeg() {
  local t; t=$(unpack openjpeg2)
  cmake_host "$t" "$WORK/openjpeg2/build" \
    -DBUILD_STATIC_LIBS=ON -DBUILD_CODEC=OFF -DBUILD_TESTING=OFF -DBUILD_DOC=OFF \
    -DBUILD_JPIP=OFF -DBUILD_JAVA=OFF
}

main() {
  [ -f "$TAVISCO_HOST_CODECS/.complete" ] && { log "host codecs ready in $TAVISCO_HOST_CODECS"; return; }
  log "building the instrumented host codecs into $TAVISCO_HOST_CODECS"
  mkdir -p "$SRC" "$WORK"
  for p in "${PACKAGES[@]}"; do fetch "$p"; done
  rm -rf "$STAGE"
  mkdir -p "$STAGE"
  local step
  for step in jpeg png tiff openjpeg; do
    local t0=$SECONDS
    "build_$step"
    log "  $step built in $((SECONDS - t0)) s"
  done
  rm -rf "$TAVISCO_HOST_CODECS" "${WORK:?}"
  touch "$STAGE/.complete"
  mv "$STAGE" "$TAVISCO_HOST_CODECS"
  # Prefixes of older recipes are of no further use.
  find "$TAVISCO_CACHE" -maxdepth 1 -name "codecs-host-*" ! -path "$TAVISCO_HOST_CODECS" \
    -exec rm -rf {} + 2>/dev/null || true
  log "host codecs ready in $TAVISCO_HOST_CODECS ($(du -sh "$TAVISCO_HOST_CODECS" | cut -f1))"
}

main "$@"
