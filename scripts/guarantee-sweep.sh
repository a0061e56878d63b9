#!/usr/bin/env bash
# Runs the undo promise's random sequence (Guarantee.NoSavedStartTypeIsEverLost) once per
# seed given, in the build's own prefix on a display of its own, and prints one line per
# seed with how far it got; a seed that fails prints its step and what broke. CI runs the
# test's fixed seed only; run this before changing the workflows or the store.
#
#   scripts/guarantee-sweep.sh 37 1 2 3        # these seeds
#   TARVIX_GUARANTEE_STEPS=5000 scripts/guarantee-sweep.sh 37
#
# Builds first (after scripts/install-deps.sh). Exits 1 when any seed failed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
if [ "$#" = 0 ]; then
  echo "usage: scripts/guarantee-sweep.sh SEED [SEED...]" >&2
  exit 2
fi

# shellcheck source=scripts/build-env.sh
source "$root/scripts/build-env.sh"
# shellcheck source=scripts/wine-env.sh
source "$root/scripts/wine-env.sh"
trap wine_env_stop EXIT

"$root/scripts/install-deps.sh"
build_with_preset "$root" "$build" TarvixTests >/dev/null
wine_env_start "$build/wineprefix"

failed=0
log=$(mktemp)
for seed in "$@"; do
  if TARVIX_GUARANTEE_SEED=$seed "$build/wine-run.sh" "$build/TarvixTests.exe" \
      --gtest_filter='Guarantee.*' >"$log" 2>&1; then
    verdict=passed
  else
    verdict=FAILED
    failed=1
  fi
  echo "$verdict: $(grep -m1 'guarantee: seed' "$log" || echo "seed $seed: no summary")"
  if [ "$verdict" = FAILED ]; then
    grep -A8 'Failure' "$log" | sed 's/^/    /'
  fi
done
rm -f "$log"
exit "$failed"
