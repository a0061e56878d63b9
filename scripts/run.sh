#!/usr/bin/env bash
# Builds the program and opens it under Wine in a demo prefix of its own; see usage below.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
prefix=$build/demo-prefix
screenshot=$build/screenshots/home.png

usage() {
  cat <<USAGE
Usage: scripts/run.sh [--help]

Installs what is missing (apt-get), builds Tarvix Mini and runs it under Wine in a demo
Wine prefix of its own, $prefix, where the services it manages
exist as demo services with Windows' usual start types and states.

With a display (DISPLAY set), the window opens there; the script returns when you close
the window. Without one (or with TARVIX_OWN_DISPLAY=1), it starts a virtual display,
saves a screenshot of the window once it is painted, closes the window, and prints the
screenshot's path ($screenshot).

The demo prefix is kept between runs. Each run puts the demo services back as Windows
usually has them; the settings that the program saved under
HKEY_LOCAL_MACHINE\\SOFTWARE\\TarvixMini stay. To start afresh, delete the prefix:
  rm -rf $prefix
USAGE
}

case "${1:-}" in
  "") ;;
  -h | --help) usage; exit 0 ;;
  *) usage >&2; exit 2 ;;
esac

# shellcheck source=scripts/build-env.sh
source "$root/scripts/build-env.sh"
# shellcheck source=scripts/wine-env.sh
source "$root/scripts/wine-env.sh"
trap wine_env_stop EXIT

"$root/scripts/install-deps.sh"
build_with_preset "$root" "$build" TarvixMini TestService TarvixShot

if [ "${TARVIX_OWN_DISPLAY:-0}" = 1 ]; then wine_env_start "$prefix" own; else wine_env_start "$prefix" user; fi
echo "demo services:"
"$root/scripts/demo-services.sh" "$build/TestService.exe"

if [ "$WINE_ENV_VIRTUAL" = 0 ]; then
  echo "opening Tarvix Mini on $DISPLAY; close its window to end"
  status=0
  wine "$build/TarvixMini.exe" || status=$?
  echo "the program ended with exit code $status"
  exit "$status"
fi

# A virtual display: TarvixShot starts the program, saves the painted window and closes
# that window with WM_CLOSE.
mkdir -p "$(dirname "$screenshot")"
rm -f "$screenshot"
status=0
(cd "$build" && wine TarvixShot.exe 'screenshots\home.png') 2>&1 | tr -d '\r' >&2 || status=$?
if [ ! -s "$screenshot" ]; then
  echo "no screenshot could be taken (TarvixShot ended with exit code $status)" >&2
  exit 1
fi
if [ "$status" != 0 ]; then
  echo "the screenshot was taken, but the program did not end cleanly (exit code $status): $screenshot" >&2
  exit 1
fi
echo "$screenshot"
