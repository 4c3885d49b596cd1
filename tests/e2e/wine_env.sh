# Sourced by scripts: one Xvfb and one base Wine prefix for a whole test run.
# wine_env_start DIR exports DISPLAY, WINEPREFIX, HOME and VELMORA_BASE_PREFIX.

wine_env_start() {
  local dir=$1
  mkdir -p "$dir"
  export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  local n
  for n in $(seq 90 130); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then break; fi
  done
  Xvfb ":$n" -screen 0 1280x720x24 -nolisten tcp >"$dir/xvfb.log" 2>&1 &
  WINE_ENV_XVFB=$!
  export DISPLAY=":$n"
  for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

  export HOME="$dir/home" WINEPREFIX="$dir/prefix"
  export VELMORA_BASE_PREFIX="$WINEPREFIX"
  mkdir -p "$HOME"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i >/dev/null 2>&1
    wineserver -w
  fi
  wineserver -p >/dev/null 2>&1 </dev/null
  wine cmd /c exit >/dev/null 2>&1 </dev/null || true
}

wine_env_stop() {
  wineserver -k >/dev/null 2>&1 || true
  [ -n "${WINE_ENV_XVFB:-}" ] && kill "$WINE_ENV_XVFB" 2>/dev/null || true
}
