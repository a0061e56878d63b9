#!/usr/bin/env bash
# Installs what is missing, builds the program and its tests, and runs every test
# under Wine in the build's own prefix (build/wineprefix), on a virtual display of its
# own. Extra arguments go to ctest.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}

# shellcheck source=scripts/build-env.sh
source "$root/scripts/build-env.sh"
# shellcheck source=scripts/wine-env.sh
source "$root/scripts/wine-env.sh"
trap wine_env_stop EXIT

"$root/scripts/install-deps.sh"
build_with_preset "$root" "$build"

wine_env_start "$build/wineprefix"
(cd "$build" && ctest --output-on-failure "$@")
