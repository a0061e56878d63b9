# Sourced by the scripts: a Wine prefix of the build's own and a virtual display of
# its own. Call wine_env_start BUILD_DIR; wine_env_stop ends only what it started.
# shellcheck shell=bash

# Starts Xvfb on the first free display number from 91 and exports DISPLAY;
# its process id is left in WINE_ENV_XVFB_PID.
start_virtual_display() {
  local n=91
  while :; do
    while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    WINE_ENV_XVFB_PID=$!
    for _ in $(seq 1 100); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.05; done
    sleep 0.2
    # another run may have taken the same number a moment earlier: try the next
    if kill -0 "$WINE_ENV_XVFB_PID" 2>/dev/null && [ -e "/tmp/.X11-unix/X$n" ]; then break; fi
    wait "$WINE_ENV_XVFB_PID" 2>/dev/null || true
    n=$((n + 1))
  done
  export DISPLAY=":$n"
}

wine_env_start() {
  local build_dir=$1
  export WINEPREFIX="$build_dir/wineprefix"
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  export WINEARCH=win64
  WINE_ENV_XVFB_PID=""

  if [ -z "${DISPLAY:-}" ] || [ "${TARVIX_OWN_DISPLAY:-1}" = 1 ]; then
    start_virtual_display
  fi

  # a server left from an interrupted run would keep the display it started on
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "creating Wine prefix in $WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
    # without a window manager every closing top-level window costs ~2 s
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
    wineserver -k || true
    wineserver -w || true
  fi
  # a persistent server keeps services alive between the test processes
  wineserver -p
  wine reg query 'HKLM\Software' >/dev/null 2>&1 || true
}

wine_env_stop() {
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  if [ -n "${WINE_ENV_XVFB_PID:-}" ]; then
    kill "$WINE_ENV_XVFB_PID" 2>/dev/null || true
    wait "$WINE_ENV_XVFB_PID" 2>/dev/null || true
  fi
}
