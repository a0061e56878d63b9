# Sourced by the scripts: a Wine prefix of the build's own on a display of its own.
#
#   trap wine_env_stop EXIT          # first, so that whatever is started gets ended
#   wine_env_start PREFIX [own|user]
#
# own (the default): a virtual display of its own, even when DISPLAY is set; user: the
# display in DISPLAY, or a virtual one when there is none. wine_env_start exports
# WINEPREFIX, DISPLAY and Wine's settings, creates the prefix when it is missing, gives
# it the settings below at every start, and keeps its server running (services live only
# as long as it does). WINE_ENV_VIRTUAL is 1 on a virtual display, and WINE_ENV_XVFB_PID
# its Xvfb. wine_env_stop ends only what wine_env_start started.
# shellcheck shell=bash

WINE_ENV_PREFIX=""
WINE_ENV_XVFB_PID=""
WINE_ENV_VIRTUAL=0

# The fonts that stand in for the window's "Segoe UI" and "Segoe UI Symbol", which only
# Windows has; scripts/install-deps.sh installs them. Without a replacement, Wine picks a
# font by what the machine happens to have: glyphs go missing and texts get clipped.
WINE_ENV_UI_FONT="Liberation Sans"
WINE_ENV_SYMBOL_FONT="DejaVu Sans"

# Starts Xvfb on the first free display number from 91 and exports DISPLAY; gives up
# after display :130.
start_virtual_display() {
  local n
  if ! command -v Xvfb >/dev/null; then
    echo "Xvfb is not installed (scripts/install-deps.sh installs it)" >&2
    return 1
  fi
  for n in $(seq 91 130); do
    if [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; then continue; fi
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    WINE_ENV_XVFB_PID=$!
    for _ in $(seq 1 100); do
      [ -e "/tmp/.X11-unix/X$n" ] && break
      kill -0 "$WINE_ENV_XVFB_PID" 2>/dev/null || break
      sleep 0.05
    done
    sleep 0.2
    # another run may have taken the same number a moment earlier: then try the next
    if kill -0 "$WINE_ENV_XVFB_PID" 2>/dev/null && [ -e "/tmp/.X11-unix/X$n" ]; then
      export DISPLAY=":$n"
      WINE_ENV_VIRTUAL=1
      return 0
    fi
    wait "$WINE_ENV_XVFB_PID" 2>/dev/null || true
    WINE_ENV_XVFB_PID=""
  done
  echo "no virtual display could be started: the display numbers :91 to :130 are taken or Xvfb fails" >&2
  return 1
}

# The prefix's settings, applied at every start so that an older prefix gets them too.
# Without a window manager (a virtual display) Wine would wait ~2 s whenever a top-level
# window closes; Managed=N removes the wait. On the user's display the window manager
# frames the window as usual.
apply_prefix_settings() {
  local managed='"Managed"=-'
  [ "$WINE_ENV_VIRTUAL" = 0 ] || managed='"Managed"="N"'
  cat >"$WINEPREFIX/tarvix-settings.reg" <<EOF
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]
"Segoe UI"="$WINE_ENV_UI_FONT"
"Segoe UI Symbol"="$WINE_ENV_SYMBOL_FONT"

[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]
$managed
EOF
  # the prefix's drive Z: is the Linux root
  if ! wine reg import "Z:${WINEPREFIX//\//\\}\\tarvix-settings.reg" >/dev/null 2>&1; then
    echo "the settings of the Wine prefix $WINEPREFIX could not be written" >&2
    return 1
  fi
}

wine_env_start() {
  local prefix=$1 display=${2:-own}
  WINE_ENV_PREFIX=$prefix
  export WINEPREFIX=$prefix
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  export WINEARCH=win64

  WINE_ENV_VIRTUAL=0
  if [ "$display" = own ] || [ -z "${DISPLAY:-}" ]; then start_virtual_display; fi

  # Wine takes the screen from the display its server started on: end a server left
  # from an interrupted run or started on another display
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "creating the Wine prefix $WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    # a fresh server afterwards: the service manager that wineboot started can hold its
    # database lock for many seconds (error 1055)
    wineserver -w
  fi
  wineserver -p
  apply_prefix_settings
}

wine_env_stop() {
  if [ -n "$WINE_ENV_PREFIX" ]; then
    WINEPREFIX=$WINE_ENV_PREFIX wineserver -k 2>/dev/null || true
    WINEPREFIX=$WINE_ENV_PREFIX wineserver -w 2>/dev/null || true
    WINE_ENV_PREFIX=""
  fi
  if [ -n "$WINE_ENV_XVFB_PID" ]; then
    kill "$WINE_ENV_XVFB_PID" 2>/dev/null || true
    wait "$WINE_ENV_XVFB_PID" 2>/dev/null || true
    WINE_ENV_XVFB_PID=""
  fi
}
