# The Wine test harness: an Xvfb display, one persistent wineserver and the desktop, started
# once for a whole run and stopped by process id afterwards, also when the run fails. Sourced.

HARNESS_PIDS=()

harness_start() {
  tavisco_wine_env
  local dir; dir=$(mktemp -d "${TMPDIR:-/tmp}/tavisco-harness.XXXXXX")
  HARNESS_DIR=$dir
  trap harness_stop EXIT
  trap 'exit 130' INT TERM

  if [ "${TAVISCO_USE_DISPLAY:-0}" = 1 ] && [ -n "${DISPLAY:-}" ]; then
    log "using the display $DISPLAY"
  else
    # Xvfb picks a free display itself and writes its number once it accepts clients.
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset \
      3>"$dir/display" >"$dir/xvfb.log" 2>&1 &
    HARNESS_PIDS+=($!)
    local i
    for i in $(seq 1 100); do
      [ -s "$dir/display" ] && break
      kill -0 "${HARNESS_PIDS[-1]}" 2>/dev/null || { cat "$dir/xvfb.log" >&2; die "Xvfb did not start"; }
      sleep 0.1
    done
    [ -s "$dir/display" ] || die "Xvfb did not report its display"
    export DISPLAY=":$(tr -d '\n' <"$dir/display")"
    log "Xvfb on $DISPLAY"
  fi

  # One wineserver for the whole run; a warm-up start makes the first real run fast.
  "$WINESERVER" -f -p >"$dir/wineserver.log" 2>&1 &
  HARNESS_PIDS+=($!)
  "$WINE64" cmd /c exit >/dev/null 2>&1 || true

  # The desktop process is started here and kept open until the run ends: started by a test
  # program, it would hold that program's output open after it ended, and CTest would wait
  # for it (tests/harness/desktop_keeper.cpp).
  local keeper=$TAVISCO_ROOT/build/windows/bin/desktop_keeper.exe
  [ -f "$keeper" ] || die "$keeper is missing: build the windows preset first"
  "$WINE64" "$keeper" </dev/null >"$dir/desktop_keeper.out" 2>"$dir/desktop_keeper.log" &
  HARNESS_PIDS+=($!)
  for i in $(seq 1 300); do
    grep -q ready "$dir/desktop_keeper.out" 2>/dev/null && break
    kill -0 "${HARNESS_PIDS[-1]}" 2>/dev/null ||
      { cat "$dir/desktop_keeper.log" >&2; die "the desktop keeper did not start"; }
    sleep 0.1
  done
  grep -q ready "$dir/desktop_keeper.out" || die "the desktop keeper did not report the desktop"
}

harness_stop() {
  local pid
  if [ -n "${WINEPREFIX:-}" ]; then
    "$WINESERVER" -k >/dev/null 2>&1 || true
  fi
  for pid in "${HARNESS_PIDS[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  for pid in "${HARNESS_PIDS[@]}"; do
    wait "$pid" 2>/dev/null || true
  done
  HARNESS_PIDS=()
  [ -n "${HARNESS_DIR:-}" ] && rm -rf "$HARNESS_DIR"
  HARNESS_DIR=
}
