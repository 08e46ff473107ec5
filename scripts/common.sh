# Shared settings of the set-up, build, run and test scripts. Sourced, never run.
# Everything that outlives a checkout (the cross-built dependencies, the Wine prefix,
# downloaded sources) lives under TAVISCO_CACHE, outside the work tree.

TAVISCO_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
TAVISCO_CACHE=${TAVISCO_CACHE:-/var/cache/tavisco}
TAVISCO_JOBS=${TAVISCO_JOBS:-$(nproc)}
TAVISCO_TRIPLE=x86_64-w64-mingw32

# The dependency prefix is keyed by the recipe: any change to how the libraries are
# built gives a new prefix, an unchanged recipe finds the finished one.
tavisco_recipe_hash() {
  cat "$TAVISCO_ROOT/scripts/deps.sh" "$TAVISCO_ROOT/cmake/mingw-w64-x86_64.cmake" |
    sha256sum | cut -c1-16
}
TAVISCO_DEPS=${TAVISCO_DEPS:-$TAVISCO_CACHE/deps-$TAVISCO_TRIPLE-$(tavisco_recipe_hash)}
# The instrumented codecs of the native sanitizer build (scripts/host-codecs.sh), keyed
# by their own recipe.
TAVISCO_HOST_CODECS=${TAVISCO_HOST_CODECS:-$TAVISCO_CACHE/codecs-host-$(sha256sum "$TAVISCO_ROOT/scripts/host-codecs.sh" | cut -c1-16)}
export TAVISCO_ROOT TAVISCO_CACHE TAVISCO_DEPS TAVISCO_HOST_CODECS TAVISCO_JOBS

WINE64=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver64
[ -x "$WINESERVER" ] || WINESERVER=/usr/lib/wine/wineserver

# Wine: a private prefix, quiet, without the .NET and Gecko installers, and a HOME of
# its own whose ALSA configuration gives Wine a (null) audio device to open.
tavisco_wine_env() {
  export WINEPREFIX=${WINEPREFIX:-$TAVISCO_CACHE/wineprefix}
  export WINEDEBUG=${WINEDEBUG:--all}
  export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
  export WINEARCH=win64
  export HOME=$TAVISCO_CACHE/home
}

log() { printf '[%s] %s\n' "$(date +%H:%M:%S)" "$*" >&2; }
die() { log "error: $*"; exit 1; }
