#!/usr/bin/env bash
# Installs what is missing, builds the program, and opens it under Wine in a demo prefix
# of its own (build/demo-prefix), where the seven services it manages exist as demo
# services with Windows' usual start types and states.
#
# With a display (DISPLAY set) the window opens there and the script returns when it is
# closed. Without one (or with TARVIX_OWN_DISPLAY=1) it starts a virtual display of its
# own, waits until the window is painted, saves build/screenshots/home.png, closes the
# program, and prints the screenshot's path. Either way it stops what it started.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
screenshot=$build/screenshots/home.png
title='Tarvix Mini 4.4.1'

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DTARVIX_TESTS=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target TarvixMini TestService

export WINEPREFIX="$build/demo-prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64

xvfb_pid=""
app_pid=""
stop_all() {
  [ -z "$app_pid" ] || kill "$app_pid" 2>/dev/null || true
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
}
trap stop_all EXIT

# shellcheck source=scripts/wine-env.sh
source "$root/scripts/wine-env.sh"

own_display=0
if [ -z "${DISPLAY:-}" ] || [ "${TARVIX_OWN_DISPLAY:-0}" = 1 ]; then
  own_display=1
  start_virtual_display
  xvfb_pid=$WINE_ENV_XVFB_PID
fi

# Wine takes the screen size from the display its prefix session started on: a server
# left running by an interrupted run, or started on another display, would clip the window
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "creating the demo Wine prefix in $WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w
fi
# services run only while the prefix's server does: keep it until the end
wineserver -p
if [ "$own_display" = 1 ]; then
  # without a window manager, Wine would wait ~2 s whenever a top-level window closes
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
else
  wine reg delete 'HKCU\Software\Wine\X11 Driver' /v Managed /f >/dev/null 2>&1 || true
fi

echo "demo services:"
"$root/scripts/demo-services.sh" "$build/TestService.exe"

if [ "$own_display" = 0 ]; then
  echo "opening $title on $DISPLAY; close its window to end"
  status=0
  wine "$build/TarvixMini.exe" || status=$?
  echo "the program ended with exit code $status"
  exit "$status"
fi

# --- a virtual display of our own: wait for the painted window, save it, close it ---

# the colour of one pixel of an image, as ImageMagick names it: srgb(255,255,255)
pixel() { convert "$1" -format "%[pixel:p{$2,$3}]" info: 2>/dev/null || true; }

wine "$build/TarvixMini.exe" >/dev/null 2>&1 &
app_pid=$!

window=""
for _ in $(seq 1 150); do
  window=$(xdotool search --name "^${title//./\\.}\$" 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] && break
  kill -0 "$app_pid" 2>/dev/null || break
  sleep 0.2
done
if [ -z "$window" ]; then
  echo "the program's window did not appear" >&2
  exit 1
fi

# Painted when a sidebar pixel is white (the content behind the X window is black until
# the first WM_PAINT), and complete when two captures in a row are the same, so the
# child controls have painted themselves too. Window coordinates: frame included.
mkdir -p "$(dirname "$screenshot")"
capture=$build/screenshots/.capture.png
previous=$build/screenshots/.previous.png
painted=0
rm -f "$previous"
for _ in $(seq 1 100); do
  import -window "$window" "$capture" 2>/dev/null || true
  if [ "$(pixel "$capture" 100 500)" = "srgb(255,255,255)" ]; then
    if [ -f "$previous" ] && cmp -s "$capture" "$previous"; then
      painted=1
      break
    fi
    cp "$capture" "$previous"
  fi
  sleep 0.2
done
mv "$capture" "$screenshot"
rm -f "$previous"

# a plain taskkill posts WM_CLOSE to the program's windows, like the close box
wine taskkill /im TarvixMini.exe >/dev/null 2>&1 || true
status=""
for _ in $(seq 1 100); do
  if ! kill -0 "$app_pid" 2>/dev/null; then
    status=0
    wait "$app_pid" || status=$?
    app_pid=""
    break
  fi
  sleep 0.1
done

if [ "$painted" = 0 ]; then
  echo "the window was not painted in time; what it showed is in $screenshot" >&2
  exit 1
fi
if [ -z "$status" ]; then
  echo "the program did not end after WM_CLOSE" >&2
  exit 1
fi
if [ "$status" != 0 ]; then
  echo "the program ended with exit code $status" >&2
  exit 1
fi
echo "$screenshot"
