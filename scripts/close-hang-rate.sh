#!/usr/bin/env bash
# The close test of the screen readers, at length: TARVIX_CLOSE_ROUNDS (120) closes of the
# program while readers hammer the system's objects it handed out (and one never lets go),
# each beside the reference window (bench/Reference.cpp) closed at the same moment under
# the same readers. Prints both hang rates. A close of the reference that hangs is the
# system's own teardown (Wine 8: about one in sixty); the program's rate should not be
# clearly above it. Builds first, runs in the tests' prefix on a display of its own; not
# part of CI (the CI run of the same test is three rounds, failing only on a close that
# is still in the program's own code).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
rounds=${TARVIX_CLOSE_ROUNDS:-120}

# shellcheck source=scripts/build-env.sh
source "$root/scripts/build-env.sh"
# shellcheck source=scripts/wine-env.sh
source "$root/scripts/wine-env.sh"
trap wine_env_stop EXIT

"$root/scripts/install-deps.sh"
build_with_preset "$root" "$build" TarvixE2E >/dev/null
wine_env_start "$build/wineprefix" >/dev/null

log=$(mktemp)
status=0
(cd "$build" && TARVIX_CLOSE_ROUNDS=$rounds wine TarvixE2E.exe \
  --gtest_filter='Accessibility.ClosingWhileReadersHammerHandedOutObjectsEndsTheProgram') 2>&1 | tr -d '\r' \
  >"$log" || status=$?
grep '^\[ close' "$log" || true
summary=$(grep '^\[ close    \] program:' "$log" || true)
if [ -z "$summary" ]; then
  echo "the close test gave no figures (exit $status); its output:" >&2
  cat "$log" >&2
  rm -f "$log"
  exit 1
fi
# "program: N closes, L late, T ..., H hung; reference window: N closes, L late, T ..., H hung"
echo "$summary" | awk '{
  gsub(/[,;:]/, "")
  printf "program: %d of %d closes hung (%.1f %%), %d late; reference window: %d of %d hung (%.1f %%), %d late\n",
    $16, $5, 100 * $16 / $5, $7, $27, $20, 100 * $27 / $20, $22 }'
rm -f "$log"
exit "$status"
