# One X display and one base Wine prefix for a whole test run, sourced by
# scripts/test.sh, scripts/demo.sh and scripts/bench_exit.sh.
#
#   source tests/e2e/wine_env.sh
#   wine_env_start DIR [reuse-display]
#                        # exports DISPLAY, WINEPREFIX, HOME, VELMORA_BASE_PREFIX;
#                        # with reuse-display an answering $DISPLAY is used
#                        # instead of a new Xvfb (the demo on a desktop);
#                        # WINE_ENV_SCREEN (WxH) sizes a new Xvfb
#   ...                  # ctest --preset win, or the harness
#   wine_env_stop
#
# The base prefix lives in DIR/prefix and is made once (wineboot -i, about 11 s);
# later runs reuse it while DIR/prefix/.velmora-ready names the same setup
# version. End-to-end scenarios copy it cheaply into their own prefixes.
#
# The display must accept connections before the first Wine process starts:
# Wine's desktop process reads the screen size once, and without a reachable
# display it settles for 1024 x 768, which every later window of that
# wineserver then reports as the screen. So the display is waited for with
# -displayfd, and a display that does not answer stops the run.

WINE_ENV_SETUP_VERSION=4

wine_env_fail() {
  echo "wine_env: $*" >&2
  return 1
}

# Starts Xvfb on a free display and sets WINE_ENV_XVFB (its pid) and
# WINE_ENV_DISPLAY (":N") once it accepts clients. Xvfb writes the number to
# -displayfd only when it is ready.
wine_env_xvfb() {
  local dir=$1 size=${2:-1280x720}
  local numfile="$dir/xvfb.display"
  rm -f "$numfile"
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset 3>"$numfile" >"$dir/xvfb.log" 2>&1 </dev/null &
  WINE_ENV_XVFB=$!
  local number="" _
  for _ in $(seq 200); do
    number=$(head -n1 "$numfile" 2>/dev/null)
    [ -n "$number" ] && break
    kill -0 "$WINE_ENV_XVFB" 2>/dev/null || break
    sleep 0.1
  done
  if [ -z "$number" ] || ! DISPLAY=":$number" xdpyinfo >/dev/null 2>&1; then
    kill "$WINE_ENV_XVFB" 2>/dev/null
    WINE_ENV_XVFB=""
    wine_env_fail "Xvfb did not start; see $dir/xvfb.log"
    return 1
  fi
  WINE_ENV_DISPLAY=":$number"
}

# Crashes must end the process with a failing code instead of starting winedbg,
# and the fonts the saver draws with must resolve to installed fonts. Xvfb has
# no window manager: a managed window (the full-screen saver is one) then waits
# 2 s for a withdrawal that never comes each time it is hidden, so Wine is told
# to manage none.
wine_env_configure_prefix() {
  local fonts="$WINEPREFIX/drive_c/windows/Fonts"
  cp -f /usr/share/wine/fonts/* "$fonts/" 2>/dev/null || true
  local regfile="$WINEPREFIX/drive_c/velmora-setup.reg"
  cat >"$regfile" <<'EOF'
Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\AeDebug]
"Debugger"=""
"Auto"="0"

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"Georgia"="DejaVu Serif"
"Microsoft Sans Serif"="Liberation Sans"
"MS Shell Dlg"="Liberation Sans"
"MS Shell Dlg 2"="Liberation Sans"
"Tahoma"="Liberation Sans"
"Arial"="Liberation Sans"
"Times New Roman"="Liberation Serif"
"Courier New"="Liberation Mono"

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"
EOF
  wine regedit /S 'C:\velmora-setup.reg' >/dev/null 2>&1 </dev/null || return 1
  rm -f "$regfile"
}

wine_env_start() {
  local dir=$1 display_mode=${2:-}
  mkdir -p "$dir"
  dir=$(cd "$dir" && pwd)
  export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

  WINE_ENV_XVFB=""
  if [ "$display_mode" = reuse-display ] && [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    echo "== wine: using the display $DISPLAY"
  else
    wine_env_xvfb "$dir" "${WINE_ENV_SCREEN:-1280x720}" || return 1
    export DISPLAY=$WINE_ENV_DISPLAY
  fi

  # A fresh HOME each run: the base prefix's user folders point into it.
  export HOME="$dir/home" WINEPREFIX="$dir/prefix"
  export VELMORA_BASE_PREFIX="$WINEPREFIX"
  rm -rf "$HOME"
  mkdir -p "$HOME"
  if [ "$(cat "$WINEPREFIX/.velmora-ready" 2>/dev/null)" != "$WINE_ENV_SETUP_VERSION" ]; then
    echo "== wine: making the base prefix in $WINEPREFIX"
    wineserver -k >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 </dev/null || wine_env_fail "wineboot -i failed" || return 1
    wine_env_configure_prefix || wine_env_fail "could not configure the prefix" || return 1
    # The registry reaches the .reg files only when the server ends; scenario
    # copies are taken from those files.
    wineserver -w
    echo "$WINE_ENV_SETUP_VERSION" >"$WINEPREFIX/.velmora-ready"
  fi
  # A persistent server keeps each Wine test well under a second. It must be
  # started here, outside CTest: its children would inherit CTest's pipes. A
  # server left from an earlier run may serve another display, so it goes first.
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  wineserver -p >/dev/null 2>&1 </dev/null
  wine cmd /c exit >/dev/null 2>&1 </dev/null || true
}

wine_env_stop() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "${WINE_ENV_XVFB:-}" ]; then
    kill "$WINE_ENV_XVFB" 2>/dev/null || true
    WINE_ENV_XVFB=""
  fi
}
